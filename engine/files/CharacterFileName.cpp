#include "engine/files/CharacterFileName.h"

#include "engine/files/FileSystem.h"
#include "engine/files/PathUtil.h"

namespace CharacterFileName {

std::string bareName(std::string_view name)
{
    std::string bare(name);
    stripDirectory(bare);
    int dot = findExtension(bare);
    if (dot >= 0) {
        bare.resize(static_cast<size_t>(dot));
    }
    return FileSystem::isValidUserName(bare) ? bare : std::string();
}

bool make(std::string_view name, std::string_view extension, std::string& out)
{
    std::string bare = bareName(name);
    if (bare.empty()) {
        out.clear();
        return false;
    }
    out = "chars/" + bare + std::string(extension);
    return true;
}

} // namespace CharacterFileName

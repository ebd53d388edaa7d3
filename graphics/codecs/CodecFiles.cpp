#include "graphics/codecs/CodecFiles.h"

#include "engine/core/StringUtil.h"
#include "engine/files/FileSystem.h"

namespace codec {

bool readWholeFile(const std::string& name, std::vector<uint8_t>& out)
{
    FileSystem* files = FileSystem::instance();
    if (!files) {
        return false;
    }
    auto data = files->readFile(name);
    if (!data) {
        return false;
    }
    out = std::move(*data);
    return true;
}

bool writeWholeFile(const std::string& name, const void* data, size_t size)
{
    FileSystem* files = FileSystem::instance();
    if (!files) {
        return false;
    }
    File* file = files->open(name, true, false, true, true);
    if (!file) {
        return false;
    }
    bool written = size == 0 || files->write(file, data, size);
    return files->close(file) && written;
}

std::string replaceExtension(const std::string& name, std::string_view extension)
{
    size_t slash = name.find_last_of("/\\");
    size_t dot = name.find('.', slash == std::string::npos ? 0 : slash + 1);
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    return base + "." + std::string(extension);
}

std::string withExtension(const std::string& name, std::string_view extension)
{
    size_t slash = name.find_last_of("/\\");
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
        equalsNoCase(std::string_view(name).substr(dot + 1), extension)) {
        return name;
    }
    return name + "." + std::string(extension);
}

} // namespace codec

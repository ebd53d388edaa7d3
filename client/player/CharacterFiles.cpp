#include "client/player/CharacterFiles.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/files/CharacterFileName.h"
#include "engine/files/FileSystem.h"

#include "engine/core/StringUtil.h"

#include <mutex>
#include <set>

namespace {

// Damaged files that could not be set aside, by their lower-case names (the
// file system finds names without regard to case).
std::mutex g_keptDamagedMutex;
std::set<std::string> g_keptDamaged;

bool isKeptDamaged(const std::string& file)
{
    std::lock_guard<std::mutex> lock(g_keptDamagedMutex);
    return g_keptDamaged.count(toLowerCopy(file)) != 0;
}

} // namespace

namespace CharacterFiles {

bool fileName(const std::string& characterName, const char* extension, std::string& out)
{
    if (CharacterFileName::make(characterName, extension, out)) {
        return true;
    }
    debugPrint(2, "Character name \"%s\" cannot name a file\n", characterName.c_str());
    return false;
}

bool write(const std::string& file, const ByteBuffer& bytes)
{
    FileSystem* files = FileSystem::instance();
    if (isKeptDamaged(file)) {
        debugPrint(3, "%s: not saved, so as not to overwrite the damaged file that could not be set aside\n",
                   file.c_str());
        // The rest of the save waits with it: it is one save.
        if (files) {
            files->failSaveSet(file, "a damaged file that could not be set aside is in its place");
        }
        return false;
    }
    File* handle = files ? files->open(file, true, false, true, true) : nullptr;
    if (!handle) {
        debugPrint(3, "%s: cannot be opened for writing, the old file stays\n", file.c_str());
        return false;
    }
    bool written = files->write(handle, bytes.data(), bytes.size());
    bool closed = files->close(handle);
    if (!written || !closed) {
        debugPrint(3, "%s: cannot be written, the old file stays\n", file.c_str());
        return false;
    }
    return true;
}

std::optional<std::vector<uint8_t>> read(const std::string& file)
{
    FileSystem* files = FileSystem::instance();
    if (!files) {
        return std::nullopt;
    }
    if (auto bytes = files->readFile(file, true)) {
        return bytes;
    }
    if (files->fileExists(file, true)) {
        return std::vector<uint8_t>();
    }
    return std::nullopt;
}

void logRefusal(const std::string& file, const std::string& field, size_t offset)
{
    debugPrint(2, "%s: %s at byte %zu\n", file.c_str(), field.c_str(), offset);
}

bool setAside(const std::string& file)
{
    FileSystem* files = FileSystem::instance();
    if (!files) {
        return false;
    }
    std::string error;
    if (!files->renameUserFile(file, file + ".damaged", error)) {
        debugPrint(3, "%s: cannot be set aside as %s.damaged: %s; it is kept, and not saved over\n",
                   file.c_str(), file.c_str(), error.c_str());
        keepDamaged(file);
        return false;
    }
    debugPrint(2, "%s: set aside as %s.damaged\n", file.c_str(), file.c_str());
    keepDamaged(file, false);
    return true;
}

void keepDamaged(const std::string& file, bool keep)
{
    std::lock_guard<std::mutex> lock(g_keptDamagedMutex);
    if (keep) {
        g_keptDamaged.insert(toLowerCopy(file));
    } else {
        g_keptDamaged.erase(toLowerCopy(file));
    }
}

ReadResult readChecked(const std::string& file,
                       const std::function<bool(ByteBuffer& in, std::string& field)>& reader)
{
    auto bytes = read(file);
    if (!bytes) {
        // Gone (moved away by hand): nothing damaged is left to keep.
        keepDamaged(file, false);
        return ReadResult::Missing;
    }
    ByteBuffer in(std::move(*bytes));
    std::string field;
    if (!reader(in, field)) {
        logRefusal(file, field, in.getReadPos());
        return ReadResult::Refused;
    }
    keepDamaged(file, false);
    return ReadResult::Read;
}

bool readFlags(ByteBuffer& in, std::vector<bool>& out)
{
    uint32_t count = in.readCount(4);
    if (in.failed()) {
        return false;
    }
    out.assign(count, false);
    for (uint32_t i = 0; i < count; ++i) {
        out[i] = in.readUInt() != 0;
    }
    return in.ok();
}

} // namespace CharacterFiles

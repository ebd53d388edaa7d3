#include "client/player/CharacterFiles.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/files/CharacterFileName.h"
#include "engine/files/FileSystem.h"

#include <filesystem>
#include <system_error>

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

void setAside(const std::string& file)
{
    FileSystem* files = FileSystem::instance();
    if (!files) {
        return;
    }
    std::filesystem::path from = std::filesystem::path(files->getUserDirectory()) / file;
    std::filesystem::path to = from;
    to += ".damaged";
    std::error_code error;
    std::filesystem::rename(from, to, error);
    if (error) {
        debugPrint(3, "%s: cannot be set aside as %s.damaged: %s\n", file.c_str(), file.c_str(),
                   error.message().c_str());
    } else {
        debugPrint(2, "%s: set aside as %s.damaged\n", file.c_str(), file.c_str());
    }
}

ReadResult readChecked(const std::string& file,
                       const std::function<bool(ByteBuffer& in, std::string& field)>& reader)
{
    auto bytes = read(file);
    if (!bytes) {
        return ReadResult::Missing;
    }
    ByteBuffer in(std::move(*bytes));
    std::string field;
    if (!reader(in, field)) {
        logRefusal(file, field, in.getReadPos());
        return ReadResult::Refused;
    }
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

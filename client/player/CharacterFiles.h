#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ByteBuffer;

// The character's files in the user directory and the checked way of
// reading and writing them.
namespace CharacterFiles {

// "chars/<name>" + extension by the one name rule; false, with one line, for
// a name the rule refuses.
bool fileName(const std::string& characterName, const char* extension, std::string& out);

// Writes the whole buffer; the old file is replaced only once every byte is
// written. False, with a level-3 line naming the file, when it fails, and
// when the file is a damaged one that could not be set aside (it is kept).
bool write(const std::string& file, const ByteBuffer& bytes);
// The whole file; nothing when it does not exist. An existing empty file
// comes back as an empty buffer.
std::optional<std::vector<uint8_t>> read(const std::string& file);
// One level-2 line "<file>: <field> at byte <offset>".
void logRefusal(const std::string& file, const std::string& field, size_t offset);
// Renames a refused file to "<file>.damaged" (replacing an older one), with a
// line. When that fails the damaged file stays where it is and no save may
// overwrite it for the rest of the run (or until it reads whole again).
bool setAside(const std::string& file);
// Keeps the file from being saved over: a damaged file whose copy could not
// be made. `keepDamaged(file, false)` lifts it.
void keepDamaged(const std::string& file, bool keep = true);

enum class ReadResult { Read, Missing, Refused };
// Reads the file and hands its bytes to the reader, which names the field it
// stopped at when it refuses them; a refusal is logged with that field and offset.
ReadResult readChecked(const std::string& file,
                       const std::function<bool(ByteBuffer& in, std::string& field)>& reader);

// A counted list of flags, one 4-byte value each.
bool readFlags(ByteBuffer& in, std::vector<bool>& out);

} // namespace CharacterFiles

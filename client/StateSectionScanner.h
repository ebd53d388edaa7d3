#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ByteBuffer;

// The bytes of one section of a state message, [begin, end) in the message.
struct ByteRange {
    size_t begin = 0;
    size_t end = 0;
    size_t size() const { return end - begin; }
};

// Scanners of the state-message sections whose mirrors are not built yet.
// Each consumes exactly its section's bytes by the section's format and
// keeps the range, so that the mirror, when it exists, reads that range
// with its own reader. False (field named) when the bytes do not fit.
namespace StateSectionScanner {

// One quest of the game section, in its index form.
bool scanQuestRecord(ByteBuffer& in, ByteRange& range, std::string& field);
// The local player's covenant: name, house, index, inventory, recruits,
// statistics, raid flags, life stone and the recruit candidate.
bool scanPlayerCovenantSection(ByteBuffer& in, ByteRange& range, std::string& field);
// The local player: stats, positions, inventory, party, quests, the level
// gates (one flag per record of the world's gate list), explored levels and
// hints.
bool scanPlayerSection(ByteBuffer& in, ByteRange& range, std::string& field);

} // namespace StateSectionScanner

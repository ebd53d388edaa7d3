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
// gates, explored levels and hints. The gate flags carry no count: the
// caller gives the records of the gate list the writer built for the same
// world (the player mirror's, built once per world).
bool scanPlayerSection(ByteBuffer& in, size_t gateFlags, ByteRange& range, std::string& field);
// The records of a gate list built for the running world now.
size_t worldGateFlagCount();

} // namespace StateSectionScanner

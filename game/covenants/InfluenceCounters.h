#pragma once

#include <cstdint>

class ByteBuffer;

// The four influence counters of a covenant; its influence is their sum.
struct InfluenceCounters {
    int32_t adventure = 0;
    int32_t competition = 0;
    int32_t world = 0;
    int32_t transferred = 0;

    friend bool operator==(const InfluenceCounters&, const InfluenceCounters&) = default;

    // The sum, saturated to the int range.
    int32_t total() const;
};

// Four i32 in the order adventure, competition, world, transferred (16 bytes).
void writeInfluenceCounters(ByteBuffer& buffer, const InfluenceCounters& counters);
// False, counters untouched, when fewer than 16 bytes are left.
bool readInfluenceCounters(ByteBuffer& buffer, InfluenceCounters& counters);

// Adds ceil((adventure + competition + world of the destroyed covenant) x
// factor x the rules' "InfluenceMultDestroyedCovenant") to the destroyer's
// competition counter, saturating. Nothing without game data.
void addDestructionInfluence(const InfluenceCounters& destroyed, InfluenceCounters& destroyer, float factor);

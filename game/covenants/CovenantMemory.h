#pragma once

#include <cstdint>

// What a computer-run covenant remembers of one other covenant.
struct CovenantMemory {
    float fear = 0.0f;
    float tradeFactor = 0.0f;  // bonus weight of that covenant's view of a deal
    float demandFactor = 0.0f; // willingness to give in to its demands
    float damage = 0.0f;       // damage it did to this covenant; decays
    float naturalHate = 0.0f;  // drift of the relation at every review
    int32_t sharedXp = 0;      // shared-adventure experience not yet paid out

    friend bool operator==(const CovenantMemory&, const CovenantMemory&) = default;
};

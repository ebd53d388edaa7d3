#pragma once

#include "engine/core/Random.h"

#include <cstdint>
#include <functional>
#include <vector>

// Scripted draws of random stream 0: finds a state whose next draws pass one
// check each, in order, and sets it. A null check takes any draw.
using DrawCheck = std::function<bool(float)>;

inline DrawCheck drawBelow(float x)
{
    return [x](float r) { return r < x; };
}

inline DrawCheck drawAtLeast(float x)
{
    return [x](float r) { return r >= x; };
}

inline DrawCheck drawBetween(float lo, float hi)
{
    return [lo, hi](float r) { return r >= lo && r < hi; };
}

// False when none of the first `limit` states gives such draws.
inline bool scriptDraws(const std::vector<DrawCheck>& checks, uint32_t limit = 1u << 22)
{
    for (uint32_t state = 1; state < limit; ++state) {
        Random::setState(0, state);
        bool ok = true;
        for (const DrawCheck& check : checks) {
            float r = randomFloat(0);
            if (check && !check(r)) {
                ok = false;
                break;
            }
        }
        if (ok) {
            Random::setState(0, state);
            return true;
        }
    }
    return false;
}

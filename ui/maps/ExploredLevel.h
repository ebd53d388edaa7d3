#pragma once

#include "engine/core/ZonePosition.h"

#include <cstdint>
#include <vector>

// How much of one level the player has seen: n × n cells of 2 × 2 tiles,
// each R, G, B (the floor's mean colour) and A (0 unseen … 255 seen), the
// texture made from them, and where its gate and connection points were seen.
struct ExploredLevel {
    explicit ExploredLevel(int n) : side(n), pixels(static_cast<size_t>(n) * static_cast<size_t>(n) * 4, 0) {}

    uint8_t* cell(int cx, int cy) { return pixels.data() + (static_cast<size_t>(cy) * side + cx) * 4; }
    const uint8_t* cell(int cx, int cy) const
    {
        return pixels.data() + (static_cast<size_t>(cy) * side + cx) * 4;
    }

    int side;
    std::vector<uint8_t> pixels;
    int texture = -1;
    // Set when the pixels changed since the texture was last filled.
    bool dirty = true;
    ZonePosition gate{-1, 0.0f, 0.0f};
    std::vector<ZonePosition> connections;
    // The town's record once every cell was shown (cells are only raised).
    bool revealedWhole = false;
};

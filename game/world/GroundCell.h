#pragma once

#include "engine/resources/ResourceHandle.h"

#include <array>
#include <cstdint>
#include <vector>

// The record the renderer draws for one tile: the blended-tile shader of its
// layers (the tile's own ground first, then each differing neighbour) and
// every layer's opacity at the four corners (0 upper left, 1 upper right,
// 2 lower right, 3 lower left). Copies share the shader by reference.
struct GroundCell {
    ResourceHandle shader; // -1 for none
    std::array<std::vector<uint8_t>, 4> corners;
    bool built = false;
};

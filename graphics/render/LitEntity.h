#pragma once

#include "engine/core/ZonePosition3.h"

#include <cstdint>

// What the lighting of a drawn model needs of the thing it belongs to: where
// it stands and faces, its own light colour, and the six sphere colours
// (one per axis direction) worked out once per frame by the lighting.
struct LitEntity {
    ZonePosition3 position;
    int direction = 0; // eight-way facing
    float lightColour[3] = {0.0f, 0.0f, 0.0f};
    mutable float sphereColours[6][3] = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    // The frame the sphere colours were computed for (0: never).
    mutable uint32_t sphereFrame = 0;
};

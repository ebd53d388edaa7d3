#pragma once

#include "engine/core/ZonePosition.h"

#include <string>

// One marker of the world map or mini-map.
struct MapLabel {
    enum Kind { Plain = 0, Gate = 1, Covenant = 2, Connection = 3, TownGate = 4 };

    ZonePosition position;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    int kind = Plain;
    // Half the side of its marker square, in map units.
    float size = 4.0f;
    std::string text;
    // The gate list index, covenant index or town-gate index; -1 otherwise.
    int target = -1;
};

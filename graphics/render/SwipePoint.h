#pragma once

#include "engine/core/ZonePosition3.h"

// One point of a swipe trail: the two edges of the ribbon there and how
// visible it still is (1 when new).
struct SwipePoint {
    ZonePosition3 a;
    ZonePosition3 b;
    float alpha = 1.0f;
};

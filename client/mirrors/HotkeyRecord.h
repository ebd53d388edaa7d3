#pragma once

#include <cstdint>

// One slot of the local player's hotkey bar: four integers, the first the
// slot's kind (0 empty, 1 a skill or item), the next two what it holds.
struct HotkeyRecord {
    int32_t values[4] = {0, 0, 0, 0};
};

#pragma once

#include <cstdint>

// One place of the local player's hot bar: {kind, a, b, entry id}. Kind 0 is
// an item (group, entry, the item's database entry id), 1 a skill (tree,
// skill, -1), 2 an empty place.
struct HotkeyRecord {
    int32_t values[4] = {0, 0, 0, 0};
};

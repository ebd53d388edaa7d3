#pragma once

class DatabaseEntry;

// What a won battle, a destroyed covenant or a chest gives a computer-run
// covenant: experience, or a chance of a rolled number of random items.
struct CovenantReward {
    bool experience = false;
    float chance = 1.0f;
    int minimum = 0;
    int maximum = 0;
    int levelBonus = 0;
    const DatabaseEntry* itemKind = nullptr; // null: any item
};

#pragma once

// One faction's standing toward another: a reputation from 0 to 100 (kills
// may push it past either end) and whether the two are at war.
struct FactionReputation {
    int factionId = -1;
    float value = 50.0f;
    bool atWar = false;
};

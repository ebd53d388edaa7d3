#pragma once

// One change to a statistic, as a range: an item bonus, a damage range of an
// attack by damage type, a stat change of a skill level or a status effect.
// min and max may be out of order in data others fill; the range readers of
// StatChangeList order them.
struct StatChange {
    float min = 0.0f;
    float max = 0.0f;
    int stat = 0; // a CharacterStat (or, for damage lists, a DamageType)

    bool operator==(const StatChange& other) const = default;
};

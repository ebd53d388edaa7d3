#pragma once

#include "engine/object/SimpleData.h"
#include "game/definitions/GameEnums.h"

#include <array>
#include <string>
#include <vector>

class DatabaseEntry;

// A personality feature a computer covenant may draw: texts and icon, an
// optional status effect, one factor per CovenantMultiplier and an optional
// trait it excludes.
class CovenantTrait : public SimpleData {
public:
    CovenantTrait();

    // Reloads from the entry set with setEntry.
    void loadFromDatabase() override;
    // "Name", "Desc", "TextureName", "StatusEffect", "CovMult" + each
    // multiplier name (a missing one keeps its value), "ConflictingTrait".
    void load(const DatabaseEntry* entry);

    // The factor of a multiplier kind; 1.0 outside 0 … 13.
    float getMultiplier(int kind) const;
    // True when some trait of the list was loaded from the entry this one's
    // "ConflictingTrait" names.
    bool conflictsWithAny(const std::vector<const CovenantTrait*>& traits) const;

    std::string name;
    std::string description;
    std::string textureName;
    const DatabaseEntry* statusEffect = nullptr;
    std::array<float, kCovenantMultiplierCount> multipliers{};
    const DatabaseEntry* conflictingTrait = nullptr;
};

#pragma once

#include "engine/core/GameTime.h"
#include "engine/object/SimpleData.h"
#include "game/covenants/CovenantDefinitionKeys.h"
#include "game/definitions/GameEnums.h"

#include <array>
#include <string>
#include <vector>

class DatabaseEntry;

// A chance that runs linearly with its argument: slope x x + intercept.
struct LinearChance {
    float slope = 0.0f;
    float intercept = 0.0f;

    float at(float x) const { return slope * x + intercept; }
    // The line through (startX, startY) and (endX, endY); 0 and 0 when the
    // two x are equal.
    static LinearChance through(float startX, float startY, float endX, float endY);
};

// The data record of one kind of covenant (a computer personality, or the
// player's, named "Human"): names, colour and the tuning values its covenant
// code reads. Every missing key leaves its field at 0 / empty.
class CovenantDefinition : public SimpleData {
public:
    static constexpr int kDifficultyCount = 3;
    static constexpr int kClassChanceCount = 4;

    using DifficultyFamily = std::array<float, kDifficultyCount>;
    using ClassChanceFamily = std::array<float, kClassChanceCount>;
    using TreatyFamily = std::array<float, kCovenantTreatyCount>;
    using RouteFamily = std::array<float, kTradeRouteCount>;

    // Reloads from the entry set with setEntry.
    void loadFromDatabase() override;
    // Copies the entry's name, then reads every key in load order.
    void load(const DatabaseEntry* entry);

    // The family value at index, 0.0 outside the family.
    template <size_t N> static float familyValue(const std::array<float, N>& family, int index)
    {
        return index >= 0 && index < static_cast<int>(N) ? family[static_cast<size_t>(index)] : 0.0f;
    }

    // ---- Rolls: min + r x (max - min), r one draw of random stream 0.
    float rollRelationChangeAlliance() const;
    float rollRelationChangeNormal() const;
    float rollRelationChangeDemand() const;
    float rollRelationChangeDemandRejected() const;
    float rollRelationChangeTradeIgnored() const;
    float rollRelationChangeDemandOfFriend() const;
    float rollRelationChangeTradeWithEnemy() const;
    float rollRelationChangeKilledEnemy() const;
    float rollRelationChangeKilledThreateningMonster() const;
    float rollQuestXpMult() const;
    float rollSharedRaidSuccessRelation() const;
    float rollSharedRaidFailureRelation() const;
    // The route size's start change spread by "RelationChangeTradeRouteVariance".
    float rollTradeRouteStartChange(int size) const;

    float getRelationChangeCancelledTradeRoute(int size) const;
    float getRelationForTradeRoute(int size) const;
    // Entry i of the "Trait" list; "" outside it.
    std::string getTraitName(int i) const;
    // The weight of one offer candidate (choice 0 influence, 6 item, 7
    // crystals, 10 an action on a third covenant with that treaty).
    float getOfferChance(int choice, bool demand, bool gift, int treaty) const;
    // floor("StartNumRecruitsPerLevel" x level), at most the rules' "MaxRecruits".
    int getStartNumRecruits(int level) const;
    // At least 1.
    int rollStartRecruitLevel(int level) const;
    // floor(expected money at the level x ("StartMoneyDropsBase" +
    // "StartMoneyDropsPerLevel" x level)).
    int getStartMoney(int level) const;
    // The name of the first "MoodMaxValue" above value; "" when none is above
    // or the name list is shorter.
    std::string getMoodName(float value) const;
    // "StartingRelation" + the other definition's entry name, read from this
    // definition's entry (0.0 when the key is missing); 50.0 when there is no
    // definition at that index or this one has no entry.
    float getStartingRelation(int otherDefinition) const;

    // Every key the loader reads, families and curves written out.
    static const std::vector<std::string>& loadedKeys();

    std::string shortName;
    std::string smallCrestName;
    std::string crestName;
    int color = 0;

#define COVENANT_FIELD_Float(key) float key = 0.0f;
#define COVENANT_FIELD_Int(key) int key = 0;
#define COVENANT_FIELD_Minutes(key) GameTime key;
#define COVENANT_FIELD_Difficulty(key) DifficultyFamily key{};
#define COVENANT_FIELD_ClassChance(key) ClassChanceFamily key{};
#define COVENANT_FIELD_Treaty(key) TreatyFamily key{};
#define COVENANT_FIELD_Route(key) RouteFamily key{};
#define COVENANT_FIELD_Curve(key) LinearChance key;
#define COVENANT_FIELD(kind, key) COVENANT_FIELD_##kind(key)
    COVENANT_DEFINITION_KEYS(COVENANT_FIELD)
#undef COVENANT_FIELD
#undef COVENANT_FIELD_Float
#undef COVENANT_FIELD_Int
#undef COVENANT_FIELD_Minutes
#undef COVENANT_FIELD_Difficulty
#undef COVENANT_FIELD_ClassChance
#undef COVENANT_FIELD_Treaty
#undef COVENANT_FIELD_Route
#undef COVENANT_FIELD_Curve

    std::vector<std::string> traits;                  // "Trait"
    std::vector<const DatabaseEntry*> baseStartItems; // "BaseStartItem"; null for an unknown name
    std::vector<float> moodMaxValues;                 // "MoodMaxValue"
    std::vector<std::string> moodNames;               // "MoodName"

private:
    static float roll(float min, float max);
};

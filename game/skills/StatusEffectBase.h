#pragma once

#include "engine/object/SimpleData.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Timer.h"
#include "game/entities/TimerList.h"

#include <array>
#include <cstdint>
#include <string>

class CharacterClass;
class DatabaseEntry;
class Entity;

// The values a status effect entry gives at one level: what the effect
// reads from the database, apart from its running state.
struct StatusEffectValues {
    static constexpr int kStatCount = static_cast<int>(CharacterStat::Num);

    std::string name;
    float tickTime = 0.0f;
    float randomizeTickTime = 0.0f;
    float totalTime = 0.0f;
    float healthChange = 0.0f;
    float healthChangePercent = 0.0f;
    int32_t damageType = 0;
    float powerChange = 0.0f;
    float powerChangePercent = 0.0f;
    bool isPowerRegen = false;
    bool basicRegen = false;
    bool isPublic = true;
    bool forever = false;
    std::array<int32_t, kStatCount> statChanges{};
    std::array<int32_t, kStatCount> statMults{}; // thousandths
    std::array<float, kDynamicStatCount> dynamicStatChange{};
    std::array<float, kDynamicStatCount> dynamicStatMult{};
    std::array<float, kDynamicStatCount> defendingDynamicStatChange{};
    std::array<float, kDynamicStatCount> defendingDynamicStatMult{};
    int32_t effectType = 0; // StatusEffectType
    std::string combinedStatusEffect;
    std::string groupName;
    int32_t statusType = 0;    // StatusType
    int32_t removeOnEvent = 0; // SimpleEvent
    bool mustFocus = false;
    bool mustPartiallyFocus = false;
    bool mustRemainUnknown = false;
    bool mustHaveNoEnemy = false;
    bool printFailure = false;
    int32_t damageOnHit = 0;
    float damageOnHitPercent = 0.0f;
    bool cantAttack = false;
    bool cantUseSkills = false;
    bool cantUseSpells = false;
    bool cantMove = false;
    const DatabaseEntry* perLevelEntry = nullptr;
    uint32_t entityStates = 0; // bit (1 << EntityState)
    bool damageBreaks = false;
    bool skillUseBreaks = false;
    bool attackedBreaks = false;
    int32_t powerLeechPerHit = 0;
    float powerBurnPerHitPercent = 0.0f;
    int32_t strength = 0;
    int32_t absorbDamage = 0;
    bool absorbAllDamage = false;
    float absorbDamageAwayFromPlayer = 0.0f;
    std::array<int32_t, kDamageTypeCount> extraMinDamagePercent{};
    std::array<int32_t, kDamageTypeCount> extraMaxDamagePercent{};
    int32_t extraMinDamagePercentElemental = 0;
    int32_t extraMaxDamagePercentElemental = 0;
    float lifeSteal = 0.0f;
    bool removeOnDeath = false;
    std::array<float, kDamageTypeCount> damageMult{};
    bool aura = false;
    bool auraOffensive = false;
    float auraDistance = 0.0f;
    const DatabaseEntry* auraStatusEffect = nullptr;
    std::string effectModelName;
    std::string onHitEffectModelName;
    std::string whenHitEffectModelName;
    float effectTime = 0.0f;
    std::string effectTagName;
    float alpha = 0.0f;
    bool itemSetEffect = false;
    bool onlyWhenRaiding = false;
    bool onlyWhenBeingRaided = false;
    bool informOthers = false;
    std::string onHitSkill;
    std::string whenHitSkill;
    std::string whenKilledSkill;
    float strengthTime = 0.0f;
    float strengthEffectEasy = 0.0f;
    float strengthEffectHard = 0.0f;
    bool checkSuccess = false;
    const DatabaseEntry* successEndEffect = nullptr;
};

// The definition of a status effect loaded from one database entry at one
// level: a poison, a regeneration, a stun, an aura, a stealth, an item-set
// bonus. Shared by the server's running effect, the client's mirror and the
// item and skill definitions that describe and price the effects they grant.
//
// Level rule: a scaled value at level L is the entry's value plus (L − 1)
// times the value of the entry named by "PerLevel" when that exists and
// L >= 2; the entry's value otherwise. getInt and getFloat apply it.
//
// The two timers live in the object and are listed in its own TimerList, so
// the record can be neither copied nor moved. The values of an entry at a
// level are read once and kept with the entry: every later load copies them.
class StatusEffectBase : public SimpleData, public StatusEffectValues {
public:
    StatusEffectBase();
    ~StatusEffectBase() override;
    StatusEffectBase(const StatusEffectBase&) = delete;
    StatusEffectBase& operator=(const StatusEffectBase&) = delete;

    // Slots 1 and 3: the level rule over the entry and its per-level entry.
    int getInt(const std::string& key) const override;
    float getFloat(const std::string& key) const override;
    // Slot 4: reads every key of the entry at the stored level.
    void loadFromDatabase() override;
    // Slot 5: stores the level; when the entry differs from the current one,
    // stores it and reloads. The source is used by the running effect only.
    virtual void setEntry(const DatabaseEntry* entry, int level, Entity* source);
    using SimpleData::setEntry;

    // Same kind for stacking: never with null or an ended effect; an
    // OnlyOneExact effect only with one of the same entry; otherwise when the
    // group names are equal (case-sensitive).
    bool isSameKind(const StatusEffectBase* other) const;
    // Duration factor against a target of the level, for the reference level.
    float getStrengthFactor(float referenceLevel, int level) const;
    // A damage over time weakened by amount (cures); may end the effect.
    void weakenDamageOverTime(int amount);
    // value scaled by the strength left.
    float scaleByStrength(float value) const;
    // Worth for item values, with the game rules' five weights.
    float getWorth() const;
    bool hasCriticalMult() const;
    bool hasCrushingBlowMult() const;
    bool hasDeepWoundsMult() const;

    // The text that tells a player what the effect does at a level; out is
    // cleared first. perLevel may be null; without a class the power name is
    // "Power".
    void getDescription(std::string& out, const StatusEffectBase* perLevel, int level, int enemyLevel,
                        const CharacterClass* characterClass) const;

    // The running state; the loaded values are StatusEffectValues'.
    TimerList timers;
    Timer durationTimer;
    Timer tickTimer;
    bool ended = false;
    int32_t level = 0;
    int32_t strengthLeft = 0;
    bool present = true;

private:
    // The entry's values at the level, from the entry's cache.
    const StatusEffectValues& cachedValues() const;
    void readValues();
};

#pragma once

#include "engine/object/SimpleData.h"
#include "game/definitions/GameEnums.h"
#include "game/skills/CounterList.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CharacterClass;
class DatabaseEntry;
class SkillBase;
class SkillEntity;
class StatChangeList;
class StatusEffectBase;

// The static description of one skill, active or passive, read once from a
// database entry when the game data loads and never written afterwards.
//
// Per-level rule: every numeric value at level L >= 1 is the base value plus
// (L − 1) times the same field of the definition named by "PerLevel"; the
// base value at level 0 and without a per-level definition. Names of other
// skill definitions ("PerLevel", "Skill") are resolved by link() once every
// definition is loaded, so their order in the files does not matter.
class SkillDefinition : public SimpleData {
public:
    static constexpr int kStatCount = static_cast<int>(CharacterStat::Num);
    static constexpr int kNoStat = static_cast<int>(CharacterStat::None);

    SkillDefinition();
    ~SkillDefinition() override;
    SkillDefinition(const SkillDefinition&) = delete;
    SkillDefinition& operator=(const SkillDefinition&) = delete;

    // Slot 4: fills every field from the stored entry.
    void loadFromDatabase() override;
    // Resolves "PerLevel" and "Skill" against the game data's loaded skill
    // definitions; a name that resolves to nothing is logged.
    void link();

    // ---- Values at a level
    int getPowerCost(int level) const;
    int getPowerAdded(int level) const;
    int getExplosionDamage(int level) const;
    float getDamageMultAll(int level) const;
    // The all-types value when "DamageMultAll" is not 0.
    float getDamageMult(int damageType, int level) const;
    float getExplosionRange(int level) const;
    float getReuseTime(int level) const;
    float getUseCheckTime(int level) const;
    float getUseCheckChance(int level) const;
    float getHateChange(int level) const;
    float getSilentHateChange(int level) const;
    float getReduceAllHate(int level) const;
    float getCastTime(int level) const;
    float getProjectileRadius(int level) const;
    // The second copy of "DamagePerExtraRage".
    float getDamagePerExtraRage(int level) const;
    float getCureEffectStrength(int level) const;
    void addProjectileDamage(StatChangeList& list, int level) const;
    void addRadiusDamage(StatChangeList& list, int level) const;
    void addDamage(StatChangeList& list, int level) const;
    // "Heal" plus "HealPercent" of the target's maximum health.
    int getHealAmount(int level, const SkillEntity* target) const;
    int getStatChange(int stat, int level) const;
    // 1.0 at level 0. Callers summing the multipliers of known skills must not
    // ask for a skill of level 0: its 1.0 is not a neutral summand.
    float getStatMult(int stat, int level) const;
    float getDynamicStatChange(int index, int level) const;
    float getDynamicStatMult(int index, int level) const;
    float getDefendingDynamicStatChange(int index, int level) const;
    float getDefendingDynamicStatMult(int index, int level) const;

    // ---- Plain queries
    // 1 for a basic skill, else "MaxSkillLevel".
    int getMaxLevel() const;
    // "DamageType" with direct damage, else "ProjDamageType" with projectile
    // damage, else Physical.
    int getAttackDamageType() const;
    bool meetsEntityStateRequirement(uint32_t stateFlags) const;
    // Whether this skill's bonuses apply to the skill or the status effect.
    bool enhances(const SkillBase* skill, const DatabaseEntry* statusEffect) const;
    bool isInRange(const SkillEntity* user, const SkillEntity* target) const;
    // The range test with 1.25 × "MinRange" and 0.75 × "MaxRange".
    bool isWellInRange(const SkillEntity* user, const SkillEntity* target) const;

    // ---- Levels and costs (stat values are an entity's stat table)
    // Level of a "StatReq" skill for a value of its stat.
    int levelFromStatValue(int value) const;
    int getLevelFromStats(const CounterList& stats, int pointsStat) const;
    // Stat value still missing for the level after `level`.
    int getPointsStillNeeded(int level, const CounterList& stats) const;

    // Skill points to raise the skill from level to the next: "BaseCost" +
    // "CostIncreasePerLevel" × level, saturated to the int range.
    int getPointCostAt(int level) const;

    // The definition's part of the use check: a SkillRefusal code (0, 5, 6,
    // 7, 8 or 9).
    int checkUse(int level, const CounterList& stats, const SkillEntity* user, const SkillEntity* target,
                 uint32_t stateFlags) const;

    // ---- Texts (tooltips of the interface)
    void getTooltip(const CounterList& stats, const CharacterClass* characterClass, int pointsStat,
                    bool moneyHidden, std::string& out) const;
    void appendLevelEffects(int level, const CounterList& stats, const CharacterClass* characterClass,
                            std::string& out) const;
    void appendRaiseCost(const CounterList& stats, bool moneyHidden, int pointsStat, std::string& out) const;
    void appendLowerCost(const CounterList& stats, int pointsStat, std::string& out) const;
    // The name the skills page shows ("BaseName"); "Name" is the entry's key
    // and stands in only where there is no shown name.
    const std::string& getShownName() const { return baseName.empty() ? name : baseName; }

    const SkillDefinition* getPerLevel() const { return perLevel; }
    const StatusEffectBase* getStatusEffect() const { return statusEffect.get(); }
    const StatusEffectBase* getPerLevelStatusEffect() const { return perLevelStatusEffect.get(); }
    bool isBasic() const { return basicSkill; }

    // Fields, in the record's order.
    std::string desc;
    int powerAdded = 0;
    bool powerAddedOnKill = false;
    std::unique_ptr<StatusEffectBase> statusEffect;
    std::unique_ptr<StatusEffectBase> perLevelStatusEffect;
    bool needsEnemy = false;
    int requiredEnemyStatus = 0; // StatusType
    int enemyEvent = 0;          // SimpleEvent
    std::string animation;
    std::string castingAnimation;
    bool attack = false;
    bool magicAttack = false;
    float damagePerExtraRageFirst = 0.0f;
    int extraEnemies = 0;
    bool allEnemies = false;
    bool victimMustMove = false;
    bool self = false;
    bool needsFriend = false;
    bool allAllies = false;
    std::string projectile;
    bool projNormalAttack = false;
    bool projMagicAttack = false;
    bool projStatusEffect = false;
    bool projectileOnKill = false;
    float healPercent = 0.0f;
    bool explosion = false;
    int explosionDamageType = 0;
    int skillType = 0; // SkillType
    float basePriority = 0.0f;
    bool saveForToughEnemies = false;
    bool combatOnly = false;
    float minRange = 0.0f;
    float maxRange = 0.0f;
    const SkillDefinition* perLevel = nullptr;
    bool useAllRage = false;
    bool interrupt = false;
    uint32_t requiredEntityStateOne = 0;
    uint32_t requiredEntityStateAll = 0;
    bool alwaysWorks = false;
    bool dontLookAtTarget = false;
    std::string dispelEffectName;
    int dispelEffectStrength = 0;
    std::string cureEffectName;
    float cureEffectStrength = 0.0f;
    std::array<float, kDamageTypeCount> damageMult{};
    float damageMultAll = 0.0f;
    std::string alertFaction;
    float alertHateMult = 0.0f;
    int monstersToSpawn = 0;
    int minMonstersToSpawn = 0;
    int maxMonstersToSpawn = 0;
    const DatabaseEntry* monsterArchetype = nullptr;
    const DatabaseEntry* monsterType = nullptr;
    int minMonsterRarity = 0;
    bool blink = false;
    bool teleport = false;
    std::string targetEffect;
    std::string areaEffect;
    float effectTime = 0.0f;
    int weaponType = 0; // ItemRequirement
    bool requiresShield = false;
    int statReq = kNoStat;
    int pointsReq = 0;
    CounterList statChanges;
    CounterList statMults; // thousandths
    bool stopAttacking = false;
    bool reverseProjectile = false;
    bool haltsPowerDrop = false;
    bool randomHateVictim = false;
    float windDistance = 0.0f;
    float windPower = 0.0f;
    float shutDoorDistance = 0.0f;
    bool suicide = false;
    bool showAttackTime = false;
    float comparePointsMult = 0.0f;
    std::string name;
    std::string baseName;
    std::string textureName;
    std::string soundName;
    int explosionDamage = 0;
    float explosionRange = 0.0f;
    float reuseTime = 0.0f;
    float useCheckTime = 0.0f;
    float useCheckChance = 0.0f;
    std::array<float, kDynamicStatCount> dynamicStatChange{};
    std::array<float, kDynamicStatCount> dynamicStatMult{};
    int power = 0;
    float hateChange = 0.0f;
    float silentHateChange = 0.0f;
    float reduceAllHate = 0.0f;
    int projMinDamage = 0;
    int projMaxDamage = 0;
    int projDamageType = 0;
    float projRadius = 0.0f;
    int projRadiusMinDamage = 0;
    int projRadiusMaxDamage = 0;
    int minDamage = 0;
    int maxDamage = 0;
    int damageType = 0;
    int heal = 0;
    float castTime = 0.0f;
    int baseCost = 0;
    int costIncreasePerLevel = 0;
    int itemRequirement = 0;
    std::array<float, kDynamicStatCount> defendingDynamicStatChange{};
    std::array<float, kDynamicStatCount> defendingDynamicStatMult{};
    bool passive = false;
    std::vector<const SkillDefinition*> skills;
    std::vector<const DatabaseEntry*> enhanceStatusEffects;
    int maxSkillLevel = 0;
    int startingSkillLevel = 0;
    float damagePerExtraRage = 0.0f;
    std::string linked;
    bool linkedEnd = false;
    bool projectileDamage = false;
    bool radiusDamage = false;
    bool basicSkill = false;
    bool hardCodedLocation = false;
    bool canAutoAttack = false;
    bool unhide = false;
    bool hide = false;
    bool showSkillHint = false;
    bool noAttackers = false;
    float noiseRange = 0.0f;

    // Names resolved by link().
    std::string perLevelName;
    std::vector<std::string> skillNames;

private:
    int atLevel(int SkillDefinition::*field, int level) const;
    float atLevel(float SkillDefinition::*field, int level) const;
    template <size_t N>
    float atLevel(std::array<float, N> SkillDefinition::*field, int index, int level) const;
};

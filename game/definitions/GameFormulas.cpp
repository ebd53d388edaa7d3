#include "game/definitions/GameFormulas.h"

#include "engine/core/DebugSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"

#include <algorithm>
#include <cmath>

namespace {

// The factor of one level; a missing or unusable factor counts as 1.0 (the
// loader has already warned about it).
double levelFactor(const GameRules& rules, int level)
{
    if (level < 0 || level >= static_cast<int>(rules.xpMultEachLevel.size()))
        return 1.0;
    float factor = rules.xpMultEachLevel[static_cast<size_t>(level)];
    return factor > 0.0f ? factor : 1.0;
}

// A whole number of experience as an int: NaN and negatives give 0, values
// past the int range saturate.
int experienceToInt(double xp)
{
    if (!(xp < 2147483647.0))
        return std::isnan(xp) ? 0 : 2147483647;
    return xp > 0.0 ? static_cast<int>(xp) : 0;
}

int statAt(const std::vector<int32_t>& stats, CharacterStat stat)
{
    size_t i = static_cast<size_t>(stat);
    return i < stats.size() ? stats[i] : 0;
}

} // namespace

int xpNeededForLevel(int level)
{
    const GameRules& rules = worldRules();
    int capped =
        std::min({level, std::max(rules.maxLevel, 1), static_cast<int>(rules.xpMultEachLevel.size())});
    double product = rules.baseXpNeededEachLevel;
    for (int d = 2; d <= capped; ++d)
        product *= levelFactor(rules, d);
    return experienceToInt(std::ceil(product));
}

float experienceMultiplierBetweenLevels(int a, int b)
{
    if (a <= b)
        return 1.0f;
    const GameRules& rules = worldRules();
    // Levels past the factor table count as 1.0.
    a = std::min(a, static_cast<int>(rules.xpMultEachLevel.size()) - 1);
    double product = 1.0;
    for (int d = std::max(b + 1, 2); d <= a; ++d)
        product *= levelFactor(rules, d);
    return static_cast<float>(product);
}

float damagePerSecond(int minDamage, int maxDamage, int attackSpeedMs)
{
    if (minDamage < 1 || maxDamage < 1 || attackSpeedMs <= 0)
        return 0.0f;
    // Summed as floats: two large damage stats would overflow an int.
    return (static_cast<float>(minDamage) + static_cast<float>(maxDamage)) /
           (2.0f * static_cast<float>(attackSpeedMs) / 1000.0f);
}

float damagePerSecond(const std::vector<int32_t>& stats)
{
    return damagePerSecond(statAt(stats, CharacterStat::MinDamage), statAt(stats, CharacterStat::MaxDamage),
                           statAt(stats, CharacterStat::AttackSpeed));
}

float levelDifferenceChance(int a, int b)
{
    float chance = static_cast<float>(static_cast<double>(a) - b) * 0.05f + 0.5f;
    return std::clamp(chance, 0.0f, 1.0f);
}

float computeHitChance(float attack, float defence)
{
    float x = std::trunc(1.5f * std::max(attack, 0.0f));
    float d = std::max(defence, 0.0f);
    if (x <= 0.0f && d <= 0.0f)
        return 0.5f; // nothing against nothing: even odds
    if (x >= d)
        return (x - d) / x + 0.5f * d / x;
    return 1.0f - ((d - x) / d + 0.5f * x / d);
}

CharacterStat damageTypeToStat(int damageType)
{
    if (damageType < 0 || damageType >= kDamageTypeCount) {
        debugPrint(3, "Can't convert DamageType %d to a stat\n", damageType);
        return CharacterStat::None;
    }
    return static_cast<CharacterStat>(toIndex(CharacterStat::ResistancePhysical) + damageType);
}

int statToDamageType(int stat)
{
    int first = toIndex(CharacterStat::ResistancePhysical);
    return stat >= first && stat < first + kDamageTypeCount ? stat - first : -1;
}

float lerpByLevel(float price)
{
    const GameRules& rules = worldRules();
    if (rules.minSellPercentPrice <= 0 || price >= static_cast<float>(rules.minSellPercentPrice))
        return rules.minSellPercent;
    float p = std::max(price, 0.0f);
    return rules.maxSellPercent -
           (rules.maxSellPercent - rules.minSellPercent) * p / static_cast<float>(rules.minSellPercentPrice);
}

int32_t packMonsterRecordInfo(int monsterLevel, int rarity, int playerLevel)
{
    uint32_t word = (static_cast<uint32_t>(monsterLevel) & 0xFF) |
                    ((static_cast<uint32_t>(rarity) & 0xFF) << 8) |
                    ((static_cast<uint32_t>(playerLevel) & 0xFF) << 16);
    return static_cast<int32_t>(word);
}

void storeMonsterRecord(std::vector<int32_t>& values, int index, const MonsterType* type, int monsterLevel,
                        int rarity, int playerLevel)
{
    if (index < 0 || static_cast<size_t>(index) + 1 >= values.size())
        return;
    values[static_cast<size_t>(index)] = type ? type->getEntryId() : -1;
    values[static_cast<size_t>(index) + 1] =
        type ? packMonsterRecordInfo(monsterLevel, rarity, playerLevel) : 0;
}

float monsterExperienceValue(const MonsterType* type, int monsterLevel, int rarity)
{
    if (!type)
        return 0.0f;
    const GameRules& rules = worldRules();
    float rarityMult =
        rarity >= 0 && rarity < kMonsterRarityCount ? rules.xpMultMonster[static_cast<size_t>(rarity)] : 1.0f;
    float classMult = type->archetype ? type->archetype->xpMult : 1.0f;
    return rules.monsterXpPerLevel * static_cast<float>(std::max(monsterLevel, 1)) * rarityMult * classMult;
}

int monsterExperienceFromRecord(const std::vector<int32_t>& values, int index, bool atPlayerLevel)
{
    if (index < 0 || static_cast<size_t>(index) + 1 >= values.size())
        return 0;
    int32_t entryId = values[static_cast<size_t>(index)];
    if (entryId == -1)
        return 0;
    GameData* data = GameData::instance();
    const MonsterType* type = data ? data->findMonsterTypeByEntryId(entryId) : nullptr;
    if (!type)
        return 0;
    uint32_t word = static_cast<uint32_t>(values[static_cast<size_t>(index) + 1]);
    int monsterLevel = static_cast<int>(word & 0xFF);
    int rarity = static_cast<int>((word >> 8) & 0xFF);
    int playerLevel = static_cast<int>((word >> 16) & 0xFF);
    int characterLevel = atPlayerLevel ? std::max(playerLevel, 1) : 1;
    double xp =
        std::floor(static_cast<double>(experienceMultiplierBetweenLevels(monsterLevel, characterLevel)) *
                   100.0 * monsterExperienceValue(type, monsterLevel, rarity));
    return experienceToInt(xp);
}

std::string getMonsterTypeName(int32_t entryId, bool atPlayerLevel)
{
    GameData* data = GameData::instance();
    const MonsterType* type = data && entryId != -1 ? data->findMonsterTypeByEntryId(entryId) : nullptr;
    return type ? type->getName() : std::string();
}

float armorAbsorbLimit(const GameRules& rules, float armor)
{
    return rules.armorAbsorbMultiplier * armor;
}

float resistanceAbsorbLimit(const GameRules& rules, float resistance, bool overTime)
{
    float x = rules.resistanceAbsorbMultiplier * resistance;
    return overTime ? x * rules.resistanceDotMultiplier : x;
}

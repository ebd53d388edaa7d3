// The tooltip texts of skill definitions.
#include "game/skills/SkillDefinition.h"

#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Localization.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/Money.h"
#include "game/skills/StatusEffectBase.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int kPassiveColor = 121;
constexpr int kNormalColor = 145;
constexpr int kMissingColor = 1;
constexpr int kAffordableColor = 2;
constexpr int kMaxedColor = 61;
constexpr int kTitleFont = 6;
// EntityState 18 … 20: the enemy's minor, decent and major distraction.
constexpr int kEnemyMinorDistraction = 18;
constexpr int kEnemyDecentDistraction = 19;

std::string color(int index)
{
    return formatColorCode(index);
}

// A multiplier as the percent shown to players: a negative m is the reduction
// 1 / (1 - m) - 1.
double percentOf(float m)
{
    double v = m;
    return (v >= 0.0 ? v : 1.0 / (1.0 - v) - 1.0) * 100.0;
}

std::string powerNameOf(const CharacterClass* characterClass)
{
    return characterClass && !characterClass->powerName.empty() ? characterClass->powerName : "Power";
}

std::string timeText(float seconds)
{
    return formatDuration(seconds, false, 0.05f);
}

float moneyPerSkillPoint()
{
    const GameData* data = GameData::instance();
    return data ? data->rules().moneyPerSkillPoint : 0.0f;
}

// Money amounts stay far inside long long: data values are not trusted.
constexpr double kMoneyLimit = 1e15;

long long moneyForPoints(int points)
{
    double money = std::floor(static_cast<double>(moneyPerSkillPoint()) * points);
    if (std::isnan(money))
        return 0;
    return static_cast<long long>(std::clamp(money, -kMoneyLimit, kMoneyLimit));
}

} // namespace

void SkillDefinition::getTooltip(const CounterList& stats, const CharacterClass* characterClass,
                                 int pointsStat, bool moneyHidden, std::string& out) const
{
    const int level = getLevelFromStats(stats, pointsStat);
    const std::string powerName = powerNameOf(characterClass);

    appendFormat(out, "%c%c%03d", '^', 'f', kTitleFont);
    out += baseName;
    if (perLevel && level > 0)
        appendFormat(out, " %d", level);
    out += "\n";
    if (!desc.empty())
        out += desc + "\n";
    out += "\n";

    if (passive)
        out += color(kPassiveColor) + "Passive skill" + color(kNormalColor);
    else if (!perLevel || perLevel->power == 0)
        appendFormat(out, "%s needed: %d\n", powerName.c_str(), getPowerCost(level));

    if (allEnemies)
        out += "Target: All enemies in range\n";
    else if (needsEnemy)
        out += "Target: Current enemy\n";
    else if (allAllies)
        out += "Target: All allies\n";
    else if (self && needsFriend)
        out += "Target: Self or friend\n";
    else if (self)
        out += "Target: Self\n";

    if (minRange > 0.0f || maxRange > 0.0f)
        appendFormat(out, "Range: %.0f to %.0f feet\n", static_cast<double>(minRange * 0.0625f),
                     static_cast<double>(maxRange * 0.0625f));
    out += "\n";

    if (extraEnemies == 1)
        out += "Hits up to 1 extra nearby enemy\n";
    else if (extraEnemies > 1)
        appendFormat(out, "Hits up to %d extra nearby enemies\n", extraEnemies);
    if (interrupt)
        out += "Interrupts spells\n";
    if (showAttackTime)
        appendFormat(out, "Attack time: %0.2f\n", stats.get(toIndex(CharacterStat::AttackSpeed)) * 0.001);

    if (requiredEntityStateOne != 0) {
        const uint32_t minor = 1u << kEnemyMinorDistraction;
        const uint32_t decent = minor << 1;
        const uint32_t major = minor << 2;
        uint32_t shown = requiredEntityStateOne;
        if ((shown & minor) != 0)
            shown &= ~decent;
        if ((shown & (minor | decent)) != 0)
            shown &= ~major;
        std::vector<int> states;
        for (int s = 0; s < kEntityStateCount; ++s)
            if (shown & (1u << s))
                states.push_back(s);
        out += states.size() < 2 ? "Requires:" : "Requires one:";
        int onLine = 0;
        for (size_t i = 0; i < states.size(); ++i) {
            out += i == 0 ? " " : ",";
            if (onLine == 2) {
                out += "\n  ";
                onLine = 0;
            } else if (i > 0) {
                out += " ";
            }
            if (i > 0 && i + 1 == states.size())
                out += "or ";
            if (states[i] == kEnemyMinorDistraction || states[i] == kEnemyDecentDistraction)
                out += "at least ";
            out += wrapText(getGameEnumName(GameEnum::EntityState, states[i]).c_str());
            ++onLine;
        }
        out += "\n";
    }
    if (requiredEntityStateAll != 0) {
        out += "Requires all:";
        for (int s = 0; s < kEntityStateCount; ++s)
            if (requiredEntityStateAll & (1u << s))
                out += " " + wrapText(getGameEnumName(GameEnum::EntityState, s).c_str());
        out += "\n";
    }

    if (level >= 1) {
        appendFormat(out, "At current skill level (%d)\n", level);
        appendLevelEffects(level, stats, characterClass, out);
    } else {
        out += color(kMissingColor) + "Don't have this skill\n" + color(kNormalColor);
    }

    const int cap = getMaxLevel();
    if ((basicSkill || maxSkillLevel != 0) && level >= cap) {
        out += color(kMaxedColor) + "\nSkill maxed" + color(kNormalColor);
    } else {
        // A level read from a stat table may be anything; the next one saturates.
        const int next = level < INT32_MAX ? level + 1 : level;
        appendFormat(out, "\nAt next skill level (%d)\n", next);
        appendLevelEffects(next, stats, characterClass, out);
        if (basicSkill || maxSkillLevel > 0)
            appendFormat(out, "Max skill level: %d\n", cap);
    }
    appendRaiseCost(stats, moneyHidden, pointsStat, out);
}

void SkillDefinition::appendLevelEffects(int level, const CounterList& stats,
                                         const CharacterClass* characterClass, std::string& out) const
{
    const std::string powerName = powerNameOf(characterClass);
    const int characterLevel = stats.get(toIndex(CharacterStat::Level));

    if (!passive && perLevel && perLevel->power != 0)
        appendFormat(out, "%s needed: %d\n", powerName.c_str(), getPowerCost(level));

    for (int stat = 0; stat < kStatCount; ++stat) {
        int change = getStatChange(stat, level);
        float mult = getStatMult(stat, level);
        if (change <= 0 && mult == 0.0f)
            continue;
        std::string key = getCharacterStatName(stat, true);
        if (change > 0) {
            appendFormat(out, "+%d %s\n", change, key.c_str());
            if (stat == toIndex(CharacterStat::DisarmTrap))
                appendFormat(out, "  %.1f%% chance to disarm lvl %d trap\n",
                             static_cast<double>(levelDifferenceChance(change, characterLevel)) * 100.0,
                             characterLevel);
        }
        if (mult != 0.0f)
            appendFormat(out, "%+.0f%% %s\n", percentOf(mult), key.c_str());
    }

    for (int j = 0; j < kDynamicStatCount; ++j) {
        std::string key = getDynamicStatName(j, true);
        float change = getDynamicStatChange(j, level);
        if (change > 0.0f) {
            if (j == toIndex(DynamicStat::ExtraPowerGainChance) && characterClass)
                appendFormat(out, "+%.1f%% %s\n", static_cast<double>(change),
                             wrapText("ExtraPowerGainChanceFormat", "%s", powerName.c_str()).c_str());
            else if (j == toIndex(DynamicStat::ExtraDamage))
                appendFormat(out, "+%.0f %s\n", static_cast<double>(change), key.c_str());
            else
                appendFormat(out, "+%.1f%% %s\n", static_cast<double>(change), key.c_str());
        }
        float mult = getDynamicStatMult(j, level);
        if (mult != 0.0f)
            appendFormat(out, "%+.0f%% %s\n", percentOf(mult), key.c_str());
        float defending = getDefendingDynamicStatChange(j, level);
        if (defending > 0.0f)
            appendFormat(out, "%.1f percent less chance of enemy %s\n", static_cast<double>(defending),
                         key.c_str());
        float defendingMult = getDefendingDynamicStatMult(j, level);
        if (defendingMult != 0.0f)
            appendFormat(out, "%+.0f%% chance of enemy %s\n", percentOf(defendingMult), key.c_str());
    }

    float all = getDamageMultAll(level);
    if (all != 0.0f) {
        appendFormat(out, "%+.0f%% damage\n", percentOf(all));
    } else {
        for (int t = 0; t < kDamageTypeCount; ++t) {
            float mult = getDamageMult(t, level);
            if (mult != 0.0f)
                appendFormat(out, "%+.0f%% %s damage\n", percentOf(mult), getDamageTypeName(t).c_str());
        }
    }

    float rage = getDamagePerExtraRage(level);
    if (rage > 0.0f)
        appendFormat(out, "%+.1f extra damage per rage\n", static_cast<double>(rage));
    float cure = getCureEffectStrength(level);
    if (!cureEffectName.empty() && cure > 0.0f)
        appendFormat(out, "Cures %.1f $$%s$$ damage per sec\n", static_cast<double>(cure),
                     cureEffectName.c_str());
    float hate = getHateChange(level);
    if (hate != 0.0f)
        appendFormat(out, "%+.0f enemy hate\n", static_cast<double>(hate));
    // The conditions below test the base values; the numbers are at the level.
    if (powerAdded != 0)
        appendFormat(out, powerAddedOnKill ? "Adds %d %s if killing blow\n" : "Adds %d %s\n",
                     atLevel(&SkillDefinition::powerAdded, level), powerName.c_str());
    if (haltsPowerDrop)
        out += "Halts momentum drop\n";
    if (projMinDamage > 0 || projMaxDamage > 0)
        appendFormat(out, "%d - %d %s damage\n", atLevel(&SkillDefinition::projMinDamage, level),
                     atLevel(&SkillDefinition::projMaxDamage, level),
                     getDamageTypeName(projDamageType).c_str());
    if (projRadiusMinDamage > 0 || projRadiusMaxDamage > 0)
        appendFormat(
            out, "%d - %d %s damage within radius\n", atLevel(&SkillDefinition::projRadiusMinDamage, level),
            atLevel(&SkillDefinition::projRadiusMaxDamage, level), getDamageTypeName(projDamageType).c_str());
    if (minDamage > 0 || maxDamage > 0)
        appendFormat(out, "%d - %d %s damage\n", atLevel(&SkillDefinition::minDamage, level),
                     atLevel(&SkillDefinition::maxDamage, level), getDamageTypeName(damageType).c_str());
    if (heal > 0)
        appendFormat(out, "Healing: %d\n", atLevel(&SkillDefinition::heal, level));
    if (reduceAllHate > 0.0f)
        appendFormat(out, "Reduces hate %.0f%%\n", static_cast<double>(getReduceAllHate(level)) * 100.0);
    if (castTime > 0.0f)
        appendFormat(out, "Cast time: %s\n", timeText(getCastTime(level)).c_str());
    if (reuseTime > 0.0f)
        appendFormat(out, "Reuse time: %s\n", timeText(getReuseTime(level)).c_str());
    if (statusEffect) {
        std::string text;
        statusEffect->getDescription(text, perLevelStatusEffect.get(), level, characterLevel, characterClass);
        out += text;
    }
}

void SkillDefinition::appendRaiseCost(const CounterList& stats, bool moneyHidden, int pointsStat,
                                      std::string& out) const
{
    const int level = getLevelFromStats(stats, pointsStat);
    if ((basicSkill || maxSkillLevel != 0) && level >= getMaxLevel())
        return;
    out += "Cost for next point: ";
    if (statReq == kNoStat) {
        int points = getPointCostAt(level);
        out += color(points > stats.get(toIndex(CharacterStat::SkillPointsLeft)) ? kMissingColor
                                                                                 : kAffordableColor);
        appendFormat(out, "\n  Skill Points: %d", points);
        out += color(kNormalColor);
        if (!moneyHidden) {
            long long money = moneyForPoints(points);
            out += color(money > stats.get(toIndex(CharacterStat::Money)) ? kMissingColor : kAffordableColor);
            appendFormat(out, "\n  Money: %s", formatMoney(money).c_str());
            out += color(kNormalColor);
        }
    } else {
        int needed = getPointsStillNeeded(level, stats);
        out += color(kMissingColor);
        appendFormat(out, "%d more %s", needed, getCharacterStatName(statReq, true).c_str());
        if (statReq == toIndex(CharacterStat::Level) && needed > 1)
            out += "s";
        out += color(kNormalColor);
    }
}

void SkillDefinition::appendLowerCost(const CounterList& stats, int pointsStat, std::string& out) const
{
    const int level = getLevelFromStats(stats, pointsStat);
    int regained = statReq == kNoStat ? getPointCostAt(level > INT32_MIN ? level - 1 : level) : 0;
    long long money = 3 * moneyForPoints(regained);
    out += "Cost to decrease:";
    out += color(money > stats.get(toIndex(CharacterStat::Money)) ? kMissingColor : kAffordableColor);
    appendFormat(out, "\n  Money: %s", formatMoney(money).c_str());
    out += color(kNormalColor);
    appendFormat(out, "\n  Skill Points Regained: %d", regained);
}

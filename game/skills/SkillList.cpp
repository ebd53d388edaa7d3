#include "game/skills/SkillList.h"

#include "game/covenants/StatChangeList.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Sentient.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillDefinition.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kPowerStat = toIndex(CharacterStat::Power);
constexpr int kMinDamageStat = toIndex(CharacterStat::MinDamage);
constexpr int kMaxDamageStat = toIndex(CharacterStat::MaxDamage);
constexpr int kExtraDamage = toIndex(CombatModifier::ExtraDamage);

// A record made by SkillListBase::createSkill is not a Skill: it counts as
// unknown.
const Skill* asSkill(const SkillBase* skill)
{
    return dynamic_cast<const Skill*>(skill);
}

// The level-0 value of a stat multiplier is not a summand: a known skill
// without a level adds nothing.
float statMultAt(const SkillDefinition& definition, int stat, int level)
{
    return level > 0 ? definition.getStatMult(stat, level) : 0.0f;
}

// Whether some level of the definition changes or multiplies the stat: one
// that never does adds nothing, whatever the skill's level.
bool mayChange(const SkillDefinition& definition, int stat)
{
    if (stat < 0 || stat >= SkillDefinition::kStatCount)
        return false;
    const SkillDefinition* perLevel = definition.perLevel;
    return definition.statChanges.get(stat) != 0 || (perLevel && perLevel->statChanges.get(stat) != 0);
}

bool mayMultiply(const SkillDefinition& definition, int stat)
{
    if (stat < 0 || stat >= SkillDefinition::kStatCount)
        return false;
    const SkillDefinition* perLevel = definition.perLevel;
    return definition.statMults.get(stat) != 0 || (perLevel && perLevel->statMults.get(stat) != 0);
}

// mayChange / mayMultiply over the tables' values, for a pass over every
// stat (the same values CounterList::get reads).
bool nonZero(const std::vector<int32_t>& values, int stat)
{
    return static_cast<size_t>(stat) < values.size() && values[static_cast<size_t>(stat)] != 0;
}

struct StatTables {
    const std::vector<int32_t>* base;
    const std::vector<int32_t>* perLevel;
    bool touches(int stat) const { return nonZero(*base, stat) || (perLevel && nonZero(*perLevel, stat)); }
    // Most skills change no stat at all: one sweep says so.
    bool any() const { return anyNonZero(*base) || (perLevel && anyNonZero(*perLevel)); }
    static bool anyNonZero(const std::vector<int32_t>& values)
    {
        int32_t bits = 0;
        for (int32_t v : values)
            bits |= v;
        return bits != 0;
    }
};

StatTables changeTables(const SkillDefinition& definition)
{
    const SkillDefinition* perLevel = definition.perLevel;
    return {&definition.statChanges.values(), perLevel ? &perLevel->statChanges.values() : nullptr};
}

StatTables multTables(const SkillDefinition& definition)
{
    const SkillDefinition* perLevel = definition.perLevel;
    return {&definition.statMults.values(), perLevel ? &perLevel->statMults.values() : nullptr};
}

// Whether a skill's standing (known, equipment met) is the same through a
// whole stat recompute: it reads its points stat, never a derived one.
bool standingHolds(const SkillDefinition& definition)
{
    return definition.basicSkill || definition.statReq == SkillDefinition::kNoStat;
}

// No skill whose standing may change mid-recompute touches the first n
// stats of the tables `tablesOf` picks: only then may they be summed at once.
template <class Skills>
bool unstableTouchNone(const Skills& skills, int n, StatTables (*tablesOf)(const SkillDefinition&))
{
    for (const SkillBase* skill : skills) {
        const SkillDefinition* definition = skill->getDefinition();
        if (definition && !standingHolds(*definition)) {
            const StatTables tables = tablesOf(*definition);
            for (int stat = 0; stat < n && tables.any(); ++stat)
                if (tables.touches(stat))
                    return false;
        }
    }
    return true;
}

} // namespace

SkillBase* SkillList::createSkill()
{
    return new Skill();
}

bool SkillList::counts(const SkillBase* skill, const Sentient* user, bool passiveOnly) const
{
    const Skill* s = asSkill(skill);
    const SkillDefinition* definition = s ? s->getDefinition() : nullptr;
    if (!definition || !user)
        return false;
    if (passiveOnly && !definition->passive)
        return false;
    return s->meetsEquipmentRequirement(user) && s->isKnown(user);
}

void SkillList::sumStatChange(const Sentient* user, int stat, int phase, int& value) const
{
    if (phase != 0 && phase != 1)
        return;
    // A skill that leaves the stat alone is not asked whether it counts.
    for (const SkillBase* skill : getSkills()) {
        const SkillDefinition* definition = skill->getDefinition();
        if (!definition || !mayChange(*definition, stat))
            continue;
        const int change = definition->getStatChange(stat, skill->getLevel());
        if (change != 0 && counts(skill, user, false))
            value += change;
    }
}

float SkillList::sumStatMult(const Sentient* user, int stat) const
{
    float sum = 0.0f;
    for (const SkillBase* skill : getSkills()) {
        const SkillDefinition* definition = skill->getDefinition();
        if (!definition || !mayMultiply(*definition, stat))
            continue;
        const float mult = statMultAt(*definition, stat, skill->getLevel());
        if (mult != 0.0f && counts(skill, user, false))
            sum += mult;
    }
    return sum;
}

bool SkillList::addStatChanges(const Sentient* user, int phase, std::vector<int>& values) const
{
    if (phase != 0 && phase != 1)
        return true;
    const int n = std::min(static_cast<int>(values.size()), SkillDefinition::kStatCount);
    if (!unstableTouchNone(getSkills(), n, changeTables))
        return false;
    for (const SkillBase* skill : getSkills()) {
        const SkillDefinition* definition = skill->getDefinition();
        if (!definition)
            continue;
        const StatTables tables = changeTables(*definition);
        if (!tables.any())
            continue;
        int counted = -1; // asked once, at its first change
        for (int stat = 0; stat < n; ++stat) {
            if (!tables.touches(stat))
                continue;
            const int change = definition->getStatChange(stat, skill->getLevel());
            if (change == 0)
                continue;
            if (counted < 0)
                counted = counts(skill, user, false) ? 1 : 0;
            if (counted == 1)
                values[static_cast<size_t>(stat)] += change;
        }
    }
    return true;
}

bool SkillList::addStatMults(const Sentient* user, std::vector<float>& mults) const
{
    const int n = std::min(static_cast<int>(mults.size()), SkillDefinition::kStatCount);
    if (!unstableTouchNone(getSkills(), n, multTables))
        return false;
    // Each stat's sum takes the skills in the list's order, as sumStatMult.
    for (const SkillBase* skill : getSkills()) {
        const SkillDefinition* definition = skill->getDefinition();
        if (!definition)
            continue;
        const StatTables tables = multTables(*definition);
        if (!tables.any())
            continue;
        int counted = -1;
        for (int stat = 0; stat < n; ++stat) {
            if (!tables.touches(stat))
                continue;
            const float mult = statMultAt(*definition, stat, skill->getLevel());
            if (mult == 0.0f)
                continue;
            if (counted < 0)
                counted = counts(skill, user, false) ? 1 : 0;
            if (counted == 1)
                mults[static_cast<size_t>(stat)] += mult;
        }
    }
    return true;
}

void SkillList::applyPassiveStatChanges(const Sentient* user, int phase, StatChangeList& list) const
{
    if (phase != 1)
        return;
    for (const SkillBase* skill : getSkills()) {
        if (!counts(skill, user, true))
            continue;
        const SkillDefinition* definition = skill->getDefinition();
        int level = skill->getLevel();
        list.add(toIndex(DamageType::Physical), definition->getStatChange(kMinDamageStat, level),
                 definition->getStatChange(kMaxDamageStat, level));
    }
}

float SkillList::sumPassiveStatMult(const Sentient* user, int phase) const
{
    if (phase != 0)
        return 0.0f;
    float sum = 0.0f;
    for (const SkillBase* skill : getSkills())
        if (counts(skill, user, true))
            sum += statMultAt(*skill->getDefinition(), kMaxDamageStat, skill->getLevel());
    return sum;
}

void SkillList::addDynamicStatChanges(const Sentient* user, const SkillBase* skillInUse,
                                      const DatabaseEntry* effect, int phase, int index, float& value) const
{
    if (phase != 0)
        return;
    const SkillDefinition* used = skillInUse ? skillInUse->getDefinition() : nullptr;
    int usedCost = used ? used->getPowerCost(skillInUse->getLevel()) : 0;
    for (const SkillBase* skill : getSkills()) {
        if (!counts(skill, user, true))
            continue;
        const SkillDefinition* definition = skill->getDefinition();
        if (!definition->enhances(skillInUse, effect))
            continue;
        int level = skill->getLevel();
        value += definition->getDynamicStatChange(index, level);
        float perRage = definition->getDamagePerExtraRage(level);
        if (index == kExtraDamage && perRage > 0.0f)
            value += static_cast<float>(user->getStat(kPowerStat) - usedCost) * perRage;
    }
}

float SkillList::sumDynamicStatMult(const Sentient* user, const SkillBase* skillInUse,
                                    const DatabaseEntry* effect, int index) const
{
    float sum = 0.0f;
    for (const SkillBase* skill : getSkills()) {
        if (!counts(skill, user, true))
            continue;
        const SkillDefinition* definition = skill->getDefinition();
        if (definition->enhances(skillInUse, effect))
            sum += definition->getDynamicStatMult(index, skill->getLevel());
    }
    return sum;
}

void SkillList::sumDefendingStatChange(const Sentient* user, int index, int phase, float& value) const
{
    if (phase != 0)
        return;
    for (const SkillBase* skill : getSkills())
        if (counts(skill, user, false))
            value += skill->getDefinition()->getDefendingDynamicStatChange(index, skill->getLevel());
}

float SkillList::sumDefendingStatMult(const Sentient* user, int index) const
{
    float sum = 0.0f;
    for (const SkillBase* skill : getSkills())
        if (counts(skill, user, false))
            sum += skill->getDefinition()->getDefendingDynamicStatMult(index, skill->getLevel());
    return sum;
}

bool SkillList::grantsItemRequirement(const Sentient* user, int requirement) const
{
    for (const SkillBase* skill : getSkills())
        if (counts(skill, user, false) && skill->getDefinition()->itemRequirement == requirement)
            return true;
    return false;
}

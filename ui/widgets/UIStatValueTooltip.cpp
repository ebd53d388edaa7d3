#include "ui/widgets/UIStatValue.h"

#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/Money.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillTree.h"
#include "ui/widgets/WidgetReads.h"

#include <algorithm>
#include <cmath>

// The explaining tooltips of the stat values: what an attribute gives now and
// at the next point, and the combat values against a monster of the player's
// level.

namespace {

int stat(CharacterStat s)
{
    return static_cast<int>(s);
}

// A monster of class type 0 at a level, as the actor set-up derives it.
struct MonsterFigures {
    float attack = 0.0f;
    float defence = 0.0f;
    float averageDamage = 0.0f;
};

MonsterFigures monsterAt(const GameData& data, int level)
{
    MonsterFigures out;
    const MonsterAttributes* attributes = data.getMonsterAttributes(0);
    const CharacterClass* type = data.findCharacterClassById(0);
    if (!attributes) {
        return out;
    }
    const float l = static_cast<float>(level);
    float dexterity = attributes->base[1] + attributes->perLevel[1] * l;
    if (type) {
        out.attack = static_cast<float>(type->attackPerDex) * dexterity;
        out.defence = std::floor(dexterity * type->defensePerDex);
    }
    out.averageDamage = (attributes->minDamage + attributes->maxDamage +
                         (attributes->minDamagePerLevel + attributes->maxDamagePerLevel) * l) /
                        2.0f;
    return out;
}

// The mean share of a monster's average blow that an absorption limit takes.
float absorbedPercent(float limit, float minPercent, float averageDamage)
{
    if (limit <= 0.0f || averageDamage <= 0.0f) {
        return 0.0f;
    }
    float mean = limit * (1.0f + minPercent) / 2.0f;
    return std::min(mean / averageDamage, 1.0f) * 100.0f;
}

template <typename Visit> void forEachClassSkill(const CharacterClass& type, Visit visit)
{
    for (int tree = 0; tree < type.getSkillTreeCount(); ++tree) {
        const SkillTree* skills = type.skillTrees[static_cast<size_t>(tree)].tree;
        for (int slot = 0; skills && slot < skills->getSkillCount(); ++slot) {
            if (const SkillDefinition* skill = skills->getSkill(slot)) {
                visit(tree, slot, *skill);
            }
        }
    }
}

// "Next bonus skill:" of an attribute: the class's skill raised by the
// attribute's base stat that needs the fewest further points.
std::string nextBonusSkill(const ClientView& view, const CharacterClass& type, int attribute,
                           const std::string& attributeName)
{
    const int baseStat = stat(CharacterStat::BaseStrength) + attribute;
    const int base = view.getPlayerStat(baseStat);
    CounterList stats(kCharacterStatCount);
    stats.set(baseStat, base);
    const SkillDefinition* best = nullptr;
    int bestNeeded = 0, bestLevel = 0;
    forEachClassSkill(type, [&](int, int, const SkillDefinition& skill) {
        if (skill.statReq != baseStat) {
            return;
        }
        int level = skill.levelFromStatValue(base);
        int needed = skill.getPointsStillNeeded(level, stats);
        if (needed > 0 && (!best || needed < bestNeeded)) {
            best = &skill;
            bestNeeded = needed;
            bestLevel = level;
        }
    });
    if (!best) {
        return std::string();
    }
    return "Next bonus skill:\n" + formatString("  %s level %d at %d base %s", best->getShownName().c_str(),
                                                bestLevel + 1, base + bestNeeded, attributeName.c_str());
}

} // namespace

int UIStatValue::skillAttributeBonus(const ClientView& view, int attributeStat)
{
    const CharacterClass* type = view.getPlayerClass();
    if (!type) {
        return 0;
    }
    int bonus = 0;
    // As the server counts them: known skills whose equipment is worn.
    forEachClassSkill(*type, [&](int tree, int slot, const SkillDefinition& skill) {
        const SkillBase* record = view.getPlayerSkill(tree, slot);
        int level = view.getPlayerSkillLevel(tree, slot);
        if (level > 0 && (!record || record->meetsEquipmentRequirement(record->getOwner()))) {
            bonus += skill.getStatChange(attributeStat, level);
        }
    });
    return bonus;
}

std::string UIStatValue::tooltipLines() const
{
    ClientView* view = widgetClientView();
    const GameData* data = GameData::instance();
    const std::string title = !m_highlightText.empty() ? m_highlightText : "$$" + m_statName + "$$";
    const auto type = static_cast<StatType>(m_statType);
    const int v = getStatValue(false);
    if (type == StatType::Covenant && m_statIndex == static_cast<int>(CovenantStat::Money)) {
        return "Money\n\n" + formatString("%d crystals", v);
    }
    if (type == StatType::Other && m_statIndex == static_cast<int>(StatOtherIndex::Dps)) {
        return "DPS\n\n" + formatString("%.1f damage per second", static_cast<double>(v));
    }
    if (type != StatType::Normal || !view) {
        return title;
    }
    const CharacterClass* cls = view->getPlayerClass();
    const int level = view->getPlayerStat(stat(CharacterStat::Level));
    const int attribute = m_statIndex - stat(CharacterStat::Strength);
    const std::string current = "Current amount: " + buildText(true) + "\n";
    std::string out = title + "\n\n";

    if (attribute >= 0 && attribute < 5) {
        const int base = view->getPlayerStat(stat(CharacterStat::BaseStrength) + attribute);
        const bool baseMaxed = data &&
                               base >= data->rules().maxBaseAttributes[static_cast<size_t>(attribute)] &&
                               m_maxedColor != 0;
        out += "Base amount: " + (baseMaxed ? formatColorCode(m_maxedColor) : std::string()) +
               std::to_string(base) + (baseMaxed ? formatColorCode(145) : std::string()) + "\n";
        out += current;
        if (!cls) {
            return out;
        }
        const std::string power = cls->powerName;
        auto lines = [&](int value) {
            const double x = value;
            switch (static_cast<CharacterStat>(m_statIndex)) {
            case CharacterStat::Strength:
                return formatString("  +%.1f%% damage\n\n", x * cls->damageMultPerStr * 100.0);
            case CharacterStat::Dexterity:
                return formatString("  +%d defense\n", static_cast<int>(std::floor(cls->defensePerDex * x))) +
                       formatString("  +%d attack\n\n", cls->attackPerDex * value);
            case CharacterStat::Vitality:
                return formatString("  +%.1f health\n\n", x * cls->healthPerVit);
            case CharacterStat::Intelligence: {
                std::string text;
                if (cls->powerPerInt * value > 0) {
                    text += formatString("  +%d %s\n", cls->powerPerInt * value, power.c_str());
                }
                if (cls->powerRegenPerInt > 0.0f) {
                    text += formatString("  +%.2f %s regen every second\n",
                                         cls->basePowerRegen + cls->powerRegenPerInt * x, power.c_str());
                }
                return text +
                       formatString("  +%.1f%% critical hit/spell chance\n\n", x * cls->criticalPerInt);
            }
            default: {
                std::string text;
                if (cls->powerRegenPerSpr > 0.0f) {
                    text += formatString("  +%.1f %s regen every second\n",
                                         cls->basePowerRegen + cls->powerRegenPerSpr * x, power.c_str());
                }
                text += formatString("  +%.1f to elemental resistances\n", x * cls->resistancePerSpr);
                if (cls->powerPerSpr * value != 0) {
                    text += formatString("  +%d %s\n", cls->powerPerSpr * value, power.c_str());
                }
                return text + "\n";
            }
            }
        };
        out += lines(v);
        out += formatString("At %d %s:\n", v + 1, title.c_str());
        out += lines(v + 1);
        out += nextBonusSkill(*view, *cls, attribute, title);
        return out;
    }

    const MonsterFigures monster = data ? monsterAt(*data, level) : MonsterFigures();
    switch (static_cast<CharacterStat>(m_statIndex)) {
    case CharacterStat::Power:
        return buildText(true);
    case CharacterStat::Attack:
        return out + current +
               formatString("  %.0f%% chance to hit level %d monster",
                            computeHitChance(static_cast<float>(v), monster.defence) * 100.0f, level);
    case CharacterStat::Defense:
        return out + current +
               formatString("  %.0f%% chance level %d monster will hit you",
                            computeHitChance(monster.attack, static_cast<float>(v)) * 100.0f, level);
    case CharacterStat::Armor: {
        float percent = data ? absorbedPercent(armorAbsorbLimit(data->rules(), static_cast<float>(v)),
                                               data->rules().armorMinAbsorbPercent, monster.averageDamage)
                             : 0.0f;
        return out + current +
               formatString("  On average, absorb %.1f%% damage from a level %d monster", percent, level);
    }
    case CharacterStat::MinDamage:
        return "Damage\n\n" +
               formatString("%d %s %d damage per successul hit", v, m_divider.c_str(), getStatValue(true));
    case CharacterStat::Money:
        return "Money\n\n" + buildText(true) + "\n\n";
    case CharacterStat::ResistanceFire:
    case CharacterStat::ResistanceCold:
    case CharacterStat::ResistancePoison:
    case CharacterStat::ResistanceLightning:
    case CharacterStat::ResistanceMagic: {
        float percent =
            data ? absorbedPercent(resistanceAbsorbLimit(data->rules(), static_cast<float>(v), false),
                                   data->rules().resistanceMinAbsorbPercent, monster.averageDamage)
                 : 0.0f;
        return out + current +
               formatString("  On average, absorb %.1f%% %s damage from a level %d monster", percent,
                            getDamageTypeName(statToDamageType(m_statIndex)).c_str(), level);
    }
    default:
        return title;
    }
}

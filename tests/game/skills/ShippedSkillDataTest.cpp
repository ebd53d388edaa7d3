#include "engine/core/ColorCodes.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/Money.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillTestData.h"
#include "game/skills/StatusEffectBase.h"
#include "support/ProgramRunner.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace {

class ShippedSkills : public ::testing::Test {
protected:
    const DatabaseEntry* entry(const std::string& name) const { return Database::get().findEntry(name); }
    bool isSkill(const std::string& name) const
    {
        return GameData::get().findSkillDefinition(name) != nullptr;
    }

    ShippedSkillData shipped;
};

TEST_F(ShippedSkills, LoadWithoutWarnings)
{
    ASSERT_TRUE(shipped.loaded);
    for (const LogCapture::Line& line : shipped.log.lines())
        EXPECT_LT(line.level, 2) << line.text;
    EXPECT_GT(GameData::get().getSkillDefinitions().size(), 60u);
    EXPECT_TRUE(shipped.log.contains(
        formatString("%zu skill definitions", GameData::get().getSkillDefinitions().size())));
    const GameRules& rules = GameData::get().rules();
    EXPECT_FLOAT_EQ(rules.worthHealthChange, 1.0f);
    EXPECT_FLOAT_EQ(rules.worthAttributeChange, 2.0f);
    EXPECT_FLOAT_EQ(rules.moneyPerSkillPoint, 25.0f);
}

TEST_F(ShippedSkills, NamesResolve)
{
    ASSERT_TRUE(shipped.loaded);
    const GameData& data = GameData::get();
    // Classes name their trees, trees name their skills.
    for (int id = 0; id < kPlayerClassCount; ++id) {
        const CharacterClass* c = data.findCharacterClassById(id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->getSkillTreeCount(), 3) << c->name;
        bool hasBasic = false;
        for (const ClassSkillTree& tree : c->skillTrees) {
            const DatabaseEntry* e = entry(tree.name);
            ASSERT_NE(e, nullptr) << tree.name;
            EXPECT_EQ(e->getTypeInherited(), toIndex(DatabaseEntryType::SkillTree)) << tree.name;
            EXPECT_GE(tree.skillCount, 3) << tree.name;
            EXPECT_LE(tree.skillCount, 5) << tree.name;
            const std::vector<std::string> skills = DefinitionReader(e).getStringList("Skill");
            for (const std::string& skill : skills) {
                ASSERT_TRUE(isSkill(skill)) << skill;
                const SkillDefinition* definition = data.findSkillDefinition(skill);
                hasBasic |= definition->basicSkill;
                // The page and its hints name it in words, not by its key.
                EXPECT_FALSE(definition->baseName.empty()) << skill;
                EXPECT_NE(definition->getShownName(), definition->name) << skill;
            }
            // The hot-bar tutorial asks for a skill besides the basic attack,
            // and its test takes the first skill of the first tree for it.
            if (&tree == &c->skillTrees.front()) {
                ASSERT_FALSE(skills.empty()) << tree.name;
                EXPECT_TRUE(data.findSkillDefinition(skills.front())->basicSkill) << tree.name;
            }
            for (const std::string& skill : DefinitionReader(e).getStringList("StartingSkills"))
                EXPECT_TRUE(isSkill(skill)) << skill;
        }
        EXPECT_TRUE(hasBasic) << c->name;
    }
    // Monster skills and enhancements.
    auto checkSkills = [&](const std::vector<std::string>& names, const std::string& owner) {
        for (const std::string& name : names)
            EXPECT_TRUE(isSkill(name)) << owner << ": " << name;
    };
    auto checkEnhancements = [&](const std::vector<std::string>& names, const std::string& owner) {
        for (const std::string& name : names) {
            const DatabaseEntry* e = entry(name);
            ASSERT_NE(e, nullptr) << owner << ": " << name;
            EXPECT_EQ(e->getTypeInherited(), toIndex(DatabaseEntryType::MonsterEnhancement)) << name;
        }
    };
    for (const auto& archetype : data.getMonsterArchetypes()) {
        checkSkills(archetype->skills, archetype->name);
        checkSkills(archetype->requiredSkills, archetype->name);
        checkSkills(archetype->randomSkills, archetype->name);
        if (!archetype->deathSkill.empty())
            checkSkills({archetype->deathSkill}, archetype->name);
        checkEnhancements(archetype->enhancements, archetype->name);
    }
    for (const auto& type : data.getMonsterTypes()) {
        checkSkills(type->skills, type->name);
        if (!type->deathSkill.empty())
            checkSkills({type->deathSkill}, type->name);
        checkEnhancements(type->enhancements, type->name);
    }
    // Every SkillType is used by some skill.
    std::vector<bool> used(8, false);
    for (const auto& skill : data.getSkillDefinitions())
        used[static_cast<size_t>(skill.definition->skillType)] = true;
    for (size_t t = 0; t < used.size(); ++t)
        EXPECT_TRUE(used[t]) << t;
}

TEST_F(ShippedSkills, EffectRules)
{
    ASSERT_TRUE(shipped.loaded);
    const Database& db = Database::get();
    std::map<std::string, const DatabaseEntry*> byName;
    int count = 0;
    for (const DatabaseEntry* e : DefinitionReader::entriesOfType(toIndex(DatabaseEntryType::StatusEffect))) {
        ++count;
        StatusEffectBase effect;
        effect.setEntry(e, 1, nullptr);
        byName[effect.name] = e;
        // Every applied effect builds on the template (per-level entries are never applied).
        if (!e->getName().ends_with("PerLevel")) {
            EXPECT_GE(effect.alpha, 0.4f) << e->getName();
        }
        if (db.findField(e, "PerLevel")) {
            EXPECT_NE(effect.perLevelEntry, nullptr) << e->getName();
        }
        if (effect.effectType != toIndex(StatusEffectType::Normal)) {
            EXPECT_FALSE(effect.groupName.empty()) << e->getName();
        }
        if (effect.aura) {
            ASSERT_NE(effect.auraStatusEffect, nullptr) << e->getName();
            StatusEffectBase child;
            child.setEntry(effect.auraStatusEffect, 1, nullptr);
            EXPECT_NE(child.effectType, toIndex(StatusEffectType::Normal)) << e->getName();
        }
        if (effect.checkSuccess) {
            EXPECT_NE(effect.successEndEffect, nullptr) << e->getName();
        }
    }
    EXPECT_GT(count, 20);
    for (const auto& skill : GameData::get().getSkillDefinitions()) {
        const SkillDefinition& d = *skill.definition;
        if (db.findField(skill.entry, "StatusEffect")) {
            EXPECT_NE(d.getStatusEffect()->getEntry(), nullptr) << skill.name;
        }
        if (d.cureEffectName.empty())
            continue;
        auto cured = byName.find(d.cureEffectName);
        ASSERT_NE(cured, byName.end()) << d.cureEffectName;
        StatusEffectBase effect;
        effect.setEntry(cured->second, 1, nullptr);
        EXPECT_EQ(effect.groupName, effect.name);
    }
    // Damage over time of every damage type.
    for (int t = 0; t < kDamageTypeCount; ++t) {
        StatusEffectBase dot;
        dot.setEntry(entry("StatusEffectBasic" + getDamageTypeName(t)), 10, nullptr);
        EXPECT_EQ(dot.damageType, t);
        EXPECT_FLOAT_EQ(dot.healthChange, -2.5f);
    }
}

TEST_F(ShippedSkills, EffectsAtLevelsKindsAndWorth)
{
    ASSERT_TRUE(shipped.loaded);
    StatusEffectBase venom1, venom3, regen, regenOther, renew;
    venom1.setEntry(entry("StatusEffectVenom"), 1, nullptr);
    venom3.setEntry(entry("StatusEffectVenom"), 3, nullptr);
    EXPECT_FLOAT_EQ(venom1.healthChange, -4.0f);
    EXPECT_FLOAT_EQ(venom3.healthChange, -8.0f);
    EXPECT_FLOAT_EQ(venom3.totalTime, 14.0f);
    EXPECT_TRUE(venom1.isSameKind(&venom3));
    regen.setEntry(entry("StatusEffectBasicRegen"), 1, nullptr);
    regenOther.setEntry(entry("StatusEffectBasicRegen"), 2, nullptr);
    EXPECT_TRUE(regen.isSameKind(&regenOther));
    EXPECT_FALSE(regen.isSameKind(&venom1));
    // 1.0 × −4 × 5 ticks
    EXPECT_FLOAT_EQ(venom1.getWorth(), -20.0f);
    renew.setEntry(entry("StatusEffectRenew"), 3, nullptr);
    EXPECT_FLOAT_EQ(renew.getWorth(), 8.0f * 4.0f);
}

TEST_F(ShippedSkills, PriestHealTooltip)
{
    ASSERT_TRUE(shipped.loaded);
    const SkillDefinition* heal = GameData::get().findSkillDefinition("PriestHeal");
    ASSERT_NE(heal, nullptr);
    CounterList stats(112);
    stats.set(10, 2);
    stats.set(94, 5);
    stats.set(96, 1000);
    const CharacterClass* priest =
        GameData::get().findCharacterClassById(toIndex(CharacterClassType::Priest));
    std::string out;
    heal->getTooltip(stats, priest, 10, false, out);
    const std::string expected =
        "^f006Heal 2\nMends the wounds of the priest or a friend.\n\n"
        "Target: Self or friend\nRange: 0 to 20 feet\n\n"
        "At current skill level (2)\nFaith needed: 12\nHealing: 45\nCast time: 2 seconds\n"
        "\nAt next skill level (3)\nFaith needed: 14\nHealing: 60\nCast time: 2 seconds\n"
        "Max skill level: 10\n"
        "Cost for next point: " +
        formatColorCode(2) + "\n  Skill Points: 3" + formatColorCode(145) + formatColorCode(2) +
        "\n  Money: " + formatMoney(75) + formatColorCode(145);
    EXPECT_EQ(out, expected);

    // The heal reaches a tenth of the target's maximum health on top.
    EXPECT_EQ(heal->getHealAmount(2, nullptr), 45);
}

TEST_F(ShippedSkills, WardenSetItemDescribesItsSetEffects)
{
    ASSERT_TRUE(shipped.loaded);
    ItemBase helm;
    helm.setItemEntry(entry("WardenHelm"));
    std::string tooltip;
    helm.getTooltip(nullptr, TooltipContext{}, tooltip);
    StatusEffectBase partial;
    partial.setEntry(entry("WardenSetPartial"), 1, nullptr);
    std::string description;
    partial.getDescription(description, nullptr, 1, 0, nullptr);
    EXPECT_EQ(description, "+5 $$Vitality$$\n+10 $$Armor$$\n");
    EXPECT_NE(tooltip.find("\nWith 2 items:\n" + description), std::string::npos) << tooltip;
    EXPECT_NE(tooltip.find("+10 $$Vitality$$\n+10% $$Defense$$\n+5 $$ResistancePhysical$$\n"),
              std::string::npos)
        << tooltip;
}

} // namespace

namespace {

// The program started on the shipped data, as a player would, logs the skill
// definitions it loaded and no error.
TEST(ShippedSkillsProgram, HeadlessStartLogsTheSkillCount)
{
    TempDir user;
    user.write("user.cfg", "developer 1\n");
    RunResult run = runProgram(
        {"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "quit\n", true);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string log = readFile(user.file("log.txt"));
    EXPECT_NE(log.find(" skill definitions\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" 0 errors"), std::string::npos) << log;
}

} // namespace

#include "engine/core/ColorCodes.h"
#include "engine/data/Database.h"
#include "game/definitions/Money.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillTestData.h"
#include "game/skills/StatusEffectBase.h"

#include <gtest/gtest.h>

namespace {

const char* const kData = R"(
Ranged {
    Type Skill
    BaseName "Ranged"
    MinRange 32
    MaxRange 320
    NeedsEnemy 1
    Power 5
    BaseCost 1
}
Mults {
    Type Skill
    BaseName "Mults"
    Passive 1
    StatMultStrength -1.0
    StatMultVitality 0.25
    StatChangeArmor -3
    DynamicStatChangeCriticalHit -2
}
Capped {
    Type Skill
    BaseName "Capped"
    MaxSkillLevel 2
    BaseCost 1
}
States {
    Type Skill
    BaseName "States"
    RequiredEntityState-One Block Parry Dodge
    RequiredEntityState-All Hit Stealthed
}
Distracted {
    Type Skill
    BaseName "Distracted"
    RequiredEntityState-One EnemyMajorDistraction EnemyDecentDistraction EnemyMinorDistraction
}
Prayer {
    Type StatusEffect
    Forever 1
    PowerChange 2
    TickTime 3
}
Growing {
    Type StatusEffect
    PerLevel GrowingPerLevel
    StatChangeStrength 2
}
GrowingPerLevel {
    Type StatusEffect
    StatMultStrength 0.5
    StatChangeStrength 1
}
Huge {
    Type Skill
    BaseCost 2147483647
    CostIncreasePerLevel 2147483647
}
Lowered {
    Type Skill
    BaseCost 2
    CostIncreasePerLevel 3
}
Level5 {
    Type Skill
    StatReq Level
    PointsReq 5
}
Poison {
    Type StatusEffect
    HealthChange -4
    TickTime 2
    TotalTime 10
}
Freeze {
    Type StatusEffect
    CantAttack 1
    CantUseSkills 1
    CantMove 1
}
Halt {
    Type StatusEffect
    CantAttack 1
    CantMove 1
}
Timed {
    Type StatusEffect
    TotalTime 30
    StrengthTime 10
    StrengthEffectEasy 1.5
    StatMultDefense -0.5
    StatMultArmor 0.25
}
Empty {
    Type StatusEffect
}
NoTicks {
    Type StatusEffect
    HealthChange 3
    PowerChange 2
    TotalTime 10
}
)";

class SkillText : public ::testing::Test {
protected:
    SkillText() : data(kData), stats(112) {}

    const SkillDefinition& def(const char* name) const { return *GameData::get().findSkillDefinition(name); }

    std::string describe(const char* name, int enemyLevel = 0) const
    {
        StatusEffectBase effect;
        effect.setEntry(Database::get().findEntry(name), 1, nullptr);
        std::string text = "stale";
        effect.getDescription(text, nullptr, 1, enemyLevel, nullptr);
        return text;
    }

    std::string tooltip(const char* name, int pointsStat = 10, bool moneyHidden = false) const
    {
        std::string out;
        def(name).getTooltip(stats, nullptr, pointsStat, moneyHidden, out);
        return out;
    }

    SkillTestData data;
    CounterList stats;
};

TEST_F(SkillText, RangeTargetAndMissingSkill)
{
    std::string text = tooltip("Ranged");
    EXPECT_EQ(text, "^f006Ranged\n\nPower needed: 5\nTarget: Current enemy\nRange: 2 to 20 feet\n\n" +
                        formatColorCode(1) + "Don't have this skill\n" + formatColorCode(145) +
                        "\nAt next skill level (1)\nCost for next point: " + formatColorCode(1) +
                        "\n  Skill Points: 1" + formatColorCode(145) + formatColorCode(1) +
                        "\n  Money: " + formatMoney(25) + formatColorCode(145));
    std::string hidden = tooltip("Ranged", 10, true);
    EXPECT_EQ(hidden.find("Money"), std::string::npos);
}

TEST_F(SkillText, MultipliersAndNegativeChanges)
{
    stats.set(10, 1);
    std::string text = tooltip("Mults");
    EXPECT_NE(text.find("^c121Passive skill^c145"), std::string::npos);
    EXPECT_NE(text.find("-50% $$Strength$$\n"), std::string::npos);
    EXPECT_NE(text.find("+25% $$Vitality$$\n"), std::string::npos);
    EXPECT_EQ(text.find("Armor"), std::string::npos);
    EXPECT_EQ(text.find("CriticalHit"), std::string::npos);
    EXPECT_NE(describe("Timed").find("\n-33% $$Defense$$\n"), std::string::npos);
    EXPECT_NE(describe("Timed").find("\n+25% $$Armor$$\n"), std::string::npos);
}

TEST_F(SkillText, MaxedSkillsAndCosts)
{
    stats.set(10, 2);
    std::string text = tooltip("Capped");
    EXPECT_NE(text.find("Skill maxed"), std::string::npos);
    EXPECT_EQ(text.find("Cost for next point"), std::string::npos);
    stats.set(10, 1);
    text = tooltip("Capped");
    EXPECT_NE(text.find("\nAt next skill level (2)\nMax skill level: 2\n"), std::string::npos);
    // A skill without a maximum is never maxed and shows no maximum.
    stats.set(10, 50);
    text = tooltip("Ranged");
    EXPECT_EQ(text.find("Max skill level"), std::string::npos);
    EXPECT_NE(text.find("Skill Points: 1"), std::string::npos);

    stats.set(10, 1);
    stats.set(96, 1000);
    std::string lower;
    def("Lowered").appendLowerCost(stats, 10, lower);
    EXPECT_EQ(lower, "Cost to decrease:" + formatColorCode(2) + "\n  Money: " + formatMoney(150) +
                         formatColorCode(145) + "\n  Skill Points Regained: 2");

    stats.set(84, 2);
    std::string raise;
    def("Level5").appendRaiseCost(stats, false, 0, raise);
    EXPECT_EQ(raise,
              "Cost for next point: " + formatColorCode(1) + "3 more $$Level$$s" + formatColorCode(145));
    stats.set(84, 4);
    raise.clear();
    def("Level5").appendRaiseCost(stats, false, 0, raise);
    EXPECT_EQ(raise,
              "Cost for next point: " + formatColorCode(1) + "1 more $$Level$$" + formatColorCode(145));
}

TEST_F(SkillText, RequiredStates)
{
    std::string text = tooltip("States");
    EXPECT_NE(
        text.find(
            "\nRequires one: $$Block$$, $$Parry$$,\n  or $$Dodge$$\nRequires all: $$Hit$$ $$Stealthed$$\n"),
        std::string::npos)
        << text;
    // The weaker distraction covers the stronger ones.
    text = tooltip("Distracted");
    EXPECT_NE(text.find("\nRequires: at least $$EnemyMinorDistraction$$\n"), std::string::npos) << text;
}

TEST_F(SkillText, ForeverEffectsAndPerLevelGrowth)
{
    EXPECT_EQ(describe("Prayer"), "2.0 Power every 3 seconds\n");
    StatusEffectBase growing;
    growing.setEntry(Database::get().findEntry("Growing"), 1, nullptr);
    StatusEffectBase perLevel;
    perLevel.setEntry(Database::get().findEntry("GrowingPerLevel"), 1, nullptr);
    std::string text;
    // The multiplier is 0 in the effect itself: no multiplier line at any level.
    growing.getDescription(text, &perLevel, 3, 0, nullptr);
    EXPECT_EQ(text, "+4 $$Strength$$\n");
}

TEST_F(SkillText, HostileNumbersSaturate)
{
    // Costs and levels from data and stat tables are not trusted.
    EXPECT_EQ(def("Huge").getPointCostAt(5), 2147483647);
    EXPECT_EQ(def("Huge").getPointCostAt(-5), -2147483647 - 1);
    for (int points : {2147483647, -2147483647 - 1}) {
        stats.set(10, points);
        std::string text;
        def("Huge").getTooltip(stats, nullptr, 10, false, text);
        def("Huge").appendLowerCost(stats, 10, text);
        EXPECT_NE(text.find("Skill Points"), std::string::npos);
    }
}

TEST_F(SkillText, EffectDescriptions)
{
    EXPECT_EQ(describe("Poison"), "Duration: 10 seconds\n4.0 damage every 2 seconds\n");
    EXPECT_EQ(describe("Freeze"), "Freezes target\n");
    EXPECT_EQ(describe("Halt"), "Prevents movement\n");
    EXPECT_EQ(describe("Empty"), "");
    // Factor 1 + 0.5 × (10 − 8) doubles 30 seconds.
    EXPECT_EQ(describe("Timed", 8).rfind("Duration: 1 minute (lvl 8 enemy)\n", 0), 0u);
    // Without a tick time there is no tick count: no "every" or "over" lines.
    EXPECT_EQ(describe("NoTicks"), "Duration: 10 seconds\n");
}

} // namespace

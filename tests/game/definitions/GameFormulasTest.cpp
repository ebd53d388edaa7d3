#include "game/definitions/GameFormulas.h"

#include "game/definitions/GameData.h"
#include "support/TestSupport.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

// Levels 2, 3, 4 multiply the need by 1.5, 2 and 3; MaxLevel 4.
class GameFormulas : public ::testing::Test {
protected:
    GameFormulas()
    {
        GameRules& r = data.mutableRules();
        r.maxLevel = 4;
        r.baseXpNeededEachLevel = 100.0f;
        r.xpMultEachLevel = {1.0f, 1.0f, 1.5f, 2.0f, 3.0f};
        r.minSellPercent = 0.1f;
        r.maxSellPercent = 0.5f;
        r.minSellPercentPrice = 1000;
    }
    GameData data;
};

} // namespace

TEST_F(GameFormulas, XpNeededForLevelMultipliesUpToMaxLevel)
{
    EXPECT_EQ(xpNeededForLevel(-3), 100);
    EXPECT_EQ(xpNeededForLevel(0), 100);
    EXPECT_EQ(xpNeededForLevel(1), 100);
    EXPECT_EQ(xpNeededForLevel(2), 150); // 100 × 1.5
    EXPECT_EQ(xpNeededForLevel(3), 300); // 100 × 1.5 × 2
    EXPECT_EQ(xpNeededForLevel(4), 900); // 100 × 1.5 × 2 × 3
    EXPECT_EQ(xpNeededForLevel(5), 900); // capped at MaxLevel 4
    EXPECT_EQ(xpNeededForLevel(99), 900);

    data.mutableRules().baseXpNeededEachLevel = 100.2f;
    EXPECT_EQ(xpNeededForLevel(1), 101); // ceil(100.2)
    EXPECT_EQ(xpNeededForLevel(2), 151); // ceil(150.3)

    // Hostile values: the need saturates and is never negative.
    data.mutableRules().baseXpNeededEachLevel = 1.0e30f;
    EXPECT_EQ(xpNeededForLevel(4), 2147483647);
    data.mutableRules().baseXpNeededEachLevel = -50.0f;
    EXPECT_EQ(xpNeededForLevel(2), 0);
}

TEST_F(GameFormulas, ExperienceMultiplierBetweenLevelsBothWays)
{
    EXPECT_FLOAT_EQ(experienceMultiplierBetweenLevels(4, 2), 6.0f); // levels 3 and 4: 2 × 3
    EXPECT_FLOAT_EQ(experienceMultiplierBetweenLevels(4, 1), 9.0f); // 1.5 × 2 × 3
    EXPECT_FLOAT_EQ(experienceMultiplierBetweenLevels(3, 2), 2.0f);
    EXPECT_FLOAT_EQ(experienceMultiplierBetweenLevels(2, 4), 1.0f);
    EXPECT_FLOAT_EQ(experienceMultiplierBetweenLevels(3, 3), 1.0f);
    // Levels past the table count as 1.0.
    EXPECT_FLOAT_EQ(experienceMultiplierBetweenLevels(10, 3), 3.0f);
}

TEST_F(GameFormulas, MissingLevelFactorDoesNotZeroLaterLevels)
{
    data.mutableRules().xpMultEachLevel = {1.0f, 1.0f, 1.5f, 0.0f, 3.0f};
    EXPECT_EQ(xpNeededForLevel(3), 150);
    EXPECT_EQ(xpNeededForLevel(4), 450);
    EXPECT_FLOAT_EQ(experienceMultiplierBetweenLevels(4, 2), 3.0f);
}

TEST(GameFormulasPlain, DamagePerSecond)
{
    EXPECT_FLOAT_EQ(damagePerSecond(10, 20, 1500), 10.0f); // 30 / (2 × 1.5)
    EXPECT_FLOAT_EQ(damagePerSecond(1, 1, 1000), 1.0f);
    EXPECT_FLOAT_EQ(damagePerSecond(0, 20, 1000), 0.0f);
    EXPECT_FLOAT_EQ(damagePerSecond(10, 0, 1000), 0.0f);
    EXPECT_FLOAT_EQ(damagePerSecond(10, 20, 0), 0.0f);
    EXPECT_FLOAT_EQ(damagePerSecond(10, 20, -500), 0.0f);
    // Saturated damage stats do not overflow when summed.
    EXPECT_FLOAT_EQ(damagePerSecond(INT_MAX, INT_MAX, 1000), 2147483647.0f);

    std::vector<int32_t> stats(kCharacterStatCount, 0);
    stats[toIndex(CharacterStat::MinDamage)] = 4;
    stats[toIndex(CharacterStat::MaxDamage)] = 6;
    stats[toIndex(CharacterStat::AttackSpeed)] = 500;
    EXPECT_FLOAT_EQ(damagePerSecond(stats), 10.0f); // 10 / (2 × 0.5)
    stats.resize(80);                               // damage stats missing
    EXPECT_FLOAT_EQ(damagePerSecond(stats), 0.0f);
}

TEST(GameFormulasPlain, LevelDifferenceChance)
{
    EXPECT_FLOAT_EQ(levelDifferenceChance(10, 10), 0.5f);
    EXPECT_FLOAT_EQ(levelDifferenceChance(12, 10), 0.6f);
    EXPECT_FLOAT_EQ(levelDifferenceChance(5, 10), 0.25f);
    EXPECT_FLOAT_EQ(levelDifferenceChance(20, 10), 1.0f);
    EXPECT_FLOAT_EQ(levelDifferenceChance(30, 10), 1.0f); // 1.5 clamped
    EXPECT_FLOAT_EQ(levelDifferenceChance(0, 20), 0.0f);  // -0.5 clamped
    EXPECT_FLOAT_EQ(levelDifferenceChance(INT_MAX, -5), 1.0f);
    EXPECT_FLOAT_EQ(levelDifferenceChance(INT_MIN, 5), 0.0f);
}

TEST(GameFormulasPlain, ComputeHitChance)
{
    // a = 10: x = 15
    EXPECT_NEAR(computeHitChance(10, 5), 10.0f / 15 + 0.5f * 5 / 15, 1e-6); // 0.8333
    EXPECT_NEAR(computeHitChance(10, 15), 0.5f, 1e-6);                      // x = d
    EXPECT_NEAR(computeHitChance(10, 30), 0.25f, 1e-6);                     // 1 − (15/30 + 0.5 × 15/30)
    EXPECT_NEAR(computeHitChance(10, 0), 1.0f, 1e-6);                       // d = 0
    EXPECT_NEAR(computeHitChance(0, 10), 0.0f, 1e-6);                       // a = 0
    // x = d = 0 divided by zero before; now even odds.
    EXPECT_FLOAT_EQ(computeHitChance(0, 0), 0.5f);
    EXPECT_FLOAT_EQ(computeHitChance(0.5f, 0), 0.5f); // trunc(0.75) = 0
    EXPECT_FLOAT_EQ(computeHitChance(-4, -2), 0.5f);
}

TEST(GameFormulasPlain, DamageTypesAndResistanceStats)
{
    LogCapture log;
    EXPECT_EQ(damageTypeToStat(0), CharacterStat::ResistancePhysical);
    EXPECT_EQ(damageTypeToStat(5), CharacterStat::ResistanceMagic);
    EXPECT_EQ(statToDamageType(toIndex(CharacterStat::ResistanceCold)), 2);
    EXPECT_EQ(statToDamageType(toIndex(CharacterStat::Armor)), -1);
    EXPECT_EQ(statToDamageType(103), -1);
    EXPECT_EQ(statToDamageType(INT_MIN), -1);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(damageTypeToStat(6), CharacterStat::None);
    EXPECT_TRUE(log.contains("Can't convert DamageType 6 to a stat", 3));
    EXPECT_EQ(damageTypeToStat(-1), CharacterStat::None);
}

TEST_F(GameFormulas, LerpByLevelFallsToMinimum)
{
    EXPECT_FLOAT_EQ(lerpByLevel(0), 0.5f);
    EXPECT_FLOAT_EQ(lerpByLevel(500), 0.3f);  // 0.5 − 0.4 × 0.5
    EXPECT_FLOAT_EQ(lerpByLevel(250), 0.4f);  // 0.5 − 0.4 × 0.25
    EXPECT_FLOAT_EQ(lerpByLevel(1000), 0.1f); // at the price
    EXPECT_FLOAT_EQ(lerpByLevel(5000), 0.1f); // beyond it
    // A zero span gives the end value instead of dividing by zero.
    data.mutableRules().minSellPercentPrice = 0;
    EXPECT_FLOAT_EQ(lerpByLevel(0), 0.1f);
    EXPECT_FLOAT_EQ(lerpByLevel(300), 0.1f);
}

TEST(GameFormulasPlain, MonsterRecordPacking)
{
    EXPECT_EQ(packMonsterRecordInfo(12, 5, 30), 12 | (5 << 8) | (30 << 16));
    std::vector<int32_t> values(4, 7);
    storeMonsterRecord(values, 0, nullptr, 3, 1, 2);
    EXPECT_EQ(values[0], -1);
    EXPECT_EQ(values[1], 0);
    storeMonsterRecord(values, 3, nullptr, 3, 1, 2); // pair would run past the end
    EXPECT_EQ(values[3], 7);
    EXPECT_EQ(monsterExperienceFromRecord(values, 0, false), 0);
    EXPECT_EQ(monsterExperienceFromRecord(values, 3, false), 0);
    EXPECT_EQ(monsterExperienceFromRecord(values, -1, true), 0);
}

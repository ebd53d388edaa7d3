#include "game/definitions/GameData.h"

#include "engine/core/Random.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// Sets stream 0 so that its next draw is k / 32768: the state after the step
// must be k << 16, so the state before is (k << 16 − 9116991) × 569813⁻¹.
void setNextDraw(int k)
{
    const uint32_t inverse = 3106340733u; // 569813 × 3106340733 ≡ 1 (mod 2^32)
    ASSERT_EQ(569813u * inverse, 1u);
    uint32_t after = static_cast<uint32_t>(k) << 16;
    Random::setState(0, (after - 9116991u) * inverse);
}

class GameDataRules : public ::testing::Test {
protected:
    GameDataRules() { saved = Random::getState(0); }
    ~GameDataRules() override { Random::setState(0, saved); }
    GameData data;
    GameRules& rules() { return data.mutableRules(); }
    uint32_t saved;
};

void expectColor(const Color& c, float r, float g, float b)
{
    EXPECT_NEAR(c.r, r, 1e-5);
    EXPECT_NEAR(c.g, g, 1e-5);
    EXPECT_NEAR(c.b, b, 1e-5);
}

} // namespace

TEST_F(GameDataRules, ExpectedMoneyAtLevel)
{
    rules().minMoneyPerLevel = 2.0f;
    rules().maxMoneyPerLevel = 6.0f;
    rules().moneyChance = 50;
    // (2 + 6) × 0.5 × 50 / 100 × level = 2 × level
    EXPECT_FLOAT_EQ(data.expectedMoneyAtLevel(10), 20.0f);
    EXPECT_FLOAT_EQ(data.expectedMoneyAtLevel(1), 2.0f);
    EXPECT_FLOAT_EQ(data.expectedMoneyAtLevel(0), 0.0f);
}

TEST_F(GameDataRules, RollMoneyForFixedSeed)
{
    rules().minMoneyPerLevel = 2.0f;
    rules().maxMoneyPerLevel = 6.0f;
    rules().moneyChance = 40;
    // Seed 0: first state 9116991 → (9116991 >> 16) = 139 → r = 0.00424, trunc(r × 100) = 0 < 40.
    // Second state 9116991 × 569813 + 9116991 mod 2^32 = 2373648810 → 3451 / 32768 = 0.10532.
    // Money = floor(0.10532 × (60 − 20) + 20 + 0.5) = floor(24.71) = 24.
    Random::setState(0, 0);
    EXPECT_EQ(data.rollMoney(10), 24);
    EXPECT_EQ(Random::getState(0), 2373648810u);

    // Seed 12345: next state 2748491180 → r = 0.2798, trunc = 27: money only when the chance is above 27.
    rules().moneyChance = 27;
    Random::setState(0, 12345);
    EXPECT_EQ(data.rollMoney(10), 0);
    EXPECT_EQ(Random::getState(0), 2748491180u); // one draw only

    rules().moneyChance = 0;
    Random::setState(0, 0);
    EXPECT_EQ(data.rollMoney(10), 0);

    // A draw of 32767/32768 gives trunc(99.997) = 99; chance 100 always pays.
    rules().moneyChance = 100;
    setNextDraw(32767);
    EXPECT_GE(data.rollMoney(10), 20);
}

TEST_F(GameDataRules, RumorCostRoundsUp)
{
    rules().rumorCostPerLevel = {1.5f, 2.25f, 4.0f};
    EXPECT_EQ(data.getRumorCost(0, 3), 5);  // ceil(4.5)
    EXPECT_EQ(data.getRumorCost(1, 3), 7);  // ceil(6.75)
    EXPECT_EQ(data.getRumorCost(2, 3), 12); // 12 exactly
    EXPECT_EQ(data.getRumorCost(0, 0), 0);
    EXPECT_EQ(data.getRumorCost(3, 3), 0);
    EXPECT_EQ(data.getRumorCost(-1, 3), 0);
}

TEST_F(GameDataRules, PickRumorFailureByRunningSum)
{
    // Sum 2.0; draw r × 2 against running sums 1.0, 1.5, 1.75.
    rules().rumorFailureChance = {1.0f, 0.5f, 0.25f, 0.25f};
    setNextDraw(0); // draw 0 → Partial
    EXPECT_EQ(data.pickRumorFailure(), 0);
    setNextDraw(16383); // r just below 0.5 → 0.99994 < 1.0 → Partial
    EXPECT_EQ(data.pickRumorFailure(), 0);
    setNextDraw(16384); // r = 0.5 → 1.0, not above 1.0 → Complete
    EXPECT_EQ(data.pickRumorFailure(), 1);
    setNextDraw(26000); // r = 0.7935 → 1.587 → UnknownBackfire
    EXPECT_EQ(data.pickRumorFailure(), 2);
    setNextDraw(30000); // r = 0.9155 → 1.831 → CompleteBackfire
    EXPECT_EQ(data.pickRumorFailure(), 3);
    // No chances at all: nothing exceeds a draw of 0.
    rules().rumorFailureChance = {0.0f, 0.0f, 0.0f, 0.0f};
    setNextDraw(100);
    EXPECT_EQ(data.pickRumorFailure(), 3);
}

TEST_F(GameDataRules, SunColorAtEachBoundary)
{
    rules().sunriseStart = 5.0f;
    rules().sunriseEnd = 7.0f;
    rules().sunsetStart = 18.0f;
    rules().sunsetEnd = 20.0f;
    const Color day(1.0f, 1.0f, 1.0f);
    const Color night(0.0f, 0.0f, 0.2f);
    expectColor(data.getSunColor(4.0f, day, night), 0.0f, 0.0f, 0.2f);    // before sunrise
    expectColor(data.getSunColor(5.0f, day, night), 0.0f, 0.0f, 0.2f);    // sunrise starts: N
    expectColor(data.getSunColor(6.0f, day, night), 0.5f, 0.5f, 0.6f);    // halfway: N + (D − N) / 2
    expectColor(data.getSunColor(7.0f, day, night), 1.0f, 1.0f, 1.0f);    // sunrise ends: D
    expectColor(data.getSunColor(12.0f, day, night), 1.0f, 1.0f, 1.0f);   // day
    expectColor(data.getSunColor(18.0f, day, night), 1.0f, 1.0f, 1.0f);   // sunset starts: D
    expectColor(data.getSunColor(19.5f, day, night), 0.25f, 0.25f, 0.4f); // D − (D − N) × 0.75
    expectColor(data.getSunColor(20.0f, day, night), 0.0f, 0.0f, 0.2f);   // sunset ends: N
    expectColor(data.getSunColor(23.0f, day, night), 0.0f, 0.0f, 0.2f);   // night
}

TEST_F(GameDataRules, SunColorWithEqualBoundsTakesEndValue)
{
    rules().sunriseStart = 6.0f;
    rules().sunriseEnd = 6.0f;
    rules().sunsetStart = 18.0f;
    rules().sunsetEnd = 18.0f;
    const Color day(1.0f, 0.8f, 0.6f);
    const Color night(0.1f, 0.1f, 0.3f);
    Color atSunrise = data.getSunColor(6.0f, day, night);
    Color atSunset = data.getSunColor(18.0f, day, night);
    expectColor(atSunrise, 1.0f, 0.8f, 0.6f);
    expectColor(atSunset, 0.1f, 0.1f, 0.3f);
    EXPECT_FALSE(std::isnan(atSunrise.r) || std::isnan(atSunset.r));
    expectColor(data.getSunColor(12.0f, day, night), 1.0f, 0.8f, 0.6f);
}

TEST_F(GameDataRules, TownGatePositionInsideAndOutsideItsList)
{
    rules().townCenterPosition = ZonePosition(0, 10.0f, 20.0f);
    rules().townGatePositions = {ZonePosition(1, 2.5f, 3.5f), ZonePosition(2, 4.0f, 5.0f)};
    EXPECT_EQ(data.getTownGatePosition(0), ZonePosition(1, 2.5f, 3.5f));
    EXPECT_EQ(data.getTownGatePosition(1), ZonePosition(2, 4.0f, 5.0f));
    EXPECT_EQ(data.getTownGatePosition(2), ZonePosition(0, 10.0f, 20.0f));
    EXPECT_EQ(data.getTownGatePosition(-1), ZonePosition(0, 10.0f, 20.0f));
    rules().townGatePositions.clear();
    EXPECT_EQ(data.getTownGatePosition(0), ZonePosition(0, 10.0f, 20.0f));
}

TEST_F(GameDataRules, StartPositionScaledAndRoundedDown)
{
    rules().startPosition = Vec2(0.5f, 0.3f);
    EXPECT_EQ(data.getStartPosition(25, 10), ZonePosition(0, 12.0f, 3.0f)); // floor(12.5), floor(3.0)
}

TEST_F(GameDataRules, TradeRouteValueCappedAndFloored)
{
    size_t small = static_cast<size_t>(TradeRoute::Small);
    rules().tradeRouteStartValue[small] = 10.0f;
    rules().tradeRouteIncreasePerHour[small] = 2.5f;
    rules().tradeRouteMaxValue[small] = 50;
    rules().tradeRouteStartCost[small] = 120;
    GameTime elapsed(0, 3, 30, 0.0f);                                                 // 3.5 hours
    EXPECT_EQ(data.getTradeRouteValue(elapsed, toIndex(TradeRoute::Small), 100), 18); // floor(18.75)
    EXPECT_EQ(data.getTradeRouteValue(elapsed, toIndex(TradeRoute::Small), 15), 15);  // caller's cap
    EXPECT_EQ(data.getTradeRouteValue(GameTime(4, 4, 0, 0.0f), toIndex(TradeRoute::Small), 100), 50); // 100 h
    EXPECT_EQ(data.getTradeRouteValue(GameTime(), toIndex(TradeRoute::Small), 100), 10);
    EXPECT_EQ(data.getTradeRouteValue(elapsed, 6, 100), 0);
    EXPECT_EQ(data.getTradeRouteStartCost(toIndex(TradeRoute::Small)), 120);
    EXPECT_EQ(data.getTradeRouteStartCost(-1), 0);
}

TEST_F(GameDataRules, InfluenceCurveInterpolates)
{
    rules().influenceCurve = {Vec2(0, 1), Vec2(100, 3), Vec2(300, 4)};
    rules().influenceCurveMult = 10.0f;
    EXPECT_FLOAT_EQ(data.getLevelCurveValue(50), 2.0f);
    EXPECT_EQ(data.getInfluenceForLevel(50), 20);
    EXPECT_EQ(data.getInfluenceForLevel(200), 35);  // 3.5 × 10
    EXPECT_EQ(data.getInfluenceForLevel(-10), 10);  // clamped to the first point
    EXPECT_EQ(data.getInfluenceForLevel(1000), 40); // and the last
    rules().influenceCurve = {Vec2(0, -1), Vec2(100, 1)};
    EXPECT_EQ(data.getInfluenceForLevel(25), -5); // may be negative: -0.5 × 10
    rules().influenceCurve.clear();
    EXPECT_EQ(data.getInfluenceForLevel(10), 0);
}

TEST_F(GameDataRules, ResistanceAbsorbFraction)
{
    rules().resistanceAbsorbMultiplier = 0.5f;
    rules().resistanceMinAbsorbPercent = 0.5f;
    rules().resistanceReferenceDamagePerLevel = 10.0f;
    // x = 0.5 × 40 = 20, expected absorb 20 × 0.75 = 15 of a reference 10 × 2 = 20.
    EXPECT_FLOAT_EQ(data.getResistanceAbsorbFraction(40, 2), 0.75f);
    EXPECT_FLOAT_EQ(data.getResistanceAbsorbFraction(100, 1), 1.0f);
    EXPECT_FLOAT_EQ(data.getResistanceAbsorbFraction(0, 5), 0.0f);
    EXPECT_FLOAT_EQ(data.getResistanceAbsorbFraction(-5, 5), 0.0f);
}

TEST_F(GameDataRules, TextsFontsAndNames)
{
    rules().fontNames = {"normal", "small", "large"};
    EXPECT_EQ(data.getFontName(1), "small");
    EXPECT_EQ(data.getFontName(7), "normal");
    EXPECT_EQ(data.getFontName(-1), "normal");
    rules().fontNames.clear();
    EXPECT_EQ(data.getFontName(0), "");

    rules().relationNames = {{-50, "Hated"}, {0, "Unfriendly"}, {50, "Neutral"}};
    EXPECT_EQ(data.getRelationName(-60), "Hated");
    EXPECT_EQ(data.getRelationName(-50), "Unfriendly");
    EXPECT_EQ(data.getRelationName(10), "Neutral");
    EXPECT_EQ(data.getRelationName(50), "");

    rules().treatyColor[toIndex(CovenantTreaty::War)] = 3;
    rules().tradeRouteColor[toIndex(TradeRoute::Huge)] = 12;
    EXPECT_EQ(data.getColoredTreatyName(toIndex(CovenantTreaty::War)), "^c003$$TreatyWar$$");
    EXPECT_EQ(data.getColoredTradeRouteName(toIndex(TradeRoute::Huge)), "^c012$$TradeRouteHuge$$");
    EXPECT_EQ(data.getTreatyDescription(toIndex(CovenantTreaty::Peace)), "$$TreatyDescPeace$$");
    EXPECT_EQ(data.getTradeRouteDescription(toIndex(TradeRoute::Tiny)), "$$TradeRouteDescTiny$$");
    EXPECT_EQ(data.getColoredTreatyName(11), "");

    EXPECT_EQ(data.getRandomWonGameText(), "");
    rules().lostGameText = {"a", "b"};
    Random::setState(0, 0); // r = 0.0042 → index 0
    EXPECT_EQ(data.getRandomLostGameText(), "a");
}

TEST_F(GameDataRules, RandomQuestAndEventTypesDrawByTheirChances)
{
    rules().questTypeChance[toIndex(QuestType::KillMonsters)] = 3.0f;
    rules().questTypeChance[toIndex(QuestType::ClearLevel)] = 1.0f;
    rules().questTypeChance[toIndex(QuestType::None)] = 50.0f; // never drawn
    Random::setState(0, 0);                                    // r = 0.00424 → 0.017 of 4
    EXPECT_EQ(data.randomQuestType(), QuestType::KillMonsters);
    Random::setState(0, 549118299); // r = 0.97412 → 3.896: past KillMonsters' 3
    EXPECT_EQ(data.randomQuestType(), QuestType::ClearLevel);
    EXPECT_EQ(Random::getState(0), 549118299u * 569813u + 9116991u); // one draw

    // No event weight: None, without a draw.
    Random::setState(0, 7);
    EXPECT_EQ(data.randomEventType(), QuestType::None);
    EXPECT_EQ(Random::getState(0), 7u);
    rules().eventTypeChance[toIndex(QuestType::Plague)] = 0.5f;
    EXPECT_EQ(data.randomEventType(), QuestType::Plague);
}

TEST_F(GameDataRules, LaterSubsystemListsAreEmptyUntilRegistered)
{
    EXPECT_EQ(data.findSkillIndex("Fireball"), -1);
    EXPECT_EQ(data.findSkillDefinition("Fireball"), nullptr);
    EXPECT_EQ(data.findCovenantDefinition("Human"), -1);
    EXPECT_EQ(data.getQuestDefinition(toIndex(QuestType::Plague)), nullptr);
    EXPECT_EQ(data.randomQuestType(), QuestType::None);
    EXPECT_EQ(data.getColoredCovenantDisplayName(nullptr), "");
}

#include "game/covenants/CovenantDefinition.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/Random.h"
#include "game/covenants/CovenantTestData.h"
#include "game/definitions/DefinitionReader.h"

namespace {

// The state of stream 0 whose next draw is 0.5.
constexpr uint32_t kHalfState = 2341926717u;

class CovenantDefinitionTest : public CovenantTestData {
protected:
    CovenantDefinitionTest() : CovenantTestData(true) {}

    CovenantDefinition loadFixture(const char* name)
    {
        const DatabaseEntry* entry = DefinitionReader::findEntry(name);
        EXPECT_NE(entry, nullptr) << name;
        CovenantDefinition d;
        d.load(entry);
        return d;
    }
};

} // namespace

TEST_F(CovenantDefinitionTest, AnEntryWithoutKeysReadsAsZero)
{
    ASSERT_TRUE(loaded);
    CovenantDefinition d = loadFixture("CovFixtureEmpty");
    EXPECT_EQ(d.getEntryName(), "CovFixtureEmpty");
    EXPECT_EQ(d.shortName, "");
    EXPECT_EQ(d.color, 0);
    EXPECT_EQ(d.MinComparisionGold, 0);
    EXPECT_FLOAT_EQ(d.AgreementWarMaxRelation, 0.0f);
    EXPECT_EQ(d.MaxWarTime, GameTime());
    EXPECT_EQ(d.LongRaidTime, GameTime());
    EXPECT_FLOAT_EQ(d.GiftChance.at(50.0f), 0.0f);
    for (float v : d.AgreementBreakTreatyMult)
        EXPECT_FLOAT_EQ(v, 0.0f);
    EXPECT_TRUE(d.traits.empty());
    EXPECT_TRUE(d.baseStartItems.empty());
    EXPECT_TRUE(d.moodNames.empty());
    EXPECT_FLOAT_EQ(d.rollRelationChangeNormal(), 0.0f);
    EXPECT_FLOAT_EQ(d.rollQuestXpMult(), 0.0f);
    EXPECT_FLOAT_EQ(d.rollTradeRouteStartChange(1), 0.0f);
    EXPECT_EQ(d.getMoodName(10.0f), "");
    EXPECT_EQ(log.count(2), 0u);
}

TEST_F(CovenantDefinitionTest, MinutesBecomeGameTimes)
{
    CovenantDefinition d = loadFixture("CovFixtureTimes");
    EXPECT_EQ(d.MaxWarTime, GameTime(0, 1, 30, 0.0f));
    EXPECT_EQ(d.MinimumTimeBetweenRaids, GameTime(1, 1, 0, 0.0f));
}

TEST_F(CovenantDefinitionTest, ValuesFamiliesAndCurves)
{
    ASSERT_TRUE(loaded);
    log.clear();
    CovenantDefinition d = loadFixture("CovFixtureValues");
    EXPECT_NEAR(d.GiftChance.slope, -0.003f, 1e-7f);
    EXPECT_FLOAT_EQ(d.GiftChance.intercept, 0.3f);
    EXPECT_FLOAT_EQ(d.GiftChance.at(50.0f), 0.15f);
    EXPECT_FLOAT_EQ(d.DemandChance.slope, 0.0f); // equal X
    EXPECT_FLOAT_EQ(d.DemandChance.at(40.0f), 0.0f);

    EXPECT_FLOAT_EQ(d.getRelationForTradeRoute(static_cast<int>(TradeRoute::Huge)), 75.0f);
    EXPECT_FLOAT_EQ(d.getRelationForTradeRoute(6), 0.0f);
    EXPECT_FLOAT_EQ(d.getRelationForTradeRoute(-1), 0.0f);
    EXPECT_FLOAT_EQ(d.getRelationChangeCancelledTradeRoute(99), 0.0f);
    EXPECT_FLOAT_EQ(CovenantDefinition::familyValue(d.TimeBetweenSimilatedBattles, 2), 12.0f);
    EXPECT_FLOAT_EQ(CovenantDefinition::familyValue(d.TimeBetweenSimilatedBattles, 3), 0.0f);
    EXPECT_FLOAT_EQ(CovenantDefinition::familyValue(d.ClassRecruitChance, 3), 0.5f);
    EXPECT_FLOAT_EQ(CovenantDefinition::familyValue(d.RelationChangeCancelledTreaty, 11), 0.0f);

    EXPECT_EQ(d.shortName, "Fixture");
    EXPECT_EQ(d.color, parseColorType("Orange"));
    EXPECT_EQ(d.getTraitName(1), "TraitFrugal");
    EXPECT_EQ(d.getTraitName(2), "");
    EXPECT_EQ(d.getTraitName(-1), "");
    ASSERT_EQ(d.baseStartItems.size(), 3u);
    EXPECT_EQ(d.baseStartItems[0], DefinitionReader::findEntry("ShortSword"));
    EXPECT_EQ(d.baseStartItems[1], nullptr);
    EXPECT_TRUE(log.contains("NoSuchItem", 2));
}

TEST_F(CovenantDefinitionTest, RollsDrawOnceFromStreamZero)
{
    ASSERT_TRUE(loaded);
    CovenantDefinition d = loadFixture("CovFixtureValues");
    Random::setState(0, kHalfState);
    EXPECT_FLOAT_EQ(d.rollRelationChangeNormal(), 1.0f);
    uint32_t after = Random::getState(0);
    Random::setState(0, kHalfState);
    randomFloat(0);
    EXPECT_EQ(Random::getState(0), after);

    Random::setState(0, kHalfState);
    EXPECT_FLOAT_EQ(d.rollTradeRouteStartChange(static_cast<int>(TradeRoute::Tiny)), 4.0f);
    Random::setState(0, kHalfState);
    EXPECT_EQ(d.rollStartRecruitLevel(10), 8);
    Random::setState(0, kHalfState);
    EXPECT_EQ(d.rollStartRecruitLevel(0), 1);

    EXPECT_EQ(d.getStartNumRecruits(10), 2);
    EXPECT_EQ(d.getStartNumRecruits(40), 4); // the rules' MaxRecruits
    EXPECT_EQ(d.getStartNumRecruits(100000), 4);
    EXPECT_EQ(d.getStartMoney(7), 396); // floor(4.2 x 7 x 13.5)
}

TEST_F(CovenantDefinitionTest, OfferChances)
{
    CovenantDefinition d = loadFixture("CovFixtureValues");
    const int breakTreaty = static_cast<int>(CovenantTreaty::BreakTreaty);
    const int war = static_cast<int>(CovenantTreaty::War);
    EXPECT_FLOAT_EQ(d.getOfferChance(10, true, true, breakTreaty), 0.7f);
    EXPECT_FLOAT_EQ(d.getOfferChance(10, false, true, war), 0.0f);
    EXPECT_FLOAT_EQ(d.getOfferChance(10, false, false, war), 0.35f);
    EXPECT_FLOAT_EQ(d.getOfferChance(6, false, false, 0), 0.4f);
    EXPECT_FLOAT_EQ(d.getOfferChance(6, true, false, 0), 0.4f);
    EXPECT_FLOAT_EQ(d.getOfferChance(7, false, true, 0), 0.2f);
    EXPECT_FLOAT_EQ(d.getOfferChance(7, false, false, 0), 0.0f);
    EXPECT_FLOAT_EQ(d.getOfferChance(10, false, false, static_cast<int>(CovenantTreaty::Alliance)), 0.0f);
    for (int choice : {1, 2, 3, 4, 5, 8, 9, 11, -1})
        EXPECT_FLOAT_EQ(d.getOfferChance(choice, true, false, war), 0.0f) << choice;
}

TEST_F(CovenantDefinitionTest, MoodsAndStartingRelations)
{
    ASSERT_TRUE(loaded);
    CovenantDefinition d = loadFixture("CovFixtureValues");
    EXPECT_EQ(d.getMoodName(9.0f), "$$MoodWary$$");
    EXPECT_EQ(d.getMoodName(10.0f), "$$MoodCalm$$");
    EXPECT_EQ(d.getMoodName(50.0f), "");

    log.clear();
    CovenantDefinition shortList = loadFixture("CovFixtureShortMoods");
    EXPECT_EQ(log.count(2), 1u);
    EXPECT_TRUE(log.contains("fixtures.dbl"));
    EXPECT_EQ(shortList.getMoodName(5.0f), "$$MoodCalm$$");
    EXPECT_EQ(shortList.getMoodName(20.0f), "");

    int human = definitionIndex("Human");
    ASSERT_GE(human, 0);
    EXPECT_FLOAT_EQ(d.getStartingRelation(human), 0.0f);
    EXPECT_FLOAT_EQ(d.getStartingRelation(99), 50.0f);
    EXPECT_FLOAT_EQ(d.getStartingRelation(-1), 50.0f);
    CovenantDefinition unloaded;
    EXPECT_FLOAT_EQ(unloaded.getStartingRelation(human), 50.0f);
}

#include "game/covenants/ActorCovenantFixture.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/GameData.h"
#include "game/entities/Player.h"
#include "support/RandomScript.h"

namespace {
constexpr int kWar = static_cast<int>(CovenantTreaty::War);

void setPowerStats(Covenant& c, int people)
{
    for (CovenantStat s :
         {CovenantStat::House, CovenantStat::AbsoluteInfluence, CovenantStat::Items, CovenantStat::LifeStone})
        c.stats.set(static_cast<int>(s), 0);
    c.stats.set(static_cast<int>(CovenantStat::People), people);
}
} // namespace

// "Ironbound" with TraitWarlike alone, Average, and the player's covenant on "Human".
class ActorCovenantPlanningTest : public ActorCovenantFixture {
protected:
    ActorCovenantPlanningTest()
        : a(addActorCovenant("Ironbound")), human(addTestCovenant(*world.game, "Human"))
    {
        a.initNew(nav.tileCentre(0, 30, 30), 5, 1);
        a.traits.clear();
        for (const auto& t : world.data->getCovenantTraits()) {
            if (t.name == "TraitWarlike")
                a.traits.push_back(t.definition);
        }
        addPlayerLeading(*world.game, human, nav.tileCentre(0, 60, 60));
        stone = new Entity();
        stone->setPosition(nav.tileCentre(0, 60, 62));
        world.game->addEntity(stone);
        human.setLifestone(stone);
    }

    CovenantDefinition& definition() { return *const_cast<CovenantDefinition*>(a.getDefinition()); }

    ActorCovenant& a;
    TestCovenant& human;
    Entity* stone = nullptr;
};

TEST_F(ActorCovenantPlanningTest, AtWarPeaceIsOfferedOnceTheRelationReachesThePeaceThreshold)
{
    a.setRelationState(human.index, kWar);
    // "RelationForPeaceTreatyAverage" x StartWar 1.5 - the fear of it.
    a.memoryOf(human.index).fear = 30.0f;
    const float threshold = a.getDifficultyRelationBase(&human);
    ASSERT_FLOAT_EQ(threshold, a.getDefinition()->RelationForPeaceTreaty[1] * 1.5f - 30.0f);
    ASSERT_LT(threshold, 100.0f);
    a.setRelation(human.index, threshold - 1.0f);
    a.planTrade(human.index);
    EXPECT_TRUE(human.offers.empty());

    a.setRelation(human.index, threshold);
    a.planTrade(human.index);
    ASSERT_EQ(human.offers.size(), 1u);
    EXPECT_EQ(human.offers[0].type, 0);
    ASSERT_EQ(human.offers[0].terms.size(), 1u);
    EXPECT_EQ(human.offers[0].terms[0], (TradeTerm{2, static_cast<int>(TradeTermKind::TermPeace), 0}));
}

TEST_F(ActorCovenantPlanningTest, FearFollowsTheStonesTheWarAndThePower)
{
    a.getLifestone()->setMaxHealth(1000);
    a.getLifestone()->setHealth(400);
    stone->setMaxHealth(1000);
    stone->setHealth(800);
    a.setRelationState(human.index, kWar);
    setPowerStats(a, 100);
    setPowerStats(human, 300);
    a.updateFear(human.index);
    EXPECT_NEAR(a.memoryOf(human.index).fear, 0.2f * 1.5f * 1.6f * 2.0f, 1e-5f);
    // Never above "MaxFear".
    a.getLifestone()->setHealth(100);
    a.updateFear(human.index);
    EXPECT_FLOAT_EQ(a.memoryOf(human.index).fear, definition().MaxFear);
}

TEST_F(ActorCovenantPlanningTest, TheTradeChanceIsStrictAndNothingToAskMeansNoDemand)
{
    CovenantDefinition& d = definition();
    const float saved = d.TotalTradeChance;
    d.TotalTradeChance = 0.25f; // a draw of exactly this value exists
    ASSERT_TRUE(scriptDraws({drawBetween(0.25f, 0.2500001f)}));
    EXPECT_FALSE(a.wantsToTrade(human.index));
    ASSERT_TRUE(scriptDraws({drawBetween(0.2499f, 0.25f)}));
    EXPECT_TRUE(a.wantsToTrade(human.index));
    d.TotalTradeChance = saved;

    ActorCovenant& poor = addActorCovenant("Thornveil");
    poor.initNew(nav.tileCentre(0, 90, 30), 5, 1);
    poor.stats.set(static_cast<int>(CovenantStat::Money), 0);
    TradeTerm term;
    EXPECT_FALSE(a.pickOfferTerm(&poor, true, false, term));
    a.planDemand(poor.index);
    EXPECT_TRUE(a.getPendingOffer(poor.index).offer.terms.empty());
    poor.stats.set(static_cast<int>(CovenantStat::Money), 1000);
    EXPECT_TRUE(a.pickOfferTerm(&poor, true, false, term));
    EXPECT_EQ(term.kind, static_cast<int>(TradeTermKind::TermCrystals));
    EXPECT_EQ(term.side, 1);
}

TEST_F(ActorCovenantPlanningTest, AnUnansweredOfferIsSentFourTimesMoreThenWithdrawn)
{
    TradeOffer offer;
    offer.addEntry(static_cast<int>(TradeTermKind::TermCrystals), 5, 0);
    a.setRelation(human.index, 50.0f);
    a.sendOffer(&human, offer);
    ASSERT_EQ(human.offers.size(), 1u);
    a.updatePendingOffers(59.9f);
    EXPECT_EQ(human.offers.size(), 1u);
    a.updatePendingOffers(0.1f);
    EXPECT_EQ(human.offers.size(), 2u);
    for (int i = 0; i < 3; ++i)
        a.updatePendingOffers(60.0f);
    EXPECT_EQ(human.offers.size(), 5u);
    EXPECT_TRUE(human.expired.empty());
    a.updatePendingOffers(60.0f);
    ASSERT_EQ(human.expired.size(), 1u);
    EXPECT_EQ(human.expired[0], a.index);
    EXPECT_TRUE(human.offers.back().terms.empty());
    // The ignored penalty: a roll of -2 … -0.5, times Warlike's 1.25.
    EXPECT_LE(a.getRelation(human.index), 50.0f - 0.5f * 1.25f);
    EXPECT_GE(a.getRelation(human.index), 50.0f - 2.0f * 1.25f);
    a.updatePendingOffers(600.0f);
    EXPECT_EQ(human.offers.size(), 6u);
}

#include "game/covenants/ActorCovenantFixture.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/GameData.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"

#include <cmath>

namespace {
constexpr int kInfluence = static_cast<int>(TradeTermKind::TermInfluence);
constexpr int kGold = static_cast<int>(TradeTermKind::TermGold);
constexpr int kItem = static_cast<int>(TradeTermKind::TermItem);
constexpr int kCrystals = static_cast<int>(TradeTermKind::TermCrystals);

int code(CovenantResponse r)
{
    return static_cast<int>(r);
}

TradeOffer offerOf(int type, std::initializer_list<TradeTerm> terms)
{
    TradeOffer offer;
    offer.type = type;
    for (const TradeTerm& t : terms)
        offer.addEntry(t.kind, t.value, t.side);
    return offer;
}
} // namespace

// "Ironbound" with TraitWarlike alone, Average, and the player's covenant on "Human".
class ActorCovenantAnswersTest : public ActorCovenantFixture {
protected:
    ActorCovenantAnswersTest()
        : a(addActorCovenant("Ironbound")), human(addTestCovenant(*world.game, "Human"))
    {
        a.initNew(nav.tileCentre(0, 30, 30), 5, 1);
        a.traits.clear();
        for (const auto& t : world.data->getCovenantTraits()) {
            if (t.name == "TraitWarlike")
                a.traits.push_back(t.definition);
        }
        player = addPlayerLeading(*world.game, human, nav.tileCentre(0, 60, 60));
        human.addMoney(1000);
        a.addMoney(1000);
    }

    ActorCovenant& a;
    TestCovenant& human;
    Player* player = nullptr;
};

TEST_F(ActorCovenantAnswersTest, AScaledChangeRefreshesTheMemoryFactors)
{
    ASSERT_EQ(a.traits.size(), 1u);
    a.setRelation(human.index, 50.0f);
    a.memoryOf(human.index).fear = 0.4f;
    a.changeRelationScaled(human.index, -10.0f, false);
    EXPECT_FLOAT_EQ(a.getRelation(human.index), 37.5f);
    const CovenantDefinition& d = *a.getDefinition();
    EXPECT_FLOAT_EQ(a.memoryOf(human.index).tradeFactor,
                    d.TradeFactorRelation * 37.5f + d.TradeFactorFear * 0.4f);
    EXPECT_FLOAT_EQ(a.memoryOf(human.index).demandFactor, std::max(0.0f, (37.5f - 40.0f) * 0.5f + 0.4f));
    // An index naming no covenant changes nothing.
    a.changeRelationScaled(9, -10.0f, false);
    EXPECT_EQ(a.getRelationCount() > 9 ? a.getRelation(9) : 50.0f, 50.0f);
}

TEST_F(ActorCovenantAnswersTest, ADemandIsRefusedWithoutGoodwillAndAcceptedWithIt)
{
    a.influence.adventure = 100;
    const TradeOffer demand = offerOf(1, {{1, kInfluence, 10}});

    a.setRelation(human.index, 0.0f);
    a.updateCovenantMemory(human.index);
    a.receiveOffer(&human, demand);
    ASSERT_EQ(human.answers.size(), 1u);
    EXPECT_FALSE(human.answers[0].accepted);
    EXPECT_EQ(human.answers[0].code, code(CovenantResponse::DemandRejected));
    ASSERT_EQ(human.relationChanges.size(), 1u);
    EXPECT_GE(human.relationChanges[0], -8.0f);
    EXPECT_LE(human.relationChanges[0], -3.0f);
    EXPECT_EQ(a.getRelation(human.index), 0.0f);

    a.setRelation(human.index, 50.0f);
    a.updateCovenantMemory(human.index);
    a.receiveOffer(&human, demand);
    ASSERT_EQ(human.answers.size(), 2u);
    EXPECT_TRUE(human.answers[1].accepted);
    EXPECT_EQ(human.answers[1].code, code(CovenantResponse::DemandAccepted));
    EXPECT_EQ(human.relationChanges.size(), 1u);
    EXPECT_EQ(a.getRelation(human.index), 50.0f);
}

TEST_F(ActorCovenantAnswersTest, AppraisalsGiftsAndCompletionsAnswerByValue)
{
    a.setRelation(human.index, 0.0f);
    a.updateCovenantMemory(human.index);
    struct Row {
        int theyGive;
        int weGive;
        CovenantResponse expected;
    };
    for (const Row& row :
         {Row{10, 10, CovenantResponse::OfferGood}, Row{10, 11, CovenantResponse::OfferClose},
          Row{10, 12, CovenantResponse::OfferBad}}) {
        TradeOffer appraisal = offerOf(7, {{0, kGold, row.theyGive}, {1, kGold, row.weGive}});
        appraisal.onlyItems = true;
        a.receiveOffer(&human, appraisal);
        ASSERT_FALSE(human.answers.empty());
        EXPECT_EQ(human.answers.back().code, code(row.expected)) << row.weGive;
        EXPECT_FALSE(human.answers.back().accepted);
    }

    a.receiveOffer(&human, offerOf(2, {{0, kCrystals, 0}}));
    EXPECT_TRUE(human.answers.back().accepted);
    EXPECT_EQ(human.answers.back().code, code(CovenantResponse::GiftAccepted));

    TradeOffer nothing =
        offerOf(0, {{0, kItem, TradeTerm::itemPlace(toIndex(InventoryGroupIndex::Stash), 9)}});
    EXPECT_EQ(a.completeOffer(nothing, &human, 1.2f), code(CovenantResponse::DontWant));
    TradeOffer blank;
    EXPECT_EQ(a.completeOffer(blank, &human, 1.2f), code(CovenantResponse::OfferBlank));

    // An offer the giver cannot cover is refused before any valuation.
    const size_t before = human.answers.size();
    a.receiveOffer(&human, offerOf(0, {{0, kGold, 1000000}}));
    ASSERT_EQ(human.answers.size(), before + 1);
    EXPECT_EQ(human.answers.back().code, code(CovenantResponse::TradeRejected));
    // An offer without terms gets no answer at all.
    a.receiveOffer(&human, TradeOffer());
    EXPECT_EQ(human.answers.size(), before + 1);
}

TEST_F(ActorCovenantAnswersTest, WhileThePlayerTalksOtherComputerCovenantsGetNoAnswer)
{
    ActorCovenant& other = addActorCovenant("Thornveil");
    other.initNew(nav.tileCentre(0, 90, 30), 5, 1);
    player->setAction(Player::ActionChooseCovenant, static_cast<uint32_t>(a.index));
    ASSERT_TRUE(world.game->isPlayerTargetingCovenant(&a));
    const float relation = a.getRelation(other.index);
    other.sendOffer(&a, offerOf(2, {{0, kCrystals, 0}}));
    EXPECT_FALSE(other.getPendingOffer(a.index).offer.terms.empty());
    EXPECT_EQ(a.getRelation(other.index), relation);
    a.receiveOffer(&human, offerOf(2, {{0, kCrystals, 0}}));
    EXPECT_EQ(human.answers.size(), 1u);
}

TEST_F(ActorCovenantAnswersTest, AnAnswerToAnotherOfferExpiresAndCancellationsCostByWhoCancelled)
{
    a.sendOffer(&human, offerOf(0, {{0, kCrystals, 5}}));
    ASSERT_EQ(human.offers.size(), 1u);
    a.receiveOfferResult(&human, offerOf(0, {{1, kInfluence, 3}}), true, 0);
    ASSERT_EQ(human.results.size(), 1u);
    EXPECT_EQ(human.results[0], code(CovenantResponse::OfferExpired));
    EXPECT_TRUE(a.getPendingOffer(human.index).offer.terms.empty());
    ASSERT_EQ(human.offers.size(), 2u);
    EXPECT_TRUE(human.offers[1].terms.empty()); // the withdrawal

    const int pact = static_cast<int>(CovenantTreaty::NonAggressionPact);
    a.setRelation(human.index, 80.0f);
    a.onTreatyCancelled(&human, &a, pact);
    const float own = a.getRelation(human.index) - 80.0f;
    a.setRelation(human.index, 80.0f);
    a.onTreatyCancelled(&human, &human, pact);
    const float theirs = a.getRelation(human.index) - 80.0f;
    EXPECT_FLOAT_EQ(own, -10.0f * 1.25f);
    EXPECT_FLOAT_EQ(theirs, own * 0.5f);
}

TEST_F(ActorCovenantAnswersTest, APersistentTradeOfACovenantHoldingNothingStaysFinite)
{
    auto& d = *const_cast<CovenantDefinition*>(a.getDefinition());
    const CovenantDefinition saved = d;
    d.MinComparisionGold = 0;
    d.RelationChangeCrapItemsMult = 0.0f; // a divided-by-zero value would turn into NaN here
    for (int i = 0; i < a.getRecruitSlotCount(); ++i) {
        if (Recruit* r = a.getRecruit(i)) {
            r->dismissActor();
            a.deleteRecruit(r);
        }
    }
    a.stats.set(static_cast<int>(CovenantStat::Items), 0);
    ASSERT_EQ(a.getLeaderGold(), 0);
    a.setRelation(human.index, 50.0f);
    TradeOffer trade = offerOf(0, {{0, kGold, 40}, {1, kGold, 10}});
    trade.onlyItems = true;
    a.onOfferCarriedOut(trade, 1, &human);
    ASSERT_EQ(human.relationChanges.size(), 1u);
    EXPECT_TRUE(std::isfinite(human.relationChanges[0]));
    EXPECT_TRUE(std::isfinite(a.getRelation(human.index)));
    EXPECT_GE(a.getRelation(human.index), 50.0f);
    d = saved;
}

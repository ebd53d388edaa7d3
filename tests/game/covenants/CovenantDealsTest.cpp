#include "game/covenants/Covenant.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/TradeOffer.h"
#include "game/definitions/GameData.h"
#include "game/entities/ActorFixture.h"
#include "server/Server.h"
#include "support/TestCovenant.h"

#include <algorithm>

namespace {
constexpr int kPeace = static_cast<int>(CovenantTreaty::Peace);
constexpr int kWar = static_cast<int>(CovenantTreaty::War);
constexpr int kRaid = static_cast<int>(CovenantTreaty::Raid);
constexpr int kAlliance = static_cast<int>(CovenantTreaty::Alliance);
constexpr int kMutualProtection = static_cast<int>(CovenantTreaty::MutualProtectionPact);
constexpr int kMoney = static_cast<int>(CovenantStat::Money);

TradeTerm term(int side, TradeTermKind kind, int value)
{
    return TradeTerm{side, static_cast<int32_t>(kind), value};
}
} // namespace

// Four covenants on the shipped data: the player's (0, "Human") and three
// computer ones.
class CovenantDealsTest : public ActorFixture {
protected:
    CovenantDealsTest()
        : player(addTestCovenant(*world.game, "Human")), a(addTestCovenant(*world.game, "Ironbound")),
          b(addTestCovenant(*world.game, "Thornveil")), x(addTestCovenant(*world.game, "GildedScale"))
    {
        addPlayerLeading(*world.game, player, nav.tileCentre(0, 10, 10));
        firstLine = Server::instance()->getQueuedCommands().size();
    }

    std::vector<std::string> lines() const
    {
        const std::vector<std::string>& all = Server::instance()->getQueuedCommands();
        return std::vector<std::string>(all.begin() + static_cast<long>(firstLine), all.end());
    }
    bool sent(const std::string& part) const
    {
        std::vector<std::string> all = lines();
        return std::any_of(all.begin(), all.end(),
                           [&part](const std::string& line) { return line.find(part) != std::string::npos; });
    }

    TestCovenant& player;
    TestCovenant& a;
    TestCovenant& b;
    TestCovenant& x;
    size_t firstLine = 0;
};

TEST_F(CovenantDealsTest, InfluenceAndCrystalsAreWorthLessTheMoreIsHeld)
{
    EXPECT_FLOAT_EQ(player.getInfluenceValue(10, false), 0.05f);
    EXPECT_FLOAT_EQ(player.termValue(term(0, TradeTermKind::TermInfluence, 10), &a, 0, 0), -0.05f);
    EXPECT_FLOAT_EQ(player.termValue(term(1, TradeTermKind::TermInfluence, 10), &a, 0, 0), 0.05f);

    // No chunk size, or nothing held (a debt too), is worth nothing and ends.
    EXPECT_EQ(Covenant::diminishingValue(10, 100, 0, 1.0f, 100.0f, 0.0f), 0.0f);
    EXPECT_EQ(Covenant::diminishingValue(10, -5, 0, 1.0f, 100.0f, 0.1f), 0.0f);
    // A chunk below one unit still moves one unit.
    EXPECT_GT(Covenant::diminishingValue(3, 1, 0, 1.0f, 100.0f, 0.1f), 0.0f);

    // The search tries the last candidate: only the whole 2 reaches 10.
    GameData::get().getCovenantDefinition(player.definitionIndex)->RelationChangeMultTheirCrystals = 100.0f;
    a.stats.set(kMoney, 2);
    ASSERT_LT(player.getCrystalsValue(1, false), 10.0f);
    ASSERT_GE(player.getCrystalsValue(2, false), 10.0f);
    EXPECT_EQ(a.findCrystalsAmountWorth(&player, false, 10), 2);
    EXPECT_EQ(a.findCrystalsAmountWorth(&player, false, 0), 0);
    EXPECT_EQ(a.findCrystalsAmountWorth(&player, false, 11), -1);
}

TEST_F(CovenantDealsTest, TreatiesAndAgreementsAreValuedByTheRelation)
{
    // Ten below the peace threshold (30 at Average).
    player.setRelation(a.index, 20.0f);
    const TradeTerm peace = term(1, TradeTermKind::TermPeace, 0);
    EXPECT_FLOAT_EQ(player.termValue(peace, &a, 0, 0), -10.0f);
    EXPECT_FLOAT_EQ(player.termValue(peace, &a, 0, 2), 10.0f);
    // An agreement about a covenant outside the list is worth nothing.
    EXPECT_EQ(
        player.termValue(term(1, TradeTermKind::TermThirdParty, TradeTerm::thirdParty(20, kWar)), &a, 0, 0),
        0.0f);
    TradeOffer offer;
    offer.terms = {peace, term(1, TradeTermKind::TermGold, 30)};
    float gain = 0.0f;
    float loss = 0.0f;
    player.evaluateOffer(offer, &a, 0, 0, gain, loss);
    EXPECT_FLOAT_EQ(gain, 30.0f);
    EXPECT_FLOAT_EQ(loss, 10.0f);
}

TEST_F(CovenantDealsTest, DealsAreCheckedAndCarriedOutTermByTerm)
{
    Sentient* leaderA = placeTarget(5, 20, 20);
    Sentient* leaderB = placeTarget(5, 22, 20);
    a.leader = leaderA;
    b.leader = leaderB;
    leaderA->setStat(toIndex(CharacterStat::Money), 30);
    leaderB->setStat(toIndex(CharacterStat::Money), 0);

    TradeOffer gold;
    gold.terms = {term(0, TradeTermKind::TermGold, 100)};
    EXPECT_FALSE(gold.canBeFulfilled(&a, &b));
    TradeOffer item;
    item.terms = {term(0, TradeTermKind::TermItem, TradeTerm::itemPlace(24, 0))};
    EXPECT_FALSE(item.canBeFulfilled(&a, &b)) << "an empty place";
    TradeOffer bad;
    bad.terms = {term(0, TradeTermKind::TermCrystals, -5)};
    EXPECT_FALSE(bad.canBeFulfilled(&a, &b));
    EXPECT_TRUE(TradeOffer().canBeFulfilled(&a, &b));

    world.game->executeTradeOffer(gold, &a, &b);
    EXPECT_EQ(leaderA->getStat(toIndex(CharacterStat::Money)), 0);
    EXPECT_EQ(leaderB->getStat(toIndex(CharacterStat::Money)), 100);
    EXPECT_EQ(x.dealsHeard, 1);
    EXPECT_EQ(player.dealsHeard, 1);
    EXPECT_EQ(a.dealsHeard, 0);

    // Both cap their relation to covenant 3 and declare war on it.
    a.setRelation(x.index, 60.0f);
    b.setRelation(x.index, 60.0f);
    TradeOffer war;
    war.terms = {term(0, TradeTermKind::TermThirdParty, TradeTerm::thirdParty(x.index, kWar))};
    world.game->executeTradeOffer(war, &a, &b);
    EXPECT_FLOAT_EQ(a.getRelation(x.index), 15.0f);
    EXPECT_FLOAT_EQ(b.getRelation(x.index), 15.0f);
    EXPECT_EQ(a.getRelationState(x.index), kWar);
    EXPECT_EQ(b.getRelationState(x.index), kWar);
    // Against one of the dealers it does nothing.
    TradeOffer self;
    self.terms = {term(0, TradeTermKind::TermThirdParty, TradeTerm::thirdParty(b.index, kWar))};
    world.game->executeTradeOffer(self, &a, &b);
    EXPECT_NE(a.getRelationState(b.index), kWar);
}

TEST_F(CovenantDealsTest, WarCallsInAlliesAndEndsTradeRoutesOnce)
{
    world.game->announceDiplomacy(a.index, x.index, kAlliance, true);
    world.game->announceTradeRoute(a.index, b.index, static_cast<int>(TradeRoute::Small), true);
    const size_t before = lines().size();
    world.game->clearSoundEvents();
    world.game->announceDiplomacy(a.index, b.index, kWar, false);
    EXPECT_TRUE(sent(" declares ")) << "the declaration";
    const std::vector<std::string>& names = world.server->getResourceNames();
    EXPECT_EQ(std::count_if(world.game->getSoundEvents().begin(), world.game->getSoundEvents().end(),
                            [&](const SoundEvent& e) {
                                return names[static_cast<size_t>(e.nameIndex)] == "Sounds/declaredWar.ogg";
                            }),
              2)
        << "one for each declaration";
    EXPECT_EQ(x.getRelationState(b.index), kWar) << "the ally honours its alliance";
    EXPECT_TRUE(sent("DeclareWarHonorTreaty"));
    EXPECT_EQ(a.getRelationSubState(b.index), 0);
    EXPECT_FALSE(sent("cancelled")) << "the route ends silently";
    ASSERT_EQ(a.routes.size(), 1u);
    EXPECT_EQ(b.warsStarted, 2) << "from the aggressor and from its ally";

    const size_t after = lines().size();
    EXPECT_GT(after, before);
    world.game->announceDiplomacy(a.index, b.index, kWar, false);
    EXPECT_EQ(lines().size(), after) << "the same state again says nothing";

    // War on a covenant one raids is a silent raid on both sides.
    b.raidTarget = player.index;
    const size_t quiet = lines().size();
    world.game->announceDiplomacy(b.index, player.index, kWar, false);
    EXPECT_EQ(b.getRelationState(player.index), kRaid);
    EXPECT_EQ(player.getRelationState(b.index), kRaid);
    EXPECT_EQ(lines().size(), quiet);
}

TEST_F(CovenantDealsTest, BreakingAPactTellsEveryCovenant)
{
    world.game->announceDiplomacy(a.index, b.index, kMutualProtection, true);
    world.game->announceDiplomacy(a.index, b.index, kPeace, false);
    EXPECT_TRUE(sent("has cancelled their"));
    for (TestCovenant* c : {&player, &a, &b, &x}) {
        ASSERT_EQ(c->treaties.size(), 1u);
        EXPECT_EQ(c->treaties[0].partner, c == &a ? static_cast<Covenant*>(&b) : &a);
        EXPECT_EQ(c->treaties[0].canceller, &a);
        EXPECT_EQ(c->treaties[0].former, kMutualProtection);
    }
    world.game->announceLifestoneDanger(a.index, 0.25f);
    EXPECT_TRUE(sent("is threatened"));
    const size_t count = lines().size();
    world.game->announceLifestoneDanger(a.index, 0.5f);
    EXPECT_EQ(lines().size(), count);
}

TEST_F(CovenantDealsTest, ARaidStartsAndEndsWithWarAgain)
{
    b.raidTarget = a.index;
    world.game->announceRaidStart(b.index, a.index);
    EXPECT_TRUE(sent("^c145 "));
    EXPECT_TRUE(sent("raiding"));
    EXPECT_EQ(a.getRelationState(b.index), kRaid);
    EXPECT_TRUE(a.isBeingRaided(nullptr));
    EXPECT_FALSE(a.isBeingRaided(&b));
    EXPECT_TRUE(b.isRaiding());

    world.game->announceRaidEnd(b.index, a.index);
    EXPECT_TRUE(sent("has stopped raiding"));
    EXPECT_EQ(b.raidTarget, -1);
    EXPECT_EQ(a.getRelationState(b.index), kWar);
    EXPECT_EQ(a.raidsRepelled, 1);
}

TEST_F(CovenantDealsTest, ALifeStoneBroughtToZeroDestroysTheCovenantOnce)
{
    auto* stone = new Entity();
    stone->setPosition(nav.tileCentre(0, 60, 60));
    world.game->addEntity(stone);
    a.setLifestone(stone);
    stone->setMaxHealth(100);
    stone->setHealth(0);
    Sentient* attacker = placeTarget(5, 61, 60);
    attacker->setCovenantIndex(b.index);
    world.game->announceTradeRoute(a.index, x.index, static_cast<int>(TradeRoute::Tiny), true);
    a.storeOffer(TradeOffer{{term(0, TradeTermKind::TermGold, 5)}}, x.index, 10.0f);

    a.onAttacked(stone, attacker, 10, false);
    EXPECT_TRUE(a.destroyed);
    EXPECT_TRUE(a.isAlarmActive());
    EXPECT_EQ(x.getRelationSubState(a.index), 0);
    EXPECT_EQ(b.getRelationState(a.index), kPeace) << "the war it declared is reset";
    EXPECT_TRUE(a.getPendingOffer(x.index).offer.terms.empty());
    ASSERT_FALSE(x.offers.empty());
    EXPECT_TRUE(x.offers.back().terms.empty()) << "the offer is withdrawn";
    auto count = [this](const char* part) {
        std::vector<std::string> all = lines();
        return std::count_if(all.begin(), all.end(),
                             [part](const std::string& l) { return l.find(part) != std::string::npos; });
    };
    // The last blow's covenant ended it, not monsters.
    EXPECT_EQ(count(" destroys "), 1);
    EXPECT_EQ(count("destroyed by monsters"), 0);
    a.onAttacked(stone, attacker, 10, false);
    EXPECT_EQ(count(" destroys "), 1) << "a destroyed covenant is past harm";

    // A monster's last blow: destroyed by monsters.
    auto* second = new Entity();
    second->setPosition(nav.tileCentre(0, 70, 70));
    world.game->addEntity(second);
    x.setLifestone(second);
    second->setMaxHealth(100);
    second->setHealth(0);
    x.onAttacked(second, placeTarget(5, 71, 70), 10, false);
    EXPECT_TRUE(x.destroyed);
    EXPECT_EQ(count("destroyed by monsters"), 1);
    EXPECT_EQ(count(" destroys "), 1);
}

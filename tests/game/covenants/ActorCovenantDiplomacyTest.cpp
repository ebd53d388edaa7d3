// The diplomacy review of computer-run covenants. The end-to-end run's
// transcript is kept in testdata/covenants/diplomacy.txt
// (GLOAM_UPDATE_GOLDEN=1 rewrites it).
#include "game/covenants/ActorCovenantFixture.h"
#include "game/covenants/TradeOffer.h"
#include "game/definitions/GameData.h"
#include "game/entities/Player.h"
#include "server/Server.h"
#include "support/RecordingActorCovenant.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
constexpr int kWar = static_cast<int>(CovenantTreaty::War);
const char* const kNames[4] = {"Ironbound", "GildedScale", "Thornveil", "Emberwatch"};
} // namespace

class ActorCovenantDiplomacyTest : public ActorCovenantFixture {
protected:
    // The four personalities at level 10, then the player's covenant at index 4.
    void setUpWorld()
    {
        for (int i = 0; i < 4; ++i) {
            auto covenant = std::make_unique<RecordingActorCovenant>(transcript);
            covenant->setDefinitionByName(kNames[i]);
            covenants[i] = covenant.get();
            world.game->addCovenant(std::move(covenant));
        }
        for (int i = 0; i < 4; ++i)
            covenants[i]->initNew(nav.tileCentre(0, 16 + 24 * i, 40 + 20 * (i % 2)), 10, 1);
        human = &addTestCovenant(*world.game, "Human");
        addPlayerLeading(*world.game, *human, nav.tileCentre(0, 64, 100));
        for (ActorCovenant* c : covenants)
            c->initRelations();
    }

    // One step of dt for every covenant as its driver will run it; a review
    // adds the covenant's relations and treaties to the transcript.
    void step(float dt)
    {
        GameTime clock = world.game->getClock();
        clock.addSeconds(dt);
        world.game->setClock(clock);
        for (ActorCovenant* c : covenants) {
            c->timers.update(dt);
            c->updatePendingOffers(dt);
            const bool review = c->relationChangeTimer.isExpired();
            c->diplomacyStep();
            if (review)
                logRelations(*c);
        }
    }

    void logRelations(const ActorCovenant& c)
    {
        char text[64];
        std::snprintf(text, sizeof text, "%.2f review %d:", world.game->getClock().toSeconds(), c.index);
        transcript += text;
        for (int i = 0; i < 5; ++i) {
            std::snprintf(text, sizeof text, " %.3f/%d", c.getRelation(i), c.getRelationState(i));
            transcript += text;
        }
        transcript += '\n';
    }

    std::string transcript;
    std::array<ActorCovenant*, 4> covenants{};
    TestCovenant* human = nullptr;
};

TEST_F(ActorCovenantDiplomacyTest, FourHoursOfReviewsMatchTheTranscript)
{
    setUpWorld();
    const int steps = static_cast<int>(4 * 3600 / 0.05f);
    for (int i = 0; i < steps; ++i)
        step(0.05f);
    ASSERT_NE(transcript.find("review"), std::string::npos);
    ASSERT_NE(transcript.find("offer"), std::string::npos);

    const std::string path = testDataPath("covenants/diplomacy.txt");
    if (std::getenv("GLOAM_UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << transcript;
        GTEST_SKIP() << "rewrote " << path;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path << " is missing; run with GLOAM_UPDATE_GOLDEN=1";
    std::stringstream golden;
    golden << in.rdbuf();
    EXPECT_EQ(transcript, golden.str());
}

TEST_F(ActorCovenantDiplomacyTest, NothingChangesWhileTheTimerRunsAndOneReviewHappensPerExpiry)
{
    setUpWorld();
    ActorCovenant& a = *covenants[0];
    a.diplomacyStep(); // starts the timer
    ASSERT_TRUE(a.relationChangeTimer.running);
    std::array<float, 5> before{};
    for (int i = 0; i < 5; ++i)
        before[static_cast<size_t>(i)] = a.getRelation(i);
    a.timers.update(a.relationChangeTimer.remaining - 0.01f);
    a.diplomacyStep();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(a.getRelation(i), before[static_cast<size_t>(i)]);
    transcript.clear();
    a.timers.update(100000.0f); // however long the step
    a.diplomacyStep();
    EXPECT_FALSE(a.relationChangeTimer.isExpired());
    a.diplomacyStep();
    EXPECT_GT(a.relationChangeTimer.remaining, 0.0f);
}

TEST_F(ActorCovenantDiplomacyTest, ALongWarChangesOnlyPastMaxWarTimeAndADestroyedCovenantOnlyDrifts)
{
    setUpWorld();
    ActorCovenant& a = *covenants[0];
    auto& d = *const_cast<CovenantDefinition*>(a.getDefinition());
    const CovenantDefinition saved = d;
    // Only the long-war change is left.
    d.RelationChangeMinNormal = d.RelationChangeMaxNormal = 0.0f;
    d.MaxWeakLifeStone = -1.0f;
    d.RelationChangeMinEnemyOfEnemy = d.RelationChangeMaxEnemyOfEnemy = 0.0f;
    d.RelationChangeMinFriendOfEnemy = d.RelationChangeMaxFriendOfEnemy = 0.0f;
    d.RelationChangeMinEnemyOfFriend = d.RelationChangeMaxEnemyOfFriend = 0.0f;
    for (CovenantMemory& m : a.covenantMemory)
        m.naturalHate = 0.0f;
    const int other = covenants[1]->index;
    GameTime start(2, 0, 0, 0.0f);
    GameTime now = start;
    now.addSeconds(d.MaxWarTime.toSeconds());
    world.game->setClock(now);
    a.setRelationStateAt(other, kWar, start);
    a.setRelation(other, 10.0f);
    a.randomRelationChanges();
    EXPECT_EQ(a.getRelation(other), 10.0f);
    now.addSeconds(1.0);
    world.game->setClock(now);
    a.randomRelationChanges();
    EXPECT_GT(a.getRelation(other), 10.0f);
    d = saved;

    // A destroyed covenant: its relation drifts, its memory is not reviewed.
    ActorCovenant& gone = *covenants[2];
    gone.destroyed = true;
    a.memoryOf(gone.index).fear = -7.0f;
    a.setRelation(gone.index, 50.0f);
    a.relationChangeTimer.start(0.0f);
    a.diplomacyStep();
    EXPECT_EQ(a.memoryOf(gone.index).fear, -7.0f);
    EXPECT_NE(a.getRelation(gone.index), 50.0f);
    EXPECT_TRUE(a.getPendingOffer(gone.index).offer.terms.empty());
}

namespace {
size_t countLinesWith(size_t from, const std::string& part)
{
    const std::vector<std::string>& all = Server::instance()->getQueuedCommands();
    size_t n = 0;
    for (size_t i = from; i < all.size(); ++i)
        n += all[i].find(part) != std::string::npos ? 1 : 0;
    return n;
}
} // namespace

// A review that wants a rumour spreads it when the crystals cover its cost:
// the Game takes the cost, tells everyone and, on a failure the target sees
// through, the target.
TEST_F(ActorCovenantDiplomacyTest, ARumourIsSpreadOnlyWhenTheCrystalsCoverIt)
{
    ActorCovenant& a = setUpCovenant("Ironbound", 10);
    TestCovenant& target = addTestCovenant(*world.game, "Human");
    target.level = 10;
    a.initRelations();
    a.setRelation(target.index, 90.0f); // no war, no raid
    auto& d = *const_cast<CovenantDefinition*>(a.getDefinition());
    const CovenantDefinition saved = d;
    GameRules& rules = GameData::get().mutableRules();
    const GameRules savedRules = rules;
    d.RumorChance = LinearChance{0.0f, 101.0f};
    d.RumorChanceQuick = 1.0f;
    d.RumorChancePlanned = d.RumorChanceCrafted = 0.0f;
    rules.rumorFailureChance = {1.0f, 0.0f, 0.0f, 0.0f};
    const int cost = GameData::get().getRumorCost(0, target.level);
    ASSERT_GT(cost, 0);
    constexpr int kMoney = static_cast<int>(CovenantStat::Money);

    const struct {
        int crystals;
        float successChance;
        const char* message; // null: none
        bool targetHears;
    } rows[] = {
        {cost + 5, 1.0f, "RumorSuccess", false},
        {cost, 0.0f, "RumorPartialFailure", true},
        {cost - 1, 1.0f, nullptr, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.crystals);
        rules.rumorChance = {row.successChance, row.successChance, row.successChance};
        a.stats.set(kMoney, row.crystals);
        target.rumorsFrom.clear();
        const size_t from = Server::instance()->getQueuedCommands().size();
        a.relationChangeTimer.start(0.0f);
        a.diplomacyStep();
        EXPECT_EQ(a.stats.get(kMoney), row.message ? row.crystals - cost : row.crystals);
        EXPECT_EQ(countLinesWith(from, "Rumor"), row.message ? 1u : 0u);
        if (row.message) {
            EXPECT_EQ(countLinesWith(from, row.message), 1u);
        }
        EXPECT_EQ(target.rumorsFrom.size(), row.targetHears ? 1u : 0u);
    }
    d = saved;
    rules = savedRules;
}

// A peace agreement about a third covenant sends it a flagged peace offer:
// its refusal is announced once, its acceptance not at all.
TEST_F(ActorCovenantDiplomacyTest, APeaceAgreementsRefusalIsAnnouncedOnce)
{
    setUpWorld();
    ActorCovenant& a = *covenants[0];
    ActorCovenant& b = *covenants[1];
    ActorCovenant& third = *covenants[2];
    const int kPeace = static_cast<int>(CovenantTreaty::Peace);
    TradeOffer agreement;
    agreement.terms = {TradeTerm{0, static_cast<int32_t>(TradeTermKind::TermThirdParty),
                                 TradeTerm::thirdParty(third.index, kPeace)}};
    for (const bool accepts : {false, true}) {
        SCOPED_TRACE(accepts);
        world.game->announceDiplomacy(a.index, third.index, kWar, false);
        third.setRelation(a.index, accepts ? 100.0f : 0.0f);
        third.memoryOf(a.index).fear = 0.0f;
        const size_t from = Server::instance()->getQueuedCommands().size();
        world.game->executeTradeOffer(agreement, &a, &b);
        EXPECT_EQ(countLinesWith(from, " rejects peace treaty from "), accepts ? 0u : 1u);
        EXPECT_EQ(third.getRelationState(a.index) == kWar, !accepts);
        a.withdrawOffer(&third, false);
    }
}

// Two computer covenants of a generated world living through the real
// headless program: adventures, battles, town visits and recruits,
// then a war, a raid at the other's stone and its end when the raider's own
// stone weakens. The same seed lives the same way twice.
#include "engine/core/Direction.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "game/ai/BehaviorAdventure.h"
#include "game/ai/BehaviorLifestoneRegen.h"
#include "game/ai/BehaviorReturnHome.h"
#include "game/covenants/ActorCovenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/ItemBase.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/quests/Quest.h"
#include "game/world/GridPath.h"
#include "game/world/Level.h"
#include "game/world/LevelLayout.h"
#include "server/Server.h"
#include "support/AwakeMonster.h"
#include "support/HeadlessServer.h"
#include "support/LevelWait.h"
#include "support/ScriptedClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr float kStep = 0.05f;

long long experience(const ActorCovenant& c)
{
    long long xp = 0;
    for (int slot = 0; slot < c.getRecruitSlotCount(); ++slot)
        if (const Recruit* r = c.getRecruit(slot))
            xp += r->getStat(toIndex(CharacterStat::Xp));
    return xp;
}

// The guard items in the house's four guard slots.
int guardItems(const ActorCovenant& c)
{
    int n = 0;
    for (int slot = 0; slot < 4; ++slot)
        n += c.getHouseItem(slot) && c.getHouseItem(slot)->getGuardType();
    return n;
}

// One world of the program with two computer covenants and a scripted
// client joined, run in 50 ms steps, watching what the covenants do.
class CovenantWorld {
public:
    explicit CovenantWorld(uint32_t seed)
    {
        Random::setState(0, seed);
        started = Server::get().start(false, 1, 1, 0, 2);
        settle();
        client = std::make_unique<ScriptedClient>(5011);
        client->sendNewJoin();
        Server::get().receiveMessages(16, false);
        for (int i = 0; i < server.game->getCovenantCount(); ++i)
            if (auto* c = dynamic_cast<ActorCovenant*>(server.game->getCovenant(i)))
                covenants.push_back(c);
        seen.resize(covenants.size());
        recruitsJoined.assign(covenants.size(), false);
        guardsBought.assign(covenants.size(), 0);
        // A wandering peddler in the town, which the player's presence keeps built.
        const GameData* data = GameData::instance();
        Level* town = server.world->getLevel(0);
        if (data && town)
            peddler = addAwakeMonster(*server.game, data->findMonsterType("NpcVendorWandering"), 5,
                                      town->randomPositionInArea());
    }
    ~CovenantWorld() { client.reset(); }

    // Each step waits for the levels it asked for, so the order of events
    // never depends on the loader thread's pace.
    void settle()
    {
        waitForLevels(server.app->getHooks(), [&] { return !server.world->hasPendingBuilds(); });
    }

    void run(float seconds)
    {
        const int steps = static_cast<int>(std::lround(seconds / kStep));
        for (int i = 0; i < steps; ++i) {
            std::vector<int> members, guards, crystals;
            for (const ActorCovenant* c : covenants) {
                members.push_back(c->getRecruitCount());
                guards.push_back(guardItems(*c));
                crystals.push_back(c->stats.get(toIndex(CovenantStat::Money)));
            }
            server.game->update(kStep);
            settle();
            for (size_t k = 0; k < covenants.size(); ++k) {
                const ActorCovenant& c = *covenants[k];
                seen[k].insert(c.adventureState);
                recruitsJoined[k] = recruitsJoined[k] || c.getRecruitCount() > members[k];
                if (guardItems(c) > guards[k])
                    noteGuardBought(k, crystals[k]);
            }
            watchPeddler();
            if (++m_steps % static_cast<int>(60.0f / kStep) == 0)
                traceMinute();
        }
    }

    // A new guard item counts as bought when crystals paid for it and every
    // guard item has its guard standing.
    void noteGuardBought(size_t k, int crystalsBefore)
    {
        const ActorCovenant& c = *covenants[k];
        bool standing = true;
        for (int slot = 0; slot < 4; ++slot)
            if (const ItemBase* item = c.getHouseItem(slot); item && item->getGuardType())
                standing = standing && c.getGuard(slot);
        if (standing && c.stats.get(toIndex(CovenantStat::Money)) < crystalsBefore)
            ++guardsBought[k];
    }

    // Each far goal of the wandering peddler it walked to.
    void watchPeddler()
    {
        const auto* adventure =
            peddler ? dynamic_cast<const BehaviorAdventure*>(peddler->getCurrentBehavior()) : nullptr;
        if (adventure && m_hadGoal && !adventure->hasFinalGoal &&
            ZonePosition::distanceTo(peddler->getPosition(), m_goal) < 64.0f)
            ++peddlerGoalsReached;
        if (adventure) {
            m_hadGoal = adventure->hasFinalGoal;
            m_goal = adventure->finalGoal;
        }
    }

    // States, relations, crystals and members, once a game minute.
    void traceMinute()
    {
        std::string line = std::to_string(m_steps / static_cast<int>(60.0f / kStep));
        for (const ActorCovenant* c : covenants) {
            line += formatString(" | %d %d %d", c->adventureState, c->stats.get(toIndex(CovenantStat::Money)),
                                 c->getRecruitCount());
            for (const ActorCovenant* other : covenants)
                if (other != c)
                    line += formatString(" %a", static_cast<double>(c->getRelation(other->index)));
        }
        trace.push_back(line);
    }

    HeadlessServer server;
    LogCapture log;
    bool started = false;
    std::unique_ptr<ScriptedClient> client;
    std::vector<ActorCovenant*> covenants;
    std::vector<std::set<int>> seen;
    std::vector<bool> recruitsJoined;
    std::vector<int> guardsBought;
    SafePtr<Actor> peddler;
    int peddlerGoalsReached = 0;
    std::vector<std::string> trace;

private:
    int m_steps = 0;
    bool m_hadGoal = false;
    ZonePosition m_goal;
};

uint32_t chosenSeed(uint32_t fallback)
{
    const char* seed = std::getenv("GLOAM_COVENANT_SEED");
    return seed ? static_cast<uint32_t>(std::strtoul(seed, nullptr, 10)) : fallback;
}

TEST(CovenantsEndToEndTest, TheyAdventureVisitTheTownThenWarAndRaid)
{
    CovenantWorld w(chosenSeed(5u));
    ASSERT_TRUE(w.started);
    ASSERT_EQ(w.covenants.size(), 2u);
    // Friends of everyone to begin with, the player's covenant too: the
    // first half hour is for adventures.
    for (ActorCovenant* c : w.covenants)
        for (int other = 0; other < w.server.game->getCovenantCount(); ++other)
            if (other != c->index)
                c->setRelation(other, 90.0f);
    std::vector<long long> xpBefore;
    for (const ActorCovenant* c : w.covenants)
        xpBefore.push_back(experience(*c));

    // Out, battles, home, into town; a recruit met in a battle taken in.
    w.run(30.0f * 60.0f);
    for (size_t i = 0; i < w.covenants.size(); ++i) {
        EXPECT_TRUE(w.seen[i].count(ActorCovenant::kAdventuring)) << i;
        EXPECT_TRUE(w.seen[i].count(ActorCovenant::kReturned)) << i;
        EXPECT_TRUE(w.seen[i].count(ActorCovenant::kVisitingTown)) << i;
        EXPECT_GT(experience(*w.covenants[i]), xpBefore[i]) << "battles pay experience, covenant " << i;
    }
    EXPECT_TRUE(w.recruitsJoined[0] || w.recruitsJoined[1]) << "no recruit joined";
    EXPECT_GT(w.guardsBought[0] + w.guardsBought[1], 0) << "no guard bought at the trainer";
    ASSERT_NE(w.peddler.get(), nullptr);
    EXPECT_GE(w.peddlerGoalsReached, 3) << "the peddler walked to too few goals of its level";

    // A bad relation: war and a raid at the next review. A world's first
    // hours count as just after a raid (half the score); here the last raid
    // ended a day before the world began.
    ActorCovenant& raider = *w.covenants[0];
    ActorCovenant& target = *w.covenants[1];
    raider.lastRaidEnd = GameTime(-1, 0, 0, 0.0f);
    raider.setRelation(target.index, 10.0f);
    raider.relationChangeTimer.start(0.0f);
    w.run(1.0f);
    ASSERT_TRUE(raider.isRaiding());
    ASSERT_NE(raider.raidGate.get(), nullptr);
    int near = 0;
    Actor* sentHome = nullptr;
    for (int slot = 0; slot < raider.getRecruitSlotCount(); ++slot)
        if (const Recruit* r = raider.getRecruit(slot); r && r->away && r->getActor()) {
            Actor* a = r->getActor();
            near += a->distanceToEntity(target.getLifestone(), false) <
                    a->distanceToEntity(raider.getLifestone(), false);
            sentHome = a;
        }
    EXPECT_GE(near, 1) << "the party stands at the target's stone, not at home";
    // The defenders may hold them off a while. The stone heals meanwhile: the
    // damage its covenant noted shows the blows.
    for (int i = 0; i < 60 && raider.isRaiding() && target.getDamageFrom(&raider) <= 0.0f; ++i)
        w.run(1.0f);
    ASSERT_TRUE(raider.isRaiding());
    EXPECT_GT(target.getDamageFrom(&raider), 0.0f) << "the raiders struck the stone";

    // A raider sent home goes back by its raid teleport.
    ASSERT_NE(sentHome, nullptr);
    sentHome->warp(raider.getHouseSpot(sentHome));
    sentHome->clearTargetList();
    bool teleported = false;
    for (int i = 0; i < 200 && !teleported; ++i) {
        w.run(kStep);
        teleported = sentHome->getCurrentBehaviorType() == toIndex(ActorBehavior::TeleportRaid);
    }
    EXPECT_TRUE(teleported) << "the raider sent home never teleported back";
    EXPECT_LT(sentHome->distanceToEntity(target.getLifestone(), false), 400.0f);

    // Its own stone weak: the raid ends at the next check, everyone home.
    raider.setLifestoneHealth(raider.getLifestoneMaxHealth() / 5);
    raider.stopRaidTimer.start(0.0f);
    SafePtr<Entity> gate = raider.raidGate.get();
    w.run(kStep);
    EXPECT_FALSE(raider.isRaiding());
    for (int slot = 0; slot < raider.getRecruitSlotCount(); ++slot)
        if (const Recruit* r = raider.getRecruit(slot); r && r->getActor()) {
            EXPECT_NE(r->getActor()->getTarget(), target.getLifestone());
            // Home, or out on the outing (an adventure, a town visit) that may
            // start in the same step.
            const Actor* a = r->getActor();
            if (r->away)
                EXPECT_NE(raider.adventureState, ActorCovenant::kIdle) << slot;
            else
                EXPECT_LT(a->distanceToEntity(raider.getLifestone(), false),
                          a->distanceToEntity(target.getLifestone(), false))
                    << slot;
        }
    w.run(kStep);
    EXPECT_EQ(gate.get(), nullptr) << "the gate is deleted";
    for (const LogCapture::Line& line : w.log.lines())
        EXPECT_LT(line.level, 2) << line.text;
}

TEST(CovenantsEndToEndTest, TheSameSeedLivesTheSameTenMinutesTwice)
{
    std::vector<std::string> traces[2];
    for (auto& trace : traces) {
        CovenantWorld w(chosenSeed(5u));
        ASSERT_TRUE(w.started);
        w.run(10.0f * 60.0f);
        trace = w.trace;
    }
    ASSERT_EQ(traces[0].size(), 10u);
    EXPECT_EQ(traces[0], traces[1]);
}

// Every member at home struck down rises at its stone after its covenant's
// resurrect time: a covenant's dead are not lost for good, and its stone
// keeps a maximum to be raided and destroyed by.
TEST(CovenantsEndToEndTest, FallenMembersRiseAgainAtTheirStone)
{
    CovenantWorld w(chosenSeed(5u));
    ASSERT_TRUE(w.started);
    // All home, and no outing for ten minutes: the bodies lie where they fell.
    for (ActorCovenant* c : w.covenants) {
        c->adventureType = 0;
        c->adventureTypeTimer.start(600.0f);
        c->endAdventure(false);
    }
    struct Row {
        ActorCovenant* covenant;
        int slot;
        SafePtr<Actor> body;
    };
    std::vector<Row> rows;
    for (ActorCovenant* c : w.covenants)
        for (int slot = 0; slot < c->getRecruitSlotCount(); ++slot)
            if (const Recruit* r = c->getRecruit(slot); r && r->getActor())
                rows.push_back({c, slot, r->getActor()});
    ASSERT_GE(rows.size(), 2u) << "members at home to strike";
    for (Row& row : rows)
        row.body->setHealth(0);
    auto risen = [](const Row& row) {
        const Recruit* r = row.covenant->getRecruit(row.slot);
        return r && r->getActor() && r->getActor() == row.body.get() && !r->getActor()->isDead();
    };
    auto allRisen = [&] { return std::all_of(rows.begin(), rows.end(), risen); };
    // Two game minutes only catch a hang: the longest resurrect time is 15 s.
    for (int i = 0; i < static_cast<int>(120.0f / kStep) && !allRisen(); ++i)
        w.run(kStep);
    for (const Row& row : rows) {
        SCOPED_TRACE(formatString("covenant %d slot %d", row.covenant->index, row.slot));
        EXPECT_TRUE(risen(row)) << "the member faded instead of rising";
        EXPECT_GT(row.covenant->getLifestoneMaxHealth(), 0);
    }
}

// A member at home near its stone, whole, stays about its home; hurt, it
// walks to the stone, heals in its use and goes back home.
TEST(CovenantsEndToEndTest, AHurtMemberRestsAtItsStoneAndGoesBackHome)
{
    CovenantWorld w(chosenSeed(5u));
    ASSERT_TRUE(w.started);
    Game& game = *w.server.game;
    for (ActorCovenant* c : w.covenants) {
        c->adventureType = 0;
        c->adventureTypeTimer.start(600.0f);
        c->endAdventure(false);
    }
    const DatabaseEntry* rest = Database::get().findEntry("StatusEffectLifestoneRegen");
    ASSERT_NE(rest, nullptr);
    ActorCovenant& covenant = *w.covenants[0];
    Entity* stone = covenant.getLifestone();
    ASSERT_NE(stone, nullptr);
    SafePtr<Actor> member;
    for (int slot = 0; slot < covenant.getRecruitSlotCount() && !member; ++slot)
        if (const Recruit* r = covenant.getRecruit(slot);
            r && !r->away && r->getActor() && !r->getActor()->isDead())
            member = r->getActor();
    ASSERT_NE(member.get(), nullptr) << "a member at home";
    ASSERT_EQ(member->getLeader(), nullptr);

    // Its home 320 from the stone (or 453 across) where a path leads to it,
    // and the player near, whose presence wakes it.
    const ZonePosition s = stone->getPosition();
    ZonePosition home(-1, 0.0f, 0.0f);
    for (int d = 0; d < kDirectionCount && home.zone < 0; ++d) {
        const Vec2 step = directionToVector2(d);
        ZonePosition spot(s.zone, s.x + 320.0f * step.x, s.y + 320.0f * step.y);
        spot.normalize();
        GridPath path;
        if (game.findFreeSpotNear(spot, 2, spot, member.get(), false) &&
            ZonePosition::distanceTo(spot, s) <= 600.0f && game.findPath(member.get(), spot, s, stone, path))
            home = spot;
    }
    ASSERT_GE(home.zone, 0) << "no way to the stone";
    member->warp(home);
    member->setHomePosition(home);
    member->clearTargetList();
    member->setStat(toIndex(CharacterStat::Power), member->getStat(toIndex(CharacterStat::MaxPower)));
    const ClientRecord* record = Server::get().findClient(w.client->address());
    Player* player = record ? dynamic_cast<Player*>(record->player.get()) : nullptr;
    ASSERT_NE(player, nullptr);
    ZonePosition by;
    ASSERT_TRUE(game.findFreeSpotNear(s, 6, by, player, false));
    player->warp(by);

    bool rested = false;
    float nearest = 1e9f;
    auto watch = [&] {
        rested = rested || member->getCurrentBehaviorType() == toIndex(ActorBehavior::LifestoneRegen);
        nearest = std::min(nearest, member->distanceToEntity(stone, false));
    };
    // Whole: half a game minute about its home, no rest.
    for (int i = 0; i < static_cast<int>(30.0f / kStep); ++i) {
        w.run(kStep);
        ASSERT_NE(member.get(), nullptr);
        watch();
    }
    EXPECT_FALSE(rested) << "a whole member went to rest";
    EXPECT_FALSE(member->hasStatusEffect(rest));

    // Hurt, back at home: to the stone, healed there, home again.
    member->warp(home);
    member->setHealth(member->getMaxHealth() / 4);
    nearest = 1e9f;
    bool used = false, healed = false, back = false;
    int healthAtStone = 0;
    for (int i = 0; i < static_cast<int>(300.0f / kStep) && !back; ++i) {
        w.run(kStep);
        ASSERT_NE(member.get(), nullptr);
        watch();
        if (!used && member->hasStatusEffect(rest)) {
            used = true;
            healthAtStone = member->getHealth();
        }
        healed = healed ||
                 (used && member->getHealth() == member->getMaxHealth() && !member->hasStatusEffect(rest));
        back = healed &&
               ZonePosition::isWithinSquare(member->getPosition(), home, BehaviorReturnHome::kHomeRange);
    }
    EXPECT_TRUE(rested) << "the hurt member never went to rest";
    EXPECT_LT(nearest, BehaviorLifestoneRegen::kUseDistance);
    EXPECT_TRUE(used) << "the stone's use never began";
    EXPECT_TRUE(healed) << "not healed, or the stone's use not taken away";
    EXPECT_GT(member->getHealth(), healthAtStone);
    EXPECT_TRUE(back) << "it did not go back home";
    for (const LogCapture::Line& line : w.log.lines())
        EXPECT_LT(line.level, 2) << line.text;
}

// What a computer covenant's hunt for a Recruit quest leaves: the minute its
// count first rose, the covenant that took the recruit, and the news lines.
struct RecruitHunt {
    int firstCountMinute = -1;
    int takenBy = -1;
    std::vector<std::string> news;
};

// A Recruit quest placed in the world and taken by the player, who stays in
// town: the computer covenants hunt its type until one of them takes the
// recruit, for at most the given game minutes.
RecruitHunt huntRecruit(uint32_t seed, int minutes)
{
    RecruitHunt hunt;
    CovenantWorld w(seed);
    EXPECT_TRUE(w.started);
    Game& game = *w.server.game;
    // Friends of everyone: no war or raid draws the parties home.
    for (ActorCovenant* c : w.covenants)
        for (int other = 0; other < game.getCovenantCount(); ++other)
            if (other != c->index)
                c->setRelation(other, 90.0f);
    Quest* made = nullptr;
    for (int i = 0; i < 20 && !made; ++i)
        made = game.generateQuests(toIndex(QuestType::Recruit), nullptr, -1);
    if (!made) {
        ADD_FAILURE() << "no Recruit quest could be placed";
        return hunt;
    }
    const int number = made->id;
    SafePtr<Actor> npc = dynamic_cast<Actor*>(made->getQuestEntity());
    EXPECT_NE(npc.get(), nullptr);
    for (const ActorCovenant* c : w.covenants)
        EXPECT_EQ(c->quest->id, number) << "each covenant holds the quest under its number";
    const ClientRecord* record = Server::get().findClient(w.client->address());
    Player* player = record ? dynamic_cast<Player*>(record->player.get()) : nullptr;
    if (!player) {
        ADD_FAILURE() << "no player";
        return hunt;
    }
    const ZonePosition at = player->getPosition();
    w.client->sendInput(at, at, 0, 0xFFFFFFFFu, {"acceptQuest " + std::to_string(number)});
    Server::get().receiveMessages(16, false);
    EXPECT_GE(player->findQuestSlot(number), 0) << "the player took the quest";

    const size_t firstLine = Server::get().getQueuedCommands().size();
    for (int minute = 1; minute <= minutes && hunt.takenBy < 0; ++minute) {
        for (int second = 0; second < 60 && hunt.takenBy < 0; ++second) {
            w.run(1.0f);
            for (const ActorCovenant* c : w.covenants) {
                if (hunt.firstCountMinute < 0 && c->getQuestState() > 0)
                    hunt.firstCountMinute = minute;
                if (npc.get() && npc->getCovenant() == c)
                    hunt.takenBy = c->index;
            }
        }
    }
    const std::vector<std::string>& lines = Server::get().getQueuedCommands();
    for (size_t i = firstLine; i < lines.size(); ++i)
        if (lines[i].rfind("msg ", 0) == 0)
            hunt.news.push_back(lines[i]);
    if (hunt.takenBy >= 0) {
        const std::string name = game.getCovenantColoredName(hunt.takenBy);
        bool told = false;
        for (const std::string& line : hunt.news)
            told = told || (line.find("QuestSolvedRecruitOtherCovenant") != std::string::npos &&
                            line.find(name) != std::string::npos);
        EXPECT_TRUE(told) << "the news names " << name;
        EXPECT_EQ(player->findQuestSlot(number), -1) << "the player's copy left its slot";
        for (const ActorCovenant* c : w.covenants)
            EXPECT_EQ(c->quest->level, -1) << "covenant " << c->index << " keeps a record";
    }
    return hunt;
}

TEST(CovenantsEndToEndTest, AComputerCovenantHuntsTheRecruitQuestsTypeAndTakesTheRecruit)
{
    const RecruitHunt first = huntRecruit(chosenSeed(5u), 120);
    EXPECT_GT(first.firstCountMinute, 0) << "no covenant's quest state rose above 0";
    ASSERT_GE(first.takenBy, 0) << "no covenant took the recruit";
    std::printf("count first rose in minute %d; covenant %d took the recruit\n", first.firstCountMinute,
                first.takenBy);
    const RecruitHunt again = huntRecruit(chosenSeed(5u), 120);
    EXPECT_EQ(again.takenBy, first.takenBy);
    EXPECT_EQ(again.firstCountMinute, first.firstCountMinute);
    EXPECT_EQ(again.news, first.news);
}

} // namespace

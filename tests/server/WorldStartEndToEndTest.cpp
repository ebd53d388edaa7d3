// A world as the menu starts it (Server::start, no "newWorld"), through the
// program's own start-up on the shipped data with a scripted client: its
// level gates (one to each wild region, on ground joined to its level's
// ways out), its opening quests, and the same seed playing alike whatever
// world ran before it in the process.
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/definitions/GateList.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Gate.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/LevelWait.h"
#include "support/QuestRun.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every gate of the game made from the entry but the player covenant's own
// house gate, which uses it too.
std::vector<Gate*> gatesOf(Game& game, const std::string& entry, const Entity* houseGate)
{
    std::vector<Gate*> out;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        auto* gate = dynamic_cast<Gate*>(game.getEntity(i));
        if (gate && gate != houseGate && gate->getEntryName() == entry) {
            out.push_back(gate);
        }
    }
    return out;
}

TEST(WorldStartEndToEnd, ALevelGateIsActivatedThenCarriesHomeAndIsReachedFromTheList)
{
    HeadlessServer program;
    Game& game = *program.game;
    Random::setState(0, 4242);
    QuestRun run(program);
    ASSERT_TRUE(run.join());

    auto* covenant = dynamic_cast<PlayerCovenant*>(run.player()->getCovenant());
    ASSERT_NE(covenant, nullptr);
    ASSERT_NE(covenant->getGate(), nullptr);
    const std::vector<Gate*> gates = gatesOf(game, "ObjectGate", covenant->getGate());
    int levelsWithGates = 0;
    for (int i = 0; i < program.world->getLevelCount(); ++i) {
        levelsWithGates += program.world->getLevel(i)->gateFlag ? 1 : 0;
    }
    ASSERT_EQ(static_cast<int>(gates.size()), levelsWithGates);
    for (const Gate* gate : gates) {
        EXPECT_EQ(gate->getKind(), Gate::kLevelGate) << gate->getPosition().zone;
    }
    Gate* gate = gates.front();
    const int zone = gate->getPosition().zone;
    const uint32_t number = static_cast<uint32_t>(gate->getEntityNumber());
    Player* player = run.player();
    const int levelId = program.world->getWorldSize()->entryId;

    // First use: activated, said in the next state message, kept in both lists.
    run.frame({}, number, false, 50.0, Player::ActionUseBegin);
    const std::string activated =
        formatString("msg 2 \"%s Gate activated!\"", program.world->getLevelName(zone).c_str());
    EXPECT_NE(std::find(run.state().lines.begin(), run.state().lines.end(), activated),
              run.state().lines.end());
    const GateRecord* record = player->getGates().find(levelId, zone);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->activated);
    bool copied = false;
    for (const GateRecord& r : player->getGatesCopy().getRecords()) {
        copied = copied || (r.zone == zone && r.levelId == levelId && r.activated);
    }
    EXPECT_TRUE(copied);

    // Second use: home, beside the covenant's house gate.
    run.frame();
    run.frame({}, number, false, 50.0, Player::ActionUseBegin);
    const float cell = worldRules().gridSize;
    EXPECT_EQ(player->getPosition().zone, covenant->getGate()->getPosition().zone);
    EXPECT_LT(ZonePosition::distanceTo(player->getPosition(), covenant->getGate()->getPosition()),
              5.0f * cell);

    // "gate <i>" for the record: to that level's gate spot.
    const std::vector<GateRecord>& records = player->getGates().getRecords();
    const auto at = std::find_if(records.begin(), records.end(),
                                 [&](const GateRecord& r) { return r.zone == zone && r.levelId == levelId; });
    ASSERT_NE(at, records.end());
    run.frame({"gate " + std::to_string(at - records.begin())});
    const ZonePosition spot = program.world->getLevel(zone)->gateSpot;
    EXPECT_EQ(player->getPosition().zone, zone);
    EXPECT_LT(ZonePosition::distanceTo(player->getPosition(), spot), 5.0f * cell);
}

// The open cells of a built level that a walk from its edges reaches, four ways.
std::vector<bool> openCellsReachedFromTheEdges(Level& level)
{
    const GameRules& rules = worldRules();
    const int width = rules.collisionGridWidth;
    const int height = rules.collisionGridHeight;
    std::vector<bool> reached(static_cast<size_t>(width * height), false);
    std::deque<std::pair<int, int>> open;
    auto visit = [&](int cx, int cy) {
        if (cx < 0 || cy < 0 || cx >= width || cy >= height ||
            reached[static_cast<size_t>(cy * width + cx)] || level.isCellBlockedForMovement(cx, cy)) {
            return;
        }
        reached[static_cast<size_t>(cy * width + cx)] = true;
        open.emplace_back(cx, cy);
    };
    for (int x = 0; x < width; ++x) {
        visit(x, 0);
        visit(x, height - 1);
    }
    for (int y = 0; y < height; ++y) {
        visit(0, y);
        visit(width - 1, y);
    }
    while (!open.empty()) {
        const auto [cx, cy] = open.front();
        open.pop_front();
        visit(cx + 1, cy);
        visit(cx - 1, cy);
        visit(cx, cy + 1);
        visit(cx, cy - 1);
    }
    return reached;
}

TEST(WorldStartEndToEnd, EachWildRegionHasOneGateOnGroundJoinedToItsLevelsWaysOut)
{
    constexpr int kKey = 31;
    const std::set<std::string> wild = {"Meadows", "Darkwood", "Fenlands"};
    std::set<std::string> seen;
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        HeadlessServer program;
        for (int stream = 0; stream < Random::kStreamCount; ++stream) {
            Random::setState(stream, seed * 7919u + static_cast<uint32_t>(stream) * 104729u + 1u);
        }
        ASSERT_TRUE(Server::get().start(false, 0, 0, 0, 3)); // Easy, three computer covenants
        World& world = *program.world;
        Game& game = *program.game;
        for (int n = 0; n < world.getAreaCount(); ++n) {
            const AreaDefinition* area = world.getArea(n);
            if (!area || !area->inUse || area->levels.empty() || !wild.count(area->name)) {
                continue;
            }
            SCOPED_TRACE(area->name + " region " + std::to_string(n));
            seen.insert(area->name);
            std::vector<Gate*> gates;
            for (int i = 0; i < Game::kMaxEntities; ++i) {
                auto* gate = dynamic_cast<Gate*>(game.getEntity(i));
                if (gate && gate->getKind() == Gate::kLevelGate &&
                    std::any_of(area->levels.begin(), area->levels.end(),
                                [&](const Level* l) { return l && l->zone == gate->getPosition().zone; })) {
                    gates.push_back(gate);
                }
            }
            ASSERT_EQ(gates.size(), 1u);
            const int zone = gates.front()->getPosition().zone;
            Level& level = *world.getLevel(zone);
            level.acquire(kKey);
            ASSERT_TRUE(waitForLevels(program.app->getHooks(),
                                      [&] { return world.isLevelLoaded(zone) && game.isLevelActive(zone); }));
            const ZonePosition at = gates.front()->getPosition();
            EXPECT_FALSE(game.isBlockedForMovement(at));
            const float cell = worldRules().gridSize;
            const int x = static_cast<int>(at.x / cell);
            const int y = static_cast<int>(at.y / cell);
            ASSERT_TRUE(x >= 0 && y >= 0 && x < worldRules().collisionGridWidth &&
                        y < worldRules().collisionGridHeight);
            const std::vector<bool> reached = openCellsReachedFromTheEdges(level);
            EXPECT_TRUE(reached[static_cast<size_t>(y * worldRules().collisionGridWidth + x)])
                << "the gate at " << x << "," << y << " on level " << zone;
            level.release(kKey);
        }
    }
    EXPECT_EQ(seen, wild);
}

TEST(WorldStartEndToEnd, AMenuStartedWorldOpensWithItsQuestsAndALoadedOneMakesNoneAgain)
{
    TempDir kept;
    Kept before;
    {
        HeadlessServer program;
        Game& game = *program.game;
        Random::setState(0, 13579);
        QuestRun run(program);
        ASSERT_TRUE(run.join());
        run.frame();
        EXPECT_FALSE(game.areInitialQuestsPending());
        int story = 0;
        int tutorial = 0;
        int others = 0;
        for (int i = 0; i < game.getQuestTableSize(); ++i) {
            const Quest* quest = game.getQuest(i);
            if (!quest) {
                continue;
            }
            story += quest->type == toIndex(QuestType::StoryKillTurenScout) ? 1 : 0;
            tutorial += quest->type == toIndex(QuestType::TutorialEquipWeapon) ? 1 : 0;
            others += quest->type != toIndex(QuestType::StoryKillTurenScout) &&
                              quest->type != toIndex(QuestType::TutorialEquipWeapon)
                          ? 1
                          : 0;
        }
        EXPECT_EQ(story, 1);
        EXPECT_EQ(tutorial, 1);
        // Two to four draws; a draw of an event type acts on the world and
        // keeps no record, and in this world no level holds monsters of
        // level 1, so a draw that hunts on a level fails at quest level 1.
        EXPECT_LE(others, game.settings().maxInitialQuests);
        // The client's quest list is the Game's, after its count.
        run.frame();
        ByteBuffer list;
        game.writeQuestList(list);
        EXPECT_EQ(run.clientQuestBytes(), std::vector<uint8_t>(list.data() + 4, list.data() + list.size()));
        before = keep(game);
        ASSERT_NO_FATAL_FAILURE(saveCharacterTo(program, kept.path()));
    }
    HeadlessServer fresh;
    ASSERT_NO_FATAL_FAILURE(loadCharacterFrom(fresh, kept.path()));
    EXPECT_FALSE(fresh.game->areInitialQuestsPending());
    const Kept after = keep(*fresh.game);
    EXPECT_EQ(after.questList, before.questList);
    EXPECT_EQ(after.records, before.records);
}

// Played from the menu's start for a while, back to the menu: the world's
// save and the next draws of stream 0.
std::pair<std::vector<uint8_t>, std::vector<uint32_t>> playFromTheMenu(HeadlessServer& program, uint32_t seed)
{
    std::pair<std::vector<uint8_t>, std::vector<uint32_t>> out;
    for (int stream = 0; stream < Random::kStreamCount; ++stream) {
        Random::setState(stream, seed * 7919u + static_cast<uint32_t>(stream) * 104729u + 1u);
    }
    QuestRun run(program);
    if (!run.join()) {
        ADD_FAILURE() << "seed " << seed << " did not join";
        return out;
    }
    for (int i = 0; i < 40; ++i) {
        run.frame();
    }
    ByteBuffer save;
    EXPECT_TRUE(program.game->saveWorld(save));
    out.first = save.bytes();
    for (int i = 0; i < 4; ++i) {
        out.second.push_back(Random::next(0));
    }
    Server::get().reset();
    return out;
}

TEST(WorldStartEndToEnd, ASeedPlaysAlikeAfterAnotherWorldRanInTheSameProcess)
{
    HeadlessServer program;
    const auto first = playFromTheMenu(program, 31);
    ASSERT_FALSE(first.first.empty());
    const auto other = playFromTheMenu(program, 57);
    EXPECT_NE(other.first, first.first);
    const auto again = playFromTheMenu(program, 31);
    EXPECT_EQ(again.second, first.second) << "stream 0 drew otherwise";
    EXPECT_TRUE(again.first == first.first)
        << "the world saved otherwise (" << again.first.size() << " and " << first.first.size() << " bytes)";
}

} // namespace

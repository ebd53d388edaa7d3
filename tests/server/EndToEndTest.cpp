#include "engine/app/Application.h"
#include "engine/core/DebugSystem.h"
#include "engine/platform/LaunchOptions.h"
#include "game/definitions/GameData.h"
#include "game/entities/Entity.h"
#include "game/quests/QuestLoaders.h"
#include "game/world/Game.h"
#include "server/GameStartup.h"
#include "server/Server.h"
#include "support/ScriptedClient.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

// The program's own start-up on the shipped data, then frames of mixed
// lengths through the server hooks with a scripted client connected.
TEST(ServerEndToEnd, StartUpFramesHealAndEntityInfo)
{
    ASSERT_EQ(DebugSystem::instance(), nullptr);
    TempDir user;
    LaunchOptions options = headlessOptions(user);
    AppHooks hooks;
    registerQuestLoaders();
    installGameDataHooks(hooks);
    installServerHooks(hooks);
    Application app(options, std::move(hooks));
    app.startup();

    Server* server = Server::instance();
    Game* game = Game::instance();
    ASSERT_NE(server, nullptr);
    ASSERT_NE(game, nullptr);
    ASSERT_TRUE(GameData::instance() && GameData::get().isLoaded());
    std::vector<std::string> lines;
    int sink = DebugSystem::get().addSink([&lines](int, const std::string& text) { lines.push_back(text); });

    server->start(false, 0, 1, 1, 0);
    ScriptedClient client(5003);
    client.sendNewJoin();
    AppHooks& h = app.getHooks();
    h.serverReceive(16.0, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    h.serverUpdate();
    ScriptedClient::State state;
    ASSERT_TRUE(client.readState(state));

    std::vector<Entity*> dummies;
    for (int i = 0; i < 3; ++i) {
        Entity* dummy =
            game->spawnEntity("TrainingDummy", ZonePosition(0, 1944.0f + 40.0f * i, 2016.0f), 0.0f);
        ASSERT_NE(dummy, nullptr);
        dummy->setMaxHealth(100);
        dummy->setHealth(60);
        dummies.push_back(dummy);
    }

    // Frames of 16, 33, 50 and 400 ms for 3 s, checked against the
    // accumulator rule frame by frame.
    const uint32_t pattern[] = {16, 33, 50, 400};
    uint32_t accumulator = server->getAccumulator();
    uint32_t steps = server->getStepCount();
    uint32_t total = 0;
    int frames = 0;
    bool healed = false;
    int healLines = 0;
    std::string healLine = "dmg " + std::to_string(dummies[1]->getEntityNumber()) + " +25";
    while (total < 3000) {
        uint32_t ms = pattern[frames % 4];
        accumulator += ms;
        uint32_t run = 0;
        while (accumulator > Server::kStepMs) {
            accumulator -= Server::kStepMs;
            run += Server::kStepMs;
        }
        run = std::min(run, Server::kMaxSimulateMs);
        steps += run / Server::kStepMs;

        h.serverReceive(static_cast<double>(ms), false);
        if (frames == 5 && !healed) {
            EXPECT_EQ(dummies[1]->heal(25), 25);
            healed = true;
        }
        h.serverUpdate();
        EXPECT_EQ(server->getStepCount(), steps) << "frame " << frames;
        EXPECT_EQ(server->getAccumulator(), accumulator) << "frame " << frames;
        EXPECT_EQ(client.pending(), 1u) << "frame " << frames;
        ScriptedClient::State s;
        ASSERT_TRUE(client.readState(s));
        for (const std::string& line : s.lines) {
            healLines += line == healLine ? 1 : 0;
        }
        EXPECT_NEAR(s.game.clock.toSeconds(), 0.05 * steps, 1e-3);
        total += ms;
        ++frames;
    }
    EXPECT_EQ(healLines, 1);
    EXPECT_EQ(dummies[1]->getHealth(), 85);
    EXPECT_NEAR(game->getClock().toSeconds(), 0.05 * server->getStepCount(), 1e-3);

    lines.clear();
    server->runClientCommands({"entityInfo " + std::to_string(dummies[1]->getEntityNumber())}, nullptr);
    bool printed = false;
    for (const std::string& line : lines) {
        printed = printed || line.find("Health 85/100") != std::string::npos;
    }
    EXPECT_TRUE(printed);

    DebugSystem::get().removeSink(sink);
    app.requestQuit();
    app.shutdown();
    EXPECT_EQ(Game::instance(), nullptr);
    EXPECT_EQ(Server::instance(), nullptr);
}

// One seed makes one world, however fast the loader thread reads the level
// files: the headless program, built as the program builds itself and
// stepped by its own frame on a 50 ms clock, plays a seed, another seed, and
// the first seed again in one process, or one seed three times in a row. The
// loader is held back in the first run of each seed and left at full speed
// later, when the level files it read before are at hand at once.
#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/app/Application.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "main/ProgramHooks.h"
#include "server/Server.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Frames after the join at which the world is saved.
constexpr std::array<int, 3> kStepCounts = {1, 100, 400};

struct WorldRun {
    bool joined = false;
    int joinFrame = -1;
    uint32_t streamAfterJoin = 0;
    int levelCount = 0;
    std::vector<std::string> secretLevels; // name and seed of each, in order
    std::array<std::vector<uint8_t>, kStepCounts.size()> saves;
};

class Program {
public:
    explicit Program(const TempDir& user)
    {
        setenv("GLOAM_NO_ERROR_BOX", "1", 1);
        AppHooks hooks;
        installProgramHooks(hooks, true);
        app = std::make_unique<Application>(headlessOptions(user), std::move(hooks));
        app->setClockSource([this] { return m_nowNs; });
        app->startup();
        // The loader reads through the file system as before; while held back
        // it takes a while over each file.
        ResourceSystem::get().setFileReader([this](const std::string& name, std::vector<uint8_t>& out) {
            if (slowLoader && ResourceSystem::get().isLoaderThread()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(15));
            }
            auto data = FileSystem::get().readFile(name);
            if (!data) {
                return false;
            }
            out = std::move(*data);
            return true;
        });
    }
    ~Program()
    {
        app->requestQuit();
        app->shutdown();
    }

    void frame()
    {
        m_nowNs += 50'000'000;
        app->frame();
    }

    static void set(const char* name, const std::string& value)
    {
        UserVarSystem::get().getVar(name, "", UserVarSystem::kCreate).setString(value);
    }
    static bool run(const std::string& line)
    {
        return CommandSystem::get().execute(line, nullptr, false, false);
    }

    // A new world as the New Game window starts it, played to the last step
    // count, then left through the game menu.
    WorldRun play(uint32_t seed)
    {
        WorldRun result;
        set("PlayerName", "Seedkeeper");
        set("CovenantName", "Seed Hold");
        set("PlayerClass", "$$ClassWarrior$$");
        set("NumAiCovenants", std::to_string(GameData::get().rules().maxAiCovenants));
        set("CovenantDifficultyLevel", "Hard");
        set("WorldDifficultyLevel", "Normal");
        set("StartingLevel", "1");
        for (int stream = 0; stream < Random::kStreamCount; ++stream) {
            Random::setState(stream, seed * 7919u + static_cast<uint32_t>(stream) * 104729u + 1u);
        }
        if (!run("start both 0")) {
            return result;
        }
        // The limit only catches a join that never comes.
        for (int frames = 0; frames < 2000 && !result.joined; ++frames) {
            frame();
            Client* client = Client::instance();
            if (client && client->isJoined() && client->getLocalPlayer() && GameClient::instance() &&
                GameClient::get().isLoaded()) {
                result.joined = true;
                result.joinFrame = frames;
                result.streamAfterJoin = Random::getState(0);
                const World& world = World::get();
                result.levelCount = world.getLevelCount();
                for (int level = std::max(0, world.getFirstSecretLevel());
                     world.getFirstSecretLevel() >= 0 && level < world.getLevelCount(); ++level) {
                    const Level* secret = world.getLevel(level);
                    result.secretLevels.push_back(secret
                                                      ? secret->getName() + " " + std::to_string(secret->seed)
                                                      : std::string("none"));
                }
            }
        }
        int played = 0;
        for (size_t i = 0; result.joined && i < kStepCounts.size(); ++i) {
            for (; played < kStepCounts[i]; ++played) {
                frame();
            }
            ByteBuffer out;
            if (Game::get().saveWorld(out)) {
                result.saves[i].assign(out.data(), out.data() + out.size());
            }
        }
        // Left without a save: what a save keeps for the next game (the
        // player's global file) would make the next world another one.
        Client::get().endGame();
        Server::get().reset();
        frame();
        return result;
    }

    std::unique_ptr<Application> app;
    std::atomic<bool> slowLoader = false;

private:
    int64_t m_nowNs = 0;
};

TEST(OneSeedOneWorld, TheLoadersPaceChangesNothingTheServerDraws)
{
    struct Case {
        uint32_t seed;
        uint32_t other;
    };
    // An "other" equal to the seed plays the seed three times in a row.
    const Case cases[] = {{11u, 12u}, {2024u, 7u}, {31337u, 11u}, {91u, 91u}};
    TempDir user;
    Program program(user);
    for (const Case& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        program.slowLoader = true;
        const WorldRun first = program.play(c.seed);
        program.slowLoader = false;
        const WorldRun other = program.play(c.other);
        const WorldRun again = program.play(c.seed);
        ASSERT_TRUE(first.joined && other.joined && again.joined) << "the player cannot join";
        EXPECT_EQ(again.joinFrame, first.joinFrame);
        EXPECT_EQ(again.streamAfterJoin, first.streamAfterJoin) << "stream 0 after the join";
        EXPECT_FALSE(first.secretLevels.empty()) << "the world has secret levels";
        for (const WorldRun* run : {&other, &again}) {
            if (run == &other && c.other != c.seed) {
                continue;
            }
            EXPECT_EQ(run->levelCount, first.levelCount);
            EXPECT_EQ(run->secretLevels, first.secretLevels);
        }
        for (size_t i = 0; i < kStepCounts.size(); ++i) {
            ASSERT_FALSE(first.saves[i].empty()) << "the world cannot be saved";
            if (c.other != c.seed) {
                EXPECT_NE(other.saves[i], first.saves[i]) << "another seed gives another world";
            } else {
                EXPECT_TRUE(other.saves[i] == first.saves[i])
                    << "the seed twice in a row, " << kStepCounts[i] << " frames after the join";
            }
            EXPECT_TRUE(again.saves[i] == first.saves[i])
                << "world save " << kStepCounts[i] << " frames after the join: " << first.saves[i].size()
                << " bytes, then " << again.saves[i].size();
        }
    }
}

} // namespace

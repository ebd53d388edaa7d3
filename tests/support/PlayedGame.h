#pragma once

// The headless program as `gloamreach --headless` runs it, whole in this
// process: every subsystem's hooks, the shipped data and menus, a user
// directory of its own. A game is started as the New Game window starts it
// ("start both 0": the real Server and Client over the loopback) and its
// frames are stepped through the frame hooks in the main loop's order, with
// no idle sleep, 50 ms each.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/app/Application.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/files/FileSystem.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "main/ProgramHooks.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class PlayedGame {
public:
    static constexpr double kFrameMs = 50.0;

    // On the shipped data, or on another data directory.
    explicit PlayedGame(const TempDir& user, const std::string& dataDir = "")
        : PlayedGame(withDataDir(headlessOptions(user), dataDir))
    {
    }
    // On the options' data and user directories (headless).
    explicit PlayedGame(const LaunchOptions& options)
    {
        setenv("GLOAM_NO_ERROR_BOX", "1", 1);
        AppHooks hooks;
        installProgramHooks(hooks, true);
        app = std::make_unique<Application>(options, std::move(hooks));
        app->startup();
        m_sink = DebugSystem::get().addSink([this](int level, const std::string& text) {
            if (level >= 3) {
                errors.push_back(text);
            } else if (level == 2) {
                ++warningCount;
                if (warnings.size() < 8 &&
                    std::find(warnings.begin(), warnings.end(), text) == warnings.end())
                    warnings.push_back(text);
            }
        });
    }
    ~PlayedGame()
    {
        DebugSystem::get().removeSink(m_sink);
        app->requestQuit();
        app->shutdown();
    }
    PlayedGame(const PlayedGame&) = delete;
    PlayedGame& operator=(const PlayedGame&) = delete;

    static void set(const char* name, const std::string& value)
    {
        UserVarSystem::get().getVar(name, "", UserVarSystem::kCreate).setString(value);
    }

    // Every random stream from the seed, so the same seed plays alike.
    static void seedStreams(uint32_t seed)
    {
        for (int stream = 0; stream < Random::kStreamCount; ++stream) {
            Random::setState(stream, seed * 7919u + static_cast<uint32_t>(stream) * 104729u + 1u);
        }
    }

    // Runs a command line as a key bound to it or a menu runs it.
    static bool run(const std::string& line)
    {
        return CommandSystem::get().execute(line, nullptr, false, false);
    }

    // One frame: the hooks of Application::frame in its order, without the
    // pacing. `between` runs after the client has read the server's last
    // state and before it moves on (where mirrors and server agree).
    template <class Between> void frame(Between between)
    {
        AppHooks& hooks = app->getHooks();
        hooks.finishLevels();
        const bool paused = hooks.isClientPaused && hooks.isClientPaused();
        hooks.serverReceive(kFrameMs, paused);
        hooks.clientUpdate();
        between();
        hooks.clientThink(kFrameMs / 1000.0);
        const auto begin = std::chrono::steady_clock::now();
        hooks.serverUpdate();
        lastServerMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
        hooks.clientDraw(kFrameMs / 1000.0);
        settle();
    }
    void frame()
    {
        frame([] {});
    }

    // Levels are built on the loader thread; each frame waits for what it
    // asked for, so the order of events never depends on the thread's pace.
    void settle()
    {
        World* world = World::instance();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (world && world->hasPendingBuilds() && std::chrono::steady_clock::now() < deadline) {
            app->getHooks().finishLevels();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Frames until the client has joined and its game is loaded.
    bool waitForJoin(int frames = 200)
    {
        for (int i = 0; i < frames; ++i) {
            Client* client = Client::instance();
            if (client && client->isJoined() && client->getLocalPlayer() && GameClient::instance() &&
                GameClient::get().isLoaded()) {
                return true;
            }
            frame();
        }
        return false;
    }

    // Frames of the join alone: the server takes the join and answers, the
    // client reads the answer, but neither the world nor the player moves.
    bool joinWithoutPlay(int frames = 200)
    {
        AppHooks& hooks = app->getHooks();
        for (int i = 0; i < frames; ++i) {
            hooks.finishLevels();
            hooks.serverReceive(kFrameMs, false);
            hooks.clientUpdate();
            settle();
            Client* client = Client::instance();
            if (client && client->isJoined() && client->getLocalPlayer() &&
                !client->getLocalPlayer()->getGeneratedName().empty()) {
                return true;
            }
        }
        return false;
    }

    // Saves as the automatic save does: the client's files and the server's
    // as one save. False when it could not be made.
    bool saveAsAutosave()
    {
        const bool saved = GameClient::instance() && GameClient::get().saveGame();
        FileSystem::get().finishWrites();
        return saved;
    }

    std::unique_ptr<Application> app;
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
    int warningCount = 0;
    double lastServerMs = 0.0;

private:
    static LaunchOptions withDataDir(LaunchOptions options, const std::string& dataDir)
    {
        if (!dataDir.empty()) {
            options.dataDir = dataDir;
        }
        return options;
    }

    int m_sink = -1;
};

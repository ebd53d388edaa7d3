#pragma once

#include "engine/app/Application.h"
#include "engine/files/FileSystem.h"
#include "engine/platform/LaunchOptions.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "support/ServerStartup.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The headless program started on data/ with the server side's hooks, in a
// user directory of its own. Going, it clears the game's entities and shuts
// the program down (after whatever a deriving test releases first).
class HeadlessServer {
public:
    HeadlessServer() : options(headlessOptions(user))
    {
        AppHooks hooks;
        installServerSideHooks(hooks);
        app = std::make_unique<Application>(options, std::move(hooks));
        app->startup();
        world = World::instance();
        game = Game::instance();
        spawns = SpawnSystem::instance();
    }
    ~HeadlessServer()
    {
        if (game)
            game->clear();
        app->requestQuit();
        app->shutdown();
    }
    HeadlessServer(const HeadlessServer&) = delete;
    HeadlessServer& operator=(const HeadlessServer&) = delete;

    // A world with a single computer covenant, the smallest that holds every
    // kind of record a world save has.
    void generateWithOneComputerCovenant()
    {
        GameRules& rules = GameData::get().mutableRules();
        const int keptMin = rules.minAiCovenants;
        rules.minAiCovenants = 1;
        game->generateWorld(0, 1, 0, 1);
        rules.minAiCovenants = keptMin;
    }
    // A saved file's bytes, once the file system's worker has committed it.
    static std::vector<uint8_t> savedBytes(const std::string& path)
    {
        FileSystem::get().finishWrites();
        return readFileBytes(path);
    }

    TempDir user;
    LaunchOptions options;
    std::unique_ptr<Application> app;
    World* world = nullptr;
    Game* game = nullptr;
    SpawnSystem* spawns = nullptr;
};

#pragma once

// The headless program with the server side's hooks, started on data/ in a
// user directory of its own under the temporary directory (emptied first,
// removed at the end). Header-only: every bench_*.cpp is a program of its own.
#include "bench/BenchSupport.h"
#include "engine/app/Application.h"
#include "engine/data/Database.h"
#include "engine/platform/LaunchOptions.h"
#include "game/definitions/GameData.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "tests/support/ServerStartup.h"

#include <filesystem>
#include <memory>
#include <string>

// Headless, on the shipped data, in the user directory (emptied first).
inline LaunchOptions playedGameOptions(const std::filesystem::path& user)
{
    std::filesystem::remove_all(user);
    std::filesystem::create_directories(user);
    LaunchOptions options;
    options.headless = true;
    options.dataDir = GLOAM_DATA_DIR;
    options.userDir = user.string();
    return options;
}

struct BenchProgram {
    explicit BenchProgram(const std::string& userDirName) : userDir(benchTempDir(userDirName))
    {
        const LaunchOptions options = playedGameOptions(userDir);
        AppHooks hooks;
        installServerSideHooks(hooks);
        app = std::make_unique<Application>(options, std::move(hooks));
        app->startup();
    }
    ~BenchProgram()
    {
        if (Game* game = Game::instance()) {
            game->clear();
        }
        app->requestQuit();
        app->shutdown();
        std::filesystem::remove_all(userDir);
    }
    BenchProgram(const BenchProgram&) = delete;
    BenchProgram& operator=(const BenchProgram&) = delete;

    // The world of the seed laid out, the Game sized for its levels.
    static World& loadWorld(uint32_t seed)
    {
        World& world = World::get();
        world.setWorldSeed(seed);
        world.load();
        Game::get().resizeForWorld(world.getLevelCount());
        return world;
    }

    // A player of the name (none when empty) built for the world and
    // standing at the start position, of the level when one is given.
    static Player* addPlayerAtStart(const std::string& name = {}, int level = 0)
    {
        auto* player = new Player();
        Game::get().addEntity(player);
        if (!name.empty())
            player->setName(name);
        player->buildForWorld();
        player->setPosition(GameData::get().getStartPosition());
        if (level > 0)
            player->setStat(toIndex(CharacterStat::Level), level);
        player->update(0.0f);
        return player;
    }

    std::filesystem::path userDir;
    std::unique_ptr<Application> app;
};

// The largest of the "World" entry's sizes, or null when the data has none.
inline const DatabaseEntry* largestWorldSize(Database& db)
{
    const DatabaseEntry* largest = nullptr;
    int largestArea = 0;
    for (const std::string& name : db.getStringList(db.findEntry("World"), "WorldSize")) {
        const DatabaseEntry* size = db.findEntry(name);
        const int area = size ? db.getInt(size, "Width") * db.getInt(size, "Height") : 0;
        if (area > largestArea) {
            largest = size;
            largestArea = area;
        }
    }
    return largest;
}

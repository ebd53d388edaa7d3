#pragma once

// The shipped game loaded into a fresh Game for the world benchmarks.
// Header-only: every bench_*.cpp is a program of its own.
#include "bench/BenchSupport.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/net/SocketLayer.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"
#include "server/Server.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Reads data/ through a file system whose user directory is a temporary one
// (named by the benchmark, removed again at the end). Register extra loaders
// or resource types first, then call start().
struct BenchWorld {
    explicit BenchWorld(const std::string& userDirName) : userDir(benchTempDir(userDirName).string())
    {
        files = std::make_unique<FileSystem>(GLOAM_DATA_DIR, userDir);
    }
    ~BenchWorld()
    {
        game.reset();
        gameData.reset();
        std::filesystem::remove_all(userDir);
    }
    BenchWorld(const BenchWorld&) = delete;
    BenchWorld& operator=(const BenchWorld&) = delete;

    // Loads the database and the game data, binds the game classes and makes
    // the Game.
    void start(bool serverCommands)
    {
        database.load(Database::kMasterFile, false);
        startUpGameData(gameData);
        registerGameClasses();
        classes.declareAllEvents();
        classes.bindAllHandlers();
        if (serverCommands) {
            server.registerCommands();
        }
        game = std::make_unique<Game>();
    }

    std::string userDir;
    DebugSystem debug;
    std::unique_ptr<FileSystem> files;
    EventSystem events;
    ClassRegistry classes;
    ResourceSystem resources;
    CommandSystem commands;
    UserVarSystem vars;
    SocketLayer sockets;
    Database database;
    std::unique_ptr<GameData> gameData;
    Server server;
    std::unique_ptr<Game> game;
};

// Sets the "p99_ms" and "mean_ms" counters from the step times (sorts them).
inline void setStepTimeCounters(benchmark::State& state, std::vector<double>& ms)
{
    std::sort(ms.begin(), ms.end());
    double sum = 0.0;
    for (double v : ms) {
        sum += v;
    }
    state.counters["p99_ms"] = ms[static_cast<size_t>(0.99 * static_cast<double>(ms.size() - 1))];
    state.counters["mean_ms"] = sum / static_cast<double>(ms.size());
}

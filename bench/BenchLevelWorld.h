#pragma once

// The shipped data with the systems levels are built from (files with the
// generated content, database, game data, resources, shaders, area blocks)
// and an empty World, for the level and world benchmarks.
// Header-only: every bench_*.cpp is a program of its own.
#include "bench/BenchSupport.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/AreaResource.h"
#include "game/world/World.h"
#include "graphics/shaders/ShaderSystem.h"

#include <filesystem>
#include <memory>
#include <string>

struct BenchLevelWorld {
    explicit BenchLevelWorld(const std::string& userDirName)
        : userDir(benchTempDir(userDirName)),
          files(GLOAM_DATA_DIR, (std::filesystem::create_directories(userDir), userDir.string()))
    {
        files.mountGeneratedDirectory(GLOAM_GENERATED_DATA_DIR);
        database.load(Database::kMasterFile, false);
        startUpGameData(data);
        resources.setBaseDirectory(GLOAM_DATA_DIR);
        resources.readThroughFileSystem(&files);
        ModelResource::registerTypes(resources);
        shaders.registerCommands();
        shaders.loadAll();
        registerAreaResourceType(resources);
        world = std::make_unique<World>();
        world->installNeighbourFunction();
    }
    ~BenchLevelWorld()
    {
        world.reset();
        data.reset();
        ZoneTopology::reset();
        std::filesystem::remove_all(userDir);
    }
    BenchLevelWorld(const BenchLevelWorld&) = delete;
    BenchLevelWorld& operator=(const BenchLevelWorld&) = delete;

    DebugSystem debug;
    std::filesystem::path userDir;
    FileSystem files;
    Database database;
    ResourceSystem resources;
    ShaderSystem shaders;
    std::unique_ptr<GameData> data;
    std::unique_ptr<World> world;
};

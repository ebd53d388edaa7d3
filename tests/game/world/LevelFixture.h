#pragma once

// The shipped game data, shaders, models and areas as the server sees them,
// with a World to hold levels.
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/AreaDefinition.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "graphics/shaders/ShaderSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

class LevelFixture : public ::testing::Test {
protected:
    LevelFixture() : files(gameDataPath(), temp.path().string())
    {
        files.mountGeneratedDirectory(generatedDataPath());
        database.load(Database::kMasterFile, false);
        startUpGameData(data);
        useGameData(resources);
        ModelResource::registerTypes(resources);
        shaders.registerCommands(); // the resource type and the models' map shaders
        shaders.loadAll();
        registerAreaResourceType(resources);
        world = std::make_unique<World>();
        world->installNeighbourFunction();
    }
    ~LevelFixture() override
    {
        world.reset();
        definitions.clear();
        resources.stopLoader();
        data.reset();
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
    }

    // A definition of the database by entry name, kept for the test.
    AreaDefinition* definition(const std::string& name)
    {
        auto& slot = definitions[name];
        if (!slot) {
            slot = std::make_unique<AreaDefinition>();
            const DatabaseEntry* entry = database.findEntry(name);
            EXPECT_NE(entry, nullptr) << name;
            if (entry) {
                slot->load(entry, static_cast<int>(definitions.size()));
            }
        }
        return slot.get();
    }
    // A definition read from a text entry of its own.
    AreaDefinition* customDefinition(const std::string& name, const std::string& body)
    {
        database.addSubDatabase("Custom" + name, name + ".dbl",
                                name + " {\n    Type Area\n" + body + "\n}\n");
        database.resolveBases();
        return definition(name);
    }
    // A level in the World, not referenced yet.
    Level* addLevel(AreaDefinition* def, uint32_t seed, std::array<int, 4> kinds = {1, 1, 1, 1},
                    std::array<int, 4> openings = {-1, -1, -1, -1})
    {
        auto level = std::make_unique<Level>();
        level->definition = def;
        level->seed = seed;
        level->borderKinds = kinds;
        level->borderOpenings = openings;
        int zone = world->addLevel(std::move(level));
        return world->getLevel(zone);
    }
    // Referenced with a server key and built at once.
    Level* builtLevel(AreaDefinition* def, uint32_t seed, std::array<int, 4> kinds = {1, 1, 1, 1},
                      std::array<int, 4> openings = {-1, -1, -1, -1})
    {
        Level* level = addLevel(def, seed, kinds, openings);
        level->acquire(7);
        level->ensureLayout();
        return level;
    }

    LogCapture log;
    TempDir temp;
    FileSystem files;
    Database database;
    ResourceSystem resources;
    ShaderSystem shaders;
    std::unique_ptr<GameData> data;
    std::map<std::string, std::unique_ptr<AreaDefinition>> definitions;
    std::unique_ptr<World> world;
};

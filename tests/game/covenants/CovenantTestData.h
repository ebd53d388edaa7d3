#pragma once

#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "engine/files/FileSystem.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/definitions/GameData.h"
#include "game/skills/SkillLoaders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

// The shipped database, optionally with the covenant fixtures of testdata/
// added as one more sub-database, and the game data loaded as at start-up.
class CovenantTestData : public ::testing::Test {
protected:
    explicit CovenantTestData(bool withFixtures = false) : files(gameDataPath(), temp.path().string())
    {
        log.clear();
        wasDeveloper = DebugSystem::get().isDeveloper();
        DebugSystem::get().setDeveloper(true); // the start-up counts are level-1 lines
        registerSkillLoaders();
        registerCovenantLoaders();
        database.load(Database::kMasterFile, false);
        if (withFixtures) {
            std::ifstream in(testDataPath("covenants/fixtures.dbl"));
            std::stringstream text;
            text << in.rdbuf();
            database.addSubDatabase("CovenantFixture", "fixtures.dbl", text.str());
            database.resolveBases();
        }
        loaded = startUpGameData(data);
    }
    ~CovenantTestData() override
    {
        data.reset();
        DebugSystem::get().setDeveloper(wasDeveloper);
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
    }

    int definitionIndex(const char* name) const { return data->findCovenantDefinition(name); }

    LogCapture log;
    TempDir temp;
    FileSystem files;
    Database database;
    std::unique_ptr<GameData> data;
    bool loaded = false;
    bool wasDeveloper = false;
};

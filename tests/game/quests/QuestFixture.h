#pragma once

#include "engine/core/Random.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/data/NameGenerator.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameData.h"
#include "game/quests/QuestLoaders.h"
#include "support/FakeQuestWorld.h"
#include "support/TestQuest.h"
#include "support/TestSupport.h"

#include <array>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

// The quest roll fixture (testdata/quests/): all 67 types share one tuning,
// names come from the shipped name files, and a fake world answers level picks.
class QuestFixture : public ::testing::Test {
protected:
    explicit QuestFixture(const std::string& root = testDataPath("quests"))
        : files(root, temp.path().string())
    {
        for (int s = 0; s < Random::kStreamCount; ++s)
            savedStreams[static_cast<size_t>(s)] = Random::getState(s);
        registerQuestLoaders();
        database.load(Database::kMasterFile, false);
        data = std::make_unique<GameData>();
        loaded = data->load();
        for (const char* list : {"npcsMale", "npcsFemale"})
            names.addList(list, readFile(gameDataPath(std::string("Names/") + list + ".txt")));
        for (int i = 0; i < 12; ++i)
            world.addLevel("Level" + std::to_string(i));
        world.pickResults = {{10, 3}, {11, 4}};
        world.areaFirstLevels = {{1, 5}, {2, 6}, {3, 7}, {4, 8}};
    }
    ~QuestFixture() override
    {
        data.reset();
        GameData::loaders() = DefinitionLoaders();
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
        for (int s = 0; s < Random::kStreamCount; ++s)
            Random::setState(s, savedStreams[static_cast<size_t>(s)]);
    }

    static std::string readFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    MonsterType* monster(const char* name) const { return data->findMonsterType(name); }

    // setup, rollChoices, setUp and randomizeParameters as the Game does them.
    void roll(TestQuest& quest, QuestType type, uint32_t seed = 12345, int level = 10)
    {
        ASSERT_TRUE(quest.setup(level, GameTime(0, 8, 0, 0.0f), seed, toIndex(type), 0));
        quest.rollChoices(false);
        quest.setUp(0, nullptr);
        quest.randomizeParameters();
    }

    std::array<uint32_t, Random::kStreamCount> savedStreams{};
    LogCapture log;
    TempDir temp;
    FileSystem files;
    Database database;
    NameGenerator names;
    std::unique_ptr<GameData> data;
    FakeQuestWorld world;
    bool loaded = false;
};

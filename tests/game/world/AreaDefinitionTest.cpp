#include "game/world/AreaDefinition.h"

#include "engine/core/Random.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/RandomGenerator.h"
#include "graphics/shaders/ShaderSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

// The shipped database and monsters, with test entries added on top.
class AreaDefinitionTest : public ::testing::Test {
protected:
    AreaDefinitionTest() : files(gameDataPath(), temp.path().string())
    {
        database.load(Database::kMasterFile, false);
        database.addSubDatabase("AreaTest", "areatest.dbl", R"(
TestWarriorOnly {
    Type Area
    MonsterSpawn Goblin
    NumMonsterTypesToUse 1
}
TestDesiredLow {
    Type Area
    MonsterSpawn Goblin Spider Nobody
    DesiredMonsterSpawn Goblin
    DesiredChanceMult 1.0
    MinDesiredMonsterLevelOffset -5
    MaxDesiredMonsterLevelOffset -3
    MinMonsterLevelOffset -9
    MaxMonsterLevelOffset 0
    NumMonsterTypesToUse 10
    MinWidth 3
    MaxWidth 3
    MinHeight 2
    MaxHeight 4
    MonsterChancePerBlock 0
    MinMonstersPerBlock 2
    MaxMonstersPerBlock 4
    ChestSpawn ChestNone ChestNoneToo Missing
    RandomLevelGenerator Tunnels
}
ChestNone {
    SpawnChance 0
}
ChestNoneToo {
}
)");
        database.resolveBases();
        startUpGameData(data);
        shaders.registerResourceType(resources);
    }
    ~AreaDefinitionTest() override
    {
        resources.stopLoader();
        data.reset();
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
    }

    std::unique_ptr<AreaDefinition> load(const char* name)
    {
        auto def = std::make_unique<AreaDefinition>();
        const DatabaseEntry* entry = database.findEntry(name);
        EXPECT_NE(entry, nullptr) << name;
        if (entry) {
            def->load(entry, 0);
        }
        return def;
    }
    std::vector<std::string> names(const std::vector<MonsterType*>& types)
    {
        std::vector<std::string> out;
        for (MonsterType* t : types) {
            out.push_back(t->getEntryName());
        }
        return out;
    }

    LogCapture log;
    TempDir temp;
    FileSystem files;
    Database database;
    ResourceSystem resources;
    ShaderSystem shaders;
    std::unique_ptr<GameData> data;
};

TEST_F(AreaDefinitionTest, ShippedDefinitionsLoadWithoutALine)
{
    log.clear();
    for (const char* name : {"AreaTown", "AreaMeadows", "AreaDarkwood", "AreaBarrows"}) {
        auto def = load(name);
        EXPECT_FALSE(def->areaFileName.empty()) << name;
        EXPECT_TRUE(def->defaultShader.isValid()) << name;
    }
    for (const LogCapture::Line& line : log.lines()) {
        EXPECT_LT(line.level, 2) << line.text;
    }
    auto town = load("AreaTown");
    EXPECT_TRUE(town->getMonsterPool().empty());
    auto darkwood = load("AreaDarkwood");
    EXPECT_EQ(darkwood->randomLevelGenerator, static_cast<int>(RandomGenerator::Cave));
    EXPECT_EQ(darkwood->minBlocks, 40);
    auto barrows = load("AreaBarrows");
    EXPECT_EQ(barrows->randomLevelGenerator, static_cast<int>(RandomGenerator::Dungeon));
    EXPECT_EQ(barrows->maxBlockWidth, 5);
    EXPECT_EQ(barrows->getMonsterPool().size(), 2u);
}

TEST_F(AreaDefinitionTest, MeadowsCandidatesAtLevelThree)
{
    auto meadows = load("AreaMeadows");
    // Goblin is desired (levels 3 … 4): its scout and warrior; Spider takes
    // levels 3 … 4: the cave spider. The chief starts at 8, the unique
    // version never counts.
    meadows->collectMonsterCandidates(3);
    EXPECT_EQ(names(meadows->getCandidates()),
              (std::vector<std::string>{"GoblinScout", "GoblinWarrior", "CaveSpider"}));
    const std::vector<MonsterType*>& c = meadows->getCandidates();
    EXPECT_FLOAT_EQ(meadows->candidateWeight(c[0]), 3.0f * 2.0f);
    EXPECT_FLOAT_EQ(meadows->candidateWeight(c[1]), 3.0f * 2.0f);
    EXPECT_FLOAT_EQ(meadows->candidateWeight(c[2]), 2.0f);

    meadows->prepareMonsterTypes(3);
    EXPECT_TRUE(meadows->isPrepared());
    EXPECT_EQ(meadows->getActiveTypes().size(), 3u);
    EXPECT_FLOAT_EQ(meadows->getActiveWeight(), 4.0f + 4.0f + 5.0f);
    EXPECT_TRUE(meadows->getCandidates().empty());
    // Once only.
    meadows->prepareMonsterTypes(20);
    EXPECT_EQ(meadows->getActiveTypes().size(), 3u);
}

TEST_F(AreaDefinitionTest, ActivatingTheWarriorBringsItsCompanion)
{
    auto def = load("TestWarriorOnly");
    def->prepareMonsterTypes(7); // only the warrior lives at level 7
    EXPECT_EQ(names(def->getActiveTypes()), (std::vector<std::string>{"GoblinWarrior", "GoblinScout"}));
    EXPECT_FLOAT_EQ(def->getActiveWeight(), 8.0f);
    EXPECT_TRUE(def->isMonsterOfArea(data->findMonsterType("GoblinScout")));
    EXPECT_FALSE(def->isMonsterOfArea(data->findMonsterType("CaveSpider")));
}

TEST_F(AreaDefinitionTest, EdgeCases)
{
    log.clear();
    auto def = load("TestDesiredLow");
    EXPECT_TRUE(log.contains("Unknown RandomGenerator name Tunnels", 3));
    EXPECT_EQ(def->randomLevelGenerator, 0);
    // Unknown names and weightless classes are left out of the pool.
    EXPECT_EQ(def->getMonsterPool().size(), 2u);

    for (int i = 0; i < 50; ++i) {
        int w = 0, h = 0;
        def->rollSize(w, h);
        EXPECT_EQ(w, 3);
        EXPECT_GE(h, 2);
        EXPECT_LE(h, 4);
        EXPECT_EQ(def->rollMonsterCount(false), 0);
        int n = def->rollMonsterCount(true);
        EXPECT_GE(n, 2);
        EXPECT_LE(n, 4);
    }
    // Desired offsets below 1 use level 1: only the scout; the spider's
    // range is 1 … 1 too.
    def->prepareMonsterTypes(1);
    std::vector<std::string> active = names(def->getActiveTypes());
    std::sort(active.begin(), active.end());
    EXPECT_EQ(active, (std::vector<std::string>{"CaveSpider", "GoblinScout"}));

    // Chest weights all 0 (and a missing entry left out): no pick.
    EXPECT_EQ(def->getChests().size(), 2u);
    EXPECT_EQ(def->pickChestType(), -1);
    EXPECT_EQ(def->pickTrapType(), -1);
}

TEST_F(AreaDefinitionTest, RemovedSpawnEntriesNeverComeBack)
{
    auto def = load("TestWarriorOnly"); // nothing active: only extra entries
    MonsterType* spider = data->findMonsterType("CaveSpider");
    MonsterType* warrior = data->findMonsterType("GoblinWarrior");
    MonsterType* giant = data->findMonsterType("GiantSpider");
    def->addSpawnEntry(spider, 1.0f, 1);
    def->addSpawnEntry(warrior, 3.0f, 2); // and its scout
    def->addSpawnEntry(giant, 2.0f, 3);   // its cave spider and brood keeper
    def->addSpawnEntry(giant, 2.0f, 3);   // already there
    EXPECT_EQ(def->getSpawnEntries().size(), 6u);
    EXPECT_FLOAT_EQ(def->getSpawnEntryWeight(), 1.0f + 6.0f + 6.0f);

    def->removeSpawnEntry(3);
    EXPECT_FLOAT_EQ(def->getSpawnEntryWeight(), 7.0f);
    Random::setState(0, 99);
    std::map<std::string, int> counts;
    for (int i = 0; i < 20000; ++i) {
        MonsterType* m = def->pickMonsterToSpawn();
        ASSERT_NE(m, nullptr);
        ++counts[m->getEntryName()];
    }
    EXPECT_EQ(counts.count("GiantSpider"), 0u);
    EXPECT_NEAR(counts["CaveSpider"] / 20000.0, 1.0 / 7.0, 0.015);
    EXPECT_NEAR(counts["GoblinWarrior"] / 20000.0, 3.0 / 7.0, 0.015);
    EXPECT_NEAR(counts["GoblinScout"] / 20000.0, 3.0 / 7.0, 0.015);

    def->removeSpawnEntry(1);
    def->removeSpawnEntry(2);
    EXPECT_EQ(def->pickMonsterToSpawn(), nullptr);
}

} // namespace

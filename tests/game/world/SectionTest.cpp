// Sections, world sizes and secret levels on small hand-made databases.
#include "game/world/Section.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "game/definitions/GameRules.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>

namespace {

// An area entry of a fixed size.
std::string area(const std::string& name, int w, int h, const std::string& extra = {})
{
    return name + " {\n    Type Area\n    Name \"" + name + "\"\n    MinWidth " + std::to_string(w) +
           "\n    MaxWidth " + std::to_string(w) + "\n    MinHeight " + std::to_string(h) +
           "\n    MaxHeight " + std::to_string(h) + "\n" + extra + "}\n";
}

std::string worldEntry(int width, int height, int depth, const std::string& sections,
                       const std::string& extra = {})
{
    return "World {\n    WorldSize SizeStandard\n    Section " + sections + "\n" + extra +
           "}\nSizeStandard {\n    Name \"Standard\"\n    Width " + std::to_string(width) + "\n    Height " +
           std::to_string(height) + "\n    SectionLevelDepth " + std::to_string(depth) +
           "\n    SectionMinLevelsMult 1.0\n}\n";
}

class SectionTest : public ::testing::Test {
protected:
    ~SectionTest() override
    {
        world.reset();
        ZoneTopology::reset();
    }

    void load(const std::string& text, uint32_t seed = 77)
    {
        database.addSubDatabase("Test", "test.dbl", text);
        database.resolveBases();
        world.reset();
        world = std::make_unique<World>();
        world->installNeighbourFunction();
        world->setWorldSeed(seed);
        world->load();
    }

    std::set<int> rowsOf(const AreaDefinition* def) const
    {
        std::set<int> rows;
        for (const Level* l : def->levels) {
            rows.insert(l->gridRow);
        }
        return rows;
    }

    LogCapture log;
    Database database;
    std::unique_ptr<World> world;
};

TEST_F(SectionTest, TheMainPathTakesExactlyTheSectionDepthAndTheLastAreaIsCut)
{
    std::string text = worldEntry(7, 10, 5, "S") + "S {\n    Area A B C D E F\n}\n";
    for (const char* name : {"A", "B", "C", "D", "E", "F"}) {
        text += area(name, 1, 2);
    }
    load(text);
    Section* s = world->getSection(0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->startDepth, 0);
    EXPECT_EQ(s->endDepth, 4);
    std::set<int> rows;
    int mainLevels = 0;
    for (const auto& def : s->areas) {
        if (def->mainPath) {
            mainLevels += static_cast<int>(def->levels.size());
            for (int r : rowsOf(def.get())) {
                rows.insert(r);
            }
        }
    }
    EXPECT_EQ(rows, (std::set<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(mainLevels, 5); // 2 + 2 + 1: the third area cut to the one row left
    // Width-1 areas on a path that starts in the middle stay in its column.
    for (int i = 0; i < world->getLevelCount(); ++i) {
        EXPECT_EQ(world->getLevel(i)->gridColumn, 3);
    }
}

TEST_F(SectionTest, EightAreasAndSixDungeonsAreUsedAtMost)
{
    std::string text = worldEntry(7, 20, 20, "S") +
                       "S {\n    Area A0 A1 A2 A3 A4 A5 A6 A7 A8 A9\n    Dungeon D0 D1 D2 D3 D4 D5 D6\n}\n";
    for (int i = 0; i < 10; ++i) {
        text += area("A" + std::to_string(i), 1, 1, "    DungeonChance 1.0\n");
    }
    for (int i = 0; i < 7; ++i) {
        text += area("D" + std::to_string(i), 1, 1, "    MinDepth 1\n    MaxDepth 1\n");
    }
    load(text);
    Section* s = world->getSection(0);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->areas.size(), 8u);
    ASSERT_EQ(s->dungeons.size(), 6u);
    EXPECT_EQ(s->areas.back()->entryName, "A7");
    EXPECT_EQ(s->dungeons.back()->entryName, "D5");
    int grid = 0, below = 0;
    for (int i = 0; i < world->getLevelCount(); ++i) {
        (world->getLevel(i)->gridColumn >= 0 ? grid : below) += 1;
    }
    EXPECT_EQ(grid, 8);
    EXPECT_EQ(below, 6); // the last two areas found no dungeon left
    for (const auto& d : s->dungeons) {
        EXPECT_TRUE(d->inUse);
        ASSERT_EQ(d->levels.size(), 1u);
        const Level* floor = d->levels.front();
        ASSERT_NE(floor->parent, nullptr);
        EXPECT_TRUE(floor->subLevel);
        EXPECT_EQ(floor->levelNumber, 0); // a one-floor chain has no number
        ASSERT_EQ(floor->getConnectionCount(), 1);
        const ConnectionPoint& up = floor->connections[0];
        EXPECT_EQ(up.targetLevel, floor->parent->zone);
        EXPECT_EQ(floor->parent->connections[static_cast<size_t>(up.targetConnection)].targetLevel,
                  floor->zone);
        EXPECT_EQ(world->getRootLevel(floor->zone), floor->parent->zone);
    }
}

TEST_F(SectionTest, MonsterLevelsGrowWithLateralDistanceAndDepth)
{
    load(worldEntry(7, 4, 2, "S") +
         "S {\n    Area Wide Next\n    MonsterLevelsFromWidth 2.5\n    MonsterLevelsFromDepth 4\n}\n" +
         area("Wide", 7, 1) + area("Next", 7, 1));
    // No game data: the start level is 1; per depth row 4 / 2.
    for (int i = 0; i < world->getLevelCount(); ++i) {
        const Level* l = world->getLevel(i);
        const int expected = static_cast<int>(std::abs(l->gridColumn - 3) * 2.5f + 1.0f + l->gridRow * 2.0f);
        EXPECT_EQ(l->monsterLevel, expected) << l->gridColumn << "," << l->gridRow;
    }
    ASSERT_EQ(world->getLevelCount(), 14);
    EXPECT_EQ(world->getLevel(3)->monsterLevel, 1); // the middle: no lateral bonus
    EXPECT_EQ(world->getLevel(0)->monsterLevel, 8); // three off: + 3 × 2.5
    EXPECT_EQ(world->getLevel(13)->monsterLevel, 10);
    EXPECT_EQ(world->getMinMonsterLevel(), 1);
    EXPECT_EQ(world->getMaxMonsterLevel(), 10);
    EXPECT_EQ(world->getSection(0)->highestMonsterLevel, 10);
}

TEST_F(SectionTest, AreasLargerThanTheGridStayInsideIt)
{
    // Width 3: a 5-wide area has lo 0 > hi -2 before clamping; a 3-deep one
    // runs past the grid's two rows.
    load(worldEntry(3, 2, 4, "S") + "S {\n    Area Wide Deep\n}\n" + area("Wide", 5, 1) + area("Deep", 1, 3));
    ASSERT_GT(world->getLevelCount(), 0);
    for (int i = 0; i < world->getLevelCount(); ++i) {
        const Level* l = world->getLevel(i);
        EXPECT_GE(l->gridColumn, 0);
        EXPECT_LT(l->gridColumn, 3);
        EXPECT_GE(l->gridRow, 0);
        EXPECT_LT(l->gridRow, 2);
    }
    EXPECT_TRUE(log.contains("reaches outside the 3 x 2 world grid", 2));
}

TEST_F(SectionTest, DamagedAreaSizesAndDungeonDepthsAreCut)
{
    // Counts near the int limit once had the layout walk billions of cells
    // and chain as many dungeon floors.
    load(worldEntry(7, 8, 4, "S") + "S {\n    Area Huge\n    Dungeon Deep\n}\n" +
         area("Huge", 2000000000, 2000000000, "    DungeonChance 1.0\n") +
         area("Deep", 1, 1, "    MinDepth 2000000000\n    MaxDepth 2000000000\n"));
    int grid = 0, below = 0;
    for (int i = 0; i < world->getLevelCount(); ++i) {
        (world->getLevel(i)->gridColumn >= 0 ? grid : below) += 1;
    }
    EXPECT_EQ(grid, 7 * 4); // the four rows of the section, cut to the grid's width
    EXPECT_EQ(below, AreaDefinition::kMaxExtent);
    EXPECT_TRUE(log.contains("MaxWidth 2000000000 is outside 0..64; using 64", 2));
    EXPECT_TRUE(log.contains("MaxDepth 2000000000 is outside 0..64; using 64", 2));
}

TEST_F(SectionTest, DamagedMonsterLevelNumbersKeepMonsterLevelsInRange)
{
    // Each once overflowed an int cast of the level target or a monster level.
    load(worldEntry(7, 8, 4, "S") +
         "S {\n    Area A B\n    MinLevels 2147483647\n    MonsterLevelsFromWidth 1e30\n"
         "    MonsterLevelsFromDepth 2147483647\n}\n" +
         area("A", 2, 1, "    MonsterChancePerBlock 0.5\n    MaxMonsterLevelOffset 2147483647\n") +
         area("B", 1, 1));
    ASSERT_GT(world->getLevelCount(), 0);
    const Level* withMonsters = nullptr;
    for (int i = 0; i < world->getLevelCount(); ++i) {
        const Level* l = world->getLevel(i);
        EXPECT_GE(l->monsterLevel, 1);
        EXPECT_LE(l->monsterLevel, 3 * GameRules::kMaxLevelLimit);
        withMonsters = l->definition->entryName == "A" ? l : withMonsters;
    }
    EXPECT_TRUE(log.contains("MonsterLevelsFromWidth 1e+30 is outside -1000..1000; using 1000", 2));
    // The offset range of the monster levels a level takes stays an int.
    ASSERT_NE(withMonsters, nullptr);
    EXPECT_GE(world->pickLevelForMonsterLevel(withMonsters->monsterLevel + 1000, 0.0f, false), 0);
    EXPECT_TRUE(log.contains("MaxMonsterLevelOffset 2147483647 is outside -1000..1000; using 1000", 2));
}

TEST_F(SectionTest, SectionsJoinOnlyThroughStartOrEndAreas)
{
    // Two sections stacked; the second starts without a start area, so the
    // border between them stays closed. A third section name is ignored.
    load(worldEntry(1, 4, 2, "S1 S2 S3") + "S1 {\n    StartArea Town\n    Area A\n}\n" +
         "S2 {\n    Area B C\n}\nS3 {\n    Area C\n}\n" + area("Town", 1, 1) + area("A", 1, 1) +
         area("B", 1, 1) + area("C", 1, 1));
    EXPECT_EQ(world->getSectionCount(), 2);
    EXPECT_TRUE(log.contains("section S3 ignored", 2));
    ASSERT_EQ(world->getLevelCount(), 4);
    const Level* town = world->getLevel(0);
    const Level* a = world->getLevel(1);
    const Level* b = world->getLevel(2);
    const Level* c = world->getLevel(3);
    EXPECT_EQ(town->borderKinds[0], Level::kBorderPassage);
    EXPECT_EQ(town->borderOpenings[0], 3); // the town's gap
    EXPECT_EQ(a->borderKinds[3], Level::kBorderPassage);
    EXPECT_EQ(a->borderKinds[0], Level::kBorderUndecided); // to the other section: never opened
    EXPECT_EQ(b->borderKinds[3], Level::kBorderUndecided);
    EXPECT_EQ(b->borderKinds[0], Level::kBorderPassage);
    EXPECT_EQ(c->borderKinds[3], Level::kBorderPassage);
    EXPECT_EQ(b->borderOpenings[0], c->borderOpenings[3]);
    EXPECT_GE(b->borderOpenings[0], 1);
    EXPECT_LE(b->borderOpenings[0], 2); // 4 places along the edge without game data
    EXPECT_EQ(world->getNeighbourLevel(0, 1), 1);
    EXPECT_EQ(world->getNeighbourLevel(1, 5), 0);
}

TEST_F(SectionTest, GateSpotsAndGateNamesOfAnArea)
{
    load(worldEntry(7, 4, 2, "S") + "S {\n    StartArea Town\n    Area Field\n}\n" + area("Town", 1, 1) +
         area("Field", 3, 1,
              "    SpawnGate 1\n    UpGateName GateUp\n    DownGateName GateDown\n"
              "    EntranceGateName GateEntrance\n"));
    const Section* s = world->getSection(0);
    AreaDefinition* field = s->areas[0].get();
    ASSERT_EQ(field->levels.size(), 3u);
    Level* gate = field->getGateLevel();
    ASSERT_NE(gate, nullptr);
    int flagged = 0;
    for (const Level* l : field->levels) {
        flagged += l->gateFlag ? 1 : 0;
    }
    EXPECT_EQ(flagged, 1);
    EXPECT_EQ(gate->gateSpot.zone, gate->zone);
    EXPECT_EQ(world->getLevelStoredPosition(gate->zone), gate->gateSpot);
    EXPECT_EQ(s->startArea->getGateLevel(), nullptr); // no "SpawnGate"

    EXPECT_EQ(field->getGateName(field->levels[1]->zone, false), "GateUp");
    EXPECT_EQ(field->getGateName(field->levels[1]->zone, true), "GateDown");
    EXPECT_EQ(field->getGateName(0, true), "GateEntrance"); // the town's level
    EXPECT_EQ(field->getGateName(-1, true), "GateEntrance");
    EXPECT_EQ(world->getGateName(gate->zone, 1, 0), "ObjectGate");

    // The first level's middle; an unused area has none.
    const ZonePosition centre = field->getFirstLevelCenter();
    EXPECT_EQ(centre.zone, field->levels.front()->zone);
    AreaDefinition unused;
    EXPECT_EQ(unused.getFirstLevelCenter().zone, -1);
    unused.spawnGate = true;
    unused.chooseGateSpot(); // not in use, no levels: nothing drawn or set
    EXPECT_EQ(unused.getGateLevel(), nullptr);
}

TEST_F(SectionTest, SecretLevelsComeFromTheirSeedAndAreMadeOnce)
{
    load(worldEntry(1, 1, 1, "S", "    NumSecretLevels 3\n    Secret Vault Crypt Named Other\n") +
         "S {\n    StartArea Town\n}\n" + area("Town", 1, 1) + area("Vault", 1, 1, "    SpawnChance 1.0\n") +
         area("Crypt", 1, 1, "    SpawnChance 3.0\n") +
         "Named {\n    Type Area\n    Name \"Helaque\xE2\x80\x99s Treasure\"\n}\n" +
         "Other {\n    Type Area\n    Name \"Helaque's Hoard\"\n}\n");
    ASSERT_EQ(world->getLevelCount(), 1);
    world->setSecretSeed(4242);
    world->createSecretLevels();
    auto names = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < world->getLevelCount(); ++i) {
            out.push_back(world->getLevelName(i));
        }
        return out;
    };
    const std::vector<std::string> first = names();
    ASSERT_EQ(first.size(), 5u); // the town, three drawn, the named one
    EXPECT_EQ(world->getFirstSecretLevel(), 1);
    EXPECT_EQ(world->getNamedSecretLevel(), 4);
    EXPECT_EQ(first[4], "Helaque\xE2\x80\x99s Treasure");
    std::vector<uint32_t> seeds;
    for (int i = 1; i < 5; ++i) {
        const Level* l = world->getLevel(i);
        EXPECT_EQ(l->gridColumn, -1);
        EXPECT_EQ(l->monsterLevel, 1);
        EXPECT_TRUE(first[i] == "Vault" || first[i] == "Crypt" || i == 4) << first[i];
        seeds.push_back(l->seed);
    }
    // Again: the same levels, not three more.
    world->createSecretLevels();
    EXPECT_EQ(names(), first);
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(world->getLevel(i)->seed, seeds[static_cast<size_t>(i - 1)]);
    }
    EXPECT_EQ(world->getSecretAreas()[0]->levels.size() + world->getSecretAreas()[1]->levels.size(), 3u);
}

TEST_F(SectionTest, AnUnknownWorldSizeFallsBackToStandard)
{
    database.addSubDatabase("Sizes", "sizes.dbl", "NotASize {\n    Name \"Huge\"\n}\n");
    database.resolveBases();
    const int id = database.findEntry("NotASize")->getId();
    database.addSubDatabase("Test", "test.dbl",
                            worldEntry(3, 2, 2, "S") + "S {\n    Area A\n}\n" + area("A", 1, 1));
    database.resolveBases();
    world = std::make_unique<World>();
    world->setRequestedWorldSize(id);
    world->setWorldSeed(5);
    world->load();
    ASSERT_NE(world->getWorldSize(), nullptr);
    EXPECT_EQ(world->getWorldSize()->name, "Standard");
    EXPECT_TRUE(log.contains("World size \"Huge\"", 3));
    EXPECT_EQ(world->getLevelCount(), 1);
}

TEST_F(SectionTest, NoWorldEntryOrNoSizeIsACriticalError)
{
    EXPECT_EXIT(
        {
            World w;
            w.load();
        },
        ::testing::ExitedWithCode(1), "Missing World specification!");
    database.addSubDatabase("Test", "test.dbl", "World {\n    WorldSize Nothing\n}\n");
    database.resolveBases();
    EXPECT_EXIT(
        {
            World w;
            w.load();
        },
        ::testing::ExitedWithCode(1), "Missing World specification!");
}

TEST_F(SectionTest, TheExtraStartAreaLiesBesideTheTownOrStaysUnplaced)
{
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        SCOPED_TRACE(seed);
        database.clear();
        load(worldEntry(7, 2, 1, "S") +
                 "S {\n    StartArea Town\n    Area X\n    MinLevels 10\n    NeedExtraStartArea 1\n}\n" +
                 area("Town", 1, 1) + area("X", 3, 1),
             seed);
        const AreaDefinition* x = world->getSection(0)->areas[0].get();
        ASSERT_EQ(x->levels.size(), 3u);
        std::set<int> columns;
        for (const Level* l : x->levels) {
            EXPECT_EQ(l->gridRow, 0);
            columns.insert(l->gridColumn);
        }
        EXPECT_TRUE(columns == (std::set<int>{4, 5, 6}) || columns == (std::set<int>{0, 1, 2}));
        EXPECT_FALSE(x->mainPath);
    }
    // No room on either side of a 3-wide row: the area is used up, unplaced.
    database.clear();
    load(worldEntry(3, 2, 1, "S") +
         "S {\n    StartArea Town\n    Area X\n    MinLevels 10\n    NeedExtraStartArea 1\n}\n" +
         area("Town", 1, 1) + area("X", 2, 1));
    const AreaDefinition* x = world->getSection(0)->areas[0].get();
    EXPECT_TRUE(x->inUse);
    EXPECT_TRUE(x->levels.empty());
    EXPECT_EQ(world->getLevelCount(), 1);
}

} // namespace

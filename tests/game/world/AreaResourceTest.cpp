#include "game/world/AreaResource.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/Random.h"
#include "engine/core/TextReader.h"
#include "engine/data/Database.h"
#include "engine/files/WholeFile.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/shaders/ShaderSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::unique_ptr<AreaResource> parseText(const std::string& text, int w = 4, int h = 4,
                                        const std::string& name = "Levels/test.ara")
{
    TextReader reader(text, name);
    return AreaResource::parse(reader, w, h);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// An area with the nine special kinds and two kinds of its own.
std::unique_ptr<AreaResource> areaWithAllKinds()
{
    auto area = std::make_unique<AreaResource>(4, 4);
    for (int k = 0; k < AreaResource::kSpecialEdgeCount; ++k) {
        area->addEdgeKind(AreaResource::specialEdgeName(k));
    }
    area->addEdgeKind("river");
    area->addEdgeKind("road");
    return area;
}

TEST(AreaResourceTest, SavedTextReadsBackWithAwkwardNames)
{
    AreaResource area(4, 4);
    int grass = area.addTileName("Textures/Tiles/grass.tga");
    int road = area.addTileName("Textures/Tiles/dirt road.tga");
    area.addTileName("Textures/Tiles/unused.tga");
    int tree = area.addObjectTypeName("Models/Objects/tree.mdl");
    area.addEdgeKind("closed");
    area.addEdgeKind("river bank");
    const char* names[] = {"", "two words", "tab\there", "a//b", "c/*d", "plain"};
    for (const char* name : names) {
        AreaBlock& block = area.addBlock();
        ASSERT_TRUE(area.setBlockName(area.getBlockCount() - 1, name));
        block.tiles.assign(16, grass);
        block.tiles[5] = road;
        block.tiles[15] = -1;
        block.objects[6] = AreaCellObject{tree, 2};
        block.edges = {1, 0, 1, 0};
        block.weight = 2.5f;
        block.openSides = 9;
        block.maxUses = 3;
        block.alwaysChests = true;
    }
    std::string text = area.buildText();
    EXPECT_EQ(area.getTiles().size(), 2u); // the unused tile is dropped
    auto copy = parseText(text);
    ASSERT_EQ(copy->getBlockCount(), area.getBlockCount());
    for (int b = 0; b < area.getBlockCount(); ++b) {
        EXPECT_EQ(*copy->getBlock(b), *area.getBlock(b)) << "block " << b;
    }
    EXPECT_EQ(copy->getTiles()[1].name, "Textures/Tiles/dirt road.tga");
    EXPECT_EQ(copy->getEdgeKinds(), area.getEdgeKinds());
    // Names a file could not hold are refused.
    EXPECT_FALSE(area.setBlockName(0, "say \"hi\""));
    EXPECT_FALSE(area.setBlockName(0, "two\nlines"));
    EXPECT_EQ(area.getBlock(0)->name, "");
    EXPECT_EQ(area.addEdgeKind("bad\"kind"), -1);
}

TEST(AreaResourceTest, WriterLayout)
{
    AreaResource area(2, 2);
    area.addTileName("t");
    area.addEdgeKind("closed");
    area.addObjectTypeName("m.mdl");
    AreaBlock& block = area.addBlock();
    block.name = "b";
    block.tiles = {0, 0, -1, 0};
    block.objects[1] = AreaCellObject{0, 3};
    block.edges = {1, 2, 3, 4};
    EXPECT_EQ(area.buildText(),
              "1\nt\n\n1\nclosed\n\n1\nm.mdl\n\n"
              "block b 1.000000 15 0 0 0\n{\n0 0 \n-1 0 \n\t1\n2\t\t3\n\t4\n1 0 0 3\n}\n\n");
}

TEST(AreaResourceTest, ReadingFallsBackAndKeepsObjectsInside)
{
    LogCapture log;
    // The header's fields are tokens: broken over lines they keep their places.
    auto area = parseText("2 a b\n0\n1 m.mdl\n"
                          "junk block first\n"
                          "0.5 3\n"
                          "2 1\n"
                          "0 {\n"
                          "0 1 1 0  0 0 0 0  0 0 0 0  0 9 1 1\n"
                          "7 0 0 7\n"
                          "1 0 0 2\n"  // kept: column 1, row 0
                          "0 4 0 1\n"  // row H: dropped
                          "-1 2 0 1\n" // column -1: dropped
                          "3 3 0\n"    // direction missing: 0
                          "}\n"
                          "block last 2\n");
    ASSERT_EQ(area->getBlockCount(), 2);
    const AreaBlock& first = *area->getBlock(0);
    EXPECT_EQ(first.name, "first");
    EXPECT_FLOAT_EQ(first.weight, 0.5f);
    EXPECT_EQ(first.openSides, 3);
    EXPECT_EQ(first.maxUses, 2);
    EXPECT_TRUE(first.alwaysMonsters);
    EXPECT_FALSE(first.alwaysChests);
    EXPECT_EQ(first.tiles[1], 1);
    // Index 9 lies outside the two tiles and reads as empty, with the file and line.
    EXPECT_EQ(first.tiles[13], -1);
    EXPECT_TRUE(log.contains("Levels/test.ara:8: tile index 9"));
    EXPECT_EQ(first.edges, (std::array<int, 4>{7, 0, 0, 7}));
    int objects = 0;
    for (const AreaCellObject& o : first.objects) {
        objects += o.type >= 0;
    }
    EXPECT_EQ(objects, 2);
    EXPECT_EQ(first.objects[1], (AreaCellObject{0, 2}));
    EXPECT_EQ(first.objects[15], (AreaCellObject{0, 0}));
    // Cell (x, y) counts y from the bottom row.
    EXPECT_EQ(area->getCellObjectType(0, 1, 3), 0);
    EXPECT_EQ(area->getCellObjectType(0, 1, 0), -1);

    // A truncated last record keeps what was read and the defaults.
    const AreaBlock& last = *area->getBlock(1);
    EXPECT_EQ(last.name, "last");
    EXPECT_FLOAT_EQ(last.weight, 2.0f);
    EXPECT_EQ(last.openSides, 15);
    EXPECT_EQ(last.maxUses, 0);
    EXPECT_EQ(last.tiles, std::vector<int>(16, 0));
}

TEST(AreaResourceTest, DamagedHeadersStayBounded)
{
    LogCapture log;
    auto start = std::chrono::steady_clock::now();
    auto huge = parseText("2000000000 a");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(huge->getTiles().size(), 1u);
    EXPECT_TRUE(log.contains("Levels/test.ara:1"));
    log.clear();

    auto negative = parseText("-5 a b\n1 closed\n0\n");
    EXPECT_TRUE(negative->getTiles().empty());
    EXPECT_TRUE(log.contains("negative"));

    auto empty = parseText("");
    EXPECT_EQ(empty->getBlockCount(), 0);
    EXPECT_TRUE(empty->getTiles().empty());
}

TEST(AreaResourceTest, FlagsText)
{
    AreaBlock block(2, 2);
    EXPECT_EQ(block.flagsText(), "1111");
    block.setFlagsFromText("1010");
    EXPECT_EQ(block.openSides, 5);
    block.setFlagsFromText("101");
    EXPECT_EQ(block.openSides, 5);
    EXPECT_EQ(block.flagsText(), "1010");
}

TEST(AreaResourceTest, EdgeMatchingTable)
{
    auto area = areaWithAllKinds();
    const int lec = area->getSpecialEdge(AreaResource::kLevelEdgeClosed);
    const int leo = area->getSpecialEdge(AreaResource::kLevelEdgeOpen);
    const int lbn = area->getSpecialEdge(AreaResource::kLevelBottleneck);
    const int closed = area->getSpecialEdge(AreaResource::kClosed);
    const int door = area->getSpecialEdge(AreaResource::kDoor);
    const int wall = area->getSpecialEdge(AreaResource::kWall);
    const int bottom = area->getSpecialEdge(AreaResource::kBottomOpen);
    const int left = area->getSpecialEdge(AreaResource::kLeftOpen);
    const int corner = area->getSpecialEdge(AreaResource::kCornerOnly);
    const int river = area->findEdgeKind("river");
    const int road = area->findEdgeKind("road");
    std::vector<int> all = {lec, leo, lbn, closed, door, wall, bottom, left, corner, river, road};

    auto matching = [&](int wanted) {
        std::vector<int> out;
        for (int e : all) {
            if (area->edgeMatches(e, wanted)) {
                out.push_back(e);
            }
        }
        return out;
    };
    EXPECT_EQ(matching(-3), (std::vector<int>{lec, closed}));
    EXPECT_EQ(matching(-2), (std::vector<int>{leo}));
    EXPECT_EQ(matching(-4), (std::vector<int>{lbn}));
    const std::vector<int> inner = {closed, door, wall, bottom, left, corner, river, road};
    EXPECT_EQ(matching(-1), inner);
    EXPECT_EQ(matching(door), inner);
    EXPECT_EQ(matching(wall), inner);
    EXPECT_EQ(matching(bottom), (std::vector<int>{door, wall, bottom, corner}));
    EXPECT_EQ(matching(left), (std::vector<int>{door, wall, left, corner}));
    EXPECT_EQ(matching(corner), (std::vector<int>{bottom, left}));
    EXPECT_EQ(matching(river), (std::vector<int>{door, wall, river}));
    EXPECT_EQ(matching(road), (std::vector<int>{door, wall, road}));

    // Without "door" and "wall" an id matches only itself.
    auto plain = parseText("0\n3 closed a b\n0\n");
    EXPECT_TRUE(plain->edgeMatches(1, 1));
    EXPECT_FALSE(plain->edgeMatches(2, 1));
    EXPECT_FALSE(plain->edgeMatches(0, 1));
}

TEST(AreaResourceTest, RemovingAKindKeepsTheSpecialKindsByName)
{
    auto area = areaWithAllKinds();
    AreaBlock& block = area->addBlock();
    const int door = area->getSpecialEdge(AreaResource::kDoor);
    const int river = area->findEdgeKind("river");
    block.edges = {door, river, 1, 0};
    area->removeEdgeKind(area->getSpecialEdge(AreaResource::kLevelEdgeOpen));
    EXPECT_EQ(area->getSpecialEdge(AreaResource::kDoor), door - 1);
    EXPECT_EQ(area->getSpecialEdge(AreaResource::kLevelEdgeOpen), -1);
    EXPECT_EQ(block.edges, (std::array<int, 4>{door - 1, river - 1, 0, 0}));
    // A door edge still matches as a door: anything but the level edges.
    EXPECT_TRUE(area->edgeMatches(block.edges[0], area->findEdgeKind("road")));
    EXPECT_TRUE(area->edgeMatches(area->findEdgeKind("road"), block.edges[0]));
    EXPECT_FALSE(area->edgeMatches(area->getSpecialEdge(AreaResource::kLevelEdgeClosed), block.edges[0]));
}

TEST(AreaResourceTest, ChoosingByUsesAndWeights)
{
    AreaResource area(2, 2);
    AreaBlock& limited = area.addBlock();
    limited.maxUses = 2;
    std::vector<int> uses;
    const std::array<int, 4> any{-1, -1, -1, -1};
    EXPECT_EQ(area.chooseBlock(any, uses), 0);
    EXPECT_EQ(area.chooseBlock(any, uses), 0);
    EXPECT_EQ(area.chooseBlock(any, uses), -1);
    area.getBlock(0)->maxUses = 0;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(area.chooseBlock(any, uses), 0);
    }

    AreaResource weighted(2, 2);
    weighted.addBlock().weight = 3.0f;
    weighted.addBlock().weight = 1.0f;
    Random::setState(2, 12345);
    std::vector<int> counts;
    int first = 0;
    for (int i = 0; i < 40000; ++i) {
        first += weighted.chooseBlock(any, counts) == 0;
    }
    EXPECT_NEAR(first / 40000.0, 0.75, 0.01);

    // Weight 0 standing second, and weights that are no share at all, are
    // never drawn over a weighted block; the walk always ends on a candidate.
    AreaResource zero(2, 2);
    zero.addBlock().weight = 1.0f;
    zero.addBlock().weight = 0.0f;
    zero.addBlock().weight = -4.0f;
    zero.addBlock().weight = std::nanf("");
    std::vector<int> zeroUses;
    for (int i = 0; i < 2000; ++i) {
        EXPECT_EQ(zero.chooseBlock(any, zeroUses), 0);
    }
    AreaResource none(2, 2);
    none.addBlock().weight = 0.0f;
    none.addBlock().weight = -1.0f;
    std::vector<int> noneUses;
    EXPECT_EQ(none.chooseBlock(any, noneUses), 0);
    EXPECT_EQ(noneUses.size(), 2u);
}

TEST(AreaResourceTest, SaveDropsUnusedTilesAndKeepsTheOldFileOnFailure)
{
    TempDir dir;
    AreaResource area(2, 2);
    area.addTileName("unused-a");
    int used = area.addTileName("used");
    area.addTileName("unused-b");
    area.addObjectTypeName("gone.mdl");
    int tree = area.addObjectTypeName("tree.mdl");
    AreaBlock& block = area.addBlock();
    block.tiles = {used, -1, used, used};
    block.objects[3] = AreaCellObject{tree, 1};
    const std::string path = dir.file("area.ara");
    ASSERT_TRUE(area.save(path));
    auto copy = parseText(readFile(path), 2, 2);
    ASSERT_EQ(copy->getTiles().size(), 1u);
    EXPECT_EQ(copy->getTiles()[0].name, "used");
    ASSERT_EQ(copy->getObjectTypes().size(), 1u);
    EXPECT_EQ(copy->getBlock(0)->tiles, (std::vector<int>{0, -1, 0, 0}));
    EXPECT_EQ(copy->getBlock(0)->objects[3], (AreaCellObject{0, 1}));

    // The temporary file cannot be made: false, a line, the old file intact.
    const std::string before = readFile(path);
    std::filesystem::create_directory(path + ".tmp");
    LogCapture log;
    area.addBlock();
    EXPECT_FALSE(area.save(path));
    EXPECT_EQ(readFile(path), before);
    EXPECT_TRUE(log.contains("could not be written", 3));
}

class AreaResourceShaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        shaders.registerResourceType(resources);
        shaders.loadText("Textures/Tiles/grass\n{\n}\nTextures/Tiles/moss\n{\n}\n", "Shaders/t.sdr");
        database.addSubDatabase("Area", "areas.dbl", R"(
GroundDetailforestHigh {
    Replace Textures/Tiles/grass.tga Textures/Tiles/moss.tga
    With Textures/Tiles/moss.tga Textures/Tiles/dirt.tga
}
GroundDetailforest {
    Replace Textures/Tiles/grass.tga
    With Textures/Tiles/dirt.tga Textures/Tiles/moss.tga
}
)");
        database.resolveBases();
    }
    void TearDown() override { resources.stopLoader(); }

    std::unique_ptr<AreaResource> forest()
    {
        auto area =
            parseText("3 Textures/Tiles/grass.tga Textures/Tiles/moss.tga Textures/Tiles/dirt.tga\n0\n0\n"
                      "block b 1 15 0 0 0 { 0 1 2 -1 } 0 0 0 0 }\n",
                      2, 2, "Levels/forest.ara");
        area->setFileName("Levels/forest.ara");
        return area;
    }
    std::string drawn(const AreaResource& area, int tile)
    {
        return resources.getFileName(area.getTiles()[tile].shader.getIndex());
    }

    LogCapture log;
    ResourceSystem resources;
    ShaderSystem shaders;
    Database database;
    UserVarSystem vars;
};

TEST_F(AreaResourceShaderTest, GroundDetailAppliesPairsInListOrder)
{
    vars.setVar("r_groundDetail", "3");
    auto area = forest();
    area->acquire();
    // grass -> moss, then moss (including the former grass) -> dirt.
    EXPECT_EQ(drawn(*area, 0), "Textures/Tiles/dirt.sdr");
    EXPECT_EQ(drawn(*area, 1), "Textures/Tiles/dirt.sdr");
    EXPECT_EQ(drawn(*area, 2), "Textures/Tiles/dirt.sdr");
    EXPECT_EQ(area->getCellTile(0, 0, 1).getIndex(), area->getTiles()[0].shader.getIndex());
    EXPECT_FALSE(area->getCellTile(0, 1, 0).isValid()); // empty cell
    EXPECT_FALSE(area->getCellTile(-1, 0, 0).isValid());

    // No level word at 5; "With" shorter than "Replace" leaves the rest.
    vars.setVar("r_groundDetail", "5");
    area->loadGroundDetail();
    EXPECT_EQ(drawn(*area, 0), "Textures/Tiles/dirt.sdr");
    EXPECT_EQ(drawn(*area, 1), "Textures/Tiles/moss.sdr");

    // No entry for the level: every tile on its own shader.
    vars.setVar("r_groundDetail", "0");
    area->loadGroundDetail();
    EXPECT_EQ(drawn(*area, 0), "Textures/Tiles/grass.sdr");
    area->release();
}

TEST_F(AreaResourceShaderTest, AcquireCountsApartFromReferences)
{
    auto area = forest();
    area->acquire();
    const int grass = area->getTiles()[0].baseShader.getIndex();
    ASSERT_GE(grass, 0);
    area->acquire();
    EXPECT_TRUE(area->isAcquired());
    EXPECT_EQ(resources.getRefCount(grass), 2); // base and drawn handle
    area->release();
    EXPECT_EQ(resources.getRefCount(grass), 2);
    area->release();
    EXPECT_FALSE(area->isAcquired());
    EXPECT_EQ(resources.getRefCount(grass), 0);
    EXPECT_FALSE(area->getTiles()[0].baseShader.isValid());
}

TEST_F(AreaResourceShaderTest, EditorSettersFindOrAppend)
{
    AreaResource area(2, 2);
    area.addBlock();
    ResourceHandle grass = acquireShader("Textures/Tiles/grass.tga", AreaResource::kTileShaderSubType);
    area.setCellTile(0, 0, 0, grass);
    area.setCellTile(0, 1, 1, grass);
    ASSERT_EQ(area.getTiles().size(), 1u);
    EXPECT_EQ(area.getTiles()[0].name, "Textures/Tiles/grass.sdr");
    EXPECT_EQ(area.getBlock(0)->tiles, (std::vector<int>{-1, 0, 0, -1}));
    EXPECT_EQ(area.getObjectHandle(5).getIndex(), -1);
    EXPECT_EQ(area.getObjectHandle(-1).getIndex(), -1);
}

} // namespace

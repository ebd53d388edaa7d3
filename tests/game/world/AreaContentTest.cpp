// The shipped areas: the content tool's output, the data rules they rest on.
#include "engine/core/ColorSystem.h"
#include "engine/core/TextReader.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/Skin.h"
#include "game/definitions/GameData.h"
#include "game/world/AreaResource.h"
#include "graphics/shaders/ShaderDefinition.h"
#include "graphics/shaders/ShaderSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const char* kAreas[] = {"town", "wilderness", "dungeon"};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int runAreagen(const std::string& name, const fs::path& out)
{
    std::string command = std::string(GLOAM_BINARY_DIR) + "/tools/areagen " +
                          gameDataPath("Levels/src/" + name) + ".areasrc " + out.string() + " " +
                          gameDataPath() + " 2>&1";
    return std::system(command.c_str());
}

std::unique_ptr<AreaResource> loadShipped(const std::string& name)
{
    std::string text = readFile(generatedDataPath("Levels/" + name + ".ara"));
    TextReader reader(text, "Levels/" + name + ".ara");
    return AreaResource::parse(reader, 16, 16);
}

TEST(AreaContentTest, TwoToolRunsWriteTheSameBytes)
{
    TempDir dir;
    for (const char* name : kAreas) {
        fs::path first = dir.path() / (std::string(name) + "-1.ara");
        fs::path second = dir.path() / (std::string(name) + "-2.ara");
        ASSERT_EQ(runAreagen(name, first), 0) << name;
        ASSERT_EQ(runAreagen(name, second), 0) << name;
        std::string a = readFile(first);
        EXPECT_FALSE(a.empty());
        EXPECT_EQ(a, readFile(second)) << name;
        // The build's own copy is the same text.
        EXPECT_EQ(a, readFile(generatedDataPath("Levels/" + std::string(name) + ".ara"))) << name;
    }
}

TEST(AreaContentTest, ABrokenDescriptionStopsTheToolWithItsLine)
{
    TempDir dir;
    dir.write("bad.areasrc", "tile . Textures/areas/meadow/grass01.tga\npattern p\n....\n");
    std::string command = std::string(GLOAM_BINARY_DIR) + "/tools/areagen " + dir.file("bad.areasrc") + " " +
                          dir.file("bad.ara") + " " + gameDataPath() + " > " + dir.file("log.txt") + " 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_NE(readFile(dir.file("log.txt")).find("bad.areasrc:3: a row of 4 characters"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.file("bad.ara")));

    // A pond that cuts a corner off its block.
    dir.write(
        "cut.areasrc", "tile . Textures/areas/meadow/grass01.tga\ntile ~ Textures/areas/meadow/water01.tga\n"
                       "edge ground\nkind ground none\npattern p\n" +
                           std::string("..~.............\n") + std::string("~~~.............\n") +
                           [] {
                               std::string rows;
                               for (int i = 0; i < 14; ++i)
                                   rows += "................\n";
                               return rows;
                           }() +
                           "compose p all ground\n");
    command = std::string(GLOAM_BINARY_DIR) + "/tools/areagen " + dir.file("cut.areasrc") + " " +
              dir.file("cut.ara") + " " + gameDataPath() + " > " + dir.file("log2.txt") + " 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_NE(readFile(dir.file("log2.txt")).find("cut.areasrc:22: block \"p:ground:ground:ground:ground\""),
              std::string::npos)
        << readFile(dir.file("log2.txt"));
}

// The world unit the levels are built for, and the data the areas name.
class ShippedAreaData : public ::testing::Test {
protected:
    ShippedAreaData() : files(gameDataPath(), temp.path().string())
    {
        database.load(Database::kMasterFile, false);
        startUpGameData(data);
        for (const auto& entry : fs::directory_iterator(gameDataPath("Shaders"))) {
            shaders.loadText(readFile(entry.path()), "Shaders/" + entry.path().filename().string());
        }
    }

    LogCapture log;
    TempDir temp;
    FileSystem files;
    Database database;
    ShaderSystem shaders;
    std::unique_ptr<GameData> data;
};

TEST_F(ShippedAreaData, WorldUnitOfTheLevels)
{
    const GameRules& r = data->rules();
    EXPECT_FLOAT_EQ(r.tileSize, 32.0f);
    EXPECT_FLOAT_EQ(r.gridSize, 32.0f);
    EXPECT_EQ(r.collisionCellsPerTile, 1);
    EXPECT_EQ(r.levelTileWidth, 128);
    EXPECT_EQ(r.blockTileWidth, 16);
    EXPECT_EQ(r.blocksAcross, 8);
    EXPECT_EQ(r.blocksDown, 8);
    EXPECT_FLOAT_EQ(r.tileOrigin.x, 16.0f);
    EXPECT_FLOAT_EQ(r.tileOrigin.y, 16.0f);
    // The mini-map divides by "MapCellSize", the editor by "TileSize".
    EXPECT_FLOAT_EQ(r.mapCellSize, r.tileSize);
    // The town centre lies in place (3, 3), beside the opening place 3.
    EXPECT_EQ(static_cast<int>(r.townCenterPosition.x / r.blockWidth), 3);
    EXPECT_EQ(static_cast<int>(r.townCenterPosition.y / r.blockHeight), 3);
}

TEST_F(ShippedAreaData, EveryTileNamesAShaderAndEveryModelItsFootprint)
{
    for (const char* name : kAreas) {
        auto area = loadShipped(name);
        ASSERT_GT(area->getBlockCount(), 0) << name;
        for (const AreaTile& tile : area->getTiles()) {
            std::string path = tile.name.substr(0, tile.name.rfind('.'));
            std::lock_guard<std::recursive_mutex> lock(shaders.getLock());
            EXPECT_NE(shaders.findDefinition(path), nullptr) << name << ": " << tile.name;
        }
        for (const AreaObjectType& type : area->getObjectTypes()) {
            std::string text = readFile(gameDataPath(type.name));
            auto model =
                ModelResource::parse(type.name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
            ASSERT_NE(model, nullptr) << type.name;
            EXPECT_TRUE(model->hasCollisionGrid()) << type.name;
        }
    }
    std::string tree = readFile(gameDataPath("Models/Objects/tree.mdl"));
    auto model = ModelResource::parse("tree.mdl", reinterpret_cast<const uint8_t*>(tree.data()), tree.size());
    EXPECT_TRUE(model->getRandomRotation());
    EXPECT_TRUE(model->hasRandomScale());
    EXPECT_FALSE(model->getBlocksSight());
    EXPECT_FALSE(model->getMapShaderName().empty());
    std::string boulder = readFile(gameDataPath("Models/Objects/boulder.mdl"));
    model =
        ModelResource::parse("boulder.mdl", reinterpret_cast<const uint8_t*>(boulder.data()), boulder.size());
    EXPECT_TRUE(model->getBlocksSight());
    EXPECT_FALSE(model->hasRandomScale());
    EXPECT_EQ(model->getFootprintWidth(), 2);
}

// A level gate is told on sight: its model, a shader of its skin and its
// light are its own, shared by no decoration any area places and by no other
// object entry, so the gate differs from all a level shows around it.
TEST_F(ShippedAreaData, ALevelGateLooksLikeNothingElseOfItsLevel)
{
    struct Look {
        std::string model;
        std::set<std::string> shaders;
        std::string light;
    };
    auto lookOf = [](const std::string& modelName, std::string light) {
        Look look{modelName, {}, std::move(light)};
        std::string text = readFile(gameDataPath(modelName));
        auto model =
            ModelResource::parse(modelName, reinterpret_cast<const uint8_t*>(text.data()), text.size());
        EXPECT_NE(model, nullptr) << modelName;
        if (!model)
            return look;
        if (model->getLightIntensity() > 0.0f) {
            const Vec3& c = model->getLightColor();
            look.light = std::to_string(c.x) + "," + std::to_string(c.y) + "," + std::to_string(c.z);
        }
        if (model->getSkinName().empty())
            return look;
        const std::string skinName = modelName.substr(0, modelName.rfind('/') + 1) + model->getSkinName();
        std::string skinText = readFile(gameDataPath(skinName));
        auto skin = Skin::parse(skinName, reinterpret_cast<const uint8_t*>(skinText.data()), skinText.size());
        EXPECT_FALSE(skinText.empty()) << skinName;
        for (const SkinSurface& surface : skin->getSurfaces())
            look.shaders.insert(surface.shaderName);
        return look;
    };
    auto lightOf = [&](const DatabaseEntry* entry) {
        const std::string text = database.getString(entry, "LightColor");
        if (text.empty())
            return text;
        const Color c = parseColor(text);
        return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
    };
    const DatabaseEntry* gateEntry = database.findEntry("ObjectGate");
    ASSERT_NE(gateEntry, nullptr);
    const Look gate = lookOf(database.getString(gateEntry, "ModelName"), lightOf(gateEntry));
    ASSERT_FALSE(gate.light.empty()) << "a gate shines";

    std::vector<Look> others;
    for (const char* name : kAreas) {
        const auto area = loadShipped(name);
        for (const AreaObjectType& type : area->getObjectTypes())
            others.push_back(lookOf(type.name, ""));
    }
    for (int i = 0; i < database.getEntryCount(); ++i) {
        const DatabaseEntry* e = database.getEntryAt(i);
        const std::string model = database.getString(e, "ModelName");
        if (database.getInt(e, "Gate") == 0 && model.ends_with(".mdl"))
            others.push_back(lookOf(model, lightOf(e)));
    }
    ASSERT_GT(others.size(), 10u);
    for (const Look& other : others) {
        SCOPED_TRACE(other.model);
        EXPECT_NE(other.model, gate.model);
        EXPECT_NE(other.light, gate.light);
        bool ownShader = false;
        for (const std::string& shader : gate.shaders)
            ownShader = ownShader || !other.shaders.contains(shader);
        EXPECT_TRUE(ownShader);
    }
}

TEST_F(ShippedAreaData, TheTownIsOneMapWithGateVariants)
{
    auto town = loadShipped("town");
    EXPECT_EQ(town->getBlockCount(), 64 + 4);
    // Every inner side of the map has a kind of its own: each place can be
    // filled by one block only (two at the gates, for the two border codes).
    int bottlenecks = 0;
    for (const auto& block : town->getBlocks()) {
        for (int e : block->edges) {
            bottlenecks += e == town->getSpecialEdge(AreaResource::kLevelBottleneck);
        }
    }
    EXPECT_EQ(bottlenecks, 4);
}

} // namespace

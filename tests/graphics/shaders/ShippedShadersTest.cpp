// The shipped shader scripts, read as a headless server reads them: no
// texture types, no OpenGL library in this program.
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/Skin.h"
#include "graphics/shaders/Shader.h"
#include "graphics/shaders/ShaderSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class ShippedShadersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (DebugSystem* debug = DebugSystem::instance()) {
            debug->setDeveloper(true);
        }
        shaders.registerResourceType(resources);
        shaders.loadAll();
    }

    TempDir user;
    LogCapture log;
    FileSystem files{gameDataPath(), user.path().string(), false};
    ResourceSystem resources;
    ShaderSystem shaders;
};

TEST_F(ShippedShadersTest, EveryScriptParsesWithoutALine)
{
    EXPECT_GE(shaders.getDefinitionCount(), 15u);
    for (const auto& line : log.lines()) {
        ADD_FAILURE() << line.text;
    }
    for (const char* name : {"UIBlack", "EffectGlowSet", "EffectGlowUnique", "EffectGlowArtifact",
                             "Textures/areas/town/cobbles01", "Textures/areas/meadow/water01",
                             "Models/BoxMan/body", "Models/BoxMan/head", "Textures/Map/boxman"}) {
        EXPECT_NE(shaders.findDefinition(name), nullptr) << name;
    }
}

TEST_F(ShippedShadersTest, CollisionFlagsHeadlessUnderTheLock)
{
    resources.startLoader();
    ResourceHandle wall = acquireShader("Textures/areas/town/wall01", ShaderSystem::kWorld);
    ResourceHandle water = acquireShader("Textures/areas/meadow/water01.tga", ShaderSystem::kWorld);
    ResourceHandle grass = acquireShader("Textures/areas/meadow/grass01", ShaderSystem::kWorld);
    ResourceHandle grass2 = acquireShader("Textures/areas/meadow/grass02", ShaderSystem::kWorld);
    Shader* w = resources.getAs<Shader>(wall);
    Shader* wa = resources.getAs<Shader>(water);
    Shader* g = resources.getAs<Shader>(grass);
    Shader* g2 = resources.getAs<Shader>(grass2);
    ASSERT_TRUE(w && wa && g && g2);
    {
        ShaderSystemLock lock;
        EXPECT_TRUE(w->BlocksCollision);
        EXPECT_TRUE(w->BlocksSight);
        EXPECT_TRUE(wa->BlocksCollision);
        EXPECT_FALSE(wa->BlocksSight);
        EXPECT_FALSE(g->BlocksCollision);
        EXPECT_EQ(g->groupHash, g2->groupHash);
        EXPECT_NE(g->groupHash, w->groupHash);
        ASSERT_EQ(wa->stages.size(), 2u);
        EXPECT_FALSE(wa->stages[0].texture.isValid());
        EXPECT_FALSE(wa->stages[1].texture.isValid());
        EXPECT_EQ(wa->stages[1].destBlend, unsigned(GL_ONE));
    }
    // A blended tile of them, headless too.
    ResourceHandle bt = acquireBlendedTileShader(std::vector<ResourceHandle>{grass, wall});
    Shader* b = resources.getAs<Shader>(bt);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->stages.size(), 2u);
    resources.stopLoader();
}

} // namespace

namespace {

// Every texture that shipped data names exists among the images generated
// at build time.
TEST(ShippedImages, EveryNamedTextureIsGenerated)
{
    std::filesystem::path generated = generatedDataPath();
    auto exists = [&](std::string name) {
        if (name.find('.') == std::string::npos) {
            name += ".tga";
        }
        return std::filesystem::is_regular_file(generated / name);
    };
    std::vector<std::string> names;
    // Shader stages.
    {
        LogCapture log;
        TempDir user;
        FileSystem files(gameDataPath(), user.path().string(), false);
        ShaderSystem shaders;
        shaders.loadAll();
        for (const std::string& name : shaders.getDefinitionNames()) {
            const ShaderDefinition* d = shaders.findDefinition(name);
            for (const ShaderStageDefinition& s : d->stages) {
                names.push_back(s.texture);
                names.insert(names.end(), s.animationFrames.begin(), s.animationFrames.end());
            }
        }
    }
    // Skin surfaces and the map shader name the images of shaders (with or
    // without a definition), items and cursors name image files.
    for (const char* n : {"Models/BoxMan/body", "Models/BoxMan/head", "Textures/Map/boxman"}) {
        names.push_back(n);
    }
    std::ifstream items(gameDataPath("Database/items.dbl"));
    std::string line;
    int itemImages = 0;
    while (std::getline(items, line)) {
        size_t at = line.find("TextureName \"");
        if (at != std::string::npos) {
            size_t start = at + 13;
            names.push_back(line.substr(start, line.find('"', start) - start));
            ++itemImages;
        }
    }
    EXPECT_GE(itemImages, 33);
    for (const char* c : {"normal", "attack", "talk", "loot", "use", "grabbed", "busy"}) {
        names.push_back(std::string("Textures/cursors/") + c + "Cursor.tga");
    }
    for (const char* s : {"Textures/white.tga",      "Textures/circle.tga",
                          "Textures/x.tga",          "Textures/plus.tga",
                          "Textures/minus.tga",      "MissingTile.tga",
                          "Textures/emptyTile.tga",  "Textures/UI/gradiant_white.tga",
                          "Textures/shadow.tga",     "ProjectedShadow.tga",
                          "OutlineCyan.tga",         "OutlineGreen.tga",
                          "OutlineWhite.tga",        "OutlineOrange.tga",
                          "OutlineBlue.tga",         "OutlineRed.tga",
                          "Textures/whiteSwipe.tga", "Textures/swipeSquare.tga",
                          "Textures/whiteStar.tga",  "Textures/noise.tga"}) {
        names.push_back(s);
    }
    for (const std::string& n : names) {
        EXPECT_TRUE(exists(n)) << n;
    }
}

} // namespace

namespace {

TEST(ShippedModelShaders, SkinAndMapShadersAreCountedHandlesOfTheirSubTypes)
{
    LogCapture log;
    TempDir user;
    FileSystem files(gameDataPath(), user.path().string(), false);
    ResourceSystem resources;
    useGameData(resources);
    ModelResource::registerTypes(resources);
    {
        ShaderSystem shaders;
        shaders.registerCommands();
        ResourceHandle model = resources.load("Models/BoxMan/boxman.mdl");
        ModelResource* m = resources.getAs<ModelResource>(model);
        ASSERT_NE(m, nullptr);
        ASSERT_NE(m->getSkin(), nullptr);
        const SkinSurface* head = m->getSkin()->findSurface(1);
        ASSERT_NE(head, nullptr);
        EXPECT_EQ(head->shader.getIndex(),
                  resources.findEntry("Models/BoxMan/head.sdr", Skin::kSkinShaderSubType));
        Shader* headShader = resources.getAs<Shader>(head->shader);
        ASSERT_NE(headShader, nullptr);
        EXPECT_TRUE(headShader->highlightsSurface);
        EXPECT_TRUE(headShader->needsNormals);
        EXPECT_EQ(headShader->stages.at(0).colorGen, ColorGen::Sphere);
        Shader* map = resources.getAs<Shader>(m->getMapShader());
        ASSERT_NE(map, nullptr);
        EXPECT_EQ(m->getMapShader().getIndex(),
                  resources.findEntry("Textures/Map/boxman.sdr", Skin::kMapShaderSubType));
        EXPECT_FALSE(map->testDepth);
        model.release();
    }
    EXPECT_EQ(log.count(3), 0u);
}

} // namespace

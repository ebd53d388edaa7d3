#include "graphics/shaders/ShaderSystem.h"

#include "engine/files/FileSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/shaders/Shader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>
#include <thread>

namespace {

// Stands in for a texture: any name loads (missing files as placeholders).
class FakeTexture : public Resource {};

class ShaderSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* ext : {"rtx", "ctx", "tga", "prb"}) {
            ResourceTypeInfo info;
            info.extension = ext;
            info.factory = [this](const std::string& name, const uint8_t*, size_t, int) {
                record(name);
                return std::make_unique<FakeTexture>();
            };
            info.placeholderFactory = [this](const std::string& name) {
                record(name);
                return std::make_unique<FakeTexture>();
            };
            resources.registerType(info);
        }
        shaders.registerResourceType(resources);
    }

    void TearDown() override
    {
        resources.stopLoader();
        held.clear();
    }

    void record(const std::string& name)
    {
        std::lock_guard<std::mutex> lock(orderMutex);
        order.push_back(name);
    }

    // Keeps the handle (and so the shader) for the rest of the test.
    Shader* shader(const ResourceHandle& h)
    {
        held.push_back(h);
        return resources.getAs<Shader>(h);
    }
    std::string textureOf(const Shader* s, size_t stage = 0)
    {
        return s && stage < s->stages.size() ? s->stages[stage].texture.getFileName() : "?";
    }

    TempDir dir;
    LogCapture log;
    ResourceSystem resources;
    ShaderSystem shaders;
    std::mutex orderMutex;
    std::vector<std::string> order;
    std::vector<ResourceHandle> held;
};

TEST_F(ShaderSystemTest, ImageShaderNamesAndTextureExtensions)
{
    ResourceHandle h = acquireShader("Textures/a/b.tga", ShaderSystem::kInterface);
    EXPECT_EQ(h.getFileName(), "Textures/a/b.sdr");
    Shader* s = shader(h);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(textureOf(s), "Textures/a/b.rtx");
    EXPECT_EQ(s->stages[0].clampU, unsigned(GL_CLAMP_TO_EDGE));
    EXPECT_FALSE(s->useMipMaps);

    ResourceHandle direct = acquireShader("Textures/a/b.tga", ShaderSystem::kInterfaceDirect);
    EXPECT_EQ(textureOf(shader(direct)), "Textures/a/b.tga");

    shaders.setCompressedTextures(true);
    ResourceHandle compressed = acquireShader("Textures/a/c.tga", ShaderSystem::kInterface);
    EXPECT_EQ(textureOf(shader(compressed)), "Textures/a/c.ctx");

    // A path without extension stays whole.
    EXPECT_EQ(acquireShader("Textures/plain", 0).getFileName(), "Textures/plain.sdr");
}

TEST_F(ShaderSystemTest, DefinitionsMatchWithoutCaseAndFirstWins)
{
    shaders.loadText("Textures/Glow { sort Additive { texture Textures/glow.tga } }\n"
                     "textures/glow { sort Shadow }\n",
                     "Shaders/a.sdr");
    ResourceHandle h = acquireShader("TEXTURES/GLOW.tga", ShaderSystem::kWorld);
    Shader* s = shader(h);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->sort, SortType::Additive);
    EXPECT_EQ(s->index, 0);
    ASSERT_EQ(s->stages.size(), 1u);
    // The definition's texture with the cache extension.
    EXPECT_EQ(textureOf(s), "Textures/glow.rtx");
    EXPECT_EQ(shaders.findDefinition("TEXTURES/glow"), shaders.findDefinition("Textures/Glow"));
}

TEST_F(ShaderSystemTest, AnimationFramesInTurnAndNeverNegative)
{
    shaders.loadText("anim {\n{\nanim 2 f0.tga f1.tga f2.tga f3.tga\n}\n}", "Shaders/a.sdr");
    Shader* s = shader(acquireShader("anim"));
    ASSERT_NE(s, nullptr);
    const ShaderStage& stage = s->stages[0];
    ASSERT_EQ(stage.frames.size(), 4u);
    const char* expected[] = {"f0.rtx", "f1.rtx", "f2.rtx", "f3.rtx", "f0.rtx", "f1.rtx"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(stage.getFrameTexture(i * 0.5).getFileName(), expected[i]) << i;
    }
    size_t n = 4;
    EXPECT_LT(ShaderStage::frameIndex(2.0f, -0.75, n), n);
    EXPECT_EQ(ShaderStage::frameIndex(2.0f, -0.75, n), 2u); // floor(-1.5) = -2 -> 2
    EXPECT_EQ(ShaderStage::frameIndex(-3.0f, 1.0, n), 1u);
    EXPECT_EQ(ShaderStage::frameIndex(2.0f, std::numeric_limits<double>::quiet_NaN(), n), 0u);
    EXPECT_EQ(ShaderStage::frameIndex(1e30f, 1e10, n), 0u);
    EXPECT_EQ(ShaderStage::frameIndex(2.0f, 123.0, 1), 0u);
}

TEST_F(ShaderSystemTest, ShadersWithoutDefinitionNumberAfterTheDefinitions)
{
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += "def" + std::to_string(i) + " { }\n";
    }
    shaders.loadText(text, "Shaders/many.sdr");
    EXPECT_EQ(shaders.getDefinitionCount(), 40u);
    EXPECT_EQ(shader(acquireShader("Textures/none.tga", 1))->index, 40);
    EXPECT_EQ(shader(acquireShader("def7"))->index, 7);
    EXPECT_EQ(shader(acquireShader("Textures/other.tga", 1))->index, 41);
}

TEST_F(ShaderSystemTest, OnePathWithTwoSubTypesGivesTwoShaders)
{
    ResourceHandle world = acquireShader("Textures/w.tga", ShaderSystem::kWorld);
    ResourceHandle ui = acquireShader("Textures/w.tga", ShaderSystem::kInterface);
    ASSERT_NE(world.getIndex(), ui.getIndex());
    Shader* a = shader(world);
    Shader* b = shader(ui);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->stages[0].colorGen, ColorGen::Vertex);
    EXPECT_TRUE(a->testDepth);
    EXPECT_EQ(b->stages[0].colorGen, ColorGen::CodeGenerated);
    EXPECT_FALSE(b->testDepth);
    // Asked for again with the first sub-type: the same entry.
    EXPECT_EQ(acquireShader("Textures/w.tga", ShaderSystem::kWorld).getIndex(), world.getIndex());
}

TEST_F(ShaderSystemTest, SubTypeSettings)
{
    Shader* additive = shader(acquireShader("Textures/fx.tga", ShaderSystem::kAdditive));
    EXPECT_EQ(additive->sort, SortType::Additive);
    EXPECT_FALSE(additive->writeDepth);
    EXPECT_EQ(additive->stages[0].sourceBlend, unsigned(GL_ONE));
    EXPECT_EQ(additive->stages[0].destBlend, unsigned(GL_ONE));
    EXPECT_EQ(additive->stages[0].vertexColorMode, 1);
    Shader* skin = shader(acquireShader("Models/x/skin.tga", ShaderSystem::kSkin));
    EXPECT_TRUE(skin->needsNormals);
    EXPECT_EQ(skin->stages[0].colorGen, ColorGen::Sphere);
    EXPECT_EQ(skin->groupHash, hashString("Models/x/skin"));
    Shader* tiled = shader(acquireShader("Textures/ui/bar.tga", ShaderSystem::kInterfaceTiled));
    EXPECT_EQ(tiled->stages[0].clampV, unsigned(GL_REPEAT));
}

TEST_F(ShaderSystemTest, BlendedTileShaderOfThreeTiles)
{
    ResourceHandle tiles[3] = {acquireShader("Textures/t/a.tga", 1), acquireShader("Textures/t/b.tga", 1),
                               acquireShader("Textures/t/c.tga", 1)};
    for (auto& t : tiles) {
        ASSERT_NE(shader(t), nullptr);
    }
    ResourceHandle bt = acquireBlendedTileShader(std::vector<ResourceHandle>(tiles, tiles + 3));
    Shader* s = shader(bt);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->blendedTile);
    EXPECT_EQ(s->getSubType(), 1);
    EXPECT_FALSE(s->cullEnabled);
    ASSERT_EQ(s->stages.size(), 3u);
    EXPECT_EQ(s->stages[0].colorGen, ColorGen::Vertex);
    EXPECT_FALSE(s->stages[0].blendEnabled);
    for (int i = 1; i < 3; ++i) {
        const ShaderStage& st = s->stages[i];
        EXPECT_TRUE(st.blendEnabled);
        EXPECT_EQ(st.sourceBlend, unsigned(GL_SRC_ALPHA));
        EXPECT_EQ(st.destBlend, unsigned(GL_ONE_MINUS_SRC_ALPHA));
        EXPECT_EQ(st.alphaGen, AlphaGen::StageGenerated);
        EXPECT_EQ(st.colorGen, ColorGen::SameAsPreviousStage);
        EXPECT_EQ(st.clampU, unsigned(GL_REPEAT));
    }
    EXPECT_EQ(textureOf(s, 2), "Textures/t/c.rtx");
}

TEST_F(ShaderSystemTest, BlendedTileWaitsBehindItsTilesWithoutStoppingTheLoader)
{
    // Everything queued before the loader starts: the blended shader first.
    int a = resources.findOrCreateIndex("Textures/q/a.sdr", 1);
    int b = resources.findOrCreateIndex("Textures/q/b.sdr", 1);
    ResourceHandle bt = acquireBlendedTileShader(std::vector<int>{a, b});
    ResourceHandle other = resources.load("other.prb");
    ResourceHandle ta = acquireShader("Textures/q/a.tga", 1);
    ResourceHandle tb = acquireShader("Textures/q/b.tga", 1);
    ASSERT_EQ(ta.getIndex(), a);
    ASSERT_EQ(tb.getIndex(), b);
    resources.startLoader();
    Shader* s = shader(bt);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->stages.size(), 2u);
    EXPECT_EQ(textureOf(s, 0), "Textures/q/a.rtx");
    EXPECT_EQ(textureOf(s, 1), "Textures/q/b.rtx");
    EXPECT_TRUE(other.isLoaded());
    resources.waitForQueueEmpty();
    {
        std::lock_guard<std::mutex> lock(orderMutex);
        // The other file was loaded before the tile textures: the blended
        // shader did not hold up the queue.
        ASSERT_GE(order.size(), 3u);
        EXPECT_EQ(order[0], "other.prb");
    }
    EXPECT_FALSE(log.contains("built before"));
    resources.stopLoader();
}

TEST_F(ShaderSystemTest, BlendedTileOfAnIdleTileIsBuiltWithALine)
{
    int idle = resources.findOrCreateIndex("Textures/q/idle.sdr", 1);
    resources.startLoader();
    Shader* s = shader(acquireBlendedTileShader(std::vector<int>{idle}));
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->stages[0].texture.isValid());
    EXPECT_TRUE(log.contains("which is not being loaded", 2));
    resources.stopLoader();
}

TEST_F(ShaderSystemTest, BadBlendedTileNamesGiveUntexturedStages)
{
    Shader* s = shader(acquireBlendedTileShader(std::vector<int>{99999}));
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->stages.size(), 1u);
    EXPECT_FALSE(s->stages[0].texture.isValid());
    EXPECT_TRUE(log.contains("BT 99999: 1 of 1 layers", 2));
    EXPECT_EQ(log.count(2), 1u);

    log.clear();
    ResourceHandle probe = resources.load("x.prb");
    ASSERT_NE(resources.get(probe), nullptr);
    Shader* notShader = shader(acquireBlendedTileShader(std::vector<int>{probe.getIndex()}));
    ASSERT_NE(notShader, nullptr);
    EXPECT_FALSE(notShader->stages[0].texture.isValid());

    log.clear();
    Shader* typed = shader(resources.load("BT abc.sdr", ShaderSystem::kBlendedTile));
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->stages.size(), 1u);
    EXPECT_EQ(log.count(2), 1u);
}

TEST_F(ShaderSystemTest, ListsByDirectory)
{
    shaders.loadText("Textures/UI/a { } Textures/ui/b { } Textures/UI/sub/c { } d { }", "Shaders/l.sdr");
    EXPECT_EQ(shaders.listShadersInDirectory("textures/ui"), (std::vector<std::string>{"a.tga", "b.tga"}));
    EXPECT_EQ(shaders.getDefinitionNames().size(), 4u);
    EXPECT_EQ(shaders.getDefinitionNames()[2], "Textures/UI/sub/c");
}

class ShaderReloadTest : public ShaderSystemTest {
protected:
    void SetUp() override
    {
        ShaderSystemTest::SetUp();
        files = std::make_unique<FileSystem>(dir.file("data"), dir.file("user"), false);
        resources.readThroughFileSystem();
    }

    std::unique_ptr<FileSystem> files;
};

TEST_F(ShaderReloadTest, ReloadTakesNewSettingsAndRebuildsBlendedTilesAfter)
{
    dir.write("data/Shaders/tiles.sdr", "Textures/g/a { sort Shadow { texture Textures/g/a1.tga } }\n"
                                        "Textures/g/b { { texture Textures/g/b1.tga } }\n");
    shaders.loadAll();
    ASSERT_EQ(shaders.getDefinitionCount(), 2u);
    resources.startLoader();
    ResourceHandle a = acquireShader("Textures/g/a.tga", 1);
    ResourceHandle b = acquireShader("Textures/g/b.tga", 1);
    ResourceHandle plain = acquireShader("Textures/g/plain.tga", 1);
    ResourceHandle bt = acquireBlendedTileShader(std::vector<ResourceHandle>{a, b});
    ASSERT_EQ(textureOf(shader(bt), 0), "Textures/g/a1.rtx");
    EXPECT_EQ(shader(a)->sort, SortType::Shadow);
    EXPECT_EQ(shader(plain)->index, 2);

    dir.write("data/Shaders/tiles.sdr",
              "Textures/g/a { sort Additive BlocksSight { texture Textures/g/a2.tga } }\n"
              "Textures/g/b { { texture Textures/g/b2.tga } }\n");
    shaders.reload();
    Shader* na = shader(a);
    ASSERT_NE(na, nullptr);
    EXPECT_EQ(na->sort, SortType::Additive);
    EXPECT_TRUE(na->BlocksSight);
    EXPECT_EQ(textureOf(na), "Textures/g/a2.rtx");
    Shader* nbt = shader(bt);
    ASSERT_NE(nbt, nullptr);
    EXPECT_EQ(textureOf(nbt, 0), "Textures/g/a2.rtx");
    EXPECT_EQ(textureOf(nbt, 1), "Textures/g/b2.rtx");
    EXPECT_EQ(shader(plain)->index, 2);
    EXPECT_FALSE(log.contains("built before"));
    resources.stopLoader();
}

TEST_F(ShaderReloadTest, ReloadWhileTheLoaderBuildsIsSafe)
{
    dir.write("data/Shaders/tiles.sdr", "t0 { { texture a.tga } } t1 { { texture b.tga } }\n");
    shaders.loadAll();
    resources.startLoader();
    std::vector<ResourceHandle> tiles = {acquireShader("t0", 1), acquireShader("t1", 1)};
    std::atomic<bool> stop{false};
    std::thread reloader([&] {
        while (!stop) {
            shaders.reload();
        }
    });
    for (int i = 0; i < 200; ++i) {
        // A new blended list every round keeps the loader building them.
        ResourceHandle bt = acquireBlendedTileShader(
            std::vector<int>{tiles[i % 2].getIndex(), tiles[1].getIndex(), tiles[0].getIndex(), i});
        (void)bt;
    }
    stop = true;
    reloader.join();
    resources.waitForQueueEmpty();
    resources.stopLoader();
}

} // namespace

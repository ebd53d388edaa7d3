// The shipped shader scripts, read as a headless server reads them: no
// texture types, no OpenGL library in this program.
#include "engine/files/FileSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/shaders/Shader.h"
#include "graphics/shaders/ShaderSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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

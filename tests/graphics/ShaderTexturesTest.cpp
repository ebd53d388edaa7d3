#include "graphics/ShaderTextures.h"

#include "engine/resources/ResourceSystem.h"
#include "graphics/ScreenGeometry.h"
#include "graphics/StageBatch.h"
#include "graphics/TextureResource.h"
#include "graphics/shaders/ShaderSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class ShaderTexturesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResourceTypeInfo info;
        info.extension = "rtx";
        info.nameFactory = [](const std::string&, int) {
            auto t = std::make_unique<TextureResource>();
            t->width = 64;
            t->height = 32;
            return t;
        };
        resources.registerType(info);
        shaders.registerResourceType(resources);
    }

    LogCapture log;
    ResourceSystem resources;
    ShaderSystem shaders;
};

TEST_F(ShaderTexturesTest, TextureOfAShaderAndItsTileRepeat)
{
    ResourceHandle shader = acquireShader("Textures/t.tga", ShaderSystem::kInterfaceTiled);
    TextureResource* texture = resolveShaderTexture(shader);
    ASSERT_NE(texture, nullptr);
    ShaderTextureSize size = getShaderTextureSize(shader);
    EXPECT_FLOAT_EQ(size.width, 64.0f);
    EXPECT_FLOAT_EQ(size.height, 32.0f);

    TileRepeat r = computeTileRepeat(100.0f, 80.0f, shader, false);
    EXPECT_FLOAT_EQ(r.u1, 100.0f / 64.0f);
    EXPECT_FLOAT_EQ(r.v1, 2.5f);
    r = computeTileRepeat(100.0f, 10.0f, shader, true);
    EXPECT_FLOAT_EQ(r.u1, 2.0f);
    EXPECT_FLOAT_EQ(r.v1, 1.0f); // 0.3125 raised to one whole repeat
    r = computeTileRepeat(0.0f, 10.0f, shader, true);
    EXPECT_FLOAT_EQ(r.u1, 0.0f);

    // Not a shader, or none at all.
    ResourceHandle none;
    EXPECT_EQ(resolveResourceHandle(none), nullptr);
    EXPECT_EQ(resolveShaderTexture(resources.load("x.rtx")), nullptr);
    EXPECT_FLOAT_EQ(getShaderTextureSize(none).width, 0.0f);
    EXPECT_FLOAT_EQ(computeTileRepeat(10, 10, none, true).u1, 0.0f);
}

TEST(ScreenGeometry, RadialWipeSweepsClockwiseFromTheLeft)
{
    StageBatch batch;
    EXPECT_EQ(ScreenGeometry::addRadialWipe(batch, 1, 1, 1, 0, 0, 640, 480, 1, 0.0f), 0);
    EXPECT_EQ(ScreenGeometry::addRadialWipe(batch, 1, 1, 1, 0, 0, 640, 480, 1, 0.5f), 3);
    batch.clear();
    batch.codeColours.clear();
    EXPECT_EQ(ScreenGeometry::addRadialWipe(batch, 1, 0, 0, 0, 0, 640, 480, 0.5f, 1.0f), 5);
    EXPECT_EQ(batch.indices.size(), 15u);

    batch.clear();
    batch.codeColours.clear();
    // A sixteenth: half of the left edge's upper run, from its middle.
    ASSERT_EQ(ScreenGeometry::addRadialWipe(batch, 1, 1, 1, 0, 0, 640, 480, 1, 0.0625f), 1);
    // Centre (320, 240) is clip (0, 0) with coordinates (0.5, 0.5).
    EXPECT_FLOAT_EQ(batch.positions[0], 0.0f);
    EXPECT_FLOAT_EQ(batch.positions[1], 0.0f);
    EXPECT_FLOAT_EQ(batch.texCoords[0], 0.5f);
    EXPECT_FLOAT_EQ(batch.texCoords[1], 0.5f);
    // Fixed end: middle of the left edge; far point: (0, 120) in the screen.
    EXPECT_FLOAT_EQ(batch.positions[3], -1.0f);
    EXPECT_FLOAT_EQ(batch.positions[4], 0.0f);
    EXPECT_FLOAT_EQ(batch.positions[6], -1.0f);
    EXPECT_FLOAT_EQ(batch.positions[7], 0.5f);
    EXPECT_FLOAT_EQ(batch.texCoords[4], 0.25f); // u = (py − y) / height
    EXPECT_EQ(batch.codeColours[3], 255);
}

} // namespace

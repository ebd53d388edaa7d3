#include "graphics/LightingSystem.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "graphics/render/RenderQueue.h"
#include "support/RenderScene.h"

#include <gtest/gtest.h>

#include <array>

namespace {

const ZonePosition kOrigin(0, 0.0f, 0.0f);

class LightingSystemTest : public ::testing::Test {
protected:
    LightingSystemTest()
    {
        lighting.registerVariables();
        lighting.setTuning(2.0f, 0.3f, 0.5f, 0.5f, 0.5f);
    }
    void fill(int type, int count)
    {
        for (int i = 0; i < count; ++i) {
            lighting.addLight(kOrigin, Color(0.1f, 0.1f, 0.1f), 10.0f, type);
        }
    }
    Color at(float x, float y) { return lighting.lightAt(ZonePosition(0, x, y)); }

    UserVarSystem vars;
    LightingSystem lighting;
};

TEST_F(LightingSystemTest, TheLimitsOfAFrame)
{
    fill(0, 17);
    EXPECT_EQ(lighting.getCount(), 16);
    // The two extra slots take only global lights.
    fill(2, 3);
    EXPECT_EQ(lighting.getCount(), 18);
    lighting.beginFrame();
    lighting.addLight(kOrigin, Color(1, 1, 1), 0.0f, 0);
    lighting.addLight(kOrigin, Color(1, 1, 1), -3.0f, 1);
    EXPECT_EQ(lighting.getCount(), 0);
    lighting.addLight(kOrigin, Color(1, 1, 1), 0.0f, 2);
    // Colour 10 of the table means "no light".
    lighting.addLight(kOrigin, ColorSystem::getColor(10), 50.0f, 0);
    EXPECT_EQ(lighting.getCount(), 1);
    // A type-1 light goes in the extra slots as a point light.
    fill(0, 15);
    lighting.addLight(kOrigin, Color(1, 1, 1), 5.0f, 1);
    EXPECT_EQ(lighting.getLight(16).type, 0);

    // A lower limit cuts the lights already added; a negative one is 0.
    lighting.setMaxLights(4);
    EXPECT_EQ(lighting.getCapacity(), 6);
    EXPECT_EQ(lighting.getCount(), 6);
    EXPECT_NO_FATAL_FAILURE(at(0, 0));
    lighting.setMaxLights(-5);
    EXPECT_EQ(lighting.getMaxLights(), 0);
    EXPECT_EQ(lighting.getCount(), 2);
    lighting.setMaxLights(100000);
    EXPECT_EQ(lighting.getMaxLights(), LightingSystem::kMaxLightsLimit);

    // Nothing is added while the client is paused.
    lighting.beginFrame();
    lighting.setPausedQuery([] { return true; });
    fill(2, 1);
    EXPECT_EQ(lighting.getCount(), 0);
}

TEST_F(LightingSystemTest, FalloffSumsAndFullbright)
{
    lighting.addLight(kOrigin, Color(0.8f, 0.4f, 0.2f), 100.0f, 0);
    EXPECT_FLOAT_EQ(at(99.9f, 0).r, 0.8f);
    EXPECT_NEAR(at(0, 100.0f).r, 0.8f, 1e-6); // at the radius: f = 1
    EXPECT_NEAR(at(150.0f, 0).r, 0.4f, 1e-6); // half way out
    EXPECT_FLOAT_EQ(at(200.0f, 0).r, 0.0f);   // the outer radius
    // Across a zone border the light is measured in one zone.
    EXPECT_FLOAT_EQ(lighting.lightAt(ZonePosition(1, 0, 0)).r, 0.0f);
    // Two at full strength, limited by the largest channel.
    lighting.addLight(ZonePosition(0, 10, 0), Color(0.8f, 0.4f, 0.2f), 100.0f, 0);
    Color sum = at(0, 0);
    EXPECT_FLOAT_EQ(sum.r, 1.0f);
    EXPECT_FLOAT_EQ(sum.g, 0.5f);
    EXPECT_FLOAT_EQ(sum.b, 0.25f);
    vars.setVar("r_fullbright", "1");
    EXPECT_FLOAT_EQ(at(5000, 0).b, 1.0f);
    vars.setVar("r_fullbright", "0");

    // Radius 96 with the shipped multiplier 2: whole at 96, half at 144, none at 192.
    lighting.beginFrame();
    lighting.addLight(kOrigin, Color(1, 0, 0), 96.0f, 0);
    EXPECT_NEAR(at(96.0f, 0).r, 1.0f, 1e-6);
    EXPECT_NEAR(at(0, 144.0f).r, 0.5f, 1e-6);
    EXPECT_NEAR(at(192.0f, 0).r, 0.0f, 1e-6);

    // No ramp with a multiplier of 1 or less: inside the radius or unlit.
    lighting.beginFrame();
    lighting.setTuning(0.5f, 0.3f, 0.5f, 0.5f, 0.5f);
    lighting.addLight(kOrigin, Color(0.5f, 0.5f, 0.5f), 100.0f, 0);
    EXPECT_FLOAT_EQ(at(99.0f, 0).g, 0.5f);
    EXPECT_FLOAT_EQ(at(101.0f, 0).g, 0.0f);
}

TEST_F(LightingSystemTest, SphereColoursFaceTheLight)
{
    // A light straight ahead of an entity facing +x.
    lighting.addLight(ZonePosition(0, 50, 0), Color(0.4f, 0.4f, 0.4f), 100.0f, 0);
    float s[6][3];
    lighting.computeSphereColors(kOrigin, Vec2(1, 0), s);
    EXPECT_NEAR(s[2][0], 0.4f * (0.5f + 0.5f), 1e-5); // front: direct + ambient
    EXPECT_NEAR(s[3][0], 0.4f * 0.5f, 1e-5);          // back: ambient
    EXPECT_NEAR(s[0][0], 0.4f * 0.5f, 1e-5);          // the sides: ambient
    EXPECT_NEAR(s[4][0], (0.4f + 0.2f * 3) * 0.3f, 1e-5);
    EXPECT_NEAR(s[5][0], s[4][0] * 0.5f, 1e-5);
    // A red light 50 units ahead with the shipped multipliers (the fixture's
    // tuning is gamesystem.dbl's): facing side whole, the sides and the back
    // half, the top 0.75 and the bottom 0.375.
    lighting.beginFrame();
    lighting.addLight(ZonePosition(0, 50, 0), Color(1, 0, 0), 100.0f, 0);
    lighting.computeSphereColors(kOrigin, Vec2(1, 0), s);
    const float expected[6] = {0.5f, 0.5f, 1.0f, 0.5f, 0.75f, 0.375f};
    for (int side = 0; side < 6; ++side) {
        EXPECT_NEAR(s[side][0], expected[side], 1e-5) << side;
        EXPECT_FLOAT_EQ(s[side][1], 0.0f) << side;
    }
    // A global light adds its whole colour to every side, then the limit.
    lighting.addLight(kOrigin, Color(0.9f, 0.9f, 0.9f), 0.0f, 2);
    lighting.computeSphereColors(kOrigin, Vec2(1, 0), s);
    EXPECT_FLOAT_EQ(s[2][0], 1.0f);
    EXPECT_NEAR(s[3][0], 0.2f + 0.9f, 1e-5 + 0.11f); // 1.1 limited to 1
    EXPECT_LE(s[3][0], 1.0f);
}

TEST(LightingDrawTest, TilesAreLitPerVertexByTheFramesLights)
{
    RenderScene scene;
    LightingSystem lighting;
    lighting.setTuning(2.0f, 0.3f, 0.5f, 0.5f, 0.5f);
    int tile = scene.shader("Textures/areas/town/cobbles01");
    const float white[3] = {1, 1, 1};
    auto drawTile = [&] {
        scene.backend.batches.clear();
        scene.queue.beginFrame();
        scene.queue.addTile(tile, Vec3(0, 0, 0), Vec3(32, 32, 0), 0, false, white, 1.0f);
        scene.graphics.drawQueuedSurfaces(scene.queue.getQueued());
        EXPECT_EQ(scene.backend.batches.size(), 1u);
        return scene.backend.batches.empty() ? std::vector<uint8_t>()
                                             : scene.backend.batches[0].stages[0].colours;
    };
    // No light: dark.
    std::vector<uint8_t> dark = drawTile();
    ASSERT_EQ(dark.size(), 16u);
    EXPECT_EQ(dark[0], 0);
    // A red light over one corner: that corner red, the far one unlit.
    lighting.addLight(ZonePosition(-1, 0, 0), Color(1, 0, 0), 10.0f, 0);
    std::vector<uint8_t> lit = drawTile();
    int reds = 0, blacks = 0;
    for (size_t v = 0; v < 4; ++v) {
        reds += lit[v * 4] == 255 && lit[v * 4 + 1] == 0;
        blacks += lit[v * 4] == 0;
    }
    EXPECT_EQ(reds, 1);
    EXPECT_EQ(blacks, 3); // the other corners lie past the outer radius 20
}

// A brazier (light radius 96, reach 192 with the falloff multiplier 2) off
// the drawn cells still lights them when its light reaches them; one
// farther off does not, and a drawn cell's own is left to the world pass.
TEST(LightingDrawTest, ObjectsOffTheDrawnCellsLightThemWhenTheirLightReaches)
{
    RenderScene scene;
    LightingSystem lighting;
    lighting.setTuning(2.0f, 0.3f, 0.5f, 0.5f, 0.5f);
    lighting.setMaxLights(16);
    const int brazier = scene.load("Models/Objects/brazier.mdl");
    ASSERT_FLOAT_EQ(scene.model(brazier)->getLightIntensity(), 96.0f);
    // Drawn: cells 10 … 19 both ways (320 … 640 units). Braziers whose
    // centres stand 176 units below the drawn cells, 240 below, 176 to their
    // left, 208 to their left, and on a drawn cell.
    const std::vector<std::array<int, 2>> placed = {{15, 4}, {15, 2}, {4, 15}, {3, 16}, {12, 12}};
    scene.graphics.getFrameHooks().getCellObject = [&](int, int x, int y, FrameCellObject& out) {
        for (const auto& p : placed) {
            if (p[0] == x && p[1] == y) {
                out.model = brazier;
                return true;
            }
        }
        return false;
    };
    const int range[4] = {10, 19, 10, 19};
    scene.graphics.addLightsReachingRange(0, 32.0f, range);
    std::vector<std::array<float, 2>> lit;
    for (int i = 0; i < lighting.getCount(); ++i) {
        lit.push_back({lighting.getLight(i).position.x, lighting.getLight(i).position.y});
    }
    EXPECT_EQ(lit, (std::vector<std::array<float, 2>>{{4.5f * 32, 15.5f * 32}, {15.5f * 32, 4.5f * 32}}));
}

} // namespace

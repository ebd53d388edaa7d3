#include "graphics/render/BatchGeometry.h"

#include "graphics/ScreenGeometry.h"
#include "graphics/StageBatch.h"
#include "graphics/render/RenderView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

const float kWhite[3] = {1.0f, 1.0f, 1.0f};

Vec3 vertex(const StageBatch& b, size_t i)
{
    return {b.positions[i * 3], b.positions[i * 3 + 1], b.positions[i * 3 + 2]};
}

TEST(BatchGeometryTest, ScreenRectanglesCoverTheVirtualScreen)
{
    StageBatch b;
    ScreenGeometry::addRect(b, 0, 0, 640, 480, kWhite, 1.0f);
    ASSERT_EQ(b.vertexCount(), 4u);
    EXPECT_EQ(vertex(b, 0), Vec3(-1, 1, 0));
    EXPECT_EQ(vertex(b, 2), Vec3(1, -1, 0));
    const float glyph[4] = {0.25f, 0.5f, 0.375f, 0.625f};
    ScreenGeometry::addTexturedRect(b, 320, 240, 330, 250, glyph, kWhite, 0.5f);
    EXPECT_EQ(b.vertexCount(), 8u);
    EXPECT_EQ(std::vector<float>(b.texCoords.begin() + 8, b.texCoords.end()),
              (std::vector<float>{0.25f, 0.5f, 0.375f, 0.5f, 0.375f, 0.625f, 0.25f, 0.625f}));
    EXPECT_EQ(b.codeColours[4 * 4 + 3], 128);
    EXPECT_EQ(b.indices.size(), 12u);
}

TEST(BatchGeometryTest, QuadsIndexFromTheBaseVertexAndTilesKeepTheirArraysInStep)
{
    StageBatch b;
    b.positions.assign(3 * 3, 0.0f); // three vertices already there
    b.texCoords.assign(3 * 2, 0.0f);
    const Vec3 corners[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    BatchGeometry::addQuad(b, corners, kWhite, 1.0f);
    EXPECT_EQ(b.indices, (std::vector<uint32_t>{3, 5, 4, 3, 6, 5}));
    // Earlier vertices without colours are padded white, so the quad's
    // colours land on its own vertices.
    EXPECT_EQ(b.codeColours.size(), 7u * 4);

    StageBatch t;
    const float red[3] = {1, 0, 0};
    BatchGeometry::addTile(t, Vec3(0, 0, 1), Vec3(32, 64, 2), true, true, red);
    EXPECT_EQ(vertex(t, 0), Vec3(0, 64, 2));
    EXPECT_EQ(vertex(t, 2), Vec3(32, 0, 1));
    EXPECT_EQ(t.normals, std::vector<float>({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(t.codeColours[1], 0);
}

TEST(BatchGeometryTest, BlendedTileAlphasComeFromTheCornerWeights)
{
    BlendCorners corners;
    corners[0] = {255, 0};
    corners[1] = {255, 85, 64};
    corners[2] = {255, 170};
    corners[3] = {255};
    StageBatch b;
    BatchGeometry::addBlendedTile(b, Vec3(), Vec3(32, 32, 0), &corners, false);
    ASSERT_EQ(b.stageAlphas.size(), 3u);
    EXPECT_EQ(b.stageAlphas[0][1], 255);
    EXPECT_EQ(b.stageAlphas[1][1], 85);
    EXPECT_EQ(b.stageAlphas[2][1], 64);
    // Layers a corner lacks draw opaque.
    EXPECT_EQ(b.stageAlphas[1][3], 255);
    EXPECT_EQ(b.stageAlphas[2][0], 255);
    // A second tile in the batch keeps every stage's alphas on its vertices.
    BlendCorners two;
    two[0] = two[1] = two[2] = two[3] = {10};
    BatchGeometry::addBlendedTile(b, Vec3(32, 0, 0), Vec3(64, 32, 0), &two, false);
    for (const auto& alphas : b.stageAlphas) {
        EXPECT_EQ(alphas.size(), 8u);
    }
    EXPECT_EQ(b.stageAlphas[0][4], 10);
    EXPECT_EQ(b.stageAlphas[2][7], 255);
}

TEST(BatchGeometryTest, ParticlesFaceTheCamera)
{
    RenderView view; // looking along x: right is −y, up is z
    StageBatch b;
    BatchGeometry::addParticle(b, view, Vec3(10, 0, 0), 0.0f, 4.0f, kWhite, 1.0f, 0.75f);
    EXPECT_TRUE(vertex(b, 0).nearlyEquals(Vec3(10, 2, 2), 1e-5f));
    EXPECT_TRUE(vertex(b, 2).nearlyEquals(Vec3(10, -2, -2), 1e-5f));
    EXPECT_FLOAT_EQ(b.shaderTime, 0.75f);
    // A quarter turn about the view direction swaps the axes.
    StageBatch turned;
    BatchGeometry::addParticle(turned, view, Vec3(10, 0, 0), 90.0f, 4.0f, kWhite, 1.0f, 0.0f);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(vertex(turned, i).x, 10.0f);
        EXPECT_NEAR(std::abs(vertex(turned, i).y), 2.0f, 1e-5f);
    }
    EXPECT_FALSE(vertex(turned, 0).nearlyEquals(vertex(b, 0), 1e-3f));
}

// Targa rows are uploaded as stored, bottom row first: v = 1 is the image's
// top row and u = 0 its left column. A camera-facing quad shows the image
// upright on screen: its top row at the quad's top, its left column at its
// left, for sprites (turn 0) and quads alike.
TEST(BatchGeometryTest, CameraFacingQuadsShowTheirTextureUpright)
{
    RenderView view; // looking along x: right is -y, up is z
    struct Case {
        const char* what;
        std::function<void(StageBatch&)> add;
    };
    const Vec3 facing[4] = {{10, 2, 2}, {10, -2, 2}, {10, -2, -2}, {10, 2, -2}};
    const Case cases[] = {
        {"particle",
         [&](StageBatch& b) {
             BatchGeometry::addParticle(b, view, Vec3(10, 0, 0), 0.0f, 4.0f, kWhite, 1.0f, 0.0f);
         }},
        {"quad", [&](StageBatch& b) { BatchGeometry::addQuad(b, facing, kWhite, 1.0f); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StageBatch b;
        c.add(b);
        ASSERT_EQ(b.vertexCount(), 4u);
        float top = -1e9f, bottom = 1e9f, left = -1e9f;
        for (size_t i = 0; i < 4; ++i) {
            top = std::max(top, vertex(b, i).z);
            bottom = std::min(bottom, vertex(b, i).z);
            left = std::max(left, vertex(b, i).y);
        }
        ASSERT_GT(top, bottom);
        for (size_t i = 0; i < 4; ++i) {
            const float u = b.texCoords[i * 2], v = b.texCoords[i * 2 + 1];
            EXPECT_FLOAT_EQ(v, vertex(b, i).z == top ? 1.0f : 0.0f) << "vertex " << i;
            EXPECT_FLOAT_EQ(u, vertex(b, i).y == left ? 0.0f : 1.0f) << "vertex " << i;
        }
    }
}

class BeamTest : public ::testing::Test {
protected:
    BeamTest()
    {
        beam.start = Vec3(0, 0, 0);
        beam.end = Vec3(100, 0, 0);
        beam.eye = Vec3(0, 0, 1000);
        beam.startSize = 2.0f;
        beam.endSize = 6.0f;
        beam.size = 4.0f;
    }
    std::vector<float> build()
    {
        StageBatch b;
        BatchGeometry::addBeam(b, beam);
        return b.positions;
    }
    BatchGeometry::Beam beam;
};

TEST_F(BeamTest, OneSegmentIsOneQuadWithItsEndWidths)
{
    StageBatch b;
    BatchGeometry::addBeam(b, beam);
    ASSERT_EQ(b.vertexCount(), 4u);
    EXPECT_FLOAT_EQ(std::abs(vertex(b, 0).y - vertex(b, 1).y), 4.0f);  // 2 × start size
    EXPECT_FLOAT_EQ(std::abs(vertex(b, 2).y - vertex(b, 3).y), 12.0f); // 2 × end size
    EXPECT_FLOAT_EQ(vertex(b, 2).x, 100.0f);
}

TEST_F(BeamTest, OffsetsFollowTheSeed)
{
    beam.segments = 5;
    std::vector<float> straight = build();
    // Maximum offset 0: every point on the line.
    for (size_t i = 0; i < straight.size(); i += 3) {
        EXPECT_FLOAT_EQ(straight[i + 2], 0.0f);
    }
    EXPECT_EQ(straight.size(), 5u * 4 * 3);
    beam.minOffset = 2.0f;
    beam.maxOffset = 10.0f;
    beam.seed = 77;
    std::vector<float> first = build();
    EXPECT_EQ(build(), first);
    EXPECT_NE(first, straight);
    beam.seed = 78;
    EXPECT_NE(build(), first);
}

TEST(BatchGeometryTest, SwipeRibbonFadesAlongTheTrail)
{
    RenderView view;
    std::vector<SwipePoint> trail(3);
    for (int i = 0; i < 3; ++i) {
        trail[i].a = ZonePosition3(-1, i * 10.0f, 0, 0);
        trail[i].b = ZonePosition3(-1, i * 10.0f, 0, 20);
        trail[i].alpha = 1.0f - i * 0.5f;
    }
    const float colour[3] = {1.0f, 0.5f, 0.0f};
    StageBatch b;
    BatchGeometry::addSwipe(b, view, trail, colour);
    ASSERT_EQ(b.vertexCount(), 8u);
    EXPECT_EQ(vertex(b, 5), Vec3(10, 0, 20)); // B of the second pair's first point
    EXPECT_FLOAT_EQ(b.texCoords[1], 1.0f);
    EXPECT_FLOAT_EQ(b.texCoords[5], 2.0f / 3.0f);
    // The last point's alpha is 0: black, opaque.
    EXPECT_EQ(b.codeColours[6 * 4], 0);
    EXPECT_EQ(b.codeColours[6 * 4 + 3], 255);
    EXPECT_EQ(b.codeColours[4 * 4 + 1], 64);
}

} // namespace

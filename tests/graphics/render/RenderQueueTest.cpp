#include "graphics/render/RenderQueue.h"

#include "engine/resources/Skin.h"
#include "graphics/render/ModelRenderSurface.h"
#include "graphics/render/RenderView.h"
#include "graphics/render/SortKey.h"
#include "graphics/render/TileRenderSurface.h"
#include "graphics/shaders/Shader.h"
#include "support/RenderScene.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const float kWhite[3] = {1.0f, 1.0f, 1.0f};

TEST(SortKeyTest, OpaqueAndFadedKeysByHand)
{
    SortKey additive = SortKey::make(4, 5, SortKey::kShared, 1.0f, 0);
    EXPECT_EQ(additive.key, 0x800017FFu);
    EXPECT_EQ(additive.category, 4);
    // The 8th model surface of a frame, faded, first pass.
    SortKey faded = SortKey::make(0, 5, 7, 0.5f, 1);
    EXPECT_EQ(faded.key, 0x603A0005u);
    EXPECT_EQ(faded.category, 3);
    // Only 17 bits of the shader number count.
    EXPECT_EQ(SortKey::make(0, 0x20005, 7, 0.5f, 1).key, faded.key);
}

class RenderQueueTest : public ::testing::Test {
protected:
    ModelDrawRequest boxMan(float fade, float x = 0.0f)
    {
        ModelDrawRequest r = ModelDrawRequest::at(man, ZonePosition3(-1, x, 0.0f, 0.0f), Matrix3());
        r.fade = fade;
        return r;
    }
    // The request drawn as a shadow pass from the light, with the shadow
    // shader; the point 40 above the model's origin through the first
    // batch's model-view. False when nothing was drawn.
    bool shadowPointAbove(ModelDrawRequest r, const ZonePosition3& light, float out[4])
    {
        queue.setShadowShader(scene.shader("Models/BoxMan/body"));
        r.shadowPass = true;
        r.shadowLight = light;
        queue.beginFrame();
        queue.addSkinnedModel(r);
        scene.draw();
        if (scene.backend.batches.empty()) {
            return false;
        }
        const auto& m = scene.backend.batches[0].modelView;
        const float q[4] = {0, 0, 40, 1};
        for (int row = 0; row < 4; ++row) {
            out[row] = 0.0f;
            for (int k = 0; k < 4; ++k) {
                out[row] += m[static_cast<size_t>(k * 4 + row)] * q[k];
            }
        }
        return true;
    }

    RenderScene scene;
    RenderQueue& queue = scene.queue;
    int man = scene.boxMan();
};

TEST_F(RenderQueueTest, ParticlesOfOneShaderShareAKeyAndABatch)
{
    int spark = scene.shader("Models/BoxMan/body");
    queue.beginFrame();
    queue.addParticle(spark, ZonePosition3(-1, 0, 0, 0), 0.0f, 4.0f, kWhite, 1.0f, 0.1f);
    queue.addParticle(spark, ZonePosition3(-1, 10, 0, 0), 0.0f, 4.0f, kWhite, 1.0f, 0.2f);
    // Neither a missing shader nor one that is not there queues anything.
    queue.addParticle(-1, ZonePosition3(-1, 0, 0, 0), 0.0f, 4.0f, kWhite, 1.0f, 0.0f);
    queue.addTile(man, Vec3(), Vec3(32, 32, 0), 0, false, kWhite, 1.0f);
    auto& queued = queue.getQueued();
    ASSERT_EQ(queued.size(), 2u);
    EXPECT_EQ(queued[0]->sortKey, queued[1]->sortKey);
    scene.draw();
    ASSERT_EQ(scene.backend.batchCount, 1u);
    EXPECT_EQ(scene.backend.batches[0].positions.size(), 8u * 3);
}

TEST_F(RenderQueueTest, PoolsGrowOnceAndKeepTheirObjects)
{
    int tile = scene.shader("Models/BoxMan/body");
    auto fill = [&](int count) {
        queue.beginFrame();
        for (int i = 0; i < count; ++i) {
            queue.addTile(tile, Vec3(i * 32.0f, 0, 0), Vec3(i * 32.0f + 32, 32, 0), 0, false, kWhite, 1.0f);
        }
    };
    fill(3);
    ASSERT_EQ(queue.getTilePoolSize(), 3u);
    const TileRenderSurface* first = queue.getTile(0);
    fill(5);
    ASSERT_EQ(queue.getTilePoolSize(), 5u);
    EXPECT_EQ(queue.getTile(0), first);
    std::set<const RenderSurface*> grown(queue.getQueued().begin(), queue.getQueued().end());
    fill(5);
    EXPECT_EQ(queue.getTilePoolSize(), 5u);
    EXPECT_EQ(std::set<const RenderSurface*>(queue.getQueued().begin(), queue.getQueued().end()), grown);
}

TEST_F(RenderQueueTest, FadeDecidesPassesCategoriesAndCulling)
{
    queue.beginFrame();
    queue.addSkinnedModel(boxMan(0.5f));
    ASSERT_EQ(queue.getQueued().size(), 4u);
    std::vector<int> passes;
    for (RenderSurface* s : queue.getQueued()) {
        EXPECT_EQ(s->sortCategory, 3);
        passes.push_back(s->pass);
    }
    EXPECT_EQ(passes, (std::vector<int>{1, 2, 1, 2}));

    queue.beginFrame();
    queue.addSkinnedModel(boxMan(1.0f));
    ASSERT_EQ(queue.getQueued().size(), 2u);
    for (RenderSurface* s : queue.getQueued()) {
        EXPECT_EQ(s->sortCategory, static_cast<int>(s->shader->sort));
        EXPECT_EQ(s->pass, 0);
    }

    queue.beginFrame();
    queue.addSkinnedModel(boxMan(0.0f));
    ASSERT_EQ(queue.getQueued().size(), 4u);
    for (RenderSurface* s : queue.getQueued()) {
        EXPECT_TRUE(s->isCulled());
    }
    scene.draw();
    EXPECT_EQ(scene.backend.batchCount, 0u);

    // Mesh 1 (the head) hidden by the visibility flags.
    std::vector<bool> visible = {true, false};
    ModelDrawRequest r = boxMan(1.0f);
    r.visibleMeshes = &visible;
    queue.beginFrame();
    queue.addSkinnedModel(r);
    ASSERT_EQ(queue.getQueued().size(), 1u);
    EXPECT_EQ(static_cast<ModelRenderSurface*>(queue.getQueued()[0])->mesh, 0);
}

TEST_F(RenderQueueTest, HighlightShadersNeedTheSkinFlagAndOverridesReplaceTheSkin)
{
    ModelResource* model = scene.model(man);
    ASSERT_NE(model, nullptr);
    // The head's shader lights up only where the skin flags its surface:
    // a skin without the flag drops the head.
    std::string text;
    for (const SkinSurface& s : model->getSkin()->getSurfaces()) {
        text += std::to_string(s.surface) + " \"" + s.shaderName + "\"\n";
    }
    auto parsed = Skin::parse("unflagged.skn", reinterpret_cast<const uint8_t*>(text.data()), text.size());
    ASSERT_NE(parsed, nullptr);
    ModelDrawRequest r = boxMan(1.0f);
    r.skin = parsed.get();
    queue.beginFrame();
    queue.addSkinnedModel(r);
    EXPECT_EQ(queue.getQueued().size(), 1u);

    int outline = scene.shader("Models/BoxMan/body");
    r = boxMan(1.0f);
    r.overrideShader = outline;
    queue.beginFrame();
    queue.addSkinnedModel(r);
    ASSERT_EQ(queue.getQueued().size(), 2u);
    for (RenderSurface* s : queue.getQueued()) {
        EXPECT_EQ(static_cast<Resource*>(s->shader), scene.resources.get(outline));
    }
}

TEST_F(RenderQueueTest, ALocalFramePlacesTheModelOffItsOrigin)
{
    ModelDrawRequest r = boxMan(1.0f);
    r.localFrame = true;
    r.frameOrigin = ZonePosition3(-1, 100.0f, 0.0f, 0.0f);
    r.frameAxes.setRow(0, Vec3(0, 1, 0)); // a quarter turn: forward is world y
    r.frameAxes.setRow(1, Vec3(-1, 0, 0));
    r.position = ZonePosition3(-1, 10.0f, 0.0f, 5.0f);
    queue.beginFrame();
    queue.addSkinnedModel(r);
    ASSERT_FALSE(queue.getQueued().empty());
    const ZonePosition3& p = static_cast<ModelRenderSurface*>(queue.getQueued()[0])->position;
    EXPECT_FLOAT_EQ(p.x, 100.0f);
    EXPECT_FLOAT_EQ(p.y, 10.0f);
    EXPECT_FLOAT_EQ(p.z, 5.0f);
}

// Past 1,024 model meshes keys and shaders repeat; every mesh still gets a
// batch of its own with its own model-view matrix.
TEST_F(RenderQueueTest, EveryModelMeshDrawsWithItsOwnTransform)
{
    queue.beginFrame();
    for (int i = 0; i < 1100; ++i) {
        queue.addSkinnedModel(boxMan(1.0f, static_cast<float>(i)));
    }
    ASSERT_EQ(queue.getQueued().size(), 2200u);
    scene.backend.keep = true;
    scene.draw();
    ASSERT_EQ(scene.backend.batchCount, 2200u);
    // Without a camera the model-view is the axis matrix times the model's
    // place: its translation column holds the turned position.
    std::map<float, int> perPosition;
    for (const auto& batch : scene.backend.batches) {
        float translation[3] = {batch.modelView[12], batch.modelView[13], batch.modelView[14]};
        // The axis matrix sends world x to −z.
        EXPECT_FLOAT_EQ(translation[0], 0.0f);
        ++perPosition[-translation[2]];
    }
    ASSERT_EQ(perPosition.size(), 1100u);
    for (const auto& [x, count] : perPosition) {
        EXPECT_EQ(count, 2) << x;
    }
}

TEST_F(RenderQueueTest, AShadowPassFlattensTheModelAwayFromItsLight)
{
    // The axis matrix sends world (x, y, z) to (−y, z, −x).
    float out[4];
    ASSERT_TRUE(shadowPointAbove(boxMan(1.0f, 50.0f), ZonePosition3(-1, -50.0f, -100.0f, 150.0f), out));
    const Vec3 world(-out[2] / out[3], -out[0] / out[3], out[1] / out[3]);
    EXPECT_NEAR(world.z, 0.1f, 1e-3f);
    // On the line from the light through the point (50, 0, 40), beyond it.
    const Vec3 light(-50, -100, 150), point(50, 0, 40);
    const Vec3 along = (world - light) * (1.0f / (world - light).length());
    const Vec3 toPoint = (point - light) * (1.0f / (point - light).length());
    EXPECT_TRUE(along.nearlyEquals(toPoint, 1e-4f));
    EXPECT_GT(world.x, point.x);
}

// Under the game's camera the flattened body still lies on the ground, on
// the far side of the model from its light.
TEST_F(RenderQueueTest, AShadowUnderTheGameCameraLiesOnTheGround)
{
    scene.graphics.setCamera(ZonePosition(-1, 1000.0f, 1000.0f),
                             ZonePosition3(-1, 1500.0f, 500.0f, 707.1068f), 1.0f);
    float eye[4];
    ASSERT_TRUE(
        shadowPointAbove(ModelDrawRequest::at(man, ZonePosition3(-1, 1050.0f, 1000.0f, 0.0f), Matrix3()),
                         ZonePosition3(-1, 950.0f, 900.0f, 150.0f), eye));
    // OpenGL clips whatever has a negative w.
    EXPECT_GT(eye[3], 0.0f) << "the flattened body would be clipped away";
    // Back from the camera's space through the view matrix (a turn and a
    // move): world = turn transposed × (camera point − move).
    const float* v = scene.graphics.getView().viewMatrix;
    float world[3] = {};
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) {
            world[i] += v[i * 4 + k] * (eye[k] / eye[3] - v[12 + k]);
        }
    }
    const Vec3 p(world[0], world[1], world[2]);
    EXPECT_NEAR(p.z, 0.1f, 1e-2f);
    const Vec3 light(950, 900, 150), point(1050, 1000, 40);
    const Vec3 along = (p - light) * (1.0f / (p - light).length());
    const Vec3 toPoint = (point - light) * (1.0f / (point - light).length());
    EXPECT_TRUE(along.nearlyEquals(toPoint, 1e-3f)) << p.x << " " << p.y << " " << p.z;
}

TEST_F(RenderQueueTest, CullingFollowsTheViewAndItsVariables)
{
    int tile = scene.shader("Models/BoxMan/body");
    BlendCorners corners;
    RenderView& view = scene.graphics.getView();
    // One plane: everything with x above 100 is outside.
    view.planes.push_back({Vec3(1, 0, 0), 100.0f});
    queue.beginFrame();
    queue.addBlendedTile(Vec3(0, 0, 0), Vec3(32, 32, 0), tile, &corners, 0);
    queue.addBlendedTile(Vec3(320, 0, 0), Vec3(352, 32, 0), tile, &corners, 0);
    queue.addSkinnedModel(boxMan(1.0f, 500.0f));
    ASSERT_EQ(queue.getQueued().size(), 3u);
    EXPECT_TRUE(queue.getQueued()[1]->isCulled());
    // A sphere touching the plane is inside.
    EXPECT_FALSE(scene.graphics.isSphereCulled(Vec3(110, 0, 0), 10.0f));
    EXPECT_TRUE(scene.graphics.isSphereCulled(Vec3(110.5f, 0, 0), 10.0f));

    scene.graphics.getVar("r_CullTiles").setString("0");
    scene.graphics.getVar("r_CullModels").setString("0");
    queue.beginFrame();
    queue.addBlendedTile(Vec3(320, 0, 0), Vec3(352, 32, 0), tile, &corners, 0);
    queue.addSkinnedModel(boxMan(1.0f, 500.0f));
    ASSERT_EQ(queue.getQueued().size(), 3u);
    EXPECT_FALSE(queue.getQueued()[1]->isCulled());
}

} // namespace

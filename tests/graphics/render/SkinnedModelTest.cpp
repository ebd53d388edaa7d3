#include "graphics/render/ModelRenderSurface.h"

#include "support/RenderScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class SkinnedModelTest : public ::testing::Test {
protected:
    SkinnedModelTest() { RenderScene::twoBones(skeleton, animation); }

    static Mesh mesh(int surface = 0, int bone = 1) { return RenderScene::twoBoneMesh(surface, bone); }

    int write(const std::string& name, std::vector<Mesh> meshes)
    {
        MeshSetResource set;
        set.meshes() = std::move(meshes);
        int model = scene.writeModel(name, skeleton, set, animation);
        scene.model(model); // loaded now, with the loader's own lines
        scene.log.clear();
        return model;
    }

    // The skinned vertices of one model drawn alone.
    std::vector<Vec3> drawOne(int model, float time, float scale = 1.0f)
    {
        scene.queue.beginFrame();
        ModelDrawRequest r = ModelDrawRequest::at(model, ZonePosition3(-1, 0, 0, 0), Matrix3(), scale);
        r.time = time;
        scene.queue.addSkinnedModel(r);
        scene.backend.batches.clear();
        scene.draw();
        std::vector<Vec3> out;
        if (!scene.backend.batches.empty()) {
            const auto& p = scene.backend.batches[0].positions;
            for (size_t i = 0; i + 2 < p.size(); i += 3) {
                out.emplace_back(p[i], p[i + 1], p[i + 2]);
            }
        }
        return out;
    }

    RenderScene scene;
    SkeletonResource skeleton;
    AnimationResource animation;
};

::testing::AssertionResult near(const Vec3& a, const Vec3& b)
{
    if (a.nearlyEquals(b, 1e-4f)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x
                                         << ", " << b.y << ", " << b.z << ")";
}

TEST_F(SkinnedModelTest, VerticesFollowTheirWeightedBones)
{
    int model = write("two", {mesh()});
    std::vector<Vec3> v = drawOne(model, 0.0f);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_TRUE(near(v[0], Vec3(0, 5, 10)));
    EXPECT_TRUE(near(v[1], Vec3(0, 2.5f, 5)));
    EXPECT_TRUE(near(v[2], Vec3(0, 0, 0)));
    v = drawOne(model, 0.0f, 2.0f);
    EXPECT_TRUE(near(v[0], Vec3(0, 10, 20)));
    // The whole frame counts: 0.9 is still frame 0.
    EXPECT_TRUE(near(drawOne(model, 0.9f)[0], Vec3(0, 5, 10)));
}

TEST_F(SkinnedModelTest, TimesOutsideTheAnimationDrawItsEnds)
{
    int model = write("ends", {mesh()});
    // Frame 1: the child is at (1, 2, 3) + (0, −10, 0).
    EXPECT_TRUE(near(drawOne(model, 1e9f)[0], Vec3(6, -8, 3)));
    EXPECT_TRUE(near(drawOne(model, std::numeric_limits<float>::quiet_NaN())[0], Vec3(0, 5, 10)));
    EXPECT_TRUE(near(drawOne(model, -5.0f)[0], Vec3(0, 5, 10)));
    EXPECT_TRUE(near(drawOne(model, std::numeric_limits<float>::infinity())[0], Vec3(0, 5, 10)));
}

TEST_F(SkinnedModelTest, AVertexOnABoneSitsOnThatBonesAttachPoint)
{
    int model = write("tagged", {mesh()});
    ModelResource* m = scene.model(model);
    ASSERT_NE(m, nullptr);
    const ModelAnimation* idle = m->getAnimation(0);
    for (int frame = 0; frame < 2; ++frame) {
        Vec3 tag;
        Matrix3 orientation;
        ASSERT_TRUE(m->getAttachPointTransform(1, idle, frame / idle->framesPerSecond, tag, orientation));
        EXPECT_TRUE(near(drawOne(model, static_cast<float>(frame))[3], tag)) << frame;
        // The offset turns with the bone as the attach point's axes do.
        Vec3 offset = transformVectorByMatrix(Vec3(5, 0, 0), orientation) + tag;
        EXPECT_TRUE(near(drawOne(model, static_cast<float>(frame))[0], offset)) << frame;
    }
}

TEST_F(SkinnedModelTest, APoseIsComputedOncePerModelAndFrame)
{
    int model = write("three", {mesh(0), mesh(1), mesh(2)});
    PoseCache& poses = scene.queue.getPoseCache();
    size_t before = poses.getComputeCount();
    scene.queue.beginFrame();
    ModelDrawRequest r = ModelDrawRequest::at(model, ZonePosition3(-1, 0, 0, 0), Matrix3());
    scene.queue.addSkinnedModel(r);
    ASSERT_EQ(scene.queue.getQueued().size(), 3u);
    scene.draw();
    EXPECT_EQ(poses.getComputeCount() - before, 1u);
    EXPECT_EQ(scene.backend.batchCount, 3u);

    before = poses.getComputeCount();
    scene.queue.beginFrame();
    scene.queue.addSkinnedModel(r);
    r.position.x = 100;
    scene.queue.addSkinnedModel(r);
    scene.draw();
    EXPECT_EQ(poses.getComputeCount() - before, 2u);
}

TEST_F(SkinnedModelTest, MeshesNamingMissingBonesAreNotDrawnAndSaySoOnce)
{
    int model = write("broken", {mesh(0, 2)});
    for (int frame = 0; frame < 100; ++frame) {
        EXPECT_TRUE(drawOne(model, 0.0f).empty());
    }
    EXPECT_EQ(scene.log.count(3), 1u);
    EXPECT_EQ(scene.backend.batchCount, 0u);
}

TEST_F(SkinnedModelTest, AnAnimationOfAnotherBoneCountDrawsNothing)
{
    animation.setSize(1, 3);
    int model = write("mismatch", {mesh()});
    EXPECT_TRUE(drawOne(model, 0.0f).empty());
    EXPECT_TRUE(drawOne(model, 0.0f).empty());
    EXPECT_TRUE(scene.log.contains("Number of bones mismatch: model - Models/Test/mismatch.mds, anim - ", 3));
    // Once per draw.
    EXPECT_EQ(scene.log.count(3), 2u);
}

} // namespace

#include "support/EditorBench.h"

#include "engine/files/WholeFile.h"
#include "ui/widgets/PreviewEntity.h"
#include "ui/widgets/UITextureList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

constexpr const char* kBoxMan = "Models/BoxMan/boxman.mdl";

struct ModelEditorTest : ::testing::Test {
    ModelEditorTest() { e.run("modelEditor 1"); }
    // The model chosen in its list, taken at the next frame.
    ModelResource& choose(const char* model)
    {
        e.set("ModelEditorModel", model);
        e.models.update(0.0);
        EXPECT_NE(e.models.getModel(), nullptr) << model;
        return *e.models.getModel();
    }
    ZonePosition3 tagPosition(Matrix3* turn = nullptr)
    {
        ZonePosition3 at;
        Matrix3 m;
        EXPECT_TRUE(e.models.getModelEntity().getTagTransform(e.models.getCurrentTag(), at, m));
        if (turn) {
            *turn = m;
        }
        return at;
    }
    EditorBench e;
};

// The shipped plain shares BoxMan's tags file; the chest is a skeletal
// model without tags.
TEST_F(ModelEditorTest, ATagAddedToAModelWithoutTagsComesAfterItsBones)
{
    ModelResource& plain = choose("Models/Objects/chest.mdl");
    EXPECT_EQ(e.models.getCurrentTag(), -1) << "no tags";
    e.run("ModelEditorNextTag");
    EXPECT_EQ(e.models.getCurrentTag(), -1);
    e.run("ModelEditorAddTag");
    EXPECT_EQ(e.models.getCurrentTag(), plain.getNumBones());
    EXPECT_EQ(e.models.getFirstTag(), plain.getNumBones());
    EXPECT_EQ(e.var("ModelEditorTagName"), "NewTag");
    EXPECT_EQ(e.var("ModelEditorBoneName"), "");
    e.run("ModelEditorTagUp");
    int parent = 0;
    Vec3 offset(5.0f, 5.0f, 5.0f);
    Quaternion rotation;
    ASSERT_TRUE(plain.getAttachPoint(e.models.getCurrentTag(), parent, offset, rotation));
    EXPECT_EQ(parent, -1);
    EXPECT_FLOAT_EQ(offset.z, 0.0f) << "a tag without a parent bone does not move";
}

TEST_F(ModelEditorTest, TagsAreAddedAfterTheBonesAndDeletedToNone)
{
    ModelResource& model = choose(kBoxMan);
    const int bones = model.getNumBones();
    ASSERT_GT(bones, 0);
    EXPECT_EQ(e.models.getFirstTag(), bones);
    EXPECT_EQ(e.models.getCurrentTag(), bones);
    EXPECT_EQ(e.models.getLastTag(), model.getNumAttachPoints() - 1);
    EXPECT_EQ(e.var("ModelEditorTagName"), model.getAttachPointName(bones));

    e.run("ModelEditorPrevTag");
    EXPECT_EQ(e.models.getCurrentTag(), e.models.getLastTag()) << "before the first comes the last";
    e.run("ModelEditorNextTag");
    EXPECT_EQ(e.models.getCurrentTag(), bones) << "past the last comes the first";

    while (e.models.getCurrentTag() >= 0) {
        e.run("ModelEditorDeleteTag");
    }
    EXPECT_EQ(e.models.getFirstTag(), -1);
    EXPECT_EQ(e.models.getLastTag(), -1);
    e.run("ModelEditorNextTag");
    e.run("ModelEditorTagUp");
    EXPECT_EQ(e.models.getCurrentTag(), -1) << "without tags the tag commands do nothing";

    e.run("ModelEditorAddTag");
    EXPECT_EQ(e.models.getCurrentTag(), bones);
    EXPECT_EQ(e.models.getFirstTag(), bones);
    EXPECT_EQ(e.var("ModelEditorTagName"), "NewTag");
    e.run("ModelEditorDeleteTag");
    EXPECT_EQ(e.models.getCurrentTag(), -1);
}

TEST_F(ModelEditorTest, TagMovesAndTurnsGoBackAlike)
{
    ModelResource& model = choose(kBoxMan);
    e.set("ModelEditorTagName", "tag_weapon");
    while (model.getAttachPointName(e.models.getCurrentTag()) != "tag_weapon") {
        e.run("ModelEditorNextTag");
    }
    const int tag = e.models.getCurrentTag();
    int parent = -1;
    Vec3 offset;
    Quaternion rotation;
    ASSERT_TRUE(model.getAttachPoint(tag, parent, offset, rotation));
    e.models.turnModel(30.0f); // a turned model moves its tags in world directions still

    const ZonePosition3 before = tagPosition();
    e.run("ModelEditorTagUp");
    const ZonePosition3 after = tagPosition();
    EXPECT_NEAR(after.x - before.x, 0.0f, 1e-4f);
    EXPECT_NEAR(after.y - before.y, 0.0f, 1e-4f);
    EXPECT_NEAR(after.z - before.z, 1.0f, 1e-4f);
    e.run("ModelEditorTagDown");
    int p = -1;
    Vec3 back;
    Quaternion r;
    model.getAttachPoint(tag, p, back, r);
    EXPECT_EQ(p, parent);
    EXPECT_NEAR(back.x, offset.x, 1e-4f);
    EXPECT_NEAR(back.y, offset.y, 1e-4f);
    EXPECT_NEAR(back.z, offset.z, 1e-4f);

    Matrix3 start, turned, end;
    tagPosition(&start);
    e.run("ModelEditorYawLeft");
    tagPosition(&turned);
    EXPECT_GT(std::fabs(turned.m[0][1] - start.m[0][1]), 0.01f) << "the yaw turned the tag";
    e.run("ModelEditorYawRight");
    tagPosition(&end);
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(end.m[i / 3][i % 3], start.m[i / 3][i % 3], 1e-4f) << i;
    }
    e.run("ModelEditorTagLeft");
    e.run("ModelEditorTagRight");
    e.run("ModelEditorTagForward");
    e.run("ModelEditorTagBackwards");
    const ZonePosition3 round = tagPosition();
    EXPECT_NEAR(round.x, before.x, 1e-3f);
    EXPECT_NEAR(round.y, before.y, 1e-3f);
}

TEST_F(ModelEditorTest, ABoneNameThatIsNoBoneLeavesTheParent)
{
    ModelResource& model = choose(kBoxMan);
    const int tag = e.models.getCurrentTag();
    const std::string parent = e.var("ModelEditorBoneName");
    ASSERT_FALSE(parent.empty());
    for (const char* name : {"nosuchbone", ""}) {
        e.set("ModelEditorBoneName", name);
        e.models.update(0.0);
        EXPECT_EQ(e.var("ModelEditorBoneName"), parent) << name;
        int p = -1;
        Vec3 offset;
        Quaternion rotation;
        model.getAttachPoint(tag, p, offset, rotation);
        EXPECT_EQ(model.getBoneName(p), parent) << name;
    }
    const std::vector<std::string> bones = e.listed("ModelEditorGetBoneNames");
    ASSERT_EQ(static_cast<int>(bones.size()), model.getNumBones());
    const std::string other = bones.front() == parent ? bones.back() : bones.front();
    e.set("ModelEditorBoneName", other);
    e.models.update(0.0);
    int p = -1;
    Vec3 offset;
    Quaternion rotation;
    model.getAttachPoint(tag, p, offset, rotation);
    EXPECT_EQ(model.getBoneName(p), other);

    // A name the tags file would read otherwise is refused and set back.
    const std::string name = model.getAttachPointName(tag);
    e.set("ModelEditorTagName", "two words");
    e.models.update(0.0);
    EXPECT_EQ(e.var("ModelEditorTagName"), name);
    e.set("ModelEditorTagName", "tag_renamed");
    e.models.update(0.0);
    EXPECT_EQ(model.getAttachPointName(tag), "tag_renamed");
}

TEST_F(ModelEditorTest, ZoomFramesAnimationsAndLists)
{
    for (int i = 0; i < 20; ++i) {
        e.run("ModelEditorZoomIn");
    }
    EXPECT_FLOAT_EQ(e.models.getZoom(), ModelEditor::kZoomMin);
    for (int i = 0; i < 40; ++i) {
        e.run("ModelEditorZoomOut");
    }
    EXPECT_FLOAT_EQ(e.models.getZoom(), ModelEditor::kZoomMax);

    e.run("ModelEditorPrevFrame"); // no model: nothing
    ModelResource& model = choose(kBoxMan);
    ASSERT_GT(model.getNumAnimations(), 1);
    EXPECT_EQ(e.var("modelEditorAnim"), model.getAnimation(0)->name);
    EXPECT_EQ(e.models.getFrameRate(), 20);
    for (int i = 0; i < model.getNumAnimations() && e.models.getFrameCount() < 2; ++i) {
        e.run("ModelEditorNextAnim"); // the idle pose may be one frame
    }
    const int frames = e.models.getFrameCount();
    ASSERT_GT(frames, 2);
    e.run("ModelEditorPrevFrame");
    EXPECT_EQ(e.var("modelEditorFrame"), std::to_string(frames - 1)) << "before frame 0 comes the last";
    e.run("ModelEditorNextFrame");
    EXPECT_EQ(e.var("modelEditorFrame"), "0");
    e.models.update(1.0);
    EXPECT_EQ(e.var("modelEditorFrame"), "0") << "stopped until Play";
    e.run("ModelEditorPlay");
    e.models.update(0.1);
    EXPECT_EQ(e.var("modelEditorFrame"), "2");
    e.run("ModelEditorStop");

    while (e.models.getAnimationIndex() < model.getNumAnimations() - 1) {
        e.run("ModelEditorNextAnim");
    }
    e.run("ModelEditorNextAnim");
    EXPECT_EQ(e.models.getAnimationIndex(), 0) << "past the last comes the first";

    auto* models = dynamic_cast<UITextureList*>(e.bench.ui.findWidget("ModelEditor::ModelList"));
    auto* attachments =
        dynamic_cast<UITextureList*>(e.bench.ui.findWidget("ModelEditor::AttachmentModelList"));
    ASSERT_TRUE(models && attachments);
    e.run("ModelEditorModelMode 0");
    EXPECT_TRUE(attachments->isVisible());
    EXPECT_FALSE(models->isVisible());
    e.run("ModelEditorModelMode 3");
    EXPECT_TRUE(models->isVisible());
    EXPECT_FALSE(attachments->isVisible());
}

TEST_F(ModelEditorTest, SavedTagsAreWhatTheNextLoadReads)
{
    ModelResource& model = choose(kBoxMan);
    const int tag = e.models.getCurrentTag();
    const std::string name = model.getAttachPointName(tag);
    int parent = -1;
    Vec3 offset;
    Quaternion rotation;
    model.getAttachPoint(tag, parent, offset, rotation);
    e.run("ModelEditorTagUp");
    e.run("ModelEditorTagUp");
    e.run("ModelEditorSaveTags");
    ASSERT_TRUE(std::filesystem::exists(e.user.file("Models/BoxMan/boxman.tag")));

    e.set("ModelEditorModel", "");
    e.models.update(0.0);
    e.bench.resources.reloadExtension("tag", -1, true);
    e.bench.resources.reloadExtension("mdl", -1, true);
    e.bench.resources.waitForQueueEmpty();
    ModelResource& fresh = choose(kBoxMan);
    const int again = fresh.findAttachPoint(name);
    int p = -1;
    Vec3 moved;
    Quaternion r;
    ASSERT_TRUE(fresh.getAttachPoint(again, p, moved, r));
    EXPECT_EQ(p, parent);
    const float dx = moved.x - offset.x, dy = moved.y - offset.y, dz = moved.z - offset.z;
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), 2.0f, 1e-3f) << "two units up, in the bone's frame";
}

} // namespace

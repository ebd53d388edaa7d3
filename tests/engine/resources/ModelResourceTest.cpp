#include "engine/resources/ModelResource.h"
#include "engine/core/Random.h"
#include "engine/resources/AnimationResource.h"
#include "engine/resources/MeshSetResource.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/SkeletonResource.h"
#include "engine/resources/Skin.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <cstring>
#include <filesystem>
#include <set>

namespace {

constexpr const char* kBoxMan = "models/boxman/boxman.mdl";

class ModelResourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        useRoots({testDataPath(), generatedTestDataPath()});
        ModelResource::registerTypes(resources);
        // Shaders as entries without a file, keyed by name and sub-type.
        ResourceTypeInfo shaders;
        shaders.extension = "sdr";
        shaders.flagsInKey = true;
        shaders.nameFactory = [](const std::string&, int) { return std::make_unique<Resource>(); };
        resources.registerType(shaders);
        Skin::setShaderLookup(
            [this](const std::string& name, int subType) { return resources.load(name + ".sdr", subType); });
        // Counted handles of the frame textures, built as empty resources.
        ResourceTypeInfo textures;
        textures.extension = "tga";
        textures.fileReader = [](const std::string&, std::vector<uint8_t>& out) {
            out.clear();
            return true;
        };
        textures.factory = [](const std::string&, const uint8_t*, size_t, int) {
            return std::make_unique<Resource>();
        };
        resources.registerType(textures);
        ModelAnimation::setTextureLookup([this](const std::string& name) { return resources.load(name); });
    }
    void TearDown() override
    {
        Skin::setShaderLookup(nullptr);
        ModelAnimation::setTextureLookup(nullptr);
    }

    void useRoots(const std::vector<std::string>& roots) { setResourceRoots(resources, roots); }

    ModelResource* loadBoxMan()
    {
        handle = resources.load(kBoxMan);
        return resources.getAs<ModelResource>(handle);
    }

    LogCapture log;
    ResourceSystem resources;
    ResourceHandle handle;
};

TEST_F(ModelResourceTest, BoxManLoadsOnTheLoaderThreadWithAllItsParts)
{
    resources.startLoader();
    ModelResource* model = loadBoxMan();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(log.count(3), 0u);
    EXPECT_EQ(log.count(2), 0u);

    SkeletonResource* skeleton = model->getSkeleton();
    ASSERT_NE(skeleton, nullptr);
    ASSERT_EQ(skeleton->getNumBones(), 3);
    EXPECT_EQ(skeleton->getBone(0)->parent, -1);
    EXPECT_EQ(skeleton->getBone(2)->parent, 1);
    EXPECT_EQ(model->getBoneName(2), "head");

    MeshSetResource* meshes = model->getMeshSet();
    ASSERT_NE(meshes, nullptr);
    ASSERT_EQ(meshes->getNumMeshes(), 2);
    EXPECT_EQ(meshes->getMesh(0)->surface, 0);
    EXPECT_EQ(meshes->getMesh(1)->surface, 1);
    EXPECT_EQ(meshes->getMesh(1)->vertices.size(), 8u);
    EXPECT_EQ(meshes->getMesh(1)->triangles.size(), 36u);
    EXPECT_EQ(meshes->getMaxBoneIndex(), 2);

    ASSERT_EQ(model->getNumAnimations(), 5);
    const ModelAnimation* walk = model->getAnimation(2);
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(walk->name, "walk");
    EXPECT_EQ(walk->kind, ModelAnimation::kSkeletal);
    EXPECT_EQ(walk->getNumFrames(), 8);
    EXPECT_TRUE(walk->loop);
    EXPECT_TRUE(walk->moves);
    EXPECT_FALSE(walk->followsAttackSpeed);
    EXPECT_FLOAT_EQ(walk->getDuration(), 0.4f);
    // The root travels 0.25 a frame at 20 frames a second.
    EXPECT_NEAR(walk->getMoveSpeed(), 5.0f, 1e-4f);
    const ModelAnimation* attack = model->getAnimation(3);
    EXPECT_EQ(attack->getNumFrames(), 6);
    EXPECT_TRUE(attack->followsAttackSpeed);
    EXPECT_EQ(attack->getMoveSpeed(), 0.0f);
    EXPECT_EQ(model->getAnimation(5), nullptr);
    EXPECT_EQ(model->getAnimation(-1), nullptr);

    // Level fields and footprint.
    EXPECT_TRUE(model->isDetail());
    EXPECT_EQ(model->getMapShaderName(), "Textures/Map/boxman");
    EXPECT_EQ(model->getMapShader().getIndex(), resources.findEntry("Textures/Map/boxman.sdr", 6));
    EXPECT_TRUE(model->getMapShader().isValid());
    EXPECT_TRUE(model->getRandomRotation());
    EXPECT_FLOAT_EQ(model->getRandomScaleMin(), 0.9f);
    EXPECT_FLOAT_EQ(model->getRandomScaleMax(), 1.1f);
    EXPECT_EQ(model->getObjectType(), "Prop");
    EXPECT_EQ(model->getInWayAlphaType(), 2);
    EXPECT_FLOAT_EQ(model->getInWayMinOffset().x, -0.5f);
    EXPECT_FLOAT_EQ(model->getInWayMaxOffset().y, 0.25f);
    EXPECT_FLOAT_EQ(model->getInWayMinFade(), 0.3f);
    EXPECT_EQ(model->getFootprintWidth(), 2);
    EXPECT_EQ(model->getFootprintHeight(), 1);
    EXPECT_TRUE(model->isFootprintBlocked(0, 0));
    EXPECT_FALSE(model->isFootprintBlocked(1, 0));
    EXPECT_FALSE(model->isFootprintBlocked(2, 0));
}

TEST_F(ModelResourceTest, FootprintTurnsWithTheFacing)
{
    ModelResource* model = loadBoxMan();
    ASSERT_NE(model, nullptr);
    ASSERT_TRUE(model->hasCollisionGrid());
    int w = 0, h = 0;
    // Stored 2 × 1 "#.": facing 0 as stored.
    model->getFootprintSize(0, w, h);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 1);
    EXPECT_TRUE(model->isCollisionCellBlocked(0, 0, 0));
    EXPECT_FALSE(model->isCollisionCellBlocked(0, 1, 0));
    // Facing 2 (and 3): a 1 × 2 strip.
    for (int facing : {2, 3}) {
        model->getFootprintSize(facing, w, h);
        EXPECT_EQ(w, 1);
        EXPECT_EQ(h, 2);
        EXPECT_TRUE(model->isCollisionCellBlocked(facing, 0, 0));
        EXPECT_FALSE(model->isCollisionCellBlocked(facing, 0, 1));
    }
    // Facing 4: turned half way, the blocked cell is on the other end.
    EXPECT_FALSE(model->isCollisionCellBlocked(4, 0));
    EXPECT_TRUE(model->isCollisionCellBlocked(4, 1));
    // Facing 6: three quarters.
    EXPECT_FALSE(model->isCollisionCellBlocked(6, 0, 0));
    EXPECT_TRUE(model->isCollisionCellBlocked(6, 0, 1));
    EXPECT_EQ(model->isCollisionCellBlocked(-2, 0, 1), model->isCollisionCellBlocked(6, 0, 1));
    // Outside the turned grid nothing is blocked.
    EXPECT_FALSE(model->isCollisionCellBlocked(2, 1, 0));
    EXPECT_FALSE(model->isCollisionCellBlocked(0, 2));
    EXPECT_FALSE(model->isCollisionCellBlocked(0, -1));

    // An L shape turned a quarter: every cell lands where a turn puts it.
    std::string text = "footprint 3 2\n#..\n##.\n";
    auto l = ModelResource::parse("l.mdl", reinterpret_cast<const uint8_t*>(text.data()), text.size());
    l->getFootprintSize(2, w, h);
    ASSERT_EQ(w, 2);
    ASSERT_EQ(h, 3);
    std::string turned;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            turned += l->isCollisionCellBlocked(2, x, y) ? '#' : '.';
        }
        turned += '/';
    }
    EXPECT_EQ(turned, "##/#./../");
}

TEST_F(ModelResourceTest, FlagWordNamesTheMissingParts)
{
    ModelResource* model = loadBoxMan();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->getFlags(), 0u);

    LogCapture quiet;
    TempDir dir;
    dir.write("m/broken.mdl",
              "skeleton \"gone.mds\"\nskin \"gone.skn\"\nanimation a { file \"gone.mda\" }\n");
    useRoots({dir.path().string()});
    ResourceHandle h = resources.load("m/broken.mdl");
    auto* broken = resources.getAs<ModelResource>(h);
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(broken->getFlags(), ModelResource::kMissingSkeleton | ModelResource::kMissingMeshes |
                                      ModelResource::kMissingSkin | ModelResource::kMissingAnimation);
    EXPECT_EQ(broken->getAnimation(0)->getNumFrames(), 0);
    EXPECT_EQ(broken->getFirstTagIndex(), -1);
}

TEST_F(ModelResourceTest, PlacedModelsNameTheirLight)
{
    LogCapture log;
    TempDir dir;
    dir.write("m/lamp.mdl", "lightColor \"1.0,0.7,0.4\"\nlightIntensity 96\n");
    dir.write("m/bad.mdl", "lightColor \"1.0 0.7\"\nlightIntensity -3\n");
    useRoots({dir.path().string()});
    ResourceHandle lamp = resources.load("m/lamp.mdl");
    ResourceHandle bad = resources.load("m/bad.mdl");
    auto* l = resources.getAs<ModelResource>(lamp);
    auto* b = resources.getAs<ModelResource>(bad);
    ASSERT_TRUE(l && b);
    EXPECT_EQ(l->getLightColor(), Vec3(1.0f, 0.7f, 0.4f));
    EXPECT_FLOAT_EQ(l->getLightIntensity(), 96.0f);
    EXPECT_EQ(b->getLightColor(), Vec3(0.0f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(b->getLightIntensity(), 0.0f) << "no negative radius";
    EXPECT_TRUE(log.contains("bad.mdl:1:"));
}

TEST_F(ModelResourceTest, ListResourcesPrintsEveryLoadedEntry)
{
    ModelResource* model = loadBoxMan();
    ASSERT_NE(model, nullptr);
    resources.listResources();
    // Index, references and description on one line.
    int index = -1, refs = -1;
    char rest[128] = {};
    bool found = false;
    for (const auto& line : log.lines()) {
        if (line.text.find("boxman.mdl: ") != std::string::npos) {
            found = std::sscanf(line.text.c_str(), "%d %d %127[^\n]", &index, &refs, rest) == 3;
        }
    }
    ASSERT_TRUE(found);
    EXPECT_GE(index, 0);
    EXPECT_GE(refs, 1);
    EXPECT_STREQ(rest, "models/boxman/boxman.mdl: 3 bones, 5 animations, 1 tags, footprint 2 x 1");
    EXPECT_TRUE(log.contains("mda: 4 loaded"));
    EXPECT_TRUE(log.contains("mdl: 1 loaded"));
}

TEST_F(ModelResourceTest, EventsAreFoundByNameAndByFrameRange)
{
    ModelResource* model = loadBoxMan();
    ASSERT_NE(model, nullptr);
    const ModelAnimation* walk = model->getAnimation(2);
    const ModelAnimation* attack = model->getAnimation(3);

    EXPECT_EQ(ModelAnimation::getEventFrame(attack, "attackMarker"), 3);
    EXPECT_EQ(ModelAnimation::getEventFrame(attack, "ATTACKMARKER"), 3);
    EXPECT_EQ(ModelAnimation::getEventFrame(attack, "endMarker"), 5); // on the last frame
    EXPECT_EQ(ModelAnimation::getEventFrame(attack, "skillMarker"), 0);
    EXPECT_EQ(ModelAnimation::getEventFrame(nullptr, "attackMarker"), 0);

    // Walk: a step sound at frames 2 and 6.
    size_t cursor = 0;
    const AnimationEvent* e = walk->findNextEvent(0, 3, cursor);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->name, "sound");
    EXPECT_EQ(e->frame, 2);
    ASSERT_EQ(e->args.size(), 1u);
    EXPECT_EQ(e->args[0], "Sounds/step.wav");
    EXPECT_EQ(walk->findNextEvent(0, 3, cursor), nullptr);
    cursor = 0;
    EXPECT_EQ(walk->findNextEvent(2, 5, cursor), nullptr); // frame 2 is behind, exclusive
    cursor = 0;
    e = walk->findNextEvent(5, 6, cursor);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->frame, 6);

    // Attack: entry fires on starting, the marker and the last frame later.
    std::vector<std::string> fired;
    cursor = 0;
    while (const AnimationEvent* ev = attack->findNextEvent(-1, 6, cursor)) {
        fired.push_back(ev->name);
    }
    EXPECT_EQ(fired, (std::vector<std::string>{"swingStart", "attackMarker", "endMarker"}));
    fired.clear();
    cursor = 0;
    while (const AnimationEvent* ev = attack->findNextEvent(0, 2, cursor)) {
        fired.push_back(ev->name);
    }
    EXPECT_TRUE(fired.empty());
}

TEST_F(ModelResourceTest, PickAnimationChoosesAmongSameNamedOnes)
{
    Random random;
    Random::setState(0, 12345);
    ModelResource* model = loadBoxMan();
    ASSERT_NE(model, nullptr);
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        seen.insert(model->pickAnimation("IDLE"));
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1}));
    EXPECT_EQ(model->pickAnimation("walk"), 2);
    EXPECT_EQ(model->pickAnimation("Burn"), 4);
    EXPECT_EQ(model->pickAnimation("fly"), -1);
    EXPECT_EQ(model->pickAnimation(""), -1);
}

TEST_F(ModelResourceTest, SpriteAnimationsGiveTexturesPerFrameAndDirection)
{
    ModelResource* model = loadBoxMan();
    ASSERT_NE(model, nullptr);
    const ModelAnimation* burn = model->getAnimation(4);
    ASSERT_EQ(burn->kind, ModelAnimation::kSprite);
    EXPECT_EQ(burn->getNumFrames(), 2);
    EXPECT_FLOAT_EQ(burn->getDuration(), 0.2f);
    int first = resources.findEntry("Textures/burn_0_0.tga");
    ASSERT_GE(first, 0);
    EXPECT_EQ(burn->getSpriteTexture(0, 0), first);
    EXPECT_EQ(burn->getSpriteTexture(0, 1), resources.findEntry("Textures/burn_0_1.tga"));
    EXPECT_EQ(burn->getSpriteTexture(1, 0), resources.findEntry("Textures/burn_1_0.tga"));
    EXPECT_EQ(burn->getSpriteTexture(7, 1), first); // out of range: the first texture
    EXPECT_EQ(burn->getSpriteTexture(-1, 0), first);
    // The model holds a counted handle of every frame texture until it goes.
    EXPECT_EQ(resources.getRefCount(first), 1);
    handle = ResourceHandle();
    EXPECT_EQ(resources.getRefCount(first), 0);
}

TEST_F(ModelResourceTest, BoundsComeFromTheTableOrDefaults)
{
    ModelResource* model = loadBoxMan();
    ASSERT_NE(model, nullptr);
    AnimationResource* walk = model->getAnimation(2)->getAnimationResource();
    AnimationResource* attack = model->getAnimation(3)->getAnimationResource();
    ASSERT_TRUE(walk && attack);
    EXPECT_TRUE(walk->hasBounds());
    Vec3 min0 = walk->getFrameBoundsMin(0);
    Vec3 min3 = walk->getFrameBoundsMin(3);
    EXPECT_NEAR(min3.x - min0.x, 0.75f, 1e-5f);          // moves with the root
    EXPECT_FLOAT_EQ(walk->getFrameBoundsMax(0).z, 2.0f); // top of the head box
    EXPECT_GT(walk->getFrameRadius(0), 1.0f);
    EXPECT_EQ(walk->getFrameBoundsMin(99), walk->getFrameBoundsMin(7)); // clamped
    EXPECT_FALSE(attack->hasBounds());
    EXPECT_EQ(attack->getFrameBoundsMin(2), AnimationResource::kDefaultBounds.min);
    EXPECT_EQ(attack->getFrameBoundsMax(2), AnimationResource::kDefaultBounds.max);
}

TEST_F(ModelResourceTest, AttachPointsAreBonesThenTags)
{
    ModelResource* model = loadBoxMan();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->getFirstTagIndex(), 3);
    EXPECT_EQ(model->getNumAttachPoints(), 4);
    EXPECT_EQ(model->findAttachPoint("head"), 2);
    EXPECT_EQ(model->findAttachPoint("tag_helmet"), 3);
    EXPECT_EQ(model->findAttachPoint("tag_sword"), -1);
    EXPECT_EQ(ModelResource::findAttachPoint(nullptr, "head"), -1);
    EXPECT_EQ(model->getAttachPointName(3), "tag_helmet");
    EXPECT_EQ(model->getAttachPointName(4), "");

    int parent = -5;
    Vec3 offset(9, 9, 9);
    Quaternion rotation(1, 1, 1, 1);
    ASSERT_TRUE(model->getAttachPoint(1, parent, offset, rotation));
    EXPECT_EQ(parent, 1);
    EXPECT_EQ(offset, Vec3());
    EXPECT_EQ(rotation, Quaternion());
    ASSERT_TRUE(model->getAttachPoint(3, parent, offset, rotation));
    EXPECT_EQ(parent, 2);
    EXPECT_FLOAT_EQ(offset.z, 0.25f);
    EXPECT_FALSE(model->getAttachPoint(4, parent, offset, rotation));

    // The helmet sits on the head: root 0 + body 1.0 + head 0.8 + tag 0.25.
    Vec3 position;
    Matrix3 orientation;
    const ModelAnimation* idle = model->getAnimation(0);
    ASSERT_TRUE(model->getAttachPointTransform(3, idle, 0.0f, position, orientation));
    EXPECT_TRUE(position.nearlyEquals(Vec3(0, 0, 2.05f), 1e-5f));
    // Walking, the whole body has moved forward by frame 4 (0.2 s).
    const ModelAnimation* walk = model->getAnimation(2);
    ASSERT_TRUE(model->getAttachPointTransform(0, walk, 0.2f, position, orientation));
    EXPECT_NEAR(position.x, 1.0f, 1e-4f);
    EXPECT_FALSE(model->getAttachPointTransform(9, walk, 0.0f, position, orientation));

    // Tags can be edited; bones cannot.
    EXPECT_FALSE(model->renameAttachPoint(1, "neck"));
    EXPECT_FALSE(model->removeTag(0));
    EXPECT_FALSE(model->setAttachPoint(0, 1, Vec3(), Quaternion()));
    int added = model->addTag();
    EXPECT_EQ(added, 4);
    EXPECT_EQ(model->getAttachPointName(4), "NewTag");
    ASSERT_TRUE(model->getAttachPoint(4, parent, offset, rotation));
    EXPECT_EQ(parent, -1);
    // Names the tags file could not read back are refused.
    for (const char* bad : {"", "my sword", "tag\tx", "tag\n", "#sword", "//sword"}) {
        EXPECT_FALSE(model->renameAttachPoint(4, bad)) << bad;
    }
    EXPECT_EQ(model->getAttachPointName(4), "NewTag");
    EXPECT_TRUE(model->renameAttachPoint(4, "tag_sword"));
    EXPECT_TRUE(model->setTagParentBone(4, "body"));
    EXPECT_EQ(model->getTags()[1].parentBone, 1);
    EXPECT_FALSE(model->setTagParentBone(4, "tail"));
    EXPECT_EQ(model->getTags()[1].parentBone, -1);
    EXPECT_TRUE(model->removeTag(3));
    EXPECT_EQ(model->findAttachPoint("tag_sword"), 3);
}

TEST_F(ModelResourceTest, SavedTagsReloadEqual)
{
    TempDir dir;
    for (const std::string& root : {testDataPath(), generatedTestDataPath()}) {
        std::filesystem::copy(root + "/models", dir.path() / "models",
                              std::filesystem::copy_options::recursive);
    }
    useRoots({dir.path().string()});
    ModelResource* model = loadBoxMan();
    ASSERT_NE(model, nullptr);
    int sword = model->addTag();
    ASSERT_TRUE(model->renameAttachPoint(sword, "tag_sword"));
    ASSERT_TRUE(model->setAttachPoint(sword, 1, Vec3(0.5f, -0.125f, 0.75f), Quaternion(0, 0, 0.6f, 0.8f)));
    int empty = model->addTag(); // no parent bone: an empty name in the file
    ASSERT_TRUE(model->saveTags());

    ResourceSystem::Statistics before = resources.getStatistics();
    ASSERT_EQ(resources.reloadExtension("mdl"), 1);
    ModelResource* reloaded = resources.getAs<ModelResource>(handle);
    ASSERT_NE(reloaded, nullptr);
    EXPECT_GT(resources.getStatistics().loads, before.loads);
    // The model reads its tags through the still-loaded tags resource:
    // reload that as well, then compare.
    ASSERT_EQ(resources.reloadExtension("tag"), 1);
    ASSERT_EQ(resources.reloadExtension("mdl"), 1);
    reloaded = resources.getAs<ModelResource>(handle);
    ASSERT_NE(reloaded, nullptr);
    ASSERT_EQ(reloaded->getTags().size(), 3u);
    const ModelTag& t = reloaded->getTags()[1];
    EXPECT_EQ(t.name, "tag_sword");
    EXPECT_EQ(t.parentName, "body");
    EXPECT_EQ(t.parentBone, 1);
    EXPECT_TRUE(t.offset.nearlyEquals(Vec3(0.5f, -0.125f, 0.75f), 1e-6f));
    EXPECT_EQ(t.rotation, Quaternion(0, 0, 0.6f, 0.8f));
    EXPECT_EQ(reloaded->getAttachPointName(empty), "NewTag");
    EXPECT_EQ(reloaded->getTags()[2].parentName, "");
    EXPECT_EQ(reloaded->getTags()[0].name, "tag_helmet");
}

TEST_F(ModelResourceTest, SaveTagsNeedsSkeletonAndTagsFile)
{
    TempDir dir;
    dir.write("m/plain.mdl", "detail 0\n");
    useRoots({dir.path().string()});
    ResourceHandle h = resources.load("m/plain.mdl");
    auto* model = resources.getAs<ModelResource>(h);
    ASSERT_NE(model, nullptr);
    model->addTag();
    EXPECT_FALSE(model->saveTags());
    EXPECT_EQ(model->getFirstTagIndex(), -1);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "m" / ".tag"));
}

TEST_F(ModelResourceTest, BoneCountMismatchIsAnErrorLine)
{
    ResourceHandle h = resources.load("models/boxman/mismatch.mdl");
    ASSERT_NE(resources.getAs<ModelResource>(h), nullptr);
    EXPECT_TRUE(log.contains(
        "Number of bones mismatch: model - models/boxman/mismatch.mdl, anim - models/boxman/twobones.mda",
        3));
}

TEST_F(ModelResourceTest, SkinGivesShadersBySurface)
{
    ModelResource* model = loadBoxMan();
    ASSERT_NE(model, nullptr);
    Skin* skin = model->getSkin();
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(skin->getSurfaceShader(0), resources.findEntry("Models/BoxMan/body.sdr", 3));
    EXPECT_GE(skin->getSurfaceShader(0), 0);
    // The skin's handle counts: one reference per holder.
    EXPECT_GE(resources.getRefCount(skin->getSurfaceShader(0)), 1);
    EXPECT_EQ(skin->getSurfaceShader(7), -1);
    ASSERT_NE(skin->findSurface(1), nullptr);
    EXPECT_EQ(skin->findSurface(1)->flag, 1);
    EXPECT_EQ(skin->findSurface(0)->flag, 0);
    EXPECT_EQ(skin->findSurface(2), nullptr);

    const char* otherText = "1 \"Models/Other/head\"\n4 \"Models/Other/cape\" 2\n";
    auto other =
        Skin::parse("other.skn", reinterpret_cast<const uint8_t*>(otherText), std::strlen(otherText));
    ASSERT_NE(other, nullptr);
    Skin::copySurfaces(*skin, *other);
    EXPECT_EQ(skin->getSurfaces().size(), 3u);
    EXPECT_EQ(skin->findSurface(1)->shaderName, "Models/Other/head");
    EXPECT_EQ(skin->findSurface(1)->flag, 0);
    EXPECT_EQ(skin->findSurface(4)->flag, 2);
    EXPECT_EQ(skin->findSurface(0)->shaderName, "Models/BoxMan/body");
}

TEST_F(ModelResourceTest, GameDataModelLoadsCleanly)
{
    useGameData(resources);
    ResourceHandle h = resources.load("Models/BoxMan/boxman.mdl");
    auto* model = resources.getAs<ModelResource>(h);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->getNumBones(), 3);
    EXPECT_EQ(model->getNumAnimations(), 5);
    EXPECT_EQ(log.count(2) + log.count(3), 0u);
}

} // namespace

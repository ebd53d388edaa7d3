#include "engine/core/ByteBuffer.h"
#include "engine/resources/AnimationResource.h"
#include "engine/resources/MeshSetResource.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/SkeletonResource.h"
#include "engine/resources/Skin.h"
#include "engine/resources/TagsResource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const uint8_t* bytes(const std::string& s)
{
    return reinterpret_cast<const uint8_t*>(s.data());
}

std::vector<uint8_t> skeletonBytes(const std::vector<SkeletonBone>& bones)
{
    SkeletonResource s;
    s.bones() = bones;
    return s.serialize();
}

TEST(SkeletonFormatTest, RoundTripsAndRejectsBadFiles)
{
    LogCapture log;
    auto good = skeletonBytes({{"root", -1}, {"spine", 0}, {"arm", 1}, {"leg", 0}});
    auto s = SkeletonResource::parse("ok.mds", good.data(), good.size());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->getNumBones(), 4);
    EXPECT_EQ(s->findBone("ARM"), 2);
    EXPECT_EQ(s->findBone("tail"), -1);
    EXPECT_EQ(s->getBone(4), nullptr);
    EXPECT_EQ(s->getBoneName(-1), "");

    auto childFirst = skeletonBytes({{"arm", 1}, {"root", -1}});
    EXPECT_EQ(SkeletonResource::parse("order.mds", childFirst.data(), childFirst.size()), nullptr);
    EXPECT_TRUE(
        log.contains("order.mds: bone 0 (arm) has parent 1; parents must come before their children", 3));
    auto selfParent = skeletonBytes({{"root", 0}});
    EXPECT_EQ(SkeletonResource::parse("self.mds", selfParent.data(), selfParent.size()), nullptr);

    for (size_t cut = 0; cut < good.size(); ++cut) {
        EXPECT_EQ(SkeletonResource::parse("cut.mds", good.data(), cut), nullptr) << cut;
    }
    EXPECT_TRUE(log.contains("cut.mds: not a skeleton file", 3));
    EXPECT_TRUE(log.contains("cut.mds: skeleton file is truncated or damaged", 3));
    auto wrongVersion = good;
    wrongVersion[4] = 9;
    EXPECT_EQ(SkeletonResource::parse("v.mds", wrongVersion.data(), wrongVersion.size()), nullptr);
    EXPECT_TRUE(log.contains("v.mds: unsupported skeleton version 9", 3));
}

TEST(MeshFormatTest, RejectsIndicesOutsideTheMesh)
{
    LogCapture log;
    MeshSetResource set;
    Mesh mesh;
    mesh.surface = 3;
    mesh.vertices.resize(3);
    for (uint32_t i = 0; i < 3; ++i) {
        mesh.vertices[i].firstWeight = i;
        mesh.vertices[i].weightCount = 1;
    }
    mesh.weights.resize(3);
    mesh.triangles = {0, 1, 2};
    set.meshes().push_back(mesh);
    auto good = set.serialize();
    auto parsed = MeshSetResource::parse("ok.mdm", good.data(), good.size());
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(parsed->getMesh(0)->surface, 3);
    EXPECT_EQ(parsed->getMesh(0)->triangles, (std::vector<uint32_t>{0, 1, 2}));

    MeshSetResource badTriangle = MeshSetResource();
    badTriangle.meshes().push_back(mesh);
    badTriangle.meshes()[0].triangles = {0, 1, 3};
    auto b1 = badTriangle.serialize();
    EXPECT_EQ(MeshSetResource::parse("tri.mdm", b1.data(), b1.size()), nullptr);
    EXPECT_TRUE(log.contains("tri.mdm: mesh 0 has a triangle on vertex 3 of 3", 3));

    MeshSetResource badWeights;
    badWeights.meshes().push_back(mesh);
    badWeights.meshes()[0].vertices[2].weightCount = 0xFFFFFFFFu; // overflow bait
    auto b2 = badWeights.serialize();
    EXPECT_EQ(MeshSetResource::parse("w.mdm", b2.data(), b2.size()), nullptr);
    EXPECT_TRUE(log.contains("w.mdm: mesh 0 vertex 2 uses weights outside the mesh", 3));

    // A huge vertex count in a short file is refused before allocating.
    ByteBuffer w;
    w.reserve("MDM1", 4);
    w.writeInt(MeshSetResource::kFormatVersion);
    w.writeInt(1);
    w.writeInt(0);
    w.writeInt(0x7FFFFFFFu);
    w.writeInt(0u);
    w.writeInt(0u);
    EXPECT_EQ(MeshSetResource::parse("huge.mdm", w.bytes().data(), w.bytes().size()), nullptr);
    EXPECT_TRUE(log.contains("huge.mdm: mesh file is truncated or damaged", 3));
}

TEST(AnimationFormatTest, ChecksFrameAndBoneCountsAgainstTheData)
{
    LogCapture log;
    AnimationResource anim;
    anim.setSize(2, 2);
    AnimationKey key;
    key.position = Vec3(1, 2, 3);
    key.rotation = Quaternion(0, 0, 0.6f, 0.8f);
    anim.setKey(1, 1, key);
    auto noBounds = anim.serialize();
    auto parsed = AnimationResource::parse("a.mda", noBounds.data(), noBounds.size());
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(parsed->getKey(1, 1).position, Vec3(1, 2, 3));
    EXPECT_EQ(parsed->getKey(5, 1).rotation, Quaternion(0, 0, 0.6f, 0.8f)); // frame clamped
    EXPECT_EQ(parsed->getKey(0, 7).position, Vec3());                       // bone outside: identity
    EXPECT_FALSE(parsed->hasBounds());

    anim.setBounds(1, {Vec3(-1, -2, -3), Vec3(4, 5, 6), 7});
    auto withBounds = anim.serialize();
    parsed = AnimationResource::parse("b.mda", withBounds.data(), withBounds.size());
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(parsed->getFrameBoundsMax(1), Vec3(4, 5, 6));
    EXPECT_EQ(parsed->getFrameRadius(1), 7.0f);
    EXPECT_EQ(parsed->getFrameBoundsMin(0), AnimationResource::kDefaultBounds.min); // filled with defaults
    // The bounds table cut short.
    EXPECT_EQ(AnimationResource::parse("c.mda", withBounds.data(), withBounds.size() - 4), nullptr);

    // frames × bones far beyond the data, and overflowing 32 bits.
    ByteBuffer w;
    w.reserve("MDA1", 4);
    w.writeInt(AnimationResource::kFormatVersion);
    w.writeInt(0x10000);
    w.writeInt(0x10000);
    EXPECT_EQ(AnimationResource::parse("big.mda", w.bytes().data(), w.bytes().size()), nullptr);
    EXPECT_TRUE(log.contains("big.mda: animation has 65536 frames of 65536 bones", 3));
    ByteBuffer z;
    z.reserve("MDA1", 4);
    z.writeInt(AnimationResource::kFormatVersion);
    z.writeInt(0);
    z.writeInt(3);
    EXPECT_EQ(AnimationResource::parse("zero.mda", z.bytes().data(), z.bytes().size()), nullptr);
}

TEST(ModelTextFormatTest, BadLinesAreReportedWithFileAndLine)
{
    LogCapture log;
    std::string text = "skeleton \"x.mds\"\n"
                       "wings 2\n"
                       "randomScale 0.5 big\n"
                       "footprint 3 2\n"
                       "#.#\n"
                       "#\n"
                       "animation run {\n"
                       "  file \"run.mda\"\n"
                       "  event frame 2 hit \"a\" \"b\" \"c\" \"d\" \"e\"\n"
                       "  event sometimes boom\n"
                       "  speed 3\n"
                       "}\n"
                       "animation nofile { loop 1 }\n"
                       "footprint 100 1\n"
                       "sprite flames { directions 2 frame \"a\" }\n"
                       "animation open {\n"
                       "  file \"open.mda\"\n";
    auto model = ModelResource::parse("Models/bad.mdl", bytes(text), text.size());
    ASSERT_NE(model, nullptr);
    EXPECT_TRUE(log.contains("Models/bad.mdl:2: unknown keyword \"wings\"", 2));
    EXPECT_TRUE(log.contains("Models/bad.mdl:3: expected a number, found \"big\"", 2));
    EXPECT_TRUE(log.contains("Models/bad.mdl:6: footprint row must be 3 characters of '#' and '.'", 2));
    EXPECT_TRUE(log.contains("Models/bad.mdl:9: an event takes at most 4 arguments", 2));
    EXPECT_TRUE(log.contains("Models/bad.mdl:10: unknown event kind \"sometimes\"", 2));
    EXPECT_TRUE(log.contains("Models/bad.mdl:11: unknown animation keyword \"speed\"", 2));
    EXPECT_TRUE(log.contains("Models/bad.mdl:13: animation nofile names no file", 2));
    EXPECT_TRUE(log.contains("Models/bad.mdl:14: footprint 100 x 1 is outside 0..64", 2));
    EXPECT_TRUE(log.contains("Models/bad.mdl:15: sprite flames needs a whole number of frames", 2));
    EXPECT_TRUE(log.contains("animation open is not closed with '}'", 2));

    EXPECT_EQ(model->getSkeletonName(), "x.mds");
    EXPECT_EQ(model->getFootprintWidth(), 3);
    EXPECT_TRUE(model->isFootprintBlocked(2, 0));
    EXPECT_TRUE(model->isFootprintBlocked(0, 1));
    EXPECT_FALSE(model->isFootprintBlocked(1, 1));
    // "run" (its bad events dropped) and "open" survive.
    ASSERT_EQ(model->getNumAnimations(), 2);
    EXPECT_EQ(model->getAnimation(0)->name, "run");
    EXPECT_TRUE(model->getAnimation(0)->events.empty());
    EXPECT_EQ(model->getAnimation(1)->fileName, "open.mda");
}

TEST(ModelTextFormatTest, BracesCommentsAndOpenQuotes)
{
    LogCapture log;
    std::string text = "skin \"body.skn\r\n"
                       "/* a block\n"
                       "   comment */ animation run{file \"run.mda\"}\r\n"
                       "animation walk{ file \"walk.mda\" event every step \"a\" } // done\n"
                       "skeleton \"x.mds\"";
    auto model = ModelResource::parse("m.mdl", bytes(text), text.size());
    ASSERT_NE(model, nullptr);
    EXPECT_TRUE(log.contains("m.mdl:1: unterminated quoted string", 2));
    EXPECT_EQ(model->getSkinName(), "body.skn"); // the CR is no part of it
    EXPECT_EQ(model->getSkeletonName(), "x.mds");
    ASSERT_EQ(model->getNumAnimations(), 2);
    EXPECT_EQ(model->getAnimation(0)->fileName, "run.mda");
    EXPECT_EQ(model->getAnimation(1)->fileName, "walk.mda");
    ASSERT_EQ(model->getAnimation(1)->events.size(), 1u);
    EXPECT_EQ(model->getAnimation(1)->events[0].args, std::vector<std::string>{"a"});
    for (const auto& line : log.lines()) {
        EXPECT_EQ(line.text.find("unknown"), std::string::npos) << line.text;
    }
}

TEST(TagsFormatTest, LinesRoundTripAndBadLinesAreSkipped)
{
    LogCapture log;
    std::vector<ModelTag> tags(2);
    tags[0].name = "tag_a";
    tags[0].parentName = "head";
    tags[0].offset = Vec3(0.5f, 1, -2);
    tags[0].rotation = Quaternion(0, 0.6f, 0, 0.8f);
    tags[1].name = "NewTag";
    std::string text = TagsResource::format(tags);
    EXPECT_EQ(text.substr(0, text.find('\n') + 1),
              "tag_a head 0.500000 1.000000 -2.000000 0.000000 0.600000 0.000000 0.800000\n");
    text += "broken head 1 2\n"
            "tag_c spine 1 2 3 x 0 0 1\r\n"
            "tag_d spine 1 2 3 0 0 0 1\r\n";
    auto parsed = TagsResource::parse("t.tag", bytes(text), text.size());
    ASSERT_NE(parsed, nullptr);
    ASSERT_EQ(parsed->getTags().size(), 3u);
    EXPECT_EQ(parsed->getTags()[0].offset, Vec3(0.5f, 1, -2));
    EXPECT_EQ(parsed->getTags()[1].name, "NewTag");
    EXPECT_EQ(parsed->getTags()[1].parentName, "");
    EXPECT_EQ(parsed->getTags()[2].name, "tag_d");
    EXPECT_TRUE(log.contains("t.tag:3: expected \"name parentBone ox oy oz qx qy qz qw\"", 2));
    EXPECT_TRUE(log.contains("t.tag:4: tag values must be numbers", 2));
}

TEST(SkinFormatTest, SurfacesNeedNumberAndQuotedShader)
{
    LogCapture log;
    std::string text = "0 \"a\"\n"
                       "1 b\n"
                       "0 \"again\"\n"
                       "x \"c\"\n"
                       "2 \"d\" 1 extra\n"
                       "3 \"e\" 4\n";
    auto skin = Skin::parse("s.skn", bytes(text), text.size());
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(skin->getSurfaces().size(), 2u);
    EXPECT_EQ(skin->findSurface(0)->shaderName, "a");
    EXPECT_EQ(skin->findSurface(3)->flag, 4);
    EXPECT_EQ(skin->getSurfaceShader(0), -1); // no shader lookup installed
    EXPECT_TRUE(log.contains("s.skn:2: expected <surfaceNumber> \"<shader name>\" [flag]", 2));
    EXPECT_TRUE(log.contains("s.skn:3: surface 0 is given twice", 2));
    EXPECT_TRUE(log.contains("s.skn:4: expected a whole number, found \"x\"", 2));
    EXPECT_TRUE(log.contains("s.skn:5: expected <surfaceNumber>", 2));
}

} // namespace

// Runs the model generator (tools/gen/modelgen.cpp) on small descriptions.
#include "engine/resources/AnimationResource.h"
#include "engine/resources/SkeletonResource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

ToolRun runModelGen(const TempDir& dir, const std::string& description)
{
    return runGenerator("modelgen", dir, "desc.modelsrc", description);
}

TEST(ModelGenTool, WritesReadableFilesAndLeavesUnchangedOnesAlone)
{
    TempDir dir;
    const std::string description = "skeleton s.mds   # the bones\n"
                                    "bone root - 0 0 1\n"
                                    "bone arm root\n"
                                    "animation w.mda frames 4 move 1 0 0 swing arm 30\n";
    ToolRun first = runModelGen(dir, description);
    ASSERT_EQ(first.exitCode, 0) << first.output;
    std::vector<uint8_t> mds = readFileBytes(dir.path() / "out" / "s.mds");
    auto skeleton = SkeletonResource::parse("s.mds", mds.data(), mds.size());
    ASSERT_NE(skeleton, nullptr);
    EXPECT_EQ(skeleton->getNumBones(), 2);
    EXPECT_EQ(skeleton->getBone(1)->parent, 0);
    std::vector<uint8_t> mda = readFileBytes(dir.path() / "out" / "w.mda");
    auto anim = AnimationResource::parse("w.mda", mda.data(), mda.size());
    ASSERT_NE(anim, nullptr);
    EXPECT_EQ(anim->getNumFrames(), 4);
    EXPECT_EQ(anim->getKey(3, 0).position, Vec3(3, 0, 1));

    // A second run makes the same bytes and is newer than its description
    // (the build compares the times), with no temporary file left.
    auto stamp = std::filesystem::last_write_time(dir.path() / "out" / "s.mds");
    std::filesystem::last_write_time(dir.path() / "out" / "s.mds", stamp - std::chrono::hours(1));
    stamp = std::filesystem::last_write_time(dir.path() / "out" / "s.mds");
    ASSERT_EQ(runModelGen(dir, description).exitCode, 0);
    EXPECT_GT(std::filesystem::last_write_time(dir.path() / "out" / "s.mds"), stamp);
    EXPECT_EQ(readFileBytes(dir.path() / "out" / "s.mds"), mds);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out" / "s.mds.tmp"));
}

TEST(ModelGenTool, BadValuesAreRefusedWithFileAndLine)
{
    TempDir dir;
    struct Case {
        const char* description;
        const char* message;
    };
    const Case cases[] = {
        {"bone root -\nbone arm root 1 x 2\n", "desc.modelsrc:2: bone rest position needs three numbers"},
        {"bone root - 1 2 3 4\n", "desc.modelsrc:1: bone rest position needs three numbers"},
        {"bone root -\nanimation w.mda frames 4 move 1 x 2\n",
         "desc.modelsrc:2: animation move has a missing or bad value"},
        {"bone root -\nanimation w.mda frames 4 swing\n",
         "desc.modelsrc:2: animation swing has a missing or bad value"},
        {"bone root -\nanimation w.mda frames 2000000000\n",
         "desc.modelsrc:2: animation needs 1 to 100000 frames"},
        {"bone root -\nanimation w.mda frames 0\n", "desc.modelsrc:2: animation needs 1 to 100000 frames"},
    };
    for (const Case& c : cases) {
        ToolRun run = runModelGen(dir, c.description);
        EXPECT_EQ(run.exitCode, 1) << c.description;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << c.description << "\n" << run.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out" / "w.mda"));
}

} // namespace

#include "engine/core/Profiler.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {
constexpr int64_t kMs = 1000000;

struct FakeClock {
    int64_t now = 0;
    Profiler::TimeSource clock()
    {
        return [this] { return now; };
    }
};
} // namespace

TEST(Profiler, SectionNamesAndNumbers)
{
    EXPECT_STREQ(Profiler::sectionName(Profiler::ClientUpdate), "ClientUpdate");
    EXPECT_STREQ(Profiler::sectionName(2), "ClientDraw");
    EXPECT_STREQ(Profiler::sectionName(3), "ServerReceive");
    EXPECT_STREQ(Profiler::sectionName(4), "ServerUpdate");
    EXPECT_STREQ(Profiler::sectionName(5), "Unused5");
    EXPECT_STREQ(Profiler::sectionName(6), "Render");
    EXPECT_STREQ(Profiler::sectionName(Profiler::WorldStep), "WorldStep");
    EXPECT_EQ(Profiler::WorldStep, 7);
    EXPECT_STREQ(Profiler::sectionName(8), "Unknown");
}

TEST(Profiler, NestedSectionsAreTimedSeparately)
{
    FakeClock t;
    Profiler profiler(t.clock());
    profiler.startFrame();
    profiler.startSection(Profiler::ServerUpdate);
    t.now = 1 * kMs;
    profiler.startSection(Profiler::WorldStep);
    t.now = 3 * kMs;
    profiler.stopSection(Profiler::WorldStep);
    t.now = 4 * kMs;
    profiler.startSection(Profiler::WorldStep);
    EXPECT_TRUE(profiler.isOpen(Profiler::WorldStep));
    t.now = 5 * kMs;
    profiler.stopSection(Profiler::WorldStep);
    EXPECT_FALSE(profiler.isOpen(Profiler::WorldStep));
    t.now = 10 * kMs;
    profiler.stopSection(Profiler::ServerUpdate);
    t.now = 12 * kMs;
    profiler.endFrame();

    Profiler::SectionStats outer = profiler.getSection(Profiler::ServerUpdate);
    EXPECT_EQ(outer.count, 1u);
    EXPECT_DOUBLE_EQ(outer.totalMs, 10.0);
    Profiler::SectionStats inner = profiler.getSection(Profiler::WorldStep);
    EXPECT_EQ(inner.count, 2u);
    EXPECT_DOUBLE_EQ(inner.totalMs, 3.0);
    EXPECT_DOUBLE_EQ(inner.maxMs, 2.0);
    EXPECT_DOUBLE_EQ(inner.averageMs(), 1.5);
    EXPECT_EQ(profiler.getFrames().count, 1u);
    EXPECT_DOUBLE_EQ(profiler.getFrames().maxMs, 12.0);
}

TEST(Profiler, ReenteringASectionCountsTheOutermostPass)
{
    FakeClock t;
    Profiler profiler(t.clock());
    profiler.startSection(Profiler::Render);
    t.now = 2 * kMs;
    profiler.startSection(Profiler::Render);
    t.now = 3 * kMs;
    profiler.stopSection(Profiler::Render);
    EXPECT_TRUE(profiler.isOpen(Profiler::Render));
    t.now = 7 * kMs;
    profiler.stopSection(Profiler::Render);
    Profiler::SectionStats s = profiler.getSection(Profiler::Render);
    EXPECT_EQ(s.count, 1u);
    EXPECT_DOUBLE_EQ(s.totalMs, 7.0);
}

TEST(Profiler, MisuseIsLoggedAndIgnored)
{
    LogCapture capture;
    FakeClock t;
    Profiler profiler(t.clock());
    profiler.stopSection(Profiler::ClientThink);
    EXPECT_TRUE(capture.contains("ClientThink stopped without start", 2));
    profiler.startSection(8);
    profiler.stopSection(-1);
    EXPECT_TRUE(capture.contains("section 8 out of range", 2));
    EXPECT_TRUE(capture.contains("section -1 out of range", 2));
    profiler.endFrame(); // no frame started
    EXPECT_EQ(profiler.getFrames().count, 0u);
    EXPECT_EQ(profiler.getSection(Profiler::ClientThink).count, 0u);
    EXPECT_EQ(profiler.getSection(99).count, 0u);
    // A stray stop does not unbalance a later pass.
    profiler.startSection(Profiler::ClientThink);
    t.now = 4 * kMs;
    profiler.stopSection(Profiler::ClientThink);
    EXPECT_DOUBLE_EQ(profiler.getSection(Profiler::ClientThink).totalMs, 4.0);
}

TEST(Profiler, ReportAveragesOverCallsAndFrames)
{
    FakeClock t;
    Profiler profiler(t.clock());
    for (int frame = 0; frame < 4; ++frame) {
        profiler.startFrame();
        profiler.startSection(Profiler::ClientDraw);
        t.now += (frame + 1) * kMs; // 1, 2, 3, 4 ms
        profiler.stopSection(Profiler::ClientDraw);
        t.now += kMs;
        profiler.endFrame();
    }
    Profiler::SectionStats draw = profiler.getSection(Profiler::ClientDraw);
    EXPECT_DOUBLE_EQ(draw.totalMs, 10.0);
    EXPECT_DOUBLE_EQ(draw.averageMs(), 2.5);
    EXPECT_DOUBLE_EQ(draw.maxMs, 4.0);
    EXPECT_DOUBLE_EQ(profiler.getFrames().totalMs, 14.0);
    EXPECT_DOUBLE_EQ(profiler.getFrames().averageMs(), 3.5);

    std::string report = profiler.buildReport();
    EXPECT_NE(report.find("4 frames, average 3.500 ms, max 5.000 ms"), std::string::npos) << report;
    EXPECT_NE(report.find("ClientDraw"), std::string::npos);
    // Untouched sections are left out.
    EXPECT_EQ(report.find("ServerReceive"), std::string::npos);

    LogCapture capture;
    profiler.printReport();
    profiler.logStatistics();
    EXPECT_EQ(capture.count(0), 2u);
    EXPECT_TRUE(capture.contains("ClientDraw"));

    profiler.reset();
    EXPECT_EQ(profiler.getSection(Profiler::ClientDraw).count, 0u);
    EXPECT_EQ(profiler.getFrames().count, 0u);
}

TEST(Profiler, RealClockMeasuresSomething)
{
    Profiler profiler;
    profiler.startSection(Profiler::ClientUpdate);
    volatile double sink = 0;
    for (int i = 0; i < 100000; ++i) {
        sink = sink + i;
    }
    profiler.stopSection(Profiler::ClientUpdate);
    EXPECT_GE(profiler.getSection(Profiler::ClientUpdate).totalMs, 0.0);
    EXPECT_EQ(profiler.getSection(Profiler::ClientUpdate).count, 1u);
    EXPECT_EQ(&Profiler::get(), &profiler);
}

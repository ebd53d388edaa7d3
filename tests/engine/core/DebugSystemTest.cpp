#include "engine/core/DebugSystem.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace {
std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
} // namespace

TEST(DebugSystem, LevelsPrefixesAndDeveloperGate)
{
    DebugSystem debug;
    LogCapture capture;
    debug.print(1, "hidden\n");
    EXPECT_FALSE(capture.contains("hidden"));
    debug.setDeveloper(true);
    debug.print(1, "shown\n");
    debug.print(2, "warn\n");
    debug.print(3, "GameSystem database entry not found!");
    debug.printRaw("Unknown command - foo\n");
    ASSERT_EQ(capture.lines().size(), 4u);
    EXPECT_EQ(capture.lines()[0].text, "shown\n");
    EXPECT_EQ(capture.lines()[1].text, "^c005warn\n");
    EXPECT_EQ(capture.lines()[2].text, "^c001GameSystem database entry not found!");
    EXPECT_EQ(capture.lines()[3].level, 0);
}

TEST(DebugSystem, LogFileStripsColourCodesAndEndsLines)
{
    TempDir dir;
    {
        DebugSystem debug;
        ASSERT_TRUE(debug.openLog(dir.file("log.txt"), 2));
        debug.print(3, "bad ^c061gold^c145 thing");
        debug.printRaw("raw\n");
        // Flushed after each line in mode 2: readable before closing.
        EXPECT_EQ(readFile(dir.file("log.txt")), "bad gold thing\nraw\n");
        debug.setLogMode(0);
        debug.printRaw("not logged\n");
    }
    EXPECT_EQ(readFile(dir.file("log.txt")), "bad gold thing\nraw\n");
}

TEST(DebugSystem, RingKeepsLastLinesAndIsThreadSafe)
{
    DebugSystem debug;
    std::thread other([&] {
        for (int i = 0; i < 400; ++i) {
            debugPrint(2, "loader %d", i);
        }
    });
    for (int i = 0; i < 400; ++i) {
        debugPrintRaw("main %d\n", i);
    }
    other.join();
    auto lines = debug.recentLines();
    EXPECT_EQ(lines.size(), DebugSystem::kRingSize);
    EXPECT_EQ(debug.getLineCount(0), 400u);
    EXPECT_EQ(debug.getLineCount(2), 400u);
}

TEST(DebugSystem, AHoldKeepsWarningsUntilTakenOrReleasedAndNests)
{
    DebugSystem debug;
    LogCapture capture;
    {
        DebugLineHold outer;
        debug.print(2, "kept\n");
        {
            DebugLineHold inner;
            debug.print(3, "refused\n");
            debug.print(2, "dropped\n");
            EXPECT_EQ(inner.take(), (std::vector<std::string>{"refused\n", "dropped\n"}));
            debug.print(3, "handed out\n");
        }
        debug.printRaw("raw\n");
        EXPECT_EQ(capture.lines().size(), 1u) << "raw lines pass";
    }
    ASSERT_EQ(capture.lines().size(), 3u);
    EXPECT_EQ(capture.lines()[1].text, "^c005kept\n");
    EXPECT_EQ(capture.lines()[2].text, "^c001handed out\n");
    // Another thread's lines are its own.
    DebugLineHold hold;
    std::thread([&debug] { debug.print(2, "elsewhere\n"); }).join();
    EXPECT_TRUE(capture.contains("elsewhere"));
}

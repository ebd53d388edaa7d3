#include "engine/core/FatalError.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {
void stderrHook(const std::string& text)
{
    std::fprintf(stderr, "hook saw [%s]\n", text.c_str());
}

void reenteringHook(const std::string& text)
{
    fatalError("again: " + text);
}
} // namespace

TEST(FatalErrorDeathTest, PrintsTheTextAndExitsWithOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(fatalError("Sound driver failed to start"), ::testing::ExitedWithCode(1),
                "Sound driver failed to start");
}

TEST(FatalErrorDeathTest, RunsTheHookWithTheText)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setFatalErrorHook(&stderrHook);
            fatalError("No input devices");
        },
        ::testing::ExitedWithCode(1), "hook saw \\[No input devices\\]");
    EXPECT_EQ(getFatalErrorHook(), nullptr); // set only in the child
}

TEST(FatalErrorDeathTest, AFatalErrorInsideTheHookStillExitsWithOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setFatalErrorHook(&reenteringHook);
            fatalError("first");
        },
        ::testing::ExitedWithCode(1), "again: first");
}

TEST(FatalErrorDeathTest, WritesTheLog)
{
    // The child must write where the parent looks: forked, not re-run.
    GTEST_FLAG_SET(death_test_style, "fast");
    TempDir dir;
    std::string path = dir.file("log.txt");
    EXPECT_EXIT(
        {
            DebugSystem debug;
            debug.openLog(path, 1); // not flushed per line: the exit must flush it
            debug.printRaw("started\n");
            fatalError("Out of ^c001luck");
        },
        ::testing::ExitedWithCode(1), "Out of");
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "started\nOut of luck\n");
}

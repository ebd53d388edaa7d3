#include "engine/app/DebugConsole.h"
#include "engine/app/StdinLineSource.h"
#include "engine/input/Input.h"
#include "engine/input/KeyCodes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

class DebugConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        console.setLineRunner([this](const std::string& line) { ran.push_back(line); });
        console.setKeyHookSetter([this](bool install) { hooks.push_back(install); });
    }
    void type(const std::vector<int>& codes)
    {
        for (int c : codes) {
            EXPECT_TRUE(console.handleKey(c, true, false));
            console.handleKey(c, false, false);
        }
    }
    LogCapture log;
    DebugConsole console;
    std::vector<std::string> ran;
    std::vector<bool> hooks;
};

TEST_F(DebugConsoleTest, GraveOpensAndClosesAndInstallsTheKeyHook)
{
    EXPECT_FALSE(console.handleKey(DIK_A, true, false));                   // closed: keys pass by
    EXPECT_FALSE(console.handleKey(DebugConsole::kToggleKey, true, true)); // a repeat does not open
    EXPECT_TRUE(console.handleKey(DebugConsole::kToggleKey, true, false));
    EXPECT_TRUE(console.isOpen());
    EXPECT_TRUE(console.handleKey(DIK_A, false, false));                  // open: every key is taken
    EXPECT_TRUE(console.handleKey(DebugConsole::kToggleKey, true, true)); // held grave does not close
    EXPECT_TRUE(console.isOpen());
    EXPECT_TRUE(console.handleKey(DebugConsole::kToggleKey, true, false));
    EXPECT_FALSE(console.isOpen());
    EXPECT_EQ(hooks, (std::vector<bool>{true, false}));
}

TEST_F(DebugConsoleTest, DebugSystemDrawsTheConsoleOnlyWhileOpen)
{
    int draws = 0;
    console.setDrawHook([&](const DebugConsole&) { ++draws; });
    DebugSystem::get().drawConsole();
    EXPECT_EQ(draws, 0);
    console.handleKey(DebugConsole::kToggleKey, true, false);
    DebugSystem::get().drawConsole();
    EXPECT_EQ(draws, 1);
}

TEST_F(DebugConsoleTest, TypedLinesRunAndComeBackFromHistory)
{
    console.open();
    // "echo hi" typed as keys; a stray 'x' taken back with Backspace.
    type({0x12, 0x2E, 0x23, 0x18, DIK_SPACE, 0x23, 0x17, 0x2D, DIK_BACK});
    EXPECT_EQ(console.getInput(), "echo hi");
    type({DIK_RETURN});
    EXPECT_EQ(ran, (std::vector<std::string>{"echo hi"}));
    EXPECT_EQ(console.getInput(), "");
    EXPECT_TRUE(log.contains("] echo hi"));

    console.submit("printmem");
    console.submit("printmem"); // the same line twice is kept once
    console.submit("   ");      // blank lines do nothing
    EXPECT_EQ(console.getHistory(), (std::vector<std::string>{"echo hi", "printmem"}));
    EXPECT_EQ(ran.size(), 3u);

    type({DIK_UP});
    EXPECT_EQ(console.getInput(), "printmem");
    type({DIK_UP});
    EXPECT_EQ(console.getInput(), "echo hi");
    type({DIK_UP}); // stays on the oldest
    EXPECT_EQ(console.getInput(), "echo hi");
    type({DIK_DOWN});
    EXPECT_EQ(console.getInput(), "printmem");
    type({DIK_DOWN}); // past the newest: an empty line again
    EXPECT_EQ(console.getInput(), "");
    type({DIK_DOWN});
    EXPECT_EQ(console.getInput(), "");

    // Shift gives capitals through the input system's held keys.
    Input input;
    input.start(false);
    input.queueKey(DIK_LSHIFT, true, false);
    input.poll();
    type({0x23});
    EXPECT_EQ(console.getInput(), "H");
    console.close();
    EXPECT_EQ(console.getInput(), "");
}

TEST_F(DebugConsoleTest, PagesScrollWithinTheRingAndMouseGoesToTheHook)
{
    console.open();
    for (int i = 0; i < 25; ++i) {
        debugPrintRaw("line %d\n", i);
    }
    type({DIK_PRIOR});
    EXPECT_EQ(console.getScroll(), 10);
    type({DIK_PRIOR, DIK_PRIOR, DIK_PRIOR});
    int lines = static_cast<int>(DebugSystem::get().recentLines().size());
    EXPECT_EQ(console.getScroll(), std::min(40, lines - 1));
    type({DIK_NEXT, DIK_NEXT, DIK_NEXT, DIK_NEXT, DIK_NEXT});
    EXPECT_EQ(console.getScroll(), 0);

    EXPECT_FALSE(console.handleMouseButton(0, true, 10)); // no scroll bar attached
    int offered = 0;
    console.setMouseHook([&](int, bool, int) { return ++offered > 0; });
    EXPECT_TRUE(console.handleMouseButton(0, true, 10));
    console.close();
    EXPECT_FALSE(console.handleMouseButton(0, true, 10));
    EXPECT_EQ(offered, 1);
}

TEST_F(DebugConsoleTest, HeadlessLinesComeFromStandardInput)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    console.start(true, fds[0]);
    EXPECT_TRUE(console.isReadingStdin());
    console.update();
    EXPECT_TRUE(ran.empty());
    std::string text = "printmem\r\nquit\npart";
    ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    console.update();
    EXPECT_EQ(ran, (std::vector<std::string>{"printmem", "quit"}));
    close(fds[1]);
    console.update();
    EXPECT_EQ(ran.back(), "part"); // the last line needs no end
    EXPECT_TRUE(console.isStdinClosed());
    // The end is said once; standard input is not read again.
    EXPECT_TRUE(log.contains("Standard input ended: running on as a server until quit or a signal"));
    size_t lines = log.lines().size();
    console.update();
    EXPECT_EQ(log.lines().size(), lines);
    close(fds[0]);
}

// Input whose last line quits, read with its end at once: the program ends,
// so the console does not say it runs on as a server.
TEST_F(DebugConsoleTest, InputEndingWithQuitDoesNotSayItRunsOn)
{
    bool running = true;
    console.setLineRunner([&](const std::string& line) {
        ran.push_back(line);
        running = running && line != "quit";
    });
    console.setRunningCheck([&] { return running; });
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    console.start(true, fds[0]);
    std::string text = "printmem\nquit\n";
    ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fds[1]);
    console.update();
    EXPECT_EQ(ran, (std::vector<std::string>{"printmem", "quit"}));
    EXPECT_TRUE(console.isStdinClosed());
    EXPECT_FALSE(log.contains("Standard input ended"));
    close(fds[0]);
}

TEST_F(DebugConsoleTest, TypedLineCutAtTheLimitIsSaidOncePerLine)
{
    console.handleKey(DebugConsole::kToggleKey, true, false);
    for (size_t i = 0; i < StdinLineSource::kMaxLineLength + 3; ++i) {
        console.handleKey(DIK_A, true, false);
    }
    EXPECT_EQ(console.getInput().size(), StdinLineSource::kMaxLineLength);
    EXPECT_EQ(log.count(2), 1u);
    EXPECT_TRUE(log.contains("Console line longer than 4096 characters: the rest is cut", 2));
    // Room made and filled again: said again.
    console.handleKey(DIK_BACK, true, false);
    console.handleKey(DIK_A, true, false);
    console.handleKey(DIK_A, true, false);
    EXPECT_EQ(log.count(2), 2u);
    console.handleKey(DIK_RETURN, true, false);
    ASSERT_EQ(ran.size(), 1u);
    EXPECT_EQ(ran[0].size(), StdinLineSource::kMaxLineLength);
    console.handleKey(DIK_A, true, false);
    EXPECT_EQ(log.count(2), 2u);
}

TEST(StdinLineSourceTest, OverlongLinesAreCutAndNamed)
{
    LogCapture log;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    StdinLineSource source(fds[0]);
    std::string text = "short\n" + std::string(StdinLineSource::kMaxLineLength + 10, 'x') + "\nnext\n";
    std::vector<std::string> lines;
    size_t written = 0;
    while (written < text.size()) {
        ssize_t n = write(fds[1], text.data() + written, text.size() - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
        }
        source.poll(lines);
    }
    source.poll(lines);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].size(), StdinLineSource::kMaxLineLength);
    EXPECT_EQ(lines[2], "next");
    EXPECT_TRUE(log.contains("stdin:2: line longer than 4096 bytes, cut", 2));
    close(fds[0]);
    close(fds[1]);
}

} // namespace

// The built program in a process of its own on an X display: a game started
// from its console, then a screenshot through its Print Screen key.
#include "support/FakeKeys.h"
#include "support/Picture.h"
#include "support/ProgramRunner.h"
#include "support/TestSupport.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

namespace {

using Clock = std::chrono::steady_clock;

TEST(ProgramScreenXvfbTest, AStartedGameShowsTheGroundAroundThePlayerAndTheFrameRate)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    FakeKeys keys;
    if (!keys.open(display.name())) {
        GTEST_SKIP() << "no XTEST on the display";
    }
    TempDir user;
    std::ofstream(user.file("user.cfg"))
        << "logfile 2\ndeveloper 1\nr_width 1024\nr_height 768\n"
           "compressedTextures 0\nr_screenshotType 1\nfps 1\nr_fullbright 1\nPlayerName \"Wren\"\n";
    const std::string shot = user.file("Screenshots/ss0000.png");
    int step = 0;
    Clock::time_point joined;
    RunResult r = runProgram({"--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", false,
                             [&](const RunResult&) {
                                 const std::string log = readFile(user.file("log.txt"));
                                 if (step == 0 && log.find("User directory:") != std::string::npos) {
                                     keys.pointAt(1000, 20);
                                     keys.press("grave");
                                     keys.type("start both 0");
                                     keys.press("Return");
                                     keys.press("grave");
                                     step = 1;
                                 } else if (step == 1 && log.find(" joins as entity ") != std::string::npos) {
                                     joined = Clock::now();
                                     step = 2;
                                 } else if (step == 2 && Clock::now() - joined > std::chrono::seconds(3)) {
                                     keys.press("Print");
                                     step = 3;
                                 } else if (step == 3 && std::filesystem::exists(shot)) {
                                     Picture whole; // read whole once it is written whole
                                     return readPng(shot, whole);
                                 }
                                 return false;
                             });
    ASSERT_EQ(step, 3) << readFile(user.file("log.txt"));
    Picture p;
    ASSERT_TRUE(readPng(shot, p)) << readFile(user.file("log.txt"));
    if (const char* keep = std::getenv("GLOAM_KEEP_SHOTS")) {
        std::filesystem::copy_file(shot, std::string(keep) + "/program.png",
                                   std::filesystem::copy_options::overwrite_existing);
    }

    // The mean colours of 16-pixel squares within 200 pixels of the centre,
    // coarsely bucketed: a colour counts once it covers four squares.
    std::map<std::tuple<int, int, int>, int> colours;
    const int cx = p.width / 2, cy = p.height / 2;
    for (int y = cy - 200; y + 16 <= cy + 200; y += 16) {
        for (int x = cx - 200; x + 16 <= cx + 200; x += 16) {
            const int dx = x + 8 - cx, dy = y + 8 - cy;
            if (dx * dx + dy * dy > 192 * 192 || x < 0 || y < 0 || x + 16 > p.width || y + 16 > p.height) {
                continue;
            }
            int sum[3] = {0, 0, 0};
            for (int j = 0; j < 16; ++j) {
                for (int i = 0; i < 16; ++i) {
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += p.at(x + i, y + j)[c];
                    }
                }
            }
            ++colours[{sum[0] / 256 / 40, sum[1] / 256 / 40, sum[2] / 256 / 40}];
        }
    }
    const int distinct = static_cast<int>(
        std::count_if(colours.begin(), colours.end(), [](const auto& c) { return c.second >= 4; }));
    EXPECT_GE(distinct, 3) << "tile colours around the player";
    std::printf("%d colours around the player\n", distinct);

    // The frame rate's figures at (10, 10) of the 640 x 480 interface: the
    // lower half of their line, below the log's first line in that corner.
    int white = 0;
    for (int y = 15 * p.height / 480; y < 19 * p.height / 480; ++y) {
        for (int x = 10 * p.width / 640; x < 70 * p.width / 640; ++x) {
            const uint8_t* c = p.at(x, y);
            white += std::min({c[0], c[1], c[2]}) > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(white, 10) << "the frame rate is drawn";
}

} // namespace

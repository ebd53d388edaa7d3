// The windowed program's theme music through OpenAL Soft's wave-file writer:
// before any `start` the client is not joined, so the theme plays, fading in
// over "MusicFadeTime" (2 s in data/).
#include "support/ProgramRunner.h"
#include "support/TestSupport.h"
#include "support/WaveCapture.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

namespace {

TEST(ClientXvfbTest, ThemeRisesOverItsFadeBeforeAnyStart)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    TempDir user;
    std::string wave = user.file("capture.wav");
    user.write("alsoft.conf", waveWriterConfig(wave));
    std::ofstream(user.file("user.cfg")) << "logfile 2\n";
    setenv("ALSOFT_CONF", user.file("alsoft.conf").c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    // Three seconds once the sound system is up.
    auto started = untilLogShows(user.file("log.txt"), "Sound system initialized");
    std::chrono::steady_clock::time_point up{};
    RunResult r = runProgram({"--data-dir", gameDataPath(), "--user-dir", user.path().string()}, "", false,
                             [&](const RunResult& so) {
                                 if (up == std::chrono::steady_clock::time_point{}) {
                                     if (started(so)) {
                                         up = std::chrono::steady_clock::now();
                                     }
                                     return false;
                                 }
                                 return std::chrono::steady_clock::now() - up > std::chrono::seconds(3);
                             });
    unsetenv("ALSOFT_CONF");
    unsetenv("ALSOFT_DRIVERS");
    EXPECT_EQ(r.exitCode, 0) << r.err;

    Capture capture;
    ASSERT_TRUE(readCapture(wave, capture));
    const size_t quarter = kCaptureRate / 4;
    size_t start = 0;
    while (start + quarter / 25 < capture.left.size() &&
           rms(capture.left, start, start + quarter / 25) < 0.004) {
        start += quarter / 25;
    }
    ASSERT_GE(capture.left.size(), start + 9 * quarter) << "less than 2.25 s of theme captured";
    double first = rms(capture.left, start, start + quarter);
    double middle = rms(capture.left, start + 4 * quarter, start + 5 * quarter);
    double full = rms(capture.left, start + 7 * quarter, start + 8 * quarter);
    double after = rms(capture.left, start + 8 * quarter, start + 9 * quarter);
    EXPECT_GT(full, 0.05);
    EXPECT_LT(first, 0.35 * full);
    EXPECT_GT(middle, 1.3 * first);
    EXPECT_LT(middle, 0.8 * full);
    EXPECT_GT(after, 0.85 * full) << "the fade is over after 2 s";
}

} // namespace

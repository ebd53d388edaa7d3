// The windowed program's theme music through OpenAL Soft's wave-file writer:
// before any `start` the client is not joined, so the theme plays, fading in
// over "MusicFadeTime" (2 s in data/).
#include "support/ProgramRunner.h"
#include "support/TestSupport.h"
#include "support/WaveCapture.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>

namespace {

// The theme starts once the menus are up, which a loaded machine takes its
// time for: the onset, as the test finds it, in 10 ms steps of the left
// channel.
size_t themeOnset(const std::vector<float>& left)
{
    const size_t step = kCaptureRate / 100;
    size_t start = 0;
    while (start + step < left.size() && rms(left, start, start + step) < 0.004) {
        start += step;
    }
    return start;
}

// Seconds of theme in the capture written so far. The writer fills in its
// header's sizes only when it closes: the samples are read raw.
double themeHeardFor(const std::string& wave)
{
    const std::string bytes = readFile(wave);
    const size_t data = bytes.find("data");
    if (data == std::string::npos) {
        return 0.0;
    }
    std::vector<float> left;
    for (size_t at = data + 8; at + 4 <= bytes.size(); at += 4) {
        int16_t l;
        std::memcpy(&l, bytes.data() + at, 2);
        left.push_back(l / 32768.0f);
    }
    return static_cast<double>(left.size() - themeOnset(left)) / kCaptureRate;
}

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
    // Once the sound system is up, until 2.5 s of theme are captured (at
    // most half a minute).
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
                                 return themeHeardFor(wave) >= 2.5 ||
                                        std::chrono::steady_clock::now() - up > std::chrono::seconds(30);
                             });
    unsetenv("ALSOFT_CONF");
    unsetenv("ALSOFT_DRIVERS");
    EXPECT_EQ(r.exitCode, 0) << r.err;

    Capture capture;
    ASSERT_TRUE(readCapture(wave, capture));
    const size_t quarter = kCaptureRate / 4;
    const size_t start = themeOnset(capture.left);
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

// The whole sound path through OpenAL Soft's wave-file writer: the shipped
// data, the resource loader thread, the real driver and the sound system with
// a fake client. The capture is read back and cut into sounds by energy;
// each sound is told by its level and its frequency.
#include "engine/console/UserVarSystem.h"
#include "engine/core/Clock.h"
#include "engine/core/Random.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/OpenALDriver.h"
#include "sound/SoundResourceTypes.h"
#include "sound/SoundSystem.h"
#include "sound/WaveFile.h"
#include "support/FakeSoundClient.h"
#include "support/TestSupport.h"
#include "support/WaveCapture.h"

#include <gtest/gtest.h>

#include <AL/alc.h>
#include <AL/alext.h>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kRate = kCaptureRate;
constexpr int kWindow = kRate / 100; // 10 ms

struct Segment {
    size_t begin = 0, end = 0; // frames
    double levelLeft = 0, levelRight = 0;
    double level() const { return std::sqrt((levelLeft * levelLeft + levelRight * levelRight) / 2); }
};

// Runs of 10 ms windows above a threshold, split by 50 ms of silence.
std::vector<Segment> findSegments(const Capture& c)
{
    std::vector<Segment> segments;
    size_t windows = c.left.size() / kWindow;
    const double threshold = 0.004;
    size_t quiet = 0;
    bool open = false;
    for (size_t w = 0; w < windows; ++w) {
        size_t b = w * kWindow, e = b + kWindow;
        bool loud = rms(c.left, b, e) > threshold || rms(c.right, b, e) > threshold;
        if (loud) {
            if (!open) {
                segments.push_back({b, e});
                open = true;
            }
            segments.back().end = e;
            quiet = 0;
        } else if (open && ++quiet >= 5) {
            open = false;
        }
    }
    for (auto& s : segments) {
        s.levelLeft = rms(c.left, s.begin, s.end);
        s.levelRight = rms(c.right, s.begin, s.end);
    }
    return segments;
}

// The fundamental by autocorrelation over 50 ms after the segment's start:
// the first lag whose score is a local peak near the best one (a multiple of
// the period scores as well as the period itself).
double frequencyOf(const Capture& c, const Segment& s)
{
    const size_t begin = s.begin + kRate / 50, n = kRate / 20;
    std::vector<float> x(n);
    for (size_t i = 0; i < n && begin + i < c.left.size(); ++i) {
        x[i] = c.left[begin + i] + c.right[begin + i];
    }
    const int minLag = kRate / 2000, maxLag = kRate / 50;
    std::vector<double> score(static_cast<size_t>(maxLag + 2), 0.0);
    double best = 0;
    for (int lag = minLag; lag <= maxLag + 1; ++lag) {
        double sum = 0, e1 = 0, e2 = 0;
        for (size_t i = 0; i + static_cast<size_t>(lag) < n; ++i) {
            sum += x[i] * x[i + lag];
            e1 += x[i] * x[i];
            e2 += x[i + lag] * x[i + lag];
        }
        score[static_cast<size_t>(lag)] = sum / std::sqrt(e1 * e2 + 1e-12);
        best = std::max(best, score[static_cast<size_t>(lag)]);
    }
    for (int lag = minLag + 1; lag <= maxLag; ++lag) {
        double v = score[static_cast<size_t>(lag)];
        if (v > 0.9 * best && v >= score[static_cast<size_t>(lag - 1)] &&
            v >= score[static_cast<size_t>(lag + 1)]) {
            return double(kRate) / lag;
        }
    }
    return 0.0;
}

// The time of the samples the open device has mixed, in nanoseconds (zero
// before it is open): the capture's own clock. The wave writer mixes at the
// wall clock's pace, but when its thread was held off it catches up in one
// burst, so that a wait by the wall clock may leave no silence between two
// sounds in the capture, or cut the last one short.
int64_t mixedNanoseconds()
{
    ALCcontext* context = alcGetCurrentContext();
    ALCdevice* device = context ? alcGetContextsDevice(context) : nullptr;
    if (!device) {
        return 0;
    }
    static const auto getInteger64 =
        reinterpret_cast<LPALCGETINTEGER64VSOFT>(alcGetProcAddress(device, "alcGetInteger64vSOFT"));
    ALCint64SOFT clock = 0;
    if (getInteger64) {
        getInteger64(device, ALC_DEVICE_CLOCK_SOFT, 1, &clock);
    }
    return clock;
}

TEST(SoundEndToEndTest, CaptureThroughTheWaveWriter)
{
    TempDir dir;
    std::string wave = dir.file("capture.wav");
    dir.write("alsoft.conf", waveWriterConfig(wave));
    std::string conf = dir.file("alsoft.conf");
    std::fflush(nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("ALSOFT_CONF", conf.c_str(), 1);
        unsetenv("ALSOFT_DRIVERS");
        {
            LogCapture log;
            TempDir user;
            FileSystem files(gameDataPath(), user.path().string());
            files.mountGeneratedDirectory(generatedDataPath());
            UserVarSystem vars;
            // The sound system's time (the music's fade) is the capture's.
            Clock clock(&mixedNanoseconds);
            Random random;
            ResourceSystem resources;
            resources.readThroughFileSystem(&files);
            registerSoundResourceTypes(resources);
            registerMusicResourceType(resources);
            resources.startLoader();
            OpenALDriver driver;
            SoundSystem sound;
            FakeSoundClient client;
            client.listener = ZonePosition3(0, 2000.0f, 2000.0f, 0.0f);
            client.localPlayer = 1;
            client.entities[1] = client.listener;
            sound.setClientQueries(&client);
            if (!sound.init(&driver)) {
                ADD_FAILURE() << "no wave writer";
                _exit(1);
            }
            if (!alcIsExtensionPresent(alcGetContextsDevice(alcGetCurrentContext()),
                                       "ALC_SOFT_device_clock")) {
                ADD_FAILURE() << "the device tells no clock";
                _exit(1);
            }
            ResourceHandle mono = resources.load("Sounds/Combat/swing1.wav");
            ResourceHandle stereo = resources.load("Sounds/UI/messageAlert.wav");
            ResourceHandle bank = resources.load("Sounds/Combat/swing.snd");
            ResourceHandle theme = resources.load("Sounds/Music/theme.ogg");
            resources.get(bank);
            resources.get(theme);
            // Seconds of the capture; the wall clock only catches a hang.
            auto run = [&](double seconds) {
                const int64_t until = mixedNanoseconds() + static_cast<int64_t>(seconds * 1e9);
                const auto hang = std::chrono::steady_clock::now() + std::chrono::seconds(60);
                while (mixedNanoseconds() < until) {
                    if (std::chrono::steady_clock::now() > hang) {
                        ADD_FAILURE() << "the device stopped mixing";
                        _exit(1);
                    }
                    clock.update();
                    sound.update();
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
            };
            auto play = [&](const ResourceHandle& h, float dx, float dy) {
                ZonePosition3 at(0, 2000.0f + dx, 2000.0f + dy, 0.0f);
                sound.playSound(sound.findFreeChannel(), at, h, -1, 0, false, 0.0f, 0.0f);
                run(0.5);
            };
            run(0.2);
            play(mono, 0, 0);
            play(mono, 0, 512);
            play(mono, 100, 0);
            vars.setVar("s_volumeMaster", "0.5");
            run(0.05);
            play(mono, 0, 0);
            vars.setVar("s_volumeMaster", "1.0");
            run(0.05);
            play(stereo, 0, 0);
            play(stereo, 0, 2000);
            Random::setState(0, 12345);
            for (int i = 0; i < 3; ++i) {
                play(bank, 0, 0);
            }
            sound.playMusic(theme, 1.0f);
            run(1.5);
            resources.stopLoader();
            sound.shutdown();
        }
        std::fflush(nullptr);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    Capture capture;
    ASSERT_TRUE(readCapture(wave, capture));
    std::vector<Segment> s = findSegments(capture);
    ASSERT_EQ(s.size(), 10u) << "sounds found in the capture";
    const double a = s[0].level();
    ASSERT_GT(a, 0.01);
    EXPECT_NEAR(s[1].level() / a, 0.25, 0.025) << "at dy = 512";
    EXPECT_LT(s[2].levelLeft, 0.05 * s[2].levelRight) << "at dx = +100";
    EXPECT_NEAR(s[3].level() / a, 0.5, 0.025) << "master volume 0.5";
    EXPECT_NEAR(s[5].level() / s[4].level(), 1.0, 0.05) << "class 1 is not attenuated";
    // Each sound by its own frequency.
    EXPECT_NEAR(frequencyOf(capture, s[0]), 300.0, 300.0 * 0.03);
    EXPECT_NEAR(frequencyOf(capture, s[4]), 880.0, 880.0 * 0.03);
    for (int i = 6; i < 9; ++i) {
        double f = frequencyOf(capture, s[i]);
        bool one = false;
        for (double own : {300.0, 400.0, 520.0}) {
            one = one || std::fabs(f - own) <= own * 0.08;
        }
        EXPECT_TRUE(one) << "swing " << i - 6 << " at " << f << " Hz";
    }
    // The theme rises over its first second.
    size_t start = s[9].begin;
    double early = rms(capture.left, start, start + kRate / 5);
    double late = rms(capture.left, start + kRate * 4 / 5, start + kRate);
    EXPECT_LT(early, 0.5 * late);
}

} // namespace

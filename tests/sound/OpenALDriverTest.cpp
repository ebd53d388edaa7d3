// The OpenAL driver without a sound device: OpenAL Soft's loopback device
// for mixing, its null back end for device set-up. OpenAL Soft reads its
// configuration once per process, so every case runs in a child process
// with its own configuration file.
#include "sound/OpenALDriver.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ZoneTopology.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/MusicResource.h"
#include "sound/SoundFileWriter.h"
#include "sound/SoundResourceTypes.h"
#include "sound/SoundSystem.h"
#include "sound/WaveFile.h"
#include "support/TestSupport.h"

#include <AL/al.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

// Runs the body in a child process with the OpenAL configuration (the lines
// under [general]) and back end; the test fails when the child reports a
// failure or dies.
void inChild(const std::string& general, const char* drivers, const std::function<void()>& body)
{
    TempDir dir;
    dir.write("alsoft.conf", "[general]\n" + general + "\n");
    std::string conf = dir.file("alsoft.conf");
    std::fflush(nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("ALSOFT_CONF", conf.c_str(), 1);
        setenv("ALSOFT_DRIVERS", drivers, 1);
        body();
        std::fflush(nullptr);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "child died";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failures in the child (see above)";
}

std::vector<int16_t> tone(int frames, int channels, double hz, int rate)
{
    std::vector<int16_t> s(static_cast<size_t>(frames * channels));
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            s[static_cast<size_t>(i * channels + c)] =
                static_cast<int16_t>(10000 * std::sin(2 * M_PI * hz * i / rate));
        }
    }
    return s;
}

std::vector<uint8_t> ogg(int frames, int channels, int rate)
{
    std::vector<uint8_t> out;
    EXPECT_TRUE(SoundFileWriter::makeOgg(tone(frames, channels, 440, rate), channels, rate, 0.2f, 3, out));
    return out;
}

Vec3 alPosition(const OpenALDriver& driver, int source)
{
    Vec3 p;
    alGetSource3f(driver.getSourceName(source), AL_POSITION, &p.x, &p.y, &p.z);
    return p;
}

void render(OpenALDriver& driver, int frames)
{
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
    driver.renderSamples(out.data(), frames);
}

TEST(OpenALDriverTest, LoopbackSourcesAndRanges)
{
    inChild("", "null", [] {
        OpenALDriver driver;
        driver.useLoopback(44100);
        ASSERT_TRUE(driver.init());
        EXPECT_EQ(driver.getSourceCount(), 256);
        int first = -1, count = -1;
        driver.getSourceRange(kSoundClassPositional, first, count);
        EXPECT_EQ(first, 2);
        EXPECT_EQ(count, 254);
        driver.getSourceRange(kSoundClassStream, first, count);
        EXPECT_EQ(count, 254);
        driver.getSourceRange(kSoundClassMusic, first, count);
        EXPECT_EQ(first, 0);
        EXPECT_EQ(count, 2);
        driver.getSourceRange(7, first, count);
        EXPECT_EQ(count, 0);
        EXPECT_TRUE(driver.isPositionalClass(0));
        EXPECT_FALSE(driver.isPositionalClass(1));
        EXPECT_TRUE(driver.isPositionalClass(2));
        EXPECT_FALSE(driver.isPositionalClass(3));
        EXPECT_EQ(driver.getSourceName(256), 0u);
        driver.shutdown();
        EXPECT_EQ(driver.getSourceCount(), 0);
        EXPECT_FALSE(driver.isOpen());
    });
}

TEST(OpenALDriverTest, TwoSourcesLeaveOnlyMusic)
{
    inChild("sources = 2", "null", [] {
        OpenALDriver driver;
        driver.useLoopback(44100);
        ASSERT_TRUE(driver.init());
        ASSERT_EQ(driver.getSourceCount(), 2);
        int first = -1, count = -1;
        driver.getSourceRange(kSoundClassPositional, first, count);
        EXPECT_EQ(count, 0);
        driver.getSourceRange(kSoundClassMusic, first, count);
        EXPECT_EQ(count, 2);
        auto image = ogg(22050, 2, 44100);
        SoundStream* stream = driver.createStream(image.data(), image.size());
        driver.playStream(0, stream);
        EXPECT_TRUE(driver.isStreaming(0));
        EXPECT_TRUE(driver.isPlaying(0));
        driver.stopSource(0, stream);
        driver.freeStream(stream);
    });
}

TEST(OpenALDriverTest, OneSourceDropsTheSecondMusicChannel)
{
    inChild("sources = 1", "null", [] {
        LogCapture log;
        TempDir dir;
        UserVarSystem vars;
        ResourceSystem resources;
        resources.setBaseDirectory(dir.path().string());
        registerMusicResourceType(resources);
        auto image = ogg(22050, 2, 44100);
        dir.write("theme.ogg", std::string(image.begin(), image.end()));
        OpenALDriver driver;
        driver.useLoopback(44100);
        SoundSystem sound;
        ASSERT_TRUE(sound.init(&driver));
        ASSERT_EQ(driver.getSourceCount(), 1);
        auto theme = resources.load("theme.ogg");
        sound.playMusic(theme, 0.0f);
        EXPECT_EQ(sound.getMusicChannel(), 0);
        EXPECT_TRUE(driver.isStreaming(0));
        sound.playMusic(theme, 0.0f);
        EXPECT_EQ(sound.getMusicChannel(), -1);
        EXPECT_FALSE(driver.isStreaming(0));
        sound.update();
        sound.shutdown();
    });
}

TEST(OpenALDriverTest, PositionsInFrontOfTheListener)
{
    inChild("", "null", [] {
        OpenALDriver driver;
        driver.useLoopback(44100);
        ASSERT_TRUE(driver.init());
        driver.setListener(ZonePosition3(-1, 0.0f, 0.0f, 0.0f));
        ALfloat lx = 1, ly = 1, lz = 1;
        alGetListener3f(AL_POSITION, &lx, &ly, &lz);
        EXPECT_EQ(Vec3(lx, ly, lz), Vec3(0, 0, 0));
        driver.setSourcePosition(2, ZonePosition3(-1, 0.0f, 0.0f, 0.0f));
        EXPECT_EQ(alPosition(driver, 2), Vec3(0, 0, -16));
        driver.setSourcePosition(2, ZonePosition3(-1, 0.0f, 100.0f, 0.0f));
        EXPECT_EQ(alPosition(driver, 2), Vec3(0, 0, -100));
        driver.setSourcePosition(2, ZonePosition3(-1, 0.0f, -100.0f, 0.0f));
        EXPECT_EQ(alPosition(driver, 2), Vec3(0, 0, -100));
        driver.setSourcePosition(3, ZonePosition3(-1, 50.0f, 0.0f, 10.0f));
        EXPECT_EQ(alPosition(driver, 3), Vec3(50, 10, -16));

        // Across a zone border: zone 1 lies east of zone 0.
        ZoneTopology::setSize(4096.0f, 4096.0f);
        ZoneTopology::setNeighbourFunction([](int zone, int dx, int dy) {
            if (dy != 0) {
                return -1;
            }
            int next = zone + dx;
            return next == 0 || next == 1 ? next : -1;
        });
        driver.setListener(ZonePosition3(0, 4086.0f, 500.0f, 0.0f));
        alGetListener3f(AL_POSITION, &lx, &ly, &lz);
        EXPECT_EQ(Vec3(lx, ly, lz), Vec3(0, 0, 0));
        driver.setSourcePosition(4, ZonePosition3(1, 10.0f, 500.0f, 0.0f));
        Vec3 p = alPosition(driver, 4);
        EXPECT_FLOAT_EQ(p.x, 20.0f);
        EXPECT_FLOAT_EQ(p.z, -16.0f);
        ZoneTopology::reset();

        // The listener itself keeps no floor.
        EXPECT_EQ(OpenALDriver::listenerPosition(ZonePosition3(-1, 0, 0, 0), ZonePosition3(-1, 5, 8, 0)),
                  Vec3(5, 0, -8));
    });
}

TEST(OpenALDriverTest, BuffersInEachFormat)
{
    inChild("", "null", [] {
        OpenALDriver driver;
        driver.useLoopback(44100);
        ASSERT_TRUE(driver.init());
        struct Case {
            int channels, bits;
        };
        for (Case c : {Case{1, 8}, Case{1, 16}, Case{2, 8}, Case{2, 16}}) {
            auto image =
                SoundFileWriter::makeWave(tone(1000, c.channels, 300, 22050), c.channels, 22050, c.bits);
            PcmDescription pcm;
            std::string error;
            ASSERT_TRUE(parseWave(image.data(), image.size(), pcm, error)) << error;
            unsigned buffer = driver.createBuffer(image.data(), image.size(), pcm);
            ASSERT_NE(buffer, 0u) << c.channels << "x" << c.bits;
            ALint bits = 0, channels = 0, size = 0;
            alGetBufferi(buffer, AL_BITS, &bits);
            alGetBufferi(buffer, AL_CHANNELS, &channels);
            alGetBufferi(buffer, AL_SIZE, &size);
            EXPECT_EQ(bits, c.bits);
            EXPECT_EQ(channels, c.channels);
            EXPECT_EQ(size, 1000 * c.channels * c.bits / 8);
            // Played, it runs to its end and stops.
            EXPECT_EQ(driver.bindBufferSource(2, buffer), 2);
            driver.playBuffer(2, buffer);
            EXPECT_TRUE(driver.isPlaying(2));
            render(driver, 44100 / 5);
            EXPECT_FALSE(driver.isPlaying(2));
            driver.stopAndDetach(2);
            driver.deleteBuffer(buffer);
        }
        PcmDescription bad;
        bad.channels = 3;
        bad.bitsPerSample = 16;
        bad.sampleCount = 3;
        uint8_t bytes[6] = {};
        bad.data = bytes;
        EXPECT_EQ(driver.createBuffer(bytes, sizeof bytes, bad), 0u);
        // Data that does not lie inside the image.
        bad.channels = 1;
        bad.sampleCount = 4;
        EXPECT_EQ(driver.createBuffer(bytes, sizeof bytes, bad), 0u);
    });
}

TEST(OpenALDriverTest, StreamsLoopEndAndReturnTheirBuffers)
{
    inChild("", "null", [] {
        OpenALDriver driver;
        driver.useLoopback(44100);
        ASSERT_TRUE(driver.init());
        // 0.05 s of mono at 22050 Hz: 2205 bytes, far less than one buffer.
        auto shortImage = ogg(1102, 1, 22050);
        SoundStream* looping = driver.createStream(shortImage.data(), shortImage.size());
        driver.setStreamLooping(5, looping, true);
        driver.playStream(5, looping);
        ASSERT_TRUE(driver.isStreaming(5));
        EXPECT_EQ(driver.getStreamBufferCount(5), 4);
        for (int i = 0; i < 10; ++i) {
            render(driver, 4410); // 0.1 s: more than the whole stream
            ALint processed = 0;
            alGetSourcei(driver.getSourceName(5), AL_BUFFERS_PROCESSED, &processed);
            EXPECT_GE(processed, 1);
            driver.updateStreams();
            // Refilled from sample 0 within the same step.
            ALint queued = 0, state = 0;
            alGetSourcei(driver.getSourceName(5), AL_BUFFERS_QUEUED, &queued);
            alGetSourcei(driver.getSourceName(5), AL_SOURCE_STATE, &state);
            EXPECT_EQ(queued, 1);
            EXPECT_EQ(state, AL_PLAYING);
            EXPECT_TRUE(driver.isPlaying(5));
        }

        auto image = ogg(22050, 2, 44100); // 0.5 s, two and a half buffers
        SoundStream* once = driver.createStream(image.data(), image.size());
        driver.setStreamLooping(6, once, false);
        driver.playStream(6, once);
        int steps = 0;
        while (driver.isPlaying(6) && steps < 100) {
            render(driver, 2205);
            driver.updateStreams();
            ++steps;
        }
        EXPECT_FALSE(driver.isPlaying(6));
        EXPECT_GE(steps, 9);
        size_t freeBefore = driver.getFreeBufferCount();
        driver.stopSource(6, once);
        EXPECT_EQ(driver.getFreeBufferCount(), freeBefore + 4);
        EXPECT_EQ(driver.getStreamBufferCount(6), 0);
        // A new stream on a streaming source first stops the old one.
        driver.playStream(5, looping);
        EXPECT_EQ(driver.getStreamBufferCount(5), 4);
        driver.stopSource(5, looping);
        // The free list now holds all eight, reused before new ones.
        EXPECT_EQ(driver.getFreeBufferCount(), freeBefore + 8);
        driver.freeStream(looping);
        driver.freeStream(once);
        // A stream that is not Ogg leaves the source silent.
        std::vector<uint8_t> junk(300, 7);
        SoundStream* bad = driver.createStream(junk.data(), junk.size());
        driver.playStream(7, bad);
        EXPECT_FALSE(driver.isStreaming(7));
        EXPECT_FALSE(driver.isPlaying(7));
        driver.freeStream(bad);
    });
}

TEST(OpenALDriverTest, DeviceChoicesOnTheNullBackend)
{
    for (const char* choice : {"5", "1", "2", "-3", "0"}) {
        inChild("", "null", [choice] {
            LogCapture log;
            UserVarSystem vars;
            vars.setVar("s_soundDevice", choice);
            OpenALDriver driver;
            ASSERT_TRUE(driver.init()) << choice;
            // The null back end has one device, the default: every choice
            // ends there.
            EXPECT_EQ(OpenALDriver::listPlaybackDevices(),
                      std::vector<std::string>{OpenALDriver::getDefaultDeviceName()});
            EXPECT_TRUE(log.contains("Opened OpenAL Soft Device")) << choice;
            EXPECT_TRUE(log.contains("Using 256 sound sources"));
        });
    }
    inChild("", "null", [] {
        std::vector<ListEntry> list;
        OpenALDriver::fillDeviceChoices(list);
        ASSERT_FALSE(list.empty());
        EXPECT_EQ(list[0].name, "Default device");
        EXPECT_EQ(list[0].value, "0");
        for (size_t i = 1; i < list.size(); ++i) {
            EXPECT_EQ(list[i].value, std::to_string(i));
        }
    });
}

TEST(OpenALDriverTest, NoDeviceFailsInit)
{
    inChild("", "none", [] {
        LogCapture log;
        OpenALDriver driver;
        EXPECT_FALSE(driver.init());
        EXPECT_TRUE(log.contains("Failed to open sound device!", 3));
        // Another device (OpenAL Soft's silent one) is a way out here.
        EXPECT_EQ(driver.getFailureBeyondDevice(), "");
        SoundSystem sound;
        OpenALDriver second;
        EXPECT_FALSE(sound.init(&second));
        sound.shutdown();
    });
}

// libvorbisfile is loaded at init: a missing library, or one without the
// decoder's entry points (libogg), fails init and so the sound system's. No
// other device would do better: the failure names the library, the loader's
// reason and the package that brings it, in the log too.
TEST(OpenALDriverTest, NoVorbisLibraryFailsInit)
{
    const std::pair<const char*, const char*> cases[] = {
        {"libvorbisfile-missing.so.3", "cannot open shared object file"}, {"libogg.so.0", "ov_clear"}};
    for (const auto& [name, reason] : cases) {
        inChild("", "null", [name = name, reason = reason] {
            LogCapture log;
            OpenALDriver driver;
            driver.useLoopback(44100);
            driver.setVorbisFileName(name);
            EXPECT_FALSE(driver.init()) << name;
            EXPECT_TRUE(log.contains("Failed to open vorbis/ogg dll!", 3)) << name;
            const std::string why = driver.getFailureBeyondDevice();
            for (const std::string& part : {std::string(name), std::string(reason),
                                            "the package " + std::string(VorbisFileLibrary::kPackage)}) {
                EXPECT_NE(why.find(part), std::string::npos) << part << " in: " << why;
            }
            EXPECT_TRUE(log.contains(why, 3)) << why;
            EXPECT_TRUE(log.contains("Using 256 sound sources")) << name;
            driver.shutdown();
            EXPECT_FALSE(driver.isOpen());
            SoundSystem sound;
            OpenALDriver second;
            second.useLoopback(44100);
            second.setVorbisFileName(name);
            EXPECT_FALSE(sound.init(&second));
            sound.shutdown();
        });
    }
}

TEST(OpenALDriverTest, ShutdownWithLiveResources)
{
    inChild("", "null", [] {
        LogCapture log;
        TempDir dir;
        UserVarSystem vars;
        auto resources = std::make_unique<ResourceSystem>();
        resources->setBaseDirectory(dir.path().string());
        registerSoundResourceTypes(*resources);
        registerMusicResourceType(*resources);
        resources->startLoader();
        auto wave = SoundFileWriter::makeWave(tone(2000, 1, 300, 22050), 1, 22050, 16);
        dir.write("a.wav", std::string(wave.begin(), wave.end()));
        auto image = ogg(22050, 2, 44100);
        dir.write("b.ogg", std::string(image.begin(), image.end()));
        auto driver = std::make_unique<OpenALDriver>();
        driver->useLoopback(44100);
        auto sound = std::make_unique<SoundSystem>();
        ASSERT_TRUE(sound->init(driver.get()));
        ResourceHandle a = resources->load("a.wav");
        ResourceHandle b = resources->load("b.ogg");
        sound->playSound(sound->findFreeChannel(), {}, a, -1, 0, false, 0.0f, 0.0f);
        sound->playSound(sound->findFreeChannel(), {}, b, -1, 0, true, 0.0f, 0.0f);
        sound->playMusic(b, 0.0f);
        render(*driver, 1000);
        sound->update();
        // The application's order: sound first, the resource table last.
        resources->stopLoader();
        sound->shutdown();
        driver.reset();
        sound.reset();
        a.release();
        b.release();
        resources.reset();
        EXPECT_EQ(log.count(3), 0u);
    });
}

} // namespace

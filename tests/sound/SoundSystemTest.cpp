// The sound system against a recording driver, a fake client and a driven
// clock: volumes, fades, music, pause, channels, ambient sounds, pitch and the
// s_ variables.
#include "sound/SoundSystem.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/Clock.h"
#include "engine/core/Random.h"
#include "engine/platform/SystemInfo.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/LevelSoundBankResource.h"
#include "sound/SoundBankResource.h"
#include "sound/SoundFileWriter.h"
#include "sound/SoundResource.h"
#include "sound/SoundResourceTypes.h"
#include "support/FakeSoundClient.h"
#include "support/RecordingSoundDriver.h"
#include "support/SoundTestFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

std::vector<int16_t> tone(int frames, int channels, float hz)
{
    std::vector<int16_t> s(static_cast<size_t>(frames * channels));
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            s[static_cast<size_t>(i * channels + c)] = static_cast<int16_t>(9000 * std::sin(i * hz * 0.0003));
        }
    }
    return s;
}

class SoundSystemTest : public SoundTestFixture {
protected:
    void SetUp() override
    {
        SoundTestFixture::SetUp();
        writeFileBytes(dir.file("mono.wav"), SoundFileWriter::makeWave(tone(2205, 1, 300), 1, 22050, 16));
        writeFileBytes(dir.file("mono2.wav"), SoundFileWriter::makeWave(tone(2205, 1, 400), 1, 22050, 16));
        writeFileBytes(dir.file("mono3.wav"), SoundFileWriter::makeWave(tone(2205, 1, 500), 1, 22050, 8));
        writeFileBytes(dir.file("stereo.wav"), SoundFileWriter::makeWave(tone(2205, 2, 600), 2, 22050, 16));
        std::vector<uint8_t> ogg;
        ASSERT_TRUE(SoundFileWriter::makeOgg(tone(22050, 2, 700), 2, 44100, 0.2f, 5, ogg));
        writeFileBytes(dir.file("theme.ogg"), ogg);
        ASSERT_TRUE(SoundFileWriter::makeOgg(tone(22050, 1, 800), 1, 22050, 0.2f, 6, ogg));
        writeFileBytes(dir.file("loop.ogg"), ogg);
    }
    void TearDown() override { sound.shutdown(); }

    void start()
    {
        ASSERT_TRUE(sound.init(&driver));
        sound.setClientQueries(&client);
    }
    void advanceTo(double seconds)
    {
        nowNs = static_cast<int64_t>(seconds * 1e9);
        clock.update();
    }
    SoundChannel* play(const std::string& name, const ZonePosition3& at = {}, int owner = -1,
                       bool loop = false, float fadeIn = 0.0f)
    {
        SoundChannel* channel = sound.findFreeChannel();
        EXPECT_NE(channel, nullptr);
        sound.playSound(channel, at, resources.load(name), owner, 0, loop, 0.0f, fadeIn);
        return channel;
    }
    ResourceHandle bank(const std::string& name, const std::string& text)
    {
        dir.write(name, text);
        return resources.load(name);
    }

    SoundSystem sound;
    RecordingSoundDriver driver;
    FakeSoundClient client;
};

TEST_F(SoundSystemTest, InitRegistersVariablesAndBuildsTheTables)
{
    start();
    EXPECT_TRUE(sound.isInitialized());
    EXPECT_TRUE(log.contains("Sound system initialized"));
    EXPECT_EQ(driver.calls.front(), "init()");
    EXPECT_TRUE(driver.has("postInit()"));
    EXPECT_TRUE(driver.has("setSpeakerType(4)"));
    for (const char* name : {"s_cpuUsage", "s_soundsPlaying", "s_initSound", "s_volumeMaster", "s_volumeSfx",
                             "s_volumeMusic", "s_soundDevice", "s_speakerType"}) {
        EXPECT_NE(vars.findVar(name), nullptr) << name;
    }
    EXPECT_EQ(getUserVarString("s_speakerType"), "Stereo");
    EXPECT_EQ(sound.getChannel(255)->index, 255);
    EXPECT_EQ(sound.getSourceMapEntry(255), -1);
    EXPECT_EQ(SoundSystem::getDriver(), &driver);

    std::vector<ListEntry> list;
    commands.callListFunction("getSpeakerTypes", list);
    ASSERT_EQ(list.size(), 9u);
    EXPECT_EQ(list[4].name, "Stereo");
    EXPECT_EQ(list[4].value, "4");
    EXPECT_EQ(list[8].name, "Prologic2Interior");

    sound.shutdown();
    EXPECT_EQ(SoundSystem::getDriver(), nullptr);
    EXPECT_EQ(driver.calls.back(), "shutdown()");
}

TEST_F(SoundSystemTest, SkippedInitPlaysNothing)
{
    vars.setVar("s_initSound", "0");
    ASSERT_TRUE(sound.init(&driver));
    EXPECT_TRUE(log.contains("Skipped sound system initialization", 2));
    EXPECT_FALSE(sound.isInitialized());
    EXPECT_TRUE(driver.calls.empty());
    EXPECT_EQ(sound.findFreeChannel(), nullptr);
    sound.playMusic(resources.load("theme.ogg"), 0.0f);
    sound.update();
    EXPECT_TRUE(driver.calls.empty());
    // Sounds loaded now have no driver buffer.
    auto handle = resources.load("mono.wav");
    auto* wav = resources.getAs<SoundResource>(handle);
    ASSERT_NE(wav, nullptr);
    EXPECT_EQ(wav->getBuffer(), 0u);
}

TEST_F(SoundSystemTest, FailingDriverFailsInit)
{
    driver.initResult = false;
    EXPECT_FALSE(sound.init(&driver));
    EXPECT_FALSE(sound.init(nullptr));
}

TEST_F(SoundSystemTest, FadeInAndFadeOut)
{
    start();
    auto half = bank("half.snd", "Sound mono.wav\nVolume 0.5\n");
    advanceTo(0.0);
    SoundChannel* channel = sound.findFreeChannel();
    sound.playSound(channel, {}, half, -1, 0, false, 0.0f, 2.0f);
    ASSERT_TRUE(channel->inUse);
    EXPECT_FLOAT_EQ(driver.gain[channel->handle], 0.0f);
    advanceTo(0.5);
    sound.update();
    EXPECT_NEAR(channel->volume, 0.25f, 1e-5);
    EXPECT_NEAR(driver.gain[channel->handle], 0.25f, 1e-5);
    advanceTo(1.0);
    sound.update();
    EXPECT_FLOAT_EQ(channel->volume, 0.5f);
    EXPECT_FALSE(channel->fadingIn);
    advanceTo(1.7);
    sound.update();
    EXPECT_FLOAT_EQ(channel->volume, 0.5f);

    auto loud = bank("loud.snd", "Sound mono.wav\nVolume 0.8\n");
    SoundChannel* other = sound.findFreeChannel();
    sound.playSound(other, {}, loud, -1, 0, false, 0.0f, 0.0f);
    other->fadeOut(0.0f);
    advanceTo(2.2);
    sound.update();
    EXPECT_NEAR(other->volume, 0.4f, 1e-5);
    EXPECT_TRUE(other->inUse);
    advanceTo(2.7);
    sound.update();
    EXPECT_FALSE(other->inUse);
    EXPECT_TRUE(driver.has("stopAndDetach(" + std::to_string(other->source) + ")"));
}

TEST_F(SoundSystemTest, MusicAlternatesChannelsAndFollowsTheMusicVolume)
{
    start();
    auto theme = resources.load("theme.ogg");
    sound.playMusic(theme, 0.0f);
    EXPECT_EQ(sound.getMusicChannel(), 0);
    EXPECT_TRUE(driver.has("setStreamLooping(0,1)"));
    EXPECT_TRUE(driver.has("playStream(0)"));
    // The music channel's own looping flag stays clear: the update keeps it.
    EXPECT_FALSE(sound.getChannel(0)->looping);
    sound.update();
    EXPECT_TRUE(sound.getChannel(0)->inUse);

    driver.clear();
    sound.playMusic(theme, 0.0f);
    EXPECT_EQ(sound.getMusicChannel(), 1);
    EXPECT_EQ(driver.calls.front(), "stopSource(0)");
    EXPECT_TRUE(driver.has("playStream(1)"));
    EXPECT_EQ(sound.getChannel(1)->source, 1);
    EXPECT_FALSE(sound.getChannel(0)->inUse);

    float before = driver.gain[1];
    vars.setVar("s_volumeMusic", "0.5");
    sound.update();
    EXPECT_FLOAT_EQ(driver.gain[1], before * 0.5f);

    // Paused: music keeps its gain.
    client.paused = true;
    sound.update();
    EXPECT_FLOAT_EQ(driver.gain[1], before * 0.5f);

    driver.clear();
    sound.stopMusic(0.0f);
    EXPECT_TRUE(driver.has("stopSource(1)"));
    EXPECT_FALSE(sound.getChannel(1)->inUse);
}

TEST_F(SoundSystemTest, MusicFadeOutAndFadeIn)
{
    start();
    advanceTo(0.0);
    sound.playMusic(resources.load("theme.ogg"), 1.0f);
    SoundChannel* music = sound.getChannel(0);
    EXPECT_FLOAT_EQ(driver.gain[0], 0.0f);
    advanceTo(0.5);
    sound.update();
    EXPECT_NEAR(driver.gain[0], 0.5f, 1e-5);
    advanceTo(1.5);
    sound.update();
    EXPECT_FLOAT_EQ(driver.gain[0], 1.0f);
    sound.stopMusic(2.0f);
    advanceTo(2.5);
    sound.update();
    EXPECT_NEAR(driver.gain[0], 0.5f, 1e-5);
    advanceTo(3.5);
    sound.update();
    EXPECT_FALSE(music->inUse);
}

TEST_F(SoundSystemTest, MusicNeedsItsSource)
{
    RecordingSoundDriver one(1);
    ASSERT_TRUE(sound.init(&one));
    auto theme = resources.load("theme.ogg");
    sound.playMusic(theme, 0.0f);
    EXPECT_EQ(sound.getMusicChannel(), 0);
    EXPECT_TRUE(one.has("playStream(0)"));
    one.clear();
    // Music channel 1 has no source with one source: the track is dropped.
    sound.playMusic(theme, 0.0f);
    EXPECT_EQ(sound.getMusicChannel(), -1);
    EXPECT_EQ(one.count("playStream"), 0u);
    // Nothing else can play either.
    SoundChannel* channel = sound.findFreeChannel();
    sound.playSound(channel, {}, resources.load("mono.wav"), -1, 0, false, 0.0f, 0.0f);
    EXPECT_FALSE(channel->inUse);
    sound.shutdown();
}

TEST_F(SoundSystemTest, PauseSilencesLoopsOnly)
{
    start();
    client.entities[5] = ZonePosition3(0, 100.0f, 100.0f, 0.0f);
    SoundChannel* loop = play("mono.wav", {}, 5, true);
    SoundChannel* once = play("mono2.wav");
    sound.playMusic(resources.load("theme.ogg"), 0.0f);
    sound.update();
    client.paused = true;
    sound.update();
    EXPECT_FLOAT_EQ(driver.gain[loop->handle], 0.0f);
    EXPECT_FLOAT_EQ(driver.gain[once->handle], 1.0f);
    EXPECT_FLOAT_EQ(driver.gain[0], 1.0f);
    client.paused = false;
    sound.update();
    EXPECT_FLOAT_EQ(driver.gain[loop->handle], 1.0f);
    // The loop follows its owner's mirror.
    EXPECT_FLOAT_EQ(driver.positions[loop->handle].x, 100.0f);
}

TEST_F(SoundSystemTest, InactiveWindowMutesOnceAndUserVolumeAppliesAtFirstUpdate)
{
    vars.setVar("s_volumeMaster", "0.25");
    start();
    sound.update();
    ASSERT_FALSE(driver.masterGains.empty());
    EXPECT_FLOAT_EQ(driver.masterGains.back(), 0.25f);
    driver.masterGains.clear();
    info.setActive(false);
    sound.update();
    sound.update();
    EXPECT_EQ(driver.masterGains, std::vector<float>{0.0f});
    info.setActive(true);
    sound.update();
    sound.update();
    EXPECT_EQ(driver.masterGains, (std::vector<float>{0.0f, 0.25f}));
    // A negative master volume counts as 0.
    vars.setVar("s_volumeMaster", "-1");
    sound.update();
    EXPECT_FLOAT_EQ(driver.masterGains.back(), 0.0f);
}

TEST_F(SoundSystemTest, ChannelsEndWithTheirSourceOrOwner)
{
    start();
    SoundChannel* loop = play("mono.wav", {}, -1, true);
    ASSERT_TRUE(loop->inUse);
    int source = loop->source;
    EXPECT_EQ(sound.getSourceMapEntry(source), loop->index);
    sound.update();
    EXPECT_FALSE(loop->inUse);
    EXPECT_EQ(sound.getSourceMapEntry(source), -1);

    SoundChannel* once = play("mono.wav");
    sound.update();
    EXPECT_TRUE(once->inUse);
    driver.stopped.insert(once->handle);
    sound.update();
    EXPECT_FALSE(once->inUse);

    for (int i = 0; i < 254; ++i) {
        SoundChannel* c = sound.findFreeChannel();
        ASSERT_NE(c, nullptr) << i;
        sound.playSound(c, {}, resources.load("mono.wav"), -1, 0, false, 0.0f, 0.0f);
        ASSERT_TRUE(c->inUse) << i;
    }
    EXPECT_EQ(sound.findFreeChannel(), nullptr);
}

TEST_F(SoundSystemTest, RefusedBindFreesTheSource)
{
    start();
    driver.refuseBind = true;
    SoundChannel* channel = play("mono.wav");
    EXPECT_FALSE(channel->inUse);
    EXPECT_EQ(sound.getSourceMapEntry(2), -1);
    driver.refuseBind = false;
    channel = play("mono.wav");
    EXPECT_EQ(channel->source, 2);
}

TEST_F(SoundSystemTest, OwnerSoundsReplaceEachOther)
{
    start();
    auto handle = resources.load("mono.wav");
    sound.playOwnerSound(handle, false, {}, 0.0f, 0.0f, 9, 3);
    SoundChannel* first = sound.findChannelByOwner(9, 3);
    ASSERT_NE(first, nullptr);
    int firstSource = first->source;
    sound.playOwnerSound(handle, false, {}, 0.0f, 0.0f, 9, 3);
    EXPECT_TRUE(driver.has("stopAndDetach(" + std::to_string(firstSource) + ")"));
    sound.stopChannelsOfResource(handle);
    EXPECT_EQ(sound.findChannelByOwner(9, 3), nullptr);
}

TEST_F(SoundSystemTest, BankDrawsFromStreamZero)
{
    start();
    auto three =
        bank("three.snd", "Sound mono.wav\nSound mono2.wav\nSound mono3.wav\n"
                          "Volume 0.8 VolumeVariation 0.1\nPitch 1.0 PitchVariation 0.2\nMinDist 96\n");
    auto thirdHandle = resources.load("mono3.wav");
    auto* third = resources.getAs<SoundResource>(thirdHandle);
    ASSERT_NE(third, nullptr);
    Random::setState(0, 1);
    SoundChannel* channel = play("three.snd");
    ASSERT_TRUE(channel->inUse);
    EXPECT_NEAR(channel->volume, 0.70090f, 1e-5);
    EXPECT_NEAR(channel->pitch, 0.91976f, 1e-5);
    EXPECT_EQ(channel->buffer, third->getBuffer());
    EXPECT_NEAR(driver.pitch[channel->handle], 0.91976f, 1e-5);
    EXPECT_FLOAT_EQ(driver.referenceDistance[channel->handle].x, 96.0f);

    auto fixed = bank("fixed.snd", "Sound mono.wav\nVolume 0.8\n");
    auto* fixedBank = resources.getAs<SoundBankResource>(fixed);
    Random::setState(0, 1);
    EXPECT_EQ(fixedBank->getVolume(), 0.8f);
    EXPECT_EQ(fixedBank->getPitch(), 1.0f);
    EXPECT_EQ(Random::getState(0), 1u);
    channel = play("fixed.snd");
    EXPECT_EQ(channel->volume, 0.8f);

    // No "Sound" line: nothing plays.
    auto empty = bank("empty.snd", "Volume 0.5\n");
    channel = sound.findFreeChannel();
    sound.playSound(channel, {}, empty, -1, 0, false, 0.0f, 0.0f);
    EXPECT_FALSE(channel->inUse);
    // A placeholder (a file that cannot be read) neither.
    sound.playSound(channel, {}, resources.load("missing.snd"), -1, 0, false, 0.0f, 0.0f);
    EXPECT_FALSE(channel->inUse);
    sound.playSound(channel, {}, resources.load("missing.wav"), -1, 0, false, 0.0f, 0.0f);
    EXPECT_FALSE(channel->inUse);
}

TEST_F(SoundSystemTest, EveryPlaySetsThePitch)
{
    start();
    bank("high.snd", "Sound mono.wav\nPitch 1.5\n");
    SoundChannel* pitched = play("high.snd");
    int source = pitched->handle;
    EXPECT_FLOAT_EQ(driver.pitch[source], 1.5f);
    driver.stopped.insert(source);
    sound.update();
    ASSERT_FALSE(pitched->inUse);
    SoundChannel* flat = play("stereo.wav");
    EXPECT_EQ(flat->soundClass, kSoundClassFlat);
    EXPECT_EQ(flat->handle, source);
    EXPECT_FLOAT_EQ(driver.pitch[source], 1.0f);
    driver.stopped.insert(source);
    sound.update();
    SoundChannel* streamed = play("loop.ogg");
    EXPECT_EQ(streamed->soundClass, kSoundClassStream);
    EXPECT_EQ(streamed->handle, source);
    EXPECT_FLOAT_EQ(driver.pitch[source], 1.0f);

    bank("low.snd", "Sound mono.wav\nPitch 0.1 PitchVariation 0.5\n");
    for (int i = 0; i < 60; ++i) {
        SoundChannel* c = play("low.snd");
        EXPECT_GE(driver.pitch[c->handle], SoundSystem::kMinPitch);
        sound.stopChannel(c);
    }
}

TEST_F(SoundSystemTest, AmbientRandomSounds)
{
    start();
    client.listener = ZonePosition3(0, 2000.0f, 2000.0f, 0.0f);
    client.localPlayer = 4;
    client.entities[4] = client.listener;
    LevelSoundBankFile file;
    file.randomSounds.push_back({"mono.wav", 3.0f, 1.0f, 1.0f, 200.0f, 600.0f, 1});
    file.randomSounds.push_back({"mono2.wav", 1.0f, 1.0f, 0.0f, 200.0f, 600.0f, 2});
    LevelSoundBankResource level;
    level.apply(file);

    Random::setState(0, 1);
    std::vector<double> plays;
    for (int step = 0; step <= 14; ++step) {
        driver.clear();
        sound.updateAmbientSounds(&level, step == 0 ? 0.0f : 0.5f);
        if (driver.count("playBuffer") > 0) {
            EXPECT_EQ(driver.count("playBuffer"), 1u);
            plays.push_back(step * 0.5);
        }
        if (step == 0) {
            // stream 0 from state 1: the chance draw, then distance and
            // direction.
            ZonePosition3 at = sound.getChannel(2)->position;
            float dx = at.x - 2000.0f, dy = at.y - 2000.0f;
            float distance = std::sqrt(dx * dx + dy * dy);
            EXPECT_NEAR(distance, 319.76f, 0.01f);
            EXPECT_NEAR(dx / distance, 0.4739f, 1e-4);
            EXPECT_NEAR(dy / distance, 0.8806f, 1e-4);
            EXPECT_EQ(at.zone, 0);
        }
        sound.stopChannel(sound.getChannel(2));
    }
    EXPECT_EQ(plays, (std::vector<double>{0.0, 3.0, 6.0}));
}

TEST_F(SoundSystemTest, AmbientBaseSoundLoopsOnThePlayer)
{
    start();
    client.localPlayer = 4;
    client.entities[4] = ZonePosition3(0, 50.0f, 60.0f, 0.0f);
    LevelSoundBankFile file;
    file.baseSound = "loop.ogg";
    LevelSoundBankResource level;
    level.apply(file);
    advanceTo(0.0);
    sound.startAmbientSound(&level);
    SoundChannel* base = sound.findChannelByOwner(4, SoundSystem::kAmbientBaseSoundId);
    ASSERT_NE(base, nullptr);
    EXPECT_TRUE(base->looping);
    EXPECT_TRUE(base->fadingIn);
    EXPECT_TRUE(driver.has("setStreamLooping(2,1)"));
    sound.update();
    EXPECT_TRUE(base->inUse);
    sound.stopAmbientSound();
    EXPECT_TRUE(base->fadingOut);
    advanceTo(6.0);
    sound.update();
    EXPECT_FALSE(base->inUse);
    // Without its owner's mirror a loop stops at the next update.
    sound.startAmbientSound(&level);
    base = sound.findChannelByOwner(4, SoundSystem::kAmbientBaseSoundId);
    ASSERT_NE(base, nullptr);
    client.entities.clear();
    sound.update();
    EXPECT_FALSE(base->inUse);
}

TEST_F(SoundSystemTest, BusyCursorHoldsStreamsAndListenerFollowsTheClient)
{
    start();
    client.listener = ZonePosition3(3, 10.0f, 20.0f, 0.0f);
    bool busy = true;
    sound.setBusyCursorQuery([&busy] { return busy; });
    sound.update();
    EXPECT_EQ(driver.updateStreamsCalls, 0);
    busy = false;
    sound.update();
    EXPECT_EQ(driver.updateStreamsCalls, 1);
    ASSERT_FALSE(driver.listeners.empty());
    EXPECT_EQ(driver.listeners.back(), client.listener);
    sound.setClientQueries(nullptr);
    sound.update();
    EXPECT_EQ(driver.listeners.back().zone, -1);
}

} // namespace

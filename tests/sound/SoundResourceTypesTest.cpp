// The sound resource types through the real resource manager and its loader
// thread: each extension's object, refused files with their one line and
// placeholder, and the start-up hooks.
#include "sound/SoundResourceTypes.h"
#include "engine/app/AppHooks.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/LevelSoundBankResource.h"
#include "sound/MusicResource.h"
#include "sound/SoundBankResource.h"
#include "sound/SoundFileWriter.h"
#include "sound/SoundSystem.h"
#include "support/RecordingSoundDriver.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::string bytes(const std::vector<uint8_t>& v)
{
    return std::string(v.begin(), v.end());
}

std::vector<int16_t> tone(int samples)
{
    std::vector<int16_t> s(static_cast<size_t>(samples));
    for (int i = 0; i < samples; ++i) {
        s[static_cast<size_t>(i)] = static_cast<int16_t>(8000 * std::sin(i * 0.07));
    }
    return s;
}

class SoundResourceTypesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resources.setBaseDirectory(dir.path().string());
        registerSoundResourceTypes(resources);
        registerMusicResourceType(resources);
        resources.startLoader();
    }
    void TearDown() override { sound.shutdown(); }

    TempDir dir;
    LogCapture log;
    ResourceSystem resources;
    SoundSystem sound;
    RecordingSoundDriver driver;
};

TEST_F(SoundResourceTypesTest, EachExtensionBuildsItsType)
{
    ASSERT_TRUE(sound.init(&driver));
    dir.write("a.wav", bytes(SoundFileWriter::makeWave(tone(400), 2, 11025, 16)));
    std::vector<uint8_t> ogg;
    ASSERT_TRUE(SoundFileWriter::makeOgg(tone(8000), 1, 8000, 0.1f, 9, ogg));
    dir.write("b.ogg", bytes(ogg));
    dir.write("c.snd", "Sound a.wav\nSound b.ogg\nMinDist 96\n");
    dir.write("d.lsb", "baseSound b.ogg\nrandomSound a.wav 10 2 0.5 150 600\n");
    ResourceHandle a = resources.load("a.wav"), b = resources.load("b.ogg"), c = resources.load("c.snd"),
                   d = resources.load("d.lsb");
    auto* wav = resources.getAs<SoundResource>(a);
    ASSERT_NE(wav, nullptr);
    EXPECT_FALSE(wav->hasFailedToLoad());
    EXPECT_TRUE(wav->isStereo());
    EXPECT_EQ(wav->getSampleCount(), 400);
    EXPECT_NE(wav->getBuffer(), 0u);
    auto* music = resources.getAs<MusicResource>(b);
    ASSERT_NE(music, nullptr);
    EXPECT_TRUE(music->isStreamed());
    EXPECT_FALSE(music->isPlaceholder());
    EXPECT_TRUE(music->keepsImage());
    EXPECT_EQ(music->getImageSize(), ogg.size());
    ASSERT_NE(music->getStream(), nullptr);
    EXPECT_EQ(music->getStream()->size, ogg.size());
    auto* bank = resources.getAs<SoundBankResource>(c);
    ASSERT_NE(bank, nullptr);
    EXPECT_EQ(bank->getSounds().size(), 2u);
    EXPECT_EQ(bank->getMinDist(), 96.0f);
    auto* level = resources.getAs<LevelSoundBankResource>(d);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->getBaseSoundName(), "b.ogg");
    EXPECT_EQ(level->getRandomSounds().size(), 1u);
    EXPECT_EQ(log.count(3), 0u);
    // A sound's buffer goes with it while the driver is open.
    unsigned buffer = wav->getBuffer();
    c.release();
    d.release();
    a.release();
    EXPECT_TRUE(driver.has("deleteBuffer(" + std::to_string(buffer) + ")"));
}

TEST_F(SoundResourceTypesTest, RefusedFilesGiveOneLineAndAPlaceholder)
{
    ASSERT_TRUE(sound.init(&driver));
    auto wave = SoundFileWriter::makeWave(tone(100), 1, 8000, 16);
    wave[20] = 3; // float format tag
    dir.write("float.wav", bytes(wave));
    dir.write("noise.ogg", std::string(300, 'x'));
    std::vector<uint8_t> ogg;
    ASSERT_TRUE(SoundFileWriter::makeOgg(tone(8000), 1, 8000, 0.1f, 9, ogg));
    ogg.resize(ogg.size() / 3);
    dir.write("cut.ogg", bytes(ogg));
    for (const char* name : {"float.wav", "noise.ogg", "cut.ogg"}) {
        log.clear();
        ResourceHandle h = resources.load(name);
        Resource* r = resources.get(h);
        ASSERT_NE(r, nullptr) << name;
        EXPECT_TRUE(r->isPlaceholder()) << name;
        EXPECT_EQ(log.count(3), 1u) << name;
        EXPECT_TRUE(log.contains(std::string(name) + ": ", 3)) << name;
        if (std::string(name) == "float.wav") {
            EXPECT_TRUE(log.contains("float.wav: unsupported format tag 3", 3));
        }
    }
}

TEST(SoundHooksTest, HeadlessRegistersNoSoundType)
{
    for (bool headless : {true, false}) {
        LogCapture log;
        ResourceSystem resources;
        AppHooks hooks;
        bool earlier = false;
        hooks.registerSystems = [&earlier] { earlier = true; };
        installSoundHooks(hooks, headless);
        hooks.createSoundSystem();
        ASSERT_NE(SoundSystem::instance(), nullptr);
        hooks.registerSystems();
        EXPECT_TRUE(earlier);
        for (const char* type : {"wav", "ogg", "snd", "lsb"}) {
            EXPECT_EQ(resources.hasType(type), !headless) << type;
        }
        hooks.destroySystems();
        EXPECT_EQ(SoundSystem::instance(), nullptr);
    }
}

} // namespace

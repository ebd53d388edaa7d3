// The bank readers on their own: keywords, case rules, overrides, missing
// values and the line for unknown words.
#include "sound/SoundBankFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(SoundBankFileTest, KeywordsValuesAndOverrides)
{
    LogCapture log;
    DebugSystem::get().setDeveloper(true);
    auto bank = SoundBankFile::parse("// swings\n"
                                     "Sound \"Sounds/a b.wav\"\n"
                                     "Volume 0.5 MinDist 32\n"
                                     "Volume 0.8\n"
                                     "Sound Sounds/c.wav\n"
                                     "Pitch 1.2 PitchVariation\n",
                                     "test.snd");
    ASSERT_EQ(bank.sounds.size(), 2u);
    EXPECT_EQ(bank.sounds[0].fileName, "Sounds/a b.wav");
    EXPECT_EQ(bank.sounds[0].line, 2);
    EXPECT_EQ(bank.sounds[1].line, 5);
    EXPECT_FLOAT_EQ(*bank.volume, 0.8f);
    EXPECT_FLOAT_EQ(*bank.minDist, 32.0f);
    EXPECT_FLOAT_EQ(*bank.pitch, 1.2f);
    // A missing "PitchVariation" value is 0; a missing "MaxDist" stays unset.
    ASSERT_TRUE(bank.pitchVariation.has_value());
    EXPECT_FLOAT_EQ(*bank.pitchVariation, 0.0f);
    EXPECT_FALSE(bank.maxDist.has_value());
    EXPECT_EQ(bank.unknownWords, 0);
    EXPECT_EQ(log.count(1), 0u);
}

TEST(SoundBankFileTest, AValueMayStandOnALaterLine)
{
    LogCapture log;
    auto bank =
        SoundBankFile::parse("MaxDist\n  640\nSound\n// the swing\nSounds/d.wav\nVolume\n", "lines.snd");
    ASSERT_TRUE(bank.maxDist.has_value());
    EXPECT_FLOAT_EQ(*bank.maxDist, 640.0f);
    ASSERT_EQ(bank.sounds.size(), 1u);
    EXPECT_EQ(bank.sounds[0].fileName, "Sounds/d.wav");
    EXPECT_EQ(bank.sounds[0].line, 5);
    EXPECT_FALSE(bank.volume.has_value()); // nothing follows
    EXPECT_EQ(bank.unknownWords, 0);
}

TEST(SoundBankFileTest, SoundBankKeywordsAreCaseSensitiveAndUnknownWordsLogged)
{
    LogCapture log;
    DebugSystem::get().setDeveloper(true);
    auto bank = SoundBankFile::parse("volume 0.5\nSOUND x.wav\nVolume\n", "case.snd");
    EXPECT_FALSE(bank.volume.has_value());
    EXPECT_TRUE(bank.sounds.empty());
    // "volume", "0.5", "SOUND" and "x.wav" are all unknown words.
    EXPECT_EQ(bank.unknownWords, 4);
    EXPECT_TRUE(log.contains("case.snd:1: unknown sound bank word volume", 1));
    EXPECT_TRUE(log.contains("case.snd:2: unknown sound bank word SOUND", 1));
}

TEST(SoundBankFileTest, LevelBankKeywordsInAnyCase)
{
    LogCapture log;
    DebugSystem::get().setDeveloper(true);
    auto bank = LevelSoundBankFile::parse("BASESOUND Sounds/Levels/a.ogg\n"
                                          "randomsound Sounds/bird.wav 8 2 0.5 150 600\n"
                                          "RandomSound Sounds/owl.wav\n"
                                          "baseSound Sounds/Levels/b.ogg\n"
                                          "rain\n",
                                          "level.lsb");
    EXPECT_EQ(bank.baseSound, "Sounds/Levels/b.ogg");
    EXPECT_EQ(bank.baseSoundLine, 4);
    ASSERT_EQ(bank.randomSounds.size(), 2u);
    const auto& bird = bank.randomSounds[0];
    EXPECT_EQ(bird.fileName, "Sounds/bird.wav");
    EXPECT_FLOAT_EQ(bird.quietTime, 8.0f);
    EXPECT_FLOAT_EQ(bird.checkInterval, 2.0f);
    EXPECT_FLOAT_EQ(bird.chance, 0.5f);
    EXPECT_FLOAT_EQ(bird.minRadius, 150.0f);
    EXPECT_FLOAT_EQ(bird.maxRadius, 600.0f);
    // Only a file: chance 0, so it never plays.
    EXPECT_EQ(bank.randomSounds[1].chance, 0.0f);
    EXPECT_EQ(bank.randomSounds[1].maxRadius, 0.0f);
    EXPECT_EQ(bank.unknownWords, 1);
    EXPECT_TRUE(log.contains("level.lsb:5: unknown sound bank word rain", 1));
}

} // namespace

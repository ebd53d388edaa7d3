// Effect files as read: keywords, random values, sizes, textures and the
// lines a bad file gives.
#include "graphics/effects/EffectDefinition.h"
#include "engine/core/TextReader.h"
#include "graphics/effects/BeamDefinition.h"
#include "graphics/effects/EffectResourceTypes.h"
#include "graphics/effects/SwipeDefinition.h"
#include "support/RenderScene.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class EffectDefinitionTest : public ::testing::Test {
protected:
    std::unique_ptr<EffectDefinition> eff(const std::string& text)
    {
        return EffectDefinition::create("Effects/t.eff", reinterpret_cast<const uint8_t*>(text.data()),
                                        text.size());
    }
    std::unique_ptr<BeamDefinition> bem(const std::string& text)
    {
        return BeamDefinition::create("Effects/t.bem", reinterpret_cast<const uint8_t*>(text.data()),
                                      text.size());
    }
    RenderScene scene;
};

TEST_F(EffectDefinitionTest, KeywordsAndValues)
{
    struct IntervalCase {
        const char* text;
        float interval;
    };
    for (const IntervalCase& c :
         {IntervalCase{"spawnRate 0", 0.0f}, IntervalCase{"spawnRate -2", 0.0f},
          IntervalCase{"spawnRate\nlinked", 0.0f}, IntervalCase{"SPAWNRATE 4", 0.25f}}) {
        EXPECT_FLOAT_EQ(eff(c.text)->spawnInterval, c.interval) << c.text;
    }
    for (const char* text : {"fade", "fadeIn\nfadeOut"}) {
        auto d = eff(text);
        EXPECT_TRUE(d->fadeIn && d->fadeOut) << text;
    }
    auto onSphere = eff("sphere 2");
    EXPECT_FLOAT_EQ(onSphere->sphereRadius, 2.0f);
    EXPECT_TRUE(onSphere->onSurface);
    EXPECT_FALSE(eff("sphere 2 0")->onSurface);

    auto v = eff("velocity 1 crand 2 randRange 3 5");
    EXPECT_EQ(v->velocity[0].kind, RandomValue::Constant);
    EXPECT_FLOAT_EQ(v->velocity[0].min, 1.0f);
    EXPECT_EQ(v->velocity[1].kind, RandomValue::Range);
    EXPECT_FLOAT_EQ(v->velocity[1].min, -2.0f);
    EXPECT_FLOAT_EQ(v->velocity[1].max, 2.0f);
    EXPECT_FLOAT_EQ(v->velocity[2].min, 3.0f);
    EXPECT_FLOAT_EQ(v->velocity[2].max, 5.0f);
    // A value belongs to its keyword's line: the next line starts a keyword.
    auto split = eff("velocity 1\n2 3");
    EXPECT_FLOAT_EQ(split->velocity[1].min, 0.0f);
    EXPECT_TRUE(scene.log.contains("t.eff:2: Unknown effects parm 2 in Effects/t.eff", 3));

    EXPECT_FLOAT_EQ(eff("spin 0.5")->spin, 180.0f);
    EXPECT_TRUE(eff("")->hideWhenParentHidden);
    EXPECT_FALSE(eff("hideWhenParentHidden 0")->hideWhenParentHidden);
    EXPECT_FALSE(eff("spawnRateMultWeather true")->spawnRateFollowsWeather) << "booleans are integers";

    EXPECT_FLOAT_EQ(bem("size 4")->startSize, 4.0f);
    EXPECT_FLOAT_EQ(bem("size 4")->endSize, 4.0f);
    EXPECT_FLOAT_EQ(bem("startSize 2\nsize 4")->startSize, 2.0f);
    EXPECT_FLOAT_EQ(bem("startSize 2\nsize 4")->endSize, 4.0f);
}

TEST_F(EffectDefinitionTest, TexturesLimitsAndMessages)
{
    auto plain = eff("TEXTURE smoke.tga");
    auto added = eff("texture smoke.tga\nadditive");
    EXPECT_EQ(plain->shader.getIndex(), scene.resources.findEntry("Textures/smoke.sdr", 5));
    EXPECT_EQ(added->shader.getIndex(), scene.resources.findEntry("Textures/smoke.sdr", 4));
    EXPECT_NE(plain->shader.getIndex(), added->shader.getIndex());

    scene.log.clear();
    SwipeDefinition swipe;
    TextReader reader("maxAge 0.3\n\nglow 1", "Effects/t.swp");
    SwipeDefinition::parse(reader, swipe, "Effects/t.swp");
    EXPECT_TRUE(scene.log.contains("Effects/t.swp:3: Unknown beam parm glow in Effects/t.swp", 3));
    EXPECT_TRUE(scene.log.contains("Unknown beam parm 1 in", 3))
        << "values after an unknown keyword are keywords";

    // One frame never asks for millions of particles.
    scene.log.clear();
    EXPECT_EQ(eff("spawnCount 2000000")->spawnCount, EffectDefinition::kMaxSpawnCount);
    EXPECT_EQ(scene.log.count(2), 1u);
    eff("spawnRate 1000000000");
    EXPECT_EQ(scene.log.count(2), 2u);
}

TEST_F(EffectDefinitionTest, EveryShippedEffectFileParsesWithoutALine)
{
    registerEffectResourceTypes(scene.resources);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(gameDataPath() + "/Effects")) {
        scene.log.clear();
        const std::string name = "Effects/" + entry.path().filename().string();
        ResourceHandle handle = scene.resources.load(name);
        ASSERT_NE(handle.get(), nullptr) << name;
        EXPECT_TRUE(scene.log.lines().empty()) << name << ": " << scene.log.lines().front().text;
        ++files;
    }
    EXPECT_EQ(files, 5);
}

} // namespace

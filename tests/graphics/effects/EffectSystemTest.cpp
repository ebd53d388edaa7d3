// Running effects on a fake host with a fixed stream-4 state, queued into
// the recording render queue.
#include "graphics/effects/EffectSystem.h"
#include "engine/core/Random.h"
#include "graphics/effects/BeamDefinition.h"
#include "graphics/effects/EffectDefinition.h"
#include "graphics/effects/EffectResourceTypes.h"
#include "support/FakeEffectHost.h"
#include "support/RenderScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

class EffectSystemTest : public ::testing::Test {
protected:
    EffectSystemTest()
    {
        registerEffectResourceTypes(scene.resources);
        std::filesystem::create_directories(scene.dir.path() / "Effects");
        Random::setState(4, 12345);
        EffectEnvironment env;
        env.isPaused = [this] { return paused; };
        effects.setEnvironment(env);
    }
    // Writes "Effects/<name>" (drawn with a shipped texture) and returns the name.
    std::string file(const std::string& name, const std::string& text)
    {
        scene.dir.write("Effects/" + name, "texture Effects/spark.tga\n" + text);
        return name;
    }
    EffectInstance* start(const std::string& name, const std::string& text, const std::string& point = "")
    {
        EffectInstance* e = effects.spawnEffect(&host, file(name, text), point);
        e->active = true;
        return e;
    }
    size_t queued()
    {
        scene.graphics.getRenderQueue().beginFrame();
        effects.draw(scene.graphics.getRenderQueue());
        return scene.graphics.getRenderQueue().getQueued().size();
    }

    RenderScene scene;
    Random random;
    EffectSystem effects;
    FakeEffectHost host;
    bool paused = false;
};

TEST_F(EffectSystemTest, SpawningBurstsAndTheFrameCap)
{
    EffectInstance* burst = effects.spawnEffect(&host, file("five.eff", "spawnCount 5\nmaxAge 9"), "tag_a");
    burst->spawnBurst(effects);
    EXPECT_EQ(burst->particles.size(), 5u);
    const ZonePosition3 born = burst->particles[0]->position;
    EXPECT_FLOAT_EQ(born.z, 10.0f) << "on tag_a";
    effects.update(0.1f);
    EXPECT_EQ(burst->particles.size(), 5u) << "a burst spawns once";
    EXPECT_EQ(queued(), 5u);

    // "sphere 2" starts particles on the sphere, "sphere 2 0" inside it.
    struct SphereCase {
        const char* name;
        const char* text;
        bool onSurface;
    };
    for (const SphereCase& c : {SphereCase{"on.eff", "spawnCount 20\nsphere 2\nmaxAge 9", true},
                                SphereCase{"in.eff", "spawnCount 20\nsphere 2 0\nmaxAge 9", false}}) {
        EffectInstance* e = effects.spawnEffect(&host, file(c.name, c.text), "");
        e->spawnBurst(effects);
        ASSERT_EQ(e->particles.size(), 20u) << c.name;
        float nearest = 3.0f;
        for (const Particle* p : e->particles) {
            const Vec3 d(p->position.x - host.place.x, p->position.y - host.place.y,
                         p->position.z - host.place.z);
            const float r = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
            EXPECT_LE(r, 2.0f + 1e-4f) << c.name;
            nearest = std::min(nearest, r);
        }
        EXPECT_EQ(nearest > 2.0f - 1e-4f, c.onSurface) << c.name << " nearest " << nearest;
    }

    // Interval 0.1: 0.35 s spawns three and keeps 0.05; the system cuts the
    // frame to 0.25 s first.
    EffectInstance* timed = start("timed.eff", "spawnRate 10\nmaxAge 9\nvelocity 0 0 100");
    timed->update(0.35f, effects);
    EXPECT_EQ(timed->particles.size(), 3u);
    EXPECT_NEAR(timed->accumulator, 0.05f, 1e-5f);
    timed->accumulator = 0.0f;
    const ZonePosition3 fresh = timed->particles.back()->position;
    timed->update(0.0f, effects);
    EXPECT_EQ(timed->particles.back()->position, fresh) << "no move in the frame of birth";
    for (Particle* p : timed->particles)
        p->age = 100.0f;
    effects.update(0.35f);
    EXPECT_EQ(timed->particles.size(), 2u);

    // Paused: nothing ages, moves or spawns.
    paused = true;
    const float age = timed->particles[0]->age;
    const ZonePosition3 at = timed->particles[0]->position;
    effects.update(0.2f);
    EXPECT_EQ(timed->particles.size(), 2u);
    EXPECT_EQ(timed->particles[0]->age, age);
    EXPECT_EQ(timed->particles[0]->position, at);
    paused = false;

    // A rate no frame can show spawns 1,000 and drops the rest.
    EffectInstance* flood = start("flood.eff", "spawnRate 1000000000\nmaxAge 9");
    effects.update(0.25f);
    EXPECT_EQ(flood->particles.size(), 1000u);
    EXPECT_EQ(flood->accumulator, 0.0f);

    // The local player's own entry spawns nothing.
    host.localPlayer = true;
    effects.update(0.25f);
    EXPECT_EQ(flood->particles.size(), 1000u);
}

TEST_F(EffectSystemTest, ParticleMotionFadingAndBouncing)
{
    // Outward speed from the origin: a particle born on it stays finite.
    EffectInstance* outward = start("out.eff", "spawnRate 10\nspeed 50\nmaxAge 9");
    for (int i = 0; i < 5; ++i)
        effects.update(0.1f);
    ASSERT_FALSE(outward->particles.empty());
    for (const Particle* p : outward->particles) {
        EXPECT_TRUE(std::isfinite(p->position.x) && std::isfinite(p->position.y) &&
                    std::isfinite(p->position.z));
    }

    // Fade time 0 and maximum age 2: in over the first second, out over the second.
    EffectInstance* fading = effects.spawnEffect(&host, file("fade.eff", "spawnCount 1\nfade\nmaxAge 2"), "");
    fading->spawnBurst(effects);
    Particle* p = fading->particles[0];
    fading->update(0.0f, effects);
    for (float expected : {0.5f, 1.0f, 0.5f}) {
        fading->update(0.5f, effects);
        EXPECT_NEAR(p->alpha, expected, 1e-5f) << p->age;
    }

    // Bounces: with a maximum of 2 the third bounce kills, with 0 none does.
    struct Case {
        int maxBounces;
        bool diesEarly;
    };
    for (const Case& c : {Case{2, true}, Case{0, false}}) {
        const std::string name = "bounce" + std::to_string(c.maxBounces) + ".eff";
        EffectInstance* e = effects.spawnEffect(
            &host,
            file(name,
                 "spawnCount 1\noffset 0 0 5\nvelocity 0 0 -100\naccel 0 0 -200\nbounce\nbounceFactor 1\n"
                 "maxAge 10\nmaxBounces " +
                     std::to_string(c.maxBounces)),
            "");
        e->spawnBurst(effects);
        int frames = 0, bounces = 0;
        while (!e->particles.empty() && frames < 400) {
            bounces = e->particles[0]->bounces;
            effects.update(0.05f);
            ++frames;
        }
        EXPECT_EQ(frames < 150, c.diesEarly) << c.maxBounces;
        if (c.diesEarly) {
            EXPECT_EQ(bounces, 2) << "the third bounce kills";
        } else {
            EXPECT_GT(bounces, 3);
        }
    }
}

TEST_F(EffectSystemTest, InstancesBeamsAndSwipesComeBackFromTheirFreeLists)
{
    // "stopEffect" first: one inactive instance bound to the host.
    EffectInstance* stopped = effects.spawnEffect(&host, file("glow.eff", "spawnRate 5"), "tag_a");
    stopped->active = false;
    effects.update(0.1f);
    ASSERT_EQ(effects.getEffects().size(), 1u);
    EXPECT_TRUE(stopped->entity == &host);
    EXPECT_EQ(effects.spawnEffect(&host, "glow.eff", "tag_a"), stopped);

    // A stopped beam fades over its maximum age, then its object is reused.
    BeamInstance* beam = effects.startBeam(&host, file("b.bem", "maxAge 0.5\nnumSegments 4"), "tag_a");
    beam->active = true;
    effects.update(0.1f);
    EXPECT_EQ(queued(), 1u) << "the beam, nothing of the quiet effect";
    effects.stopBeam(&host, "b.bem", "tag_a");
    effects.update(0.25f);
    EXPECT_NEAR(beam->alpha, 0.5f, 1e-5f);
    effects.update(0.25f);
    EXPECT_TRUE(effects.getBeams().empty());
    EXPECT_EQ(effects.getFreeBeamCount(), 1u);
    EXPECT_EQ(effects.startBeam(&host, "b.bem", "tag_a"), beam);

    // Far ends from other entities draw at most 256 segments.
    BeamInstance* far =
        effects.startBeam(&host, file("far.bem", "segmentLength 1\nendPointsFromEntity 1"), "");
    host.hasBeamEnds = true;
    host.beamStart = ZonePosition3(0, 0.0f, 0.0f, 0.0f);
    host.beamEnd = ZonePosition3(0, 10000.0f, 0.0f, 0.0f);
    far->active = true;
    far->update(0.01f);
    EXPECT_EQ(far->segmentCount(), BeamDefinition::kMaxSegments);

    // A swipe at a location that is none starts nothing and says so once.
    file("trail.swp", "maxAge 0.3\nupdateTime 0.03");
    scene.log.clear();
    EXPECT_EQ(effects.startSwipe(&host, "Hnad", "trail.swp", "tag_a", "tag_b"), nullptr);
    EXPECT_EQ(effects.startSwipe(&host, "Hnad", "trail.swp", "tag_a", "tag_b"), nullptr);
    EXPECT_EQ(scene.log.count(2), 1u);
    SwipeInstance* swipe = effects.startSwipe(&host, "Hand", "trail.swp", "tag_a", "tag_b");
    ASSERT_NE(swipe, nullptr);
    EXPECT_EQ(swipe->location, 14);
    for (int i = 0; i < 5; ++i)
        effects.update(0.03f);
    EXPECT_GE(swipe->points.size(), 4u);
    effects.stopSwipe(&host, "Hand", "trail.swp", "tag_a", "tag_b");
    for (int i = 0; i < 12; ++i)
        effects.update(0.03f);
    EXPECT_TRUE(effects.getSwipes().empty()) << "recycled once its points faded";
    host.localPlayer = true;
    EXPECT_EQ(effects.startSwipe(&host, "", "trail.swp", "tag_a", "tag_b"), nullptr);
}

TEST_F(EffectSystemTest, DrawsRepeatFromTheSameStateAndLeaveStreamZeroAlone)
{
    Random::setState(0, 777);
    const std::string text =
        "spawnRate 50\nsphere 8 0\nvelocity crand 20 crand 20 rand 30\nflicker\nmaxAge 1";
    auto run = [&](const std::string& name) {
        Random::setState(4, 99);
        EffectInstance* e = start(name, text);
        BeamInstance* b = effects.startBeam(&host, file("s.bem", "numSegments 3\nchangeTime 0.05"), "tag_a");
        b->active = true;
        for (int i = 0; i < 100; ++i)
            effects.update(0.02f);
        std::vector<float> xs;
        for (const Particle* p : e->particles)
            xs.push_back(p->position.x + p->position.y + p->position.z);
        // Everything dies down before the next run.
        e->active = false;
        effects.stopBeam(&host, "s.bem", "tag_a");
        for (int i = 0; i < 100; ++i)
            effects.update(0.02f);
        EXPECT_TRUE(e->particles.empty() && effects.getBeams().empty());
        return xs;
    };
    const std::vector<float> first = run("same1.eff");
    const std::vector<float> second = run("same2.eff");
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, second);
    EXPECT_EQ(Random::getState(0), 777u);
}

} // namespace

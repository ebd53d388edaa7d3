#include "game/entities/EntityBase.h"

#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/Skin.h"
#include "game/entities/Timer.h"
#include "support/GridTopology.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

constexpr const char* kBoxMan = "Models/BoxMan/boxman.mdl";

// An EntityBase that loads through the resource system and records its
// animation events.
class RecordingEntity : public EntityBase {
public:
    void loadResource(const std::string& name, ResourceHandle& out) override
    {
        ++loads;
        out = ResourceSystem::get().load(name);
    }
    int getStat(int index) const override { return index == 77 ? attackTimeMs : 0; }
    void onAnimationEvent(int animation, int kind, int frame) override
    {
        events.emplace_back(animation, kind, frame);
    }
    float getMovement() const override { return movement; }

    int loads = 0;
    int attackTimeMs = 0;
    float movement = 0.0f;
    std::vector<std::tuple<int, int, int>> events;
};

class EntityBaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        useGameData(resources);
        ModelResource::registerTypes(resources);
    }

    // BoxMan loaded and its first idle started.
    void loadBoxMan(RecordingEntity& e)
    {
        e.setModel("BoxMan/boxman.mdl");
        ASSERT_NE(e.getModel(), nullptr);
        e.update(0.0f);
        ASSERT_TRUE(e.isAnimationPlaying());
        e.events.clear();
    }

    int indexOf(RecordingEntity& e, const char* name)
    {
        ModelResource* model = e.getModel();
        for (int i = 0; i < model->getNumAnimations(); ++i) {
            if (model->getAnimation(i)->name == name) {
                return i;
            }
        }
        return -1;
    }

    LogCapture log;
    ResourceSystem resources;
};

TEST_F(EntityBaseTest, ConstructionValues)
{
    RecordingEntity e;
    EXPECT_EQ(e.getPosition().zone, -1);
    EXPECT_EQ(e.getDirection(), West);
    EXPECT_TRUE(e.isSolid());
    EXPECT_EQ(e.getEntityNumber(), -1);
    EXPECT_EQ(e.getCovenantIndex(), -1);
    EXPECT_EQ(e.getScale(), 1.0f);
    EXPECT_EQ(e.getFadeValue(), 1.0f);
    EXPECT_EQ(e.getAnimation(), -1);
    EXPECT_EQ(e.getParentEntity(), -1);
    EXPECT_EQ(e.getVisualFlags().size(), 8u);
    // Neither dead nor alive without health.
    EXPECT_FALSE(e.isDead());
    EXPECT_FALSE(e.isAlive());
    e.setMaxHealth(10);
    EXPECT_TRUE(e.isDead());
    e.setHealth(1);
    EXPECT_TRUE(e.isAlive());
}

TEST_F(EntityBaseTest, ModelNameGetsPrefixAndIgnoresCaseOnRepeat)
{
    RecordingEntity e;
    e.setModel("");
    EXPECT_EQ(e.loads, 0);
    e.setModel("BoxMan\\boxman.mdl");
    EXPECT_EQ(e.getModelName(), kBoxMan);
    EXPECT_EQ(e.loads, 1);
    EXPECT_EQ(e.getModelWidth(), 64.0f);
    e.setModel("models/BOXMAN/BoxMan.MDL");
    EXPECT_EQ(e.loads, 1);
    EXPECT_EQ(e.getModelName(), kBoxMan);
}

TEST_F(EntityBaseTest, ModelDependentCallsAnswerNothingWithoutModel)
{
    RecordingEntity e;
    EXPECT_FALSE(e.playAnimation("idle", 2, 1, false));
    EXPECT_EQ(e.findAttachPoint("head"), -1);
    EXPECT_EQ(e.findAnimation("idle"), -1);
    EXPECT_EQ(e.getAnimationRecord(0), nullptr);
    e.update(0.1f);
    EXPECT_EQ(e.getAnimation(), -1);
    EXPECT_TRUE(e.events.empty());
}

TEST_F(EntityBaseTest, UpdateAdvancesTimersThenStartsIdleOnceLoaded)
{
    RecordingEntity e;
    Timer t;
    t.min = t.max = 1.0f;
    t.startRandom();
    e.getTimers().add(&t);
    e.setModel(kBoxMan);
    // Still queued: no animation yet.
    e.update(0.25f);
    EXPECT_FLOAT_EQ(t.remaining, 0.75f);
    EXPECT_FALSE(e.isAnimationPlaying());
    ASSERT_NE(e.getModel(), nullptr); // loads it
    e.update(0.0f);
    EXPECT_TRUE(e.isPlayingAnimation("idle"));
    EXPECT_EQ(e.getAnimationPriority(), 2);
    EXPECT_EQ(e.getAnimationMode(), EntityBase::kModeLoop);
    // Starting from no animation fires only the enter event.
    ASSERT_EQ(e.events.size(), 1u);
    EXPECT_EQ(std::get<1>(e.events[0]), EntityBase::kEventEnter);
}

TEST_F(EntityBaseTest, AttackFollowsAttackSpeed)
{
    RecordingEntity e;
    loadBoxMan(e);
    e.attackTimeMs = 275; // x = 4.5: 6 / 4.5 * 20 = 26.7, rounded up
    ASSERT_TRUE(e.playAnimation("attack", 5, 0, false));
    EXPECT_EQ(e.getAnimationFrames(), 6);
    EXPECT_EQ(e.getFramesPerSecond(), 27);

    RecordingEntity slow;
    loadBoxMan(slow);
    slow.attackTimeMs = 1000; // x = 19, not below 6
    ASSERT_TRUE(slow.playAnimation("attack", 5, 0, false));
    EXPECT_EQ(slow.getFramesPerSecond(), 20);
}

TEST_F(EntityBaseTest, PriorityRules)
{
    RecordingEntity e;
    loadBoxMan(e);
    // Priority 2 (idle) cannot be replaced by 2.
    EXPECT_FALSE(e.playAnimation("walk", 2, 1, false));
    EXPECT_TRUE(e.isPlayingAnimation("idle"));
    // Higher replaces; the same one again is not restarted but raised.
    EXPECT_TRUE(e.playAnimation("walk", 3, 1, false));
    e.update(0.1f);
    float t = e.getAnimationTime();
    EXPECT_FALSE(e.playAnimation("walk", 9, 2, false));
    EXPECT_EQ(e.getAnimationPriority(), 9);
    EXPECT_EQ(e.getAnimationMode(), 2);
    EXPECT_EQ(e.getAnimationTime(), t);
    // Priority 1 replaces anything.
    EXPECT_TRUE(e.playAnimation("attack", 1, 0, false));
    // Anything replaces 14.
    EXPECT_TRUE(e.playAnimation("walk", 14, 1, true));
    EXPECT_TRUE(e.playAnimation("attack", 0, 0, false));
    // Force replaces a higher one.
    EXPECT_TRUE(e.playAnimation("walk", 0, 1, true));
}

TEST_F(EntityBaseTest, HoldStopsOnLastFrameAndOtherModesReturnToIdle)
{
    RecordingEntity hold;
    loadBoxMan(hold);
    ASSERT_TRUE(hold.playAnimation("attack", 5, EntityBase::kModeHold, false));
    hold.update(1.0f);
    EXPECT_TRUE(hold.isAnimationFinished());
    EXPECT_TRUE(hold.isAnimationWrapped());
    EXPECT_EQ(hold.getAnimationTime(), 5.0f);
    EXPECT_TRUE(hold.isPlayingAnimation("attack"));
    hold.update(0.01f);
    EXPECT_FALSE(hold.isAnimationWrapped());

    RecordingEntity once;
    loadBoxMan(once);
    ASSERT_TRUE(once.playAnimation("attack", 5, 0, false));
    once.update(1.0f);
    EXPECT_TRUE(once.isPlayingAnimation("idle"));
    EXPECT_EQ(once.getAnimationPriority(), 2);
}

TEST_F(EntityBaseTest, LoopWrappingInsideOneUpdateFiresOldThenNewFrames)
{
    RecordingEntity e;
    loadBoxMan(e);
    int walk = indexOf(e, "walk");
    ASSERT_TRUE(e.playAnimation("walk", 3, 1, false));
    e.update(0.0f); // leave idle, enter walk, frame 0
    e.events.clear();
    e.update(0.3f); // 6 frames: to time 6
    ASSERT_EQ(e.events.size(), 6u);
    EXPECT_EQ(std::get<2>(e.events.front()), 1);
    EXPECT_EQ(std::get<2>(e.events.back()), 6);
    e.events.clear();
    e.update(0.15f); // 3 more: 9 wraps to 1 in an 8-frame loop
    EXPECT_TRUE(e.isAnimationWrapped());
    EXPECT_FLOAT_EQ(e.getAnimationTime(), 1.0f);
    std::vector<std::tuple<int, int, int>> expected = {{walk, 0, 7}, {walk, 0, 0}, {walk, 0, 1}};
    EXPECT_EQ(e.events, expected);
}

TEST_F(EntityBaseTest, SwitchingAnimationsFiresLeaveEnterAndNewFrames)
{
    RecordingEntity e;
    loadBoxMan(e);
    int idle = e.getAnimation();
    int attack = indexOf(e, "attack");
    ASSERT_TRUE(e.playAnimation("attack", 5, 0, false));
    e.update(0.1f); // 2 frames in
    ASSERT_GE(e.events.size(), 2u);
    EXPECT_EQ(e.events[0], std::make_tuple(idle, EntityBase::kEventLeave, -1));
    EXPECT_EQ(e.events[1], std::make_tuple(attack, EntityBase::kEventEnter, -1));
    std::vector<std::tuple<int, int, int>> frames(e.events.begin() + 2, e.events.end());
    std::vector<std::tuple<int, int, int>> expected = {{attack, 0, 0}, {attack, 0, 1}, {attack, 0, 2}};
    EXPECT_EQ(frames, expected);
}

TEST_F(EntityBaseTest, PausedAndNonAnimatingObjectsStandStill)
{
    RecordingEntity e;
    loadBoxMan(e);
    e.setAnimationPaused(true);
    float t = e.getAnimationTime();
    e.update(0.5f);
    EXPECT_EQ(e.getAnimationTime(), t);
    EXPECT_TRUE(e.events.empty());
}

TEST_F(EntityBaseTest, MovingAnimationFollowsSpeed)
{
    RecordingEntity e;
    loadBoxMan(e);
    ASSERT_TRUE(e.playAnimation("walk", 3, 1, false));
    float made = e.getAnimationRecord(e.getAnimation())->getMoveSpeed();
    ASSERT_GT(made, 0.0f);
    e.movement = made * 0.5f;
    e.update(0.1f);
    EXPECT_FLOAT_EQ(e.getAnimationTime(), 1.0f); // 20 fps at half speed
}

TEST_F(EntityBaseTest, DistancesAndMeleeReach)
{
    GridTopology grid(100.0f, 100.0f);
    RecordingEntity a;
    RecordingEntity b;
    EXPECT_EQ(a.distanceTo(nullptr, false), 1e10f);
    a.setPosition(ZonePosition(0, 90.0f, 50.0f));
    b.setPosition(ZonePosition(1, 10.0f, 50.0f)); // east neighbour
    EXPECT_FLOAT_EQ(a.distanceTo(&b, false), 20.0f);
    a.setRadius(3.0f);
    b.setRadius(4.0f);
    EXPECT_FLOAT_EQ(a.distanceTo(&b, true), 13.0f);
    // GridSize 1 without game data: reach 1.9.
    b.setPosition(ZonePosition(0, 98.5f, 50.0f));
    EXPECT_FLOAT_EQ(a.distanceTo(&b, true), 1.5f);
    EXPECT_TRUE(a.isInMeleeRange(&b));
    b.setPosition(ZonePosition(0, 99.0f, 50.0f));
    EXPECT_FALSE(a.isInMeleeRange(&b));

    a.faceEntity(&b);
    EXPECT_EQ(a.getDirection(), East);
    a.faceTowards(b.getPosition(), true);
    EXPECT_EQ(a.getDirection(), West);
    a.faceTowards(ZonePosition(0, 90.0f, 80.0f), false);
    EXPECT_EQ(a.getDirection(), North);
    a.faceEntity(&a);
    EXPECT_EQ(a.getDirection(), North);
}

TEST_F(EntityBaseTest, SecondaryPositionSnapsAndNormalises)
{
    GridTopology grid(100.0f, 100.0f);
    RecordingEntity e;
    e.setSecondaryPosition(ZonePosition(0, 104.2f, 10.0f));
    EXPECT_EQ(e.getSecondaryPosition().zone, 1);
    EXPECT_LT(e.getSecondaryPosition().x, 100.0f);
}

TEST_F(EntityBaseTest, EnumNamesFallBackWithLog)
{
    EXPECT_EQ(EntityBase::parseDirection("southwest"), SouthWest);
    EXPECT_EQ(EntityBase::parseSolidType("Gate"), 1);
    EXPECT_EQ(EntityBase::parseSolidType(""), 0);
    EXPECT_EQ(log.count(3), 0u);
    EXPECT_EQ(EntityBase::parseDirection("Up"), 0);
    EXPECT_TRUE(log.contains("Unknown Direction name Up"));
}

} // namespace

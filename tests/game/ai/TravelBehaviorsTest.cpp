// Travelling behaviours: adventures towards far goals and leaps at enemies.
#include "engine/resources/ModelAnimation.h"
#include "game/ai/BehaviorAdventure.h"
#include "game/ai/BehaviorJump.h"
#include "game/entities/ActorFixture.h"
#include "game/entities/Recruit.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "support/BehaviorTestActor.h"
#include "support/ScriptedCovenant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr int kFailed = static_cast<int>(SimpleEvent::PathFindingFailed);
constexpr int kArrived = static_cast<int>(SimpleEvent::PathFindingSuccess);

class AdventureBehaviorTest : public ActorFixture {
protected:
    AdventureBehaviorTest()
    {
        levels.addLevel(std::make_unique<Level>());
        actor = spawn(findType("GoblinWarrior"), 5, 40, 40);
        adventure = giveOnlyBehavior(actor, std::make_unique<BehaviorAdventure>());
        adventure->stepDistance = 256.0f;
        adventure->maxFailuresToChangeFinalGoal = 2;
        actor->setWander(true);
    }

    void setGoal(float dx, float dy)
    {
        const ZonePosition& p = actor->getPosition();
        adventure->finalGoal = ZonePosition(p.zone, p.x + dx, p.y + dy);
        adventure->hasFinalGoal = true;
        adventure->needNewPath = true;
    }

    World levels;
    Actor* actor = nullptr;
    BehaviorAdventure* adventure = nullptr;
};

TEST_F(AdventureBehaviorTest, RunsForWanderersAndForAHeroSentAwayAlone)
{
    EXPECT_TRUE(adventure->canStart());
    actor->setWander(false);
    EXPECT_FALSE(adventure->canStart());
    // The peddlers' class wanders of itself.
    Actor* peddler = spawn(findType("NpcVendorWandering"), 3, 50, 50);
    ASSERT_NE(peddler, nullptr);
    EXPECT_TRUE(giveOnlyBehavior(peddler, std::make_unique<BehaviorAdventure>())->canStart());

    ScriptedCovenant& covenant = addScriptedCovenant(*world.game);
    covenant.resizeRecruitSlots(2);
    actor->setCovenantIndex(covenant.index);
    const int slot = covenant.addRecruit(actor);
    ASSERT_GE(slot, 0);
    covenant.leader = actor;
    EXPECT_FALSE(adventure->canStart()); // at home
    covenant.getRecruit(slot)->away = 1;
    EXPECT_TRUE(adventure->canStart());
    covenant.raiders.insert(actor);
    EXPECT_FALSE(adventure->canStart()); // away on a raid, not an adventure
    covenant.raiders.clear();
    Sentient* other = placeTarget(3, 44, 44);
    actor->setLeader(other, 8);
    EXPECT_FALSE(adventure->canStart()); // following someone
    actor->clearLeader();
    covenant.leader = other;
    EXPECT_FALSE(adventure->canStart()); // not the covenant's leader
}

TEST_F(AdventureBehaviorTest, StepsTowardsAFarGoalAndWalksStraightToANearOne)
{
    struct Row {
        float goalDx, stepDistance;
        bool stepGoal;
    };
    // A goal nearer than one step, one further, and the owner on its goal
    // with no step length at all (no direction: no step, no NaN).
    for (const Row& row : {Row{200.0f, 256.0f, false}, Row{1000.0f, 256.0f, true}, Row{0.0f, 0.0f, false}}) {
        adventure->hasStepGoal = false;
        adventure->stepDistance = row.stepDistance;
        setGoal(row.goalDx, 0.0f);
        adventure->update(0.05f);
        EXPECT_EQ(adventure->hasStepGoal, row.stepGoal) << row.goalDx;
        const ZonePosition& walked = actor->getDestination();
        EXPECT_FALSE(std::isnan(walked.x) || std::isnan(walked.y)) << row.goalDx;
        if (row.stepGoal) {
            EXPECT_EQ(walked, adventure->stepGoal);
            // One step along the way, snapped to the path grid.
            EXPECT_NEAR(ZonePosition::distanceTo(actor->getPosition(), walked), 256.0f, 32.0f);
        } else {
            // The final goal itself (the walk snaps it to the path grid).
            EXPECT_LE(ZonePosition::distanceTo(walked, adventure->finalGoal), 16.0f * std::sqrt(2.0f))
                << row.goalDx;
        }
        EXPECT_FALSE(adventure->needNewPath);
    }
}

TEST_F(AdventureBehaviorTest, PathFailuresDropTheStepGoalThenTheFinalGoal)
{
    for (int allowed : {0, 2}) {
        adventure->maxFailuresToChangeFinalGoal = allowed;
        adventure->failures = 0;
        setGoal(1000.0f, 0.0f);
        adventure->update(0.05f);
        for (int failure = 1; failure <= allowed; ++failure) {
            ASSERT_TRUE(adventure->hasStepGoal);
            adventure->notify(kFailed, 0);
            EXPECT_FALSE(adventure->hasStepGoal);
            EXPECT_TRUE(adventure->hasFinalGoal) << allowed << " " << failure;
            adventure->update(0.05f); // a new step goal
        }
        adventure->notify(kFailed, 0);
        EXPECT_FALSE(adventure->hasFinalGoal) << allowed;
        EXPECT_EQ(adventure->failures, 0);
        EXPECT_TRUE(adventure->needNewPath);
        // The next step draws a goal of the owner's level.
        adventure->update(0.05f);
        EXPECT_TRUE(adventure->hasFinalGoal);
        EXPECT_EQ(adventure->finalGoal.zone, 0);
    }
    // Arriving at a step goal walks on; arriving at the final one ends it.
    setGoal(1000.0f, 0.0f);
    adventure->update(0.05f);
    adventure->failures = 1;
    adventure->notify(kArrived, 0);
    EXPECT_EQ(adventure->failures, 0);
    EXPECT_FALSE(adventure->hasStepGoal);
    EXPECT_TRUE(adventure->hasFinalGoal);
    adventure->stepDistance = 5000.0f;
    adventure->update(0.05f);
    adventure->notify(kArrived, 0);
    EXPECT_FALSE(adventure->hasFinalGoal);
}

TEST_F(AdventureBehaviorTest, TwentyOneStuckStepsInAllDropBothGoals)
{
    setGoal(1000.0f, 0.0f);
    const ZonePosition goal = adventure->finalGoal;
    for (int i = 0; i < 10; ++i)
        adventure->update(0.05f);
    const ZonePosition step = adventure->stepGoal;
    // A move in between does not start the count again.
    const ZonePosition at = actor->getPosition();
    actor->setPosition(ZonePosition(at.zone, at.x + 32.0f, at.y));
    adventure->update(0.05f);
    for (int i = 0; i < 11; ++i)
        adventure->update(0.05f);
    EXPECT_EQ(adventure->stuckCount, 20);
    EXPECT_EQ(adventure->finalGoal, goal);
    EXPECT_EQ(adventure->stepGoal, step);
    adventure->update(0.05f); // the 21st: both dropped, a new goal of the level drawn
    EXPECT_EQ(adventure->stuckCount, 0);
    EXPECT_FALSE(adventure->finalGoal == goal);
    EXPECT_EQ(actor->getDestination(), adventure->hasStepGoal ? adventure->stepGoal : adventure->finalGoal);
}

TEST_F(AdventureBehaviorTest, ACovenantGoalInAnotherLevelIsKeptWhileALevelGoalIsDrawnAgain)
{
    ScriptedCovenant& covenant = addScriptedCovenant(*world.game);
    actor->setCovenantIndex(covenant.index);
    covenant.townVisit = ZonePosition(2, 500.0f, 500.0f);
    adventure->stepDistance = 1024.0f;
    adventure->maxRandomOffset = 128.0f;
    adventure->update(0.05f);
    ASSERT_TRUE(adventure->hasFinalGoal && adventure->hasStepGoal);
    EXPECT_EQ(adventure->finalGoal, covenant.townVisit);
    const ZonePosition step = adventure->stepGoal;
    const ZonePosition walked = actor->getDestination();
    for (int i = 0; i < 10; ++i) {
        adventure->update(0.05f);
        EXPECT_EQ(adventure->stepGoal, step) << i;
        EXPECT_EQ(actor->getDestination(), walked) << i;
        EXPECT_FALSE(adventure->needNewPath) << i;
    }
    // Stopping lets the next start take the covenant's goal again.
    adventure->stop();
    EXPECT_FALSE(adventure->hasFinalGoal);
    EXPECT_FALSE(actor->isMoving());

    // A goal drawn on a level the owner has since left is drawn again.
    covenant.townVisit = ZonePosition(-1, 0.0f, 0.0f);
    adventure->finalGoal = ZonePosition(2, 500.0f, 500.0f);
    adventure->hasFinalGoal = true;
    adventure->finalGoalFromCovenant = false;
    adventure->update(0.05f);
    EXPECT_EQ(adventure->finalGoal.zone, 0);
}

class JumpBehaviorTest : public ActorFixture {
protected:
    JumpBehaviorTest()
    {
        spider = spawn(findType("CaveSpider"), 4, 40, 40);
        enemy = placeTarget(3, 60, 60);
        jump = giveOnlyBehavior(spider, std::make_unique<BehaviorJump>());
        jump->attemptChance = 1.0f;
    }

    // Started at an enemy that far east; true when it took off.
    bool leapAt(float dx)
    {
        placeEnemyAt(spider, enemy, dx, 0.0f);
        jump->start();
        return jump->jumping;
    }

    Actor* spider = nullptr;
    Sentient* enemy = nullptr;
    BehaviorJump* jump = nullptr;
};

TEST_F(JumpBehaviorTest, AttemptsWithinTheBandBothEndsIncludedAndEachTryCostsThePause)
{
    EXPECT_FALSE(jump->canStart()); // no enemy
    for (float d : {99.5f, 100.0f, 300.0f, 300.5f}) {
        jump->attemptTimer.running = false;
        placeEnemyAt(spider, enemy, d, 0.0f);
        EXPECT_EQ(jump->canStart(), d >= 100.0f && d <= 300.0f) << d;
    }
    placeEnemyAt(spider, enemy, 200.0f, 0.0f);
    jump->attemptTimer.running = false;
    EXPECT_TRUE(jump->canStart());
    EXPECT_FALSE(jump->canStart()); // the pause of that try runs
    jump->attemptTimer.running = false;
    jump->attemptChance = 0.0f;
    EXPECT_FALSE(jump->canStart());
    EXPECT_TRUE(jump->attemptTimer.running);
    EXPECT_FLOAT_EQ(jump->attemptTimer.remaining, 5.0f);
}

TEST_F(JumpBehaviorTest, FliesBetweenTheMarkersAndLandsOnItsSpot)
{
    const ZonePosition from = spider->getPosition();
    ASSERT_TRUE(leapAt(200.0f));
    EXPECT_TRUE(jump->isUninterruptible());
    EXPECT_EQ(jump->jumpStartFrame, 3);
    EXPECT_EQ(jump->jumpEndFrame, 9);
    ASSERT_EQ(spider->getFramesPerSecond(), 20);
    const Vec2 flight = ZonePosition::getOffset(from, jump->landingSpot);
    EXPECT_NEAR(jump->velocity.x, flight.x / 0.3f, 1e-3f);
    EXPECT_NEAR(jump->velocity.y, flight.y / 0.3f, 1e-3f);
    EXPECT_GT(flight.x, 100.0f);
    EXPECT_EQ(spider->getSecondaryPosition(), jump->landingSpot);
    bool movedEarly = false;
    for (int i = 0; i < 40 && jump->canContinue(); ++i) {
        spider->updateAnimation(0.05f);
        const bool beforeFlight = spider->getAnimationTime() < 3.0f && spider->isPlayingAnimation("jump");
        jump->update(0.05f);
        movedEarly = movedEarly || (beforeFlight && !(spider->getPosition() == from));
    }
    EXPECT_FALSE(movedEarly);
    EXPECT_FALSE(jump->canContinue());
    jump->stop();
    EXPECT_EQ(spider->getPosition(), jump->landingSpot);
}

// A spider caught mid-step by its leap flies the straight line to its
// landing spot and stays there, whichever way the step went: the walk of
// each frame (as the actor's think runs it) carries no old step on.
TEST_F(JumpBehaviorTest, ALeapTakenMidStepKeepsToItsLineAndSpot)
{
    const struct {
        const char* way;
        int tx, ty;
    } steps[] = {{"north", 40, 30}, {"south", 40, 50}, {"west", 30, 40}, {"north-west", 32, 32}};
    for (const auto& row : steps) {
        SCOPED_TRACE(row.way);
        spider->warp(nav.tileCentre(0, 40, 40));
        spider->moveAlongPathTo(nav.tileCentre(0, row.tx, row.ty));
        spider->walk(0.05f);
        ASSERT_TRUE(spider->isStepping());
        jump->setFinished(false);
        jump->attemptTimer.running = false;
        ASSERT_TRUE(leapAt(200.0f));
        const ZonePosition from = spider->getPosition();
        const Vec2 line = ZonePosition::getOffset(from, jump->landingSpot);
        const float length = vec2Length(line);
        ASSERT_GT(length, 0.0f);
        float widest = 0.0f;
        for (int i = 0; i < 40 && jump->canContinue(); ++i) {
            spider->updateAnimation(0.05f);
            jump->update(0.05f);
            spider->walk(0.05f);
            const Vec2 at = ZonePosition::getOffset(from, spider->getPosition());
            widest = std::max(widest, std::fabs(at.x * line.y - at.y * line.x) / length);
        }
        jump->stop();
        spider->walk(0.05f);
        EXPECT_LT(widest, 1.0f) << "off the line of the leap";
        EXPECT_EQ(spider->getPosition(), jump->landingSpot);
        spider->stopAnimation("jump");
    }
}

TEST_F(JumpBehaviorTest, NoFlightWithoutOrderedMarkersAClearLineOrADirection)
{
    const ZonePosition from = spider->getPosition();
    auto expectNoLeap = [&](const char* why) {
        EXPECT_FALSE(jump->jumping) << why;
        EXPECT_TRUE(jump->isFinished()) << why;
        EXPECT_FALSE(jump->canContinue()) << why;
        jump->stop();
        EXPECT_EQ(spider->getPosition(), from) << why;
        EXPECT_FALSE(spider->isPlayingAnimation("jump")) << why;
        jump->setFinished(false);
    };
    // The enemy on the spider's own spot: no direction to leap in.
    leapAt(0.0f);
    expectNoLeap("same spot");
    // A wall between them.
    for (int ty = 36; ty <= 44; ++ty)
        nav.blockWalking(0, 43, ty);
    leapAt(200.0f);
    expectNoLeap("wall");
    nav.clearBlocks();
    // Markers in reverse order (this test's own copy of the model).
    auto* animation = const_cast<ModelAnimation*>(spider->getAnimationByName("jump"));
    ASSERT_NE(animation, nullptr);
    for (AnimationEvent& event : animation->events)
        event.frame = event.name == "startMarker" ? 9 : 3;
    leapAt(200.0f);
    expectNoLeap("reversed");
    // No markers at all: a model without a jump.
    Actor* goblin = spawn(findType("GoblinWarrior"), 4, 40, 44);
    auto* goblinJump = giveOnlyBehavior(goblin, std::make_unique<BehaviorJump>());
    placeEnemyAt(goblin, enemy, 200.0f, 0.0f);
    const ZonePosition goblinAt = goblin->getPosition();
    goblinJump->start();
    EXPECT_TRUE(goblinJump->isFinished());
    EXPECT_EQ(goblin->getPosition(), goblinAt);
}

} // namespace

#include "game/ai/BehaviorApproach.h"
#include "game/ai/BehaviorRetreat.h"
#include "game/entities/ActorFixture.h"
#include "support/BehaviorTestActor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class MovementBehaviorsTest : public ActorFixture {
protected:
    MovementBehaviorsTest()
    {
        actor = spawn(findType("GoblinWarrior"), 5, 40, 40);
        enemy = placeTarget(3, 40, 40);
        actor->clearBehaviors();
    }
    void placeEnemy(float dx, float dy) { placeEnemyAt(actor, enemy, dx, dy); }

    Actor* actor = nullptr;
    Sentient* enemy = nullptr;
};

TEST_F(MovementBehaviorsTest, ApproachStartsBeyondMaxRangeAndRunsDownToOptimalRange)
{
    auto* approach = giveOnlyBehavior(actor, std::make_unique<BehaviorApproach>());
    approach->maxRange = 300.0f;
    approach->maxOptimalRange = 200.0f;
    EXPECT_FALSE(approach->canStart()); // no enemy
    placeEnemy(300.0f, 0.0f);
    EXPECT_FALSE(approach->canStart());
    placeEnemy(300.5f, 0.0f);
    EXPECT_TRUE(approach->canStart());
    approach->start();
    EXPECT_TRUE(actor->isMoving());
    EXPECT_EQ(actor->getPathGoal(), enemy);
    placeEnemy(200.0f, 0.0f);
    EXPECT_TRUE(approach->canContinue());
    placeEnemy(199.5f, 0.0f);
    EXPECT_FALSE(approach->canContinue());
    approach->stop();
    EXPECT_FALSE(actor->isMoving());
}

TEST_F(MovementBehaviorsTest, RetreatOnLowHealthIsStrictlyBelowTheLimit)
{
    auto* retreat = giveOnlyBehavior(actor, std::make_unique<BehaviorRetreat>());
    retreat->lowHealth = 0.3f;
    EXPECT_FALSE(retreat->canStart()); // no enemy
    placeEnemy(500.0f, 0.0f);
    actor->setMaxHealth(100);
    actor->setHealth(30);
    EXPECT_FALSE(retreat->canStart());
    actor->setHealth(29);
    EXPECT_TRUE(retreat->canStart());
    retreat->lowHealth = 0.0f;
    actor->setHealth(1);
    EXPECT_FALSE(retreat->canStart());
    retreat->minRange = 600.0f;
    EXPECT_TRUE(retreat->canStart());
}

TEST_F(MovementBehaviorsTest, RetreatRunsAwayEndsOnTheWalksEndAndThenPauses)
{
    auto* retreat = giveOnlyBehavior(actor, std::make_unique<BehaviorRetreat>());
    retreat->minRange = 200.0f;
    retreat->retreatDistance = 256.0f;
    retreat->retreatTimer.min = 4.0f;
    retreat->retreatTimer.max = 4.4f;
    placeEnemy(-100.0f, 0.0f);
    ASSERT_TRUE(retreat->canStart());
    for (int i = 0; i < 20; ++i) {
        ZonePosition spot = retreat->chooseRetreatSpot();
        // Away from the enemy: never behind the owner towards it.
        EXPECT_GE(spot.x, actor->getPosition().x - 20.0f) << i;
        EXPECT_LE(ZonePosition::distanceTo(spot, actor->getPosition()), 256.0f + 32.0f);
    }
    actor->thinkBehaviors(0.05f);
    ASSERT_EQ(actor->getCurrentBehavior(), retreat);
    EXPECT_TRUE(actor->isMoving());
    actor->fireSimpleEvent(toIndex(SimpleEvent::PathFindingFailed), -1);
    EXPECT_TRUE(retreat->isFinished());
    actor->thinkBehaviors(0.05f);
    EXPECT_EQ(actor->getCurrentBehavior(), nullptr);
    EXPECT_TRUE(retreat->retreatTimer.running);
    EXPECT_GE(retreat->retreatTimer.duration, 4.0f);
    EXPECT_LE(retreat->retreatTimer.duration, 4.4f);
    EXPECT_FALSE(retreat->canStart());
    for (int i = 0; i < 90; ++i) {
        retreat->getTimers().update(0.05f);
    }
    EXPECT_TRUE(retreat->canStart());
}

TEST_F(MovementBehaviorsTest, RetreatFromAnEnemyOnTheSameSpotStaysPut)
{
    auto* retreat = giveOnlyBehavior(actor, std::make_unique<BehaviorRetreat>());
    retreat->retreatDistance = 256.0f;
    placeEnemy(0.0f, 0.0f);
    ZonePosition spot = retreat->chooseRetreatSpot();
    EXPECT_TRUE(std::isfinite(spot.x) && std::isfinite(spot.y));
    EXPECT_EQ(spot, actor->getPosition());
}

TEST_F(MovementBehaviorsTest, RetreatNeverRunsFromAnEnemyThatTargetsItWhenToldSo)
{
    enemy->setPosition(nav.tileCentre(0, 60, 60));
    Actor* hunter = spawn(findType("GoblinScout"), 5, 46, 40);
    hunter->clearBehaviors();
    hunter->addTargetEntry(actor);
    hunter->updateTargets(0.0f);
    ASSERT_EQ(hunter->getTarget(), actor);
    actor->addTargetEntry(hunter);
    actor->removeTargetEntry(enemy);
    actor->updateTargets(0.0f);
    ASSERT_EQ(actor->getTarget(), hunter);

    auto* retreat = giveOnlyBehavior(actor, std::make_unique<BehaviorRetreat>());
    retreat->minRange = 500.0f;
    EXPECT_TRUE(retreat->canStart());
    retreat->dontRunWhenTargeted = true;
    EXPECT_FALSE(retreat->canStart());
    EXPECT_FALSE(retreat->canContinue());
    retreat->dontRunWhenTargeted = false;
    retreat->dontRunWhenHateEnemy = true;
    actor->updateTargetEntry(hunter, 10.0f, 5);
    EXPECT_FALSE(retreat->canStart());
}

TEST_F(MovementBehaviorsTest, RetreatArmedByALandedHit)
{
    auto* retreat = giveOnlyBehavior(actor, std::make_unique<BehaviorRetreat>());
    placeEnemy(500.0f, 0.0f);
    const EventType* hit = Sentient::getEventType(Sentient::SuccessfulHitEvent);
    ASSERT_NE(hit, nullptr);
    Event* event = world.events.newEventOfType(*hit);
    actor->passEventToBehaviors(*event);
    EXPECT_FALSE(retreat->wasHit);
    retreat->onHit = true;
    actor->passEventToBehaviors(*event);
    world.events.releaseEvent(event);
    EXPECT_TRUE(retreat->wasHit);
    EXPECT_TRUE(retreat->canStart());
    retreat->stop();
    EXPECT_FALSE(retreat->wasHit);
}

} // namespace

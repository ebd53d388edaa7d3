#include "game/ai/BehaviorIdle.h"
#include "game/ai/BehaviorReturnHome.h"
#include "game/ai/BehaviorSleep.h"
#include "game/entities/ActorFixture.h"
#include "support/BehaviorTestActor.h"

#include <gtest/gtest.h>

namespace {

class HomeBehaviorsTest : public ActorFixture {
protected:
    HomeBehaviorsTest()
    {
        actor = spawn(findType("GoblinWarrior"), 5, 40, 40);
        actor->clearBehaviors();
        actor->setChecksActivity(false);
        actor->setActiveNow(true);
        actor->setHomePosition(nav.tileCentre(0, 40, 40));
    }
    // Steps of the actor alone (behaviours, walking), not of the world.
    void run(float seconds)
    {
        for (float t = 0.0f; t < seconds - 1e-4f; t += 0.05f) {
            actor->update(0.05f);
        }
    }

    Actor* actor = nullptr;
};

TEST_F(HomeBehaviorsTest, SleepIsAlwaysReady)
{
    auto* sleep = giveOnlyBehavior(actor, std::make_unique<BehaviorSleep>());
    actor->thinkBehaviors(0.05f);
    EXPECT_EQ(actor->getCurrentBehavior(), sleep);
    EXPECT_TRUE(sleep->canContinue());
}

TEST_F(HomeBehaviorsTest, IdleNeedsAPlayerNearAndAVisibleOwner)
{
    auto* idle = giveOnlyBehavior(actor, std::make_unique<BehaviorIdle>());
    EXPECT_FLOAT_EQ(idle->idleDistance, 1000.0f);
    EXPECT_FLOAT_EQ(idle->minSoundDistance, 500.0f);
    EXPECT_FLOAT_EQ(idle->maxSoundDistance, 1000.0f);
    EXPECT_FALSE(idle->canStart());
    EXPECT_FALSE(idle->canContinue());
    // Once walking it goes on without players.
    idle->walking = true;
    EXPECT_TRUE(idle->canContinue());
    EXPECT_FALSE(idle->isUninterruptible());
    idle->dontInterruptPatrol = true;
    EXPECT_TRUE(idle->isUninterruptible());
}

TEST_F(HomeBehaviorsTest, PatrolAlternatesBetweenThePatrolPointAndHome)
{
    auto* idle = giveOnlyBehavior(actor, std::make_unique<IdleWithoutPlayers<BehaviorIdle>>());
    idle->thinkTimer.min = idle->thinkTimer.max = 0.2f;
    idle->stayStillTimer.min = idle->stayStillTimer.max = 0.5f;
    const ZonePosition home = actor->getHome();
    std::vector<bool> arrivals;
    bool wasWalking = false;
    for (int i = 0; i < 1200 && arrivals.size() < 4; ++i) {
        actor->update(0.05f);
        if (wasWalking && !idle->walking) {
            // Arriving flips the direction of the next walk.
            bool atHome = ZonePosition::isWithinSquare(actor->getPosition(), home, 1.0f);
            bool atPoint = ZonePosition::isWithinSquare(actor->getPosition(), idle->patrolPoint, 1.0f);
            EXPECT_TRUE(atHome || atPoint) << i;
            arrivals.push_back(atHome);
            EXPECT_EQ(idle->returning, !atHome);
        }
        wasWalking = idle->walking;
    }
    ASSERT_EQ(arrivals.size(), 4u);
    EXPECT_EQ(arrivals, (std::vector<bool>{false, true, false, true}));
    EXPECT_TRUE(idle->hasPatrolPoint);
    EXPECT_LE(std::fabs(idle->patrolPoint.x - home.x), 250.0f + 16.0f);
    EXPECT_LE(std::fabs(idle->patrolPoint.y - home.y), 200.0f + 16.0f);
}

TEST_F(HomeBehaviorsTest, IdleSoundChanceZeroNeverPlaysAndAnswersUseTheirChanceOnce)
{
    auto* idle = giveOnlyBehavior(actor, std::make_unique<IdleWithoutPlayers<BehaviorIdle>>());
    idle->dontMove = true;
    idle->idleSound = "goblin_call.wav";
    idle->soundTimer.min = idle->soundTimer.max = 0.1f;
    idle->idleSoundChance = 0.0f;
    idle->idleSoundAnswerChance = 1.0f;
    world.game->clearSoundEvents();
    run(2.0f);
    EXPECT_TRUE(world.game->getSoundEvents().empty());
    EXPECT_FALSE(idle->answerCall);

    // A call of the own group arms one answer; a call of another group or of
    // another kind does not.
    MonsterCopy copy(findType("GoblinWarrior"));
    copy.archetype->idleCallGroupName = "GoblinCallGroup";
    const DatabaseEntry* group = world.database.findEntry("GoblinCallGroup");
    ASSERT_NE(group, nullptr);
    Actor* caller = spawn(copy.type.get(), 5, 42, 40);
    ASSERT_NE(caller, nullptr);
    auto* listener = giveOnlyBehavior(caller, std::make_unique<IdleWithoutPlayers<BehaviorIdle>>());
    listener->dontMove = true;
    caller->thinkBehaviors(0.05f);
    const EventType* pass = Actor::getEventType(Actor::PassToBehaviorEvent);
    for (int kind : {1, 0}) {
        Event* event = world.events.newEventOfType(*pass);
        event->writeInt(kind);
        event->writeInt(group->getId() + (kind == 1 ? 0 : 1));
        deliverEvent(*event, *caller);
        world.events.releaseEvent(event);
    }
    EXPECT_FALSE(listener->answerCall);
    Event* event = world.events.newEventOfType(*pass);
    event->writeInt(0);
    event->writeInt(group->getId());
    deliverEvent(*event, *caller);
    world.events.releaseEvent(event);
    EXPECT_TRUE(listener->answerCall);
}

TEST_F(HomeBehaviorsTest, ReturnHomeWalksBackAndRemembersAFailedWay)
{
    auto* home = giveOnlyBehavior(actor, std::make_unique<BehaviorReturnHome>());
    // Before its first start the remembered home is nowhere: it starts.
    EXPECT_TRUE(home->canStart());
    actor->thinkBehaviors(0.05f);
    ASSERT_EQ(actor->getCurrentBehavior(), home);
    EXPECT_EQ(home->homeTarget, actor->getHome());
    run(0.5f);
    EXPECT_EQ(actor->getCurrentBehavior(), nullptr);
    EXPECT_FALSE(home->canStart()); // within 100 of home

    actor->setPosition(nav.tileCentre(0, 40, 44)); // 128 away
    EXPECT_TRUE(home->canStart());
    // A wall around home: the way fails; the failure point is kept.
    for (int x = 38; x <= 42; ++x) {
        for (int y = 38; y <= 42; ++y) {
            if (x == 38 || x == 42 || y == 38 || y == 42) {
                nav.blockWalking(0, x, y);
            }
        }
    }
    actor->thinkBehaviors(0.05f);
    ASSERT_EQ(actor->getCurrentBehavior(), home);
    actor->fireSimpleEvent(toIndex(SimpleEvent::PathFindingFailed), -1);
    EXPECT_TRUE(home->isFinished());
    EXPECT_EQ(home->failedAt, actor->getPosition());
    actor->setNoTargetScan(true);
    actor->thinkBehaviors(0.05f);
    EXPECT_EQ(actor->getCurrentBehavior(), nullptr);
    EXPECT_FALSE(actor->getNoTargetScan());
    EXPECT_FALSE(home->canStart());
    actor->setPosition(nav.tileCentre(0, 40, 45));
    EXPECT_TRUE(home->canStart());
}

TEST_F(HomeBehaviorsTest, GuardWhoseWayFailsIsPutNearHome)
{
    auto* home = giveOnlyBehavior(actor, std::make_unique<BehaviorReturnHome>());
    actor->setCovenantGuard(true);
    actor->setPosition(nav.tileCentre(0, 40, 50));
    actor->thinkBehaviors(0.05f);
    ASSERT_EQ(actor->getCurrentBehavior(), home);
    EXPECT_TRUE(home->mayTeleportHome());
    actor->fireSimpleEvent(toIndex(SimpleEvent::PathFindingFailed), -1);
    EXPECT_TRUE(home->teleportHome);
    EXPECT_EQ(home->failedAt.zone, -1);
    actor->thinkBehaviors(0.05f);
    EXPECT_FALSE(home->teleportHome);
    EXPECT_TRUE(ZonePosition::isWithinSquare(actor->getPosition(), actor->getHome(), 4 * 32.0f + 1.0f));
}

TEST_F(HomeBehaviorsTest, WhoMayBeTeleportedHome)
{
    auto* home = giveOnlyBehavior(actor, std::make_unique<BehaviorReturnHome>());
    EXPECT_FALSE(home->mayTeleportHome()); // a goblin
    Actor* guard = spawn(findType("TownGuardType"), 5, 60, 60);
    ASSERT_NE(guard, nullptr);
    auto* npcHome = giveOnlyBehavior(guard, std::make_unique<BehaviorReturnHome>());
    EXPECT_TRUE(guard->isNpc());
    EXPECT_NE(guard->getNpcType(), 0);
    EXPECT_TRUE(npcHome->mayTeleportHome());
}

} // namespace

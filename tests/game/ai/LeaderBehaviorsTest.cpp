#include "game/ai/BehaviorAvoidLeader.h"
#include "game/ai/BehaviorFollowLeader.h"
#include "game/ai/BehaviorTeleportToLeader.h"
#include "game/entities/ActorFixture.h"
#include "support/BehaviorTestActor.h"

#include <gtest/gtest.h>

namespace {

class LeaderBehaviorsTest : public ActorFixture {
protected:
    LeaderBehaviorsTest()
    {
        recruit = spawn(findType("RecruitWarrior"), 5, 40, 40);
        leader = placeTarget(5, 40, 40);
        recruit->clearBehaviors();
        recruit->setLeader(leader, 4);
    }
    void placeLeader(float dx, float dy)
    {
        ZonePosition p = recruit->getPosition();
        leader->setPosition(ZonePosition(p.zone, p.x + dx, p.y + dy));
    }

    Actor* recruit = nullptr;
    Sentient* leader = nullptr;
};

TEST_F(LeaderBehaviorsTest, FollowStartsBeyondMaxRangeSprintsAndStopsInsideOptimalRange)
{
    ASSERT_EQ(recruit->getLeader(), leader);
    auto* follow = giveOnlyBehavior(recruit, std::make_unique<BehaviorFollowLeader>());
    follow->maxRange = 160.0f;
    follow->maxOptimalRange = 96.0f;
    placeLeader(160.0f, 0.0f);
    EXPECT_FALSE(follow->canStart());
    placeLeader(161.0f, 0.0f);
    EXPECT_TRUE(follow->canStart());
    recruit->thinkBehaviors(0.05f);
    ASSERT_EQ(recruit->getCurrentBehavior(), follow);
    EXPECT_TRUE(recruit->isSprinting());
    EXPECT_EQ(recruit->getPathGoal(), leader);
    placeLeader(96.0f, 0.0f);
    EXPECT_TRUE(follow->canContinue());
    placeLeader(95.0f, 0.0f);
    recruit->thinkBehaviors(0.05f);
    EXPECT_EQ(recruit->getCurrentBehavior(), nullptr);
    EXPECT_FALSE(recruit->isSprinting());
    EXPECT_FALSE(recruit->isMoving());

    recruit->clearLeader();
    placeLeader(500.0f, 0.0f);
    EXPECT_FALSE(follow->canStart());
}

TEST_F(LeaderBehaviorsTest, AvoidStepsAsideAndFinishesWhenBoxedIn)
{
    auto* avoid = giveOnlyBehavior(recruit, std::make_unique<BehaviorAvoidLeader>());
    avoid->minRange = 40.0f;
    placeLeader(41.0f, 0.0f);
    EXPECT_FALSE(avoid->canStart());
    placeLeader(-20.0f, 0.0f); // west of the recruit: it steps east
    ASSERT_TRUE(avoid->canStart());
    recruit->thinkBehaviors(0.05f);
    ASSERT_EQ(recruit->getCurrentBehavior(), avoid);
    EXPECT_FALSE(avoid->isFinished());
    ZonePosition goal = recruit->getDestination();
    EXPECT_GT(goal.x, recruit->getPosition().x);
    recruit->fireSimpleEvent(toIndex(SimpleEvent::PathFindingSuccess), -1);
    EXPECT_TRUE(avoid->isFinished());
    EXPECT_FALSE(avoid->canContinue());

    // Blockers on the three cells away from the leader.
    std::vector<Sentient*> blockers;
    for (int dy = -1; dy <= 1; ++dy) {
        blockers.push_back(placeTarget(1, 41, 40 + dy));
    }
    recruit->thinkBehaviors(0.05f);
    recruit->thinkBehaviors(0.05f);
    EXPECT_TRUE(avoid->isFinished());
}

TEST_F(LeaderBehaviorsTest, TeleportToLeaderLandsNearTheLeaderOrTriesAgainLater)
{
    auto* jump = giveOnlyBehavior(recruit, std::make_unique<BehaviorTeleportToLeader>());
    jump->maxRange = 900.0f;
    jump->maxOptimalRange = 96.0f;
    placeLeader(900.0f, 0.0f);
    EXPECT_FALSE(jump->canStart());
    leader->setPosition(nav.tileCentre(0, 100, 40));
    ASSERT_TRUE(jump->canStart());
    Sentient* foe = placeTarget(3, 44, 40);
    recruit->addTargetEntry(foe);
    recruit->thinkBehaviors(0.05f);
    EXPECT_TRUE(ZonePosition::isWithinSquare(recruit->getPosition(), leader->getPosition(), 96.0f + 16.0f));
    EXPECT_TRUE(recruit->getTargets().empty());
    recruit->thinkBehaviors(0.05f);
    EXPECT_EQ(recruit->getCurrentBehavior(), nullptr);

    // Nowhere free around the leader: the recruit stays where it is.
    jump->maxOptimalRange = 0.0f;
    placeTarget(1, 100, 40);
    leader->setPosition(nav.tileCentre(0, 100, 40));
    recruit->setPosition(nav.tileCentre(0, 10, 10));
    ZonePosition before = recruit->getPosition();
    jump->start();
    EXPECT_EQ(recruit->getPosition(), before);
}

} // namespace

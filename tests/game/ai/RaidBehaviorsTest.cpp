#include "game/ai/BehaviorFollowLeader.h"
#include "game/ai/BehaviorTeleportRaid.h"
#include "game/ai/BehaviorTeleportToLeader.h"
#include "game/ai/LeaderRules.h"
#include "game/entities/ActorFixture.h"
#include "support/BehaviorTestActor.h"
#include "support/ScriptedCovenant.h"

#include <gtest/gtest.h>

namespace {

// A recruit of the raiders' covenant at (40, 40) of zone 0 and the house of
// the covenant they raid at (100, 40), 1,920 units east.
class RaidBehaviorsTest : public ActorFixture {
protected:
    RaidBehaviorsTest()
    {
        world.game->resizeForWorld(2);
        nav.openZone(1);
        raiderIndex = raiders.index;
        raidedIndex = raided.index;
        stone = raided.placeLifestone(nav.tileCentre(0, 100, 40));
        nearLifestone = raided.getPositionNearLifestone();
        recruit = spawn(findType("RecruitWarrior"), 5, 40, 40);
        recruit->setCovenantIndex(raiderIndex);
    }

    // Raiding, the recruit on the raid with teleports allowed.
    void startRaid()
    {
        raiders.raid(raidedIndex);
        raiders.raiders.insert(recruit);
    }

    // At that offset from the raided house.
    void placeNearHouse(Entity* entity, float dx, float dy)
    {
        const ZonePosition& house = raided.housePosition;
        entity->setPosition(ZonePosition(house.zone, house.x + dx, house.y + dy));
    }

    ScriptedCovenant& raiders = addScriptedCovenant(*world.game);
    ScriptedCovenant& raided = addScriptedCovenant(*world.game);
    Entity* stone = nullptr;
    ZonePosition nearLifestone;
    int raiderIndex = -1;
    int raidedIndex = -1;
    Actor* recruit = nullptr;
};

TEST_F(RaidBehaviorsTest, ACovenantRaidsOnlyWithATargetInTheRaidRelation)
{
    EXPECT_FALSE(raiders.isRaiding());
    raiders.raidTarget = raidedIndex; // chosen, not yet declared
    EXPECT_FALSE(raiders.isRaiding());
    raiders.setRelationState(raidedIndex, static_cast<int>(CovenantTreaty::War));
    EXPECT_FALSE(raiders.isRaiding());
    raiders.setRelationState(raidedIndex, static_cast<int>(CovenantTreaty::Raid));
    EXPECT_TRUE(raiders.isRaiding());
    // An index the relation table cannot hold never raids.
    raiders.raidTarget = CovenantBase::kMaxCovenants;
    EXPECT_FALSE(raiders.isRaiding());
}

// ---- Leader raid gate and the near-raid test

class RaidLeaderTest : public RaidBehaviorsTest {
protected:
    RaidLeaderTest()
    {
        leader = placeTarget(5, 40, 40);
        leader->setCovenantIndex(raiderIndex);
        recruit->setLeader(leader, 4);
    }
    void placeBoth(int zone, float dx)
    {
        recruit->setPosition(nav.tileCentre(zone, 40, 40));
        ZonePosition p = recruit->getPosition();
        leader->setPosition(ZonePosition(zone, p.x + dx, p.y));
    }

    Sentient* leader = nullptr;
};

TEST_F(RaidLeaderTest, FollowersOfARaidingCovenantFollowOnlyALeaderInZoneZero)
{
    auto* follow = giveOnlyBehavior(recruit, std::make_unique<BehaviorFollowLeader>());
    follow->maxRange = 160.0f;
    follow->maxOptimalRange = 96.0f;

    // No raid target: the gate is open in any zone.
    placeBoth(1, 300.0f);
    EXPECT_TRUE(follow->canStart());

    // A chosen raid target closes it outside zone 0, declared or not.
    raiders.raidTarget = raidedIndex;
    EXPECT_FALSE(follow->canStart());
    startRaid();
    EXPECT_FALSE(follow->canStart());
    recruit->thinkBehaviors(0.05f);
    EXPECT_EQ(recruit->getCurrentBehavior(), nullptr);

    // With the leader in zone 0 it follows, and stops once the leader leaves.
    placeBoth(0, 300.0f);
    ASSERT_TRUE(follow->canStart());
    recruit->thinkBehaviors(0.05f);
    ASSERT_EQ(recruit->getCurrentBehavior(), follow);
    leader->setPosition(nav.tileCentre(1, 40, 40));
    EXPECT_FALSE(follow->canContinue());
    recruit->thinkBehaviors(0.05f);
    EXPECT_EQ(recruit->getCurrentBehavior(), nullptr);
    EXPECT_FALSE(recruit->isSprinting());

    // A recruit of no covenant passes the gate whatever its leader's covenant does.
    recruit->setCovenantIndex(-1);
    placeBoth(1, 300.0f);
    EXPECT_TRUE(follow->canStart());
}

TEST_F(RaidLeaderTest, NearRaidTestNeedsTheRaidItsPartInItAndLessThan750ToTheHouse)
{
    raiders.raiders.insert(leader);
    placeNearHouse(leader, 749.0f, 0.0f);
    EXPECT_FALSE(isNearRaidTarget(leader)) << "not raiding";
    startRaid();
    EXPECT_TRUE(isNearRaidTarget(leader));
    placeNearHouse(leader, 0.0f, -750.0f);
    EXPECT_FALSE(isNearRaidTarget(leader)) << "exactly 750 is not near";
    placeNearHouse(leader, -300.0f, 400.0f);
    EXPECT_TRUE(isNearRaidTarget(leader));

    raiders.raiders.erase(leader);
    EXPECT_FALSE(isNearRaidTarget(leader)) << "not on the raid";
    raiders.raiders.insert(leader);

    // The raided covenant has gone from the game's list.
    raiders.raid(5);
    EXPECT_FALSE(isNearRaidTarget(leader));
    raiders.raid(raidedIndex);

    // Without a house nobody is near it.
    raided.housePosition = ZonePosition();
    EXPECT_FALSE(isNearRaidTarget(leader));
    EXPECT_FALSE(isNearRaidTarget(nullptr));
}

TEST_F(RaidLeaderTest, AtTheRaidARecruitTeleportsOnlyToALeaderAtTheRaidToo)
{
    auto* jump = giveOnlyBehavior(recruit, std::make_unique<BehaviorTeleportToLeader>());
    jump->maxRange = 300.0f;
    jump->maxOptimalRange = 64.0f;
    startRaid();
    placeNearHouse(recruit, -400.0f, 0.0f);

    // The leader went home: the recruit at the raid stays.
    leader->setPosition(nav.tileCentre(0, 10, 40));
    EXPECT_FALSE(jump->canStart());

    // The leader at the raid but not taking part in it counts as away.
    placeNearHouse(leader, 400.0f, 0.0f);
    EXPECT_FALSE(jump->canStart());

    // Both at the raid, 800 apart: the recruit jumps beside the leader.
    raiders.raiders.insert(leader);
    ASSERT_TRUE(jump->canStart());
    recruit->thinkBehaviors(0.05f);
    EXPECT_TRUE(ZonePosition::isWithinSquare(recruit->getPosition(), leader->getPosition(), 64.0f + 16.0f));

    // A recruit exactly 750 from the house is not at the raid: it jumps to a
    // leader anywhere.
    placeNearHouse(recruit, -750.0f, 0.0f);
    leader->setPosition(nav.tileCentre(0, 10, 40));
    EXPECT_TRUE(jump->canStart());
    placeNearHouse(recruit, -749.0f, 0.0f);
    EXPECT_FALSE(jump->canStart());
}

TEST_F(RaidBehaviorsTest, AShippedRecruitJumpsToTheRaidAndToItsLeaderOnlyOnceTheRaidIsOver)
{
    Actor* member = spawn(findType("RecruitWarrior"), 5, 10, 40);
    Sentient* leader = placeTarget(5, 40, 40);
    ASSERT_TRUE(member && leader);
    member->setChecksActivity(false);
    member->setActiveNow(true);
    member->setCovenantIndex(raiderIndex);
    leader->setCovenantIndex(raiderIndex);
    member->setLeader(leader, 4);
    placeNearHouse(leader, 300.0f, 0.0f);
    raiders.raid(raidedIndex);
    raiders.raiders = {member, leader};
    raiders.raidersAlive = 2;

    // Far from the raid: to the life stone, ahead of jumping to the leader.
    member->update(0.05f);
    EXPECT_EQ(member->getPosition(), nearLifestone);

    // The leader leaves the raid: the member at the raid walks after it
    // rather than jumping.
    leader->warp(nav.tileCentre(0, 10, 40));
    member->update(0.05f);
    ASSERT_NE(member->getCurrentBehavior(), nullptr);
    EXPECT_EQ(member->getCurrentBehavior()->getType(), static_cast<int>(ActorBehavior::FollowLeader));
    EXPECT_GT(ZonePosition::distanceTo(member->getPosition(), leader->getPosition()), 2000.0f);

    // The raid is over: it jumps to the leader.
    raiders.raidTarget = -1;
    raiders.setRelationState(raidedIndex, static_cast<int>(CovenantTreaty::Peace));
    member->update(0.05f);
    EXPECT_LT(ZonePosition::distanceTo(member->getPosition(), leader->getPosition()), 200.0f);
}

// ---- TeleportRaid

class TeleportRaidTest : public RaidBehaviorsTest {
protected:
    TeleportRaidTest()
    {
        jump = giveOnlyBehavior(recruit, std::make_unique<BehaviorTeleportRaid>());
        jump->maxRange = 1500.0f;
        jump->maxRangeWithEnemy = 400.0f;
        startRaid();
        raiders.raidersAlive = 2;
    }

    BehaviorTeleportRaid* jump = nullptr;
};

TEST_F(TeleportRaidTest, ARaiderFarFromTheRaidJumpsToTheLifeStoneOnceAndForgetsItsTargets)
{
    Sentient* foe = placeTarget(3, 10, 10);
    recruit->addTargetEntry(foe);
    ASSERT_FALSE(recruit->getTargets().empty());
    ASSERT_TRUE(jump->canStart());
    recruit->thinkBehaviors(0.05f);
    EXPECT_EQ(recruit->getCurrentBehavior(), jump);
    EXPECT_EQ(recruit->getPosition(), nearLifestone);
    EXPECT_TRUE(recruit->getTargets().empty());
    // Now at the raid: it does not start again, and the selector stops it.
    recruit->thinkBehaviors(0.05f);
    EXPECT_EQ(recruit->getCurrentBehavior(), nullptr);
    EXPECT_EQ(recruit->getPosition(), nearLifestone);
}

TEST_F(TeleportRaidTest, OnlyARaiderOfARaidingCovenantThatAllowsTheJump)
{
    ASSERT_TRUE(jump->canStart());

    raiders.raidTeleports = false;
    EXPECT_FALSE(jump->canStart()) << "teleports not allowed";
    raiders.raidTeleports = true;

    raiders.raiders.erase(recruit);
    EXPECT_FALSE(jump->canStart()) << "not on the raid";
    raiders.raiders.insert(recruit);

    raiders.setRelationState(raidedIndex, static_cast<int>(CovenantTreaty::War));
    EXPECT_FALSE(jump->canStart()) << "the raid is not declared";
    raiders.raid(raidedIndex);

    raiders.raid(7);
    EXPECT_FALSE(jump->canStart()) << "no covenant at the target index";
    raiders.raid(raidedIndex);

    recruit->setCovenantIndex(-1);
    EXPECT_FALSE(jump->canStart()) << "no covenant";
    recruit->setCovenantIndex(raiderIndex);
    EXPECT_TRUE(jump->canStart());
}

TEST_F(TeleportRaidTest, AsManyDeadAsLivingRaidersStillJumpOneDeadMoreDoesNot)
{
    raiders.raidersAlive = 2;
    raiders.raidersDead = 2;
    EXPECT_TRUE(jump->canStart());
    raiders.raidersDead = 3;
    EXPECT_FALSE(jump->canStart());
    raiders.raidersAlive = 0;
    raiders.raidersDead = 0;
    EXPECT_TRUE(jump->canStart()) << "an empty party is not a lost one";
    raiders.raidersDead = 1;
    EXPECT_FALSE(jump->canStart());
}

TEST_F(TeleportRaidTest, RangeToTheHouseIsAtLeastMaxRangeAndAnEnemyAtLeastMaxRangeWithEnemy)
{
    placeNearHouse(recruit, -1500.0f, 0.0f);
    EXPECT_TRUE(jump->canStart()) << "exactly MaxRange";
    placeNearHouse(recruit, -1499.0f, 0.0f);
    EXPECT_FALSE(jump->canStart());
    placeNearHouse(recruit, -1600.0f, 0.0f);

    Sentient* foe = placeTarget(3, 10, 10);
    placeEnemyAt(recruit, foe, 0.0f, 400.0f);
    EXPECT_TRUE(jump->canStart()) << "an enemy exactly MaxRangeWithEnemy away";
    placeEnemyAt(recruit, foe, 0.0f, 399.0f);
    EXPECT_FALSE(jump->canStart());
    recruit->thinkBehaviors(0.05f);
    EXPECT_EQ(recruit->getCurrentBehavior(), nullptr);
    EXPECT_EQ(recruit->getTarget(), foe);

    // In another zone the house is out of reach, so always far enough.
    recruit->clearTargetList();
    recruit->setPosition(nav.tileCentre(1, 100, 40));
    EXPECT_TRUE(jump->canStart());
}

TEST_F(TeleportRaidTest, ARaidedCovenantWithoutALifeStoneIsNotJumpedTo)
{
    world.game->deleteEntity(stone, true);
    EXPECT_FALSE(jump->canStart());
    ZonePosition before = recruit->getPosition();
    jump->start();
    EXPECT_EQ(recruit->getPosition(), before);
}

TEST_F(TeleportRaidTest, RecruitsCarryItFirstWithTheDefaultParameters)
{
    Actor* other = spawn(findType("RecruitRogue"), 5, 44, 40);
    ASSERT_NE(other, nullptr);
    const auto& list = other->getBehaviorList();
    ASSERT_FALSE(list.empty());
    auto* shipped = dynamic_cast<BehaviorTeleportRaid*>(list.front().get());
    ASSERT_NE(shipped, nullptr);
    EXPECT_EQ(shipped->getOwner(), other);
    EXPECT_EQ(shipped->maxRange, 1500.0f);
    EXPECT_EQ(shipped->maxRangeWithEnemy, 400.0f);
    // Beyond the near-raid distance: a raider at the raid is never sent back.
    EXPECT_GT(shipped->maxRange, kNearRaidDistance);

    // The whole stack: a raider far off is at the life stone after a step.
    other->setCovenantIndex(raiderIndex);
    raiders.raiders.insert(other);
    other->thinkBehaviors(0.05f);
    EXPECT_EQ(other->getPosition(), nearLifestone);
}

} // namespace

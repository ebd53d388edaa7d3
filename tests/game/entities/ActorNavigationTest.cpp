// Walking over the flat test field, once with its breadth-first double and
// once with the real path finder on the same tiles.
#include "ActorFixture.h"

#include <cmath>

namespace {

template <class Navigation> class ActorNavigationTest : public ActorFixture {
protected:
    ActorNavigationTest() : m_scoped(*world.game, field) { field.openZone(0); }

    Navigation field;

private:
    ScopedNavigation m_scoped;
};

using Navigations = ::testing::Types<FlatNavigation, FlatFieldPathFinder>;
TYPED_TEST_SUITE(ActorNavigationTest, Navigations);

TYPED_TEST(ActorNavigationTest, WalksRoundABlockedRowAndEndsOnTheGoalTile)
{
    Actor* actor = this->spawn(this->findType("GoblinWarrior"), 5, 20, 10);
    ASSERT_NE(actor, nullptr);
    actor->setChecksActivity(false);
    actor->clearBehaviors(); // the walk alone
    for (int x = 15; x <= 25; ++x)
        this->field.blockWalking(0, x, 15);
    const ZonePosition goal = this->field.tileCentre(0, 20, 20);
    actor->moveAlongPathTo(goal);
    bool onBlocked = false;
    for (int i = 0; i < 400 && actor->isMoving(); ++i) {
        this->world.game->update(0.05f);
        if (actor->isStepping() == false && this->field.isBlockedForMovement(actor->getPosition()))
            onBlocked = true;
    }
    EXPECT_FALSE(actor->isMoving());
    EXPECT_FALSE(onBlocked);
    EXPECT_EQ(actor->getPosition(), goal);
    EXPECT_EQ(actor->getHome(), this->field.tileCentre(0, 20, 10));
}

TYPED_TEST(ActorNavigationTest, WalksBeyondTwentyFiveTilesFailAndStopTheWalk)
{
    Actor* actor = this->spawn(this->findType("GoblinWarrior"), 5, 20, 10);
    ASSERT_NE(actor, nullptr);
    actor->setChecksActivity(false);
    actor->clearBehaviors(); // the walk alone
    actor->moveAlongPathTo(this->field.tileCentre(0, 20, 36));
    this->step(1.0f);
    EXPECT_FALSE(actor->isMoving());
    EXPECT_EQ(actor->getPosition(), this->field.tileCentre(0, 20, 10));
    // Twenty-five tiles is still inside the window.
    actor->moveAlongPathTo(this->field.tileCentre(0, 20, 35));
    this->step(12.0f);
    EXPECT_EQ(actor->getPosition(), this->field.tileCentre(0, 20, 35));
}

TYPED_TEST(ActorNavigationTest, ActorsStandingInTheWayAreWalkedRound)
{
    Actor* walker = this->spawn(this->findType("GoblinWarrior"), 5, 20, 10);
    ASSERT_NE(walker, nullptr);
    walker->setChecksActivity(false);
    walker->clearBehaviors(); // the walk alone
    // A wall with one gap, and another monster standing in the gap.
    for (int x = -10; x <= 50; ++x)
        if (x != 20)
            this->field.blockWalking(0, x, 13);
    Actor* blocker = this->spawn(this->findType("GoblinWarrior"), 5, 20, 13);
    ASSERT_NE(blocker, nullptr);
    GridPath path;
    EXPECT_FALSE(this->world.game->findPath(walker, walker->getPosition(), this->field.tileCentre(0, 20, 16),
                                            nullptr, path));
    blocker->setSolid(false);
    EXPECT_TRUE(this->world.game->findPath(walker, walker->getPosition(), this->field.tileCentre(0, 20, 16),
                                           nullptr, path));
    // With a goal entity the walk ends near it, not on it.
    blocker->setSolid(true);
    blocker->setPosition(this->field.tileCentre(0, 20, 16));
    walker->followEntity(blocker);
    this->step(4.0f);
    EXPECT_FALSE(walker->isMoving());
    float d = ZonePosition::distanceTo(walker->getPosition(), blocker->getPosition());
    EXPECT_LT(d, 1.5f * 32.0f + walker->getRadius() + blocker->getRadius());
    EXPECT_GT(d, 0.0f);
}

// A monster placed off its tile's centre: a diagonal first step past a wall
// beside it, and a spot on a tile's edge that rounds half a tile either way.
TYPED_TEST(ActorNavigationTest, AWalkFromOffATilesCentreKeepsOutOfWallsAndEndsOnTheGoalTile)
{
    Actor* actor = this->spawn(this->findType("GoblinWarrior"), 5, 20, 10);
    ASSERT_NE(actor, nullptr);
    actor->setChecksActivity(false);
    actor->clearBehaviors(); // the walk alone
    auto walkTo = [&](const ZonePosition& goal) {
        actor->moveAlongPathTo(goal);
        bool inWall = false;
        for (int i = 0; i < 400 && actor->isMoving(); ++i) {
            this->world.game->update(0.05f);
            inWall = inWall || this->field.isBlockedForMovement(actor->getPosition());
        }
        EXPECT_FALSE(actor->isMoving());
        return !inWall;
    };

    // Near the corner of its tile that the wall tile (21, 10) touches; the
    // way to (25, 15) starts with the diagonal step to (21, 11).
    this->field.blockWalking(0, 21, 10);
    const ZonePosition centre = this->field.tileCentre(0, 20, 10);
    actor->setPosition(ZonePosition(0, centre.x + 14.0f, centre.y - 14.0f));
    EXPECT_TRUE(walkTo(this->field.tileCentre(0, 25, 15))) << "the first leg cut through the wall tile";
    EXPECT_EQ(actor->getPosition(), this->field.tileCentre(0, 25, 15));

    // On the left edge of tile (20, 10): four tiles to the right is (24, 10),
    // not the tile half a tile further that the spot itself would round to.
    actor->setPosition(ZonePosition(0, centre.x - 16.0f, centre.y));
    EXPECT_TRUE(walkTo(this->field.tileCentre(0, 24, 10)));
    EXPECT_EQ(actor->getPosition(), this->field.tileCentre(0, 24, 10));
}

} // namespace

namespace {

TYPED_TEST(ActorNavigationTest, AMeleeMonsterOfTheDataFollowsRoundAWallIntoStrikingReach)
{
    Actor* skeleton = this->spawn(this->findType("SkeletonWarrior"), 5, 20, 10);
    Sentient* target = this->placeTarget(5, 20, 18);
    ASSERT_TRUE(skeleton && target);
    skeleton->setChecksActivity(false);
    for (int x = 16; x <= 24; ++x)
        this->field.blockWalking(0, x, 14);
    bool inReach = false;
    for (int i = 0; i < 300 && !inReach; ++i) {
        this->world.game->update(0.05f);
        float d = ZonePosition::distanceTo(skeleton->getPosition(), target->getPosition());
        inReach = d < 96.0f && skeleton->isInMeleeRange(target);
    }
    EXPECT_TRUE(inReach);
    EXPECT_EQ(skeleton->getTarget(), target);
}

} // namespace

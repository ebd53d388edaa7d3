#include "engine/core/Direction.h"
#include "engine/object/ClassRecord.h"
#include "engine/object/Event.h"
#include "game/entities/Chest.h"
#include "game/entities/Entity.h"
#include "game/entities/EntityServices.h"
#include "game/entities/ItemGround.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Game.h"
#include "support/GridTopology.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Nine 4,096-unit levels in a 3 x 3 block over the shipped data.
class GameQueriesTest : public ::testing::Test {
protected:
    void SetUp() override { game().resizeForWorld(9); }

    Game& game() { return *world.game; }

    Entity* add(const ZonePosition& position, float radius = 10.0f)
    {
        auto* e = new Entity();
        e->setRadius(radius);
        e->setPosition(position);
        if (game().addEntity(e) < 0) {
            delete e;
            return nullptr;
        }
        return e;
    }

    std::vector<int> itemsOf(int zone) const
    {
        std::vector<int> all;
        world.game->getLevelIndex(zone)->getRoot().collectAll(all);
        std::sort(all.begin(), all.end());
        return all;
    }

    std::vector<Entity*> inRange(const ZonePosition& centre, const Entity* self, float radius, uint32_t mask)
    {
        std::vector<Entity*> out;
        game().getEntitiesInRange(false, centre, self, radius, mask, out);
        return out;
    }

    TestWorld world;
    GridTopology topology{4096.0f, 4096.0f};
};

TEST_F(GameQueriesTest, AddMoveBetweenLevelsAndRemoveKeepOneItem)
{
    Entity* e = add(ZonePosition(4, 100.0f, 100.0f));
    int n = e->getEntityNumber();
    EXPECT_EQ(itemsOf(4), std::vector<int>{n});
    e->setPosition(ZonePosition(4, 3000.0f, 200.0f));
    e->setPosition(ZonePosition(5, 50.0f, 50.0f));
    EXPECT_TRUE(itemsOf(4).empty());
    EXPECT_EQ(itemsOf(5), std::vector<int>{n});
    // Nowhere, and a zone without a record: not indexed.
    e->setPosition(ZonePosition(-1, 0.0f, 0.0f));
    EXPECT_TRUE(itemsOf(5).empty());
    e->setPosition(ZonePosition(20, 10.0f, 10.0f));
    e->setPosition(ZonePosition(1, 10.0f, 10.0f));
    EXPECT_EQ(itemsOf(1), std::vector<int>{n});
    game().deleteEntity(e, true);
    EXPECT_TRUE(itemsOf(1).empty());
}

TEST_F(GameQueriesTest, StalePointsNeitherDuplicateNorOutliveAReusedNumber)
{
    Entity* e = add(ZonePosition(4, 100.0f, 100.0f));
    int n = e->getEntityNumber();
    // Changed behind the index's back, then moved properly.
    e->EntityBase::setPosition(ZonePosition(4, 3500.0f, 3500.0f));
    e->setPosition(ZonePosition(4, 2000.0f, 900.0f));
    EXPECT_EQ(itemsOf(4), std::vector<int>{n});
    game().deleteEntity(e, true);
    Entity* reused = add(ZonePosition(4, 3000.0f, 3000.0f));
    ASSERT_EQ(reused->getEntityNumber(), n);
    std::vector<Entity*> near;
    game().queryEntitiesInRadius(ZonePosition(4, 100.0f, 100.0f), 50.0f, false, near);
    game().queryEntitiesInRadius(ZonePosition(4, 3500.0f, 3500.0f), 50.0f, false, near);
    game().queryEntitiesInRadius(ZonePosition(4, 2000.0f, 900.0f), 50.0f, false, near);
    EXPECT_TRUE(near.empty());
    EXPECT_EQ(itemsOf(4), std::vector<int>{n});
}

TEST_F(GameQueriesTest, PlacedBeforeItIsAddedLeavesNoStrayItem)
{
    auto* e = new Entity();
    e->setPosition(ZonePosition(4, 600.0f, 600.0f));
    EXPECT_TRUE(itemsOf(4).empty());
    int n = game().addEntity(e);
    ASSERT_GE(n, 0);
    EXPECT_EQ(itemsOf(4), std::vector<int>{n});
    // An entity outside the table never enters the index.
    Entity loose;
    loose.setPosition(ZonePosition(4, 610.0f, 600.0f));
    EXPECT_EQ(itemsOf(4), std::vector<int>{n});
}

TEST_F(GameQueriesTest, QueriesReachIntoNeighbourLevels)
{
    Entity* east = add(ZonePosition(5, 20.0f, 2000.0f));
    Entity* northEast = add(ZonePosition(8, 30.0f, 30.0f), 40.0f);
    add(ZonePosition(5, 400.0f, 2000.0f));
    std::vector<Entity*> out;
    game().queryEntitiesInRadius(ZonePosition(4, 4080.0f, 2000.0f), 40.0f, false, out);
    EXPECT_EQ(out, std::vector<Entity*>{east});
    out.clear();
    // Its own radius brings the far corner's entity in: 4096 - 4070 + 30 = 56 off on both axes.
    ZonePosition corner(4, 4070.0f, 4070.0f);
    game().queryEntitiesInRadius(corner, 50.0f, false, out);
    EXPECT_TRUE(out.empty());
    game().queryEntitiesInRadius(corner, 50.0f, true, out);
    EXPECT_EQ(out, std::vector<Entity*>{northEast});
}

TEST_F(GameQueriesTest, RelationMaskExcludesThenAccepts)
{
    using namespace EntityQueryMask;
    ZonePosition centre(4, 1000.0f, 1000.0f);
    Entity* self = add(centre);
    Entity* living = add(ZonePosition(4, 1010.0f, 1000.0f));
    living->setMaxHealth(10);
    living->setHealth(10);
    Entity* body = add(ZonePosition(4, 1020.0f, 1000.0f));
    body->setMaxHealth(10);
    body->setHealth(0);
    // Covenant 3 does not exist: the body belongs to none.
    Entity* strayBody = add(ZonePosition(4, 1030.0f, 1000.0f));
    strayBody->setMaxHealth(10);
    strayBody->setHealth(-4);
    strayBody->setCovenantIndex(3);
    Entity* prop = add(ZonePosition(4, 1040.0f, 1000.0f)); // no health at all

    EXPECT_EQ(inRange(centre, self, 100.0f, kFreeDeadBodies), (std::vector<Entity*>{body, strayBody}));
    EXPECT_EQ(inRange(centre, self, 100.0f, kAnyButSelf).size(), 4u);
    EXPECT_EQ(inRange(centre, self, 100.0f, kLivingButSelf), std::vector<Entity*>{living});
    EXPECT_EQ(inRange(centre, nullptr, 100.0f, kAny).size(), 5u);
    // Plain objects are neither friendly nor hostile; without a self the
    // relation bits answer false.
    EXPECT_TRUE(inRange(centre, self, 100.0f, kFriendly | kHostile).empty());
    EXPECT_EQ(inRange(centre, nullptr, 100.0f, kAny | kNotFriendly).size(), 5u);
    (void)prop;

    EXPECT_EQ(game().findNearestEntityInRange(self, 100.0f), body);
    EXPECT_EQ(game().findNearestEntityInRange(self, 15.0f), nullptr);
}

TEST_F(GameQueriesTest, PlaceIsFreeUnlessASolidOfTheMaskedTypeIsNear)
{
    Entity* mover = add(ZonePosition(4, 100.0f, 100.0f), 10.0f);
    EXPECT_FALSE(game().isPlaceFree(ZonePosition(-1, 500.0f, 500.0f), mover));
    EXPECT_FALSE(game().isPlaceFree(ZonePosition(4, 500.0f, 500.0f), nullptr));
    Entity* gate = add(ZonePosition(4, 500.0f, 500.0f), 10.0f);
    gate->setSolidType(1);
    EXPECT_TRUE(game().isPlaceFree(ZonePosition(4, 515.0f, 500.0f), mover)); // mask 0 is 1: Normal only
    EXPECT_FALSE(game().isPlaceFree(ZonePosition(4, 515.0f, 500.0f), mover, 3));
    // Both radii count once: touching blocks (10 + 10), a gap does not.
    EXPECT_FALSE(game().isPlaceFree(ZonePosition(4, 520.0f, 500.0f), mover, 3));
    EXPECT_TRUE(game().isPlaceFree(ZonePosition(4, 521.0f, 500.0f), mover, 3));
    EXPECT_TRUE(game().isPlaceFree(ZonePosition(4, 529.0f, 500.0f), mover, 3));
    gate->setSolid(false);
    EXPECT_TRUE(game().isPlaceFree(ZonePosition(4, 515.0f, 500.0f), mover, 3));
    gate->setSolid(true);
    mover->setFlags(EntityBase::kFlagNoCollision);
    EXPECT_TRUE(game().isPlaceFree(ZonePosition(4, 515.0f, 500.0f), mover, 3));
    // Never free in nowhere, even without collision.
    EXPECT_FALSE(game().isPlaceFree(ZonePosition(-1, 515.0f, 500.0f), mover, 3));
    // The mover itself does not block.
    mover->setFlags(0);
    EXPECT_TRUE(game().isPlaceFree(mover->getPosition(), mover));
}

TEST_F(GameQueriesTest, RingZeroTestsTheCentreAndRingOneItsEightNeighbours)
{
    Vec2 step = directionToVector2Scaled(East);
    ASSERT_GT(step.x, 0.0f);
    float cell = step.x;
    Entity* mover = add(ZonePosition(4, 100.0f, 100.0f), 1.0f);
    ZonePosition centre(4, 2000.0f, 2000.0f);
    ZonePosition out;
    EXPECT_TRUE(game().findFreeSpotOnRing(centre, 0, out, mover));
    EXPECT_EQ(out, centre);
    add(centre, 1.0f);
    EXPECT_FALSE(game().findFreeSpotOnRing(centre, 0, out, mover));

    // Block seven of the eight neighbours: the last one is found.
    std::vector<Entity*> ring;
    for (int i = -1; i <= 1; ++i) {
        for (int j = -1; j <= 1; ++j) {
            if (i != 0 || j != 0) {
                ring.push_back(add(ZonePosition(4, 2000.0f + j * cell, 2000.0f + i * cell), 1.0f));
            }
        }
    }
    Entity* last = ring.back();
    ZonePosition lastCell = last->getPosition();
    game().deleteEntity(last, true);
    EXPECT_TRUE(game().findFreeSpotOnRing(centre, 1, out, mover));
    EXPECT_EQ(out, lastCell);
    add(lastCell, 1.0f);
    EXPECT_FALSE(game().findFreeSpotOnRing(centre, 1, out, mover));
    EXPECT_FALSE(game().findFreeSpotNear(centre, 1, out, mover, false));
    EXPECT_TRUE(game().findFreeSpotNear(centre, 2, out, mover, false));
    EXPECT_NEAR(ZonePosition::distanceTo(out, centre), 2.0f * cell, 2.0f * cell * 0.5f);
    ZonePosition fallback;
    EXPECT_TRUE(game().findFreeSpotNear(centre, 1, fallback, mover, true));
    EXPECT_EQ(fallback, centre);
}

TEST_F(GameQueriesTest, RingsStayInTheCentresZoneUnlessAllowed)
{
    Entity* mover = add(ZonePosition(4, 100.0f, 100.0f), 1.0f);
    ZonePosition edge(4, 4095.0f, 2000.0f);
    add(edge, 1.0f);
    ZonePosition out;
    ASSERT_TRUE(game().findFreeSpotOnRing(edge, 1, out, mover));
    EXPECT_EQ(out.zone, 4);
    ASSERT_TRUE(game().findFreeSpotOnRing(ZonePosition(0, 5.0f, 5.0f), 1, out, mover, false, true));
    EXPECT_GE(out.zone, 0);
}

TEST_F(GameQueriesTest, ItemSpotsAvoidGroundItemsAndChests)
{
    ZonePosition here(4, 800.0f, 800.0f);
    EXPECT_FALSE(game().isItemSpotFree(ZonePosition(-1, 800.0f, 800.0f)));
    add(ZonePosition(4, 800.0f, 900.0f), 20.0f);
    EXPECT_TRUE(game().isItemSpotFree(ZonePosition(4, 800.0f, 900.0f))); // not an item
    auto* ground = new ItemGround();
    ground->setPosition(here);
    ASSERT_GE(game().addEntity(ground), 0);
    EXPECT_FALSE(game().isItemSpotFree(here));
    EXPECT_FALSE(game().isItemSpotFree(ZonePosition(4, 800.04f, 800.0f)));
    EXPECT_TRUE(game().isItemSpotFree(ZonePosition(4, 800.1f, 800.0f)));
    ZonePosition out;
    EXPECT_FALSE(game().findFreeSpotOnRing(here, 0, out, nullptr, true));
    EXPECT_TRUE(game().findFreeSpotOnRing(here, 1, out, nullptr, true));
    // Through the installed services: a drop without an entity looks for item spots.
    EXPECT_TRUE(EntityServices::findFreeSpotOnRing(here, 1, out, nullptr, true));
    EXPECT_TRUE(EntityServices::findFreeSpotNear(here, 2, out, nullptr));
    EXPECT_NE(out, here);
    std::vector<Entity*> found;
    EntityServices::entitiesInRange(nullptr, here, 1.0f, EntityQueryMask::kAny, found);
    EXPECT_EQ(found, std::vector<Entity*>{ground});

    // Nothing drops into a chest.
    auto* chest = new Chest();
    chest->setPosition(ZonePosition(4, 1200.0f, 1200.0f));
    ASSERT_GE(game().addEntity(chest), 0);
    EXPECT_FALSE(game().isItemSpotFree(ZonePosition(4, 1200.04f, 1200.0f)));
    EXPECT_TRUE(game().isItemSpotFree(ZonePosition(4, 1200.06f, 1200.0f)));
}

TEST_F(GameQueriesTest, WarpAvoidsSolidsAndTeleportNearFindsASpot)
{
    Entity* blocker = add(ZonePosition(4, 1000.0f, 1000.0f), 5.0f);
    Entity* e = add(ZonePosition(4, 100.0f, 100.0f), 5.0f);
    e->warp(blocker->getPosition());
    EXPECT_NE(e->getPosition(), blocker->getPosition());
    EXPECT_EQ(e->getSecondaryPosition(), snapToGrid(e->getPosition()));
    EXPECT_TRUE(game().isPlaceFree(e->getPosition(), e, 3));
    EXPECT_LT(ZonePosition::distanceTo(e->getPosition(), blocker->getPosition()), 200.0f);

    Entity* other = add(ZonePosition(4, 300.0f, 300.0f), 5.0f);
    Entity::teleportNear(other, blocker->getPosition());
    EXPECT_TRUE(game().isPlaceFree(other->getPosition(), other, 3));
    EXPECT_LT(ZonePosition::distanceTo(other->getPosition(), blocker->getPosition()), 200.0f);
    EXPECT_EQ(itemsOf(4).size(), 3u);
}

} // namespace

namespace {

// An entity that records what it hears.
class Hearer : public Entity {
public:
    explicit Hearer(ClassRecord* record) { setClassRecord(record); }
    std::vector<Entity*> heard;
};

class GameFanOutTest : public GameQueriesTest {
protected:
    void SetUp() override
    {
        GameQueriesTest::SetUp();
        world.classes.registerClass(
            "Hearer", "Entity", [](ClassRecord&) {},
            [this](ClassRecord& r) {
                heardSound = world.events.createEvent("HeardSound");
                r.addEventHandler(heardSound->id, [](Listener& l, Event& e) {
                    static_cast<Hearer&>(l).heard.push_back(e.readObjectAs<Entity>());
                });
            });
        world.classes.bindAllHandlers();
        record = world.classes.findClass("Hearer");
    }

    Hearer* addHearer(const ZonePosition& position, int health)
    {
        auto* e = new Hearer(record);
        e->setMaxHealth(10);
        e->setHealth(health);
        e->setPosition(position);
        if (game().addEntity(e) < 0) {
            delete e;
            return nullptr;
        }
        return e;
    }

    const EventType* heardSound = nullptr;
    ClassRecord* record = nullptr;
};

TEST_F(GameFanOutTest, HeardSoundReachesLiveEntitiesButTheSourceAndReturnsToThePool)
{
    ZonePosition centre(4, 4000.0f, 1000.0f);
    Hearer* source = addHearer(centre, 10);
    Hearer* near = addHearer(ZonePosition(4, 4050.0f, 1000.0f), 10);
    Hearer* acrossTheBorder = addHearer(ZonePosition(5, 50.0f, 1000.0f), 10);
    Hearer* dead = addHearer(ZonePosition(4, 4010.0f, 1000.0f), 0);
    Hearer* far = addHearer(ZonePosition(4, 3000.0f, 1000.0f), 10);
    Entity* object = add(ZonePosition(4, 10.0f, 10.0f));
    size_t freeBefore = world.events.getFreeCount();
    game().emitHeardSound(source, object, 200.0f);
    EXPECT_TRUE(source->heard.empty());
    EXPECT_EQ(near->heard, std::vector<Entity*>{object});
    EXPECT_EQ(acrossTheBorder->heard, std::vector<Entity*>{object});
    EXPECT_TRUE(dead->heard.empty());
    EXPECT_TRUE(far->heard.empty());
    // The instance went back to the pool.
    EXPECT_EQ(world.events.getFreeCount(), freeBefore == 0 ? 1u : freeBefore);
}

TEST_F(GameFanOutTest, KeptInstanceStaysValidAfterAFanOut)
{
    Hearer* source = addHearer(ZonePosition(4, 500.0f, 500.0f), 10);
    Hearer* near = addHearer(ZonePosition(4, 520.0f, 500.0f), 10);
    Event* event = world.events.newEventOfType(*heardSound);
    event->writeObject(source);
    event->setKeep(true);
    game().sendEventToEntitiesInRange(source, event, 100.0f, EntityQueryMask::kLivingButSelf);
    game().sendEventToEntitiesInRange(source, event, 100.0f, EntityQueryMask::kLivingButSelf);
    EXPECT_EQ(near->heard, (std::vector<Entity*>{source, source}));
    EXPECT_TRUE(event->isInUse());
    event->setKeep(false);
    world.events.releaseEvent(event);
}

} // namespace

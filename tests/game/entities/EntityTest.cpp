#include "game/entities/Entity.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "support/GridTopology.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kBoxMan = "BoxMan/boxman.mdl";

class EntityTest : public ::testing::Test {
protected:
    Entity* make(const char* model = kBoxMan, Entity* parent = nullptr, const char* tag = "")
    {
        return Entity::createEntity(nullptr, model, parent, tag, 1.0f);
    }

    TestWorld world;
};

// A user that records status effects given and taken.
class User : public Entity {
public:
    void addStatusEffect(const DatabaseEntry* entry, Entity* source, int level) override
    {
        added.push_back(entry);
        levels.push_back(level);
    }
    void removeStatusEffect(const DatabaseEntry* entry) override { removed.push_back(entry); }
    std::vector<const DatabaseEntry*> added;
    std::vector<int> levels;
    std::vector<const DatabaseEntry*> removed;
};

TEST_F(EntityTest, HealCapsAtMaximumAndQueuesTheLine)
{
    Entity* e = make();
    e->setMaxHealth(100);
    e->setHealth(90);
    EXPECT_EQ(e->heal(50), 10);
    EXPECT_EQ(e->getHealth(), 100);
    ASSERT_EQ(world.server->getQueuedCommands().size(), 1u);
    EXPECT_EQ(world.server->getQueuedCommands()[0], "dmg " + std::to_string(e->getEntityNumber()) + " +10");
    // Nothing healed, nothing said; no text when asked not to.
    EXPECT_EQ(e->heal(5), 0);
    e->setHealth(50);
    EXPECT_EQ(e->heal(5, nullptr, false), 5);
    EXPECT_EQ(world.server->getQueuedCommands().size(), 1u);
    // The dead are not healed.
    e->setHealth(0);
    EXPECT_EQ(e->heal(50), 0);
    EXPECT_EQ(e->getHealth(), 0);
}

TEST_F(EntityTest, TakeDamageFlooredAtZeroWithCannotDieAndInvulnerable)
{
    Entity* e = make();
    e->setMaxHealth(100);
    e->setHealth(30);
    e->takeDamage(50);
    EXPECT_EQ(e->getHealth(), 0);
    e->takeDamage(5); // dead: untouched
    EXPECT_EQ(e->getHealth(), 0);

    e->setHealth(30);
    e->setFlags(EntityBase::kFlagCannotDie);
    unsigned beeps = DebugSystem::get().getBeepCount();
    e->takeDamage(50);
    EXPECT_EQ(e->getHealth(), 100);
    EXPECT_EQ(DebugSystem::get().getBeepCount(), beeps + 1);

    e->setFlags(EntityBase::kFlagInvulnerable);
    e->takeDamage(50);
    EXPECT_EQ(e->getHealth(), 100);
    EXPECT_FLOAT_EQ(e->getHealthFraction(), 1.0f);
}

TEST_F(EntityTest, FadeTakesTwentyStepsAndEndsAtExactlyZero)
{
    Entity* e = make();
    Entity::fadeTo(e, 0.0f, 1.0f);
    int steps = 0;
    while (e->getFade() > 0.0f && steps < 100) {
        world.game->updateEvents(0.05f);
        ++steps;
    }
    EXPECT_EQ(steps, 20);
    EXPECT_EQ(e->getFade(), 0.0f);
    EXPECT_EQ(world.game->getPendingEventCount(), 0u);
    // Zero seconds sets at once.
    Entity::fadeTo(e, 0.6f, 0.0f);
    EXPECT_EQ(e->getFade(), 0.6f);
}

TEST_F(EntityTest, SecondFadeCancelsTheFirst)
{
    Entity* e = make();
    Entity::fadeTo(e, 0.0f, 1.0f);
    world.game->updateEvents(0.05f);
    float afterOne = e->getFade();
    EXPECT_FLOAT_EQ(afterOne, 0.95f);
    Entity::fadeTo(e, 1.0f, 0.1f);
    for (int i = 0; i < 10; ++i) {
        world.game->updateEvents(0.05f);
    }
    EXPECT_EQ(e->getFade(), 1.0f);
    EXPECT_EQ(world.game->getPendingEventCount(), 0u);
}

TEST_F(EntityTest, FadeOutAndDeleteRemovesTheEntity)
{
    Entity* e = make();
    int number = e->getEntityNumber();
    Entity::fadeOutAndDelete(e, 0.2f);
    for (int i = 0; i < 6; ++i) {
        world.game->updateEvents(0.05f);
    }
    EXPECT_EQ(world.game->getEntity(number), nullptr);
}

TEST_F(EntityTest, DeletingAParentDestroysItsChild)
{
    Entity* parent = make();
    Entity* child = make(kBoxMan, parent, "head");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->getParentEntity(), parent->getEntityNumber());
    EXPECT_EQ(child->getParentAttachPoint(), parent->findAttachPoint("head"));
    EXPECT_GE(child->getParentAttachPoint(), 0);
    EXPECT_EQ(parent->getChildren().size(), 1u);
    EXPECT_EQ(child->getParent(), parent);
    int childNumber = child->getEntityNumber();
    world.game->deleteEntity(parent, false);
    world.game->updateEvents(0.05f);
    EXPECT_EQ(world.game->getEntity(childNumber), nullptr);
    EXPECT_EQ(world.game->getEntityCount(), 0);
}

TEST_F(EntityTest, DeletingAChildDetachesItFromItsParent)
{
    Entity* parent = make();
    Entity* child = make(kBoxMan, parent, "head");
    world.game->deleteEntity(child, true);
    EXPECT_TRUE(parent->getChildren().empty());
}

TEST_F(EntityTest, RemoveAttachedEntityByModelAndTag)
{
    Entity* parent = make();
    Entity* child = make(kBoxMan, parent, "head");
    int childNumber = child->getEntityNumber();
    EXPECT_FALSE(parent->removeAttachedEntity("Models/Other/other.mdl", "head"));
    EXPECT_FALSE(parent->removeAttachedEntity("Models/BoxMan/boxman.mdl", "no_such_tag"));
    EXPECT_TRUE(parent->removeAttachedEntity("Models/BoxMan/boxman.mdl", "head"));
    EXPECT_TRUE(parent->getChildren().empty());
    world.game->updateEvents(0.05f);
    EXPECT_EQ(world.game->getEntity(childNumber), nullptr);
}

TEST_F(EntityTest, AttachedEffectIsTemporaryAndGoesAway)
{
    Entity* parent = make();
    Entity* effect = Entity::spawnAttachedEffect(kBoxMan, parent, "head", 0.1f);
    ASSERT_NE(effect, nullptr);
    EXPECT_TRUE(effect->hasFlag(EntityBase::kFlagTemporaryEffect));
    int number = effect->getEntityNumber();
    world.game->updateEvents(0.05f);
    world.game->updateEvents(0.05f);
    world.game->updateEvents(0.05f);
    EXPECT_EQ(world.game->getEntity(number), nullptr);
}

TEST_F(EntityTest, PlainEntityWritesOneHundredFiftyTwoBytes)
{
    Entity* e = make();
    e->setPosition(ZonePosition(2, 10.0f, 20.0f));
    ByteBuffer out;
    e->writeUpdate(out);
    ASSERT_EQ(out.size(), 152u);
    EXPECT_EQ(out.readInt(), e->getEntityNumber());
    EXPECT_EQ(out.readUInt(), 0xFFFFFFFFu);
    out.setReadPos(4 * 12 + 24); // past the light offset
    uint32_t model = out.readUInt();
    EXPECT_EQ(static_cast<int>(model), e->getModelHandle().getIndex());
    ASSERT_LT(model, world.server->getResourceNames().size());
    EXPECT_EQ(world.server->getResourceNames()[model], "Models/BoxMan/boxman.mdl");
    out.setReadPos(148);
    EXPECT_EQ(out.readUInt(), 0u); // no effects
}

TEST_F(EntityTest, PrintInfoShowsHealthAndAnimation)
{
    Entity* e = make();
    e->setMaxHealth(40);
    e->setHealth(25);
    ASSERT_NE(e->getModel(), nullptr);
    e->update(0.05f);
    e->printInfo();
    EXPECT_TRUE(world.log.contains("Health 25/40"));
    EXPECT_TRUE(world.log.contains("Anim name: idle"));
}

TEST_F(EntityTest, PlaySoundRegistersTheNameAndRecordsTheEvent)
{
    Entity* e = make();
    e->setPosition(ZonePosition(0, 5.0f, 6.0f));
    e->playSound("Sounds/hit.wav", 400.0f);
    ASSERT_EQ(world.game->getSoundEvents().size(), 1u);
    const SoundEvent& s = world.game->getSoundEvents()[0];
    EXPECT_EQ(s.entityNumber, e->getEntityNumber());
    EXPECT_EQ(s.radius, 400.0f);
    EXPECT_EQ(s.parameter, 0.0f);
    ASSERT_GE(s.nameIndex, 0);
    EXPECT_EQ(world.server->getResourceNames()[s.nameIndex], "Sounds/hit.wav");
}

TEST_F(EntityTest, VisibilitySquareAcrossZones)
{
    GridTopology grid(4096.0f, 4096.0f);
    Entity viewer;
    Entity other;
    viewer.setPosition(ZonePosition(4, 100.0f, 2000.0f));
    other.setPosition(ZonePosition(4, 700.0f, 2000.0f));
    EXPECT_FALSE(isEntityRelevantToViewer(&other, &viewer));
    other.setPosition(ZonePosition(4, 699.9f, 2000.0f));
    EXPECT_TRUE(isEntityRelevantToViewer(&other, &viewer));
    // Across the border to the west neighbour (zone 3).
    other.setPosition(ZonePosition(3, 4096.0f - 500.0f, 2000.0f));
    EXPECT_FALSE(isEntityRelevantToViewer(&other, &viewer));
    other.setPosition(ZonePosition(3, 4096.0f - 499.9f, 2000.0f));
    EXPECT_TRUE(isEntityRelevantToViewer(&other, &viewer));
    other.setPosition(ZonePosition(4, 100.0f, 2600.0f));
    EXPECT_FALSE(isEntityRelevantToViewer(&other, &viewer));
    // Always relevant wherever it stands; nothing without a viewer.
    other.setAlwaysRelevant(true);
    EXPECT_TRUE(isEntityRelevantToViewer(&other, &viewer));
    EXPECT_FALSE(isEntityRelevantToViewer(&other, nullptr));
}

TEST_F(EntityTest, ChildIsRelevantThroughItsParent)
{
    GridTopology grid(4096.0f, 4096.0f);
    Entity* parent = make();
    Entity* child = make(kBoxMan, parent, "head");
    Entity viewer;
    viewer.setPosition(ZonePosition(4, 100.0f, 100.0f));
    parent->setPosition(ZonePosition(4, 3000.0f, 3000.0f));
    child->setPosition(ZonePosition(4, 3000.0f, 3000.0f));
    EXPECT_FALSE(isEntityRelevantToViewer(child, &viewer));
    parent->setAlwaysRelevant(true);
    EXPECT_TRUE(isEntityRelevantToViewer(child, &viewer));
}

} // namespace

namespace {

TEST_F(EntityTest, ShippedObjectsReadEveryKey)
{
    Entity* dummy = world.game->spawnEntity("TrainingDummy", ZonePosition(0, 100.0f, 200.0f), 0.0f);
    ASSERT_NE(dummy, nullptr);
    EXPECT_EQ(dummy->getModelName(), "Models/BoxMan/boxman.mdl");
    EXPECT_EQ(dummy->getRadius(), 14.0f);
    EXPECT_EQ(dummy->getDirection(), South);
    EXPECT_EQ(dummy->getSolidType(), 0);
    EXPECT_EQ(dummy->getPosition(), ZonePosition(0, 100.0f, 200.0f));
    ASSERT_EQ(dummy->getChildren().size(), 1u);
    EXPECT_EQ(dummy->getChildren()[0]->getModelName(), "Models/Effects/halo.mdl");

    Entity* lantern = world.game->spawnEntity("TownLantern", ZonePosition(0, 10.0f, 20.0f), 0.5f);
    ASSERT_NE(lantern, nullptr);
    EXPECT_EQ(lantern->getScale(), 0.5f);
    EXPECT_EQ(lantern->getSolidType(), 1);
    EXPECT_EQ(lantern->getDirection(), East);
    EXPECT_FLOAT_EQ(lantern->getLightColor().y, 0.8f);
    EXPECT_FLOAT_EQ(lantern->getLightFalloff(), 0.02f);
    ASSERT_NE(lantern->getUseStatusEffect(), nullptr);
    EXPECT_EQ(lantern->getUseStatusEffect()->getName(), "StatusEffectBasicRegen");

    User user;
    lantern->beginUse(&user);
    lantern->endUse(&user);
    lantern->beginUse(nullptr);
    ASSERT_EQ(user.added.size(), 1u);
    EXPECT_EQ(user.added[0], lantern->getUseStatusEffect());
    EXPECT_EQ(user.levels[0], 1);
    ASSERT_EQ(user.removed.size(), 1u);

    ByteBuffer out;
    lantern->writeUpdate(out);
    out.readInt();
    EXPECT_EQ(out.readUInt(), static_cast<uint32_t>(lantern->getEntry()->getId()));

    // The lifetime ends it.
    int number = lantern->getEntityNumber();
    for (int i = 0; i < 11; ++i) {
        world.game->updateEvents(0.05f);
    }
    EXPECT_EQ(world.game->getEntity(number), nullptr);
    EXPECT_EQ(world.game->spawnEntity("NoSuchObject", ZonePosition(0, 1, 1), 0.0f), nullptr);
}

TEST_F(EntityTest, ScaleZeroOrMissingKeepsTheConstructorScale)
{
    Entity* plain = Entity::createEntity(world.database.findEntry("ObjectBase"), "", nullptr, "", 2.0f);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->getScale(), 2.0f);
    EXPECT_EQ(plain->getRadius(), 16.0f);
}

} // namespace

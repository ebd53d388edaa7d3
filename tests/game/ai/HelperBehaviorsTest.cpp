// The behaviours that serve without fighting: spawning, praying and healing
// at the life stone.
#include "engine/core/Direction.h"
#include "game/ai/BehaviorLifestoneRegen.h"
#include "game/ai/BehaviorPray.h"
#include "game/ai/BehaviorSpawner.h"
#include "game/covenants/ActorCovenantFixture.h"
#include "support/BehaviorTestActor.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class HelperBehaviorsTest : public ActorCovenantFixture {
protected:
    HelperBehaviorsTest()
    {
        actor = spawn(findType("GoblinWarrior"), 5, 40, 40);
        enemy = placeTarget(3, 60, 60);
    }

    Actor* actor = nullptr;
    Sentient* enemy = nullptr;
};

TEST_F(HelperBehaviorsTest, SpawnerNeedsAnEnemyStrictlyInRangeAndAFreeCell)
{
    auto* spawner = giveOnlyBehavior(actor, std::make_unique<BehaviorSpawner>());
    spawner->maxRange = 320.0f;
    spawner->spawnType = findType("CaveSpider");
    spawner->spawnTimer.min = 12.0f;
    spawner->spawnTimer.max = 13.2f;
    placeEnemyAt(actor, enemy, 320.0f, 0.0f);
    EXPECT_FALSE(spawner->canStart());
    placeEnemyAt(actor, enemy, 319.0f, 0.0f);
    ASSERT_TRUE(spawner->canStart());
    const int before = world.game->getEntityCount();
    spawner->start();
    EXPECT_EQ(world.game->getEntityCount(), before + 1);
    EXPECT_TRUE(spawner->spawnTimer.running);
    EXPECT_FALSE(spawner->canStart()) << "it pauses";

    // Walled in on all eight cells: nothing, and the pause starts again.
    const ZonePosition at = actor->getPosition();
    for (int d = 0; d < kDirectionCount; ++d) {
        const Vec2 step = directionToVector2Scaled(d);
        placeTarget(3, 0, 0)->setPosition(ZonePosition(at.zone, at.x + step.x, at.y + step.y));
    }
    spawner->spawnTimer.running = false;
    const int walled = world.game->getEntityCount();
    spawner->start();
    EXPECT_EQ(world.game->getEntityCount(), walled);
    EXPECT_TRUE(spawner->spawnTimer.running);
}

TEST_F(HelperBehaviorsTest, PrayNeedsThePrayerSkillAndPowerToWin)
{
    auto* pray = giveOnlyBehavior(actor, std::make_unique<BehaviorPray>());
    pray->prayTimer.start(0.0f);
    actor->setStat(toIndex(CharacterStat::Power), 0);
    EXPECT_FALSE(pray->canStart()) << "a goblin knows no prayer";

    Actor* cultist = spawn(findType("CultInitiate"), 5, 50, 40);
    ASSERT_NE(cultist, nullptr);
    ASSERT_NE(cultist->getMonsterType(), nullptr);
    auto* prays = giveOnlyBehavior(cultist, std::make_unique<BehaviorPray>());
    prays->prayTimer.start(0.0f);
    cultist->setStat(toIndex(CharacterStat::Power), cultist->getStat(toIndex(CharacterStat::MaxPower)));
    EXPECT_FALSE(prays->canStart()) << "full power";
    cultist->setStat(toIndex(CharacterStat::Power), 0);
    EXPECT_TRUE(prays->canStart());
    prays->prayTimer.start(5.0f);
    EXPECT_FALSE(prays->canStart()) << "between prayers";
}

TEST_F(HelperBehaviorsTest, LifestoneRegenStartsWithinItsDistanceAndUsesTheStoneOnce)
{
    ActorCovenant& c = setUpCovenant("Ironbound", 5);
    auto* member = static_cast<Actor*>(c.getLeader());
    ASSERT_NE(member, nullptr);
    Entity* stone = c.getLifestone();
    ASSERT_NE(stone, nullptr);
    auto* regen = giveOnlyBehavior(member, std::make_unique<BehaviorLifestoneRegen>());
    regen->maxDistance = 640.0f;
    const ZonePosition s = stone->getPosition();
    member->setPosition(ZonePosition(s.zone, s.x + 640.0f, s.y));
    member->setHealth(1);
    EXPECT_TRUE(regen->canStart());
    member->setPosition(ZonePosition(s.zone, s.x + 641.0f, s.y));
    EXPECT_FALSE(regen->canStart());
    // A follower keeps with its leader, however near the stone.
    member->setPosition(ZonePosition(s.zone, s.x + 200.0f, s.y));
    member->setLeader(actor, 4);
    ASSERT_EQ(member->getLeader(), actor);
    EXPECT_FALSE(regen->canStart());
    member->clearLeader();
    EXPECT_TRUE(regen->canStart());

    member->setPosition(ZonePosition(s.zone, s.x + 96.0f, s.y));
    regen->update(0.05f);
    EXPECT_FALSE(regen->regenerating) << "96 is not nearer than 96";
    member->setPosition(ZonePosition(s.zone, s.x + 95.0f, s.y));
    regen->update(0.05f);
    EXPECT_TRUE(regen->regenerating);
    EXPECT_TRUE(regen->canContinue());
    // Taken out of the stone's reach mid-rest, it stops.
    member->setPosition(ZonePosition(s.zone, s.x + 641.0f, s.y));
    EXPECT_FALSE(regen->canContinue());
    regen->stop();
    EXPECT_FALSE(regen->regenerating);

    // Whole, with full power: nothing to heal.
    member->setHealth(member->getMaxHealth());
    member->setStat(toIndex(CharacterStat::Power), member->getStat(toIndex(CharacterStat::MaxPower)));
    EXPECT_FALSE(regen->canStart());
}

} // namespace

#include "game/ai/BehaviorMelee.h"
#include "game/ai/BehaviorRanged.h"
#include "game/ai/BehaviorSuicide.h"
#include "game/ai/BehaviorTeleport.h"
#include "game/ai/BehaviorUseSkill.h"
#include "game/entities/ActorFixture.h"
#include "game/skills/SkillList.h"
#include "support/BehaviorTestActor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

class CombatBehaviorsTest : public ActorFixture {
protected:
    CombatBehaviorsTest()
    {
        actor = spawn(findType("GoblinWarrior"), 5, 40, 40);
        enemy = placeTarget(3, 60, 60);
        actor->clearBehaviors();
    }
    void placeEnemy(float dx, float dy) { placeEnemyAt(actor, enemy, dx, dy); }
    // One think step of a single behaviour: its timers, then its update.
    template <class B> void tick(B* behavior, float dt = 0.05f)
    {
        behavior->getTimers().update(dt);
        behavior->update(dt);
    }
    void advanceClockTo(double seconds)
    {
        GameTime t;
        t.addSeconds(seconds);
        world.game->setClock(t);
    }

    Actor* actor = nullptr;
    Sentient* enemy = nullptr;
};

TEST_F(CombatBehaviorsTest, MeleeStrikesBelowNinetySixOnly)
{
    auto* melee = giveOnlyBehavior(actor, std::make_unique<BehaviorMelee>());
    EXPECT_FALSE(melee->canStart());
    placeEnemy(96.0f, 0.0f);
    EXPECT_TRUE(melee->canStart());
    melee->start();
    tick(melee);
    EXPECT_FALSE(melee->attackTimer.running);
    EXPECT_EQ(actor->getPathGoal(), enemy);

    placeEnemy(95.9f, 0.0f);
    tick(melee);
    EXPECT_TRUE(melee->attackTimer.running);
    EXPECT_GT(melee->attackTimer.remaining, 0.0f);

    // A hidden owner does not start a fight.
    actor->setFlags(actor->getFlags() | Actor::kFlagHidden);
    EXPECT_FALSE(melee->canStart());
}

TEST_F(CombatBehaviorsTest, UnarmedMonsterWithFactorOneStrikesOnceASecond)
{
    MonsterCopy copy(findType("GoblinWarrior"));
    copy.archetype->attackTime = 1.0f;
    copy.archetype->attackTimeSpread = 0.0f;
    copy.archetype->startingItems.clear();
    Actor* fighter = spawn(copy.type.get(), 5, 20, 20);
    ASSERT_NE(fighter, nullptr);
    fighter->dropAllEquipment();
    ASSERT_EQ(
        fighter->getItem(toIndex(InventoryGroupIndex::Equipment), toIndex(EquipedLocation::HandPrimary)),
        nullptr);
    fighter->setStat(toIndex(CharacterStat::AttackSpeed), 1500);
    auto* melee = giveOnlyBehavior(fighter, std::make_unique<BehaviorMelee>());
    ZonePosition p = fighter->getPosition();
    enemy->setPosition(ZonePosition(p.zone, p.x + 40.0f, p.y));
    enemy->setMaxHealth(1000000);
    enemy->setHealth(1000000);
    fighter->addTargetEntry(enemy);
    fighter->updateTargets(0.0f);
    ASSERT_EQ(fighter->getTarget(), enemy);
    melee->start();
    int strikes = 0;
    for (int i = 0; i < 100; ++i) { // five seconds
        float before = melee->attackTimer.remaining;
        tick(melee);
        if (melee->attackTimer.running && melee->attackTimer.remaining > before) {
            ++strikes;
            EXPECT_FLOAT_EQ(melee->attackTimer.duration, 1.0f);
        }
    }
    EXPECT_EQ(strikes, 5);
}

TEST_F(CombatBehaviorsTest, ChaseEndsTwoSecondsAfterTheLastFleeEvenAcrossAMinute)
{
    auto* melee = giveOnlyBehavior(actor, std::make_unique<BehaviorMelee>());
    melee->chaseTime = 1000.0f;
    placeEnemy(300.0f, 0.0f);
    melee->start();
    // Steps of 0.05 s counted whole, so the clock reads exact times.
    int k = 1160; // 0:00:58
    advanceClockTo(k * 0.05);
    tick(melee);
    // The enemy flees (moves away from the actor) until 0:00:59.5.
    while (k < 1190) {
        ZonePosition q = enemy->getPosition();
        enemy->setPosition(ZonePosition(q.zone, q.x + 10.0f, q.y));
        advanceClockTo(++k * 0.05);
        tick(melee);
        EXPECT_TRUE(melee->chasing);
    }
    // Standing still: the chase goes on until 0:01:01.5, then ends without
    // giving up.
    while (k < 1229) {
        advanceClockTo(++k * 0.05);
        tick(melee);
        ASSERT_TRUE(melee->chasing) << k;
    }
    advanceClockTo(++k * 0.05);
    tick(melee);
    EXPECT_FALSE(melee->chasing);
    EXPECT_FALSE(melee->gaveUp);
}

TEST_F(CombatBehaviorsTest, ChasingTooLongGivesUpAndDropsTheTargets)
{
    auto* melee = giveOnlyBehavior(actor, std::make_unique<BehaviorMelee>());
    melee->chaseTime = 0.0f;
    melee->sprintChance = 1.0f;
    placeEnemy(300.0f, 0.0f);
    actor->thinkBehaviors(0.05f);
    ASSERT_EQ(actor->getCurrentBehavior(), melee);
    ZonePosition q = enemy->getPosition();
    enemy->setPosition(ZonePosition(q.zone, q.x + 10.0f, q.y));
    actor->thinkBehaviors(0.05f);
    EXPECT_TRUE(melee->chasing);
    EXPECT_TRUE(actor->isSprinting());
    EXPECT_TRUE(melee->gaveUp);
    EXPECT_FALSE(melee->canContinue());
    actor->thinkBehaviors(0.05f);
    EXPECT_EQ(actor->getCurrentBehavior(), nullptr);
    EXPECT_TRUE(actor->getTargets().empty());
    EXPECT_TRUE(actor->getNoTargetScan());
    EXPECT_FALSE(actor->isSprinting());
}

TEST_F(CombatBehaviorsTest, MeleePrintsItsEnemyAndState)
{
    auto* melee = giveOnlyBehavior(actor, std::make_unique<BehaviorMelee>());
    placeEnemy(50.0f, 0.0f);
    actor->thinkBehaviors(0.05f);
    world.log.clear();
    melee->printInfo();
    EXPECT_TRUE(world.log.contains("Current behavior: Melee"));
    EXPECT_TRUE(world.log.contains("  Current enemy: " + std::to_string(enemy->getEntityNumber())));
}

TEST_F(CombatBehaviorsTest, RangedShootsInsideItsBandEdgesIncluded)
{
    auto* ranged = giveOnlyBehavior(actor, std::make_unique<BehaviorRanged>());
    ranged->minFireRange = 100.0f;
    ranged->maxFireRange = 450.0f;
    ranged->projName = "ProjCultBolt";
    ranged->projAttackSpeed = 2.0f;
    ranged->projDamage = 4;
    placeEnemy(99.0f, 0.0f);
    EXPECT_FALSE(ranged->canStart());
    for (float d : {100.0f, 450.0f}) {
        placeEnemy(0.0f, d);
        ASSERT_TRUE(ranged->canStart()) << d;
        ranged->shotTimer.running = false;
        int before = world.game->getEntityCount();
        tick(ranged);
        EXPECT_EQ(world.game->getEntityCount(), before + 1) << d;
        EXPECT_TRUE(ranged->shotTimer.running);
        EXPECT_FLOAT_EQ(ranged->shotTimer.remaining, 2.0f);
        EXPECT_EQ(actor->getDirection(), toIndex(Direction::North)) << d;
        // No second shot while the timer runs.
        tick(ranged);
        EXPECT_EQ(world.game->getEntityCount(), before + 1);
    }
    placeEnemy(451.0f, 0.0f);
    EXPECT_FALSE(ranged->canContinue());
}

TEST_F(CombatBehaviorsTest, SuicideStartsOnlyNearerThanItsRangeAndKillsTheOwner)
{
    auto* suicide = giveOnlyBehavior(actor, std::make_unique<BehaviorSuicide>());
    suicide->maxSuicideRange = 60.0f;
    placeEnemy(60.0f, 0.0f);
    EXPECT_FALSE(suicide->canStart());
    placeEnemy(59.0f, 0.0f);
    EXPECT_TRUE(suicide->canStart());
    actor->thinkBehaviors(0.05f);
    EXPECT_TRUE(suicide->isFinished());
    EXPECT_TRUE(actor->isDead());
}

TEST_F(CombatBehaviorsTest, TeleportBlinksAwayAndWaitsOutItsPause)
{
    auto* teleport = giveOnlyBehavior(actor, std::make_unique<BehaviorTeleport>());
    teleport->minRange = 80.0f;
    teleport->teleportTimer.min = 5.0f;
    teleport->teleportTimer.max = 5.5f;
    placeEnemy(80.0f, 0.0f);
    EXPECT_FALSE(teleport->canStart());
    placeEnemy(-50.0f, 0.0f);
    ASSERT_TRUE(teleport->canStart());
    ZonePosition before = actor->getPosition();
    actor->thinkBehaviors(0.05f);
    ZonePosition after = actor->getPosition();
    EXPECT_NEAR(after.x - before.x, 200.0f, 32.0f);
    EXPECT_NEAR(after.y, before.y, 32.0f);
    // It acts once: the next step stops it and starts the pause.
    actor->thinkBehaviors(0.05f);
    EXPECT_EQ(actor->getCurrentBehavior(), nullptr);
    EXPECT_TRUE(teleport->teleportTimer.running);
    placeEnemy(-10.0f, 0.0f);
    EXPECT_FALSE(teleport->canStart());
    for (int i = 0; i < 111; ++i) {
        teleport->getTimers().update(0.05f);
    }
    EXPECT_TRUE(teleport->canStart());

    // An enemy on the very spot gives no direction: the owner stays.
    placeEnemy(0.0f, 0.0f);
    ZonePosition destination = teleport->chooseDestination();
    EXPECT_TRUE(std::isfinite(destination.x) && std::isfinite(destination.y));
    EXPECT_EQ(destination, actor->getPosition());
}

TEST_F(CombatBehaviorsTest, TeleportNeverLeavesTheWorldAtItsEdge)
{
    auto* teleport = giveOnlyBehavior(actor, std::make_unique<BehaviorTeleport>());
    struct Case {
        const char* name;
        int tx, ty;
        float dx, dy; // the enemy's offset
        bool moves;
    };
    const Case cases[] = {
        {"open field", 40, 40, -50.0f, 0.0f, true},
        {"east edge, enemy west", 126, 40, -50.0f, 0.0f, false},
        {"west edge, enemy east", 1, 40, 50.0f, 0.0f, false},
        {"south edge, enemy north", 40, 126, 0.0f, -50.0f, false},
        {"east edge, enemy east", 124, 40, 50.0f, 0.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        actor->setPosition(nav.tileCentre(0, c.tx, c.ty));
        placeEnemy(c.dx, c.dy);
        const ZonePosition before = actor->getPosition();
        const ZonePosition destination = teleport->chooseDestination();
        EXPECT_EQ(destination.zone, before.zone);
        if (c.moves) {
            EXPECT_NEAR(ZonePosition::distanceTo(before, destination), 200.0f, 32.0f);
        } else {
            EXPECT_EQ(destination, before);
        }
    }
}

TEST_F(CombatBehaviorsTest, SkillWaitsMoveFromTheLowToTheFullHealthRange)
{
    MonsterCopy copy(findType("GoblinWarrior"));
    MonsterArchetype& c = *copy.archetype;
    EXPECT_EQ(BehaviorUseSkill::drawSkillWait(&c, 0.75f), 0.0f); // no LowHealthPercent
    c.lowHealthPercent = 0.5f;
    c.minSkillWaitLowHealth = 1.0f;
    c.maxSkillWaitLowHealth = 2.0f;
    c.minSkillWaitFullHealth = 4.0f;
    c.maxSkillWaitFullHealth = 6.0f;
    float lo75 = 10.0f, hi75 = 0.0f, lo30 = 10.0f, hi30 = 0.0f;
    for (int i = 0; i < 400; ++i) {
        float w75 = BehaviorUseSkill::drawSkillWait(&c, 0.75f);
        float w30 = BehaviorUseSkill::drawSkillWait(&c, 0.30f);
        lo75 = std::min(lo75, w75);
        hi75 = std::max(hi75, w75);
        lo30 = std::min(lo30, w30);
        hi30 = std::max(hi30, w30);
    }
    EXPECT_GE(lo75, 2.5f);
    EXPECT_LE(hi75, 4.0f);
    EXPECT_LT(lo75, 2.6f);
    EXPECT_GT(hi75, 3.9f);
    EXPECT_GE(lo30, 1.0f);
    EXPECT_LE(hi30, 2.0f);
    EXPECT_LT(lo30, 1.1f);
    EXPECT_GT(hi30, 1.9f);
}

TEST_F(CombatBehaviorsTest, UseSkillNeedsAChosenSkillAndEndsWithIt)
{
    auto* use = giveOnlyBehavior(actor, std::make_unique<BehaviorUseSkill>());
    auto* list = dynamic_cast<SkillList*>(actor->getSkillList());
    ASSERT_NE(list, nullptr);
    list->setChosenSkill(nullptr);
    EXPECT_FALSE(use->canStart());
    use->start();
    EXPECT_TRUE(use->isFinished());
    use->setFinished(false);
    use->notify(toIndex(SimpleEvent::SkillFinished), -1);
    EXPECT_TRUE(use->isFinished());
    EXPECT_FALSE(use->canContinue());
}

} // namespace

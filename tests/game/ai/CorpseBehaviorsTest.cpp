#include "engine/data/Database.h"
#include "game/ai/BehaviorDestroyCorpse.h"
#include "game/ai/BehaviorEatCorpse.h"
#include "game/ai/BehaviorRaiseDead.h"
#include "game/entities/ActorFixture.h"
#include "game/skills/StatusEffect.h"
#include "game/world/CombatSystem.h"
#include "support/ScriptedCovenant.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class CorpseBehaviorsTest : public ActorFixture {
protected:
    // A monster of the type killed where it stands and left lying as a body.
    Actor* corpseOf(const MonsterType* type, int tx, int ty)
    {
        Actor* body = spawn(type, 3, tx, ty);
        if (!body)
            return nullptr;
        body->setChecksActivity(false);
        body->takeDamage(body->getHealth(), nullptr);
        world.game->update(0.05f);
        return body;
    }

    // The behaviour's own wait, as the owner's think step would run it.
    static void waitOut(BehaviorBase& behavior, float seconds)
    {
        for (float t = 0.0f; t < seconds - 1e-4f; t += 0.05f)
            behavior.getTimers().update(0.05f);
    }

    // A spider with its meal parameters set as the shipped data would.
    std::unique_ptr<BehaviorEatCorpse> makeEater(Actor* owner)
    {
        auto eat = std::make_unique<BehaviorEatCorpse>();
        eat->setOwner(owner);
        eat->maxRange = 300.0f;
        eat->searchTimer.min = eat->searchTimer.max = 0.5f;
        eat->maxCorpsesToEat = 3;
        eat->statusEffect = Database::get().findEntry("StatusEffectFeast");
        eat->healthRegen = 0.25f;
        eat->showSurface = {1};
        eat->canMove = true;
        return eat;
    }

    // The actor's own copy of a behaviour class from its shipped stack.
    template <class B> static B* findBehavior(Actor* actor)
    {
        for (const auto& behavior : actor->getBehaviors())
            if (auto* found = dynamic_cast<B*>(behavior.get()))
                return found;
        return nullptr;
    }

    // An awake monster of the shipped data with its stack.
    Actor* spawnAwake(const std::string& type, int tx, int ty)
    {
        Actor* actor = spawn(findType(type), 4, tx, ty);
        if (actor) {
            actor->setChecksActivity(false);
            actor->setActiveNow(true);
            actor->setHomePosition(actor->getPosition());
        }
        return actor;
    }

    const StatusEffect* activeFeast(const Actor* actor) const
    {
        const DatabaseEntry* feast = Database::get().findEntry("StatusEffectFeast");
        const StatusEffect* found = nullptr;
        for (const StatusEffect* effect : actor->getStatusEffects())
            if (effect->getEntry() == feast && !effect->ended)
                found = effect;
        return found;
    }
};

TEST_F(CorpseBehaviorsTest, ASpiderWalksToAGoblinBodyEatsItAndGrows)
{
    Actor* spider = spawn(findType("CaveSpider"), 4, 20, 20);
    Actor* goblin = corpseOf(findType("GoblinWarrior"), 25, 20);
    ASSERT_TRUE(spider && goblin);
    ASSERT_EQ(goblin->getDeathState(), Actor::kCorpse);
    // The behaviour under test runs alone.
    spider->clearBehaviors();
    spider->setChecksActivity(false);
    spider->setActiveNow(true);
    spider->setVisualFlag(1, false);
    auto eat = makeEater(spider);
    eat->victimEffect = "EffectNormalHit";
    eat->eatEffect = "EffectNormalHit";
    eat->doneSoundName = "Sounds/eat.wav";
    spider->setHealth(spider->getMaxHealth() / 2);

    // The first ask only starts the wait; the search runs once it is over.
    EXPECT_FALSE(eat->canStart());
    waitOut(*eat, 0.45f);
    EXPECT_FALSE(eat->canStart());
    waitOut(*eat, 0.1f);
    ASSERT_TRUE(eat->canStart());
    eat->start();
    EXPECT_EQ(eat->corpse.get(), goblin);
    EXPECT_EQ(eat->phase, BehaviorEatCorpse::kWalking);

    for (int i = 0; i < 100 && spider->isMoving() == (i > 0); ++i) {
        eat->update(0.05f);
        spider->update(0.05f);
    }
    EXPECT_FALSE(spider->isMoving());
    EXPECT_LT(spider->distanceToEntity(goblin, true), 1.5f * 32.0f);
    eat->notify(toIndex(SimpleEvent::PathFindingSuccess), -1);
    EXPECT_EQ(eat->phase, BehaviorEatCorpse::kArrived);

    const int entitiesBefore = world.game->getEntityCount();
    world.game->clearSoundEvents();
    // The body lies east of the spider; it turns to it before eating.
    spider->setDirection(West);
    ASSERT_GT(goblin->getPosition().x, spider->getPosition().x + 16.0f);
    const int hurt = spider->getHealth();
    ASSERT_LT(hurt, spider->getMaxHealth() * 3 / 4);
    eat->update(0.05f);
    EXPECT_EQ(eat->phase, BehaviorEatCorpse::kDone);
    EXPECT_TRUE(eat->isFinished());
    EXPECT_FALSE(eat->canContinue());
    EXPECT_EQ(eat->corpsesEaten, 1);
    EXPECT_NE(spider->getDirection(), West);
    EXPECT_TRUE(spider->getDirection() == East || spider->getDirection() == NorthEast ||
                spider->getDirection() == SouthEast);
    EXPECT_TRUE(spider->getVisualFlags()[1]);
    const StatusEffect* feast = activeFeast(spider);
    ASSERT_NE(feast, nullptr);
    EXPECT_EQ(feast->level, 1);
    EXPECT_EQ(spider->getHealth(), hurt + static_cast<int>(std::trunc(spider->getMaxHealth() * 0.25f)));
    EXPECT_EQ(world.game->getEntityCount(), entitiesBefore + 2);
    ASSERT_EQ(world.game->getSoundEvents().size(), 1u);
    EXPECT_FLOAT_EQ(world.game->getSoundEvents()[0].radius, 400.0f);
    EXPECT_EQ(world.game->getSoundEvents()[0].entityNumber, spider->getEntityNumber());

    // The body is gone at its next step.
    const int number = goblin->getEntityNumber();
    EXPECT_EQ(goblin->getDeathState(), Actor::kGone);
    step(0.2f);
    EXPECT_EQ(world.game->getEntity(number), nullptr);
}

TEST_F(CorpseBehaviorsTest, MealsCountTowardsTheLimitTheSurfacesAndTheFeastLevel)
{
    Actor* spider = spawn(findType("CaveSpider"), 4, 20, 20);
    ASSERT_TRUE(spider);
    auto eat = makeEater(spider);
    // Surface 1 shown first; 7 is past the spider model's three surfaces.
    eat->showSurface = {1, 7};
    eat->canMove = false;
    eat->maxCorpsesToEat = 3;
    const MonsterType* goblinType = findType("GoblinScout");
    for (int meal = 1; meal <= 3; ++meal) {
        Actor* body = corpseOf(goblinType, 21, 20 + meal);
        ASSERT_TRUE(body);
        spider->setVisualFlag(1, false);
        eat->searchTimer.running = false;
        eat->canStart();
        waitOut(*eat, 0.5f);
        ASSERT_TRUE(eat->canStart()) << meal;
        eat->start();
        // Without walking and without an animation the meal is at once.
        EXPECT_EQ(eat->phase, BehaviorEatCorpse::kEating);
        eat->update(0.05f);
        EXPECT_EQ(eat->corpsesEaten, meal);
        EXPECT_EQ(spider->getVisualFlags()[1], meal == 1) << meal;
        const StatusEffect* feast = activeFeast(spider);
        ASSERT_NE(feast, nullptr);
        EXPECT_EQ(feast->level, meal);
        step(0.1f);
    }
    corpseOf(goblinType, 22, 20);
    eat->searchTimer.running = false;
    eat->canStart();
    waitOut(*eat, 1.0f);
    EXPECT_FALSE(eat->canStart());

    auto never = makeEater(spider);
    never->maxCorpsesToEat = 0;
    never->canStart();
    waitOut(*never, 1.0f);
    EXPECT_FALSE(never->canStart());
}

TEST_F(CorpseBehaviorsTest, AHugeHealthRegenHealsInFullInsteadOfWrapping)
{
    Actor* spider = spawn(findType("CaveSpider"), 4, 20, 20);
    Actor* goblin = corpseOf(findType("GoblinScout"), 21, 20);
    ASSERT_TRUE(spider && goblin);
    auto eat = makeEater(spider);
    eat->canMove = false;
    eat->healthRegen = 1.0e30f;
    spider->setHealth(spider->getMaxHealth() / 2);
    eat->corpse = goblin;
    eat->phase = BehaviorEatCorpse::kEating;
    eat->update(0.05f);
    ASSERT_EQ(eat->corpsesEaten, 1);
    EXPECT_FALSE(spider->isDead());
    EXPECT_EQ(spider->getHealth(), spider->getMaxHealth());
}

TEST_F(CorpseBehaviorsTest, OnTheBodyTheEaterTurnsOppositeTheBodysFacing)
{
    Actor* spider = spawn(findType("CaveSpider"), 4, 20, 20);
    Actor* goblin = corpseOf(findType("GoblinWarrior"), 20, 20);
    ASSERT_TRUE(spider && goblin);
    spider->setPosition(goblin->getPosition());
    for (int direction = 0; direction < 8; ++direction) {
        auto eat = makeEater(spider);
        eat->animName = "attack";
        eat->corpse = goblin;
        eat->phase = BehaviorEatCorpse::kArrived;
        goblin->setDirection(direction);
        eat->update(0.05f);
        EXPECT_EQ(spider->getDirection(), (direction + 4) % 8) << direction;
        // The animation runs before the meal.
        EXPECT_EQ(eat->phase, BehaviorEatCorpse::kEating);
        EXPECT_EQ(eat->corpsesEaten, 0);
        EXPECT_TRUE(spider->isPlayingAnimation("attack"));
        spider->stopAnimation("attack");
    }
}

TEST_F(CorpseBehaviorsTest, TheMealEndsWithoutABodyOrAWayAndWaitsWhileTheEnemyIsOnIt)
{
    Actor* spider = spawn(findType("CaveSpider"), 4, 20, 20);
    Actor* goblin = corpseOf(findType("GoblinWarrior"), 24, 20);
    Actor* skeleton = corpseOf(findType("SkeletonWarrior"), 21, 20);
    ASSERT_TRUE(spider && goblin && skeleton);

    // The nearest body is a skeleton, which nothing eats.
    auto eat = makeEater(spider);
    eat->canStart();
    waitOut(*eat, 0.5f);
    EXPECT_FALSE(eat->canStart());
    EXPECT_TRUE(eat->searchTimer.running);
    EXPECT_GT(eat->searchTimer.remaining, 0.0f);
    skeleton->endCorpse();
    step(0.1f);

    waitOut(*eat, 0.5f);
    ASSERT_TRUE(eat->canStart());
    eat->start();
    EXPECT_TRUE(eat->canContinue());
    eat->notify(toIndex(SimpleEvent::PathFindingFailed), -1);
    EXPECT_TRUE(eat->isFinished());
    EXPECT_FALSE(eat->canContinue());
    // The next try waits for the search timer.
    EXPECT_FALSE(eat->canStart());

    eat->setFinished(false);
    eat->start();
    EXPECT_TRUE(eat->canContinue());
    goblin->endCorpse();
    EXPECT_FALSE(eat->canContinue());

    // An enemy that is after the spider keeps it from eating.
    Sentient* enemy = placeTarget(5, 22, 22);
    Actor* hunter = spawn(findType("GoblinWarrior"), 5, 23, 23);
    ASSERT_TRUE(enemy && hunter);
    Actor* body = corpseOf(findType("GoblinScout"), 20, 21);
    ASSERT_TRUE(body);
    spider->addTargetEntry(hunter);
    spider->updateTargetEntry(hunter, 10.0f, 1);
    hunter->addTargetEntry(spider);
    hunter->updateTargetEntry(spider, 10.0f, 1);
    spider->updateTargets(0.05f);
    hunter->updateTargets(0.05f);
    ASSERT_EQ(spider->getTarget(), hunter);
    ASSERT_EQ(hunter->getTarget(), spider);
    auto wary = makeEater(spider);
    wary->searchTimer.running = true;
    wary->searchTimer.remaining = 0.0f;
    EXPECT_FALSE(wary->canStart());
    hunter->clearTargetList();
    hunter->updateTargets(0.05f);
    EXPECT_TRUE(wary->canStart());
}

TEST_F(CorpseBehaviorsTest, ASkeletonSmashesABodyAndHurtsTheLivingAroundIt)
{
    createCombatSystem();
    struct Ends {
        ~Ends() { destroyCombatSystem(); }
    } ends;
    Actor* skeleton = spawn(findType("SkeletonWarrior"), 5, 20, 20);
    Actor* goblin = corpseOf(findType("GoblinWarrior"), 22, 20);
    Sentient* near = placeTarget(5, 23, 21);
    Sentient* far = placeTarget(5, 28, 20);
    ASSERT_TRUE(skeleton && goblin && near && far);
    // The blow hurts those of another covenant than the skeleton's.
    const int covenant = addScriptedCovenant(*world.game).index;
    near->setCovenantIndex(covenant);
    far->setCovenantIndex(covenant);
    auto smash = std::make_unique<BehaviorDestroyCorpse>();
    smash->setOwner(skeleton);
    smash->maxRange = 200.0f;
    smash->searchTimer.min = 1.0f;
    smash->searchTimer.max = 1.1f;

    EXPECT_FALSE(smash->canStart());
    waitOut(*smash, 1.1f);
    ASSERT_TRUE(smash->canStart());
    EXPECT_FALSE(smash->canContinue());
    const int nearHealth = near->getHealth();
    const int farHealth = far->getHealth();
    smash->start();
    EXPECT_EQ(goblin->getDeathState(), Actor::kGone);
    // 25 physical, doubled on a critical roll.
    const int lost = nearHealth - near->getHealth();
    EXPECT_TRUE(lost == BehaviorDestroyCorpse::kSplashDamage ||
                lost == 2 * BehaviorDestroyCorpse::kSplashDamage)
        << lost;
    EXPECT_EQ(far->getHealth(), farHealth);
    // The next search waits again.
    EXPECT_TRUE(smash->searchTimer.running);
    EXPECT_GE(smash->searchTimer.remaining, 1.0f);
    EXPECT_FALSE(smash->canStart());

    // Nothing lies within reach: the wait starts over and nothing is hurt.
    step(0.1f);
    Actor* distant = corpseOf(findType("GoblinScout"), 40, 20);
    ASSERT_TRUE(distant);
    waitOut(*smash, 1.1f);
    EXPECT_FALSE(smash->canStart());
    EXPECT_GT(smash->searchTimer.remaining, 0.0f);
    EXPECT_EQ(distant->getDeathState(), Actor::kCorpse);
}

TEST_F(CorpseBehaviorsTest, ACultistRaisesASkeletonWarriorButNoOtherKind)
{
    Actor* cultist = spawn(findType("CultInitiate"), 5, 20, 20);
    Actor* goblin = corpseOf(findType("GoblinWarrior"), 21, 20);
    Actor* skeleton = corpseOf(findType("SkeletonWarrior"), 23, 20);
    ASSERT_TRUE(cultist && goblin && skeleton);
    auto raise = std::make_unique<BehaviorRaiseDead>();
    raise->setOwner(cultist);
    raise->maxRange = 200.0f;
    raise->raiseEntity = Database::get().findEntry("SkeletonWarrior");
    raise->searchTimer.min = 2.0f;
    raise->searchTimer.max = 2.2f;
    raise->effectName = "EffectNormalHit";
    raise->effectTime = 3.0f;

    EXPECT_FALSE(raise->canStart());
    waitOut(*raise, 2.2f);
    ASSERT_TRUE(raise->canStart());
    const int entitiesBefore = world.game->getEntityCount();
    raise->start();
    EXPECT_EQ(raise->corpse.get(), skeleton);
    EXPECT_FALSE(raise->isFinished());
    EXPECT_TRUE(raise->canContinue());
    EXPECT_EQ(world.game->getEntityCount(), entitiesBefore + 1);
    raise->update(0.05f);
    EXPECT_TRUE(raise->isFinished());
    EXPECT_FALSE(raise->canContinue());
    EXPECT_FALSE(skeleton->isDead());
    EXPECT_EQ(skeleton->getHealth(), skeleton->getMaxHealth());
    EXPECT_EQ(skeleton->getDeathState(), Actor::kAlive);
    EXPECT_TRUE(goblin->isDead());
    // Nothing left of that kind: the next search finds nothing.
    waitOut(*raise, 2.2f);
    EXPECT_FALSE(raise->canStart());
}

TEST_F(CorpseBehaviorsTest, RanksClassesAndFadingBodiesThatStayDead)
{
    Actor* cultist = spawn(findType("CultInitiate"), 5, 20, 20);
    ASSERT_TRUE(cultist);
    BehaviorRaiseDead raise;
    raise.setOwner(cultist);
    raise.maxRange = 300.0f;
    raise.raiseEntity = Database::get().findEntry("SkeletonWarrior");

    Actor* body = corpseOf(findType("SkeletonWarrior"), 22, 20);
    ASSERT_TRUE(body);
    EXPECT_TRUE(raise.isRaisable(body));
    for (int rank : {5, 6, 7}) {
        body->setEnhancementRarity(rank);
        EXPECT_FALSE(raise.isRaisable(body)) << rank;
    }
    body->setEnhancementRarity(4);
    EXPECT_TRUE(raise.isRaisable(body));
    EXPECT_EQ(raise.findCorpse(), body);

    MonsterCopy noRaise(findType("SkeletonWarrior"));
    noRaise.archetype->canBeRaised = false;
    Actor* stiff = corpseOf(noRaise.type.get(), 21, 21);
    ASSERT_TRUE(stiff);
    EXPECT_FALSE(raise.isRaisable(stiff));

    // Once the body fades it stays dead.
    body->endCorpse();
    EXPECT_FALSE(raise.isRaisable(body));
    EXPECT_EQ(raise.findCorpse(), nullptr);

    // Any friendly body, whatever its kind, with the faction's liking.
    Actor* goblin = corpseOf(findType("GoblinWarrior"), 20, 22);
    ASSERT_TRUE(goblin);
    MonsterCopy raisableGoblin(findType("GoblinWarrior"));
    raisableGoblin.archetype->canBeRaised = true;
    Actor* friendGoblin = corpseOf(raisableGoblin.type.get(), 20, 23);
    ASSERT_TRUE(friendGoblin);
    raise.raiseAnyFriendly = true;
    relation = 1;
    EXPECT_FALSE(raise.isRaisable(friendGoblin));
    relation = 2;
    EXPECT_TRUE(raise.isRaisable(friendGoblin));
    EXPECT_FALSE(raise.isRaisable(goblin));
    EXPECT_EQ(raise.findCorpse(), friendGoblin);
    EXPECT_FALSE(raise.isRaisable(cultist));

    // A body gone before the raise ends the behaviour.
    raise.start();
    ASSERT_EQ(raise.corpse.get(), friendGoblin);
    friendGoblin->endCorpse();
    EXPECT_FALSE(raise.canContinue());
}

TEST_F(CorpseBehaviorsTest, CopiesTakeEveryParameterButNoRunningState)
{
    Database& db = Database::get();
    BehaviorEatCorpse eat;
    eat.maxRange = 250.0f;
    eat.animName = "eat";
    eat.maxCorpsesToEat = 3;
    eat.statusEffect = db.findEntry("StatusEffectFeast");
    eat.healthRegen = 0.25f;
    eat.showSurface = {2};
    eat.canMove = true;
    eat.eatEffect = "A";
    eat.victimEffect = "B";
    eat.doneSoundName = "C";
    eat.searchTimer.min = 1.8f;
    eat.searchTimer.max = 2.2f;
    eat.corpsesEaten = 2;
    eat.phase = BehaviorEatCorpse::kDone;
    BehaviorEatCorpse eatCopy;
    eatCopy.copyFrom(eat);
    EXPECT_FLOAT_EQ(eatCopy.maxRange, 250.0f);
    EXPECT_EQ(eatCopy.animName, "eat");
    EXPECT_EQ(eatCopy.maxCorpsesToEat, 3);
    EXPECT_EQ(eatCopy.statusEffect, eat.statusEffect);
    EXPECT_FLOAT_EQ(eatCopy.healthRegen, 0.25f);
    EXPECT_EQ(eatCopy.showSurface, std::vector<int>{2});
    EXPECT_TRUE(eatCopy.canMove);
    EXPECT_EQ(eatCopy.eatEffect + eatCopy.victimEffect + eatCopy.doneSoundName, "ABC");
    EXPECT_FLOAT_EQ(eatCopy.searchTimer.min, 1.8f);
    EXPECT_FLOAT_EQ(eatCopy.searchTimer.max, 2.2f);
    EXPECT_EQ(eatCopy.corpsesEaten, 0);
    EXPECT_EQ(eatCopy.phase, BehaviorEatCorpse::kWalking);

    BehaviorRaiseDead raise;
    raise.maxRange = 300.0f;
    raise.raiseAnyFriendly = true;
    raise.raiseEntity = db.findEntry("SkeletonWarrior");
    raise.animName = "raise";
    raise.effectName = "E";
    raise.effectTime = 2.0f;
    raise.searchTimer.min = 5.0f;
    raise.searchTimer.max = 5.5f;
    BehaviorRaiseDead raiseCopy;
    raiseCopy.copyFrom(raise);
    EXPECT_FLOAT_EQ(raiseCopy.maxRange, 300.0f);
    EXPECT_TRUE(raiseCopy.raiseAnyFriendly);
    EXPECT_EQ(raiseCopy.raiseEntity, raise.raiseEntity);
    EXPECT_EQ(raiseCopy.animName, "raise");
    EXPECT_EQ(raiseCopy.effectName, "E");
    EXPECT_FLOAT_EQ(raiseCopy.effectTime, 2.0f);
    EXPECT_FLOAT_EQ(raiseCopy.searchTimer.max, 5.5f);

    BehaviorDestroyCorpse smash;
    smash.maxRange = 150.0f;
    smash.searchTimer.min = 4.0f;
    smash.searchTimer.max = 4.4f;
    BehaviorDestroyCorpse smashCopy;
    smashCopy.copyFrom(smash);
    EXPECT_FLOAT_EQ(smashCopy.maxRange, 150.0f);
    EXPECT_FLOAT_EQ(smashCopy.searchTimer.max, 4.4f);
    // A prototype of another class gives nothing.
    smashCopy.copyFrom(raise);
    EXPECT_FLOAT_EQ(smashCopy.maxRange, 150.0f);
}

TEST_F(CorpseBehaviorsTest, DataEntriesSetTheTimersAndResolveTheirEntries)
{
    Database& db = Database::get();
    db.addSubDatabase("CorpseTest", "corpse-test.dbl",
                      "TestEatData {\n"
                      "    Type BehaviorData\n"
                      "    MaxRange 250\n"
                      "    SenseTime 2\n"
                      "    StatusEffect StatusEffectFeast\n"
                      "    ShowSurface 2 3\n"
                      "    CanMove 1\n"
                      "}\n"
                      "TestRaiseData {\n"
                      "    Type BehaviorData\n"
                      "    RaiseTime 5\n"
                      "    RaiseEntity NoSuchMonster\n"
                      "}\n"
                      "TestSmashData {\n"
                      "    Type BehaviorData\n"
                      "    DestroyTime 4\n"
                      "}\n");
    db.resolveBases();
    BehaviorEatCorpse eat;
    eat.loadData(db.findEntry("TestEatData"));
    EXPECT_FLOAT_EQ(eat.maxRange, 250.0f);
    EXPECT_FLOAT_EQ(eat.searchTimer.min, 1.8f);
    EXPECT_FLOAT_EQ(eat.searchTimer.max, 2.2f);
    EXPECT_EQ(eat.statusEffect, db.findEntry("StatusEffectFeast"));
    EXPECT_EQ(eat.showSurface, (std::vector<int>{2, 3}));
    EXPECT_TRUE(eat.canMove);
    EXPECT_EQ(eat.maxCorpsesToEat, 0);

    world.log.clear();
    BehaviorRaiseDead raise;
    raise.loadData(db.findEntry("TestRaiseData"));
    EXPECT_FLOAT_EQ(raise.searchTimer.min, 5.0f);
    EXPECT_FLOAT_EQ(raise.searchTimer.max, 5.5f);
    EXPECT_EQ(raise.raiseEntity, nullptr);
    EXPECT_TRUE(world.log.contains("corpse-test.dbl"));
    EXPECT_TRUE(world.log.contains("NoSuchMonster"));

    BehaviorDestroyCorpse smash;
    smash.loadData(db.findEntry("TestSmashData"));
    EXPECT_FLOAT_EQ(smash.searchTimer.min, 4.0f);
    EXPECT_FLOAT_EQ(smash.searchTimer.max, 4.4f);
}

TEST_F(CorpseBehaviorsTest, ShippedSpiderEatsAGoblinBodyThroughItsStack)
{
    Actor* spider = spawnAwake("CaveSpider", 20, 20);
    ASSERT_TRUE(spider);
    auto* eat = findBehavior<BehaviorEatCorpse>(spider);
    ASSERT_NE(eat, nullptr);
    EXPECT_EQ(spider->getBehaviors().front()->getType(), toIndex(ActorBehavior::EatCorpse));
    EXPECT_EQ(eat->maxCorpsesToEat, 3);
    EXPECT_EQ(eat->statusEffect, Database::get().findEntry("StatusEffectFeast"));
    EXPECT_FLOAT_EQ(eat->healthRegen, 0.25f);
    EXPECT_EQ(eat->showSurface, std::vector<int>{2});
    EXPECT_TRUE(eat->canMove);
    EXPECT_EQ(eat->animName, "eat");
    // Shown by the first meal, hidden until then.
    EXPECT_FALSE(spider->getVisualFlags()[2]);

    Actor* goblin = corpseOf(findType("GoblinWarrior"), 26, 21);
    ASSERT_TRUE(goblin);
    const int number = goblin->getEntityNumber();
    spider->setHealth(spider->getMaxHealth() / 2);
    bool ate = false;
    bool sawEating = false;
    for (int i = 0; i < 200 && !ate; ++i) {
        step(0.05f);
        ate = eat->corpsesEaten == 1;
        sawEating = sawEating || spider->isPlayingAnimation("eat");
    }
    ASSERT_TRUE(ate);
    // The meal waited for the eating animation.
    EXPECT_TRUE(sawEating);
    EXPECT_LT(spider->distanceToEntity(goblin, true), 1.5f * 32.0f);
    EXPECT_GE(spider->getHealth(), spider->getMaxHealth() / 2 + spider->getMaxHealth() / 4);
    const StatusEffect* feast = activeFeast(spider);
    ASSERT_NE(feast, nullptr);
    EXPECT_EQ(feast->level, 1);
    EXPECT_EQ(eat->getOwnerSurfaceCount(), 3);
    EXPECT_TRUE(spider->getVisualFlags()[2]);
    step(0.2f);
    EXPECT_EQ(world.game->getEntity(number), nullptr);
    EXPECT_NE(spider->getCurrentBehaviorType(), toIndex(ActorBehavior::EatCorpse));
}

TEST_F(CorpseBehaviorsTest, ShippedSkeletonSmashesAGoblinBody)
{
    Actor* skeleton = spawnAwake("SkeletonWarrior", 20, 20);
    ASSERT_TRUE(skeleton);
    auto* smash = findBehavior<BehaviorDestroyCorpse>(skeleton);
    ASSERT_NE(smash, nullptr);
    EXPECT_FLOAT_EQ(smash->maxRange, 200.0f);
    Actor* goblin = corpseOf(findType("GoblinWarrior"), 23, 20);
    ASSERT_TRUE(goblin);
    const int number = goblin->getEntityNumber();
    // Found after one wait of 4 to 4.4 s, once the first ask started it.
    step(4.0f);
    EXPECT_EQ(world.game->getEntity(number), goblin);
    step(0.6f);
    EXPECT_EQ(world.game->getEntity(number), nullptr);
    EXPECT_FALSE(skeleton->isDead());
}

TEST_F(CorpseBehaviorsTest, ShippedCultistRaisesASkeletonWarrior)
{
    Actor* cultist = spawnAwake("CultInitiate", 20, 20);
    ASSERT_TRUE(cultist);
    auto* raise = findBehavior<BehaviorRaiseDead>(cultist);
    ASSERT_NE(raise, nullptr);
    EXPECT_EQ(raise->raiseEntity, Database::get().findEntry("SkeletonWarrior"));
    EXPECT_FALSE(raise->raiseAnyFriendly);
    Actor* goblin = corpseOf(findType("GoblinWarrior"), 22, 20);
    Actor* skeleton = corpseOf(findType("SkeletonWarrior"), 24, 21);
    ASSERT_TRUE(goblin && skeleton);
    bool raised = false;
    bool wasCurrent = false;
    for (int i = 0; i < 160 && !raised; ++i) {
        step(0.05f);
        wasCurrent = wasCurrent || cultist->getCurrentBehaviorType() == toIndex(ActorBehavior::RaiseDead);
        raised = !skeleton->isDead();
    }
    ASSERT_TRUE(raised);
    EXPECT_TRUE(wasCurrent);
    EXPECT_EQ(skeleton->getHealth(), skeleton->getMaxHealth());
    EXPECT_TRUE(goblin->isDead());
}

} // namespace

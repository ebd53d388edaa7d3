#include "ActorFixture.h"
#include "support/ScriptedCovenant.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Recruit.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillListBase.h"
#include "game/skills/StatusEffect.h"
#include "game/world/CombatSystem.h"
#include "game/world/Faction.h"
#include "game/world/FactionSystem.h"

#include <cmath>

namespace {

int countSoundsOf(const Game& game, int entityNumber)
{
    int n = 0;
    for (const SoundEvent& s : game.getSoundEvents())
        n += s.entityNumber == entityNumber ? 1 : 0;
    return n;
}

class ActorTest : public ActorFixture {};

TEST_F(ActorTest, ConstructionGivesRegenerationHandsAndTheFirstPlaceAsHome)
{
    Actor actor;
    ASSERT_EQ(actor.getStatusEffects().size(), 1u);
    EXPECT_EQ(actor.getStatusEffects()[0]->getEntry()->getName(), "StatusEffectBasicRegen");
    EXPECT_EQ(actor.getInventory()->getOwnGroup(toIndex(InventoryGroupIndex::Equipment))->getSize(), 18);
    EXPECT_EQ(actor.getInventory()->getOwnGroup(toIndex(InventoryGroupIndex::Loot))->getSize(), 8);
    EXPECT_TRUE(actor.canUseItemType(19));
    EXPECT_TRUE(actor.canUseItemType(4));
    EXPECT_FALSE(actor.canUseItemType(1));
    actor.setUsesAllItems(true);
    EXPECT_TRUE(actor.canUseItemType(1));

    EXPECT_FALSE(actor.isHomeSet());
    actor.setPosition(ZonePosition(0, 80.0f, 48.0f));
    actor.setPosition(ZonePosition(0, 400.0f, 48.0f));
    EXPECT_TRUE(actor.isHomeSet());
    EXPECT_EQ(actor.getHome(), ZonePosition(0, 80.0f, 48.0f));
    // No class: neutral answers.
    EXPECT_FALSE(actor.canMove());
    EXPECT_FALSE(actor.canBeAttacked());
    EXPECT_EQ(actor.getBaseArmor(), 0);
}

TEST_F(ActorTest, ThreatFromDamageAndHealsRanksTargetsAndHidingDropsOne)
{
    MonsterCopy goblin(findType("GoblinWarrior"));
    goblin.archetype->healingHateMult = 0.5f;
    goblin.archetype->onHateSound = "Sounds/hate.ogg";
    Actor* actor = spawn(goblin.type.get(), 5, 20, 20);
    Sentient* a = placeTarget(5, 23, 20);
    Sentient* b = placeTarget(5, 20, 24);
    ASSERT_TRUE(actor && a && b);
    a->setHealth(a->getMaxHealth() - 50);

    actor->takeDamage(30, a);
    EXPECT_EQ(a->heal(40, b), 40);
    ASSERT_EQ(actor->getTargets().size(), 2u);
    EXPECT_FLOAT_EQ(actor->findTargetEntry(a)->threat, 30.0f);
    EXPECT_FLOAT_EQ(actor->findTargetEntry(b)->threat, 20.0f);
    EXPECT_EQ(countSoundsOf(*world.game, actor->getEntityNumber()), 2);
    actor->takeDamage(5, a);
    EXPECT_EQ(countSoundsOf(*world.game, actor->getEntityNumber()), 2)
        << "hate sound only for the first threat";
    actor->findTargetEntry(a)->threat = 30.0f;

    actor->updateTargets(0.05f);
    EXPECT_EQ(actor->getTarget(), a);
    actor->reduceThreat(0.5f);
    EXPECT_FLOAT_EQ(actor->findTargetEntry(a)->threat, 15.0f);
    EXPECT_FLOAT_EQ(actor->findTargetEntry(b)->threat, 10.0f);

    a->setFlags(a->getFlags() | Actor::kFlagHidden);
    actor->updateTargets(0.05f);
    EXPECT_EQ(actor->getTarget(), b);
    ASSERT_NE(actor->findTargetEntry(a), nullptr);
    EXPECT_FLOAT_EQ(actor->findTargetEntry(a)->threat, -1.0f);

    actor->reduceThreat(1.0f);
    EXPECT_FLOAT_EQ(actor->findTargetEntry(b)->threat, 0.0f);
}

TEST_F(ActorTest, EqualThreatGoesToTheNearerAndTheCurrentKeepsItsPlaceOnlyWhenNotBeaten)
{
    Actor* actor = spawn(findType("GoblinWarrior"), 5, 20, 20);
    Sentient* far = placeTarget(5, 26, 20);
    Sentient* near = placeTarget(5, 20, 23);
    ASSERT_TRUE(actor && far && near);
    actor->addTargetEntry(far);
    actor->addTargetEntry(near);
    actor->addTargetEntry(near); // listed once
    ASSERT_EQ(actor->getTargets().size(), 2u);
    actor->updateTargets(0.05f);
    EXPECT_EQ(actor->getTarget(), near);
    // The current target stays while nothing is strictly better.
    near->setPosition(nav.tileCentre(0, 20, 26));
    actor->updateTargets(0.05f);
    EXPECT_EQ(actor->getTarget(), near);
    // Strictly nearer at equal threat takes the place.
    far->setPosition(nav.tileCentre(0, 22, 20));
    actor->updateTargets(0.05f);
    EXPECT_EQ(actor->getTarget(), far);
    actor->updateTargetEntry(near, 1.0f, 3);
    actor->updateTargets(0.05f);
    EXPECT_EQ(actor->getTarget(), near);

    actor->removeTargetEntry(near);
    EXPECT_EQ(actor->getTarget(), nullptr);
    EXPECT_EQ(actor->findTargetEntry(near), nullptr);
    actor->clearTargetList();
    EXPECT_TRUE(actor->getTargets().empty());
}

TEST_F(ActorTest, ATargetDeletedWithoutDyingLeavesNoEntryBehind)
{
    Actor* actor = spawn(findType("GoblinWarrior"), 5, 20, 20);
    Sentient* kept = placeTarget(5, 23, 20);
    Sentient* leaving = placeTarget(5, 20, 23);
    ASSERT_TRUE(actor && kept && leaving);
    actor->addTargetEntry(kept);
    actor->addTargetEntry(leaving);
    world.game->deleteEntity(leaving, true);
    actor->updateTargets(0.05f);
    ASSERT_EQ(actor->getTargets().size(), 1u);
    EXPECT_EQ(actor->getTargets()[0].entity.get(), kept);
    EXPECT_EQ(actor->getTarget(), kept);
}

TEST_F(ActorTest, UnreachableTargetsAreNotChosenAndTheAnswerIsKeptForAboutASecond)
{
    Actor* actor = spawn(findType("GoblinWarrior"), 5, 20, 20);
    Sentient* target = placeTarget(5, 30, 20);
    ASSERT_TRUE(actor && target);
    // A closed ring of blocked tiles around the target.
    for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -2; dy <= 2; ++dy)
            if (std::abs(dx) == 2 || std::abs(dy) == 2)
                nav.blockWalking(0, 30 + dx, 20 + dy);
    actor->addTargetEntry(target);
    TargetEntry& entry = *actor->findTargetEntry(target);
    entry.pathCheck.remaining = 0.0f;
    actor->updateTargets(0.05f);
    EXPECT_EQ(actor->getTarget(), nullptr);
    EXPECT_FALSE(entry.reachable);
    nav.clearBlocks();
    actor->updateTargets(0.05f);
    EXPECT_EQ(actor->getTarget(), nullptr) << "the stored answer holds while the check runs";
    for (int i = 0; i < 25 && !actor->getTarget(); ++i)
        actor->updateTargets(0.05f);
    EXPECT_EQ(actor->getTarget(), target);
}

TEST_F(ActorTest, DetectionRangeFollowsLevelsWarAndTheCollectionRadius)
{
    MonsterCopy goblin(findType("GoblinWarrior"));
    goblin.archetype->baseAggressionRange = 400.0f;
    goblin.archetype->sensesTime = 0.0f;
    Actor* actor = spawn(goblin.type.get(), 5, 10, 10);
    Sentient* low = placeTarget(2, 10, 12);
    ASSERT_TRUE(actor && low);
    EXPECT_FLOAT_EQ(actor->getDetectionRange(low), 520.0f);
    relation = 0;
    EXPECT_FLOAT_EQ(actor->getDetectionRange(low), 650.0f);
    relation = 1;
    Sentient* high = placeTarget(30, 10, 14);
    EXPECT_FLOAT_EQ(actor->getDetectionRange(high), 100.0f) << "clamped to a quarter";

    // Seen to 520 by a hostile, caught to the 600 collection radius at war.
    relation = 1;
    low->setPosition(ZonePosition(0, actor->getPosition().x + 515.0f, actor->getPosition().y));
    high->setPosition(ZonePosition(0, 3000.0f, 3000.0f));
    actor->lookForTargets(0.05f);
    EXPECT_NE(actor->findTargetEntry(low), nullptr);
    actor->clearTargetList();
    low->setPosition(ZonePosition(0, actor->getPosition().x + 525.0f, actor->getPosition().y));
    actor->lookForTargets(0.05f);
    EXPECT_EQ(actor->findTargetEntry(low), nullptr);
    relation = 0;
    low->setPosition(ZonePosition(0, actor->getPosition().x + 595.0f, actor->getPosition().y));
    actor->lookForTargets(0.05f);
    EXPECT_NE(actor->findTargetEntry(low), nullptr);
    actor->clearTargetList();
    low->setPosition(ZonePosition(0, actor->getPosition().x + 610.0f, actor->getPosition().y));
    actor->lookForTargets(0.05f);
    EXPECT_EQ(actor->findTargetEntry(low), nullptr);
    // A neutral is never collected.
    relation = 2;
    low->setPosition(ZonePosition(0, actor->getPosition().x + 100.0f, actor->getPosition().y));
    actor->lookForTargets(0.05f);
    EXPECT_EQ(actor->findTargetEntry(low), nullptr);
}

TEST_F(ActorTest, StealthedTargetsAreNoticedWithTheChanceFallingToNothingAtTheRange)
{
    MonsterCopy goblin(findType("GoblinWarrior"));
    goblin.archetype->baseAggressionRange = 400.0f;
    goblin.archetype->sensesTime = 0.0f;
    goblin.archetype->enemyStealthedAggressionMultiplier = 0.5f;
    goblin.archetype->enemyStealthedAggressionChance = 0.5f;
    Actor* actor = spawn(goblin.type.get(), 5, 10, 10);
    Sentient* sneak = placeTarget(2, 10, 12);
    ASSERT_TRUE(actor && sneak);
    sneak->setTickFlags(0x400);
    EXPECT_FLOAT_EQ(actor->getDetectionRange(sneak), 260.0f);
    Random::setState(0, 12345);
    auto noticedShare = [&](float distance) {
        sneak->setPosition(ZonePosition(0, actor->getPosition().x + distance, actor->getPosition().y));
        int noticed = 0;
        const int trials = 4000;
        for (int i = 0; i < trials; ++i) {
            actor->lookForTargets(0.05f);
            if (actor->findTargetEntry(sneak))
                ++noticed;
            actor->clearTargetList();
        }
        return static_cast<float>(noticed) / trials;
    };
    EXPECT_NEAR(noticedShare(100.0f), 0.25f, 0.03f);
    EXPECT_NEAR(noticedShare(130.0f), 0.25f, 0.03f);
    EXPECT_NEAR(noticedShare(195.0f), 0.125f, 0.025f);
    EXPECT_EQ(noticedShare(261.0f), 0.0f);
}

TEST_F(ActorTest, TargetsBehindSightBlocksAreNotSeenButWalkBlocksDoNotHideThem)
{
    MonsterCopy goblin(findType("GoblinWarrior"));
    goblin.archetype->baseAggressionRange = 400.0f;
    goblin.archetype->sensesTime = 0.0f;
    Actor* actor = spawn(goblin.type.get(), 5, 10, 10);
    Sentient* target = placeTarget(5, 16, 10);
    ASSERT_TRUE(actor && target);
    nav.blockWalking(0, 13, 10);
    EXPECT_TRUE(actor->canSee(target));
    EXPECT_FALSE(actor->isWalkLineClear(target));
    nav.blockSight(0, 13, 10);
    EXPECT_FALSE(actor->canSee(target));
    actor->lookForTargets(0.05f);
    EXPECT_EQ(actor->findTargetEntry(target), nullptr);
    // Endpoints are not tested: a block under either character hides nothing.
    nav.clearBlocks();
    nav.blockSight(0, 10, 10);
    nav.blockSight(0, 16, 10);
    EXPECT_TRUE(actor->canSee(target));
    // A level that is not loaded blocks every line.
    nav.closeZone(0);
    EXPECT_FALSE(actor->canSee(target));
}

// Of the objects standing on a line, only those that stop a walker block it:
// a blow's effect shown at a monster in melee hides nothing from a caster.
TEST_F(ActorTest, OnlyObjectsThatStopAWalkerBlockSightAndWalkLines)
{
    const struct {
        const char* entry;
        bool clear;
    } cases[] = {{"EffectNormalHit", true}, {"TownLantern", true}, {"TrainingDummy", false}};
    Actor* actor = spawn(findType("GoblinWarrior"), 5, 10, 10);
    Sentient* target = placeTarget(5, 14, 10);
    ASSERT_TRUE(actor && target);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        Entity* object = world.game->spawnEntity(c.entry, nav.tileCentre(0, 12, 10), 0.0f);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(actor->canSee(target), c.clear);
        EXPECT_EQ(actor->isWalkLineClear(target), c.clear);
        world.game->deleteEntity(object, true);
    }
}

TEST_F(ActorTest, AWalkLineIsBlockedByEveryCellItCrossesEvenAtACorner)
{
    const struct {
        const char* what;
        int tx, ty, bx, by;
        bool clear;
    } cases[] = {
        {"corner cut between samples", 13, 17, 11, 11, false},
        {"beside the line", 13, 17, 10, 12, true},
        {"diagonal through a corner", 13, 13, 11, 10, false},
    };
    Actor* actor = spawn(findType("GoblinWarrior"), 5, 10, 10);
    ASSERT_NE(actor, nullptr);
    for (const auto& c : cases) {
        Sentient* target = placeTarget(5, c.tx, c.ty);
        ASSERT_NE(target, nullptr);
        nav.clearBlocks();
        nav.blockWalking(0, c.bx, c.by);
        EXPECT_EQ(actor->isWalkLineClear(target), c.clear) << c.what;
    }
}

TEST_F(ActorTest, WalksRoundABlockedRowToItsDestination)
{
    Actor* actor = spawn(findType("GoblinWarrior"), 5, 20, 10);
    ASSERT_NE(actor, nullptr);
    actor->setChecksActivity(false);
    actor->clearBehaviors(); // the walk alone
    for (int x = 15; x <= 25; ++x)
        nav.blockWalking(0, x, 15);
    ZonePosition goal = nav.tileCentre(0, 20, 20);
    actor->moveAlongPathTo(goal);
    EXPECT_TRUE(actor->isMoving());
    bool crossedRow = false;
    for (int i = 0; i < 400 && actor->isMoving(); ++i) {
        world.game->update(0.05f);
        const ZonePosition& p = actor->getPosition();
        if (nav.isBlockedForMovement(p) && std::fabs(p.y - nav.centreOf(15)) < 1.0f)
            crossedRow = true;
    }
    EXPECT_FALSE(actor->isMoving());
    EXPECT_FALSE(crossedRow);
    EXPECT_EQ(actor->getPosition(), goal);
}

TEST_F(ActorTest, AFailedPathStopsTheWalkAndAnUnloadedLevelIsNotWalked)
{
    Actor* actor = spawn(findType("GoblinWarrior"), 5, 20, 10);
    ASSERT_NE(actor, nullptr);
    actor->setChecksActivity(false);
    actor->clearBehaviors(); // the walk alone
    // Beyond the 25-tile window.
    actor->moveAlongPathTo(nav.tileCentre(0, 20, 40));
    step(1.0f);
    EXPECT_FALSE(actor->isMoving());
    EXPECT_EQ(actor->getPosition(), nav.tileCentre(0, 20, 10));

    actor->moveAlongPathTo(nav.tileCentre(0, 20, 14));
    nav.closeZone(0);
    step(1.0f);
    EXPECT_EQ(actor->getPosition(), nav.tileCentre(0, 20, 10));
    EXPECT_TRUE(actor->isMoving());
    nav.openZone(0);
    step(2.0f);
    EXPECT_EQ(actor->getPosition(), nav.tileCentre(0, 20, 14));
}

TEST_F(ActorTest, AKilledMonsterWithoutDeathAnimationsPassesEveryStateAndIsDeleted)
{
    MonsterCopy goblin(findType("GoblinWarrior"));
    goblin.archetype->deathFadeTime = 2.0f;
    goblin.archetype->modelName.clear();
    goblin.type->modelName.clear();
    Actor* actor = spawn(goblin.type.get(), 5, 20, 10);
    Sentient* killer = placeTarget(5, 22, 10);
    ASSERT_TRUE(actor && killer);
    actor->setChecksActivity(false);
    int number = actor->getEntityNumber();
    int drops = 0;
    int deaths = 0;
    Sentient* credited = nullptr;
    world.game->hooks().dropMonsterLoot = [&](Actor* a, float share, int, float, float) {
        EXPECT_EQ(a, actor);
        EXPECT_FLOAT_EQ(share, 1.0f);
        ++drops;
    };
    world.game->hooks().monsterDied = [&](Actor*, Sentient* credit) {
        credited = credit;
        ++deaths;
    };
    actor->takeDamage(actor->getHealth(), killer);
    ASSERT_TRUE(actor->isDead());
    EXPECT_EQ(actor->getKillCreditEntity(), killer);
    world.game->update(0.05f);
    EXPECT_EQ(actor->getDeathState(), Actor::kCorpse);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(credited, killer);
    EXPECT_TRUE(actor->getTargets().empty());
    step(2.1f);
    ASSERT_EQ(world.game->getEntity(number), actor);
    EXPECT_EQ(actor->getDeathState(), Actor::kFading);
    step(5.6f);
    EXPECT_EQ(world.game->getEntity(number), nullptr);
    EXPECT_EQ(drops, 1);
}

TEST_F(ActorTest, TheDeathSkillIsUsedOnceWithoutTargetOrChecks)
{
    MonsterCopy bloater(findType("GoblinWarrior"));
    bloater.archetype->deathSkill = "GoblinAmbush";
    bloater.archetype->modelName.clear();
    bloater.type->modelName.clear();
    Actor* actor = spawn(bloater.type.get(), 5, 20, 10);
    ASSERT_NE(actor, nullptr);
    ASSERT_NE(actor->getDeathSkill(), nullptr);
    struct Use {
        SkillBase* skill;
        Entity* target;
        bool unchecked;
    };
    std::vector<Use> uses;
    EntityServiceHooks hooks = EntityServices::hooks();
    hooks.useSkill = [&](SkillBase* skill, Sentient* user, Entity* target, int, bool unchecked) {
        if (user == actor)
            uses.push_back({skill, target, unchecked});
    };
    EntityServices::setHooks(hooks);
    actor->takeDamage(actor->getHealth(), nullptr);
    step(1.0f);
    ASSERT_EQ(uses.size(), 1u);
    EXPECT_EQ(uses[0].skill, actor->getDeathSkill());
    EXPECT_EQ(uses[0].target, nullptr);
    EXPECT_TRUE(uses[0].unchecked);
}

TEST_F(ActorTest, NpcsDropNoLootAndQuestNpcsReportTheirDeath)
{
    Actor* actor = spawn(findType("GoblinWarrior"), 5, 20, 10);
    ASSERT_NE(actor, nullptr);
    int drops = 0;
    int reports = 0;
    world.game->hooks().dropMonsterLoot = [&](Actor*, float, int, float, float) { ++drops; };
    world.game->hooks().questNpcDied = [&](Actor*, Sentient*) { ++reports; };
    actor->setQuestActor(true);
    actor->takeDamage(actor->getHealth() + 5, nullptr);
    world.game->update(0.05f);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(reports, 1);

    int announced = 0;
    world.game->hooks().announceDeath = [&](Actor*) { ++announced; };
    Actor* guard = spawn(findType("TownGuardType"), 5, 24, 10);
    ASSERT_NE(guard, nullptr);
    ASSERT_TRUE(guard->isNpc());
    guard->takeDamage(guard->getHealth(), nullptr);
    world.game->update(0.05f);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(announced, 1);
}

TEST_F(ActorTest, MaximumHealthZeroIsNeverDead)
{
    Actor actor;
    actor.setMaxHealth(0);
    actor.setHealth(0);
    actor.update(0.05f);
    EXPECT_EQ(actor.getDeathState(), Actor::kAlive);
}

TEST_F(ActorTest, TheLedgerCountsCovenantIndexesOnlyForCovenantsThatExist)
{
    Actor* actor = spawn(findType("GoblinWarrior"), 5, 20, 10);
    Sentient* loner = placeTarget(5, 22, 10);
    ASSERT_TRUE(actor && loner);
    actor->takeDamage(10, loner);
    EXPECT_EQ(actor->getDamageByCovenant(-1), 0);
    loner->setCovenantIndex(3); // no such covenant in the game
    actor->takeDamage(10, loner);
    EXPECT_EQ(actor->getDamageByCovenant(3), 0);
}

TEST_F(ActorTest, KillCreditGoesToTheCovenantThatDidMostWithItsLeaderNear)
{
    ScriptedCovenant& first = addScriptedCovenant(*world.game);
    ScriptedCovenant& second = addScriptedCovenant(*world.game);
    const int a = first.index;
    const int b = second.index;
    Actor* victim = spawn(findType("GoblinWarrior"), 5, 20, 20);
    Sentient* leaderA = placeTarget(5, 20, 24); // 128 away
    Sentient* memberA = placeTarget(5, 21, 20);
    Sentient* leaderB = placeTarget(5, 20, 28); // 256 away
    Sentient* memberB = placeTarget(5, 19, 20);
    ASSERT_TRUE(victim && leaderA && memberA && leaderB && memberB);
    first.leader = leaderA;
    second.leader = leaderB;
    for (Sentient* s : {leaderA, memberA})
        s->setCovenantIndex(a);
    for (Sentient* s : {leaderB, memberB})
        s->setCovenantIndex(b);

    victim->takeDamage(10, memberA);
    victim->takeDamage(30, memberB);
    EXPECT_EQ(victim->getDamageByCovenant(a), 10);
    EXPECT_EQ(victim->getDamageByCovenant(b), 30);
    // B did more but its leader is beyond 250; A's leader takes the kill
    // dealt by B's member.
    victim->takeDamage(victim->getHealth(), memberB);
    EXPECT_EQ(victim->getKillCreditEntity(), leaderA);
    EXPECT_EQ(victim->getDamageByCovenant(a), 0) << "the ledger is emptied";

    // With B's leader at exactly 250 B takes it: its own member struck.
    Actor* again = spawn(findType("GoblinWarrior"), 5, 20, 20);
    leaderB->setPosition(ZonePosition(0, again->getPosition().x, again->getPosition().y + 250.0f));
    again->takeDamage(10, memberA);
    again->takeDamage(30, memberB);
    again->takeDamage(again->getHealth(), memberB);
    EXPECT_EQ(again->getKillCreditEntity(), memberB);

    // An excluded covenant is passed over; with no covenant left the striker
    // is credited.
    second.excluded = true;
    first.leader = nullptr;
    Actor* third = spawn(findType("GoblinWarrior"), 5, 20, 20);
    third->takeDamage(30, memberB);
    third->takeDamage(third->getHealth(), memberA);
    EXPECT_EQ(third->getKillCreditEntity(), memberA);
}

TEST_F(ActorTest, ACovenantMemberComesBackAfterItsWaitAtTheCovenantsPlace)
{
    ScriptedCovenant& house = addScriptedCovenant(*world.game);
    house.resurrectTime = 2.0f;
    house.returnPosition = nav.tileCentre(0, 40, 40);
    const int index = house.index;
    MonsterCopy guard(findType("SkeletonWarrior"));
    guard.archetype->canBeRaised = true;
    guard.archetype->deathFadeTime = 30.0f;
    guard.archetype->modelName.clear();
    guard.type->modelName.clear();
    Actor* member = spawn(guard.type.get(), 4, 20, 20);
    ASSERT_NE(member, nullptr);
    member->setCovenantIndex(index);
    member->takeDamage(member->getHealth(), nullptr);
    world.game->update(0.05f);
    ASSERT_EQ(member->getDeathState(), Actor::kCorpse);
    member->endCorpse();
    EXPECT_EQ(member->getDeathState(), Actor::kCorpse) << "spared while its covenant will raise it";
    step(2.2f);
    EXPECT_TRUE(member->isAlive());
    EXPECT_EQ(member->getHealth(), member->getMaxHealth());
    EXPECT_EQ(house.teleportEffects, 1);
    EXPECT_LT(ZonePosition::distanceTo(member->getPosition(), house.returnPosition), 100.0f);

    // A class that cannot be raised fades even in such a covenant.
    guard.archetype->canBeRaised = false;
    const int number = member->getEntityNumber();
    member->takeDamage(member->getHealth(), nullptr);
    step(2.2f + Actor::kFadeSeconds + 0.5f);
    EXPECT_EQ(world.game->getEntity(number), nullptr);
}

} // namespace

namespace {

TEST_F(ActorTest, EnemySkillsAreRefusedWhileTheTargetCannotBeSeen)
{
    Actor* actor = spawn(findType("GoblinWarrior"), 5, 10, 10);
    Sentient* target = placeTarget(5, 14, 10);
    ASSERT_TRUE(actor && target);
    auto* ambush = dynamic_cast<Skill*>(actor->getSkillList()->findByName("GoblinAmbush"));
    ASSERT_NE(ambush, nullptr);
    ASSERT_TRUE(ambush->getDefinition()->needsEnemy);
    EXPECT_NE(ambush->checkUse(actor, target, Skill::kStageCastDone, false), 12);
    nav.blockSight(0, 12, 10);
    EXPECT_EQ(ambush->checkUse(actor, target, Skill::kStageCastDone, false), 12);
    EXPECT_NE(ambush->checkUse(actor, nullptr, Skill::kStageCastDone, false), 12);
}

// A goblin that hid comes out only through its ambush, which clears the
// user's own hidden flag; without that it would wait hidden for ever.
TEST_F(ActorTest, AHiddenGoblinAmbushesAnEnemyBesideItAndIsSeenAgain)
{
    Actor* actor = spawn(findType("GoblinWarrior"), 5, 10, 10);
    Sentient* target = placeTarget(5, 11, 10);
    ASSERT_TRUE(actor && target);
    // A monster loves its own faction, itself included.
    EntityServiceHooks hooks = EntityServices::hooks();
    hooks.factionRelation = [](const Entity* a, const Entity* b) { return a == b ? 4 : 1; };
    EntityServices::setHooks(hooks);
    actor->setChecksActivity(false);
    actor->setFlags(actor->getFlags() | Actor::kFlagHidden);
    actor->addTargetEntry(target);
    for (int i = 0; i < 400 && actor->hasFlag(Actor::kFlagHidden); ++i)
        step(0.05f);
    EXPECT_FALSE(actor->hasFlag(Actor::kFlagHidden));
}

TEST_F(ActorTest, AnAttackedMonsterCallsThoseThatHearIt)
{
    MonsterCopy goblin(findType("GoblinWarrior"));
    goblin.archetype->baseAggressionRange = 400.0f;
    Actor* victim = spawn(goblin.type.get(), 5, 10, 10);
    Actor* near = spawn(goblin.type.get(), 5, 14, 10);
    Actor* far = spawn(goblin.type.get(), 5, 40, 40);
    Sentient* attacker = placeTarget(5, 8, 10);
    ASSERT_TRUE(victim && near && far && attacker);
    victim->attackedBy(attacker);
    EXPECT_NE(victim->findTargetEntry(attacker), nullptr);
    EXPECT_NE(near->findTargetEntry(attacker), nullptr);
    EXPECT_EQ(far->findTargetEntry(attacker), nullptr);
    // Hearing waits for its timer; a neutral is never taken.
    near->clearTargetList();
    victim->attackedBy(attacker);
    EXPECT_EQ(near->findTargetEntry(attacker), nullptr);
    relation = 2;
    far->setPosition(nav.tileCentre(0, 12, 12));
    victim->attackedBy(attacker);
    EXPECT_EQ(far->findTargetEntry(attacker), nullptr);

    // The party is told whatever the distance: the leader and every follower.
    relation = 1;
    Actor* leader = spawn(goblin.type.get(), 5, 60, 60);
    Actor* other = spawn(goblin.type.get(), 5, 70, 70);
    ASSERT_TRUE(leader && other);
    far->setPosition(nav.tileCentre(0, 40, 40));
    victim->setLeader(leader, 4);
    other->setLeader(leader, 4);
    victim->attackedBy(attacker);
    EXPECT_NE(leader->findTargetEntry(attacker), nullptr);
    EXPECT_NE(other->findTargetEntry(attacker), nullptr);
    EXPECT_EQ(far->findTargetEntry(attacker), nullptr);
}

TEST_F(ActorTest, AlertSummonAndSkillHateAddPlainlyAndOnlyHealHateIsScaled)
{
    MonsterCopy goblin(findType("GoblinWarrior"));
    goblin.archetype->healingHateMult = 0.5f;
    Actor* actor = spawn(goblin.type.get(), 5, 10, 10);
    Sentient* other = placeTarget(5, 12, 10);
    ASSERT_TRUE(actor && other);
    for (int kind : {0, 3, 5, 4})
        actor->updateTargetEntry(other, 10.0f, kind);
    EXPECT_FLOAT_EQ(actor->findTargetEntry(other)->threat, 40.0f);
    actor->updateTargetEntry(other, 10.0f, Actor::kThreatHeal);
    EXPECT_FLOAT_EQ(actor->findTargetEntry(other)->threat, 45.0f);
    // Nothing for the untargetable or a same-covenant member.
    Sentient* ghost = placeTarget(5, 12, 12);
    ghost->setFlags(ghost->getFlags() | Actor::kFlagNotTargetable);
    actor->updateTargetEntry(ghost, 10.0f, 0);
    EXPECT_EQ(actor->findTargetEntry(ghost), nullptr);
    Sentient* member = placeTarget(5, 8, 10);
    actor->setCovenantIndex(2);
    member->setCovenantIndex(2);
    actor->updateTargetEntry(member, 10.0f, 0);
    EXPECT_EQ(actor->findTargetEntry(member), nullptr);
}

} // namespace

namespace {

TEST_F(ActorTest, ARaisableCorpseComesBackAtFullHealthAndAnEatenOneGoes)
{
    MonsterCopy skeleton(findType("SkeletonWarrior"));
    skeleton.archetype->canBeRaised = true;
    skeleton.archetype->deathFadeTime = 30.0f;
    skeleton.archetype->modelName.clear();
    skeleton.type->modelName.clear();
    Actor* body = spawn(skeleton.type.get(), 4, 20, 20);
    ASSERT_NE(body, nullptr);
    body->setChecksActivity(false);
    EXPECT_FALSE(body->resurrect()) << "only a corpse";
    int plagues = 0;
    world.game->hooks().applyPlagueEffects = [&](Sentient*) { ++plagues; };
    body->takeDamage(body->getHealth(), nullptr);
    world.game->update(0.05f);
    ASSERT_EQ(body->getDeathState(), Actor::kCorpse);
    body->setEnhancementRarity(5);
    EXPECT_FALSE(body->resurrect());
    body->setEnhancementRarity(0);
    ASSERT_TRUE(body->resurrect());
    EXPECT_EQ(body->getHealth(), body->getMaxHealth());
    EXPECT_EQ(body->getDeathState(), Actor::kAlive);
    EXPECT_FALSE(body->isPristine());
    EXPECT_EQ(plagues, 1);
    step(1.0f);
    EXPECT_TRUE(body->isAlive());

    // A class that cannot be raised stays dead; an eaten body goes at once.
    skeleton.archetype->canBeRaised = false;
    body->takeDamage(body->getHealth(), nullptr);
    world.game->update(0.05f);
    EXPECT_FALSE(body->resurrect());
    int number = body->getEntityNumber();
    body->endCorpse();
    step(0.2f);
    EXPECT_EQ(world.game->getEntity(number), nullptr);
}

} // namespace

namespace {

TEST_F(ActorTest, SkillHateSilentHateAndHateReductionReachTheMonsterHit)
{
    Actor* user = spawn(findType("GoblinWarrior"), 5, 10, 10);
    Actor* victim = spawn(findType("GoblinWarrior"), 5, 11, 10);
    ASSERT_TRUE(user && victim);
    user->addTargetEntry(victim);
    user->updateTargets(0.05f);
    ASSERT_EQ(user->getTarget(), victim);
    SkillDefinition taunt;
    taunt.needsEnemy = true;
    taunt.maxRange = 200.0f;
    taunt.hateChange = 25.0f;
    taunt.silentHateChange = 5.0f;
    auto* skill = dynamic_cast<Skill*>(user->getSkillList()->addSkill(&taunt, user, 0, 0));
    ASSERT_NE(skill, nullptr);
    ASSERT_TRUE(skill->applyToEnemies(user));
    ASSERT_NE(victim->findTargetEntry(user), nullptr);
    EXPECT_FLOAT_EQ(victim->findTargetEntry(user)->threat, 30.0f);
    taunt.reduceAllHate = 0.5f;
    skill->applyToEnemies(user);
    EXPECT_FLOAT_EQ(victim->findTargetEntry(user)->threat, 30.0f);
}

} // namespace

namespace {

// A monster on the field: it sees one character, is hurt by two, takes the
// more hated one as its target, follows it round a wall, and once killed
// goes through its death states to deletion.
TEST_F(ActorTest, AMonsterNoticesRanksFollowsAndDiesOnTheField)
{
    MonsterCopy goblin(findType("GoblinWarrior"));
    goblin.archetype->baseAggressionRange = 350.0f;
    goblin.archetype->sensesTime = 0.2f;
    goblin.archetype->deathFadeTime = 1.0f;
    Actor* actor = spawn(goblin.type.get(), 5, 20, 10);
    Sentient* seen = placeTarget(5, 20, 16);
    Sentient* hitter = placeTarget(5, 26, 10);
    ASSERT_TRUE(actor && seen && hitter);
    actor->setChecksActivity(false);
    for (int x = 14; x <= 26; ++x)
        nav.blockWalking(0, x, 13);

    step(1.0f);
    ASSERT_NE(actor->findTargetEntry(seen), nullptr) << "seen across a wall that only blocks walking";
    EXPECT_EQ(actor->getTarget(), seen);
    actor->takeDamage(10, hitter);
    actor->takeDamage(4, seen);
    step(0.1f);
    EXPECT_EQ(actor->getTarget(), hitter);
    actor->takeDamage(20, seen);
    step(0.1f);
    ASSERT_EQ(actor->getTarget(), seen);

    actor->followEntity(seen);
    bool stoodOnWall = false;
    for (int i = 0; i < 200 && actor->isMoving(); ++i) {
        world.game->update(0.05f);
        if (!actor->isStepping() && nav.isBlockedForMovement(actor->getPosition()))
            stoodOnWall = true;
    }
    EXPECT_FALSE(stoodOnWall);
    EXPECT_LT(ZonePosition::distanceTo(actor->getPosition(), seen->getPosition()),
              1.5f * 32.0f + actor->getRadius() + seen->getRadius());

    const int number = actor->getEntityNumber();
    actor->takeDamage(actor->getHealth(), seen);
    std::vector<int> states;
    for (int i = 0; i < 200 && world.game->getEntity(number); ++i) {
        world.game->update(0.05f);
        if (world.game->getEntity(number) && (states.empty() || states.back() != actor->getDeathState()))
            states.push_back(actor->getDeathState());
    }
    EXPECT_EQ(world.game->getEntity(number), nullptr);
    EXPECT_FALSE(states.empty());
    EXPECT_TRUE(std::is_sorted(states.begin(), states.end()));
    EXPECT_TRUE(seen->getListeners().empty() || seen->getListeners()[0].get() == nullptr);
}

} // namespace

namespace {

TEST_F(ActorTest, MonstersTakeTheFactionOfTheirTypeOrClassAndAnswerItsAlert)
{
    FactionSystem factions;
    MonsterCopy goblin(findType("GoblinWarrior"));
    goblin.type->factionName.clear();
    Actor* a = spawn(goblin.type.get(), 5, 10, 10);
    goblin.type->factionName = "Cultists of the test";
    Actor* b = spawn(goblin.type.get(), 5, 12, 10);
    Actor* far = spawn(findType("GoblinWarrior"), 5, 60, 60);
    Sentient* user = placeTarget(5, 11, 12);
    ASSERT_TRUE(a && b && far && user);
    const Faction* monsters = factions.findFaction(goblin.archetype->factionName);
    const Faction* added = factions.findFaction("Cultists of the test");
    ASSERT_TRUE(monsters && added);
    EXPECT_EQ(a->getFactionId(), monsters->id);
    EXPECT_EQ(b->getFactionId(), added->id);

    Actor::alertFaction(goblin.archetype->factionName, user, 3.0f);
    ASSERT_NE(a->findTargetEntry(user), nullptr);
    EXPECT_FLOAT_EQ(a->findTargetEntry(user)->threat, 3.0f);
    EXPECT_EQ(b->findTargetEntry(user), nullptr);
    EXPECT_EQ(far->findTargetEntry(user), nullptr);
    Actor::alertFaction("No such faction", user, 3.0f);
    EXPECT_FLOAT_EQ(a->findTargetEntry(user)->threat, 3.0f);
}

} // namespace

namespace {

TEST_F(ActorTest, EnemyRulesOfNpcsFriendlyActorsAndCovenants)
{
    Actor* monster = spawn(findType("GoblinWarrior"), 5, 10, 10);
    Actor* npc = spawn(findType("TownGuardType"), 5, 12, 10);
    Sentient* character = placeTarget(5, 14, 10);
    ASSERT_TRUE(monster && npc && character);
    ASSERT_TRUE(npc->isNpc());
    Entity object;
    EXPECT_FALSE(monster->isEnemy(monster));
    EXPECT_FALSE(monster->isEnemy(nullptr));
    EXPECT_TRUE(monster->isEnemy(&object));
    EXPECT_FALSE(npc->isEnemy(&object)) << "an NPC takes on living characters only";
    EXPECT_TRUE(npc->isEnemy(character));
    EXPECT_TRUE(npc->isEnemy(monster));
    monster->setFriendly(true);
    EXPECT_FALSE(monster->isEnemy(npc));
    EXPECT_FALSE(npc->isEnemy(monster));
    EXPECT_TRUE(monster->isEnemy(character));
    monster->setFriendly(false);
    monster->setCovenantIndex(4);
    character->setCovenantIndex(4);
    EXPECT_FALSE(monster->isEnemy(character));
    monster->addTargetEntry(character);
    EXPECT_TRUE(monster->getTargets().empty());
}

} // namespace

namespace {

TEST_F(ActorTest, InvisibleMonstersFadeInAsTheirNearestTargetComesAndHideWhenDead)
{
    MonsterCopy ghost(findType("GoblinWarrior"));
    ghost.archetype->invisibleDistance = 320.0f;
    ghost.archetype->hiddenWhenDead = true;
    ghost.archetype->modelName.clear();
    ghost.type->modelName.clear();
    Actor* actor = spawn(ghost.type.get(), 5, 20, 20);
    Sentient* target = placeTarget(5, 20, 25); // 160 away
    ASSERT_TRUE(actor && target);
    actor->setChecksActivity(false);
    actor->addTargetEntry(target);
    step(3.0f);
    EXPECT_NEAR(actor->getFade(), 0.5f, 0.05f);
    target->setPosition(nav.tileCentre(0, 20, 35));
    step(3.0f);
    EXPECT_NEAR(actor->getFade(), 0.0f, 0.05f);
    EXPECT_FALSE(actor->hasFlag(Actor::kFlagHidden));
    actor->takeDamage(actor->getHealth(), nullptr);
    world.game->update(0.05f);
    EXPECT_TRUE(actor->hasFlag(Actor::kFlagHidden));
}

} // namespace

namespace {

TEST_F(ActorTest, AMonsterClassPlaysItsOwnAttackSoundAndShowsItsOwnCombatEffect)
{
    createCombatSystem();
    const int hit = toIndex(AttackSoundType::NormalHit);
    const int block = toIndex(AttackSoundType::Block);
    MonsterCopy biter(findType("GoblinWarrior"));
    biter.archetype->attackSounds.fill("");
    biter.archetype->combatEffects.fill("");
    biter.archetype->attackSounds[static_cast<size_t>(hit)] = "sounds/monsters/bite.ogg";
    biter.archetype->combatEffects[static_cast<size_t>(hit)] = "EffectDeadlyHit";
    Actor* attacker = spawn(biter.type.get(), 5, 10, 10);
    Actor* target = spawn(biter.type.get(), 5, 11, 10);
    ASSERT_TRUE(attacker && target);

    auto soundsAtTarget = [&] {
        std::vector<std::string> out;
        const auto& names = world.server->getResourceNames();
        for (const SoundEvent& e : world.game->getSoundEvents())
            if (e.entityNumber == target->getEntityNumber() && e.nameIndex >= 0)
                out.push_back(names.at(static_cast<size_t>(e.nameIndex)));
        return out;
    };
    auto effectsNear = [&](const std::string& name) {
        int n = 0;
        for (int i = 0; i < 1000; ++i)
            if (Entity* e = world.game->getEntity(i); e && e->getEntry() && e->getEntry()->getName() == name)
                ++n;
        return n;
    };

    world.game->clearSoundEvents();
    CombatSystem::instance()->playAttackSound(target, attacker, hit);
    CombatSystem::instance()->spawnCombatEffect(target, attacker, hit);
    EXPECT_EQ(soundsAtTarget(), std::vector<std::string>{"sounds/monsters/bite.ogg"});
    EXPECT_EQ(effectsNear("EffectDeadlyHit"), 1);
    EXPECT_EQ(effectsNear("EffectNormalHit"), 0);

    // An outcome the class leaves empty falls back to the game's.
    world.game->clearSoundEvents();
    CombatSystem::instance()->playAttackSound(target, attacker, block);
    CombatSystem::instance()->spawnCombatEffect(target, attacker, block);
    EXPECT_EQ(soundsAtTarget(),
              std::vector<std::string>{worldRules().attackSound[static_cast<size_t>(block)]});
    EXPECT_EQ(effectsNear(worldRules().combatEffect[static_cast<size_t>(block)]), 1);
    destroyCombatSystem();
}

// A member saved mid-sprint keeps its walking pace in its record, as the
// body made from the record walks: else a save, load and save differ.
TEST_F(ActorTest, ARecordTakenMidSprintKeepsTheWalk)
{
    const int movement = toIndex(CharacterStat::Movement);
    for (const char* typeName : {"RecruitRogue", "RecruitWarrior"}) {
        Actor* member = spawn(findType(typeName), 5, 10, 10);
        ASSERT_NE(member, nullptr) << typeName;
        const int walk = member->getStat(movement);
        Recruit walking;
        walking.saveFromActor(member);
        EXPECT_EQ(walking.stats.get(movement), walk) << typeName;

        member->setSprinting(true);
        member->updateStats(false);
        const int run = member->getStat(movement);
        ASSERT_NE(run, walk) << typeName;
        Recruit sprinting;
        sprinting.saveFromActor(member);
        EXPECT_EQ(sprinting.stats.get(movement), walk) << typeName;
        EXPECT_EQ(member->getStat(movement), run) << "the save leaves the sprint be";
        EXPECT_TRUE(member->isSprinting());
    }
}

} // namespace

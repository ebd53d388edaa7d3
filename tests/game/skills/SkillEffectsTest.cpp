#include "game/skills/Skill.h"

#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/DefinitionReader.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Projectile.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillList.h"
#include "game/skills/SkillLoaders.h"
#include "game/skills/StatusEffect.h"
#include "game/world/CombatSystem.h"
#include "support/ScriptedCovenant.h"
#include "support/SkillUser.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kPower = toIndex(CharacterStat::Power);
constexpr int kMaxPower = toIndex(CharacterStat::MaxPower);

struct Loaders {
    Loaders() { registerSkillLoaders(); }
};

// Class-less sentients in the real Game; the enemies and allies within range
// are the ones the test lists.
class SkillEffectsTest : public ::testing::Test {
protected:
    SkillEffectsTest() : m_saved(EntityServices::hooks())
    {
        EntityServiceHooks hooks = EntityServices::hooks();
        hooks.entitiesInRange = [this](Entity*, const ZonePosition&, float, uint32_t mask,
                                       std::vector<Entity*>& out) {
            masks.push_back(mask);
            out.insert(out.end(), inRange.begin(), inRange.end());
        };
        EntityServices::setHooks(hooks);
        createCombatSystem();
        // One level record, so that entities are indexed and block places.
        world.game->resizeForWorld(1);
        user = spawn(1000.0f, 1000.0f);
        list = dynamic_cast<SkillList*>(user->getSkillList());
        EXPECT_NE(list, nullptr);
        list->setFixed(true);
    }
    ~SkillEffectsTest() override
    {
        destroyCombatSystem();
        EntityServices::setHooks(m_saved);
    }

    SkillUser* spawn(float x, float y)
    {
        auto* s = new SkillUser();
        s->setMaxHealth(100);
        s->setHealth(100);
        s->setPosition(ZonePosition(0, x, y));
        if (world.game->addEntity(s) < 0) {
            delete s;
            return nullptr;
        }
        return s;
    }

    Skill* learn(SkillDefinition& definition)
    {
        definition.basicSkill = true;
        return static_cast<Skill*>(list->addSkill(&definition, user, 0, 0));
    }

    // A definition's status effect read from a shipped entry.
    void giveStatusEffect(SkillDefinition& definition, const char* entryName)
    {
        const DatabaseEntry* entry = world.database.findEntry(entryName);
        ASSERT_NE(entry, nullptr);
        definition.statusEffect = std::make_unique<StatusEffectBase>();
        definition.statusEffect->setEntry(entry, 1, nullptr);
    }

    std::vector<Projectile*> projectiles() const
    {
        std::vector<Projectile*> out;
        for (int i = 0; i < Game::kMaxEntities; ++i)
            if (auto* p = dynamic_cast<Projectile*>(world.game->getEntity(i)))
                out.push_back(p);
        return out;
    }

    // The first two draws of stream 0 from the state, which is kept.
    static std::pair<float, float> nextTwoDraws()
    {
        uint32_t state = Random::getState(0);
        float a = randomFloat(0);
        float b = randomFloat(0);
        Random::setState(0, state);
        return {a, b};
    }

    Loaders loaders;
    TestWorld world;
    SkillUser* user = nullptr;
    SkillList* list = nullptr;
    std::vector<Entity*> inRange;
    std::vector<uint32_t> masks;

private:
    EntityServiceHooks m_saved;
};

TEST_F(SkillEffectsTest, ExtraEnemiesNeverRepeatATarget)
{
    SkillDefinition cleave;
    cleave.needsEnemy = true;
    cleave.extraEnemies = 2;
    cleave.maxRange = 100.0f;
    Skill* skill = learn(cleave);
    SkillUser* first = spawn(1020.0f, 1000.0f);
    SkillUser* second = spawn(1000.0f, 1030.0f);
    user->target = first;
    // The query also returns the user's own target: it is not picked twice.
    inRange = {first, second};
    std::vector<Entity*> targets;
    skill->collectEnemies(user, targets);
    EXPECT_EQ(targets, (std::vector<Entity*>{first, second}));
    ASSERT_EQ(masks.size(), 1u);
    EXPECT_EQ(masks[0], 4u);

    // Every enemy in range, once each.
    cleave.extraEnemies = 0;
    cleave.allEnemies = true;
    inRange = {second, first, second};
    targets.clear();
    skill->collectEnemies(user, targets);
    EXPECT_EQ(targets, (std::vector<Entity*>{first, second}));

    // Without extra enemies no query is made.
    cleave.allEnemies = false;
    targets.clear();
    skill->collectEnemies(user, targets);
    EXPECT_EQ(targets, (std::vector<Entity*>{first}));
    EXPECT_EQ(masks.size(), 2u);
}

TEST_F(SkillEffectsTest, StatusEffectsEventsAndInterruptsOnEnemies)
{
    const SkillDefinition* curse = world.data->findSkillDefinition("SkeletonBoneCurse");
    ASSERT_NE(curse, nullptr);
    ASSERT_NE(curse->getStatusEffect(), nullptr);
    auto* curseSkill = static_cast<Skill*>(list->addSkill(curse, user, 0, 1));
    SkillUser* victim = spawn(1020.0f, 1000.0f);
    user->target = victim;
    EXPECT_TRUE(curseSkill->applyToEnemies(user));
    EXPECT_EQ(victim->getStatusEffects().size(), 1u);

    SkillDefinition shove;
    shove.needsEnemy = true;
    shove.interrupt = true;
    shove.enemyEvent = toIndex(SimpleEvent::Attacked);
    Skill* skill = learn(shove);
    ASSERT_TRUE(victim->startSkillWindup(3, 5.0f, nullptr, false, 0));
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_EQ(victim->countEvents(toIndex(SimpleEvent::Attacked)), 1);
    // The wind-up was cancelled, which reports the skill finished.
    EXPECT_EQ(victim->countEvents(toIndex(SimpleEvent::SkillFinished)), 1);

    // A target that does not carry the required status type is passed over.
    shove.requiredEnemyStatus = 99;
    SkillUser* other = spawn(1040.0f, 1000.0f);
    user->target = other;
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_EQ(other->countEvents(toIndex(SimpleEvent::Attacked)), 0);
    // No target at all: nothing was listed.
    user->target = nullptr;
    EXPECT_FALSE(skill->applyToEnemies(user));
}

TEST_F(SkillEffectsTest, AnEffectLaidOnACovenantMemberIsAnAttackOnItsCovenant)
{
    const SkillDefinition* curse = world.data->findSkillDefinition("SkeletonBoneCurse");
    ASSERT_NE(curse, nullptr);
    auto* curseSkill = static_cast<Skill*>(list->addSkill(curse, user, 0, 1));
    ScriptedCovenant& theirs = scriptedCovenantAt(*world.game, 0);
    ScriptedCovenant& ours = scriptedCovenantAt(*world.game, 1);
    SkillUser* victim = spawn(1020.0f, 1000.0f);
    victim->setCovenantIndex(theirs.index);
    user->setCovenantIndex(ours.index);
    user->target = victim;
    ASSERT_TRUE(curseSkill->applyToEnemies(user));
    ASSERT_EQ(victim->getStatusEffects().size(), 1u);
    // The covenant takes it as an attack: war on the user's covenant.
    EXPECT_EQ(theirs.getRelationState(ours.index), static_cast<int>(CovenantTreaty::War));
}

TEST_F(SkillEffectsTest, FriendSkillPrefersTheChosenFriend)
{
    SkillDefinition mend;
    mend.self = true;
    mend.needsFriend = true;
    mend.heal = 10;
    Skill* skill = learn(mend);
    SkillUser* buddy = spawn(1010.0f, 1000.0f);
    buddy->setLeader(user, 5);
    buddy->setHealth(50);
    user->setHealth(50);
    EXPECT_TRUE(skill->applyToFriends(user, buddy));
    EXPECT_TRUE(buddy->getHealth() == 60 || buddy->getHealth() == 70) << buddy->getHealth();
    EXPECT_EQ(user->getHealth(), 50);

    // A stranger is no friend: the user mends itself.
    SkillUser* stranger = spawn(1030.0f, 1000.0f);
    stranger->setCovenantIndex(addScriptedCovenant(*world.game).index);
    stranger->setHealth(50);
    EXPECT_TRUE(skill->applyToFriends(user, stranger));
    EXPECT_EQ(stranger->getHealth(), 50);
    EXPECT_GT(user->getHealth(), 50);

    // "AllAllies" adds the allies in range, each once.
    mend.allAllies = true;
    inRange = {buddy, user, stranger};
    std::vector<Entity*> friends;
    skill->collectFriends(user, buddy, friends);
    EXPECT_EQ(friends, (std::vector<Entity*>{buddy, user, stranger}));
    EXPECT_EQ(masks.back(), 2u);
}

TEST_F(SkillEffectsTest, HealCriticalDoublesOnTheUsersRoll)
{
    SkillDefinition heal;
    heal.heal = 10;
    heal.healPercent = 0.1f;
    Skill* skill = learn(heal);
    SkillUser* patient = spawn(1010.0f, 1000.0f);
    // Without a class the critical chance is 5 %: a draw below 0.05 doubles.
    Random::setState(0, 0);
    float r = randomFloat(0);
    Random::setState(0, 0);
    int expected = (10 + 10) * (r * 100.0f < 5.0f ? 2 : 1);
    EXPECT_EQ(skill->getHealAmount(user, patient), expected);
    EXPECT_EQ(skill->getHealAmount(nullptr, patient), 20);
}

TEST_F(SkillEffectsTest, PowerAddedRisesWithoutCapWhenMaxPowerIsZero)
{
    SkillDefinition leech;
    leech.needsEnemy = true;
    leech.powerAdded = 30;
    Skill* skill = learn(leech);
    SkillUser* victim = spawn(1020.0f, 1000.0f);
    user->target = victim;
    user->getStats().set(kPower, 90);
    user->getStats().set(kMaxPower, 0);
    user->getStats().set(toIndex(CharacterStat::PowerRising), 0);
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_EQ(user->getStat(kPower), 120);
    EXPECT_EQ(user->getStat(toIndex(CharacterStat::PowerRising)), 1);
    user->getStats().set(kMaxPower, 100);
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_EQ(user->getStat(kPower), 100); // above the cap: brought down to it
    user->getStats().set(kPower, 90);
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_EQ(user->getStat(kPower), 100);
    // Only on a kill: no damage was done, nothing is added.
    leech.powerAddedOnKill = true;
    user->getStats().set(kPower, 0);
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_EQ(user->getStat(kPower), 0);
}

TEST_F(SkillEffectsTest, RequiredStatesAreConsumedOnBothSides)
{
    SkillDefinition riposte;
    riposte.needsEnemy = true;
    riposte.requiredEntityStateOne = 1u << toIndex(EntityState::Parry);
    riposte.requiredEntityStateAll = 1u << toIndex(EntityState::EnemyBlock);
    Skill* skill = learn(riposte);
    SkillUser* victim = spawn(1020.0f, 1000.0f);
    user->noteCombatEvent(toIndex(EntityState::Parry), victim->getEntityNumber());
    user->noteCombatEvent(toIndex(EntityState::Dodge), victim->getEntityNumber());
    victim->noteCombatEvent(toIndex(EntityState::Block), user->getEntityNumber());
    skill->consumeRequiredStates(user, victim);
    auto live = [](const Sentient* s, EntityState state) {
        const auto& flags = s->getTimedFlags();
        return std::any_of(flags.begin(), flags.end(), [&](const Sentient::TimedFlag& f) {
            return f.entityNumber != -1 && f.bit == toIndex(state);
        });
    };
    EXPECT_FALSE(live(user, EntityState::Parry));
    EXPECT_TRUE(live(user, EntityState::Dodge));
    EXPECT_FALSE(live(victim, EntityState::Block));
}

TEST_F(SkillEffectsTest, BlinkLandsNearOrStaysWhenEveryTryIsRefused)
{
    SkillDefinition blink;
    blink.blink = true;
    Skill* skill = learn(blink);
    ZonePosition start = user->getPosition();
    skill->moveUser(user);
    Vec2 moved = ZonePosition::getOffset(start, user->getPosition());
    // Within ±200, plus the half cell the warp may snap by.
    EXPECT_LE(std::fabs(moved.x), 216.0f);
    EXPECT_LE(std::fabs(moved.y), 216.0f);
    EXPECT_EQ(user->getPosition().zone, 0);

    // A solid neighbour within reach of every destination refuses all five.
    SkillUser* wall = spawn(user->getPosition().x, user->getPosition().y + 1.0f);
    ASSERT_NE(wall, nullptr);
    user->setRadius(400.0f);
    ZonePosition before = user->getPosition();
    Random::setState(0, 12345);
    uint32_t expected = 12345;
    for (int i = 0; i < 10; ++i)
        expected = expected * Random::kMultiplier + Random::kIncrement;
    skill->moveUser(user);
    EXPECT_EQ(user->getPosition(), before);
    EXPECT_EQ(Random::getState(0), expected);

    // A teleport by a sentient that is not a player has nowhere to go.
    blink.blink = false;
    blink.teleport = true;
    user->setRadius(0.0f);
    skill->moveUser(user);
    EXPECT_EQ(user->getPosition(), before);
}

TEST_F(SkillEffectsTest, MeleeRangeWithASkillIsTheSkillsRange)
{
    SkillUser* near = spawn(1050.0f, 1000.0f);
    SkillDefinition reach;
    reach.maxRange = 40.0f;
    EXPECT_FALSE(user->isInMeleeRange(near, &reach));
    reach.maxRange = 60.0f;
    EXPECT_TRUE(user->isInMeleeRange(near, &reach));
    reach.minRange = 55.0f;
    EXPECT_FALSE(user->isInMeleeRange(near, &reach));
    // Without a skill: 1.9 × GridSize (32).
    EXPECT_TRUE(user->isInMeleeRange(near));
    SkillUser* far = spawn(1061.0f, 1000.0f);
    EXPECT_FALSE(user->isInMeleeRange(far));
}

TEST_F(SkillEffectsTest, MissedAttackGivesNothingButConsumesTheStates)
{
    SkillDefinition lunge;
    lunge.needsEnemy = true;
    lunge.attack = true;
    lunge.maxRange = 50.0f;
    lunge.enemyEvent = toIndex(SimpleEvent::Attacked);
    lunge.requiredEntityStateOne = 1u << toIndex(EntityState::Parry);
    giveStatusEffect(lunge, "StatusEffectBoneCurse");
    Skill* skill = learn(lunge);
    // Out of the skill's reach: the hit is refused, which is a miss.
    SkillUser* victim = spawn(1300.0f, 1000.0f);
    user->target = victim;
    user->noteCombatEvent(toIndex(EntityState::Parry), victim->getEntityNumber());
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_TRUE(victim->getStatusEffects().empty());
    EXPECT_EQ(victim->countEvents(toIndex(SimpleEvent::Attacked)), 0);
    EXPECT_EQ(victim->getHealth(), 100);
    const auto& flags = user->getTimedFlags();
    EXPECT_TRUE(std::none_of(flags.begin(), flags.end(),
                             [](const Sentient::TimedFlag& f) { return f.entityNumber != -1; }));

    // "AlwaysWorks" carries on past the miss.
    lunge.alwaysWorks = true;
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_EQ(victim->getStatusEffects().size(), 1u);
    EXPECT_EQ(victim->countEvents(toIndex(SimpleEvent::Attacked)), 1);
}

TEST_F(SkillEffectsTest, ProjectileOnKillLeavesOnlyFromKilledTargets)
{
    SkillDefinition finisher;
    finisher.needsEnemy = true;
    finisher.extraEnemies = 1;
    finisher.minDamage = 500;
    finisher.maxDamage = 500;
    finisher.projectile = "ProjFirebolt";
    finisher.projectileOnKill = true;
    Skill* skill = learn(finisher);
    SkillUser* weak = spawn(1040.0f, 1000.0f);
    SkillUser* tough = spawn(1000.0f, 1040.0f);
    tough->setMaxHealth(100000);
    tough->setHealth(100000);
    user->target = weak;
    inRange = {tough};
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_LE(weak->getHealth(), 0);
    EXPECT_LT(tough->getHealth(), 100000);
    EXPECT_GT(tough->getHealth(), 0);
    std::vector<Projectile*> launched = projectiles();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0]->getTargetEntity(), weak);
    EXPECT_EQ(launched[0]->getSource(), user);
    EXPECT_EQ(launched[0]->getSkill(), skill);

    // Without the kill rule every target gets one.
    finisher.projectileOnKill = false;
    finisher.minDamage = 0;
    finisher.maxDamage = 0;
    user->target = tough;
    inRange = {};
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_EQ(projectiles().size(), 2u);
}

TEST_F(SkillEffectsTest, LaunchHandsOnTheSkillsDamageAndEffect)
{
    SkillDefinition bolt;
    bolt.projectile = "ProjFirebolt";
    bolt.projMinDamage = 6;
    bolt.projMaxDamage = 10;
    bolt.projDamageType = toIndex(DamageType::Fire);
    bolt.projRadius = 64.0f;
    bolt.projRadiusMinDamage = 2;
    bolt.projRadiusMaxDamage = 3;
    bolt.projStatusEffect = true;
    giveStatusEffect(bolt, "StatusEffectBoneCurse");
    Skill* skill = learn(bolt);
    SkillUser* victim = spawn(1100.0f, 1000.0f);
    Random::setState(0, 777);
    auto [r1, r2] = nextTwoDraws();
    // Without a class the critical chance is 5 %.
    float direct = r1 * 100.0f < 5.0f ? 2.0f : 1.0f;
    float area = r2 * 100.0f < 5.0f ? 2.0f : 1.0f;
    Projectile* p = skill->launchProjectile(user, victim, victim->getPosition());
    ASSERT_NE(p, nullptr);
    const StatChange* fire = p->getDamage().find(toIndex(DamageType::Fire));
    ASSERT_NE(fire, nullptr);
    EXPECT_FLOAT_EQ(fire->min, 6.0f * direct);
    EXPECT_FLOAT_EQ(fire->max, 10.0f * direct);
    const StatChange* burst = p->getRadiusDamage().find(toIndex(DamageType::Fire));
    ASSERT_NE(burst, nullptr);
    EXPECT_FLOAT_EQ(burst->max, 3.0f * area);
    EXPECT_FLOAT_EQ(p->getDamageRadius(), 64.0f);
    EXPECT_EQ(p->getStatusEffect(), bolt.getStatusEffect()->getEntry());
    EXPECT_EQ(p->getSkill(), skill);

    // Without its own damage, "ProjectileDamage" throws the user's weapon damage.
    bolt.projMinDamage = 0;
    bolt.projMaxDamage = 0;
    bolt.projectileDamage = true;
    Projectile* thrown = skill->launchProjectile(user, victim, victim->getPosition());
    ASSERT_NE(thrown, nullptr);
    EXPECT_FALSE(thrown->getDamage().empty());
    EXPECT_EQ(thrown->getDamage().find(toIndex(DamageType::Fire)), nullptr);
    EXPECT_EQ(skill->launchProjectile(nullptr, victim, victim->getPosition()), nullptr);
}

TEST_F(SkillEffectsTest, AlwaysWorksThrowsAtTheTargetPositionAndTurns)
{
    SkillDefinition ring;
    ring.alwaysWorks = true;
    ring.projectile = "ProjFireRing";
    Skill* skill = learn(ring);
    user->setDirection(West);
    user->targetPosition = ZonePosition(0, 1200.0f, 1000.0f);
    skill->use(user, nullptr, Skill::kStageRequest, false);
    std::vector<Projectile*> launched = projectiles();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0]->getTargetEntity(), nullptr);
    EXPECT_EQ(user->getDirection(), East);
    EXPECT_EQ(user->warpDirections, 1);
    EXPECT_TRUE(skill->getUseTimer().running);

    ring.dontLookAtTarget = true;
    skill->getUseTimer().running = false;
    user->setDirection(West);
    skill->use(user, nullptr, Skill::kStageRequest, false);
    EXPECT_EQ(projectiles().size(), 2u);
    EXPECT_EQ(user->getDirection(), West);
    EXPECT_EQ(user->warpDirections, 1);
}

TEST_F(SkillEffectsTest, ReflectionTurnsIncomingProjectilesBack)
{
    SkillDefinition ward;
    ward.reverseProjectile = true;
    ward.damageMultAll = 0.5f;
    Skill* skill = learn(ward);
    EXPECT_FLOAT_EQ(skill->getSearchRadius(), 600.0f);
    SkillUser* caster = spawn(1300.0f, 1000.0f);
    SkillUser* bystander = spawn(900.0f, 1000.0f);
    StatChangeList none;
    Projectile* incoming = Entity::spawnProjectile("ProjFirebolt", none, false, false, caster, user,
                                                   user->getPosition(), nullptr, 1, 0.0f, none, nullptr);
    Projectile* passing = Entity::spawnProjectile("ProjFirebolt", none, false, false, caster, bystander,
                                                  bystander->getPosition(), nullptr, 1, 0.0f, none, nullptr);
    ASSERT_NE(incoming, nullptr);
    ASSERT_NE(passing, nullptr);
    skill->use(user, nullptr, Skill::kStageRequest, false);
    EXPECT_EQ(incoming->getTargetEntity(), caster);
    EXPECT_EQ(incoming->getSource(), user);
    EXPECT_FLOAT_EQ(incoming->getDamageMultiplier(), 1.5f);
    EXPECT_EQ(passing->getTargetEntity(), bystander);
    EXPECT_EQ(passing->getSource(), caster);
    EXPECT_FLOAT_EQ(passing->getDamageMultiplier(), 1.0f);
}

TEST_F(SkillEffectsTest, ShippedThrowingSkillsSitInTheClassTrees)
{
    struct Placed {
        const char* skill;
        CharacterClassType owner;
        const char* projectile;
    };
    for (const Placed& p : {Placed{"MageChainLightning", CharacterClassType::Mage, "Beam"},
                            Placed{"MageFireRing", CharacterClassType::Mage, "Ring"},
                            Placed{"RogueBomb", CharacterClassType::Rogue, "Lob"},
                            Placed{"PriestDeflectingWard", CharacterClassType::Priest, ""}}) {
        const SkillDefinition* definition = world.data->findSkillDefinition(p.skill);
        ASSERT_NE(definition, nullptr) << p.skill;
        ASSERT_NE(definition->getPerLevel(), nullptr) << p.skill;
        const CharacterClass* owner = world.data->findCharacterClassById(toIndex(p.owner));
        ASSERT_NE(owner, nullptr);
        bool listed = false;
        for (const ClassSkillTree& tree : owner->skillTrees)
            for (const std::string& name :
                 DefinitionReader(world.database.findEntry(tree.name)).getStringList("Skill"))
                listed |= name == p.skill;
        EXPECT_TRUE(listed) << p.skill;
        if (*p.projectile) {
            const DatabaseEntry* projectile = world.database.findEntry(definition->projectile);
            ASSERT_NE(projectile, nullptr) << p.skill;
            EXPECT_EQ(world.database.getString(projectile, "ProjectileType"), p.projectile) << p.skill;
        }
    }
    const SkillDefinition* ward = world.data->findSkillDefinition("PriestDeflectingWard");
    EXPECT_TRUE(ward->reverseProjectile);
    EXPECT_FLOAT_EQ(ward->getDamageMultAll(3), 0.7f);
}

TEST_F(SkillEffectsTest, ShippedFireRingBurnsAfterItsCast)
{
    const SkillDefinition* ring = world.data->findSkillDefinition("MageFireRing");
    ASSERT_NE(ring, nullptr);
    auto* skill = static_cast<Skill*>(list->addSkill(ring, user, 0, 3));
    user->getStats().set(toIndex(CharacterStat::Skill1) + 3, 1);
    ASSERT_EQ(skill->getLevel(), 1);
    user->getStats().set(kPower, 100);
    user->targetPosition = ZonePosition(0, 1100.0f, 1000.0f);
    Random::setState(0, 4242);
    skill->use(user, nullptr, Skill::kStageRequest, false);
    EXPECT_TRUE(projectiles().empty());
    int steps = 0;
    while (projectiles().empty() && steps < 100) {
        world.game->update(0.05f);
        ++steps;
    }
    EXPECT_GE(steps, 30);
    EXPECT_LE(steps, 31);
    std::vector<Projectile*> launched = projectiles();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0]->getType(), Projectile::Ring);
    EXPECT_EQ(launched[0]->getSkill(), skill);
    const StatChange* fire = launched[0]->getDamage().find(toIndex(DamageType::Fire));
    ASSERT_NE(fire, nullptr);
    // 4 … 8 at level 1 (doubled on a critical), spread over the ring's four
    // pulses (0.5 s of a 2 s life).
    EXPECT_TRUE(fire->max == 2.0f || fire->max == 4.0f) << fire->max;
    EXPECT_FLOAT_EQ(fire->min * 2.0f, fire->max);
    EXPECT_EQ(user->getStat(kPower), 75);
    EXPECT_NEAR(skill->getUseTimer().remaining, 15.0f, 0.06f);
}

} // namespace

namespace {

TEST_F(SkillEffectsTest, UseBySlotTakesTheRequestedFriendElseTheSelectedOneElseNone)
{
    SkillDefinition mend;
    mend.needsFriend = true;
    mend.heal = 10;
    Skill* skill = learn(mend);
    SkillUser* buddy = spawn(1010.0f, 1000.0f);
    buddy->setLeader(user, 5);
    SkillUser* stranger = spawn(1030.0f, 1000.0f);
    stranger->setCovenantIndex(addScriptedCovenant(*world.game).index);
    EXPECT_TRUE(skill->acceptsFriendTarget(buddy));
    EXPECT_FALSE(skill->acceptsFriendTarget(stranger));
    auto healthAfterUse = [&](Entity* requested, Entity* selected) {
        for (SkillUser* s : {user, buddy, stranger})
            s->setHealth(50);
        user->target = selected;
        skill->setUsable(true);
        user->useSkillByIndex(0, 0, requested);
        return std::vector<int>{user->getHealth(), buddy->getHealth(), stranger->getHealth()};
    };
    auto healed = [](int health) { return health == 60 || health == 70; };

    std::vector<int> h = healthAfterUse(buddy, stranger);
    EXPECT_TRUE(healed(h[1]) && h[0] == 50 && h[2] == 50) << h[0] << " " << h[1] << " " << h[2];
    // A requested stranger falls back to the selected friend.
    h = healthAfterUse(stranger, buddy);
    EXPECT_TRUE(healed(h[1]) && h[0] == 50 && h[2] == 50) << h[0] << " " << h[1] << " " << h[2];
    // Neither valid: no one.
    h = healthAfterUse(stranger, stranger);
    EXPECT_EQ(h, (std::vector<int>{50, 50, 50}));
    h = healthAfterUse(nullptr, nullptr);
    EXPECT_EQ(h, (std::vector<int>{50, 50, 50}));
    // An enemy skill takes no friend at all.
    mend.needsFriend = false;
    EXPECT_FALSE(skill->acceptsFriendTarget(buddy));
}

TEST_F(SkillEffectsTest, AFriendOfTheFactionIsAcceptedAndARefusingOneIsNot)
{
    EntityServiceHooks hooks = EntityServices::hooks();
    SkillUser* ally = spawn(1010.0f, 1000.0f);
    SkillUser* neutral = spawn(1020.0f, 1000.0f);
    ally->setCovenantIndex(scriptedCovenantAt(*world.game, 3).index);
    neutral->setCovenantIndex(scriptedCovenantAt(*world.game, 4).index);
    hooks.factionRelation = [ally](const Entity*, const Entity* other) { return other == ally ? 4 : 2; };
    EntityServices::setHooks(hooks);
    SkillDefinition blessing;
    blessing.needsFriend = true;
    blessing.self = true;
    Skill* skill = learn(blessing);

    std::vector<Entity*> friends;
    skill->collectFriends(user, ally, friends);
    EXPECT_EQ(friends, std::vector<Entity*>{ally});
    friends.clear();
    skill->collectFriends(user, neutral, friends);
    EXPECT_EQ(friends, std::vector<Entity*>{user});
    // A friend that refuses friendly skills is passed over.
    ally->refusesFriendly = true;
    friends.clear();
    skill->collectFriends(user, ally, friends);
    EXPECT_EQ(friends, std::vector<Entity*>{user});
}

TEST_F(SkillEffectsTest, FollowersHearOfEachAttackAndTheUserOfTheTotalDamage)
{
    SkillDefinition cleave;
    cleave.needsEnemy = true;
    cleave.extraEnemies = 1;
    cleave.maxRange = 100.0f;
    cleave.minDamage = 7;
    cleave.maxDamage = 7;
    Skill* skill = learn(cleave);
    SkillUser* follower = spawn(990.0f, 1000.0f);
    follower->setLeader(user, 5);
    SkillUser* first = spawn(1020.0f, 1000.0f);
    SkillUser* second = spawn(1000.0f, 1030.0f);
    user->target = first;
    inRange = {second};
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_EQ(follower->leaderVictims, (std::vector<Entity*>{first, second}));
    const int dealt = (100 - first->getHealth()) + (100 - second->getHealth());
    ASSERT_GT(dealt, 0);
    EXPECT_EQ(user->skillTotals, std::vector<int>{dealt});

    // Nothing dealt: nothing told.
    cleave.minDamage = cleave.maxDamage = 0;
    EXPECT_TRUE(skill->applyToEnemies(user));
    EXPECT_EQ(user->skillTotals.size(), 1u);
}

} // namespace

namespace {

TEST_F(SkillEffectsTest, DeathLeavesNoWindUpEvenOneStartedByTheCancelledSkill)
{
    ASSERT_TRUE(user->startSkillWindup(3, 5.0f, nullptr, false, 0));
    user->windUpOnFinish = 4;
    user->killed(nullptr);
    // Skill 4 was started while 3 was cancelled; the second check ends it,
    // so it may start again.
    EXPECT_EQ(user->windUpOnFinish, -1);
    EXPECT_TRUE(user->startSkillWindup(4, 5.0f, nullptr, false, 0));
}

} // namespace

namespace {

TEST_F(SkillEffectsTest, AProjectileForgetsItsSkillOnceTheOwnersRecordsAreRebuilt)
{
    SkillDefinition bolt;
    bolt.projectile = "ProjFirebolt";
    bolt.projMinDamage = 1;
    bolt.projMaxDamage = 2;
    Skill* skill = learn(bolt);
    SkillUser* victim = spawn(1300.0f, 1000.0f);
    Projectile* p = skill->launchProjectile(user, victim, victim->getPosition());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getSkill(), skill);
    // A class change deletes the records; a new one may take the address.
    list->clear();
    EXPECT_EQ(p->getSkill(), nullptr);
    SkillDefinition other;
    list->addSkill(&other, user, 0, 0);
    EXPECT_EQ(p->getSkill(), nullptr);
}

} // namespace

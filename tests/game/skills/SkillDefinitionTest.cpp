#include "game/skills/SkillDefinition.h"

#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/ItemBase.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillRefusal.h"
#include "game/skills/SkillTestData.h"
#include "game/skills/StatusEffectBase.h"
#include "support/FakeSkillEntity.h"

#include <gtest/gtest.h>

namespace {

// The per-level entries of Costly and Ranked come after their skills.
const char* const kSkills = R"(
Costly {
    Type Skill
    Name "Costly"
    Power 10
    PerLevel CostlyPerLevel
    MinDamage 3
    MaxDamage 5
    DamageType Fire
    ReuseTime 2
    HateChange 1.5
    StatMultStrength 0.25
    StatChangeVitality 3
    DamageMultFire 0.5
    DynamicStatMultCriticalHit 0.1
}
Boom {
    Type Skill
    Explosion 0
    ExplosionDamage 40
    ExplosionRange 96
    ExplosionDamageType Fire
    MonsterType Nobody
    MaxDamage 0
    ProjMaxDamage 6
    ProjDamageType Cold
}
AllMult {
    Type Skill
    DamageMultAll 0.3
    DamageMultFire 0.9
}
Riposte {
    Type Skill
    RequiredEntityState-One Block Parry
}
Guarded {
    Type Skill
    RequiredEntityState-All Block Hit
}
Ranked {
    Type Skill
    StatReq Level
    PointsReq 20
    PerLevel RankedPerLevel
}
RankedCapped {
    Type Skill
    StatReq Level
    PointsReq 20
    PerLevel RankedPerLevel
    MaxSkillLevel 2
}
RankedPlain {
    Type Skill
    StatReq Level
    PointsReq 20
}
RankedSelfStep {
    Type Skill
    StatReq Level
    PointsReq 20
    PerLevel ZeroPoints
}
ZeroPoints {
    Type Skill
}
Points {
    Type Skill
    BaseCost 1
    CostIncreasePerLevel 1
    ReuseTime 4
}
Basic {
    Type Skill
    BasicSkill 1
    Power 50
}
Striker {
    Type Skill
    Power 10
    NeedsEnemy 1
    MaxRange 160
    WeaponType WeaponSword
}
Charger {
    Type Skill
    CombatOnly 1
}
Healer {
    Type Skill
    Heal 20
    HealPercent 0.25
    PerLevel HealerPerLevel
}
HealerPerLevel {
    Type Skill
    Heal 10
}
Basher {
    Type Skill
    RequiresShield 1
}
Enhancer {
    Type Skill
    Skill Costly Missing
    EnhanceStatusEffect Fx
}
Loose {
    Type Skill
    PerLevel NoSuchSkill
    StatusEffect NoSuchEffect
}
WithEffect {
    Type Skill
    StatusEffect Fx
}
Fx {
    Type StatusEffect
    Name "Fx"
    PerLevel FxPerLevel
    DynamicStatMultDeepWounds 0.2
}
FxPerLevel {
    Type StatusEffect
    HealthChange -1
}
Sword {
    Type Item
    ItemType HandPrimary
    ItemRequirement WeaponSword
}
Axe {
    Type Item
    ItemType HandPrimary
    ItemRequirement WeaponAxe
}
Buckler {
    Type Item
    ItemType HandSecondary
    ItemRequirement Shield
}
CostlyPerLevel {
    Type Skill
    Power 2
    MinDamage 1
    MaxDamage 1
    StatMultStrength 0.05
    StatChangeVitality 1
}
RankedPerLevel {
    Type Skill
    PointsReq 5
}
)";

class SkillDefinitionTest : public ::testing::Test {
protected:
    SkillDefinitionTest() : data(kSkills) {}

    const SkillDefinition& def(const char* name) const
    {
        const SkillDefinition* d = GameData::get().findSkillDefinition(name);
        EXPECT_NE(d, nullptr) << name;
        return *d;
    }

    std::unique_ptr<ItemBase> item(const char* name) const
    {
        auto made = std::make_unique<ItemBase>();
        made->setItemEntry(Database::get().findEntry(name));
        return made;
    }

    // A record of the definition placed at (tree, slot), owned by the user.
    std::unique_ptr<SkillBase> record(const char* name, int tree = 0, int slot = 0)
    {
        auto skill = std::make_unique<SkillBase>();
        skill->setDefinition(&def(name));
        skill->setPlace(tree, slot);
        skill->setOwner(&user);
        return skill;
    }

    LogCapture log;
    SkillTestData data;
    FakeSkillEntity user;
    FakeSkillEntity target;
};

TEST_F(SkillDefinitionTest, ValuesAtLevels)
{
    const SkillDefinition& costly = def("Costly");
    EXPECT_EQ(costly.getPerLevel(), &def("CostlyPerLevel"));
    EXPECT_EQ(costly.getPowerCost(3), 14);
    EXPECT_EQ(costly.getPowerCost(0), 10);
    EXPECT_EQ(costly.getPowerCost(1), 10);
    EXPECT_EQ(costly.statMults.get(5), 250);
    EXPECT_FLOAT_EQ(costly.getStatMult(5, 1), 0.25f);
    EXPECT_FLOAT_EQ(costly.getStatMult(5, 3), 0.35f);
    EXPECT_FLOAT_EQ(costly.getStatMult(6, 0), 1.0f);
    EXPECT_FLOAT_EQ(costly.getStatMult(6, 2), 0.0f);
    EXPECT_EQ(costly.getStatChange(7, 3), 5);
    EXPECT_EQ(costly.getStatChange(200, 3), 0);
    EXPECT_EQ(costly.getAttackDamageType(), toIndex(DamageType::Fire));
    StatChangeList damage;
    costly.addDamage(damage, 3);
    ASSERT_EQ(damage.getCount(), 1);
    EXPECT_EQ(damage.entries()[0], (StatChange{5.0f, 7.0f, toIndex(DamageType::Fire)}));
    EXPECT_FLOAT_EQ(costly.getDamageMult(toIndex(DamageType::Fire), 1), 0.5f);

    // Without a per-level definition every level gives the base value.
    EXPECT_FLOAT_EQ(def("Points").getReuseTime(7), 4.0f);

    const SkillDefinition& all = def("AllMult");
    for (int t = 0; t < kDamageTypeCount; ++t)
        EXPECT_FLOAT_EQ(all.getDamageMult(t, 1), 0.3f);

    const SkillDefinition& boom = def("Boom");
    EXPECT_EQ(boom.explosionDamage, 0);
    EXPECT_FLOAT_EQ(boom.explosionRange, 0.0f);
    EXPECT_EQ(boom.explosionDamageType, 0);
    EXPECT_EQ(boom.monsterType, nullptr);
    EXPECT_EQ(boom.getAttackDamageType(), toIndex(DamageType::Cold));
    StatChangeList projectile;
    boom.addProjectileDamage(projectile, 2);
    boom.addRadiusDamage(projectile, 2);
    ASSERT_EQ(projectile.getCount(), 1);
    EXPECT_EQ(projectile.entries()[0], (StatChange{0.0f, 6.0f, toIndex(DamageType::Cold)}));

    EXPECT_EQ(def("Riposte").requiredEntityStateOne, 0x3u);
    EXPECT_EQ(def("Basic").getMaxLevel(), 1);
    EXPECT_EQ(def("RankedCapped").getMaxLevel(), 2);

    user.maxHealth = 90;
    EXPECT_EQ(def("Healer").getHealAmount(3, &user), 40 + 22);
    EXPECT_EQ(def("Healer").getHealAmount(1, nullptr), 20);
}

TEST_F(SkillDefinitionTest, NamesResolveAfterLoadingAndMissingOnesAreLogged)
{
    const SkillDefinition& enhancer = def("Enhancer");
    ASSERT_EQ(enhancer.skills.size(), 1u);
    EXPECT_EQ(enhancer.skills[0], &def("Costly"));
    auto costly = record("Costly");
    auto points = record("Points");
    EXPECT_TRUE(enhancer.enhances(costly.get(), nullptr));
    EXPECT_FALSE(enhancer.enhances(points.get(), nullptr));
    EXPECT_TRUE(enhancer.enhances(nullptr, Database::get().findEntry("Fx")));
    EXPECT_FALSE(enhancer.enhances(nullptr, nullptr));
    EXPECT_TRUE(def("Points").enhances(nullptr, nullptr));

    const SkillDefinition& loose = def("Loose");
    EXPECT_EQ(loose.getPerLevel(), nullptr);
    ASSERT_NE(loose.getStatusEffect(), nullptr);
    EXPECT_EQ(loose.getStatusEffect()->getEntry(), nullptr);
    EXPECT_EQ(loose.getPerLevelStatusEffect(), nullptr);
    EXPECT_TRUE(log.contains("NoSuchSkill", 2));
    EXPECT_TRUE(log.contains("NoSuchEffect", 2));
    EXPECT_TRUE(log.contains("Missing", 2));
    EXPECT_TRUE(log.contains("Nobody", 2) == false); // not read without monsters to spawn

    const SkillDefinition& withEffect = def("WithEffect");
    ASSERT_NE(withEffect.getStatusEffect(), nullptr);
    ASSERT_NE(withEffect.getPerLevelStatusEffect(), nullptr);
    EXPECT_FLOAT_EQ(withEffect.getPerLevelStatusEffect()->healthChange, -1.0f);
    auto wounding = record("WithEffect");
    EXPECT_TRUE(wounding->causesDeepWounds());
    EXPECT_FALSE(wounding->causesCriticalHits());
    EXPECT_TRUE(record("Costly")->causesCriticalHits());
}

TEST_F(SkillDefinitionTest, PointsStatsAndLinks)
{
    auto skill = record("Points", 2, 4);
    EXPECT_EQ(skill->getPointsStat(), 44);
    auto other = record("Points", 0, 1);
    skill->setLinked(other.get());
    EXPECT_EQ(skill->getPointsStat(), 11);

    // Linked to each other: no stat, and no hang.
    other->setLinked(skill.get());
    EXPECT_EQ(skill->getPointsStat(), 0);
    user.stats.set(0, 9);
    EXPECT_EQ(skill->getLevel(), 0);

    // A cycle further down the chain is cut too.
    auto third = record("Points", 1, 1);
    third->setLinked(skill.get());
    EXPECT_EQ(third->getPointsStat(), 0);

    auto blank = std::make_unique<SkillBase>();
    EXPECT_EQ(blank->getTree(), -1);
    EXPECT_EQ(blank->getLevel(), 0);
    blank->setDefinition(&def("Points"));
    blank->setOwner(&user);
    EXPECT_EQ(blank->getPointsStat(), 0);
    EXPECT_EQ(blank->getLevel(), 0);

    auto basic = record("Basic", 3, 14);
    EXPECT_EQ(basic->getPointsStat(), 0);
    EXPECT_EQ(basic->getLevel(), 1);
    auto linkedToBasic = record("Points", 0, 3);
    linkedToBasic->setLinked(basic.get());
    EXPECT_EQ(linkedToBasic->getPointsStat(), 0);

    user.stats.set(44, 3);
    skill->setLinked(nullptr);
    EXPECT_EQ(skill->getLevel(), 3);
    auto unowned = record("Points", 2, 4);
    unowned->setOwner(nullptr);
    EXPECT_EQ(unowned->getLevel(), 0);
}

TEST_F(SkillDefinitionTest, LevelsFromStats)
{
    const SkillDefinition& ranked = def("Ranked");
    EXPECT_EQ(ranked.levelFromStatValue(19), 0);
    EXPECT_EQ(ranked.levelFromStatValue(20), 1);
    EXPECT_EQ(ranked.levelFromStatValue(34), 3);
    EXPECT_EQ(def("RankedCapped").levelFromStatValue(34), 2);
    EXPECT_EQ(def("RankedPlain").levelFromStatValue(500), 1);
    EXPECT_EQ(def("RankedSelfStep").levelFromStatValue(60), 3);
    EXPECT_EQ(def("Points").levelFromStatValue(60), 0);

    CounterList stats(112);
    stats.set(84, 25);
    EXPECT_EQ(ranked.getPointsStillNeeded(2, stats), 5);
    stats.set(84, 40);
    EXPECT_EQ(ranked.getPointsStillNeeded(2, stats), 0);
    EXPECT_EQ(ranked.getLevelFromStats(stats, 0), 5);
    stats.set(12, 4);
    EXPECT_EQ(def("Points").getLevelFromStats(stats, 12), 4);
    EXPECT_EQ(def("Basic").getLevelFromStats(stats, 12), 1);

    user.stats.set(84, 34);
    EXPECT_EQ(record("Ranked")->getLevel(), 3);

    EXPECT_EQ(record("Points")->getPointCost(3), 4);
    EXPECT_EQ(record("Ranked")->getPointCost(3), 0);
}

TEST_F(SkillDefinitionTest, UseTimer)
{
    auto skill = record("Points");
    EXPECT_TRUE(skill->isReady());
    EXPECT_FLOAT_EQ(skill->getTimerRemaining(), 0.0f);
    skill->getUseTimer().running = true;
    skill->getUseTimer().remaining = 2.0f;
    EXPECT_FALSE(skill->isReady());
    EXPECT_FLOAT_EQ(skill->getCooldownFraction(), 0.5f);
    skill->getUseTimer().remaining = 0.5f;
    skill->updateTimer(0.8f);
    EXPECT_FLOAT_EQ(skill->getUseTimer().remaining, 0.0f);
    EXPECT_TRUE(skill->getUseTimer().running);
    EXPECT_TRUE(skill->isReady());
    EXPECT_FLOAT_EQ(skill->getCooldownFraction(), 0.0f);
    // A stopped timer does not move.
    skill->getUseTimer().running = false;
    skill->getUseTimer().remaining = 1.0f;
    skill->updateTimer(0.5f);
    EXPECT_FLOAT_EQ(skill->getUseTimer().remaining, 1.0f);
}

TEST_F(SkillDefinitionTest, UseCheck)
{
    auto striker = record("Striker");
    auto sword = item("Sword");
    auto axe = item("Axe");
    user.items[{1, 14}] = sword.get();
    user.stats.set(80, 9);
    user.enemies.insert(&target);
    target.x = 170.0f;
    EXPECT_EQ(striker->checkRequirements(&user, user.stats, &target, 0), 5);
    user.items[{1, 14}] = axe.get();
    EXPECT_EQ(striker->checkRequirements(&user, user.stats, &target, 0), 11);
    user.items[{1, 14}] = sword.get();
    user.stats.set(80, 10);

    FakeSkillEntity friendly;
    EXPECT_EQ(striker->checkRequirements(&user, user.stats, &friendly, 0), 6);
    EXPECT_EQ(striker->checkRequirements(&user, user.stats, nullptr, 0), 6);
    EXPECT_EQ(striker->checkRequirements(&user, user.stats, &target, 0), 8);
    // Radii count: 180 apart with radii 10 and 10 is 160.
    target.x = 180.0f;
    user.radius = 10.0f;
    target.radius = 10.0f;
    EXPECT_EQ(striker->checkRequirements(&user, user.stats, &target, 0), 0);

    const SkillDefinition& strike = def("Striker");
    target.x = 140.0f;
    EXPECT_TRUE(strike.isWellInRange(&user, &target));
    target.x = 140.5f;
    EXPECT_FALSE(strike.isWellInRange(&user, &target));
    EXPECT_FALSE(strike.isInRange(&user, nullptr));
    // Without bounds any distance is in range.
    target.x = 1e6f;
    EXPECT_TRUE(def("Points").isInRange(&user, &target));

    const SkillDefinition& charger = def("Charger");
    EXPECT_EQ(charger.checkUse(1, user.stats, &user, nullptr, 0), 7);
    EXPECT_EQ(charger.checkUse(1, user.stats, &user, &friendly, 0), 0);

    uint32_t block = 1u << toIndex(EntityState::Block);
    uint32_t hit = 1u << toIndex(EntityState::Hit);
    EXPECT_EQ(def("Guarded").checkUse(1, user.stats, &user, nullptr, block), 9);
    EXPECT_EQ(def("Guarded").checkUse(1, user.stats, &user, nullptr, block | hit), 0);
    EXPECT_EQ(def("Riposte").checkUse(1, user.stats, &user, nullptr, 0), 9);
    EXPECT_EQ(def("Riposte").checkUse(1, user.stats, &user, nullptr, 1u << 1), 0);

    auto basher = record("Basher");
    EXPECT_EQ(basher->checkRequirements(&user, user.stats, nullptr, 0), 11);
    auto buckler = item("Buckler");
    user.items[{1, 15}] = buckler.get();
    EXPECT_EQ(basher->checkRequirements(&user, user.stats, nullptr, 0), 0);

    user.movable = false;
    EXPECT_FALSE(striker->targetsSingleEnemy(&user));
    EXPECT_TRUE(striker->targetsSingleEnemy(nullptr));
}

TEST(SkillRefusalTest, Texts)
{
    CharacterClass mage;
    mage.powerName = "Mana";
    EXPECT_EQ(getSkillRefusalText(5, &mage), "Not enough Mana");
    EXPECT_EQ(getSkillRefusalText(5, nullptr), "Not enough Power");
    EXPECT_EQ(getSkillRefusalText(2, nullptr), "Can't use when dead");
    EXPECT_EQ(getSkillRefusalText(8, nullptr), "Out of range");
    EXPECT_EQ(getSkillRefusalText(11, nullptr), "Don't meet requirements");
    EXPECT_EQ(getSkillRefusalText(13, nullptr), "$$InViewOfEnemies$$");
    EXPECT_EQ(getSkillRefusalText(0, nullptr), "");
    EXPECT_EQ(getSkillRefusalText(1, nullptr), "");
    EXPECT_EQ(getSkillRefusalText(14, nullptr), "");
    EXPECT_EQ(getSkillRefusalText(-1, nullptr), "");
}

} // namespace

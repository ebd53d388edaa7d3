#include "game/skills/SkillList.h"

#include "game/covenants/StatChangeList.h"
#include "game/definitions/CharacterClass.h"
#include "game/entities/EntityServices.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillLoaders.h"
#include "game/skills/StatusEffect.h"
#include "support/SkillUser.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kAttack = toIndex(CharacterStat::Attack);
constexpr int kPower = toIndex(CharacterStat::Power);
constexpr int kExtraDamage = toIndex(CombatModifier::ExtraDamage);
constexpr int kCriticalHit = toIndex(CombatModifier::CriticalHit);

struct Loaders {
    Loaders() { registerSkillLoaders(); }
};

// A class-less sentient with a fixed list of hand-made definitions; the
// fighting services are installed, so its recompute and modifier passes ask
// the list.
class SkillBonusTest : public ::testing::Test {
protected:
    SkillBonusTest()
    {
        user = std::make_unique<SkillUser>();
        list = dynamic_cast<SkillList*>(user->getSkillList());
        EXPECT_NE(list, nullptr);
        list->setFixed(true);
    }

    // Known (basic) at (0, slot).
    Skill* learn(SkillDefinition& definition, int slot)
    {
        definition.basicSkill = true;
        return static_cast<Skill*>(list->addSkill(&definition, user.get(), 0, slot));
    }

    // In the list but not known: its level stat at (1, slot) is 0.
    Skill* listUnknown(SkillDefinition& definition, int slot)
    {
        return static_cast<Skill*>(list->addSkill(&definition, user.get(), 1, slot));
    }

    Loaders loaders;
    TestWorld world;
    std::unique_ptr<SkillUser> user;
    SkillList* list = nullptr;
};

TEST_F(SkillBonusTest, PassiveWeaponSkillCountsOnlyWithItsWeapon)
{
    SkillDefinition swordMastery;
    swordMastery.passive = true;
    swordMastery.weaponType = toIndex(ItemRequirement::WeaponSword);
    swordMastery.statChanges.set(kAttack, 10);
    learn(swordMastery, 0);
    SkillDefinition unknownMastery;
    unknownMastery.passive = true;
    unknownMastery.statChanges.set(kAttack, 100);
    listUnknown(unknownMastery, 0);

    ASSERT_TRUE(user->giveItem("ShortSword", false));
    int value = 0;
    list->sumStatChange(user.get(), kAttack, 1, value);
    EXPECT_EQ(value, 10);
    // Phases other than 0 and 1 add nothing.
    list->sumStatChange(user.get(), kAttack, 2, value);
    EXPECT_EQ(value, 10);
    // Through the recompute: the sword's own bonus aside, the skill adds 10.
    swordMastery.statChanges.set(kAttack, 0);
    user->updateStats(false);
    int withoutSkill = user->getStat(kAttack);
    swordMastery.statChanges.set(kAttack, 10);
    user->updateStats(false);
    EXPECT_EQ(user->getStat(kAttack), withoutSkill + 10);

    // The same skill with a mace in hand.
    SkillUser maceUser;
    auto* maceList = dynamic_cast<SkillList*>(maceUser.getSkillList());
    ASSERT_NE(maceList, nullptr);
    maceList->setFixed(true);
    maceList->addSkill(&swordMastery, &maceUser, 0, 0);
    ASSERT_TRUE(maceUser.giveItem("Mace", false));
    int maceValue = 0;
    maceList->sumStatChange(&maceUser, kAttack, 1, maceValue);
    EXPECT_EQ(maceValue, 0);
}

TEST_F(SkillBonusTest, ShieldRequirementAndGrantedItems)
{
    SkillDefinition shieldWall;
    shieldWall.requiresShield = true;
    shieldWall.itemRequirement = toIndex(ItemRequirement::ArmorPlate);
    learn(shieldWall, 0);
    EXPECT_FALSE(list->grantsItemRequirement(user.get(), toIndex(ItemRequirement::ArmorPlate)));
    SkillDefinition training;
    training.itemRequirement = toIndex(ItemRequirement::ArmorMail);
    learn(training, 1);
    EXPECT_TRUE(list->grantsItemRequirement(user.get(), toIndex(ItemRequirement::ArmorMail)));
    EXPECT_TRUE(user->meetsItemRequirement(toIndex(ItemRequirement::ArmorMail)));
    SkillDefinition untrained;
    untrained.itemRequirement = toIndex(ItemRequirement::ArmorLeather);
    listUnknown(untrained, 0);
    EXPECT_FALSE(list->grantsItemRequirement(user.get(), toIndex(ItemRequirement::ArmorLeather)));
}

TEST_F(SkillBonusTest, ExtraRageBecomesExtraDamage)
{
    SkillDefinition fury;
    fury.passive = true;
    fury.damagePerExtraRage = 0.5f;
    learn(fury, 0);
    SkillDefinition smash;
    smash.power = 20;
    Skill* used = learn(smash, 1);
    user->getStats().set(kPower, 50);

    float value = 0.0f;
    list->addDynamicStatChanges(user.get(), used, nullptr, 0, kExtraDamage, value);
    EXPECT_FLOAT_EQ(value, 15.0f);
    // Only phase 0 and only extra damage.
    list->addDynamicStatChanges(user.get(), used, nullptr, 2, kExtraDamage, value);
    list->addDynamicStatChanges(user.get(), used, nullptr, 0, kCriticalHit, value);
    EXPECT_FLOAT_EQ(value, 15.0f);
    // The sentient's modifier pass reaches the same sum.
    float passed = 0.0f;
    user->applyCombatModifiers(kExtraDamage, nullptr, passed, used);
    EXPECT_FLOAT_EQ(passed, 15.0f);
}

TEST_F(SkillBonusTest, DynamicBonusesFollowTheAppliesToLists)
{
    SkillDefinition strike;
    Skill* strikeSkill = learn(strike, 0);
    SkillDefinition kick;
    Skill* kickSkill = learn(kick, 1);

    SkillDefinition everything;
    everything.passive = true;
    everything.dynamicStatChange[kCriticalHit] = 2.0f;
    everything.dynamicStatMult[kCriticalHit] = 0.25f;
    learn(everything, 2);
    SkillDefinition strikeOnly;
    strikeOnly.passive = true;
    strikeOnly.dynamicStatChange[kCriticalHit] = 3.0f;
    strikeOnly.dynamicStatMult[kCriticalHit] = 0.5f;
    strikeOnly.skills = {&strike};
    learn(strikeOnly, 3);
    // An active skill's table counts only while it is the one used.
    SkillDefinition active;
    active.dynamicStatChange[kCriticalHit] = 100.0f;
    learn(active, 4);

    float a = 0.0f;
    list->addDynamicStatChanges(user.get(), strikeSkill, nullptr, 0, kCriticalHit, a);
    EXPECT_FLOAT_EQ(a, 5.0f);
    float b = 0.0f;
    list->addDynamicStatChanges(user.get(), kickSkill, nullptr, 0, kCriticalHit, b);
    EXPECT_FLOAT_EQ(b, 2.0f);
    EXPECT_FLOAT_EQ(list->sumDynamicStatMult(user.get(), strikeSkill, nullptr, kCriticalHit), 0.75f);
    EXPECT_FLOAT_EQ(list->sumDynamicStatMult(user.get(), nullptr, nullptr, kCriticalHit), 0.25f);

    // The pass: (10 + 2 + 3) × (1 + 0.75) while striking.
    float pass = 10.0f;
    user->applyCombatModifiers(kCriticalHit, nullptr, pass, strikeSkill);
    EXPECT_FLOAT_EQ(pass, 15.0f * 1.75f);
}

TEST_F(SkillBonusTest, MultipliersDefenceAndPassiveDamage)
{
    constexpr int kMinDamage = toIndex(CharacterStat::MinDamage);
    constexpr int kMaxDamage = toIndex(CharacterStat::MaxDamage);
    SkillDefinition weaponCraft;
    weaponCraft.passive = true;
    weaponCraft.statChanges.set(kMinDamage, 2);
    weaponCraft.statChanges.set(kMaxDamage, 5);
    weaponCraft.statMults.set(kMaxDamage, 200);
    weaponCraft.statMults.set(kAttack, 100);
    weaponCraft.defendingDynamicStatChange[kCriticalHit] = -4.0f;
    weaponCraft.defendingDynamicStatMult[kCriticalHit] = -0.5f;
    learn(weaponCraft, 0);
    SkillDefinition toughness;
    toughness.statMults.set(kAttack, 300);
    toughness.defendingDynamicStatChange[kCriticalHit] = -1.0f;
    learn(toughness, 1);

    EXPECT_FLOAT_EQ(list->sumStatMult(user.get(), kAttack), 0.4f);
    EXPECT_FLOAT_EQ(list->sumPassiveStatMult(user.get(), 0), 0.2f);
    EXPECT_FLOAT_EQ(list->sumPassiveStatMult(user.get(), 1), 0.0f);
    float defence = 0.0f;
    list->sumDefendingStatChange(user.get(), kCriticalHit, 0, defence);
    EXPECT_FLOAT_EQ(defence, -5.0f);
    EXPECT_FLOAT_EQ(list->sumDefendingStatMult(user.get(), kCriticalHit), -0.5f);

    StatChangeList damage;
    list->applyPassiveStatChanges(user.get(), 0, damage);
    EXPECT_TRUE(damage.empty());
    list->applyPassiveStatChanges(user.get(), 1, damage);
    const StatChange* physical = damage.find(toIndex(DamageType::Physical));
    ASSERT_NE(physical, nullptr);
    EXPECT_FLOAT_EQ(physical->min, 2.0f);
    EXPECT_FLOAT_EQ(physical->max, 5.0f);

    // The defending pass: (20 − 5) / (1 + 0.5).
    float chance = 20.0f;
    user->applyTargetEventModifiers(kCriticalHit, nullptr, chance);
    EXPECT_FLOAT_EQ(chance, 10.0f);
}

TEST_F(SkillBonusTest, PlainRecordsAndUnknownSkillsAddNothing)
{
    SkillDefinition swift;
    swift.passive = true;
    swift.statChanges.set(kAttack, 7);
    swift.statMults.set(kAttack, 500);
    swift.dynamicStatChange[kCriticalHit] = 3.0f;
    listUnknown(swift, 4);
    int value = 0;
    list->sumStatChange(user.get(), kAttack, 1, value);
    EXPECT_EQ(value, 0);
    EXPECT_FLOAT_EQ(list->sumStatMult(user.get(), kAttack), 0.0f);
    float flat = 0.0f;
    list->addDynamicStatChanges(user.get(), nullptr, nullptr, 0, kCriticalHit, flat);
    EXPECT_FLOAT_EQ(flat, 0.0f);
    // Known once its level stat is raised.
    user->getStats().set(toIndex(CharacterStat::Skill1) + 15 + 4, 1);
    list->sumStatChange(user.get(), kAttack, 1, value);
    EXPECT_EQ(value, 7);
    EXPECT_FLOAT_EQ(list->sumStatMult(user.get(), kAttack), 0.5f);
}

TEST_F(SkillBonusTest, ChosenSkillIsForgottenWhenTheClassRebuildsTheList)
{
    auto sentient = std::make_unique<SkillUser>();
    auto* classList = dynamic_cast<SkillList*>(sentient->getSkillList());
    ASSERT_NE(classList, nullptr);
    const CharacterClass* warrior = world.data->findCharacterClassById(toIndex(CharacterClassType::Warrior));
    const CharacterClass* mage = world.data->findCharacterClassById(toIndex(CharacterClassType::Mage));
    ASSERT_NE(warrior, nullptr);
    ASSERT_NE(mage, nullptr);
    classList->rebuild(sentient.get(), warrior);
    auto* strike = dynamic_cast<Skill*>(classList->findByName("WarriorStrike"));
    ASSERT_NE(strike, nullptr);
    classList->setChosenSkill(strike);
    // The same class keeps its records and the choice.
    classList->rebuild(sentient.get(), warrior);
    EXPECT_EQ(classList->getChosenSkill(), strike);
    classList->rebuild(sentient.get(), mage);
    EXPECT_EQ(classList->getChosenSkill(), nullptr);

    // A freed record's address goes to the next record of the same size, so a
    // choice kept by address would come back as another skill.
    for (int round = 0; round < 20; ++round) {
        classList->rebuild(sentient.get(), round % 2 ? warrior : mage);
        std::vector<std::unique_ptr<Skill>> churn;
        for (int i = 0; i < round; ++i)
            churn.push_back(std::make_unique<Skill>());
        ASSERT_FALSE(classList->getSkills().empty());
        classList->setChosenSkill(dynamic_cast<Skill*>(
            classList->getSkills()[static_cast<size_t>(round) % classList->getSkills().size()]));
        classList->rebuild(sentient.get(), round % 2 ? mage : warrior);
        EXPECT_EQ(classList->getChosenSkill(), nullptr) << "round " << round;
    }
}

} // namespace

namespace {

TEST_F(SkillBonusTest, AnEnhancingPassiveChangesTheNumbersOfTheEffectItNames)
{
    constexpr int kHealthChange = toIndex(DynamicStat::HealthChange);
    constexpr int kTotalTime = toIndex(DynamicStat::TotalTime);
    constexpr int kGeneralPower = toIndex(DynamicStat::GeneralPower);
    const DatabaseEntry* venom = world.database.findEntry("StatusEffectVenom");
    const DatabaseEntry* devotion = world.database.findEntry("StatusEffectDevotion");
    ASSERT_TRUE(venom && devotion);
    SkillDefinition potency;
    potency.passive = true;
    potency.enhanceStatusEffects.push_back(venom);
    potency.dynamicStatChange[kHealthChange] = -2.0f;
    potency.dynamicStatMult[kHealthChange] = 0.5f;
    potency.dynamicStatChange[kTotalTime] = 4.0f;
    potency.dynamicStatChange[kGeneralPower] = 1.0f;
    learn(potency, 0);

    SkillUser target;
    target.setMaxHealth(100);
    target.setHealth(100);
    target.addStatusEffect(venom, user.get(), 1);
    target.addStatusEffect(devotion, user.get(), 1);
    ASSERT_EQ(target.getStatusEffects().size(), 2u);
    const StatusEffect* poisoned = target.getStatusEffects()[0];
    const StatusEffect* devoted = target.getStatusEffects()[1];
    ASSERT_TRUE(poisoned->getEntry() == venom && devoted->getEntry() == devotion);
    // Venom at level 1: -4 health each tick for 10 s. The passive adds -2 and
    // then 50 %: (-4 - 2) × 1.5 = -9; 10 + 4 = 14 s; general power 1 + 1 = 2
    // doubles it again: -18.
    EXPECT_FLOAT_EQ(poisoned->healthChange, -18.0f);
    EXPECT_FLOAT_EQ(poisoned->totalTime, 14.0f);
    // An effect the passive does not name keeps its numbers: +5 defence.
    EXPECT_EQ(devoted->statChanges[static_cast<size_t>(toIndex(CharacterStat::Defense))], 5);
}

} // namespace

namespace {

constexpr int kStrength = toIndex(CharacterStat::Strength);
constexpr int kDefense = toIndex(CharacterStat::Defense);
constexpr int kSkill1 = toIndex(CharacterStat::Skill1);

// One skill of the all-stats table: what it changes and multiplies, its
// level, how it is known, and whether the table may be taken in one pass.
struct AllStatsCase {
    const char* name;
    int change;      // to Attack, and twice it to Defense
    int mult;        // thousandths of Attack
    int growth;      // per level past the first, to Attack
    int level;       // its points; 0 leaves a known skill at level 0
    bool known;      // a basic skill, else in a tree with no points
    int sword;       // needs a sword (none held)
    int strengthReq; // known through Strength, a stat the recompute changes
    bool oneRound;
};

class SkillAllStatsTest : public SkillBonusTest, public ::testing::WithParamInterface<AllStatsCase> {};

// Every stat's sum taken at once is each stat's own sum; a skill known
// through a recomputed stat refuses the one pass and adds nothing.
TEST_P(SkillAllStatsTest, OnePassMatchesEachStatsOwnSum)
{
    const AllStatsCase& c = GetParam();
    SkillDefinition grows;
    grows.statChanges.set(kAttack, c.growth);
    SkillDefinition definition;
    definition.statChanges.set(kAttack, c.change);
    definition.statChanges.set(kDefense, 2 * c.change);
    definition.statMults.set(kAttack, c.mult);
    definition.weaponType = c.sword;
    if (c.growth != 0)
        definition.perLevel = &grows;
    if (c.strengthReq > 0) {
        definition.statReq = kStrength;
        definition.pointsReq = c.strengthReq;
    }
    SkillDefinition plain; // a second skill, always counted
    plain.statChanges.set(kAttack, 5);
    plain.statMults.set(kAttack, 250);
    learn(plain, 1);
    if (c.known)
        learn(definition, 0);
    else
        listUnknown(definition, 0);
    user->getStats().set(kSkill1 + (c.known ? 0 : 15), c.level);
    user->getStats().set(kStrength, 10);

    for (int phase : {0, 1, 2}) {
        std::vector<int> all(Sentient::kStatCount, 0);
        EXPECT_EQ(list->addStatChanges(user.get(), phase, all), c.oneRound || phase == 2) << c.name;
        for (int stat = 0; stat < Sentient::kStatCount; ++stat) {
            int own = 0;
            if (c.oneRound)
                list->sumStatChange(user.get(), stat, phase, own);
            EXPECT_EQ(all[static_cast<size_t>(stat)], own)
                << c.name << " phase " << phase << " stat " << stat;
        }
    }
    std::vector<float> mults(Sentient::kStatCount, 0.0f);
    EXPECT_EQ(list->addStatMults(user.get(), mults), c.oneRound) << c.name;
    for (int stat = 0; stat < Sentient::kStatCount; ++stat) {
        const float own = c.oneRound ? list->sumStatMult(user.get(), stat) : 0.0f;
        EXPECT_EQ(mults[static_cast<size_t>(stat)], own) << c.name << " stat " << stat;
    }

    // The recompute gives the same numbers with and without the one pass.
    user->updateStats(false);
    const CounterList onePass = user->getStats();
    EntityServiceHooks hooks = EntityServices::hooks();
    const EntityServiceHooks saved = hooks;
    hooks.skillStatChanges = nullptr;
    hooks.skillStatMults = nullptr;
    EntityServices::setHooks(hooks);
    user->updateStats(false);
    const CounterList statByStat = user->getStats();
    EntityServices::setHooks(saved);
    EXPECT_EQ(onePass, statByStat) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkillAllStatsTest,
    ::testing::Values(AllStatsCase{"flat change", 7, 0, 0, 1, true, 0, 0, true},
                      AllStatsCase{"change growing with level", 7, 0, 3, 4, true, 0, 0, true},
                      AllStatsCase{"multiplier at a level", 0, 150, 0, 2, true, 0, 0, true},
                      AllStatsCase{"multiplier at level 0 adds nothing", 0, 150, 0, 0, true, 0, 0, true},
                      AllStatsCase{"unknown skill", 7, 150, 0, 0, false, 0, 0, true},
                      AllStatsCase{"weapon skill without its weapon", 7, 150, 0, 1, true,
                                   toIndex(ItemRequirement::WeaponSword), 0, true},
                      AllStatsCase{"known through Strength", 7, 150, 0, 1, false, 0, 5, false},
                      AllStatsCase{"unmet Strength", 7, 150, 0, 1, false, 0, 50, false}),
    [](const ::testing::TestParamInfo<AllStatsCase>& info) {
        std::string name;
        for (const char* p = info.param.name; *p; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p)))
                name += *p;
        return name;
    });

} // namespace

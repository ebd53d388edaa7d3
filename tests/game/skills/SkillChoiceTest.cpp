#include "game/skills/Skill.h"

#include "game/definitions/GameData.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillList.h"
#include "game/skills/SkillLoaders.h"
#include "game/skills/StatusEffect.h"
#include "support/ScriptedCovenant.h"
#include "support/SkillUser.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

struct Loaders {
    Loaders() { registerSkillLoaders(); }
};

// A user with a target, skills made by hand, and resistance that absorbs
// exactly its value in percent.
class SkillChoiceTest : public ::testing::Test {
protected:
    SkillChoiceTest()
    {
        GameRules& rules = world.data->mutableRules();
        rules.resistanceReferenceDamagePerLevel = 100.0f;
        rules.resistanceAbsorbMultiplier = 1.0f;
        rules.resistanceMinAbsorbPercent = 1.0f;
        world.game->resizeForWorld(1);
        user = place(100.0f);
        target = place(200.0f);
        user->target = target;
        user->getStats().set(toIndex(CharacterStat::Level), 1);
        list = dynamic_cast<SkillList*>(user->getSkillList());
        list->setFixed(true);
    }
    SkillUser* place(float x)
    {
        auto* s = new SkillUser();
        s->setMaxHealth(100);
        s->setHealth(100);
        s->setPosition(ZonePosition(0, x, 100.0f));
        EXPECT_GE(world.game->addEntity(s), 0);
        return s;
    }
    Skill* learn(SkillDefinition& definition, SkillType type, float basePriority)
    {
        definition.basicSkill = true;
        definition.skillType = toIndex(type);
        definition.basePriority = basePriority;
        definition.maxRange = 1000.0f;
        return static_cast<Skill*>(
            list->addSkill(&definition, user, 0, static_cast<int>(list->getSkills().size())));
    }
    // The priority lies in [p, 1.05 p), or is 0 when p is.
    static void expectPriority(const Skill* skill, float p)
    {
        if (p == 0.0f) {
            EXPECT_EQ(skill->getPriority(), 0.0f);
            return;
        }
        EXPECT_GE(skill->getPriority(), p - 1e-5f);
        EXPECT_LT(skill->getPriority(), 1.05f * p);
    }

    Loaders loaders;
    TestWorld world;
    SkillUser* user = nullptr;
    SkillUser* target = nullptr;
    SkillList* list = nullptr;
};

TEST_F(SkillChoiceTest, FinishRisesAsTheTargetWeakens)
{
    SkillDefinition finish;
    Skill* skill = learn(finish, SkillType::Finish, 0.5f);
    for (auto [health, p] : {std::pair{15, 0.75f}, {5, 1.0f}, {20, 0.0f}, {9, 1.0f}, {19, 0.75f}}) {
        target->setHealth(health);
        skill->updatePriority(user);
        expectPriority(skill, p);
    }
    user->target = nullptr;
    skill->updatePriority(user);
    EXPECT_EQ(skill->getPriority(), 0.0f);
}

TEST_F(SkillChoiceTest, DamageSkillsWeighTheAbsorbedShareAndTheTargetsHealth)
{
    SkillDefinition bolt;
    Skill* direct = learn(bolt, SkillType::DirectDamage, 0.6f);
    target->getStats().set(toIndex(CharacterStat::ResistancePhysical), 25);
    direct->updatePriority(user);
    expectPriority(direct, 0.45f);

    // A fire bolt reads the fire resistance.
    bolt.minDamage = 1;
    bolt.maxDamage = 2;
    bolt.damageType = toIndex(DamageType::Fire);
    target->getStats().set(toIndex(CharacterStat::ResistanceFire), 50);
    direct->updatePriority(user);
    expectPriority(direct, 0.3f);

    // The shipped poison bite carries a status effect the target can take.
    SkillDefinition* poison = world.data->findSkillDefinition("SpiderPoisonBite");
    ASSERT_NE(poison, nullptr);
    ASSERT_NE(poison->getStatusEffect(), nullptr);
    poison->needsEnemy = false;
    poison->minDamage = poison->maxDamage = 0;
    poison->projMaxDamage = 0;
    Skill* dot = learn(*poison, SkillType::Dot, 0.8f);
    target->getStats().set(toIndex(CharacterStat::ResistancePhysical), 0);
    target->setHealth(60);
    dot->updatePriority(user);
    expectPriority(dot, 0.4f);
    user->target = nullptr;
    dot->updatePriority(user);
    direct->updatePriority(user);
    EXPECT_EQ(dot->getPriority(), 0.0f);
    EXPECT_EQ(direct->getPriority(), 0.0f);
}

TEST_F(SkillChoiceTest, PacingPassivesAndRunningTimersRateZero)
{
    SkillDefinition bolt;
    Skill* skill = learn(bolt, SkillType::DirectDamage, 0.6f);
    skill->updatePriority(user);
    EXPECT_GT(skill->getPriority(), 0.0f);
    skill->setUsable(false);
    skill->updatePriority(user);
    EXPECT_EQ(skill->getPriority(), 0.0f);
    skill->setUsable(true);
    skill->getUseTimer().running = true;
    skill->getUseTimer().remaining = 1.0f;
    skill->updatePriority(user);
    EXPECT_EQ(skill->getPriority(), 0.0f);
    skill->getUseTimer().running = false;
    bolt.passive = true;
    skill->updatePriority(user);
    EXPECT_EQ(skill->getPriority(), 0.0f);
    bolt.passive = false;
    bolt.saveForToughEnemies = true;
    skill->updatePriority(user);
    EXPECT_EQ(skill->getPriority(), 0.0f);
    EXPECT_EQ(list->chooseSkill(user), nullptr);
    EXPECT_EQ(list->getChosenSkill(), nullptr);
}

TEST_F(SkillChoiceTest, HealOnlyForAnAllyWhoMissesMoreThanTheHeal)
{
    SkillDefinition mend;
    mend.heal = 20;
    Skill* heal = learn(mend, SkillType::Heal, 1.0f);
    SkillUser* ally = place(150.0f);
    ally->setLeader(user, 4);
    heal->updatePriority(user);
    EXPECT_EQ(heal->getPriority(), 0.0f);
    EXPECT_EQ(list->chooseSkill(user), nullptr);
    ally->setHealth(90); // misses 10, less than the 20 healed
    heal->updatePriority(user);
    EXPECT_EQ(heal->getPriority(), 0.0f);
    ally->setHealth(40);
    heal->updatePriority(user);
    expectPriority(heal, 0.6f);
    EXPECT_EQ(heal->chooseTarget(user), ally);
    EXPECT_EQ(heal->findWeakestAlly(user), ally);
    // Another covenant's member, hurt or not, is no ally.
    target->setCovenantIndex(addScriptedCovenant(*world.game).index);
    target->setHealth(10);
    EXPECT_EQ(heal->findWeakestAlly(user), ally);
}

TEST_F(SkillChoiceTest, HideAndUnhideFollowTheHiddenFlag)
{
    SkillDefinition hide;
    hide.hide = true;
    Skill* hiding = learn(hide, SkillType::Stealth, 0.3f);
    SkillDefinition unhide;
    unhide.unhide = true;
    Skill* ambush = learn(unhide, SkillType::DirectDamage, 0.3f);
    hiding->updatePriority(user);
    ambush->updatePriority(user);
    expectPriority(hiding, 1.0f);
    EXPECT_EQ(ambush->getPriority(), 0.0f);
    user->setFlags(user->getFlags() | 0x400);
    hiding->updatePriority(user);
    ambush->updatePriority(user);
    EXPECT_EQ(hiding->getPriority(), 0.0f);
    expectPriority(ambush, 1.0f);
    EXPECT_EQ(list->chooseSkill(user), ambush);
}

TEST_F(SkillChoiceTest, SituationalNeedsTheTargetToCarryTheStatus)
{
    SkillDefinition rend;
    rend.requiredEnemyStatus = toIndex(parseStatusType("Distracted"));
    ASSERT_NE(rend.requiredEnemyStatus, 0);
    Skill* skill = learn(rend, SkillType::Situational, 0.9f);
    skill->updatePriority(user);
    EXPECT_EQ(skill->getPriority(), 0.0f);
    // The shipped hex distracts.
    const DatabaseEntry* hex = world.database.findEntry("StatusEffectHex");
    ASSERT_NE(hex, nullptr);
    target->addStatusEffect(hex, user, 1);
    skill->updatePriority(user);
    expectPriority(skill, 0.9f);
}

TEST_F(SkillChoiceTest, EqualSkillsKeepTheEarlierAndTheBonusStaysUnderFivePercent)
{
    SkillDefinition first;
    SkillDefinition second;
    learn(first, SkillType::DirectDamage, 0.5f);
    learn(second, SkillType::DirectDamage, 0.5f);
    int firstChosen = 0;
    for (int i = 0; i < 200; ++i) {
        Skill* chosen = list->chooseSkill(user);
        ASSERT_NE(chosen, nullptr);
        firstChosen += chosen == list->getSkills()[0] ? 1 : 0;
        for (SkillBase* base : list->getSkills()) {
            expectPriority(static_cast<Skill*>(base), 0.5f);
        }
    }
    // The random bonus lets each win about half the time.
    EXPECT_GT(firstChosen, 50);
    EXPECT_LT(firstChosen, 150);
}

} // namespace

namespace {

TEST_F(SkillChoiceTest, ADebuffOnePerInflicterRatesAgainstTheUsersOwnCopyOnly)
{
    const DatabaseEntry* mark = world.database.findEntry("StatusEffectDevotion");
    ASSERT_NE(mark, nullptr);
    SkillDefinition curse;
    curse.statusEffect = std::make_unique<StatusEffectBase>();
    curse.statusEffect->setEntry(mark, 1, nullptr);
    ASSERT_EQ(curse.statusEffect->effectType, toIndex(StatusEffectType::OnePerInflicter));
    Skill* skill = learn(curse, SkillType::Debuff, 0.7f);
    skill->updatePriority(user);
    expectPriority(skill, 0.7f);

    // Another monster's copy leaves room for the user's own.
    SkillUser* other = place(300.0f);
    target->addStatusEffect(mark, other, 1);
    EXPECT_TRUE(target->canReceiveStatusEffect(mark, user));
    EXPECT_FALSE(target->canReceiveStatusEffect(mark, other));
    skill->updatePriority(user);
    expectPriority(skill, 0.7f);

    target->addStatusEffect(mark, user, 1);
    EXPECT_FALSE(target->canReceiveStatusEffect(mark, user));
    skill->updatePriority(user);
    EXPECT_EQ(skill->getPriority(), 0.0f);
    // Both copies stay, one per inflicter.
    EXPECT_EQ(std::count_if(target->getStatusEffects().begin(), target->getStatusEffects().end(),
                            [mark](const StatusEffect* e) { return e->getEntry() == mark && !e->ended; }),
              2);
}

} // namespace

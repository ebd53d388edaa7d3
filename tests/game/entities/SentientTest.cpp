#include "game/entities/Sentient.h"

#include "engine/core/Random.h"
#include "engine/object/EventSystem.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/DefinitionReader.h"
#include "game/skills/SkillLoaders.h"
#include "game/skills/StatusEffect.h"
#include "support/RecordingEntityServices.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}

// The shipped data with the skill loaders, as the program starts up.
struct SkillWorld {
    SkillWorld() { registerSkillLoaders(); }
};

class SentientTest : public ::testing::Test {
protected:
    // A sentient of the class with the five base attributes.
    std::unique_ptr<Sentient> make(int classIndex, std::array<int, 5> attributes = {30, 20, 30, 10, 10})
    {
        auto s = std::make_unique<Sentient>();
        s->setCharacterClass(classIndex);
        for (int i = 0; i < 5; ++i)
            s->setStat(stat(CharacterStat::BaseStrength) + i, attributes[static_cast<size_t>(i)]);
        s->updateStats(true);
        return s;
    }

    // A running effect made by hand, forever unless given a time.
    static StatusEffect* effect(StatusEffectType type, const std::string& group, int level = 1)
    {
        auto* e = new StatusEffect();
        e->effectType = toIndex(type);
        e->groupName = group;
        e->name = group;
        e->level = level;
        e->forever = true;
        e->alpha = 1.0f;
        return e;
    }

    SkillWorld skills;
    TestWorld world;
    RecordingEntityServices services{true};
};

TEST_F(SentientTest, WarriorStatsFromClassAndAttributes)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    EXPECT_EQ(s->getStat(stat(CharacterStat::MaxHealth)), 122);
    EXPECT_EQ(s->getMaxHealth(), 122);
    EXPECT_EQ(s->getHealth(), 122);
    EXPECT_EQ(s->getStat(stat(CharacterStat::MaxPower)), 100);
    EXPECT_EQ(s->getStat(stat(CharacterStat::Power)), 0);
    EXPECT_EQ(s->getStat(stat(CharacterStat::Defense)), 10);
    for (CharacterStat a : {CharacterStat::Block, CharacterStat::Parry, CharacterStat::Deflection,
                            CharacterStat::Evade, CharacterStat::Dodge})
        EXPECT_EQ(s->getStat(stat(a)), 5);
    EXPECT_EQ(s->getStat(stat(CharacterStat::Attack)), 40);
    EXPECT_EQ(s->getStat(stat(CharacterStat::AttackSpeed)), 1500);
    EXPECT_EQ(s->getStat(stat(CharacterStat::MinDamage)), 1);
    EXPECT_EQ(s->getStat(stat(CharacterStat::MaxDamage)), 5);
    EXPECT_EQ(s->getStat(stat(CharacterStat::ResistancePhysical)), 0);
    for (int r = stat(CharacterStat::ResistanceFire); r <= stat(CharacterStat::ResistanceMagic); ++r)
        EXPECT_EQ(s->getStat(r), 2);
    EXPECT_EQ(s->getStat(stat(CharacterStat::Size)), 100);
    EXPECT_FLOAT_EQ(s->getScale(), 1.0f);
    // (1 + 5) / (2 × 1.5)
    EXPECT_FLOAT_EQ(s->getDamagePerSecond(), 2.0f);
}

TEST_F(SentientTest, PercentagesDivideWhenNegativeAndRoundUp)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    StatusEffect* weaken = effect(StatusEffectType::Normal, "Weaken");
    weaken->statMults[stat(CharacterStat::Strength)] = -500;
    s->insertStatusEffect(weaken, nullptr);
    EXPECT_EQ(s->getStat(stat(CharacterStat::Strength)), 20); // ceil(30 / 1.5)
    weaken->statMults[stat(CharacterStat::Strength)] = 500;
    s->updateStats(false);
    EXPECT_EQ(s->getStat(stat(CharacterStat::Strength)), 45);
}

// Held recomputes run once, at the last resume, with a refill if any asked.
TEST_F(SentientTest, DeferredRecomputesRunOnceAtTheLastResume)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    s->setHealth(50);
    s->deferStatUpdates();
    s->deferStatUpdates();
    StatusEffect* weaken = effect(StatusEffectType::Normal, "Weaken");
    weaken->statMults[stat(CharacterStat::Strength)] = -500;
    s->insertStatusEffect(weaken, nullptr);
    s->setStat(stat(CharacterStat::BaseVitality), 40);
    s->updateStats(true);
    EXPECT_EQ(s->getStat(stat(CharacterStat::Strength)), 30) << "held";
    s->resumeStatUpdates();
    EXPECT_EQ(s->getStat(stat(CharacterStat::Strength)), 30) << "still held by the outer";
    EXPECT_EQ(s->getHealth(), 50);
    s->resumeStatUpdates();
    EXPECT_EQ(s->getStat(stat(CharacterStat::Strength)), 20);
    EXPECT_GT(s->getMaxHealth(), 122);
    EXPECT_EQ(s->getHealth(), s->getMaxHealth()) << "the held refill";
    s->resumeStatUpdates(); // one too many: nothing
    EXPECT_EQ(s->getStat(stat(CharacterStat::Strength)), 20);
}

TEST_F(SentientTest, RecomputeTwiceChangesNothing)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    StatusEffect* bonus = effect(StatusEffectType::Normal, "Bonus");
    bonus->statChanges[stat(CharacterStat::PowerRegen)] = 3;
    bonus->statChanges[stat(CharacterStat::Money)] = 50;
    bonus->statMults[stat(CharacterStat::PowerRegen)] = 500;
    bonus->statMults[stat(CharacterStat::Money)] = 500;
    services.skillGroup = 1;
    services.skillStat = stat(CharacterStat::XpDebt);
    services.skillValue = 7;
    s->insertStatusEffect(bonus, nullptr);
    s->setStat(stat(CharacterStat::Money), 40);
    s->updateStats(false);
    CounterList first = s->getStats();
    s->updateStats(false);
    EXPECT_EQ(s->getStats(), first);
    EXPECT_EQ(s->getStat(stat(CharacterStat::PowerRegen)), 5); // ceil(3 × 1.5)
    EXPECT_EQ(s->getStat(stat(CharacterStat::Money)), 40);
    EXPECT_EQ(s->getStat(stat(CharacterStat::XpDebt)), 0);
}

TEST_F(SentientTest, StatIndexOutsideTheTableReadsZeroWithOneLine)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    world.log.clear();
    EXPECT_EQ(s->getStat(113), 0);
    EXPECT_EQ(world.log.count(2), 1u);
    s->setStat(-1, 5);
    EXPECT_EQ(world.log.count(2), 2u);
}

TEST_F(SentientTest, ClasslessSentientRecomputesToZeros)
{
    Sentient s;
    s.updateStats(true);
    EXPECT_EQ(s.getStat(stat(CharacterStat::MaxHealth)), 0);
    EXPECT_EQ(s.getStat(stat(CharacterStat::MaxPower)), 0);
    EXPECT_EQ(s.getStat(stat(CharacterStat::Level)), 1);
}

TEST_F(SentientTest, UnknownClassIndexLogsAndChangesNothing)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    CounterList before = s->getStats();
    const CharacterClass* record = s->getCharacterClass();
    world.log.clear();
    s->setCharacterClass(77);
    EXPECT_TRUE(world.log.contains("Unknown class index 77", 3));
    EXPECT_EQ(s->getCharacterClass(), record);
    EXPECT_EQ(s->getStats(), before);
}

// ---- Stacking -------------------------------------------------------------------------

TEST_F(SentientTest, StackingRules)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    StatusEffect* first = effect(StatusEffectType::OnlyOne, "Curse");
    s->insertStatusEffect(first, nullptr);
    StatusEffect* second = effect(StatusEffectType::OnlyOne, "Curse");
    s->insertStatusEffect(second, nullptr);
    EXPECT_TRUE(first->ended);
    s->update(0.05f);
    ASSERT_EQ(s->getStatusEffects().size(), 1u);
    EXPECT_EQ(s->getStatusEffects()[0], second);

    // Cancel: both go.
    s->insertStatusEffect(effect(StatusEffectType::Cancel, "Ward"), nullptr);
    s->insertStatusEffect(effect(StatusEffectType::Cancel, "Ward"), nullptr);
    s->update(0.05f);
    EXPECT_EQ(s->getStatusEffects().size(), 1u);

    // One per inflicter: beside for another source, replacing for the same.
    auto a = make(toIndex(CharacterClassType::Rogue));
    auto b = make(toIndex(CharacterClassType::Rogue));
    StatusEffect* fromA = effect(StatusEffectType::OnePerInflicter, "Mark");
    s->insertStatusEffect(fromA, a.get());
    StatusEffect* fromB = effect(StatusEffectType::OnePerInflicter, "Mark");
    s->insertStatusEffect(fromB, b.get());
    EXPECT_FALSE(fromA->ended);
    s->insertStatusEffect(effect(StatusEffectType::OnePerInflicter, "Mark"), a.get());
    EXPECT_TRUE(fromA->ended);
    EXPECT_FALSE(fromB->ended);
    s->update(0.05f);
    EXPECT_EQ(s->getStatusEffects().size(), 3u);

    // The dead take nothing (and the refused effect is freed).
    s->setHealth(0);
    s->insertStatusEffect(effect(StatusEffectType::Normal, "Late"), nullptr);
    EXPECT_EQ(s->getStatusEffects().size(), 3u);
}

TEST_F(SentientTest, WeakeningBelowZeroEndsTheEffect)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    StatusEffect* e = effect(StatusEffectType::Normal, "Hex", 3);
    s->insertStatusEffect(e, nullptr);
    s->weakenStatusEffect("Hex", 5);
    EXPECT_EQ(e->level, 0);
    EXPECT_TRUE(e->ended);
    s->update(0.05f);
    EXPECT_TRUE(s->getStatusEffects().empty());

    // A copy already ended (replaced, not yet removed) takes no dispel: the
    // live one after it does.
    StatusEffect* old = effect(StatusEffectType::OnlyOne, "Hex", 4);
    s->insertStatusEffect(old, nullptr);
    StatusEffect* live = effect(StatusEffectType::OnlyOne, "Hex", 4);
    s->insertStatusEffect(live, nullptr);
    ASSERT_TRUE(old->ended);
    s->weakenStatusEffect("Hex", 1);
    EXPECT_EQ(old->level, 4);
    EXPECT_EQ(live->level, 3);
}

TEST_F(SentientTest, OnePerInflicterIsRefusedOnlyWhileTheSameSourcesCopyIsOn)
{
    const DatabaseEntry* devotion = DefinitionReader::findEntry("StatusEffectDevotion");
    ASSERT_NE(devotion, nullptr);
    auto s = make(toIndex(CharacterClassType::Warrior));
    auto a = make(toIndex(CharacterClassType::Rogue));
    auto b = make(toIndex(CharacterClassType::Rogue));
    EXPECT_TRUE(s->canReceiveStatusEffect(devotion, a.get()));
    s->addStatusEffect(devotion, a.get(), 1);
    EXPECT_FALSE(s->canReceiveStatusEffect(devotion, a.get()));
    EXPECT_TRUE(s->canReceiveStatusEffect(devotion, b.get()));
    // Without a sentient source any copy counts.
    EXPECT_FALSE(s->canReceiveStatusEffect(devotion, nullptr));
    s->addStatusEffect(devotion, b.get(), 1);
    EXPECT_FALSE(s->canReceiveStatusEffect(devotion, b.get()));
    EXPECT_EQ(s->getStatusEffects().size(), 2u);
}

// ---- Running effects ----------------------------------------------------------------------

StatusEffect* poison(int level = 5)
{
    auto* e = new StatusEffect();
    e->effectType = toIndex(StatusEffectType::Combine);
    e->groupName = "Poison";
    e->name = "Poison";
    e->healthChange = -10.0f;
    e->tickTime = 1.0f;
    e->totalTime = 10.0f;
    e->damageType = toIndex(DamageType::Poison);
    e->level = level;
    e->alpha = 1.0f;
    return e;
}

TEST_F(SentientTest, PoisonTicksTenTimesAndLeavesInItsLastStep)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    s->setMaxHealth(100000);
    s->setHealth(100000);
    auto source = make(toIndex(CharacterClassType::Rogue));
    s->insertStatusEffect(poison(), source.get());
    for (int step = 1; step <= 40; ++step) {
        s->update(0.25f);
        if (step < 40) {
            ASSERT_EQ(s->getStatusEffects().size(), 1u) << step;
        }
    }
    EXPECT_TRUE(s->getStatusEffects().empty());
    ASSERT_EQ(services.damage.size(), 10u);
    for (const auto& d : services.damage) {
        EXPECT_EQ(d.amount, 10);
        EXPECT_EQ(d.source, source.get());
        EXPECT_EQ(d.target, s.get());
        EXPECT_EQ(d.damageType, toIndex(DamageType::Poison));
        EXPECT_TRUE(d.overTime);
        EXPECT_FALSE(d.reflected);
    }
}

TEST_F(SentientTest, CombiningPoisonsSharesOutTheTicks)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    s->setMaxHealth(100000);
    s->setHealth(100000);
    s->insertStatusEffect(poison(5), nullptr);
    for (int i = 0; i < 24; ++i)
        s->update(0.25f); // 6 s gone, 4 s left
    s->insertStatusEffect(poison(5), nullptr);
    ASSERT_EQ(s->getStatusEffects().size(), 1u);
    StatusEffect* e = s->getStatusEffects()[0];
    EXPECT_FLOAT_EQ(e->healthChange, -14.0f);
    EXPECT_EQ(e->level, 7);
    EXPECT_FLOAT_EQ(e->durationTimer.remaining, 10.0f);
}

TEST_F(SentientTest, CombiningWithoutATickTimeDividesNothing)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    StatusEffect* first = poison(5);
    first->tickTime = 0.0f;
    s->insertStatusEffect(first, nullptr);
    StatusEffect* second = poison(5);
    second->tickTime = 0.0f;
    s->insertStatusEffect(second, nullptr);
    ASSERT_EQ(s->getStatusEffects().size(), 1u);
    EXPECT_FLOAT_EQ(first->healthChange, -10.0f);
    EXPECT_EQ(first->level, 5);
}

TEST_F(SentientTest, AbsorbPoolAndFocus)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    StatusEffect* shield = effect(StatusEffectType::Normal, "Shield");
    shield->absorbDamage = 30;
    s->insertStatusEffect(shield, nullptr);
    int damage = 50;
    s->filterIncomingDamage(damage);
    EXPECT_EQ(damage, 20);
    EXPECT_TRUE(shield->ended);
    StatusEffect* other = effect(StatusEffectType::Normal, "Shield2");
    other->absorbDamage = 30;
    s->insertStatusEffect(other, nullptr);
    damage = 20;
    s->filterIncomingDamage(damage);
    EXPECT_EQ(damage, 0);
    EXPECT_EQ(other->absorbDamage, 10);
    EXPECT_FALSE(other->ended);

    StatusEffect* focus = effect(StatusEffectType::Normal, "Focus");
    focus->mustFocus = true;
    StatusEffect* partial = effect(StatusEffectType::Normal, "Partial");
    partial->mustPartiallyFocus = true;
    s->insertStatusEffect(focus, nullptr);
    s->insertStatusEffect(partial, nullptr);
    s->fireSimpleEvent(toIndex(SimpleEvent::Move), -1);
    EXPECT_TRUE(focus->ended);
    EXPECT_FALSE(partial->ended);
    s->fireSimpleEvent(toIndex(SimpleEvent::UseSkill), -1);
    EXPECT_TRUE(partial->ended);
}

TEST_F(SentientTest, SuccessEndEffectAddedDuringThePassStays)
{
    const DatabaseEntry* regen = DefinitionReader::findEntry("StatusEffectBasicRegen");
    ASSERT_NE(regen, nullptr);
    auto s = make(toIndex(CharacterClassType::Warrior));
    StatusEffect* e = effect(StatusEffectType::Normal, "Trial");
    e->forever = false;
    e->checkSuccess = true;
    e->tickTime = 0.1f;
    e->totalTime = 0.5f;
    e->successEndEffect = regen;
    s->insertStatusEffect(e, nullptr);
    for (int i = 0; i < 12; ++i)
        s->update(0.05f);
    ASSERT_EQ(s->getStatusEffects().size(), 1u);
    EXPECT_EQ(s->getStatusEffects()[0]->getEntry(), regen);
}

TEST_F(SentientTest, ACombineEffectAddedWhileItsKindExpiresInThePassSurvives)
{
    // The dying effect's success adds a Combine effect of its own kind in the
    // same pass; it must not merge into the dying one.
    const DatabaseEntry* venom = DefinitionReader::findEntry("StatusEffectVenom");
    ASSERT_NE(venom, nullptr);
    auto s = make(toIndex(CharacterClassType::Warrior));
    s->setMaxHealth(100000);
    s->setHealth(100000);
    StatusEffect* e = effect(StatusEffectType::Combine, "Venom");
    e->forever = false;
    e->checkSuccess = true;
    e->tickTime = 0.1f;
    e->totalTime = 0.5f;
    e->successEndEffect = venom;
    s->insertStatusEffect(e, nullptr);
    for (int i = 0; i < 12; ++i)
        s->update(0.05f);
    ASSERT_EQ(s->getStatusEffects().size(), 1u);
    EXPECT_EQ(s->getStatusEffects()[0]->getEntry(), venom);
    EXPECT_FALSE(s->getStatusEffects()[0]->ended);
}

// ---- Damage and experience -------------------------------------------------------------------

TEST_F(SentientTest, DamageFloorsAtZeroAndUndyingRefills)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    s->setHealth(20);
    s->takeDamage(30, nullptr, false, false);
    EXPECT_EQ(s->getHealth(), 0);
    auto t = make(toIndex(CharacterClassType::Warrior));
    t->setFlags(EntityBase::kFlagCannotDie);
    t->setHealth(20);
    t->takeDamage(30, nullptr, false, false);
    EXPECT_EQ(t->getHealth(), t->getMaxHealth());
}

TEST_F(SentientTest, ExperienceDebtAndLevels)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    s->setStat(stat(CharacterStat::XpDebt), 100);
    EXPECT_EQ(s->payExperienceDebt(40), 20);
    EXPECT_EQ(s->getStat(stat(CharacterStat::XpDebt)), 60);
    s->setStat(stat(CharacterStat::XpDebt), 100);
    EXPECT_EQ(s->payExperienceDebt(150), 100);
    EXPECT_EQ(s->getStat(stat(CharacterStat::XpDebt)), 0);

    // 225 points cover 100 (level 1) and 125 (level 2).
    auto t = make(toIndex(CharacterClassType::Warrior));
    ASSERT_EQ(t->getStat(stat(CharacterStat::XpNeeded)), 100);
    EXPECT_EQ(t->awardExperience(1, 0, 2.25f), 225);
    EXPECT_EQ(t->getStat(stat(CharacterStat::Level)), 3);
    EXPECT_EQ(t->getStat(stat(CharacterStat::Xp)), 0);

    // A need of 0 ends at once; the points stay.
    Sentient u;
    EXPECT_EQ(u.awardExperience(1, 0, 1.0f), 100);
    EXPECT_EQ(u.getStat(stat(CharacterStat::Level)), 1);
    EXPECT_EQ(u.getStat(stat(CharacterStat::Xp)), 100);
}

TEST_F(SentientTest, LevelHundredStaysButGainsCappedAttributes)
{
    auto s = make(toIndex(CharacterClassType::Warrior));
    s->setStat(stat(CharacterStat::Level), 100);
    int strength = s->getStat(stat(CharacterStat::BaseStrength));
    s->levelUp();
    EXPECT_EQ(s->getStat(stat(CharacterStat::Level)), 100);
    EXPECT_GT(s->getStat(stat(CharacterStat::BaseStrength)), strength);
}

TEST_F(SentientTest, PartySharesAndSize)
{
    auto leader = make(toIndex(CharacterClassType::Warrior));
    std::vector<std::unique_ptr<Sentient>> followers;
    for (int i = 0; i < 4; ++i) {
        followers.push_back(make(toIndex(CharacterClassType::Rogue)));
        followers.back()->setLeader(leader.get(), 4);
    }
    EXPECT_EQ(leader->getFollowers().size(), 3u);
    EXPECT_EQ(followers[3]->getLeader(), nullptr);
    EXPECT_FLOAT_EQ(leader->getPartyXpShare(), 0.625f);
    EXPECT_FLOAT_EQ(followers[0]->getPartyXpShare(), 0.625f);
    followers[0].reset(); // leaves its leader
    EXPECT_EQ(leader->getFollowers().size(), 2u);
}

TEST_F(SentientTest, MoneySaturates)
{
    Sentient s;
    s.addMoney(INT32_MAX);
    s.addMoney(5);
    EXPECT_EQ(s.getStat(stat(CharacterStat::Money)), INT32_MAX);
}

TEST_F(SentientTest, RegenerationRoundsAtRandom)
{
    for (uint32_t seed : {1u, 7u, 12345u, 99u, 4242u, 31u}) {
        auto s = make(toIndex(CharacterClassType::Warrior));
        s->setStat(stat(CharacterStat::HealthRegen), 150);
        s->setHealth(50);
        Random::setState(0, seed);
        float draw = randomFloat(0);
        Random::setState(0, seed);
        s->regenerate(0.0f);
        EXPECT_EQ(s->getHealth(), draw < 0.5f ? 52 : 51) << seed;
    }
}

// ---- Hit reactions --------------------------------------------------------------------------

TEST_F(SentientTest, HitReactions)
{
    auto owner = make(toIndex(CharacterClassType::Warrior));
    auto victim = make(toIndex(CharacterClassType::Mage));
    world.game->addEntity(owner.get());
    world.game->addEntity(victim.get());
    StatusEffect* steal = effect(StatusEffectType::Normal, "Steal");
    steal->lifeSteal = 0.25f;
    steal->powerBurnPerHitPercent = 0.5f;
    steal->extraMaxDamagePercentElemental = 10;
    owner->insertStatusEffect(steal, nullptr);
    owner->setHealth(50);
    victim->setStat(stat(CharacterStat::Power), 0);

    // Over time: no life stolen, nothing burnt, no explosion.
    owner->hitLanded(40, victim.get(), false, false, false, false, true);
    EXPECT_EQ(owner->getHealth(), 50);
    // A weapon hit steals a quarter; a victim without power plays no burn.
    world.game->clearSoundEvents();
    owner->hitLanded(40, victim.get(), true, false, false, false, false);
    EXPECT_EQ(owner->getHealth(), 60);
    EXPECT_EQ(world.game->getSoundEvents().size(), 1u); // the life steal only

    // A reflected hit starts no when-hit skill.
    steal->whenHitSkill = "SkillPrayer";
    steal->setEntry(nullptr, 1, nullptr);
    ASSERT_NE(steal->getWhenHitSkill(), nullptr);
    owner->onHitTaken(victim.get(), true);
    EXPECT_TRUE(services.skillUses.empty());
    owner->onHitTaken(victim.get(), false);
    ASSERT_EQ(services.skillUses.size(), 1u);
    EXPECT_EQ(services.skillUses[0].target, victim.get());
    world.game->removeEntity(owner.get());
    world.game->removeEntity(victim.get());
}

// A weapon hit with an elemental bonus bursts on the victim in the element
// the bonus drew: each of the four has its effect entry and model, and each
// burst ends with the effect's time.
TEST_F(SentientTest, AnElementalBonusBurstsInTheElementItDrew)
{
    auto owner = make(toIndex(CharacterClassType::Warrior));
    auto victim = make(toIndex(CharacterClassType::Mage));
    world.game->addEntity(owner.get());
    world.game->addEntity(victim.get());
    StatusEffect* bonus = effect(StatusEffectType::Normal, "Elements");
    bonus->extraMaxDamagePercentElemental = 10;
    owner->insertStatusEffect(bonus, nullptr);
    const char* models[] = {"Models/Effects/fireExplosion.mdl", "Models/Effects/iceExplosion.mdl",
                            "Models/Effects/poisonExplosion.mdl", "Models/Effects/lightningExplosion.mdl"};
    std::array<bool, 4> seen{};
    for (uint32_t seed = 1; seed < 200 && !(seen[0] && seen[1] && seen[2] && seen[3]); ++seed) {
        Random::setState(0, seed * 2654435761u);
        StatChangeList damage;
        bonus->addDamage(3, damage);
        const int element = bonus->getElement();
        ASSERT_GE(element, 1);
        ASSERT_LE(element, 4);
        const int before = world.game->getEntityCount();
        owner->hitLanded(40, victim.get(), true, false, false, false, false);
        ASSERT_EQ(world.game->getEntityCount(), before + 1) << "element " << element;
        const Entity* burst = nullptr;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            const Entity* e = world.game->getEntity(i);
            if (e && e != owner.get() && e != victim.get() && e->getModelName() == models[element - 1])
                burst = e;
        }
        EXPECT_NE(burst, nullptr) << "element " << element;
        seen[static_cast<size_t>(element - 1)] = true;
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2] && seen[3]);
    // Every burst ends: those of an effect without a time of its own at the
    // next step, one with a time when it runs out.
    world.game->updateEvents(0.05f);
    EXPECT_EQ(world.game->getEntityCount(), 2);
    bonus->effectTime = 1.0f;
    owner->hitLanded(40, victim.get(), true, false, false, false, false);
    for (const auto& [seconds, count] : {std::pair{0.5f, 3}, std::pair{0.55f, 2}}) {
        world.game->updateEvents(seconds);
        EXPECT_EQ(world.game->getEntityCount(), count) << "after " << seconds << " s more";
    }
    world.game->removeEntity(owner.get());
    world.game->removeEntity(victim.get());
}

} // namespace

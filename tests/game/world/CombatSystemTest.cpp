#include "game/world/CombatSystem.h"

#include "game/definitions/GameEnums.h"
#include "game/entities/EntityServices.h"
#include "game/skills/SkillLoaders.h"
#include "game/skills/StatusEffect.h"
#include "game/world/GameSystem.h"
#include "support/GridTopology.h"
#include "support/RandomScript.h"
#include "support/ScriptedCovenant.h"
#include "support/ScriptedFighter.h"
#include "support/TestCovenant.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}

constexpr int type(DamageType t)
{
    return toIndex(t);
}

class KillCounter : public GameSystem {
public:
    void onKill(Entity* killer, Entity* victim, int flag) override
    {
        ++kills;
        lastKiller = killer;
        lastVictim = victim;
    }
    int kills = 0;
    Entity* lastKiller = nullptr;
    Entity* lastVictim = nullptr;
};

// Scripted fighters in the real Game on the shipped data, with the combat
// system made as start-up makes it.
class CombatSystemTest : public ::testing::Test {
protected:
    CombatSystemTest()
    {
        registerSkillLoaders();
        world.game->resizeForWorld(1);
        createCombatSystem();
    }
    ~CombatSystemTest() override { destroyCombatSystem(); }

    CombatSystem& combat() { return *CombatSystem::instance(); }

    ScriptedFighter* add(float x, int health = 100)
    {
        auto* s = new ScriptedFighter();
        s->baseMaxHealth = health;
        s->setMaxHealth(health);
        s->setHealth(health);
        s->setPosition(ZonePosition(0, x, 200.0f));
        if (world.game->addEntity(s) < 0) {
            delete s;
            return nullptr;
        }
        return s;
    }

    // The lines queued for the clients since the last call.
    std::vector<std::string> newLines()
    {
        const auto& all = world.server->getQueuedCommands();
        std::vector<std::string> lines(all.begin() + static_cast<long>(m_seenLines), all.end());
        m_seenLines = all.size();
        return lines;
    }

    // The names of the sounds played since the game's list was last cleared,
    // with their radii.
    std::vector<std::pair<std::string, float>> sounds() const
    {
        std::vector<std::pair<std::string, float>> out;
        const auto& names = world.server->getResourceNames();
        for (const SoundEvent& e : world.game->getSoundEvents())
            if (e.nameIndex >= 0 && e.nameIndex < static_cast<int>(names.size()))
                out.emplace_back(names[static_cast<size_t>(e.nameIndex)], e.radius);
        return out;
    }

    std::vector<Entity*> entitiesOfEntry(const std::string& name) const
    {
        std::vector<Entity*> out;
        for (int n = 0; n < 1000; ++n)
            if (Entity* e = world.game->getEntity(n))
                if (e->getEntry() && e->getEntry()->getName() == name)
                    out.push_back(e);
        return out;
    }

    static const StatusEffect* effectOf(const Sentient* s, const std::string& name)
    {
        for (const StatusEffect* e : s->getStatusEffects())
            if (e->getEntry() && e->getEntry()->getName() == name)
                return e;
        return nullptr;
    }

    static bool hasFlag(const Sentient* s, int bit, const Entity* other)
    {
        const auto& flags = s->getTimedFlags();
        return std::any_of(flags.begin(), flags.end(), [&](const Sentient::TimedFlag& f) {
            return f.bit == bit && f.entityNumber == other->getEntityNumber();
        });
    }

    TestWorld world;
    GridTopology topology{4096.0f, 4096.0f};
    size_t m_seenLines = 0;
};

// Draws of a weapon hit in order: critical, crushing, deep wound, hit.
std::vector<DrawCheck> plainHit()
{
    return {drawAtLeast(0.05f), drawAtLeast(0.02f), drawAtLeast(0.02f), nullptr};
}

TEST_F(CombatSystemTest, DefenceRollFollowsBlockThenParry)
{
    ScriptedFighter* target = add(100.0f);
    target->setStat(stat(CharacterStat::Defense), 10);
    target->setStat(stat(CharacterStat::Block), 3);
    target->setStat(stat(CharacterStat::Parry), 3);
    const int expected[10] = {1, 1, 1, 2, 2, 2, 0, 0, 0, 0};
    for (int r = 0; r < 10; ++r) {
        float lo = static_cast<float>(r) / 10.0f;
        ASSERT_TRUE(scriptDraws({drawBetween(lo + 0.01f, lo + 0.09f)}));
        EXPECT_EQ(combat().rollDefense(target), expected[r]) << r;
    }
    // Defense 0: r = 0 equals D and becomes -1, a block.
    target->setStat(stat(CharacterStat::Defense), 0);
    target->setStat(stat(CharacterStat::Block), 0);
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.5f)}));
    EXPECT_EQ(combat().rollDefense(target), 1);
    target->setStat(stat(CharacterStat::Block), -1);
    ASSERT_TRUE(scriptDraws({nullptr}));
    EXPECT_EQ(combat().rollDefense(target), 2);
}

TEST_F(CombatSystemTest, MissShowsTheDefenceTextSoundAndEvents)
{
    ScriptedFighter* attacker = add(100.0f);
    ScriptedFighter* target = add(130.0f);
    attacker->addDamage(type(DamageType::Physical), 5.0f, 5.0f);
    // Attack 0 never hits.
    target->setStat(stat(CharacterStat::Defense), 10);
    target->setStat(stat(CharacterStat::Block), 3);
    target->setStat(stat(CharacterStat::Parry), 3);
    const std::string t = std::to_string(target->getEntityNumber());

    auto miss = [&](float lo, float hi) {
        std::vector<DrawCheck> draws = plainHit();
        draws.push_back(drawBetween(lo, hi));
        ASSERT_TRUE(scriptDraws(draws));
        world.game->clearSoundEvents();
        EXPECT_EQ(combat().resolveHit(attacker, target, nullptr, false, 1.0f), 0);
    };
    miss(0.01f, 0.29f);
    EXPECT_EQ(newLines(), std::vector<std::string>{"dmg " + t + " Block"});
    EXPECT_EQ(sounds(), (std::vector<std::pair<std::string, float>>{{"sounds/combat/block.ogg", 400.0f}}));
    EXPECT_TRUE(hasFlag(target, 0, attacker));
    EXPECT_TRUE(hasFlag(attacker, 11, target));
    // The flags live as long as the shipped CombatEventTime.
    EXPECT_FLOAT_EQ(target->getTimedFlags().front().timeLeft, 5.0f);

    miss(0.31f, 0.59f);
    EXPECT_EQ(newLines(), std::vector<std::string>{"dmg " + t + " Parry"});
    EXPECT_EQ(sounds().at(0).first, "sounds/combat/parry.ogg");
    EXPECT_TRUE(hasFlag(attacker, 12, target));

    miss(0.61f, 0.99f);
    EXPECT_TRUE(newLines().empty());
    EXPECT_EQ(sounds().at(0).first, "sounds/combat/normalMiss.ogg");
    EXPECT_EQ(target->getHealth(), 100);

    // Outcome 4 (the "Evade" stat) shows "Dodge" and records the target's
    // "Dodge" state (3); outcome 5 (the "Dodge" stat) records "Evade" (4) and
    // shows nothing.
    target->setStat(stat(CharacterStat::Evade), 2);
    target->setStat(stat(CharacterStat::Dodge), 2);
    miss(0.61f, 0.69f);
    EXPECT_EQ(newLines(), std::vector<std::string>{"dmg " + t + " Dodge"});
    EXPECT_TRUE(hasFlag(target, 3, attacker));
    EXPECT_TRUE(hasFlag(attacker, 14, target));
    EXPECT_EQ(sounds().at(0).first, "sounds/combat/normalMiss.ogg");
    miss(0.81f, 0.99f);
    EXPECT_TRUE(newLines().empty());
    EXPECT_TRUE(hasFlag(target, 4, attacker));
    EXPECT_TRUE(hasFlag(attacker, 15, target));
}

TEST_F(CombatSystemTest, CriticalCrushingBlowDealsTwiceTheMaximumAndShowsTheDeadlyHit)
{
    ScriptedFighter* attacker = add(100.0f);
    ScriptedFighter* target = add(130.0f);
    attacker->setStat(stat(CharacterStat::Attack), 100);
    attacker->addDamage(type(DamageType::Physical), 5.0f, 9.0f);
    newLines();
    ASSERT_TRUE(scriptDraws({drawBelow(0.05f), drawBelow(0.02f), drawAtLeast(0.02f)}));
    world.game->clearSoundEvents();
    EXPECT_EQ(combat().resolveHit(attacker, target, nullptr, false, 1.0f), 18);
    EXPECT_EQ(target->getHealth(), 82);
    EXPECT_EQ(newLines(),
              std::vector<std::string>{"dmg " + std::to_string(target->getEntityNumber()) + " ^f00418"});
    EXPECT_EQ(sounds(),
              (std::vector<std::pair<std::string, float>>{{"sounds/combat/deadlyHit.ogg", 400.0f}}));
    EXPECT_TRUE(hasFlag(target, 5, attacker));
    EXPECT_TRUE(hasFlag(target, 6, attacker));
    EXPECT_TRUE(hasFlag(attacker, 16, target));
    EXPECT_TRUE(hasFlag(attacker, 17, target));

    std::vector<Entity*> effects = entitiesOfEntry("EffectDeadlyHit");
    ASSERT_EQ(effects.size(), 1u);
    EXPECT_FLOAT_EQ(effects[0]->getPosition().x, 130.0f);
    SafePtr<Entity> effect(effects[0]);
    for (int step = 0; step < 98; ++step)
        world.game->update(0.05f);
    EXPECT_NE(effect.get(), nullptr);
    for (int step = 0; step < 4; ++step)
        world.game->update(0.05f);
    EXPECT_EQ(effect.get(), nullptr);

    // With ShowCombatEffects off nothing is spawned.
    world.vars.setVar("ShowCombatEffects", "0");
    ASSERT_TRUE(scriptDraws({drawBelow(0.05f), drawBelow(0.02f), drawAtLeast(0.02f)}));
    EXPECT_EQ(combat().resolveHit(attacker, target, nullptr, false, 1.0f), 18);
    EXPECT_TRUE(entitiesOfEntry("EffectDeadlyHit").empty());
}

TEST_F(CombatSystemTest, ReachDeadTargetsAndForcedHits)
{
    ScriptedFighter* attacker = add(100.0f);
    ScriptedFighter* far = add(100.0f + 1.9f * 32.0f + 1.0f);
    attacker->setStat(stat(CharacterStat::Attack), 100);
    attacker->addDamage(type(DamageType::Physical), 4.0f, 4.0f);
    ASSERT_TRUE(scriptDraws(plainHit()));
    EXPECT_EQ(combat().resolveHit(attacker, far, nullptr, false, 1.0f), 0);
    EXPECT_EQ(far->getHealth(), 100);
    // Forced (a projectile's hit) skips the reach; the multiplier scales.
    ASSERT_TRUE(scriptDraws(plainHit()));
    EXPECT_EQ(combat().resolveHit(attacker, far, nullptr, true, 2.0f), 8);
    far->setHealth(0);
    newLines();
    EXPECT_EQ(combat().resolveHit(attacker, far, nullptr, true, 1.0f), 0);
    EXPECT_EQ(combat().applyDamageOfType(5, attacker, far, 0, false, false), 0);
    EXPECT_EQ(combat().resolveHit(nullptr, far, nullptr, true, 1.0f), 0);
    EXPECT_TRUE(newLines().empty());
}

TEST_F(CombatSystemTest, DeepWoundCarriesTheTotal)
{
    ScriptedFighter* attacker = add(100.0f);
    ScriptedFighter* target = add(130.0f);
    attacker->setStat(stat(CharacterStat::Attack), 100);
    attacker->addDamage(type(DamageType::Physical), 7.0f, 7.0f);
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.05f), drawAtLeast(0.02f), drawBelow(0.02f)}));
    EXPECT_EQ(combat().resolveHit(attacker, target, nullptr, false, 1.0f), 7);
    const StatusEffect* wound = effectOf(target, "StatusEffectDeepWound");
    ASSERT_NE(wound, nullptr);
    EXPECT_EQ(wound->level, 7);
    EXPECT_EQ(wound->getInflicter(), attacker);
}

TEST_F(CombatSystemTest, ArmourAbsorbsBetweenHalfAndAllOfItsShare)
{
    ScriptedFighter* attacker = add(100.0f);
    ScriptedFighter* target = add(130.0f);
    target->setStat(stat(CharacterStat::Armor), 100);
    // 30 against 100: x = 10, m = 5.
    ASSERT_TRUE(scriptDraws({drawBelow(0.001f), drawAtLeast(0.01f)}));
    EXPECT_EQ(combat().absorbByArmor(attacker, target, 30), 25);
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.9999f), drawBelow(0.9f)}));
    EXPECT_EQ(combat().absorbByArmor(attacker, target, 30), 20);
    for (uint32_t s = 1; s < 300; ++s) {
        Random::setState(0, s);
        int left = combat().absorbByArmor(attacker, target, 30);
        EXPECT_GE(left, 20);
        EXPECT_LE(left, 25);
    }
    // Piercing above the armour: nothing absorbed, nothing drawn.
    attacker->setStat(stat(CharacterStat::ArmorPiercing), 101);
    Random::setState(0, 77);
    EXPECT_EQ(combat().absorbByArmor(attacker, target, 30), 30);
    EXPECT_EQ(Random::getState(0), 77u);
    // A negative resistance neither absorbs nor adds.
    target->setStat(stat(CharacterStat::ResistanceFire), -50);
    EXPECT_EQ(combat().absorbByResistance(target, type(DamageType::Fire), 12, false), 12);
    // Absorption may pass the amount.
    target->setStat(stat(CharacterStat::ResistanceFire), 100);
    EXPECT_LT(combat().absorbByResistance(target, type(DamageType::Fire), 5, false), 0);
}

TEST_F(CombatSystemTest, WeaponHitSplitsFireAndSparesItFromArmour)
{
    ScriptedFighter* attacker = add(100.0f);
    ScriptedFighter* target = add(130.0f);
    attacker->setStat(stat(CharacterStat::Attack), 100);
    attacker->addDamage(type(DamageType::Fire), 10.0f, 10.0f);
    target->setStat(stat(CharacterStat::Armor), 1000);
    // Entry, resistance (2), split (2): 7 at once, 3 burning.
    ASSERT_TRUE(scriptDraws(plainHit()));
    EXPECT_EQ(combat().resolveHit(attacker, target, nullptr, false, 1.0f), 7);
    EXPECT_EQ(target->getHealth(), 93);
    const StatusEffect* burning = effectOf(target, "StatusEffectBasicFire");
    ASSERT_NE(burning, nullptr);
    EXPECT_EQ(burning->level, 3);
}

TEST_F(CombatSystemTest, FifteenFireAgainstNoResistance)
{
    ScriptedFighter* source = add(100.0f);
    struct Case {
        DrawCheck direct;
        DrawCheck overTime;
        int dealt;
        int burning;
    };
    const Case cases[] = {{drawBelow(0.5f), drawBelow(0.5f), 11, 5},
                          {drawAtLeast(0.5f), drawAtLeast(0.5f), 10, 4}};
    for (const Case& c : cases) {
        ScriptedFighter* target = add(130.0f);
        // Critical, crushing, the entry, resistance (2), then the split.
        ASSERT_TRUE(scriptDraws(
            {drawAtLeast(0.05f), drawAtLeast(0.02f), nullptr, nullptr, nullptr, c.direct, c.overTime}));
        EXPECT_EQ(combat().applyDamageOfType(15, source, target, type(DamageType::Fire), false, false),
                  c.dealt);
        EXPECT_EQ(target->getHealth(), 100 - c.dealt);
        const StatusEffect* burning = effectOf(target, "StatusEffectBasicFire");
        ASSERT_NE(burning, nullptr);
        EXPECT_EQ(burning->level, c.burning);
        EXPECT_EQ(burning->getInflicter(), source);
    }
}

TEST_F(CombatSystemTest, AbsorbedToNothingShowsNothingUnlessAWeaponHit)
{
    ScriptedFighter* attacker = add(100.0f);
    ScriptedFighter* target = add(130.0f, 100);
    target->setHealth(50);
    target->setStat(stat(CharacterStat::ResistanceFire), 100);
    newLines();
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.05f), drawAtLeast(0.02f)}));
    EXPECT_LE(combat().applyDamageOfType(5, attacker, target, type(DamageType::Fire), false, false), 0);
    EXPECT_EQ(target->getHealth(), 50);
    EXPECT_TRUE(newLines().empty());

    // A weapon hit absorbed to exactly 0 still shows 0.
    const std::string t = std::to_string(target->getEntityNumber());
    attacker->setStat(stat(CharacterStat::Attack), 100);
    attacker->addDamage(type(DamageType::Physical), 5.0f, 5.0f);
    target->setStat(stat(CharacterStat::Armor), 100);
    std::vector<DrawCheck> draws = plainHit();
    draws.insert(draws.end(), {nullptr, nullptr, nullptr, drawBelow(0.0001f), drawAtLeast(0.01f)});
    ASSERT_TRUE(scriptDraws(draws));
    EXPECT_EQ(combat().resolveHit(attacker, target, nullptr, false, 1.0f), 0);
    EXPECT_EQ(newLines(), std::vector<std::string>{"dmg " + t + " 0"});
    EXPECT_EQ(target->getHealth(), 50);
    // Absorbed past 0 it heals.
    draws = plainHit();
    draws.insert(draws.end(), {nullptr, nullptr, nullptr, drawAtLeast(0.9999f), drawBelow(0.9f)});
    ASSERT_TRUE(scriptDraws(draws));
    EXPECT_EQ(combat().resolveHit(attacker, target, nullptr, false, 1.0f), -5);
    EXPECT_EQ(target->getHealth(), 55);
    EXPECT_EQ(newLines(), std::vector<std::string>{"dmg " + t + " +5"});
}

TEST_F(CombatSystemTest, CriticalCrushingHitOnEntityTwelve)
{
    ScriptedFighter* attacker = add(100.0f);
    while (world.game->getEntity(11) == nullptr)
        ASSERT_NE(add(400.0f), nullptr);
    ScriptedFighter* target = add(130.0f);
    ASSERT_EQ(target->getEntityNumber(), 12);
    attacker->setStat(stat(CharacterStat::Attack), 100);
    attacker->addDamage(type(DamageType::Cold), 10.0f, 23.0f);
    newLines();
    // 2 × 23 = 46 cold: 36.8 at once rounds up, 9.2 over time rounds down.
    ASSERT_TRUE(scriptDraws({drawBelow(0.05f), drawBelow(0.02f), drawAtLeast(0.02f), nullptr, nullptr,
                             nullptr, nullptr, nullptr, drawBelow(0.8f), drawAtLeast(0.2f)}));
    EXPECT_EQ(combat().resolveHit(attacker, target, nullptr, false, 1.0f), 37);
    EXPECT_EQ(newLines(), std::vector<std::string>{"dmg 12 ^f00437"});
    const StatusEffect* frost = effectOf(target, "StatusEffectBasicCold");
    ASSERT_NE(frost, nullptr);
    EXPECT_EQ(frost->level, 9);
}

TEST_F(CombatSystemTest, KillSharesExperienceAndTellsEveryGameSystemOnce)
{
    GameSystemRegistry registry;
    KillCounter counter;
    ScriptedFighter* leader = add(100.0f);
    ScriptedFighter* follower = add(120.0f);
    follower->setLeader(leader, 4);
    ScriptedFighter* victim = add(130.0f, 5);
    newLines();
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.05f), drawAtLeast(0.02f)}));
    EXPECT_EQ(combat().applyDamageOfType(9, follower, victim, type(DamageType::Lightning), false, false), 9);
    EXPECT_TRUE(victim->isDead());
    // Two members share 0.75 each of a level-1 kill: 75 experience.
    auto line = [](const Entity* e) { return "dmg " + std::to_string(e->getEntityNumber()) + " ^f005+75xp"; };
    EXPECT_EQ(newLines(), (std::vector<std::string>{"dmg " + std::to_string(victim->getEntityNumber()) + " 9",
                                                    line(leader), line(follower)}));
    EXPECT_EQ(follower->getStat(stat(CharacterStat::Xp)), 75);
    EXPECT_EQ(counter.kills, 1);
    EXPECT_EQ(counter.lastKiller, follower);
    EXPECT_EQ(counter.lastVictim, victim);
    // A dead target takes nothing more.
    EXPECT_EQ(combat().applyDamageOfType(9, follower, victim, type(DamageType::Lightning), false, false), 0);
    EXPECT_EQ(counter.kills, 1);

    // The victim's kill credit takes the kill.
    ScriptedFighter* other = add(140.0f, 5);
    other->killCredit = leader;
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.05f), drawAtLeast(0.02f)}));
    combat().applyDamageOfType(9, follower, other, type(DamageType::Lightning), false, false);
    EXPECT_EQ(counter.kills, 2);
    EXPECT_EQ(counter.lastKiller, leader);
}

TEST_F(CombatSystemTest, AreaDamageHitsLivingSentientsButTheSource)
{
    ScriptedFighter* source = add(100.0f);
    source->setCovenantIndex(scriptedCovenantAt(*world.game, 0).index);
    ScriptedFighter* enemy = add(150.0f);
    ScriptedFighter* friendly = add(160.0f);
    friendly->setCovenantIndex(0);
    ScriptedFighter* outside = add(400.0f);
    auto* object = new Entity();
    object->setMaxHealth(10);
    object->setHealth(10);
    object->setPosition(ZonePosition(0, 120.0f, 200.0f));
    ASSERT_GE(world.game->addEntity(object), 0);
    const ZonePosition centre(0, 100.0f, 200.0f);
    std::vector<DrawCheck> noSpecials(30, drawAtLeast(0.05f));

    ASSERT_TRUE(scriptDraws(noSpecials));
    EXPECT_EQ(combat().applyAreaDamageOfType(5, source, centre, 100.0f, type(DamageType::Lightning)), 5);
    EXPECT_EQ(enemy->getHealth(), 95);
    EXPECT_EQ(friendly->getHealth(), 100);

    StatChangeList list;
    list.add(type(DamageType::Lightning), 5, 5);
    ASSERT_TRUE(scriptDraws(noSpecials));
    // Member against member: "PvpDamageMult" 0.5 makes 5 into floor(2.5 + 0.5).
    EXPECT_EQ(combat().applyAreaDamage(source, centre, 100.0f, list, true), 8);
    EXPECT_EQ(enemy->getHealth(), 90);
    EXPECT_EQ(friendly->getHealth(), 97);
    EXPECT_EQ(source->getHealth(), 100);
    EXPECT_EQ(outside->getHealth(), 100);
    EXPECT_EQ(object->getHealth(), 10);
}

TEST_F(CombatSystemTest, ReflectedDamageDrawsNoHitReaction)
{
    world.database.addSubDatabase("CombatTest", "combattest.dbl", R"(
TestThorns {
    Base StatusEffectBase
    DamageOnHit 3
    DamageType Lightning
    TotalTime 100
}
)");
    world.database.resolveBases();
    ScriptedFighter* a = add(100.0f);
    ScriptedFighter* b = add(130.0f);
    // Thorns on both sides: each hit is answered once, the answer is not.
    a->addStatusEffectByName("TestThorns", a, 1);
    b->addStatusEffectByName("TestThorns", b, 1);
    ASSERT_EQ(a->getStatusEffects().size(), 1u);
    ASSERT_TRUE(scriptDraws(std::vector<DrawCheck>(20, drawAtLeast(0.05f))));
    EXPECT_EQ(combat().applyDamageOfType(4, a, b, type(DamageType::Lightning), false, false), 4);
    EXPECT_EQ(b->getHealth(), 96);
    EXPECT_EQ(a->getHealth(), 97);
    // Reflected damage itself is not answered.
    ASSERT_TRUE(scriptDraws(std::vector<DrawCheck>(20, drawAtLeast(0.05f))));
    EXPECT_EQ(combat().applyDamageOfType(4, a, b, type(DamageType::Lightning), false, true), 4);
    EXPECT_EQ(b->getHealth(), 92);
    EXPECT_EQ(a->getHealth(), 97);
}

TEST_F(CombatSystemTest, HooksReachTheCombatSystem)
{
    ScriptedFighter* attacker = add(100.0f);
    ScriptedFighter* target = add(130.0f);
    EXPECT_FLOAT_EQ(EntityServices::combatEventTime(), 5.0f);
    ASSERT_TRUE(scriptDraws(std::vector<DrawCheck>(10, drawAtLeast(0.05f))));
    EXPECT_EQ(EntityServices::applyDamageOfType(6, attacker, target, type(DamageType::Magic), false, false),
              6);
    EXPECT_EQ(target->getHealth(), 94);
    attacker->setStat(stat(CharacterStat::Attack), 100);
    attacker->addDamage(type(DamageType::Magic), 3.0f, 3.0f);
    ASSERT_TRUE(scriptDraws(std::vector<DrawCheck>(10, drawAtLeast(0.05f))));
    EXPECT_EQ(EntityServices::resolveHit(attacker, target), 3);
    destroyCombatSystem();
    EXPECT_FLOAT_EQ(EntityServices::combatEventTime(), 0.0f);
    EXPECT_EQ(EntityServices::resolveHit(attacker, target), 0);
    createCombatSystem();
}

TEST(CombatSystemDataTest, ShippedDataNamesTheEffectsCombatUses)
{
    TestWorld world;
    for (int t = 0; t < kDamageTypeCount; ++t)
        EXPECT_NE(world.database.findEntry("StatusEffectBasic" + getDamageTypeName(t)), nullptr) << t;
    EXPECT_NE(world.database.findEntry(CombatSystem::kDeepWoundEffect), nullptr);
    for (const std::string& name : world.data->rules().combatEffect) {
        const DatabaseEntry* entry = world.database.findEntry(name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_EQ(world.database.getString(entry, "Type"), "Object") << name;
    }
    CombatSystem combat;
    EXPECT_FLOAT_EQ(combat.getCombatEventTime(), 5.0f);
    EXPECT_TRUE(combat.showsCombatEffects());
}

TEST(CombatSystemDataTest, MissingEntryIsLoggedAndKeepsZero)
{
    TestWorld world(false, false);
    CombatSystem combat;
    EXPECT_TRUE(world.log.contains("CombatSystem database entry no found!"));
    EXPECT_FLOAT_EQ(combat.getCombatEventTime(), 0.0f);
}

} // namespace

TEST_F(CombatSystemTest, CovenantMembersTakeThePvpFactorAndEveryCovenantHearsTheirKills)
{
    TestCovenant& first = addTestCovenant(*world.game, "Ironbound");
    TestCovenant& second = addTestCovenant(*world.game, "Thornveil");
    ScriptedFighter* leader = add(100.0f);
    ScriptedFighter* member = add(120.0f);
    ScriptedFighter* enemy = add(140.0f);
    ScriptedFighter* monster = add(160.0f);
    leader->setCovenantIndex(first.index);
    member->setCovenantIndex(first.index);
    enemy->setCovenantIndex(second.index);
    first.leader = leader;

    // "PvpDamageMult" 0.5 between members, rounded half up; not on a leader,
    // not from or to anyone outside covenants.
    EXPECT_EQ(combat().applyPvpMult(enemy, member, 5), 3);
    EXPECT_EQ(combat().applyPvpMult(enemy, member, 10), 5);
    EXPECT_EQ(combat().applyPvpMult(enemy, leader, 10), 10);
    EXPECT_EQ(combat().applyPvpMult(monster, member, 10), 10);
    EXPECT_EQ(combat().applyPvpMult(member, monster, 10), 10);

    // A blow at Peace makes the victim's covenant declare war.
    combat().dealDamage(member, 10, enemy, false, false, false);
    EXPECT_EQ(first.getRelationState(second.index), static_cast<int>(CovenantTreaty::War));

    // A kill with a member in it reaches every covenant; one between
    // outsiders reaches none.
    combat().dealDamage(monster, 1000, member, false, false, false);
    ASSERT_EQ(first.kills.size(), 1u);
    EXPECT_EQ(second.kills.size(), 1u);
    EXPECT_EQ(first.kills[0].first, monster);
    EXPECT_EQ(first.kills[0].second, member);
    ScriptedFighter* other = add(180.0f);
    ScriptedFighter* stray = add(190.0f);
    combat().dealDamage(stray, 1000, other, false, false, false);
    EXPECT_EQ(first.kills.size(), 1u);
}

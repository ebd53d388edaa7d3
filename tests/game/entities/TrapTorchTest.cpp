#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Projectile.h"
#include "game/entities/Torch.h"
#include "game/entities/Trap.h"
#include "game/entities/TrapGround.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/CombatSystem.h"
#include "game/world/FactionSystem.h"
#include "game/world/Weather.h"
#include "game/world/WeatherFront.h"
#include "support/AwakeMonster.h"
#include "support/FlatNavigation.h"
#include "support/RandomScript.h"
#include "support/ScriptedFighter.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr const char* kTestObjects = R"(
TestTrap {
    Type Trap
    TriggerChance 1
    TriggerSound "Sounds/trapTrigger.ogg"
    GroundTrapDelayMult 1
    Skill TrapSpikes
    TriggerDistance 40
    ThinkTime 2
}
TestDudTrap {
    Base TestTrap
    DudChance 1
}
TestAlarmTrap {
    Base TestTrap
    Skill TrapFireBurst
    AlarmChance 1
    AlarmRange 200
}
TestRainTorch {
    Type Object
    LightColor "1.0,0.5,0.5"
    LightFalloff 0.02
    WeatherTime 2
    MaxRain 0.5
    EffectedByFire 1
}
TestWindTorch {
    Type Object
    LightColor "1.0,0.5,0.5"
    WeatherTime 2
    MaxWind 6
    EffectedByIce 1
}
)";

class TrapTorchTest : public ::testing::Test {
protected:
    // The test world loads the game data as it is made: the skill loaders
    // must be there before, or a trap's skill is unknown in a test run alone.
    static void SetUpTestSuite() { registerSkillLoaders(); }

    TrapTorchTest()
    {
        createCombatSystem();
        createFactionSystem();
        world.database.addSubDatabase("TrapTest", "trap_test.dbl", kTestObjects);
        world.database.resolveBases();
        world.game->resizeForWorld(1);
        field.openZone(0);
        world.game->setNavigation(&field);
    }
    ~TrapTorchTest() override
    {
        world.game->setNavigation(nullptr);
        world.game->clear();
        destroyFactionSystem();
        destroyCombatSystem();
    }

    Game& game() { return *world.game; }

    TrapGround* groundTrap(const char* entry, int level, float x = 100.0f, float y = 100.0f)
    {
        auto* trap = new TrapGround();
        trap->setEntry(world.database.findEntry(entry), entry);
        trap->loadFromDatabase();
        trap->setLevel(level);
        trap->setPosition(ZonePosition(0, x, y));
        EXPECT_GE(game().addEntity(trap), 0);
        trap->onPlaced();
        return trap;
    }

    ScriptedFighter* victim(int disarm, float x = 110.0f, float y = 100.0f)
    {
        auto* fighter = new ScriptedFighter();
        fighter->setMaxHealth(100);
        fighter->setHealth(100);
        fighter->setPosition(ZonePosition(0, x, y));
        fighter->setStat(toIndex(CharacterStat::DisarmTrap), disarm);
        EXPECT_GE(game().addEntity(fighter), 0);
        return fighter;
    }

    Torch* torch(const char* entry, float x = 200.0f, float y = 200.0f)
    {
        auto* t = new Torch();
        t->setEntry(world.database.findEntry(entry), entry);
        t->loadFromDatabase();
        t->setPosition(ZonePosition(0, x, y));
        EXPECT_GE(game().addEntity(t), 0);
        return t;
    }

    // Sets the trap off with the scripted draws from the attempt on, then
    // delivers its "Trigger".
    bool attempt(Trap* trap, Entity* who, const std::vector<DrawCheck>& draws)
    {
        if (!scriptDraws(draws))
            return false;
        trap->tryTrigger(who, 0.0f);
        game().updateEvents(0.01f);
        return true;
    }

    int projectiles() const
    {
        int count = 0;
        for (int i = 0; i < Game::kMaxEntities; ++i)
            count += dynamic_cast<Projectile*>(world.game->getEntity(i)) ? 1 : 0;
        return count;
    }

    TestWorld world;
    FlatNavigation field;
};

bool disarmed(const Trap* trap)
{
    return trap->isFinished() && !trap->isSprung();
}

// ---- Traps ----------------------------------------------------------------------

TEST_F(TrapTorchTest, DisarmChanceGrowsFromNeverToAlwaysWithTheSkillOverTheTrapLevel)
{
    // Draws: the attempt, its delay, then the disarm roll.
    for (int tries = 0; tries < 20; ++tries) {
        TrapGround* owner = groundTrap("TestTrap", 8);
        const float low = 0.05f * static_cast<float>(tries);
        ASSERT_TRUE(attempt(owner->getTrap(), victim(0), {nullptr, nullptr, drawBetween(low, low + 0.05f)}));
        EXPECT_FALSE(disarmed(owner->getTrap()));
        EXPECT_TRUE(owner->getTrap()->isSprung());
    }
    TrapGround* even = groundTrap("TestTrap", 8);
    ASSERT_TRUE(attempt(even->getTrap(), victim(8), {nullptr, nullptr, drawBetween(0.49f, 0.5f)}));
    EXPECT_TRUE(disarmed(even->getTrap()));
    TrapGround* evenMissed = groundTrap("TestTrap", 8);
    ASSERT_TRUE(attempt(evenMissed->getTrap(), victim(8), {nullptr, nullptr, drawBetween(0.5f, 0.51f)}));
    EXPECT_FALSE(disarmed(evenMissed->getTrap()));
    EXPECT_TRUE(evenMissed->getTrap()->isSprung());
    TrapGround* above = groundTrap("TestTrap", 8);
    ASSERT_TRUE(attempt(above->getTrap(), victim(18), {nullptr, nullptr, drawAtLeast(0.999f)}));
    EXPECT_TRUE(disarmed(above->getTrap()));
}

TEST_F(TrapTorchTest, ADisarmedTrapIgnoresEveryLaterAttempt)
{
    TrapGround* owner = groundTrap("TestTrap", 1);
    ScriptedFighter* who = victim(50);
    ASSERT_TRUE(attempt(owner->getTrap(), who, {}));
    ASSERT_TRUE(disarmed(owner->getTrap()));
    owner->getTrap()->tryTrigger(who, 0.0f);
    EXPECT_EQ(game().getPendingEventCount(), 0u);
    game().updateEvents(1.0f);
    EXPECT_EQ(projectiles(), 0);
    EXPECT_FALSE(owner->getTrap()->isSprung());
}

TEST_F(TrapTorchTest, ADudOnlyPlaysTheTriggerSound)
{
    TrapGround* owner = groundTrap("TestDudTrap", 1);
    game().clearSoundEvents();
    ASSERT_TRUE(attempt(owner->getTrap(), victim(0), {}));
    EXPECT_TRUE(owner->getTrap()->isSprung());
    EXPECT_TRUE(owner->getTrap()->isFinished());
    EXPECT_EQ(game().getSoundEvents().size(), 1u);
    EXPECT_EQ(game().getPendingEventCount(), 0u);
    game().updateEvents(1.0f);
    EXPECT_EQ(projectiles(), 0);
}

TEST_F(TrapTorchTest, ASprungTrapFiresItsProjectileAtTheVictimAndIsSpentOnceItIsGone)
{
    TrapGround* owner = groundTrap("TestTrap", 1);
    ScriptedFighter* who = victim(0, 300.0f, 100.0f);
    ASSERT_TRUE(attempt(owner->getTrap(), who, {}));
    game().updateEvents(0.01f);
    ASSERT_EQ(projectiles(), 1);
    EXPECT_TRUE(owner->getTrap()->hasActed());
    EXPECT_FALSE(owner->getTrap()->isSpent());
    for (int i = 0; i < 40 && projectiles() > 0; ++i)
        game().update(0.05f);
    EXPECT_LT(who->getHealth(), 100);
    EXPECT_TRUE(owner->getTrap()->isSpent());
}

TEST_F(TrapTorchTest, AVictimGoneBeforeTheTriggerDisarmsNothingAndNothingIsLaunched)
{
    TrapGround* owner = groundTrap("TestTrap", 1);
    ScriptedFighter* who = victim(100);
    ASSERT_TRUE(scriptDraws({drawBelow(1.0f)}));
    owner->getTrap()->tryTrigger(who, 1.0f);
    game().deleteEntity(who, true);
    game().updateEvents(1.0f);
    game().updateEvents(1.0f);
    EXPECT_TRUE(owner->getTrap()->isSprung());
    EXPECT_TRUE(owner->getTrap()->isFinished());
    EXPECT_EQ(projectiles(), 0);
}

TEST_F(TrapTorchTest, AGroundTrapThinksEveryOnePointEightToTwoPointTwoSeconds)
{
    TrapGround* owner = groundTrap("TestTrap", 1);
    owner->setHitsAnyone(true);
    float shortest = 10.0f;
    float longest = 0.0f;
    for (int i = 0; i < 2000; ++i) {
        owner->update(0.05f);
        const Timer& think = owner->getThinkTimer();
        ASSERT_TRUE(think.running);
        shortest = std::min(shortest, think.duration);
        longest = std::max(longest, think.duration);
    }
    EXPECT_GE(shortest, 1.8f);
    EXPECT_LT(shortest, 1.85f);
    EXPECT_LE(longest, 2.2f);
    EXPECT_GT(longest, 2.15f);
    EXPECT_FALSE(owner->isTriggered());
    // Someone steps within the trigger distance: the next check sets it off.
    victim(0, 120.0f, 100.0f);
    for (int i = 0; i < 50 && !owner->isTriggered(); ++i)
        owner->update(0.05f);
    EXPECT_TRUE(owner->isTriggered());
}

TEST_F(TrapTorchTest, TheAlarmGivesEveryMonsterInRangeTheVictimAsATarget)
{
    const MonsterType* goblin = world.data->findMonsterType("GoblinWarrior");
    ASSERT_NE(goblin, nullptr);
    TrapGround* owner = groundTrap("TestAlarmTrap", 1, 400.0f, 400.0f);
    ScriptedFighter* who = victim(0, 560.0f, 400.0f);
    // A player-side character: goblins hate it.
    who->setFactionId(FactionSystem::instance()->getPlayerFactionId());
    Actor* near = addAwakeMonster(game(), goblin, 1, ZonePosition(0, 400.0f, 560.0f));
    Actor* far = addAwakeMonster(game(), goblin, 1, ZonePosition(0, 400.0f, 700.0f));
    ASSERT_NE(near, nullptr);
    ASSERT_NE(far, nullptr);
    ASSERT_TRUE(attempt(owner->getTrap(), who, {}));
    game().updateEvents(0.01f);
    EXPECT_TRUE(owner->getTrap()->isFinished());
    EXPECT_NE(near->findTargetEntry(who), nullptr);
    EXPECT_EQ(far->findTargetEntry(who), nullptr);
}

// ---- Torches --------------------------------------------------------------------

TEST_F(TrapTorchTest, RainPutsATorchOutFromItsLimitOnAndWindOnlyOneWithAWindLimit)
{
    float rain = 0.0f;
    Vec2 wind{0.0f, 0.0f};
    game().hooks().weatherAt = [&](const ZonePosition&, float& r, Vec2& w) {
        r = rain;
        w = wind;
    };
    rain = 0.49f;
    wind = Vec2(30.0f, 40.0f);
    Torch* wet = torch("TestRainTorch");
    wet->update(0.01f);
    EXPECT_TRUE(wet->isLit());
    rain = 0.5f;
    wet->update(1.0f);
    EXPECT_TRUE(wet->isLit()); // the next look is 2 s after the first
    wet->update(1.0f);
    EXPECT_FALSE(wet->isLit());
    EXPECT_EQ(wet->getLightFalloff(), 0.0f);

    rain = 0.0f;
    wind = Vec2(0.0f, 5.9f);
    Torch* windy = torch("TestWindTorch");
    windy->update(0.01f);
    EXPECT_TRUE(windy->isLit());
    wind = Vec2(3.6f, 4.8f);
    windy->update(2.0f);
    EXPECT_FALSE(windy->isLit());
}

TEST_F(TrapTorchTest, WindPutsOutOnlyTorchesWithALimitAtMostItsSpeed)
{
    Torch* limited = torch("TestWindTorch", 100.0f, 100.0f);
    Torch* unlimited = torch("TestRainTorch", 120.0f, 100.0f);
    EXPECT_EQ(Torch::extinguishNear(ZonePosition(0, 100.0f, 100.0f), 64.0f, 5.9f), 0);
    EXPECT_EQ(Torch::extinguishNear(ZonePosition(0, 100.0f, 100.0f), 64.0f, 1000.0f), 1);
    EXPECT_FALSE(limited->isLit());
    EXPECT_TRUE(unlimited->isLit());
}

TEST_F(TrapTorchTest, AFrontsWindPutsOutATorchWhoseLimitItReachesAndNeverOneWithoutALimit)
{
    // The Game's own weather, no stand-in: a dry front of wind (3.6, 4.8),
    // speed 6, over both torches.
    game().hooks().weatherAt = nullptr;
    Weather::Settings settings;
    settings.maxFronts = 1;
    settings.maxFrontWindSpeed = settings.maxTotalWindSpeed = 10.0f;
    settings.maxTotalIntensity = 1.0f;
    settings.minFrontTime = settings.maxFrontTime = 100.0f;
    settings.randomChangeTime = 1000.0f;
    game().weather().setSettings(settings);
    WeatherFront* front = game().weather().startFront(ZonePosition(0, 200.0f, 200.0f));
    ASSERT_NE(front, nullptr);
    front->intensity = 0.0f;
    front->wind = Vec2(3.6f, 4.8f);
    front->minDistance = 300.0f;
    front->maxDistance = 400.0f;
    front->fadeUpTime = 0.0f;
    front->velocity = Vec2(0.0f, 0.0f);

    Torch* limited = torch("TestWindTorch");                   // MaxWind 6
    Torch* unlimited = torch("TestRainTorch", 210.0f, 200.0f); // MaxWind 0
    limited->update(0.01f);
    unlimited->update(0.01f);
    limited->update(2.0f);
    unlimited->update(2.0f);
    EXPECT_FALSE(limited->isLit()) << "its own look at the weather";
    EXPECT_TRUE(unlimited->isLit());

    limited->use(nullptr);
    ASSERT_TRUE(limited->isLit());
    EXPECT_EQ(game().weather().extinguishTorches(ZonePosition(0, 200.0f, 200.0f), 64.0f, 6.0f), 1);
    EXPECT_FALSE(limited->isLit());
    EXPECT_TRUE(unlimited->isLit());
}

TEST_F(TrapTorchTest, FireAndColdAffectOnlyTorchesMadeForThem)
{
    Torch* fireProof = torch("TestWindTorch");
    Torch* iceProof = torch("TestRainTorch");
    iceProof->hitByDamageType(10, toIndex(DamageType::Cold));
    EXPECT_TRUE(iceProof->isLit());
    fireProof->hitByDamageType(10, toIndex(DamageType::Cold));
    EXPECT_FALSE(fireProof->isLit());
    fireProof->hitByDamageType(10, toIndex(DamageType::Fire));
    EXPECT_FALSE(fireProof->isLit());
    iceProof->use(nullptr);
    ASSERT_FALSE(iceProof->isLit());
    iceProof->hitByDamageType(-1, toIndex(DamageType::Fire));
    EXPECT_FALSE(iceProof->isLit());
    iceProof->hitByDamageType(0, toIndex(DamageType::Fire));
    EXPECT_TRUE(iceProof->isLit());
    EXPECT_FLOAT_EQ(iceProof->getLightColor().x, 1.0f);
    EXPECT_FLOAT_EQ(iceProof->getLightFalloff(), 0.02f);
}

TEST_F(TrapTorchTest, AreaFireAndColdReachTheTorchesInRangeAndHurtNone)
{
    ScriptedFighter* caster = victim(0, 140.0f, 200.0f);
    Torch* forFire = torch("TestRainTorch", 200.0f, 200.0f);
    Torch* forIce = torch("TestWindTorch", 220.0f, 200.0f);
    Torch* plain = torch("TestWindTorch", 240.0f, 200.0f);
    // The last one reacts to cold only, so fire leaves it; the first is dark.
    forFire->use(nullptr);
    plain->use(nullptr);
    ASSERT_FALSE(forFire->isLit());
    CombatSystem& combat = *CombatSystem::instance();
    const ZonePosition centre(0, 200.0f, 200.0f);

    combat.applyAreaDamageOfType(7, caster, centre, 100.0f, toIndex(DamageType::Fire));
    EXPECT_TRUE(forFire->isLit());
    EXPECT_TRUE(forIce->isLit());
    EXPECT_FALSE(plain->isLit());

    combat.applyAreaDamageOfType(7, caster, centre, 100.0f, toIndex(DamageType::Cold));
    EXPECT_TRUE(forFire->isLit()) << "cold does nothing to a torch made for fire";
    EXPECT_FALSE(forIce->isLit());
    for (const Torch* t : {forFire, forIce, plain})
        EXPECT_EQ(t->getHealth(), t->getMaxHealth());

    // Out of the radius nothing changes; a direct hit acts as the area does.
    Torch* far = torch("TestWindTorch", 900.0f, 200.0f);
    combat.applyAreaDamageOfType(7, caster, centre, 100.0f, toIndex(DamageType::Cold));
    EXPECT_TRUE(far->isLit());
    combat.applyDamageOfType(7, caster, far, toIndex(DamageType::Cold), false, false);
    EXPECT_FALSE(far->isLit());
}

} // namespace

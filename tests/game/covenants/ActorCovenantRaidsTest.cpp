// Off-screen battles, raids and recruiting of computer covenants.
#include "game/covenants/ActorCovenantFixture.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/entities/Recruit.h"
#include "game/world/AreaDefinition.h"
#include "game/world/CombatSystem.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "support/RandomScript.h"

#include <memory>

class ActorCovenantRaidsTest : public ActorCovenantFixture {
protected:
    ActorCovenantRaidsTest()
        : c(setUpCovenant("Ironbound", 10)), t(setUpCovenant("GildedScale", 10)),
          d(const_cast<CovenantDefinition*>(c.getDefinition())), saved(*d)
    {
        if (!CombatSystem::instance())
            combat = std::make_unique<CombatSystem>();
        c.traits.clear();
        c.difficulty = 1;
        d->RelationForPeaceTreaty[1] = 60.0f;
        d->RaidChanceMultBadRelations = 2.0f;
        d->SlowStartTime = 60.0f;
        d->RaidChanceMultBeingRaided = 0.3f;
        c.memoryOf(t.index).fear = 0.0f;
    }
    ~ActorCovenantRaidsTest() override { *d = saved; }

    void atWar(Covenant& a, Covenant& b)
    {
        world.game->announceDiplomacy(a.index, b.index, static_cast<int>(CovenantTreaty::War), false);
    }

    void fillRecruits(ActorCovenant& covenant, int slots)
    {
        covenant.resizeRecruitSlots(slots);
        for (int x = 0; covenant.hasRoomForRecruit(); ++x)
            covenant.addRecruit(spawn(findType("RecruitWarrior"), 5, 20 + x, 100));
    }

    int countAway(const ActorCovenant& covenant) const
    {
        int n = 0;
        for (int slot = 0; slot < covenant.getRecruitSlotCount(); ++slot)
            n += covenant.getRecruit(slot) && covenant.getRecruit(slot)->away;
        return n;
    }

    ActorCovenant& c;
    ActorCovenant& t;
    CovenantDefinition* d;
    const CovenantDefinition saved;
    std::unique_ptr<CombatSystem> combat;
};

TEST_F(ActorCovenantRaidsTest, OffscreenFightsGoByTheLevelGapAndMoveTheRecruit)
{
    World levels;
    AreaDefinition area;
    area.monsterChancePerBlock = 1.0f;
    for (int depth = 1; depth <= 6; ++depth) {
        auto level = std::make_unique<Level>();
        level->monsterLevel = depth;
        level->definition = &area;
        levels.addLevel(std::move(level));
    }
    Actor* monster = spawn(findType("RecruitWarrior"), 10, 50, 50);
    ASSERT_NE(monster, nullptr);
    const int m = monster->getStat(toIndex(CharacterStat::Level));
    const struct {
        int gap;
        float chance;
    } rows[] = {{1, 0.99f}, {0, 0.98f}, {-1, 0.75f}, {-2, 0.5f}, {-3, 0.25f}, {-4, 0.0f}};
    Recruit r;
    for (const auto& row : rows) {
        r.stats.set(toIndex(CharacterStat::Level), m + row.gap);
        if (row.chance > 0.0f) {
            ASSERT_TRUE(scriptDraws({drawBetween(row.chance - 0.01f, row.chance)}));
            EXPECT_TRUE(combat->resolveOffscreenFight(monster, &r)) << row.gap;
        }
        ASSERT_TRUE(scriptDraws({drawBetween(row.chance, row.chance + 0.005f)}));
        EXPECT_FALSE(combat->resolveOffscreenFight(monster, &r)) << row.gap;
    }
    ASSERT_TRUE(scriptDraws({drawBelow(0.0001f)}));
    EXPECT_FALSE(combat->resolveOffscreenFight(monster, &r)) << "never at -4";

    // The 10th win in a row sends it a level deeper, the 3rd loss back.
    r.stats.set(toIndex(CharacterStat::Level), m + 5);
    r.setLevel(2);
    r.wins = 9;
    r.losses = 0;
    ASSERT_TRUE(scriptDraws({drawBelow(0.9f)}));
    ASSERT_TRUE(combat->resolveOffscreenFight(monster, &r));
    EXPECT_EQ(r.wins, 0);
    EXPECT_EQ(r.levelIndex, 3);
    r.stats.set(toIndex(CharacterStat::Level), m - 4);
    r.losses = 2;
    EXPECT_FALSE(combat->resolveOffscreenFight(monster, &r));
    EXPECT_EQ(r.losses, 0);
    EXPECT_EQ(r.levelIndex, 2);
}

TEST_F(ActorCovenantRaidsTest, TheRaidScoreFollowsRelationTimeAndBeingRaided)
{
    const struct {
        float relation;
        float seconds;
        bool raided;
        bool raids;
    } rows[] = {{60, 120, false, true},
                {61, 120, false, false},
                {40, 30, false, false},
                {40, 120, false, true},
                {40, 120, true, false}};
    ActorCovenant& third = setUpCovenant("Thornveil", 10);
    d->RaidChanceMultRaidedLately = 1.0f; // the early-raid factor has its own test
    for (const auto& row : rows) {
        world.game->setClock(GameTime(0, 0, 0, row.seconds));
        c.setRelation(t.index, row.relation);
        third.raidTarget = row.raided ? c.index : -1;
        world.game->announceDiplomacy(
            third.index, c.index, static_cast<int>(row.raided ? CovenantTreaty::Raid : CovenantTreaty::Peace),
            false);
        EXPECT_EQ(c.shouldRaid(t.index, false, 0.0f), row.raids) << row.relation << " at " << row.seconds;
    }
}

// A covenant that never raided counts as raided lately for the world's first
// MinimumTimeBetweenRaids: half the score until then, the whole from then on.
TEST_F(ActorCovenantRaidsTest, TheRaidScoreIsHalvedInTheWorldsFirstMinutesBetweenRaids)
{
    d->MinimumTimeBetweenRaids = GameTime(0, 0, 3, 0.0f);
    d->RaidChanceMultRaidedLately = 0.5f;
    c.setRelation(t.index, 60.0f); // a score of exactly the roll
    ASSERT_EQ(c.lastRaidEnd, GameTime());
    const struct {
        double seconds;
        float roll;
        bool raids;
    } rows[] = {{120.0, 2.0f, true}, {120.0, 1.99f, false}, {179.9, 1.99f, false},
                {180.0, 1.0f, true}, {180.0, 0.99f, false}, {600.0, 1.0f, true}};
    for (const auto& row : rows) {
        world.game->setClock(GameTime(0, 0, 0, static_cast<float>(row.seconds)));
        EXPECT_EQ(c.shouldRaid(t.index, false, row.roll), row.raids) << row.roll << " at " << row.seconds;
    }
}

TEST_F(ActorCovenantRaidsTest, ARaidTakesHalfTheOtherSlotsAndStopsWhenTheStoneIsInDanger)
{
    for (int slots : {5, 4}) {
        ActorCovenant& r = setUpCovenant("Ironbound", 10);
        fillRecruits(r, slots);
        r.formRaidParty();
        EXPECT_EQ(countAway(r), 1 + (slots - 1) / 2) << slots;
    }

    world.game->setClock(GameTime(0, 1, 0, 0.0f));
    atWar(c, t);
    c.startRaid(t.index);
    ASSERT_TRUE(c.isRaiding());
    ASSERT_NE(c.raidGate.get(), nullptr);
    c.setLifestoneHealth(c.getLifestoneMaxHealth() / 5);
    t.setLifestoneHealth(t.getLifestoneMaxHealth() / 5);
    for (float change : {-1.0f, -0.99f, -0.98f}) {
        d->StopRaidChanceChangeLifeStoneDanger = change;
        c.stopRaidTimer.start(0.0f);
        EXPECT_EQ(c.shouldStopRaid(), change < -0.985f) << change;
    }
    // One raider fell: it comes home dead, the others whole.
    Actor* fallen = nullptr;
    Actor* hurt = nullptr;
    for (int slot = 0; slot < c.getRecruitSlotCount(); ++slot) {
        const Recruit* recruit = c.getRecruit(slot);
        Actor* body = recruit && recruit->away ? recruit->getActor() : nullptr;
        if (body && !fallen)
            fallen = body;
        else if (body && !hurt)
            hurt = body;
    }
    ASSERT_NE(fallen, nullptr);
    fallen->setHealth(0);
    if (hurt)
        hurt->setHealth(1);
    SafePtr<Entity> gate = c.raidGate.get();
    c.endRaid();
    EXPECT_EQ(fallen->getHealth(), 0) << "a fallen raider stood up whole at home";
    if (hurt) {
        EXPECT_EQ(hurt->getHealth(), hurt->getMaxHealth());
    }
    EXPECT_FALSE(c.isRaiding());
    EXPECT_EQ(countAway(c), 0);
    EXPECT_EQ(c.raidGate.get(), nullptr);
    world.game->update(0.05f);
    EXPECT_EQ(gate.get(), nullptr) << "the gate is deleted";
}

// A later raid is weighed for stopping only a stop time after it began, as
// the first one: the timer of the raid before has run out long since, and a
// raid that ended on its first step would be announced and called off at once.
TEST_F(ActorCovenantRaidsTest, ALaterRaidIsNotCalledOffOnItsFirstStep)
{
    world.game->setClock(GameTime(0, 1, 0, 0.0f));
    atWar(c, t);
    c.setLifestoneHealth(c.getLifestoneMaxHealth() / 5);
    d->StopRaidChanceChangeLifeStoneDanger = -1.0f;
    for (int raid = 0; raid < 2; ++raid) {
        SCOPED_TRACE(raid == 0 ? "first raid" : "second raid");
        c.startRaid(t.index);
        ASSERT_TRUE(c.isRaiding());
        EXPECT_FALSE(c.shouldStopRaid()) << "weighed at once";
        // Its stop time on: the stone in danger calls it off.
        c.stopRaidTimer.remaining = 0.0f;
        EXPECT_TRUE(c.shouldStopRaid());
        c.endRaid();
        ASSERT_FALSE(c.isRaiding());
        // Minutes go by before the next raid: the timer runs out meanwhile.
        c.stopRaidTimer.remaining = 0.0f;
        atWar(c, t);
    }
}

// A raid on the player's covenant saved and resumed: the world may step
// before the player joins and its covenant takes the next slot again. The
// raid waits for it there; a target slot no join fills still ends it.
TEST_F(ActorCovenantRaidsTest, ARaidOnTheJoiningPlayersSlotWaitsForTheJoin)
{
    world.game->setClock(GameTime(0, 1, 0, 0.0f));
    fillRecruits(c, 5);
    const struct {
        const char* what;
        int slotsPastTheLast; // 0: the slot the joining player takes
        bool kept;
    } rows[] = {
        {"the slot the joining player takes", 0, true},
        {"a slot past it", 1, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const int slot = world.game->getCovenantCount() + row.slotsPastTheLast;
        c.raidTarget = slot;
        c.setRelationState(slot, static_cast<int>(CovenantTreaty::Raid));
        c.stopRaidTimer.start(0.0f);
        ASSERT_TRUE(c.isRaiding());
        for (int step = 0; step < 40 && c.isRaiding(); ++step)
            c.update(0.05f);
        EXPECT_EQ(c.isRaiding(), row.kept);
        EXPECT_EQ(c.raidTarget, row.kept ? slot : -1);
        c.raidTarget = -1;
        c.setRelationState(slot, static_cast<int>(CovenantTreaty::War));
    }
}

// The shipped stop values: nothing that keeps a raid going outweighs its
// length past the long-raid time.
TEST_F(ActorCovenantRaidsTest, OnTheShippedDataEveryRaidStopsPastTheLongRaidTime)
{
    const double longRaid = d->LongRaidTime.toSeconds();
    const struct {
        const char* what;
        double seconds; // since the raid began
        float own;      // life-stone fractions
        float target;
        bool stops;
    } rows[] = {
        {"both stones full, first check", 30.0, 1.0f, 1.0f, false},
        {"both stones full, before the long-raid time", longRaid - 30.0, 1.0f, 1.0f, false},
        {"both stones full, past the long-raid time", longRaid + 30.0, 1.0f, 1.0f, true},
        {"winning well, past the long-raid time", longRaid + 30.0, 1.0f, 0.2f, true},
        {"winning well, before the long-raid time", longRaid - 30.0, 1.0f, 0.2f, false},
        {"own stone at 60 % and losing badly, first check", 30.0, 0.6f, 1.0f, true},
    };
    const GameTime start(0, 1, 0, 0.0f);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        world.game->setClock(start);
        atWar(c, t);
        c.startRaid(t.index);
        ASSERT_TRUE(c.isRaiding());
        c.setLifestoneHealth(static_cast<int>(static_cast<float>(c.getLifestoneMaxHealth()) * row.own));
        t.setLifestoneHealth(static_cast<int>(static_cast<float>(t.getLifestoneMaxHealth()) * row.target));
        GameTime now = start;
        now.addSeconds(row.seconds);
        world.game->setClock(now);
        c.stopRaidTimer.start(0.0f);
        EXPECT_EQ(c.shouldStopRaid(), row.stops);
        c.endRaid();
        c.setLifestoneHealth(c.getLifestoneMaxHealth());
        t.setLifestoneHealth(t.getLifestoneMaxHealth());
    }
}

TEST_F(ActorCovenantRaidsTest, ARequestedRaidIsJudgedByBothCovenantsDamage)
{
    TestCovenant& requester = addTestCovenant(*world.game, "Human");
    c.setLifestoneMaxHealth(1000);
    const struct {
        float a, b;
        bool success;
    } rows[] = {{150, 60, true}, {150, 0, false}, {0, 300, true}};
    for (const auto& row : rows) {
        atWar(c, t);
        c.raidRequester = requester.index;
        c.targetDamageFromSelfAtStart = 0.0f;
        c.targetDamageFromRequesterAtStart = 0.0f;
        t.memoryOf(c.index).damage = row.a;
        t.memoryOf(requester.index).damage = row.b;
        c.setRelation(requester.index, 50.0f);
        requester.relationChanges.clear();
        c.startRaid(t.index);
        c.endRaid();
        ASSERT_EQ(requester.relationChanges.size(), 1u);
        EXPECT_EQ(requester.relationChanges[0] > 0.0f, row.success) << row.a << "/" << row.b;
        EXPECT_EQ(c.getRelation(requester.index) > 50.0f, row.success);
        EXPECT_EQ(c.raidRequester, -1);
    }

    // Asked while being raided itself, at relation 0.5: lowered once, then refused.
    ActorCovenant& third = setUpCovenant("Thornveil", 10);
    third.raidTarget = c.index;
    world.game->announceDiplomacy(third.index, c.index, static_cast<int>(CovenantTreaty::Raid), false);
    world.game->setClock(GameTime(0, 2, 0, 0.0f));
    c.setRelation(t.index, 0.5f);
    c.raidOnRequest(&requester, &t);
    EXPECT_FLOAT_EQ(c.getRelation(t.index), 0.0f);
    EXPECT_FALSE(c.isRaiding());
}

TEST_F(ActorCovenantRaidsTest, RecruitingJudgesHealthRoomAndStrength)
{
    Actor* dead = spawn(findType("RecruitWarrior"), 5, 70, 70);
    dead->setMaxHealth(100);
    dead->setHealth(0);
    EXPECT_FALSE(c.tryRecruit(dead, true, nullptr));

    fillRecruits(c, world.data->rules().maxRecruits + 1);
    ASSERT_EQ(c.getRecruitCount(), world.data->rules().maxRecruits);
    const int strongest = c.findStrongestMember();
    ASSERT_GE(strongest, 0);
    Recruit* hero = c.findHeroRecruit();
    Actor* lost = c.getRecruitActor(strongest);
    Actor* weak = spawn(findType("RecruitWarrior"), 1, 72, 70);
    EXPECT_FALSE(c.tryRecruit(weak, true, nullptr)) << "not stronger than the members";
    Actor* strong = spawn(findType("RecruitWarrior"), 30, 74, 70);
    ASSERT_TRUE(scriptDraws({drawBelow(0.5f)}));
    EXPECT_TRUE(c.tryRecruit(strong, true, nullptr));
    EXPECT_EQ(c.findRecruitByActor(lost), nullptr);
    EXPECT_EQ(lost->getCovenantIndex(), -1) << "the replaced member leaves the covenant";
    EXPECT_EQ(c.findHeroRecruit(), hero);
    EXPECT_NE(c.findRecruitByActor(strong), nullptr);
    EXPECT_EQ(c.getRecruitCount(), world.data->rules().maxRecruits);

    // A full entity table refuses a candidate from outside the world: the
    // member it would replace stays.
    Actor* outsider = new Actor();
    outsider->initFromMonsterType(findType("RecruitWarrior"), 40);
    while (world.game->spawnEntity("EffectTeleport", nav.tileCentre(0, 90, 90), 0.0f)) {
    }
    const int members = c.getRecruitCount();
    Actor* kept = c.getRecruitActor(c.findStrongestMember());
    ASSERT_TRUE(scriptDraws({drawBelow(0.5f)}));
    EXPECT_FALSE(c.tryRecruit(outsider, false, nullptr));
    EXPECT_EQ(c.getRecruitCount(), members);
    EXPECT_NE(c.findRecruitByActor(kept), nullptr);
}

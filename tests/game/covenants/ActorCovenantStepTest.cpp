// The computer covenant's step: the adventure state table, parties, quests
// opening meanwhile, the covenant-AI switch, a raid whose hero has no body and
// what a lost battle still pays.
#include "engine/console/UserVarSystem.h"
#include "game/covenants/ActorCovenantFixture.h"
#include "game/definitions/DefinitionReader.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/quests/Quest.h"
#include "game/world/AreaDefinition.h"
#include "game/world/CombatSystem.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "support/RandomScript.h"

#include <memory>

namespace {
using S = ActorCovenant::AdventureState;

struct Row {
    S state;
    int type; // the adventure type the world gives
    bool adventureOver;
    bool restOver;
    S expected;
};
} // namespace

class ActorCovenantStepTest : public ActorCovenantFixture {
protected:
    ActorCovenantStepTest() : c(setUpCovenant("Ironbound", 10)) {}

    // The world as the type asks: an open town attack (2) or siege (3), an
    // alarm (0) or nothing (1).
    void giveType(int type)
    {
        for (int i = 0; i < world.game->getQuestTableSize(); ++i)
            if (world.game->getQuest(i))
                world.game->deleteQuest(i);
        c.alarmUntil = GameTime();
        if (type == ActorCovenant::kTownAttack || type == ActorCovenant::kSiege)
            openQuest(type == ActorCovenant::kTownAttack ? QuestType::TownAttack : QuestType::Siege);
        else if (type == ActorCovenant::kNoAdventure)
            c.alarmUntil = GameTime(1, 0, 0, 0.0f);
    }

    void openQuest(QuestType type)
    {
        auto quest = std::make_unique<Quest>();
        quest->type = static_cast<int>(type);
        quest->level = 1;
        quest->goal = 1;
        world.game->addQuest(std::move(quest));
    }

    ActorCovenant& c;
};

TEST_F(ActorCovenantStepTest, EveryStateAnswersEveryAdventureTypeAsTheTableSays)
{
    const Row rows[] = {
        {S::kIdle, 1, false, false, S::kAdventuring},
        {S::kIdle, 2, false, false, S::kDefendingTown},
        {S::kIdle, 3, false, false, S::kBesieged},
        {S::kIdle, 0, false, false, S::kIdle},
        {S::kDefendingTown, 1, false, false, S::kReturned},
        {S::kDefendingTown, 2, false, false, S::kDefendingTown},
        {S::kDefendingTown, 3, false, false, S::kReturned},
        {S::kDefendingTown, 0, false, false, S::kReturned},
        {S::kBesieged, 2, false, false, S::kReturned},
        {S::kBesieged, 3, false, false, S::kBesieged},
        {S::kAdventuring, 1, false, false, S::kAdventuring},
        {S::kAdventuring, 1, true, false, S::kReturned},
        {S::kAdventuring, 2, false, false, S::kReturned},
        {S::kAdventuring, 0, false, false, S::kReturned},
        {S::kReturned, 1, false, false, S::kVisitingTown},
        {S::kReturned, 2, false, false, S::kDefendingTown},
        {S::kReturned, 0, false, false, S::kReturned},
        {S::kVisitingTown, 1, false, false, S::kVisitingTown},
        {S::kVisitingTown, 1, false, true, S::kIdle},
        {S::kVisitingTown, 0, false, true, S::kIdle},
        {S::kVisitingTown, 3, false, false, S::kBesieged},
        {S::kSharedAdventure, 1, false, false, S::kSharedAdventure},
        {S::kSharedAdventure, 3, false, false, S::kReturned},
    };
    for (const Row& row : rows) {
        giveType(row.type);
        c.adventureState = row.state;
        c.linkedCovenant = row.state == S::kSharedAdventure ? c.index : -1;
        c.adventureTypeTimer.running = false;
        c.adventureTimer.start(row.adventureOver ? 0.0f : 100.0f);
        c.battleTimer.start(100.0f);
        c.restTimer.start(row.restOver ? 0.0f : 100.0f);
        c.updateAdventure();
        EXPECT_EQ(c.adventureType, row.type) << row.state << "/" << row.type;
        EXPECT_EQ(c.adventureState, row.expected) << row.state << "/" << row.type;
    }
}

TEST_F(ActorCovenantStepTest, APartyIsTheHeroAndAtMostTheWeakestIdleMember)
{
    ActorCovenant& lone = setUpCovenant("Ironbound", 0);
    for (int slot = 0; slot < lone.getRecruitSlotCount(); ++slot)
        if (lone.getRecruit(slot) && !lone.getRecruit(slot)->hero)
            lone.removeRecruit(slot);
    ASSERT_EQ(lone.getRecruitCount(), 1);
    lone.formAdventureParty();
    EXPECT_EQ(lone.findHeroRecruit()->away, 1);

    c.resizeRecruitSlots(11);
    const int levels[] = {9, 6, 6, 8, 7, 9, 10, 8};
    Actor* weakest = nullptr;
    for (int i = 0; i < 8; ++i) {
        Actor* a = spawn(findType("RecruitWarrior"), levels[i], 20 + i, 90);
        ASSERT_NE(a, nullptr);
        c.addRecruit(a);
        if (i == 1)
            weakest = a; // level 6 and first of the two
    }
    ASSERT_EQ(c.getRecruitCount(), 10);
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.9f)})); // the largest party drawn
    c.formAdventureParty();
    int away = 0;
    for (int slot = 0; slot < c.getRecruitSlotCount(); ++slot)
        if (const Recruit* r = c.getRecruit(slot); r && r->away)
            ++away;
    EXPECT_EQ(away, 2);
    EXPECT_EQ(c.findRecruitByActor(weakest)->away, 1);
    EXPECT_EQ(weakest->getLeader(), c.getLeader());
}

TEST_F(ActorCovenantStepTest, QuestsOpeningMeanwhileActWhenTheirTurnComes)
{
    // A town attack met at a battle-timer expiry ends the adventure where the
    // members stand: no random-level moves.
    c.adventureTypeTimer.running = false;
    giveType(1);
    c.updateAdventure();
    ASSERT_EQ(c.adventureState, S::kAdventuring);
    std::vector<int> levels;
    for (int slot = 0; slot < c.getRecruitSlotCount(); ++slot)
        if (const Recruit* r = c.getRecruit(slot))
            levels.push_back(r->levelIndex);
    openQuest(QuestType::TownAttack);
    c.battleTimer.start(0.0f);
    c.updateAdventure();
    EXPECT_EQ(c.adventureState, S::kReturned);
    std::vector<int> after;
    for (int slot = 0; slot < c.getRecruitSlotCount(); ++slot)
        if (const Recruit* r = c.getRecruit(slot))
            after.push_back(r->levelIndex);
    EXPECT_EQ(after, levels);

    // A siege opening inside the type's interval waits for it to run out.
    giveType(1);
    c.adventureState = S::kIdle;
    c.adventureTypeTimer.running = false;
    c.restTimer.start(100.0f);
    c.updateAdventure();
    ASSERT_EQ(c.adventureState, S::kAdventuring);
    openQuest(QuestType::Siege);
    c.adventureTimer.start(100.0f);
    c.battleTimer.start(100.0f);
    c.updateAdventure();
    EXPECT_EQ(c.adventureState, S::kAdventuring);
    c.adventureTypeTimer.remaining = 0.0f;
    c.updateAdventure();
    EXPECT_EQ(c.adventureState, S::kReturned);
}

TEST_F(ActorCovenantStepTest, WithTheSwitchOffOnlyTheCovenantCoreRuns)
{
    UserVarSystem::get().getVar("ai_covenants", "1", 1).setString("0");
    c.battleTimer.start(10.0f);
    c.relationChangeTimer.running = false;
    c.update(1.0f);
    EXPECT_FLOAT_EQ(c.battleTimer.remaining, 10.0f);
    EXPECT_FALSE(c.relationChangeTimer.running);
    EXPECT_EQ(c.adventureState, S::kIdle);
    UserVarSystem::get().getVar("ai_covenants", "1", 1).setString("1");
    c.update(1.0f);
    EXPECT_TRUE(c.relationChangeTimer.running);
}

TEST_F(ActorCovenantStepTest, ARaidWhoseHeroHasNoBodyKeepsOneGate)
{
    ActorCovenant& target = setUpCovenant("GildedScale", 10);
    world.game->announceDiplomacy(c.index, target.index, static_cast<int>(CovenantTreaty::War), false);
    c.startRaid(target.index);
    ASSERT_TRUE(c.isRaiding());
    Entity* gate = c.raidGate.get();
    ASSERT_NE(gate, nullptr);
    const int entities = world.game->getEntityCount();
    Recruit* hero = c.findHeroRecruit();
    ASSERT_NE(hero, nullptr);
    hero->dismissActor();
    c.stopRaidTimer.start(1000.0f);
    for (int step = 0; step < 5; ++step)
        c.update(0.05f);
    EXPECT_TRUE(c.isRaiding());
    EXPECT_EQ(c.raidGate.get(), gate);
    EXPECT_LE(world.game->getEntityCount(), entities);
}

// A destroyed target's treaties fall back to peace at once: the raid must
// still end, or its party stays away for good beside a gate to nowhere.
TEST_F(ActorCovenantStepTest, ARaidOnADestroyedCovenantEndsAtTheNextStep)
{
    ActorCovenant& target = setUpCovenant("GildedScale", 10);
    world.game->announceDiplomacy(c.index, target.index, static_cast<int>(CovenantTreaty::War), false);
    c.startRaid(target.index);
    ASSERT_TRUE(c.isRaiding());
    ASSERT_NE(c.raidGate.get(), nullptr);
    c.stopRaidTimer.start(1000.0f);
    target.onDestroyed(nullptr, true, false);
    ASSERT_FALSE(c.isRaiding());
    c.update(0.05f);
    EXPECT_EQ(c.raidTarget, -1);
    EXPECT_EQ(c.raidGate.get(), nullptr);
    // Home, or off on the outing the same step may begin.
    for (int slot = 0; slot < c.getRecruitSlotCount(); ++slot) {
        if (const Recruit* r = c.getRecruit(slot); r && r->away) {
            EXPECT_NE(c.adventureState, ActorCovenant::kIdle) << slot;
        }
    }
}

TEST_F(ActorCovenantStepTest, ALostBattleStillPaysQuestExperienceAndChests)
{
    // One meadow level whose every spawn is a skeleton lord of level 30: a
    // level-10 member loses every fight there.
    World levels;
    AreaDefinition area;
    area.load(DefinitionReader::findEntry("AreaMeadows"), 0);
    ASSERT_FALSE(area.getChests().empty());
    area.npcSpawnChance = 0.0f;
    area.minMonsterLevelOffset = area.maxMonsterLevelOffset = 0;
    area.chestChancePerBlock = 1.0f;
    area.minChestsPerBlock = area.maxChestsPerBlock = 2;
    area.addSpawnEntry(const_cast<MonsterType*>(findType("SkeletonLord")), 1.0f, 1);
    auto level = std::make_unique<Level>();
    level->acquire(0);
    level->getLayout()->places.assign(1, 0);
    level->monsterLevel = 30;
    level->definition = &area;
    const int zone = levels.addLevel(std::move(level));
    std::unique_ptr<CombatSystem> combat;
    if (!CombatSystem::instance())
        combat = std::make_unique<CombatSystem>();

    // While the player talks to the covenant every item found is sold: its
    // gold shows what the chests gave.
    TestCovenant& human = addTestCovenant(*world.game, "Human");
    Player* player = addPlayerLeading(*world.game, human, nav.tileCentre(0, 60, 60));
    ASSERT_NE(player, nullptr);
    player->setAction(Player::ActionChooseCovenant, static_cast<uint32_t>(c.index));

    Recruit* hero = c.findHeroRecruit();
    Recruit* member = nullptr;
    for (int slot = 0; slot < c.getRecruitSlotCount() && !member; ++slot)
        if (Recruit* r = c.getRecruit(slot); r && !r->hero && r->getActor())
            member = r;
    ASSERT_TRUE(hero && hero->getActor() && member);
    auto* d = const_cast<CovenantDefinition*>(c.getDefinition());
    const CovenantDefinition saved = *d;
    constexpr int kXp = toIndex(CharacterStat::Xp);
    const struct {
        bool body; // the member away has an actor
        float questChance, chestChance;
        bool experience, gold;
    } rows[] = {
        {true, 0.0f, 0.0f, false, false}, // no kill credit, no loot
        {true, 1.0f, 0.0f, true, false},  {true, 0.0f, 1.0f, false, true},
        {true, 1.0f, 1.0f, true, true},   {false, 1.0f, 1.0f, false, true}, // the leader finds the chests
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.body << " " << row.questChance << " " << row.chestChance);
        if (!row.body)
            member->dismissActor();
        d->QuestChancePerBattle = row.questChance;
        d->ChestChancePerBattle = row.chestChance;
        for (int slot = 0; slot < c.getRecruitSlotCount(); ++slot)
            if (Recruit* r = c.getRecruit(slot))
                r->away = r == member;
        member->setLevel(zone);
        member->wins = member->losses = 0;
        const int xp = row.body ? member->getActor()->getStat(kXp) : 0;
        const int heroXp = hero->getActor()->getStat(kXp);
        const int gold = c.getLeaderGold();
        c.simulateBattles();
        EXPECT_EQ(member->losses, 1) << "the fight was fought and lost";
        if (row.body) {
            EXPECT_EQ(member->getActor()->getStat(kXp) > xp, row.experience);
        }
        EXPECT_EQ(hero->getActor()->getStat(kXp), heroXp);
        EXPECT_EQ(c.getLeaderGold() > gold, row.gold);
    }
    *d = saved;
}

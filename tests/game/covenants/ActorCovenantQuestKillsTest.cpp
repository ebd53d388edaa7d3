// A computer covenant's recruit quest counts its members' kills: once per
// kill, for the killer's covenant only, in the open and in simulated battles.
#include "game/covenants/ActorCovenantFixture.h"
#include "game/definitions/DefinitionReader.h"
#include "game/entities/Recruit.h"
#include "game/quests/Quest.h"
#include "game/world/AreaDefinition.h"
#include "game/world/CombatSystem.h"
#include "game/world/Level.h"
#include "game/world/World.h"

#include <memory>

namespace {

class ActorCovenantQuestKillsTest : public ActorCovenantFixture {
protected:
    ActorCovenantQuestKillsTest() : c(setUpCovenant("Ironbound", 10)) {}

    // The record of a Recruit quest hunting the type.
    void holdQuest(const char* typeName)
    {
        ASSERT_NE(c.quest, nullptr);
        c.quest->reset();
        c.quest->type = toIndex(QuestType::Recruit);
        c.quest->level = 1;
        c.quest->goal = 20;
        c.quest->progress = 0;
        c.quest->monsterType = const_cast<MonsterType*>(findType(typeName));
        ASSERT_NE(c.quest->monsterType, nullptr);
    }
    // A member of the covenant with a body, other than the leader.
    Actor* otherMember() const
    {
        for (int slot = 0; slot < c.getRecruitSlotCount(); ++slot)
            if (Recruit* r = c.getRecruit(slot); r && r->getActor() && r->getActor() != c.getLeader())
                return r->getActor();
        return nullptr;
    }

    ActorCovenant& c;
};

TEST_F(ActorCovenantQuestKillsTest, EachKillCountsOnceForTheKillersComputerCovenant)
{
    auto* leader = dynamic_cast<Actor*>(c.getLeader());
    Actor* follower = otherMember();
    ASSERT_TRUE(leader && follower);
    follower->setLeader(leader, 4);
    ASSERT_EQ(follower->getLeader(), leader);

    TestCovenant& human = addTestCovenant(*world.game, "Human");
    Actor* stranger = spawn(findType("RecruitWarrior"), 5, 30, 30);
    ASSERT_NE(stranger, nullptr);
    stranger->setCovenantIndex(human.index);

    const struct {
        const char* what;
        Actor* killer;
        const char* victimType;
        bool emptyRecord;
        int expected;
    } rows[] = {
        {"the leader of a party", leader, "GoblinWarrior", false, 1},
        {"the follower", follower, "GoblinWarrior", false, 1},
        {"another type", leader, "CaveSpider", false, 0},
        {"another covenant's recruit", stranger, "GoblinWarrior", false, 0},
        {"no quest held", leader, "GoblinWarrior", true, 0},
    };
    int tx = 40;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        holdQuest("GoblinWarrior");
        if (row.emptyRecord)
            c.clearQuestRecord();
        Actor* victim = spawn(findType(row.victimType), 1, tx++, 40);
        ASSERT_NE(victim, nullptr);
        row.killer->enemyKilled(victim);
        EXPECT_EQ(c.quest->progress, row.expected);
        if (row.emptyRecord) {
            EXPECT_EQ(c.quest->level, -1);
        }
    }
}

// Far from any player, a won simulated battle against the type counts too.
TEST_F(ActorCovenantQuestKillsTest, ASimulatedBattleWonAgainstTheTypeCounts)
{
    World levels;
    AreaDefinition area;
    area.load(DefinitionReader::findEntry("AreaMeadows"), 0);
    area.npcSpawnChance = 0.0f;
    area.minMonsterLevelOffset = area.maxMonsterLevelOffset = 0;
    area.chestChancePerBlock = 0.0f;
    // A type with no companion, so the battle is against it and no other.
    area.addSpawnEntry(const_cast<MonsterType*>(findType("CaveSpider")), 1.0f, 1);
    auto level = std::make_unique<Level>();
    level->acquire(0);
    level->getLayout()->places.assign(1, 0);
    level->monsterLevel = 1;
    level->definition = &area;
    const int zone = levels.addLevel(std::move(level));
    std::unique_ptr<CombatSystem> combat;
    if (!CombatSystem::instance())
        combat = std::make_unique<CombatSystem>();
    auto* d = const_cast<CovenantDefinition*>(c.getDefinition());
    const CovenantDefinition saved = *d;
    d->QuestChancePerBattle = 0.0f;
    d->ChestChancePerBattle = 0.0f;

    Recruit* member = nullptr;
    for (int slot = 0; slot < c.getRecruitSlotCount() && !member; ++slot)
        if (Recruit* r = c.getRecruit(slot); r && !r->hero && r->getActor())
            member = r;
    ASSERT_NE(member, nullptr);
    member->setLevel(zone);
    member->wins = member->losses = 0;
    holdQuest("CaveSpider");
    ASSERT_TRUE(c.simulateBattle(member));
    ASSERT_EQ(member->wins, 1) << "a level-10 member beats a level-1 spider";
    EXPECT_EQ(c.quest->progress, 1);

    holdQuest("GoblinWarrior");
    ASSERT_TRUE(c.simulateBattle(member));
    ASSERT_EQ(member->wins, 2);
    EXPECT_EQ(c.quest->progress, 0);
    *d = saved;
}

} // namespace

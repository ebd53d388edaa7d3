#include "game/covenants/ActorCovenantFixture.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "server/Server.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

class ActorCovenantReactionsTest : public ActorCovenantFixture {
protected:
    ActorCovenantReactionsTest()
        : a(addActorCovenant("Ironbound")), human(addTestCovenant(*world.game, "Human"))
    {
        a.initNew(nav.tileCentre(0, 30, 30), 5, 1);
        player = addPlayerLeading(*world.game, human, nav.tileCentre(0, 60, 60));
        a.setRelation(human.index, 50.0f);
    }

    ActorCovenant& a;
    TestCovenant& human;
    Player* player = nullptr;
};

TEST_F(ActorCovenantReactionsTest, OnlyCovenantDamageAboveTheMonstersNamesTheMostHarmful)
{
    Actor* member = a.getLeader() ? static_cast<Actor*>(a.getLeader()) : nullptr;
    ASSERT_NE(member, nullptr);
    Actor* monster = spawn(findType("RecruitWarrior"), 3, 34, 30);
    a.onAttacked(member, monster, 50, true);
    EXPECT_FLOAT_EQ(a.getDamageFrom(nullptr), 50.0f);
    EXPECT_EQ(a.getDestroyer(), nullptr);
    a.onAttacked(member, player, 50, true);
    EXPECT_EQ(a.getDestroyer(), nullptr); // equal to the monsters' damage
    a.onAttacked(member, player, 1, true);
    EXPECT_EQ(a.getDestroyer(), &human);
    EXPECT_FLOAT_EQ(a.getDamageFrom(&human), 51.0f);

    // Monsters did the most harm: the player's last blow on the life stone
    // ends the covenant in the monsters' name.
    a.onAttacked(member, monster, 10, true);
    Entity* stone = a.getLifestone();
    ASSERT_NE(stone, nullptr);
    const size_t first = Server::instance()->getQueuedCommands().size();
    stone->setHealth(0);
    a.onAttacked(stone, player, 0, true);
    ASSERT_TRUE(a.destroyed);
    const std::vector<std::string>& sent = Server::instance()->getQueuedCommands();
    const auto said = [&](const char* part) {
        return std::any_of(sent.begin() + static_cast<long>(first), sent.end(),
                           [part](const std::string& l) { return l.find(part) != std::string::npos; });
    };
    EXPECT_TRUE(said("destroyed by monsters"));
    EXPECT_FALSE(said(" destroys "));
}

TEST_F(ActorCovenantReactionsTest, AThreateningMonsterKilledNearTheHouseRaisesTheRelationByItsThreat)
{
    const float limit = a.getDefinition()->MaxDistanceThreateningMonster;
    Actor* monster = spawn(findType("RecruitWarrior"), 3, 34, 30);
    ZonePosition at = a.housePosition;
    at.x += limit;
    monster->setPosition(at);
    a.onThreateningMonsterKilled(player, monster);
    EXPECT_TRUE(human.relationChanges.empty());
    EXPECT_EQ(a.getRelation(human.index), 50.0f);

    at.x -= 1.0f;
    monster->setPosition(at);
    a.onThreateningMonsterKilled(player, monster);
    ASSERT_EQ(human.relationChanges.size(), 1u);
    const float threat = monster->getXpMult();
    EXPECT_GE(human.relationChanges[0], 3.0f * threat);
    EXPECT_LE(human.relationChanges[0], 6.0f * threat);
    EXPECT_NEAR(a.getRelation(human.index), 50.0f + human.relationChanges[0], 1e-4f);
    // Its own members' kills count for nothing.
    a.onThreateningMonsterKilled(a.getLeader(), monster);
    EXPECT_EQ(human.relationChanges.size(), 1u);
}

TEST_F(ActorCovenantReactionsTest, SharedExperiencePaysPerThresholdAndJealousyStartsBelowTheMinimum)
{
    a.startSharedAdventure(&human);
    a.onSharedAdventureXp(a.getLeader(), 130);
    EXPECT_EQ(a.memoryOf(human.index).sharedXp, 30);
    EXPECT_EQ(human.relationChanges.size(), 1u);
    a.onSharedAdventureXp(a.getLeader(), 60);
    EXPECT_EQ(a.memoryOf(human.index).sharedXp, 90);
    EXPECT_EQ(human.relationChanges.size(), 1u);

    TestCovenant& third = addTestCovenant(*world.game, "GildedScale");
    const float minimum = a.getDefinition()->SharedAdventureJealousMinRelation;
    const float before = a.getRelation(human.index);
    a.setRelation(third.index, minimum);
    a.onSharedAdventureProgress(&third, &human);
    EXPECT_EQ(a.getRelation(human.index), before);
    a.setRelation(third.index, minimum - 1.0f);
    a.onSharedAdventureProgress(&third, &human);
    EXPECT_LT(a.getRelation(human.index), before);
}

TEST_F(ActorCovenantReactionsTest, AWarCapsTheRelationAndEndsTheSharedAdventure)
{
    a.startSharedAdventure(&human);
    a.onWarStarted(&human);
    EXPECT_GE(a.getRelation(human.index), 0.0f);
    EXPECT_LE(a.getRelation(human.index), 5.0f);
    EXPECT_EQ(a.linkedCovenant, -1);
    EXPECT_EQ(a.adventureState, ActorCovenant::kReturned); // home again
}

TEST_F(ActorCovenantReactionsTest, RaidPartiesAndDefendersFollowTheRaidAndTheRecruitsAway)
{
    Actor* member = static_cast<Actor*>(a.getLeader());
    Recruit* hero = a.findHeroRecruit();
    ASSERT_NE(hero, nullptr);
    EXPECT_FALSE(a.takesPartInRaid(member));
    a.raidTarget = human.index;
    a.setRelationState(human.index, static_cast<int>(CovenantTreaty::Raid));
    hero->away = 1;
    EXPECT_TRUE(a.takesPartInRaid(member));
    EXPECT_FALSE(a.isDefender(member));
    int alive = 0;
    int dead = 0;
    a.countRaidParty(alive, dead);
    EXPECT_EQ(alive, 1);
    member->setHealth(0);
    a.countRaidParty(alive, dead);
    EXPECT_EQ(dead, 1);
}

TEST_F(ActorCovenantReactionsTest, AFirstVisitToALevelPaysExperienceOnce)
{
    World levels;
    for (int monsterLevel : {1, 4, 8, 12}) {
        auto level = std::make_unique<Level>();
        level->monsterLevel = monsterLevel;
        levels.addLevel(std::move(level));
    }
    a.knownLevels.assign(4, false);
    Recruit* hero = a.findHeroRecruit();
    ASSERT_NE(hero, nullptr);
    auto xp = [&] { return hero->getActor()->getStat(toIndex(CharacterStat::Xp)); };
    const int before = xp();
    a.setLevelFound(hero, 0); // the town pays nothing
    EXPECT_EQ(xp(), before);
    a.setLevelFound(hero, 3);
    const int paid = xp();
    EXPECT_GT(paid, before);
    EXPECT_TRUE(a.knownLevels[3]);
    a.setLevelFound(hero, 3);
    EXPECT_EQ(xp(), paid);
    a.setLevelFound(hero, 4); // beyond the world
    EXPECT_EQ(xp(), paid);
}

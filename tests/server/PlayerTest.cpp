#include "game/entities/Player.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "game/world/WorldGateSource.h"
#include "server/Server.h"
#include "support/PlayerWorld.h"
#include "support/ScriptedCovenant.h"
#include "support/UseCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

TEST_F(PlayerWorld, ActionsBeginAndEndUseOnlyOnChange)
{
    auto* first = add(new UseCounter(), besidePlayer(40.0f));
    auto* second = add(new UseCounter(), besidePlayer(80.0f));
    const auto n1 = static_cast<uint32_t>(first->getEntityNumber());
    const auto n2 = static_cast<uint32_t>(second->getEntityNumber());

    player->setAction(Player::ActionUseBegin, n1);
    player->setAction(Player::ActionUseBegin, n1);
    EXPECT_EQ(first->begun, 1);
    EXPECT_EQ(first->ended, 0);
    EXPECT_EQ(first->lastUser, player);

    player->setAction(Player::ActionUseBegin, n2);
    EXPECT_EQ(first->ended, 1);
    EXPECT_EQ(second->begun, 1);

    player->setAction(Player::ActionUseOnce, n1);
    player->setAction(Player::ActionUseOnce, n1);
    EXPECT_EQ(second->ended, 1);
    EXPECT_EQ(first->used, 1);

    // A target number past the table names nothing.
    player->setAction(Player::ActionAttack, 1000u);
    EXPECT_EQ(player->getActionTarget(), nullptr);
}

TEST_F(PlayerWorld, CovenantChoicePastTheListStoresNothing)
{
    addScriptedCovenant(*server.game);
    ScriptedCovenant& b = addScriptedCovenant(*server.game);
    auto* thing = add(new UseCounter(), besidePlayer(40.0f));
    player->setAction(Player::ActionUseOnce, static_cast<uint32_t>(thing->getEntityNumber()));

    player->setAction(Player::ActionChooseCovenant, 9u);
    EXPECT_EQ(player->getTargetCovenant(), nullptr);
    EXPECT_EQ(player->getActionTarget(), nullptr);
    player->setAction(Player::ActionChooseCovenant, 1u);
    EXPECT_EQ(player->getTargetCovenant(), &b);
    EXPECT_EQ(player->getActionTarget(), nullptr);
}

TEST_F(PlayerWorld, SmallMovesChangeNothingAndPlayTimeRollsIntoDays)
{
    Actor* attacker = monsterAt(besidePlayer(400.0f), 1);
    ASSERT_NE(attacker, nullptr);
    player->considerAttacker(attacker);
    ASSERT_EQ(player->getAutoTarget(), attacker);

    ZonePosition before = player->getPosition();
    player->setPosition(besidePlayer(0.01f));
    EXPECT_EQ(player->getPosition(), before);
    EXPECT_EQ(player->getAutoTarget(), attacker);
    player->setPosition(besidePlayer(0.5f));
    EXPECT_NE(player->getPosition(), before);
    EXPECT_EQ(player->getAutoTarget(), nullptr);

    player->getStatistics()[Player::MsPlayedToday] = 86'400'450;
    player->update(0.05f);
    EXPECT_EQ(player->getStatistics()[Player::DaysPlayed], 1);
    EXPECT_EQ(player->getStatistics()[Player::MsPlayedToday], 500);
}

TEST_F(PlayerWorld, AttackedPlayerKeepsEnemyInReachElseTurnsOnTheAttacker)
{
    const float grid = GameData::get().rules().gridSize;
    Actor* near = monsterAt(besidePlayer(grid), 1);
    Actor* far = monsterAt(besidePlayer(grid * 8.0f), 1);
    Actor* other = monsterAt(besidePlayer(-grid * 8.0f), 1);
    ASSERT_TRUE(near && far && other);

    player->considerAttacker(near);
    ASSERT_EQ(player->getAutoTarget(), near);
    player->attackedBy(far);
    EXPECT_EQ(player->getAutoTarget(), near) << "the enemy in reach is kept";

    // Out of reach: the attacker takes over and the first blow waits 0.25 s.
    Player* fresh = addPlayer();
    ASSERT_NE(fresh, nullptr);
    fresh->considerAttacker(far);
    fresh->attackedBy(other);
    EXPECT_EQ(fresh->getAutoTarget(), other);
    EXPECT_TRUE(fresh->getAttackTimer().running);
    EXPECT_FLOAT_EQ(fresh->getAttackTimer().remaining, 0.25f);
}

TEST_F(PlayerWorld, FirstEntryIntoALevelGivesExperienceOnce)
{
    int level = -1;
    for (int i = 1; i < server.world->getLevelCount() && level < 0; ++i)
        if (server.world->getLevelMonsterLevel(i) == 3)
            level = i;
    ASSERT_GE(level, 0) << "a level of monster level 3";
    ASSERT_EQ(statOf(*player, CharacterStat::Level), 1);
    const int number = player->getEntityNumber();

    player->discoverLevel(0);
    EXPECT_TRUE(player->getVisitedLevels()[0]);
    EXPECT_TRUE(lines().empty());

    player->discoverLevel(level);
    EXPECT_TRUE(queued(formatString("dmg %d +156xp", number)));
    size_t count = lines().size();
    player->discoverLevel(level);
    player->discoverLevel(-1);
    player->discoverLevel(server.world->getLevelCount());
    EXPECT_EQ(lines().size(), count);
}

TEST_F(PlayerWorld, DeathToAMonsterRecordsItDropsASoulStoneAndResurrectionRestores)
{
    Actor* killer = monsterAt(besidePlayer(60.0f), 2);
    ASSERT_NE(killer, nullptr);
    ASSERT_GT(statOf(*player, CharacterStat::XpNeeded), 0);
    const int before = statOf(*player, CharacterStat::XpDebt);
    player->setHealth(0);
    player->killed(killer);

    const std::vector<int32_t>& stats = player->getStatistics();
    EXPECT_EQ(stats[Player::StrongestKiller], killer->getMonsterType()->getEntryId());
    EXPECT_EQ(stats[Player::WeakestKiller], killer->getMonsterType()->getEntryId());
    const int debt = statOf(*player, CharacterStat::XpDebt) - before;
    EXPECT_GT(debt, 0);

    Item* stone = nullptr;
    for (int i = 0; i < Game::kMaxEntities && !stone; ++i)
        if (auto* ground = dynamic_cast<ItemGround*>(server.game->getEntity(i)))
            if (ground->getGroundItem() && ground->getGroundItem()->getEntryName() == "ObjectSoulStone")
                stone = ground->getGroundItem();
    ASSERT_NE(stone, nullptr);
    EXPECT_EQ(stone->getQuantity(), static_cast<int>(std::floor(debt * 0.5)));
    EXPECT_EQ(stone->getOwner(), player);

    // Dying, then dead.
    player->update(0.05f);
    EXPECT_EQ(player->getDeathStage(), 1);

    player->getStats().set(toIndex(CharacterStat::Power), 0);
    player->resurrect(false);
    const GameRules& rules = GameData::get().rules();
    EXPECT_EQ(player->getHealth(),
              static_cast<int>(std::floor(player->getMaxHealth() * rules.resurrectHealthPercent)));
    if (player->getCharacterClass()->usesPower()) {
        EXPECT_GE(statOf(*player, CharacterStat::Power),
                  static_cast<int>(
                      std::floor(statOf(*player, CharacterStat::MaxPower) * rules.resurrectPowerPercent)));
    }
    EXPECT_EQ(player->getDeathStage(), 0);
    // A living player cannot be resurrected again.
    const int health = player->getHealth();
    player->resurrect(false);
    EXPECT_EQ(player->getHealth(), health);
}

// A player takes its body from its class entry: without one it would be an
// invisible entity to every client.
// A class text by index: the text, "" past the list, the string untouched
// without a class.
TEST_F(PlayerWorld, AClassTextIsCopiedByIndexAndNothingWithoutAClass)
{
    CharacterClass record;
    record.texts = {"first", "second"};
    const CharacterClass* own = player->getCharacterClass();
    struct Case {
        const CharacterClass* cls;
        int index;
        const char* expected;
    };
    const Case cases[] = {
        {&record, 0, "first"}, {&record, 1, "second"}, {&record, 2, ""},
        {&record, -1, ""},     {nullptr, 0, "kept"},
    };
    for (const Case& c : cases) {
        player->setCharacterClassRecord(c.cls);
        std::string out = "kept";
        player->getClassText(c.index, out);
        EXPECT_EQ(out, c.expected) << c.index << (c.cls ? "" : " without a class");
    }
    player->setCharacterClassRecord(own);
}

TEST_F(PlayerWorld, EveryPlayerClassGivesThePlayerItsClassModel)
{
    for (int index = 0; index < kPlayerClassCount; ++index) {
        SCOPED_TRACE(index);
        const DatabaseEntry* entry = DefinitionReader::findEntry("Class" + getCharacterClassTypeName(index));
        ASSERT_NE(entry, nullptr);
        const std::string model = DefinitionReader(entry).getString("ModelName");
        ASSERT_FALSE(model.empty());
        Player* p = addPlayer();
        ASSERT_NE(p, nullptr);
        p->setCharacterClass(index);
        EXPECT_TRUE(equalsNoCase(p->getModelName(), model)) << p->getModelName();
        EXPECT_GE(p->getModelHandle().getIndex(), 0);
    }
}

// The Game's quests in the world save: numbers, records and the game
// section's quest list survive a save and a load.
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/SpawnSystem.h"
#include "support/HeadlessServer.h"
#include "support/TestCovenant.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// The world saved into `saved`, the game cleared and the world loaded back.
void saveClearAndLoad(Game& game, ByteBuffer& saved)
{
    ASSERT_TRUE(game.saveWorld(saved));
    game.clear();
    ByteBuffer in(saved.bytes());
    std::string what;
    size_t offset = 0;
    ASSERT_TRUE(game.loadWorld(in, what, offset)) << what << " at " << offset;
}

// A generated world with its townsfolk and "Aldric" leading a covenant.
void townWithAldric(Game& game)
{
    game.generateWorld(0, 1, 0, 2);
    game.createTownNpcs();
    ASSERT_NE(addAldricLeading(game), nullptr);
}

TEST(QuestWorldSave, TheQuestTableComesBackUnderItsNumbers)
{
    HeadlessServer server;
    Random::setState(0, 4242);
    Game& game = *server.game;
    townWithAldric(game);

    // Entry 0 emptied: the quests stand at 1 and 2.
    for (QuestType type : {QuestType::KillMonsters, QuestType::KillMonsters, QuestType::TownTraps}) {
        auto quest = std::make_unique<Quest>();
        quest->setup(10, game.getClock(), 4000u + static_cast<uint32_t>(game.getQuestTableSize()),
                     toIndex(type), 0);
        quest->rollChoices(false);
        quest->setUp(0, nullptr);
        quest->randomizeParameters();
        game.addQuest(std::move(quest));
    }
    game.deleteQuest(0);
    game.getQuest(1)->successCount = 2;
    ByteBuffer list;
    game.writeQuestList(list);
    ByteBuffer records;
    for (int i = 1; i <= 2; ++i)
        game.getQuest(i)->write(records);
    ASSERT_TRUE(game.saveCharacter());

    setUserVar("PlayerName", "Aldric");
    std::string error;
    game.clear();
    ASSERT_TRUE(game.loadCharacter(error)) << error;
    EXPECT_EQ(game.getQuest(0), nullptr);
    ASSERT_NE(game.getQuest(1), nullptr);
    ASSERT_NE(game.getQuest(2), nullptr);
    EXPECT_EQ(game.getQuest(1)->successCount, 2);
    ByteBuffer listAgain;
    game.writeQuestList(listAgain);
    EXPECT_EQ(listAgain.bytes(), list.bytes());
    ByteBuffer recordsAgain;
    for (int i = 1; i <= 2; ++i)
        game.getQuest(i)->write(recordsAgain);
    EXPECT_EQ(recordsAgain.bytes(), records.bytes());
    // A new quest takes the free number.
    auto fresh = std::make_unique<Quest>();
    fresh->setup(10, game.getClock(), 77u, toIndex(QuestType::KillMonsters), 0);
    EXPECT_EQ(game.addQuest(std::move(fresh)), 0);
}

// A townsman a running plague made sick loads as sick and as hurt as he was
// (his saved health is a share of his sick maximum); a plague that leaves
// the table cures whom it made sick, since no save keeps the sickness alone.
TEST(QuestWorldSave, APlaguesSickTownsmanLoadsAsHeWasAndADroppedPlagueCuresHim)
{
    HeadlessServer server;
    Random::setState(0, 4242);
    Game& game = *server.game;
    townWithAldric(game);

    auto plague = std::make_unique<Quest>();
    ASSERT_TRUE(plague->setup(10, game.getClock(), 4321u, toIndex(QuestType::Plague), 0));
    const DatabaseEntry* sickness = plague->definition->statusEffect;
    ASSERT_NE(sickness, nullptr);
    const int slot = 1;
    Actor* npc = game.getTownNpcAt(slot);
    ASSERT_NE(npc, nullptr);
    const int healthyMaximum = npc->getMaxHealth();
    npc->addStatusEffect(sickness, npc, 1);
    ASSERT_LT(npc->getMaxHealth(), healthyMaximum) << "the sickness no longer lowers the maximum";
    npc->setHealth(npc->getMaxHealth() - 1);
    const int health = npc->getHealth();
    const int maximum = npc->getMaxHealth();
    plague->carriers.push_back(Quest::Carrier{SafePtr<Entity>(npc), -1, slot});
    const int number = game.addQuest(std::move(plague));
    ByteBuffer out;
    ASSERT_NO_FATAL_FAILURE(saveClearAndLoad(game, out));
    Actor* loaded = game.getTownNpcAt(slot);
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(loaded->hasStatusEffect(sickness));
    EXPECT_EQ(loaded->getMaxHealth(), maximum);
    EXPECT_EQ(loaded->getHealth(), health);

    game.deleteQuest(number);
    game.update(0.05f);
    EXPECT_FALSE(loaded->hasStatusEffect(sickness));
    EXPECT_EQ(loaded->getMaxHealth(), healthyMaximum);
}

// A plague's carriers read back with a world loaded before the player joins
// are all kept in its record, so the world saves alike again: the townsman
// is bound at once, the leader's recruit (whose covenant gets its recruits
// with the join) waits for the player.
TEST(QuestWorldSave, APlaguesCarriersStayInItsRecordUntilThePlayerJoins)
{
    HeadlessServer server;
    Random::setState(0, 4242);
    Game& game = *server.game;
    townWithAldric(game);
    Player* leader = game.getFirstPlayer();
    ASSERT_NE(leader, nullptr);
    Covenant* own = leader->getCovenant();
    ASSERT_NE(own, nullptr);
    Actor* recruit = server.spawns->spawnMonster(GameData::get().findMonsterType("RecruitWarrior"), 0,
                                                 MonsterRarity::Normal, 1);
    ASSERT_NE(recruit, nullptr);
    const ZonePosition start = GameData::get().getStartPosition();
    recruit->setPosition(ZonePosition(start.zone, start.x + 40.0f, start.y));
    if (recruit->getEntityNumber() < 0) {
        ASSERT_GE(game.addEntity(recruit), 0);
    }
    const int recruitSlot = own->addRecruit(recruit);
    ASSERT_GE(recruitSlot, 0);

    const struct {
        const char* who;
        Entity* body;
        int covenant;
        int slot;
    } carriers[] = {{"a townsman", game.getTownNpcAt(1), -1, 1},
                    {"the leader's recruit", recruit, own->index, recruitSlot}};
    auto plague = std::make_unique<Quest>();
    ASSERT_TRUE(plague->setup(10, game.getClock(), 4321u, toIndex(QuestType::Plague), 0));
    for (const auto& carrier : carriers) {
        ASSERT_NE(carrier.body, nullptr) << carrier.who;
        plague->carriers.push_back(
            Quest::Carrier{SafePtr<Entity>(carrier.body), carrier.covenant, carrier.slot});
    }
    const int number = game.addQuest(std::move(plague));
    ByteBuffer record;
    game.getQuest(number)->write(record);
    ByteBuffer out;
    ASSERT_NO_FATAL_FAILURE(saveClearAndLoad(game, out));
    ASSERT_EQ(game.getFirstPlayer(), nullptr);
    Quest* loaded = game.getQuest(number);
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->carriers.size(), std::size(carriers));
    EXPECT_NE(loaded->carriers[0].entity.get(), nullptr) << carriers[0].who << " is bound at the load";
    EXPECT_EQ(loaded->carriers[1].entity.get(), nullptr) << carriers[1].who << " is bound before the join";
    ByteBuffer again;
    loaded->write(again);
    EXPECT_EQ(again.bytes(), record.bytes()) << "a carrier is lost from the record before the join";
}

// Townsfolk risen to the player's level and hurt (here by a poisoner) come
// back at that level with the same health, so the world saves alike again.
TEST(QuestWorldSave, ALevelledPoisonedTownsmanSavesLoadsAndSavesAlike)
{
    HeadlessServer server;
    // Seeded after the program's start-up, which seeds the streams itself.
    Random::setState(0, 4242);
    Game& game = *server.game;
    game.generateWorld(0, 1, 0, 2);
    game.createTownNpcs();
    const int kLevel = toIndex(CharacterStat::Level);
    auto join = [&] {
        Player* player = addAldricLeading(game);
        player->setStat(kLevel, 7);
        game.levelTownNpcsTo(player);
        game.setWorldGenerated(true);
    };
    join();

    auto poison = std::make_unique<Quest>();
    ASSERT_TRUE(poison->setup(7, game.getClock(), 4321u, toIndex(QuestType::DeadlyPoison), 0));
    poison->rollChoices(false);
    const int slot = poison->npcChoice; // the quest's seed picks its victim
    poison->setUp(0, nullptr);
    const DatabaseEntry* venom = poison->definition->statusEffect;
    ASSERT_NE(venom, nullptr);
    game.addQuest(std::move(poison));
    Actor* npc = game.getTownNpcAt(slot);
    ASSERT_NE(npc, nullptr);
    ASSERT_TRUE(npc->hasStatusEffect(venom));
    // As hurt as the townsman whose share did not survive a level-1 maximum.
    npc->setHealth(npc->getMaxHealth() - 23);
    const int level = npc->getStat(kLevel);
    const int health = npc->getHealth();
    ASSERT_EQ(level, 7);
    ByteBuffer first;
    ASSERT_NO_FATAL_FAILURE(saveClearAndLoad(game, first));
    Actor* loaded = game.getTownNpcAt(slot);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->getStat(kLevel), level);
    EXPECT_EQ(loaded->getHealth(), health);
    EXPECT_TRUE(loaded->hasStatusEffect(venom));
    join();
    ByteBuffer again;
    ASSERT_TRUE(game.saveWorld(again));
    EXPECT_EQ(again.bytes(), first.bytes());
}

} // namespace

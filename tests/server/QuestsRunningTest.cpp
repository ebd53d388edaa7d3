// Quests running on the headless program with data/: kills counted and the
// kill rules, rescue, expiry, the reward and skipping.
#include "engine/core/ByteBuffer.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/Trap.h"
#include "game/entities/TrapGround.h"
#include "game/entities/Vendor.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/AreaDefinition.h"
#include "game/world/NpcDisplayName.h"
#include "support/QuestPlayerWorld.h"
#include "support/RandomScript.h"
#include "support/TestCovenant.h"

#include <algorithm>
#include <functional>
#include <string>

namespace {

constexpr int kLevel = toIndex(CharacterStat::Level);

class QuestsRunning : public QuestPlayerWorld {
protected:
    Actor* monsterOf(const char* typeName, float dx)
    {
        const MonsterType* type = GameData::get().findMonsterType(typeName);
        Actor* actor = type ? server.spawns->spawnMonster(type, 0, MonsterRarity::Normal, 5) : nullptr;
        return actor ? add(actor, besidePlayer(dx)) : nullptr;
    }
};

TEST_F(QuestsRunning, AGroupTargetCountsOnceHoweverOftenItsTypeIsKilled)
{
    auto quest = rolled(QuestType::KillMonsterGroup);
    MonsterType* scout = GameData::get().findMonsterType("GoblinScout");
    MonsterType* spider = GameData::get().findMonsterType("CaveSpider");
    quest->targets.assign(3, QuestTarget());
    quest->targets[0].monsterType = scout;
    quest->targets[1].monsterType = scout;
    quest->targets[2].monsterType = spider;
    for (QuestTarget& t : quest->targets) {
        t.needed = 1;
    }
    const int number = server.game->addQuest(std::move(quest));
    Quest* held = server.game->getQuest(number);
    for (int kill = 0; kill < 2; ++kill) {
        Actor* victim = monsterOf("GoblinScout", 100.0f + 50.0f * static_cast<float>(kill));
        ASSERT_NE(victim, nullptr);
        server.game->onActorKilled(victim, player);
    }
    EXPECT_EQ(held->targets[0].count, 1);
    EXPECT_EQ(held->targets[1].count, 1);
    EXPECT_EQ(held->targets[2].count, 0);
    EXPECT_FALSE(held->isComplete());
    Actor* last = monsterOf("CaveSpider", 300.0f);
    const auto& sent = Server::get().getQueuedCommands();
    const auto before = static_cast<long>(sent.size());
    server.game->onActorKilled(last, player);
    EXPECT_TRUE(held->isComplete());
    // The kill line names the target killed, not the group's first.
    const auto line = std::find_if(sent.begin() + before, sent.end(), [](const std::string& l) {
        return l.find("QuestKilledMonster") != std::string::npos;
    });
    ASSERT_NE(line, sent.end());
    EXPECT_NE(line->find(spider->getName()), std::string::npos) << *line;
    EXPECT_EQ(line->find(scout->getName()), std::string::npos) << *line;
}

TEST_F(QuestsRunning, ARevengeEndsWithItsAvengerAndGoesWithItsKillWhenUnheld)
{
    MonsterType* killerType = GameData::get().findMonsterType("GrabnakTheCruel");
    auto makeRevenge = [&] {
        auto quest = rolled(QuestType::Revenge);
        quest->monsterType = killerType;
        quest->targets.assign(1, QuestTarget());
        quest->targets[0].monsterType = killerType;
        quest->targets[0].needed = 1;
        quest->questNpc = monsterOf("TownGuardType", 200.0f);
        return server.game->addQuest(std::move(quest));
    };
    // The avenger dies: failed.
    const int first = makeRevenge();
    Quest* revenge = server.game->getQuest(first);
    Entity* avenger = revenge->questNpc.get();
    ASSERT_NE(avenger, nullptr);
    server.game->onActorKilled(dynamic_cast<Actor*>(avenger), nullptr);
    EXPECT_EQ(server.game->getQuest(first), nullptr) << "failed and held by nobody";

    // The killer's type dies with nobody holding the quest: gone.
    const int second = makeRevenge();
    Actor* killer = monsterOf("GrabnakTheCruel", 400.0f);
    ASSERT_NE(killer, nullptr);
    server.game->onActorKilled(killer, player);
    EXPECT_EQ(server.game->getQuest(second), nullptr);
}

TEST_F(QuestsRunning, ARescueWithAnEnemyInSafeRangeOnlySaysItIsNotSafe)
{
    auto quest = rolled(QuestType::RescueNpc);
    quest->targetLevel = 0;
    quest->setUp(0, nullptr);
    ASSERT_FALSE(quest->invalid);
    auto* npc = dynamic_cast<Actor*>(quest->questNpc.get());
    ASSERT_NE(npc, nullptr);
    const float range = quest->definition->safeRange;
    ASSERT_GT(range, 0.0f);
    ZonePosition near = npc->getPosition();
    near.x += range * 0.5f;
    const MonsterType* goblin = GameData::get().findMonsterType("GoblinScout");
    Actor* enemy = add(server.spawns->spawnMonster(goblin, 0, MonsterRarity::Normal, 5), near);
    ASSERT_NE(enemy, nullptr);
    const int progress = quest->progress;
    clearLines();
    quest->tryRescue(npc);
    EXPECT_EQ(recent(), std::vector<std::string>{"msg 4 \"$$QuestResceNotSafe$$\""});
    EXPECT_EQ(quest->progress, progress);
    EXPECT_EQ(quest->questNpc.get(), npc);
    // Once the enemy is gone the NPC is rescued and leaves.
    server.game->deleteEntity(enemy, true);
    quest->tryRescue(npc);
    EXPECT_EQ(quest->questNpc.get(), nullptr);
}

TEST_F(QuestsRunning, RescueAndDeliveryCommandsFindTheirQuestByTheNpc)
{
    Game& game = *server.game;
    game.clearQuests();
    const MonsterType* npcType = GameData::get().findMonsterType("TownGuardType");
    ASSERT_NE(npcType, nullptr);
    Actor* npc = monsterOf("TownGuardType", 150.0f);
    ASSERT_NE(npc, nullptr);
    const std::string target = " " + std::to_string(npc->getEntityNumber());
    auto questAbout = [&](QuestType type) {
        auto quest = rolled(type);
        quest->questNpc = npc;
        return game.addQuest(std::move(quest));
    };
    // One NPC named by a story rescue (earlier in the table) and a plain
    // rescue: the plain one is tried.
    const int story = questAbout(QuestType::StoryShankarRescue);
    const int plain = questAbout(QuestType::RescueNpc);
    Actor* goblin = monsterOf("GoblinScout", 150.0f + game.getQuest(plain)->definition->safeRange * 0.5f);
    ASSERT_NE(goblin, nullptr);
    clearLines();
    run("rescue" + target);
    EXPECT_EQ(recent(), std::vector<std::string>{"msg 4 \"$$QuestResceNotSafe$$\""});
    game.deleteEntity(goblin, true);
    run("rescue" + target);
    EXPECT_EQ(game.getQuest(plain)->questNpc.get(), nullptr) << "rescued: the NPC goes home";
    EXPECT_EQ(game.getQuest(story)->questNpc.get(), npc) << "the story rescue is left alone";

    // Nobody to rescue or deliver to: the rescue says nothing, the delivery
    // names the NPC.
    Actor* stranger = monsterOf("TownGuardType", 250.0f);
    const std::string other = " " + std::to_string(stranger->getEntityNumber());
    clearLines();
    run("rescue" + other);
    run("rescue 9999");
    run("delivery 9999");
    EXPECT_TRUE(recent().empty());
    run("delivery" + other);
    EXPECT_EQ(recent(), std::vector<std::string>{"msg 4 \"Don't have package for " +
                                                 getNpcDisplayName(stranger) + "!\""});

    // A delivery quest takes the package only from a player who holds it.
    auto parcel = rolled(QuestType::Delivery);
    parcel->questNpc = stranger;
    const int delivery = game.addQuest(std::move(parcel));
    run("delivery" + other);
    EXPECT_EQ(game.getQuest(delivery)->questNpc.get(), stranger) << "not held: nothing delivered";
    ASSERT_NE(player->acceptQuest(delivery), nullptr);
    clearLines();
    run("delivery" + other);
    EXPECT_TRUE(recent().empty() || recent().front().rfind("msg 4", 0) != 0);
    EXPECT_EQ(game.getQuest(delivery)->questNpc.get(), nullptr) << "delivered: the NPC is dismissed";
}

TEST_F(QuestsRunning, AJoiningPlayerLeadsItsEscortAgainAndMovesTheStoryOn)
{
    Game& game = *server.game;
    game.clearQuests();
    struct Row {
        bool escorted;
        bool held;
        bool leads;
    };
    const Row rows[] = {{true, true, true}, {false, true, false}, {true, false, false}};
    std::vector<Actor*> npcs;
    for (const Row& row : rows) {
        auto quest = rolled(QuestType::Escort, 10, 800u + static_cast<uint32_t>(npcs.size()));
        Actor* npc = monsterOf("TownGuardType", 100.0f + 60.0f * static_cast<float>(npcs.size()));
        ASSERT_NE(npc, nullptr);
        if (row.escorted) {
            npc->setFlags(npc->getFlags() | EntityBase::kFlagEscorted);
        }
        quest->questNpc = npc;
        const int number = game.addQuest(std::move(quest));
        if (row.held) {
            ASSERT_NE(player->acceptQuest(number), nullptr);
        }
        npcs.push_back(npc);
    }
    // The held escort follows when asked; then its player is gone a while.
    run("escort " + std::to_string(npcs[0]->getEntityNumber()));
    EXPECT_EQ(npcs[0]->getLeader(), player);
    npcs[0]->clearLeader();
    // No chain quest is open and the player has no story bit: the chain's
    // first quest comes, once there is a world for it.
    player->getFlags65().assign(65, false);
    ASSERT_FALSE(game.isWorldGenerated());
    game.onPlayerJoined(player);
    for (size_t i = 0; i < npcs.size(); ++i) {
        EXPECT_EQ(npcs[i]->getLeader() == player, rows[i].leads) << "row " << i;
    }
    EXPECT_FALSE(game.hasOpenQuestOfType(toIndex(QuestType::StoryKillTurenScout)));
    game.setWorldGenerated(true);
    game.onPlayerJoined(player);
    EXPECT_TRUE(game.hasOpenQuestOfType(toIndex(QuestType::StoryKillTurenScout)));
    game.setWorldGenerated(false);
}

TEST_F(QuestsRunning, AUniqueStartsOneQuestAndASecondOfItsTypeLeaves)
{
    Game& game = *server.game;
    game.clearQuests();
    const MonsterType* unique = GameData::get().findMonsterType("GrabnakTheCruel");
    const MonsterType* plain = GameData::get().findMonsterType("GoblinScout");
    ASSERT_TRUE(unique && unique->unique);
    auto spawn = [&](const MonsterType* type, float dx, const MonsterType* previous = nullptr) {
        Actor* actor = server.spawns->spawnMonster(type, 0, MonsterRarity::Normal, 5);
        EXPECT_TRUE(server.spawns->placeMonster(actor, besidePlayer(dx), previous));
        return actor;
    };
    auto countOfType = [&](QuestType type) {
        int n = 0;
        for (int i = 0; i < game.getQuestTableSize(); ++i) {
            const Quest* quest = game.getQuest(i);
            n += quest && quest->type == toIndex(type) ? 1 : 0;
        }
        return n;
    };
    spawn(plain, 100.0f);
    spawn(unique, 150.0f, unique);
    EXPECT_EQ(game.getQuestTableSize(), 0) << "a plain monster, or one spawned after a unique";

    SafePtr<Actor> first = spawn(unique, 200.0f);
    ASSERT_EQ(countOfType(QuestType::UniqueMonsterSpotted), 1);
    const Quest* hunt = game.getQuest(0);
    EXPECT_EQ(hunt->questNpc.get(), first.get());
    EXPECT_EQ(hunt->monsterType, unique);

    SafePtr<Actor> second = spawn(unique, 250.0f);
    game.updateEvents(0.0f);
    EXPECT_EQ(second.get(), nullptr) << "a quest already hunts the type";
    EXPECT_NE(first.get(), nullptr);
    EXPECT_EQ(countOfType(QuestType::UniqueMonsterSpotted), 1);

    // A story quest placing its own unique starts no second quest for it.
    game.clearQuests();
    player->setStat(kLevel, 5);
    GameData::get().getQuestDefinition(toIndex(QuestType::StoryKillTurenScout))->defaultLevel = 0;
    Quest* story = game.generateQuests(toIndex(QuestType::StoryKillTurenScout), nullptr, -1);
    ASSERT_NE(story, nullptr);
    ASSERT_NE(story->questNpc.get(), nullptr);
    EXPECT_EQ(countOfType(QuestType::UniqueMonsterSpotted), 0);
    EXPECT_EQ(countOfType(QuestType::StoryKillTurenScout), 1);
}

// Its slot empties at once, so the player is told of the failure then: the
// line the client would show and the quest-failed sound.
TEST_F(QuestsRunning, AnExpiredQuestIsTakenFromItsPlayersAndDeletedAndThePlayerTold)
{
    const std::string& failedSound = GameData::get().rules().questFailedSound;
    ASSERT_FALSE(failedSound.empty());
    for (QuestType type : {QuestType::KillMonsters, QuestType::Escort}) {
        SCOPED_TRACE(getQuestTypeName(toIndex(type)));
        auto quest = rolled(type);
        ASSERT_GT(quest->definition->maxTime, 0.0f);
        const int number = server.game->addQuest(std::move(quest));
        ASSERT_NE(player->acceptQuest(number), nullptr);
        Quest* held = server.game->getQuest(number);
        const std::string told = "msg 3 \"" + held->getTitle(true, -1) + " quest failed\"";
        held->deadline = GameTime(0, 0, 0, 0.0f);
        server.game->setClock(GameTime(2, 0, 0, 0.0f));
        clearLines();
        server.game->clearSoundEvents();
        held->think(nullptr, 0.05f);
        EXPECT_EQ(player->findQuestSlot(number), -1);
        EXPECT_EQ(server.game->getQuest(number), nullptr);
        const std::vector<std::string> sent = recent();
        EXPECT_EQ(std::count(sent.begin(), sent.end(), told), 1) << told;
        int sounds = 0;
        for (const SoundEvent& sound : server.game->getSoundEvents())
            sounds += Server::get().getResourceNames()[static_cast<size_t>(sound.nameIndex)] == failedSound;
        EXPECT_EQ(sounds, 1);
        server.game->setClock(GameTime());
    }
    // A quest no player holds fails without a word to anyone.
    auto unheld = rolled(QuestType::KillMonsters);
    const int number = server.game->addQuest(std::move(unheld));
    server.game->getQuest(number)->deadline = GameTime(0, 0, 0, 0.0f);
    server.game->setClock(GameTime(2, 0, 0, 0.0f));
    clearLines();
    server.game->getQuest(number)->think(nullptr, 0.05f);
    EXPECT_EQ(server.game->getQuest(number), nullptr);
    for (const std::string& line : recent())
        EXPECT_EQ(line.find("quest failed"), std::string::npos) << line;
}

TEST_F(QuestsRunning, ATargetKilledByAMonsterOfNoCovenantLeavesTheQuestToThePlayer)
{
    auto quest = rolled(QuestType::UniqueMonsterSpotted);
    Actor* unique = monsterOf("GrabnakTheCruel", 200.0f);
    ASSERT_NE(unique, nullptr);
    quest->monsterType = const_cast<MonsterType*>(unique->getMonsterType());
    quest->questNpc = unique;
    const int number = server.game->addQuest(std::move(quest));
    ASSERT_NE(player->acceptQuest(number), nullptr);
    Actor* other = monsterOf("GoblinScout", 300.0f);
    server.game->onActorKilled(unique, other);
    Quest* held = server.game->getQuest(number);
    ASSERT_NE(held, nullptr);
    EXPECT_FALSE(held->failed);
    EXPECT_EQ(held->questNpc.get(), nullptr);
}

// 63 / 100 experience at quest level 10 for a level-8 character: the data's
// multiplier 1.25 for each level below gives floor(1.5625 x 63) = 98.
TEST_F(QuestsRunning, TheRewardPaysExperienceMoneyAndTheFirstFollower)
{
    player->setStat(kLevel, 8);
    player->updateStats(true);
    Actor* follower = monsterOf("RecruitWarrior", 60.0f);
    ASSERT_NE(follower, nullptr);
    follower->setStat(kLevel, 8);
    follower->setLeader(player, 4);
    ASSERT_EQ(player->firstFollower(), follower);
    auto quest = std::make_unique<Quest>(true);
    quest->setup(10, server.game->getClock(), 777, toIndex(QuestType::KillMonsters), 0);
    quest->xpReward = 63;
    quest->moneyReward = 157;
    const int money = player->getStat(toIndex(CharacterStat::Money));
    clearLines();
    quest->giveReward(player);
    EXPECT_TRUE(queued("dmg " + std::to_string(player->getEntityNumber()) + " +98xp"));
    EXPECT_TRUE(queued("dmg " + std::to_string(follower->getEntityNumber()) + " +98xp"));
    EXPECT_EQ(player->getStat(toIndex(CharacterStat::Money)), money + 157);

    // A story reward once only: with the quest's bit set, no item.
    QuestDefinition& story = *GameData::get().getQuestDefinition(toIndex(QuestType::StoryTurenArmy));
    story.itemReward = Database::get().findEntry("ShortSword");
    ASSERT_NE(story.itemReward, nullptr);
    auto chain = std::make_unique<Quest>(true);
    chain->setup(10, server.game->getClock(), 778, toIndex(QuestType::StoryTurenArmy), 0);
    const int bit = server.game->getSolvedBitBase() + story.questSolvedBit;
    ASSERT_LT(bit, static_cast<int>(player->getFlags65().size()));
    player->getFlags65()[static_cast<size_t>(bit)] = true;
    const int entities = server.game->getEntityCount();
    clearLines();
    chain->giveReward(player);
    EXPECT_FALSE(anyLineWith("QuestItemReward"));
    EXPECT_EQ(server.game->getEntityCount(), entities);
    player->getFlags65()[static_cast<size_t>(bit)] = false;
    chain->giveReward(player);
    EXPECT_TRUE(anyLineWith("QuestItemReward"));
    EXPECT_EQ(server.game->getEntityCount(), entities + 1);
}

// ---- The Game's quests over time

class QuestUpdate : public QuestsRunning {
protected:
    // n active quests held in the table under their own numbers.
    void fillActive(int n)
    {
        server.game->clearQuests();
        for (int i = 0; i < n; ++i) {
            server.game->restoreQuest(i,
                                      rolled(QuestType::KillMonsters, 10, 500u + static_cast<uint32_t>(i)));
        }
    }
    // A fresh table and a player of level 5 who has solved the story's
    // first arc (its four bits).
    void firstArcSolved()
    {
        server.game->clearQuests();
        std::vector<bool>& bits = player->getFlags65();
        bits.assign(65, false);
        const int base = server.game->getSolvedBitBase();
        for (int b = 0; b < 4; ++b) {
            bits[static_cast<size_t>(base + b)] = true;
        }
        player->setStat(kLevel, 5);
    }
    // Runs act with the story quests given out of every player's reach
    // (their minimum level far above), so none of them can be set up.
    static void whileOutOfReach(const std::vector<QuestDefinition*>& quests, const std::function<void()>& act)
    {
        std::vector<int> minimums;
        for (QuestDefinition* d : quests) {
            minimums.push_back(d->minLevel);
            d->minLevel = 1000;
        }
        act();
        for (size_t i = 0; i < quests.size(); ++i) {
            quests[i]->minLevel = minimums[i];
        }
    }
    // The new-quest timer due now, the others far off.
    void questTimerDue()
    {
        Game::Settings& s = server.game->mutableSettings();
        s.newQuestTimer.start(0.0f);
        s.newEventTimer.start(1000.0f);
        s.deleteOldQuestsTimer.start(1000.0f);
    }
};

TEST_F(QuestUpdate, TheQuestChanceFollowsTheActiveCountAndNeedsThePlayerOutOfTown)
{
    Game::Settings& s = server.game->mutableSettings();
    s.questThresholds = {3, 6};
    s.questChances = {0.9f, 0.3f};
    struct Row {
        int active;
        float lo;
        float hi;
        bool leftTown;
        bool made;
    };
    const Row rows[] = {
        {2, 0.85f, 0.89f, true, true}, {5, 0.85f, 0.89f, true, false}, {5, 0.25f, 0.29f, true, true},
        {6, 0.0f, 0.01f, true, false}, {2, 0.0f, 0.01f, false, false},
    };
    for (const Row& row : rows) {
        fillActive(row.active);
        server.game->setLeftTown(row.leftTown);
        questTimerDue();
        ASSERT_TRUE(scriptDraws({drawBetween(row.lo, row.hi)}));
        server.game->updateQuests(0.05f);
        const bool made = server.game->getQuestTableSize() > row.active;
        EXPECT_EQ(made, row.made) << row.active << " active, draw " << row.lo;
    }
}

// A house of the town left empty gets its newcomer when the new-event timer
// runs out, whatever the event draw; with every house kept, the draw
// decides as before.
TEST_F(QuestUpdate, AnEmptyHouseOfTheTownGetsItsNewcomerAtTheNextEventTime)
{
    Game& game = *server.game;
    Game::Settings& s = game.mutableSettings();
    const float chance = s.eventChance;
    struct Row {
        const char* what;
        bool emptied;
        bool leftTown;
        bool refilled;
    };
    const Row rows[] = {
        {"an empty house", true, true, true},
        {"an empty house, the player still in town", true, false, false},
        {"every house kept", false, true, false},
    };
    ASSERT_GT(s.npcTypes.size(), 1u);
    game.createTownNpcs();
    const int slot = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        game.clearQuests();
        if (!game.getTownNpcAt(slot)) {
            game.createTownNpc(slot);
        }
        Actor* keeper = game.getTownNpcAt(slot);
        ASSERT_NE(keeper, nullptr);
        if (row.emptied) {
            game.deleteEntity(keeper, true);
            ASSERT_EQ(game.getTownNpcAt(slot), nullptr);
        }
        s.eventChance = 0.0f; // no event of the draw
        s.newQuestTimer.start(1000.0f);
        s.newEventTimer.start(0.0f);
        s.deleteOldQuestsTimer.start(1000.0f);
        game.setLeftTown(row.leftTown);
        game.updateQuests(0.05f);
        const Actor* now = game.getTownNpcAt(slot);
        EXPECT_EQ(now != nullptr, !row.emptied || row.refilled);
        if (!row.emptied) {
            EXPECT_EQ(now, keeper) << "a kept house is left alone";
        }
    }
    s.eventChance = chance;
}

TEST_F(QuestUpdate, EventOnlyTypesAreNeverKept)
{
    Random::setState(0, 99);
    server.game->clearQuests();
    for (int i = 0; i < 40; ++i) {
        server.game->generateEvent();
    }
    EXPECT_EQ(server.game->generateQuests(toIndex(QuestType::CrystalGain), nullptr, -1), nullptr);
    for (int i = 0; i < server.game->getQuestTableSize(); ++i) {
        if (const Quest* quest = server.game->getQuest(i)) {
            EXPECT_FALSE(quest->definition->eventOnly) << getQuestTypeName(quest->type);
        }
    }
}

TEST_F(QuestUpdate, OfTwoOldQuestsOfTheLowestLevelTheEarlierGoes)
{
    player->setStat(kLevel, 20);
    Game::Settings& s = server.game->mutableSettings();
    s.deleteOldQuestsThreshold = 2;
    s.deleteOldQuestsLevelDiff = 5;
    server.game->clearQuests();
    const int levels[] = {12, 8, 8, 14};
    for (int i = 0; i < 4; ++i) {
        server.game->restoreQuest(
            i, rolled(QuestType::KillMonsters, levels[i], 600u + static_cast<uint32_t>(i)));
    }
    s.deleteOldQuestsTimer.start(0.0f);
    server.game->deleteOldQuests();
    EXPECT_NE(server.game->getQuest(0), nullptr);
    EXPECT_EQ(server.game->getQuest(1), nullptr);
    EXPECT_NE(server.game->getQuest(2), nullptr);
    EXPECT_NE(server.game->getQuest(3), nullptr);
}

TEST_F(QuestUpdate, ANewWorldsInitialQuestsThenTheStoryThenTheTutorial)
{
    Game& game = *server.game;
    const Game::Settings& s = game.settings();
    game.clearQuests();
    game.setWorldGenerated(true);
    game.setInitialQuestsPending(true);
    player->getFlags65().assign(65, false);
    Random::setState(0, 321);
    game.createInitialQuests();
    EXPECT_FALSE(game.areInitialQuestsPending());
    int story = -1;
    int tutorial = -1;
    int randomOnes = 0;
    for (int i = 0; i < game.getQuestTableSize(); ++i) {
        const Quest* quest = game.getQuest(i);
        if (!quest) {
            continue;
        }
        if (quest->type == toIndex(QuestType::StoryKillTurenScout)) {
            story = i;
        } else if (quest->type == toIndex(QuestType::TutorialEquipWeapon)) {
            tutorial = i;
        } else {
            ++randomOnes;
            EXPECT_LT(i, story < 0 ? 1000 : story) << "random quests come first";
        }
    }
    EXPECT_LE(randomOnes, s.maxInitialQuests);
    EXPECT_GT(tutorial, story);

    // With the tutorial's bit set, no tutorial.
    game.clearQuests();
    game.setInitialQuestsPending(true);
    player->getFlags65()[0] = true;
    game.createInitialQuests();
    EXPECT_FALSE(game.hasOpenQuestOfType(toIndex(QuestType::TutorialEquipWeapon)));
}

TEST_F(QuestUpdate, TheStoryChainGoesOnWhereThePlayersBitsEnd)
{
    Game& game = *server.game;
    firstArcSolved();
    std::vector<bool>& bits = player->getFlags65();
    const int base = game.getSolvedBitBase();
    // Set up at the player's level: this small world has no level of the
    // story's own.
    GameData::get().getQuestDefinition(toIndex(QuestType::StoryShankarLuteKefah))->defaultLevel = 0;
    game.advanceQuestChain(player);
    EXPECT_TRUE(game.hasOpenQuestOfType(toIndex(QuestType::StoryShankarLuteKefah)));
    // Nothing more while a chain quest is open.
    const int size = game.getQuestTableSize();
    game.advanceQuestChain(player);
    EXPECT_EQ(game.getQuestTableSize(), size);

    // A chain that comes back on itself ends.
    game.clearQuests();
    for (int b = 0; b < 16; ++b) {
        bits[static_cast<size_t>(base + b)] = true;
    }
    QuestDefinition& last = *GameData::get().getQuestDefinition(toIndex(QuestType::BossKing));
    last.nextQuest = "StoryKillTurenScout";
    game.advanceQuestChain(player);
    last.nextQuest.clear();
    EXPECT_EQ(game.getQuestTableSize(), 0);
}

// A story quest that could not be made, nor any after it (here: all above
// the player's level), stalls the chain: it is tried again when the
// new-quest timer runs out, not only when the player next joins. A chain
// that never failed is left to its own follow-ups.
TEST_F(QuestUpdate, AStalledStoryChainIsTriedAgainWithTheNextQuestTimer)
{
    Game& game = *server.game;
    std::vector<QuestDefinition*> chain;
    for (QuestDefinition* d = GameData::get().getQuestDefinition(toIndex(QuestType::StoryShankarLuteKefah));
         d && chain.size() < 16;
         d = d->nextQuest.empty() ? nullptr : GameData::get().getQuestDefinition(d->nextQuestType())) {
        chain.push_back(d);
    }
    QuestDefinition& next = *chain.front();
    const int ownLevel = next.defaultLevel;
    struct Row {
        const char* what;
        bool failedFirst;
        bool madeByTimer;
    };
    const Row rows[] = {
        {"failed first", true, true},
        {"never failed", false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        firstArcSolved();
        game.setLeftTown(false);
        next.defaultLevel = 0;
        if (row.failedFirst) {
            whileOutOfReach(chain, [&] { game.advanceQuestChain(player); });
            ASSERT_EQ(game.getQuestTableSize(), 0) << "no story quest could be made";
        }
        questTimerDue();
        game.updateQuests(0.05f);
        EXPECT_EQ(game.hasOpenQuestOfType(toIndex(QuestType::StoryShankarLuteKefah)), row.madeByTimer);
    }
    next.defaultLevel = ownLevel;
}

// A story quest that cannot be made hands on to the one after it; a part of
// the chain the player has already solved is passed over, never offered
// again.
TEST_F(QuestUpdate, AFailedStoryQuestHandsOnPastWhatThePlayerSolved)
{
    Game& game = *server.game;
    GameData& data = GameData::get();
    // The arc before the second boss, made to fail: no player reaches its level.
    std::vector<QuestDefinition*> arc;
    for (QuestType type : {QuestType::StoryShankarLuteKefah, QuestType::StoryKillShankarPartner,
                           QuestType::StoryShankarRescue}) {
        arc.push_back(data.getQuestDefinition(toIndex(type)));
    }
    QuestDefinition& boss = *data.getQuestDefinition(toIndex(QuestType::BossLord));
    QuestDefinition& after = *data.getQuestDefinition(toIndex(QuestType::StoryCiglioFindItem));
    const int bossLevel = boss.defaultLevel;
    const int afterLevel = after.defaultLevel;
    struct Row {
        const char* what;
        bool bossSolved;
        bool bossOffered;
    };
    const Row rows[] = {
        {"boss not yet solved", false, true},
        {"boss solved", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        firstArcSolved();
        player->getFlags65()[static_cast<size_t>(game.getSolvedBitBase() + boss.questSolvedBit)] =
            row.bossSolved;
        boss.defaultLevel = 0;
        after.defaultLevel = 0;
        whileOutOfReach(arc, [&] { game.advanceQuestChain(player); });
        boss.defaultLevel = bossLevel;
        after.defaultLevel = afterLevel;
        EXPECT_EQ(game.hasOpenQuestOfType(toIndex(QuestType::BossLord)), row.bossOffered);
        EXPECT_EQ(game.hasOpenQuestOfType(toIndex(QuestType::StoryCiglioFindItem)), !row.bossOffered)
            << "the chain goes on past the solved boss";
    }
}

TEST_F(QuestUpdate, TownTrapsRarityTreasureMapsAndPackages)
{
    Game& game = *server.game;
    game.clearQuests();
    // Each trap of the quest reports itself once as it goes: one disarmed,
    // one spent on its victim; the last one completes the quest.
    auto traps = rolled(QuestType::TownTraps);
    traps->progress = 0;
    traps->goal = 2;
    traps->setUp(0, nullptr);
    ASSERT_EQ(traps->spawnedEntities.size(), 2u);
    SafePtr<Entity> disarmed = traps->spawnedEntities[0].get();
    SafePtr<Entity> sprung = traps->spawnedEntities[1].get();
    const int number = game.addQuest(std::move(traps));
    Quest* quest = game.getQuest(number);
    ASSERT_NE(player->acceptQuest(number), nullptr) << "held, the completed quest stays in the table";
    auto clear = [&](SafePtr<Entity>& trap, int disarm) {
        auto* ground = dynamic_cast<TrapGround*>(trap.get());
        ASSERT_NE(ground, nullptr);
        ASSERT_TRUE(ground->isTownTrap());
        // The attempt succeeds and its trigger comes at once.
        ASSERT_TRUE(scriptDraws({drawBelow(0.5f), drawBelow(0.001f)}));
        ground->trigger(player);
        player->setStat(toIndex(CharacterStat::DisarmTrap), disarm);
        for (int step = 0; step < 200 && trap.get(); ++step) {
            game.update(0.05f);
        }
        EXPECT_EQ(trap.get(), nullptr) << "disarm " << disarm;
    };
    clear(disarmed, 1000);
    EXPECT_EQ(quest->progress, 1);
    EXPECT_FALSE(quest->isComplete());
    clear(sprung, 0);
    EXPECT_EQ(quest->progress, 2);
    EXPECT_TRUE(quest->isComplete());
    game.update(0.05f);
    EXPECT_EQ(quest->progress, 2) << "reported once";

    // The rarity factor of the quests about a type in a level.
    auto hunt = rolled(QuestType::KillMonsters);
    hunt->setUp(0, nullptr);
    QuestDefinition& kill = *GameData::get().getQuestDefinition(toIndex(QuestType::KillMonsters));
    kill.monsterRarityMultiplier = 2.0f;
    const int level = hunt->getTargetLevel();
    const MonsterType* type = hunt->getMonsterType(0);
    ASSERT_NE(type, nullptr);
    game.addQuest(std::move(hunt));
    EXPECT_FLOAT_EQ(game.getQuestRarityMultiplier(level, type), 2.0f);
    EXPECT_FLOAT_EQ(game.getQuestRarityMultiplier(level + 1, type), 1.0f);

    // A full quest log takes no map; nobody's package is refused by name.
    while (player->hasFreeQuestSlot()) {
        ASSERT_NE(player->acceptQuest(
                      game.addQuest(rolled(QuestType::KillMonsters, 10, 900u + player->countQuests()))),
                  nullptr);
    }
    clearLines();
    EXPECT_FALSE(game.startTreasureMapQuest(10, player));
    EXPECT_EQ(recent(), std::vector<std::string>{"msg 4 \"$$FullQuestSlots$$\""});
    Actor* npc = game.getTownNpcCount() > 0 ? game.getTownNpcAt(0) : nullptr;
    if (!npc) {
        game.createTownNpcs();
        npc = game.getTownNpcAt(0);
    }
    ASSERT_NE(npc, nullptr);
    clearLines();
    EXPECT_FALSE(game.deliverPackage(player, npc));
    EXPECT_EQ(recent(),
              std::vector<std::string>{"msg 4 \"Don't have package for " + getNpcDisplayName(npc) + "!\""});
}

// A town trap whose attempt failed keeps watching: the player standing on it
// sets it off at a later attempt, each removal counts for the quest and the
// last completes it. A trap in a level has its one attempt.
TEST_F(QuestUpdate, ATownTrapWatchesUntilItGoesOffALevelTrapTriesOnce)
{
    Game& game = *server.game;
    game.clearQuests();
    auto made = rolled(QuestType::TownTraps);
    made->progress = 0;
    made->goal = 3;
    made->setUp(0, nullptr);
    ASSERT_EQ(made->spawnedEntities.size(), 3u);
    std::vector<SafePtr<Entity>> traps(made->spawnedEntities.begin(), made->spawnedEntities.end());
    const DatabaseEntry* entry = traps[0].get()->getEntry();
    const int number = game.addQuest(std::move(made));
    Quest* quest = game.getQuest(number);
    ASSERT_NE(player->acceptQuest(number), nullptr);
    player->setStat(toIndex(CharacterStat::DisarmTrap), 0);

    // The same trap lying in a level: not the quest's, for anyone near.
    auto* level = new TrapGround();
    level->setEntry(entry, entry->getName());
    level->loadFromDatabase();
    level->setHitsAnyone(true);
    ASSERT_NE(add(level, besidePlayer(300.0f)), nullptr);
    level->onPlaced();
    traps.push_back(level);

    // Stands the player on the trap until it is gone (the limit only catches a hang).
    auto standOn = [&](SafePtr<Entity>& trap) {
        const ZonePosition at = trap.get()->getPosition();
        for (int step = 0; step < 4000 && trap.get(); ++step) {
            if (!player->isAlive()) {
                player->resurrect(false);
            }
            player->setPosition(at);
            game.update(0.05f);
        }
    };
    struct Case {
        bool town;
        int progressAfter;
    };
    const Case cases[] = {{true, 1}, {true, 2}, {true, 3}, {false, 3}};
    for (size_t i = 0; i < traps.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        auto* ground = dynamic_cast<TrapGround*>(traps[i].get());
        ASSERT_NE(ground, nullptr);
        ASSERT_EQ(ground->isTownTrap(), c.town);
        Trap* trap = ground->getTrap();
        ASSERT_NE(trap, nullptr);
        ASSERT_TRUE(scriptDraws({drawAtLeast(trap->getTriggerChance())}));
        ground->trigger(player);
        EXPECT_FALSE(trap->isSprung());
        EXPECT_NE(ground->isTriggered(), c.town) << "a failed attempt";
        if (c.town) {
            standOn(traps[i]);
            EXPECT_EQ(traps[i].get(), nullptr) << "set off at a later attempt";
        } else {
            // Many think periods on it: no other attempt.
            const float think = ground->getThinkTimer().max;
            ASSERT_GT(think, 0.0f);
            for (int step = 0; 0.05f * static_cast<float>(step) < 10.0f * think; ++step) {
                player->setPosition(ground->getPosition());
                game.update(0.05f);
            }
            ASSERT_EQ(traps[i].get(), ground);
            EXPECT_FALSE(trap->isSprung());
            EXPECT_TRUE(ground->isTriggered());
        }
        EXPECT_EQ(quest->progress, c.progressAfter);
        EXPECT_EQ(quest->isComplete(), c.progressAfter == 3);
    }
}

// Quest people of the rows that name no monster level take their target
// level's; a ghost keeps its type's own; a captive's block, in a built level,
// is filled at once.
TEST_F(QuestsRunning, QuestPeopleStandAtTheMonsterLevelOfTheirTargetLevel)
{
    Game& game = *server.game;
    struct Row {
        QuestType type;
        int questLevel;
        bool ownLevel;
    };
    // An escort needs a second level above its first: one level lower.
    const Row rows[] = {{QuestType::RescueNpc, 11, false},          {QuestType::Escort, 10, false},
                        {QuestType::Delivery, 11, false},           {QuestType::WanderingVendor, 11, false},
                        {QuestType::StoryShankarRescue, 11, false}, {QuestType::MonsterQuest, 11, false},
                        {QuestType::GhostRevenge, 11, true}};
    constexpr int kTargetKey = 13;
    // The story's own level lies above this small world's: the quest's level.
    QuestDefinition& story = *GameData::get().getQuestDefinition(toIndex(QuestType::StoryShankarRescue));
    const int storyLevel = story.defaultLevel;
    story.defaultLevel = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(getQuestTypeName(toIndex(row.type)));
        game.clearQuests();
        Random::setState(0, 4321);
        auto quest = rolled(row.type, row.questLevel);
        const bool rescue = row.type == QuestType::RescueNpc;
        const int planned = quest->getTargetLevel();
        Level* built = rescue ? server.world->getLevel(planned) : nullptr;
        // Every block of the captive's level has its monsters.
        AreaDefinition* area = built ? built->definition : nullptr;
        const float chance = area ? area->monsterChancePerBlock : 0.0f;
        const int fewest = area ? area->minMonstersPerBlock : 0;
        const int most = area ? area->maxMonstersPerBlock : 0;
        if (built) {
            ASSERT_NE(area, nullptr);
            area->monsterChancePerBlock = 1.0f;
            area->minMonstersPerBlock = std::max(2, fewest);
            area->maxMonstersPerBlock = std::max(area->minMonstersPerBlock, most);
            built->acquire(kTargetKey);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
            while (!server.world->isLevelLoaded(planned) && std::chrono::steady_clock::now() < deadline) {
                server.app->getHooks().finishLevels();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ASSERT_TRUE(server.world->isLevelLoaded(planned));
        }
        // A monster quest of its own stands on two factions' feud: this one
        // takes its two types from a group quest.
        Quest group;
        group.type = toIndex(QuestType::KillMonsterGroup);
        group.targets.assign(2, QuestTarget());
        group.targets[0].monsterType = GameData::get().findMonsterType("GoblinScout");
        group.targets[1].monsterType = GameData::get().findMonsterType("CaveSpider");
        quest->setUp(0, row.type == QuestType::MonsterQuest ? &group : nullptr);
        ASSERT_FALSE(quest->invalid);
        const int target = quest->getTargetLevel();
        auto* npc = dynamic_cast<Actor*>(quest->questNpc.get());
        ASSERT_NE(npc, nullptr);
        EXPECT_EQ(npc->getPosition().zone, target);
        const int levelOfTarget = server.world->getLevelMonsterLevel(target);
        const int own = npc->getMonsterType()->getMinLevel();
        // The escort's quest level is its start level's monster level.
        EXPECT_EQ(levelOfTarget, row.questLevel) << "level " << target;
        ASSERT_NE(own, levelOfTarget) << "level " << target;
        EXPECT_EQ(npc->getStat(kLevel), row.ownLevel ? own : levelOfTarget) << "level " << target;
        if (row.type == QuestType::GhostRevenge) {
            EXPECT_FLOAT_EQ(npc->getFade(), 0.25f);
        }
        if (rescue) {
            EXPECT_EQ(quest->pendingBlock, -1);
            const GameRules& rules = GameData::get().rules();
            const float width = static_cast<float>(rules.blockTileWidth) * rules.tileSize;
            const float height = static_cast<float>(rules.blockTileHeight) * rules.tileSize;
            const auto blockOf = [&](const ZonePosition& at) {
                return static_cast<int>(at.y / height) * rules.blocksAcross + static_cast<int>(at.x / width);
            };
            const int block = blockOf(npc->getPosition());
            EXPECT_TRUE(game.isBlockPopulated(target, block));
            int others = 0;
            for (Entity* entity : game.collectEntitiesOnLevel(target)) {
                const auto* actor = dynamic_cast<const Actor*>(entity);
                others += actor && actor != npc && blockOf(actor->getPosition()) == block ? 1 : 0;
            }
            EXPECT_GT(others, 0) << "the captive does not stand alone";
        }
        quest->removeFromWorld();
        if (built) {
            area->monsterChancePerBlock = chance;
            area->minMonstersPerBlock = fewest;
            area->maxMonstersPerBlock = most;
            built->release(kTargetKey);
        }
    }
    story.defaultLevel = storyLevel;
}

TEST_F(QuestsRunning, AReadTreasureMapBecomesAQuestUnlessTheLogIsFull)
{
    Game& game = *server.game;
    game.clearQuests();
    player->giveStartingItems();
    player->setStat(kLevel, 10);
    const int bag1 = toIndex(InventoryGroupIndex::Bag1);
    InventoryGroup* bag = player->getInventory()->getSlot(bag1);
    ASSERT_NE(bag, nullptr);
    auto putMap = [&] {
        auto* map = new Item();
        map->setItemEntry(Database::get().findEntry("FadedTreasureMap"));
        map->generate(10);
        bag->setItem(0, map);
    };
    putMap();
    run(formatString("useItem %d 0", bag1));
    EXPECT_EQ(bag->getItem(0), nullptr) << "used up";
    ASSERT_EQ(player->countQuests(), 1);
    const Quest* taken = game.getQuest(player->getQuest(0)->id);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->type, toIndex(QuestType::TreasureMap));

    while (player->hasFreeQuestSlot()) {
        ASSERT_NE(player->acceptQuest(
                      game.addQuest(rolled(QuestType::KillMonsters, 10, 900u + player->countQuests()))),
                  nullptr);
    }
    putMap();
    clearLines();
    run(formatString("useItem %d 0", bag1));
    EXPECT_TRUE(anyLineWith("msg 4 \"$$FullQuestSlots$$\""));
    ASSERT_NE(bag->getItem(0), nullptr) << "the map stays";
    EXPECT_EQ(bag->getItem(0)->getEntryName(), "FadedTreasureMap");
}

TEST_F(QuestsRunning, AThiefNeedsAStockedVendorAndAKidnappingNamesItsNpcWithItsType)
{
    Game& game = *server.game;
    game.createTownNpcs();
    std::vector<Vendor*> vendors;
    for (NpcType t : {NpcType::VendorBasic, NpcType::VendorWeapon, NpcType::VendorArmor, NpcType::Gambler}) {
        auto* vendor = dynamic_cast<Vendor*>(game.getTownNpc(toIndex(t)));
        ASSERT_NE(vendor, nullptr);
        vendor->hasRandomStock();
        vendor->clearStock();
        vendors.push_back(vendor);
    }
    auto thief = rolled(QuestType::Thief);
    thief->setUp(0, nullptr);
    EXPECT_TRUE(thief->invalid) << "no vendor has anything to steal";
    thief->removeFromWorld();
    vendors[2]->restockAll();
    ASSERT_TRUE(vendors[2]->hasRandomStock());
    thief = rolled(QuestType::Thief, 10, 778u);
    thief->setUp(0, nullptr);
    EXPECT_FALSE(thief->invalid);
    thief->removeFromWorld();

    // The announcement of a kidnapping names the town NPC with its type.
    auto kidnapping = rolled(QuestType::Kidnapping);
    Actor* taken = game.getTownNpc(toIndex(NpcType::Apothecary));
    ASSERT_NE(taken, nullptr);
    kidnapping->questNpc = taken;
    kidnapping->monsterType = GameData::get().findMonsterType("GoblinScout");
    ASSERT_NE(getNpcDisplayName(taken).find(" ($$NpcType"), std::string::npos);
    clearLines();
    kidnapping->announce();
    EXPECT_TRUE(anyLineWith("QuestAnnounceKidnapping")) << (recent().empty() ? "" : recent().back());
    // The type's key goes escaped inside the announcement's arguments.
    EXPECT_TRUE(anyLineWith(taken->getName() + " ($NpcType" + getNpcTypeName(taken->getNpcType()) + "$)"))
        << (recent().empty() ? "" : recent().back());
    kidnapping->questNpc = nullptr;
}

// The news of a town NPC's quest names the NPC with its type, as the
// announcement did; a recruit's news keeps its bare name.
TEST_F(QuestsRunning, QuestNewsNamesATownNpcWithItsTypeAndARecruitByName)
{
    Game& game = *server.game;
    game.clearQuests();
    game.createTownNpcs();
    enum class End { Expires, Killed };
    struct Case {
        QuestType type;
        End end;
        const char* key;
        bool withType;
    };
    const Case cases[] = {
        {QuestType::DeadlyPoison, End::Expires, "QuestDeadlyPoisonLate", true},
        {QuestType::DeadlyPoison, End::Killed, "QuestKilledDeadlyPoison", true},
        {QuestType::Petrify, End::Killed, "QuestKilledPetrify", true},
        {QuestType::Kidnapping, End::Killed, "QuestKilledKidnapping", true},
        {QuestType::Recruit, End::Expires, "QuestRecruitLate", false},
        {QuestType::Recruit, End::Killed, "QuestKilledRecruit", false},
    };
    // A town NPC of a named type for each case.
    std::vector<Actor*> townsfolk;
    for (int slot = 0; slot < game.getTownNpcCount(); ++slot) {
        Actor* npc = game.getTownNpcAt(slot);
        if (npc && npc->getNpcType() > 0 && npc->getNpcType() != toIndex(NpcType::OneShot)) {
            townsfolk.push_back(npc);
        }
    }
    ASSERT_GE(townsfolk.size(), std::size(cases));
    size_t next = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        Actor* npc = townsfolk[next++];
        auto quest = rolled(c.type);
        quest->questNpc = npc;
        quest->monsterType = GameData::get().findMonsterType("GoblinScout");
        if (c.type == QuestType::Kidnapping) {
            npc->setFlags(npc->getFlags() | EntityBase::kFlagKidnapped);
            npc->setQuestActor(true);
        }
        Quest* held = game.getQuest(game.addQuest(std::move(quest)));
        ASSERT_NE(held, nullptr);
        const std::string typed = " ($NpcType" + getNpcTypeName(npc->getNpcType()) + "$)";
        clearLines();
        if (c.end == End::Expires) {
            ASSERT_GT(held->definition->maxTime, 0.0f);
            held->deadline = GameTime(0, 0, 0, 0.0f);
            game.setClock(GameTime(2, 0, 0, 0.0f));
            held->think(nullptr, 0.05f);
        } else {
            npc->takeDamage(npc->getHealth() + 5, nullptr);
            game.update(0.05f);
            ASSERT_TRUE(npc->isDead());
        }
        std::string line;
        for (const std::string& l : recent())
            if (l.find(c.key) != std::string::npos)
                line = l;
        ASSERT_FALSE(line.empty()) << (recent().empty() ? "" : recent().back());
        EXPECT_NE(line.find(npc->getName()), std::string::npos) << line;
        EXPECT_EQ(line.find(npc->getName() + typed) != std::string::npos, c.withType) << line;
    }
}

// Town NPCs stand by their slot in the town's list, which is not their type
// number: a rescued merchant goes home to its own stand, not to the one of
// the slot numbered as its type (the gambler's), and the stand the map
// names for a type is where that NPC stands.
TEST_F(QuestsRunning, ARescuedTownNpcGoesHomeToItsOwnStand)
{
    Game& game = *server.game;
    game.clearQuests();
    game.createTownNpcs();
    const GameRules& rules = GameData::get().rules();
    auto near = [](const ZonePosition& a, const ZonePosition& b) {
        return a.zone == b.zone && std::hypot(a.x - b.x, a.y - b.y) < 160.0f;
    };
    for (NpcType type : {NpcType::Warmaster, NpcType::Steward, NpcType::VendorBasic, NpcType::Gambler,
                         NpcType::VendorGuard}) {
        const Actor* npc = game.getTownNpc(toIndex(type));
        ASSERT_NE(npc, nullptr) << getNpcTypeName(toIndex(type));
        EXPECT_TRUE(near(npc->getPosition(), rules.townNpcStand(toIndex(type))))
            << getNpcTypeName(toIndex(type));
    }
    // A type no slot holds keeps its own entry.
    EXPECT_EQ(rules.townNpcStand(toIndex(NpcType::Recruit)).x,
              rules.npcPositions[static_cast<size_t>(toIndex(NpcType::Recruit))].x);

    Actor* merchant = game.getTownNpc(toIndex(NpcType::VendorBasic));
    const Actor* gambler = game.getTownNpc(toIndex(NpcType::Gambler));
    ASSERT_NE(merchant, nullptr);
    ASSERT_NE(gambler, nullptr);
    const ZonePosition home = merchant->getPosition();
    ZonePosition away = home;
    away.addOffset(0.0f, 700.0f);
    merchant->warp(away);
    merchant->setHomePosition(away);
    merchant->setFlags(merchant->getFlags() | EntityBase::kFlagKidnapped);
    merchant->setQuestActor(true);
    auto quest = rolled(QuestType::Kidnapping);
    quest->questNpc = merchant;
    quest->monsterType = GameData::get().findMonsterType("GoblinScout");
    Quest* kidnapping = game.getQuest(game.addQuest(std::move(quest)));
    ASSERT_NE(kidnapping, nullptr);
    kidnapping->tryRescue(merchant);
    EXPECT_EQ(merchant->getFlags() & EntityBase::kFlagKidnapped, 0u) << "rescued";
    EXPECT_TRUE(near(merchant->getPosition(), home));
    EXPECT_TRUE(near(merchant->getHome(), home)) << "its way home leads to its stand again";
    EXPECT_FALSE(near(merchant->getPosition(), gambler->getPosition()));
}

} // namespace

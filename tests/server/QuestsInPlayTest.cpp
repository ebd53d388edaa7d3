// The Game's quest table, quest lines, supply multiplier, save record and
// the player's quest slots, on the headless program with data/.
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/data/Localization.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/AreaDefinition.h"
#include "support/AnyRecruitType.h"
#include "support/QuestPlayerWorld.h"
#include "support/RandomScript.h"
#include "support/StoryChain.h"
#include "support/TestCovenant.h"
#include "support/TestSupport.h"

#include <cmath>
#include <set>

namespace {

QuestDefinition& definitionOf(QuestType type)
{
    return *GameData::get().getQuestDefinition(toIndex(type));
}

class QuestsInPlay : public QuestPlayerWorld {
protected:
    using PlayerWorld::add;
    int add(QuestType type, int level = 10) { return server.game->addQuest(rolled(type, level)); }
    bool sent(const std::string& line) const
    {
        const std::vector<std::string> r = recent();
        return std::find(r.begin(), r.end(), line) != r.end();
    }
    // The player leads a new covenant of its own, as a join makes it.
    PlayerCovenant* joinNewCovenant()
    {
        auto made = std::make_unique<PlayerCovenant>();
        PlayerCovenant* house = made.get();
        const int index = server.game->addCovenant(std::move(made));
        EXPECT_GE(index, 0);
        ByteBuffer join;
        join.writeInt(0u);
        join.writeString("Oakhold");
        std::string field;
        EXPECT_TRUE(house->initNew(join, field)) << field;
        house->player = player;
        player->setCovenantIndex(index);
        return house;
    }
};

TEST_F(QuestsInPlay, NumbersAreReusedAndAWalkSeesOnlyTheQuestsPresentWhenItBegan)
{
    Game& game = *server.game;
    EXPECT_EQ(add(QuestType::KillMonsters), 0);
    EXPECT_EQ(add(QuestType::KillMonsters), 1);
    game.deleteQuest(0);
    EXPECT_EQ(game.getQuest(0), nullptr);
    EXPECT_EQ(add(QuestType::KillMonsters), 0);
    game.clearQuests();

    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(add(QuestType::KillMonsters), i);
    }
    std::vector<int> visited;
    std::set<const Quest*> added;
    game.forEachQuest([&](Quest& quest) {
        EXPECT_EQ(added.count(&quest), 0u) << "a quest added during the walk was visited";
        visited.push_back(quest.id);
        if (quest.id % 2 == 0) {
            // The next one goes; a new quest takes its number at once.
            game.deleteQuest(quest.id + 1);
            const int number = game.addQuest(rolled(QuestType::KillMonsters));
            EXPECT_EQ(number, quest.id + 1);
            added.insert(game.getQuest(number));
        }
    });
    EXPECT_EQ(visited, (std::vector<int>{0, 2, 4, 6, 8, 10, 12, 14}));
    int next = 0;
    game.forEachQuest([&](Quest& quest) { EXPECT_EQ(quest.id, next++); });
    EXPECT_EQ(next, 16);
}

TEST_F(QuestsInPlay, TheQuestLevelWindowFollowsThePlayerAndTheWorld)
{
    Game::Settings& rules = server.game->mutableSettings();
    rules.easyQuestLevelDiff = 3;
    rules.hardQuestLevelDiff = 2;
    rules.minLevelForHardQuests = 12;
    const int top = server.world->getMaxMonsterLevel();
    ASSERT_GE(top, 14);
    struct Row {
        int playerLevel;
        int requested;
        int expected;
    };
    for (const Row& row :
         std::vector<Row>{{10, 20, 10}, {10, 1, 7}, {12, 20, 14}, {12, 1, 9}, {top + 7, -1, top}}) {
        player->setStat(toIndex(CharacterStat::Level), row.playerLevel);
        EXPECT_EQ(server.game->pickQuestLevel(row.requested), row.expected)
            << row.playerLevel << " " << row.requested;
    }
    player->setStat(toIndex(CharacterStat::Level), 10);
    ASSERT_TRUE(scriptDraws({drawBetween(0.5f, 0.5001f)}));
    EXPECT_EQ(server.game->pickQuestLevel(-1), 9);
}

TEST_F(QuestsInPlay, FailingSetUpsLeaveNothingAndACycleOfFollowUpsEnds)
{
    Game& game = *server.game;
    QuestDefinition& a = definitionOf(QuestType::ScoutLocation);
    QuestDefinition& b = definitionOf(QuestType::ClearLevel);
    a.minLevel = b.minLevel = 10000;
    a.nextQuest = "ClearLevel";
    b.nextQuest = "ScoutLocation";
    const int entities = game.getEntityCount();
    LogCapture log;
    EXPECT_EQ(game.generateQuests(toIndex(QuestType::ScoutLocation), nullptr, -1), nullptr);
    EXPECT_EQ(game.getEntityCount(), entities);
    EXPECT_EQ(game.getQuestTableSize(), 0);
    int refusals = 0;
    for (const LogCapture::Line& line : log.lines())
        refusals += line.level == 2 && line.text.find("nested deeper") != std::string::npos ? 1 : 0;
    EXPECT_EQ(refusals, 0);
}

TEST_F(QuestsInPlay, AStoryChainOfFailingSetUpsIsWalkedToTheQuestThatCanBeSetUp)
{
    Game& game = *server.game;
    // From the second arc on: twelve quests, a boss every fourth.
    const std::vector<QuestType> chain(kStoryChain.begin() + 4, kStoryChain.end());
    const int worldLevel = std::max(1, server.world->getMinMonsterLevel());
    ASSERT_NE(server.world->pickLevelForMonsterLevel(worldLevel, 0.0f, false), -1);
    struct Row {
        QuestType first;
        QuestType settable; // None: every set-up fails
    };
    for (const Row& row :
         std::vector<Row>{{QuestType::StoryShankarLuteKefah, QuestType::None},
                          {QuestType::StoryShankarLuteKefah, QuestType::StoryKillShankarPartner},
                          {QuestType::StoryShankarLuteKefah, QuestType::StoryDraaienNullifier},
                          {QuestType::StoryCiglioFindItem, QuestType::StoryDraaienArmy}}) {
        const std::string name =
            getQuestTypeName(toIndex(row.first)) + " to " +
            (row.settable == QuestType::None ? "none" : getQuestTypeName(toIndex(row.settable)));
        std::vector<std::pair<int, int>> kept;
        for (QuestType type : chain) {
            QuestDefinition& d = definitionOf(type);
            kept.emplace_back(d.minLevel, d.defaultLevel);
            if (type == row.settable) {
                d.defaultLevel = worldLevel;
            } else {
                d.minLevel = 10000;
            }
        }
        game.clearQuests();
        LogCapture log;
        EXPECT_EQ(game.generateQuests(toIndex(row.first), nullptr, -1), nullptr) << name;
        std::vector<int> made;
        game.forEachQuest([&](Quest& quest) { made.push_back(quest.type); });
        EXPECT_EQ(made, row.settable == QuestType::None ? std::vector<int>{}
                                                        : std::vector<int>{toIndex(row.settable)})
            << name;
        EXPECT_FALSE(log.contains("nested deeper", 2)) << name;
        for (size_t i = 0; i < chain.size(); ++i) {
            definitionOf(chain[i]).minLevel = kept[i].first;
            definitionOf(chain[i]).defaultLevel = kept[i].second;
        }
    }
}

TEST_F(QuestsInPlay, AnnouncementsSendTheirKeyOrTheTitle)
{
    definitionOf(QuestType::Siege).announce = true;
    auto siege = rolled(QuestType::Siege);
    siege->goal = 3;
    clearLines();
    server.game->addQuest(std::move(siege));
    EXPECT_TRUE(sent("msg 3 \"$$QuestAnnounceSiege~<3@@>~$$\""));

    clearLines();
    add(QuestType::TownTraps);
    EXPECT_TRUE(sent("msg 3 \"$$QuestAnnounceTownTraps$$\""));

    QuestDefinition& boss = definitionOf(QuestType::BossKnight);
    boss.announce = true;
    boss.announceSound = "Sounds/questAnnounce.ogg";
    clearLines();
    server.game->clearSoundEvents();
    add(QuestType::BossKnight);
    EXPECT_TRUE(recent().empty());
    EXPECT_TRUE(server.game->getSoundEvents().empty());

    definitionOf(QuestType::ClearLevel).announce = true;
    auto clear = rolled(QuestType::ClearLevel);
    const std::string title = clear->getTitle(false, -1);
    clearLines();
    server.game->addQuest(std::move(clear));
    EXPECT_TRUE(sent("msg 3 \"" + title + "\""));
}

TEST_F(QuestsInPlay, ASupplyMultiplierMovesTheGamePriceAndComesBackExactly)
{
    auto quest = rolled(QuestType::PoisonedSupply);
    quest->npcChoice = 0; // "food"
    ASSERT_FLOAT_EQ(server.game->getScaleFactor1(), 1.0f);
    struct Row {
        float from;
        float to;
        float stored;
        float game;
    };
    for (const Row& row :
         std::vector<Row>{{1.0f, 1.5f, 1.5f, 1.5f}, {1.5f, 2.25f, 2.0f, 2.0f}, {2.0f, 1.0f, 1.0f, 1.0f}}) {
        EXPECT_TRUE(quest->setSupplyMultiplier(row.from, row.to));
        EXPECT_EQ(quest->multiplier, row.stored);
        EXPECT_EQ(server.game->getScaleFactor1(), row.game);
    }
    EXPECT_EQ(server.game->getScaleFactor2(), 1.0f);
    definitionOf(QuestType::PoisonedSupply).maxMult = 0.0f;
    LogCapture log;
    EXPECT_FALSE(quest->setSupplyMultiplier(1.0f, 1.5f));
    EXPECT_EQ(server.game->getScaleFactor1(), 1.0f);
    EXPECT_EQ(quest->multiplier, 1.0f);
    EXPECT_TRUE(log.contains("refused", 2));
    quest->npcChoice = 7;
    EXPECT_FALSE(quest->setSupplyMultiplier(1.0f, 1.5f));
}

TEST_F(QuestsInPlay, OnlyAPlayerOpeningTheTreasureChestSolvesTheMap)
{
    const int number = add(QuestType::TreasureMap);
    Quest* quest = server.game->getQuest(number);
    Actor* monster = monsterAt(besidePlayer(200.0f), 5);
    ASSERT_NE(monster, nullptr);
    Entity* chest = add(new Entity(), besidePlayer(100.0f));
    quest->questChest = chest;
    ASSERT_NE(player->acceptQuest(number), nullptr);
    server.game->onChestOpened(chest, monster);
    EXPECT_EQ(server.game->getQuest(number), quest);
    clearLines();
    server.game->onChestOpened(chest, player);
    EXPECT_EQ(server.game->getQuest(number), nullptr);
    EXPECT_TRUE(sent("msg 2 \"$$QuestSolvedTreasureMap$$\""));
    EXPECT_FALSE(player->hasQuest(number));
}

// ---- Save record

TEST_F(QuestsInPlay, TheSaveRecordAddsTheServersFieldsAndReadsBackTheSame)
{
    auto kill = rolled(QuestType::KillMonsters);
    kill->successCount = 2;
    ByteBuffer base;
    kill->QuestBase::write(base, true);
    ByteBuffer record;
    kill->write(record);
    EXPECT_EQ(record.size(), base.size() + 12);

    // Save, load, save: the same bytes each time, the count not raised.
    ByteBuffer previous = record;
    for (int round = 0; round < 3; ++round) {
        Quest loaded;
        ASSERT_TRUE(loaded.read(previous, 39));
        EXPECT_EQ(loaded.successCount, 2);
        ByteBuffer again;
        loaded.write(again);
        EXPECT_EQ(again.bytes(), previous.bytes());
        previous = again;
    }

    // Before version 6 there is no multiplier, before 24 no source flag.
    ByteBuffer old;
    kill->QuestBase::write(old, false);
    old.writeInt(5);
    Quest fromOld;
    ASSERT_TRUE(fromOld.read(old, 5));
    EXPECT_EQ(fromOld.multiplier, 1.0f);
    EXPECT_EQ(fromOld.successCount, 5);
}

TEST_F(QuestsInPlay, PlagueAndTownAttackRecordsKeepOnlyWhatStillStands)
{
    auto plague = rolled(QuestType::Plague);
    for (int i = 0; i < 3; ++i) {
        Actor* carrier = monsterAt(besidePlayer(100.0f + 50.0f * static_cast<float>(i)), 5);
        ASSERT_NE(carrier, nullptr);
        plague->carriers.push_back(Quest::Carrier{SafePtr<Entity>(carrier), -1, i});
        if (i == 1)
            carrier->setHealth(0);
    }
    ByteBuffer record;
    plague->write(record);
    ByteBuffer base;
    plague->QuestBase::write(base, true);
    record.setReadPos(base.size() + 8);
    EXPECT_EQ(record.readInt(), 2);
    EXPECT_EQ(record.readInt(), -1);
    EXPECT_EQ(record.readInt(), 0);
    EXPECT_EQ(record.readInt(), -1);
    EXPECT_EQ(record.readInt(), 2);

    auto attack = rolled(QuestType::TownAttack);
    attack->attackPosition = ZonePosition(0, 64.0f, 96.0f);
    ByteBuffer attackRecord;
    attack->write(attackRecord);
    ByteBuffer attackBase;
    attack->QuestBase::write(attackBase, true);
    attackRecord.setReadPos(attackBase.size() + 8 + 12);
    EXPECT_EQ(attackRecord.readFloat(), 0.0f);

    // Every cut of the plague record is refused and puts nothing anywhere.
    const int entities = server.game->getEntityCount();
    for (size_t cut = 0; cut + 1 < record.size(); ++cut) {
        ByteBuffer shorter(record.data(), cut);
        Quest target;
        EXPECT_FALSE(target.read(shorter, 39)) << cut;
        EXPECT_EQ(target.level, -1);
    }
    EXPECT_EQ(server.game->getEntityCount(), entities);
}

// A Recruit quest keeps its recruit in its record while it stands and its
// recruit lives; a cut record puts nobody into the world.
TEST_F(QuestsInPlay, ARecruitRecordHoldsItsRecruitOnlyWhileTheQuestStandsAndRefusesEveryCut)
{
    const AnyRecruitType anyType;
    auto recruit = rolled(QuestType::Recruit, 10, 12345);
    recruit->setUp(0, nullptr);
    ASSERT_FALSE(recruit->invalid);
    ASSERT_NE(recruit->questNpc.get(), nullptr);
    ByteBuffer base;
    recruit->QuestBase::write(base, true);
    ByteBuffer record;
    recruit->write(record);
    record.setReadPos(base.size());
    EXPECT_EQ(record.readInt(), 1) << "the recruit follows";
    EXPECT_GT(record.size(), base.size() + 4 + 12);

    recruit->failed = true;
    ByteBuffer failedBase;
    recruit->QuestBase::write(failedBase, true);
    ByteBuffer failedRecord;
    recruit->write(failedRecord);
    EXPECT_EQ(failedRecord.size(), failedBase.size() + 12) << "a failed quest writes no recruit";
    recruit->failed = false;

    const int entities = server.game->getEntityCount();
    for (size_t cut = 0; cut < record.size(); ++cut) {
        ByteBuffer shorter(record.data(), cut);
        Quest target;
        EXPECT_FALSE(target.read(shorter, 39)) << cut;
        EXPECT_EQ(target.questNpc.get(), nullptr) << cut;
    }
    EXPECT_EQ(server.game->getEntityCount(), entities);

    ByteBuffer whole(record.data(), record.size());
    Quest loaded;
    ASSERT_TRUE(loaded.read(whole, 39));
    const auto* body = dynamic_cast<const Actor*>(loaded.questNpc.get());
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->getName(), "Thermund");
    EXPECT_EQ(server.game->getEntityCount(), entities + 1);

    // A fallen recruit is nobody's to take in: it is not written, and a
    // load raises nobody.
    auto* npc = dynamic_cast<Actor*>(recruit->questNpc.get());
    ASSERT_NE(npc, nullptr);
    npc->setHealth(0);
    ByteBuffer fallen;
    recruit->write(fallen);
    fallen.setReadPos(base.size());
    EXPECT_EQ(fallen.readInt(), 0) << "a fallen recruit is not written";
}

// A quest whose type the level spawns more often keeps one spawn entry,
// under its own number, through set-up, saves and loads; taking one quest
// out leaves another's entry alone.
TEST_F(QuestsInPlay, ASpawnEntryStandsUnderItsQuestsNumberOnceThroughEverySave)
{
    // Quests of one type about different monsters are no duplicates.
    QuestDefinition& hunt = definitionOf(QuestType::MonsterQuestItem);
    hunt.monsterSpawnChanceMult = 2.0f;
    hunt.startSuccess = 2;
    const auto made = [&](uint32_t firstSeed) {
        for (uint32_t seed = firstSeed; seed < firstSeed + 200; ++seed) {
            auto quest = rolled(QuestType::MonsterQuestItem, 10, seed);
            quest->setUp(0, nullptr);
            if (!quest->invalid && quest->monsterType) {
                return server.game->getQuest(server.game->addQuest(std::move(quest)));
            }
            quest->removeFromWorld();
        }
        return static_cast<Quest*>(nullptr);
    };
    const auto entries = [&](Quest& quest) {
        const AreaDefinition* area = server.world->getLevelDefinition(quest.getTargetLevel());
        if (!area) {
            return 0;
        }
        const auto& all = area->getSpawnEntries();
        return static_cast<int>(
            std::count_if(all.begin(), all.end(), [&](const AreaDefinition::SpawnEntry& e) {
                return e.monster && e.id == quest.id + 1;
            }));
    };
    Quest* first = made(1);
    ASSERT_NE(first, nullptr);
    Quest* second = made(1000);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(first->id, 0);
    ASSERT_EQ(second->id, 1);
    const int held = entries(*second);
    EXPECT_GT(entries(*first), 0);
    EXPECT_GT(held, 0);
    EXPECT_EQ(second->successCount, 2);
    const AreaDefinition* area = server.world->getLevelDefinition(second->getTargetLevel());
    ASSERT_NE(area, nullptr);
    const float weight = area->getSpawnEntryWeight();

    ByteBuffer previous;
    second->write(previous);
    for (int round = 0; round < 3; ++round) {
        server.game->deleteQuest(1);
        server.game->forEachQuest([](Quest&) {});
        auto loaded = std::make_unique<Quest>();
        ASSERT_TRUE(loaded->read(previous, 39));
        server.game->restoreQuest(1, std::move(loaded));
        Quest* back = server.game->getQuest(1);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->successCount, 2) << round;
        EXPECT_EQ(entries(*back), held) << round;
        EXPECT_FLOAT_EQ(area->getSpawnEntryWeight(), weight) << round;
        ByteBuffer again;
        back->write(again);
        EXPECT_EQ(again.bytes(), previous.bytes()) << round;
        previous = again;
    }
    const int firstEntries = entries(*first);
    server.game->deleteQuest(1);
    EXPECT_EQ(entries(*first), firstEntries);
}

// ---- Player's slots

// The log names a quest taken, solved or skipped by its title: argument
// values lose their text-key markers, so the title goes in translated.
TEST_F(QuestsInPlay, TakenSolvedAndSkippedLinesNameTheQuestByItsTitle)
{
    ASSERT_NE(Localization::instance(), nullptr);
    const int arm = add(QuestType::TutorialEquipWeapon);
    clearLines();
    ASSERT_NE(player->acceptQuest(arm), nullptr);
    EXPECT_TRUE(sent("msg 3 \"$$QuestAccepted~<Arm yourself@@>~$$\""));
    clearLines();
    player->completeQuest(arm);
    player->solveQuest(arm);
    EXPECT_TRUE(sent("msg 3 \"$$QuestSolved~<Arm yourself@@>~$$\""));
    // A quest the client completed is named without its "(completed)": the
    // line says it was solved.
    const int belt = add(QuestType::TutorialUseSlot);
    ASSERT_NE(player->acceptQuest(belt), nullptr);
    player->completeQuest(belt);
    ASSERT_TRUE(server.game->getQuest(belt)->isComplete());
    clearLines();
    player->solveQuest(belt);
    EXPECT_TRUE(sent("msg 3 \"$$QuestSolved~<Stock your hot bar@@>~$$\""));

    // A title with values of its own reads whole, with no key left in it.
    const int kill = add(QuestType::KillMonsters);
    const std::string title =
        Localization::get().translateCopy(server.game->getQuest(kill)->getTitle(false, -1));
    ASSERT_EQ(title.find('$'), std::string::npos) << title;
    clearLines();
    ASSERT_NE(player->acceptQuest(kill), nullptr);
    player->skipQuest(kill);
    bool named = false;
    for (const std::string& line : recent()) {
        const std::string shown = Localization::get().translateCopy(line);
        EXPECT_EQ(shown.find('$'), std::string::npos) << shown;
        named = named || shown.find("Quest accepted: " + title) != std::string::npos;
    }
    EXPECT_TRUE(named) << title;
}

TEST_F(QuestsInPlay, AcceptingCopiesOnceAndCompletingIsForTheClientsOwnType)
{
    const int kill = add(QuestType::KillMonsters);
    const int slot = add(QuestType::TutorialUseSlot);
    clearLines();
    Quest* copy = player->acceptQuest(kill);
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->isPlayerCopy());
    EXPECT_EQ(copy->id, kill);
    EXPECT_TRUE(anyLineWith("QuestAccepted"));
    clearLines();
    EXPECT_EQ(player->acceptQuest(kill), nullptr);
    EXPECT_TRUE(recent().empty());
    EXPECT_EQ(player->countQuests(), 1);

    ASSERT_NE(player->acceptQuest(slot), nullptr);
    player->completeQuest(kill);
    EXPECT_FALSE(player->isQuestComplete(kill));
    EXPECT_FALSE(server.game->getQuest(kill)->isComplete());
    player->completeQuest(slot);
    EXPECT_TRUE(player->isQuestComplete(slot));
    EXPECT_TRUE(server.game->getQuest(slot)->isComplete());
}

TEST_F(QuestsInPlay, SkippingTheTutorialDropsOnlyTheTutorsQuests)
{
    const int tutor = add(QuestType::TutorialUseSlot);
    const int kill = add(QuestType::KillMonsters);
    ASSERT_NE(player->acceptQuest(tutor), nullptr);
    ASSERT_NE(player->acceptQuest(kill), nullptr);
    clearLines();
    player->finishTutorial(true);
    EXPECT_TRUE(sent("msg 2 \"Tutorial skipped\""));
    EXPECT_FALSE(player->hasQuest(tutor));
    EXPECT_TRUE(player->hasQuest(kill));
    EXPECT_EQ(server.game->getQuest(tutor), nullptr);
    EXPECT_NE(server.game->getQuest(kill), nullptr);
    EXPECT_TRUE(player->getFlags65()[0]);
}

// The house tour ticks each object by its use; a stone and a stash are used
// as they are (no actors), and each use ticks its own line only.
TEST_F(QuestsInPlay, TheHouseTourTicksEachObjectTheMomentItIsUsed)
{
    PlayerCovenant* house = joinNewCovenant();
    Quest* tour = player->acceptQuest(add(QuestType::TutorialInvestigateHouse));
    ASSERT_NE(tour, nullptr);
    ASSERT_EQ(tour->targets.size(), 6u);
    struct Row {
        const char* entry;
        int action;
        size_t line;
    };
    for (const Row& row :
         {Row{"ObjectLifestone", Player::ActionUseHold, 1}, Row{"ObjectGate", 14, 0},
          Row{"ObjectPedestal", 16, 2}, Row{"ObjectPlayerStash", Player::ActionLootStash, 3},
          Row{"ObjectBookshelf", 11, 4}, Row{"ObjectCovenantStash", Player::ActionLootStash, 5}}) {
        SCOPED_TRACE(row.entry);
        Entity* object = nullptr;
        for (int i = 0; i < Game::kMaxEntities && !object; ++i) {
            Entity* e = server.game->getEntity(i);
            if (e && e->getCovenantIndex() == house->index && e->getEntryName() == row.entry)
                object = e;
        }
        ASSERT_NE(object, nullptr);
        const int before = tour->targets[row.line].count;
        player->setAction(row.action, static_cast<uint32_t>(object->getEntityNumber()));
        tour->think(player, 0.05f);
        EXPECT_EQ(before, 0);
        EXPECT_EQ(tour->targets[row.line].count, 1);
        player->setAction(0, 0xFFFFFFFFu);
    }
    EXPECT_TRUE(tour->isComplete());
}

// Solving a Recruit quest: a full covenant refuses it before any reward; a
// recruit then follows the player while the party has room, else goes home.
TEST_F(QuestsInPlay, SolvingARecruitQuestRecruitsIntoThePartyOrHomeOrNotAtAll)
{
    PlayerCovenant* house = joinNewCovenant();
    GameRules& rules = GameData::get().mutableRules();
    const int maxRecruits = rules.maxRecruits;
    Game::Settings& settings = server.game->mutableSettings();
    const int partySize = settings.maxAdventureGroupSize;
    settings.maxAdventureGroupSize = 2; // the player and one follower

    auto offer = [&](float dx) {
        auto quest = rolled(QuestType::Recruit);
        Actor* npc = monsterAt(besidePlayer(dx), 5);
        quest->questNpc = npc;
        const int number = server.game->addQuest(std::move(quest));
        EXPECT_NE(player->acceptQuest(number), nullptr);
        player->getQuest(player->findQuestSlot(number))->setCompleted();
        return std::make_pair(number, npc);
    };
    auto played = [&](size_t from) {
        const auto& sounds = server.game->getSoundEvents();
        for (size_t i = from; i < sounds.size(); ++i)
            if (sounds[i].nameIndex >= 0 &&
                Server::get().getResourceNames()[static_cast<size_t>(sounds[i].nameIndex)] ==
                    "Sounds/newRecruit.ogg")
                return true;
        return false;
    };

    // The covenant full: refused, no reward, the quest stays.
    rules.maxRecruits = 0;
    house->resizeRecruitSlots(0);
    auto [first, firstNpc] = offer(60.0f);
    const int money = player->getStat(toIndex(CharacterStat::Money));
    const int xp = player->getStat(toIndex(CharacterStat::Xp));
    clearLines();
    player->solveQuest(first);
    EXPECT_TRUE(sent("msg 4 \"Already have max covenant recruits\""));
    EXPECT_FALSE(anyLineWith("QuestSolved"));
    EXPECT_NE(server.game->getQuest(first), nullptr);
    EXPECT_NE(player->findQuestSlot(first), -1);
    EXPECT_EQ(player->getStat(toIndex(CharacterStat::Money)), money);
    EXPECT_EQ(player->getStat(toIndex(CharacterStat::Xp)), xp);
    EXPECT_EQ(player->getStatistics()[Player::QuestsSolved], 0);

    // Room in the party: the recruit follows and the sound plays.
    rules.maxRecruits = std::max(maxRecruits, 2);
    house->resizeRecruitSlots(rules.maxRecruits);
    clearLines();
    size_t sounds = server.game->getSoundEvents().size();
    player->solveQuest(first);
    EXPECT_TRUE(anyLineWith("QuestSolvedRecruit"));
    EXPECT_EQ(server.game->getQuest(first), nullptr);
    EXPECT_EQ(player->getStatistics()[Player::QuestsSolved], 1);
    EXPECT_NE(house->findRecruitByActor(firstNpc), nullptr);
    EXPECT_EQ(firstNpc->getLeader(), player);
    EXPECT_TRUE(played(sounds));

    // The party full: the next recruit joins the covenant and goes home.
    auto [second, secondNpc] = offer(-60.0f);
    const ZonePosition stood = secondNpc->getPosition();
    auto toHouse = [&](const ZonePosition& p) {
        return std::hypot(p.x - house->housePosition.x, p.y - house->housePosition.y);
    };
    sounds = server.game->getSoundEvents().size();
    player->solveQuest(second);
    EXPECT_EQ(server.game->getQuest(second), nullptr);
    EXPECT_NE(house->findRecruitByActor(secondNpc), nullptr);
    EXPECT_EQ(secondNpc->getLeader(), nullptr);
    EXPECT_EQ(player->getFollowers().size(), 1u);
    EXPECT_LT(toHouse(secondNpc->getPosition()), toHouse(stood)) << "sent to the house";
    EXPECT_TRUE(played(sounds));
    EXPECT_EQ(player->getStatistics()[Player::QuestsSolved], 2);

    rules.maxRecruits = maxRecruits;
    settings.maxAdventureGroupSize = partySize;
}

// A Recruit quest's person taken in through its own recruit window before the
// quest is handed in: the hand-in rewards the quest and keeps the person in
// its one place, even with no place left.
TEST_F(QuestsInPlay, HandingInARecruitQuestWhosePersonJoinedAlreadyKeepsOnePlace)
{
    PlayerCovenant* house = joinNewCovenant();
    house->resizeRecruitSlots(1);

    auto quest = rolled(QuestType::Recruit);
    Actor* npc = monsterAt(besidePlayer(60.0f), 5);
    quest->questNpc = npc;
    const int number = server.game->addQuest(std::move(quest));
    ASSERT_NE(player->acceptQuest(number), nullptr);
    player->getQuest(player->findQuestSlot(number))->setCompleted();

    player->recruitToCovenant(npc, false);
    ASSERT_NE(house->findRecruitByActor(npc), nullptr);
    ASSERT_EQ(house->getRecruitCount(), 1);
    player->recruitToCovenant(npc, false);
    EXPECT_EQ(house->getRecruitCount(), 1) << "a member is not taken in again";

    const int xp = player->getStat(toIndex(CharacterStat::Xp));
    player->solveQuest(number);
    EXPECT_EQ(server.game->getQuest(number), nullptr) << "the quest is handed in";
    EXPECT_GT(player->getStat(toIndex(CharacterStat::Xp)), xp);
    EXPECT_EQ(house->getRecruitCount(), 1);
    EXPECT_EQ(npc->getCovenant(), house);
}

} // namespace

// What the town says and hears: NPC chat with its event lines, deaths and
// fallen covenants told, respawns queued, rumours between covenants, and town
// people who stand still to be talked to, on the headless program with data/.
#include "engine/core/ByteBuffer.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/Localization.h"
#include "game/covenants/ActorCovenant.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Chest.h"
#include "game/quests/NpcChat.h"
#include "game/quests/Quest.h"
#include "game/world/Level.h"
#include "game/world/NpcDisplayName.h"
#include "game/world/World.h"
#include "support/PlayerWorld.h"
#include "support/RandomScript.h"
#include "support/TestCovenant.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

constexpr int kLevel = toIndex(CharacterStat::Level);
constexpr int kMoney = toIndex(CovenantStat::Money);
constexpr int kStash = toIndex(InventoryGroupIndex::Stash);

class TownChat : public PlayerWorld {
protected:
    void SetUp() override
    {
        PlayerWorld::SetUp();
        server.game->createTownNpcs();
        player->setName("Aldric");
        player->setStat(kLevel, 5);
    }
    Actor* townNpc(NpcType type) const { return server.game->getTownNpc(toIndex(type)); }
    void talkTo(Actor* npc) { player->setAction(24, static_cast<uint32_t>(npc->getEntityNumber())); }
    std::string getNpcChat()
    {
        const size_t before = lines().size();
        Server::get().runClientCommands({"getNpcChat"}, player);
        return lines().size() > before ? lines().back() : std::string();
    }
    bool saw(size_t from, const std::string& line) const
    {
        return std::find(lines().begin() + static_cast<long>(from), lines().end(), line) != lines().end();
    }
    Actor* monster(const char* type, float dx)
    {
        Actor* a =
            server.spawns->spawnMonster(GameData::get().findMonsterType(type), 0, MonsterRarity::Normal, 5);
        return a ? add(a, besidePlayer(dx)) : nullptr;
    }
};

TEST_F(TownChat, AnNpcIntroducesItselfOnceThenSpeaksItsLinesAndEventLines)
{
    Actor* warmaster = townNpc(NpcType::Warmaster);
    ASSERT_NE(warmaster, nullptr);
    talkTo(warmaster);
    EXPECT_EQ(getNpcChat(), "npcChat \"$$NpcIntroWarmaster~<Aldric@@>~$$\"");
    const std::string second = getNpcChat();
    EXPECT_EQ(second.rfind("npcChat \"$$ChatWarmasterLow", 0), 0u) << second;

    // Event lines: never at chance 0; at 1 the one with most time left, once.
    const int type = toIndex(NpcType::Warmaster);
    server.game->addDynamicChat(type, "$$Older$$", 100.0f);
    server.game->addDynamicChat(type, "$$Newer$$", 200.0f);
    server.game->mutableSettings().dynamicChatChance = 0.0f;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(getNpcChat().find("$$Newer$$"), std::string::npos);
    }
    server.game->mutableSettings().dynamicChatChance = 1.0f;
    EXPECT_EQ(getNpcChat(), "npcChat \"$$Newer$$\"");
    EXPECT_EQ(getNpcChat(), "npcChat \"$$Older$$\"");
    EXPECT_FALSE(server.game->hasDynamicChat(type));

    // A quote in the player's name becomes an apostrophe.
    player->setName("Al\"dric");
    Server::get().runClientCommands({"resetNpcIntro"}, player);
    EXPECT_EQ(getNpcChat(), "npcChat \"$$NpcIntroWarmaster~<Al'dric@@>~$$\"");

    // With only event entries of other kinds, after the intro: an empty line.
    MonsterArchetype* record = const_cast<MonsterArchetype*>(warmaster->getMonsterType()->archetype);
    const std::vector<std::string> kept = record->npcChats;
    record->npcChats = {"ChatEventRain"};
    server.game->mutableSettings().dynamicChatChance = 0.0f;
    EXPECT_EQ(getNpcChat(), "npcChat \"\"");
    record->npcChats = kept;
}

TEST_F(TownChat, EventLineRecordsAreReusedSavedAndRefusedWholeWhenCut)
{
    Game& game = *server.game;
    game.addDynamicChat(3, "$$A$$", 5.0f);
    game.addDynamicChat(3, "$$B$$", 50.0f);
    EXPECT_EQ(game.getDynamicChats().size(), 2u);
    game.updateDynamicChats(6.0f);
    game.addDynamicChat(4, "$$C$$", 30.0f);
    ASSERT_EQ(game.getDynamicChats().size(), 2u);
    EXPECT_EQ(game.getDynamicChats()[0].text, "$$C$$");

    game.clear();
    game.addDynamicChat(9, "ChatGuardRain", 301.5f);
    game.addDynamicChat(9, "ChatGuardRain", 301.5f);
    game.addDynamicChat(2, "Spent", 1.0f);
    game.updateDynamicChats(1.0f);
    ByteBuffer block;
    game.writeDynamicChats(block);
    ASSERT_EQ(block.size(), 4u + 2u * 22u);
    const std::vector<DynamicChatLine> before = game.getDynamicChats();
    for (size_t cut = 0; cut < block.size(); ++cut) {
        ByteBuffer part(std::vector<uint8_t>(block.data(), block.data() + cut));
        EXPECT_FALSE(game.readDynamicChats(part)) << cut;
        ASSERT_EQ(game.getDynamicChats().size(), before.size());
    }
    ByteBuffer whole(std::vector<uint8_t>(block.data(), block.data() + block.size()));
    ASSERT_TRUE(game.readDynamicChats(whole));
    ASSERT_EQ(game.getDynamicChats().size(), 2u);
    for (const DynamicChatLine& line : game.getDynamicChats()) {
        EXPECT_EQ(line.key, 9u);
        EXPECT_EQ(line.text, "ChatGuardRain");
        EXPECT_EQ(line.secondsLeft, 300.5f);
    }
}

TEST_F(TownChat, AKidnappedNpcKilledByItsKidnapperIsNotAnnouncedButItsFellowsReact)
{
    NpcChat* reaction = GameData::get().findNpcChat("ChatEventNpcKilledByNormalMonster");
    ASSERT_NE(reaction, nullptr);
    const float keptChance = reaction->dynamicChance;
    reaction->dynamicChance = 1.0f;
    Actor* steward = townNpc(NpcType::Steward);
    Actor* kidnapper = monster("GoblinScout", 120.0f);
    ASSERT_TRUE(steward && kidnapper);
    // As a kidnapping leaves its NPC: a quest actor, marked kidnapped.
    steward->setQuestActor(true);
    steward->setFlags(steward->getFlags() | EntityBase::kFlagKidnapped);
    const int stewardType = toIndex(NpcType::Steward);
    while (server.game->hasDynamicChat(stewardType)) {
        server.game->takeDynamicChat(stewardType);
    }
    const size_t from = lines().size();
    steward->takeDamage(steward->getHealth() + 5, kidnapper);
    server.game->update(0.05f);
    reaction->dynamicChance = keptChance;
    ASSERT_TRUE(steward->isDead());
    for (size_t i = from; i < lines().size(); ++i) {
        EXPECT_EQ(lines()[i].find("has died!"), std::string::npos) << lines()[i];
        EXPECT_EQ(lines()[i].find("was killed by"), std::string::npos) << lines()[i];
    }
    EXPECT_TRUE(server.game->hasDynamicChat(stewardType));
}

TEST_F(TownChat, DeathsAreToldAndTheNpcsOfTheVictimsTypeReact)
{
    NpcChat* reaction = GameData::get().findNpcChat("ChatEventNpcKilledByNormalMonster");
    ASSERT_NE(reaction, nullptr);
    const float keptChance = reaction->dynamicChance;
    reaction->dynamicChance = 1.0f;
    Actor* steward = townNpc(NpcType::Steward);
    Actor* apothecary = townNpc(NpcType::Apothecary);
    Actor* scout = monster("GoblinScout", 120.0f);
    ASSERT_TRUE(steward && apothecary && scout);
    const int stewardType = toIndex(NpcType::Steward);
    struct Row {
        Actor* victim;
        Actor* killer;
        std::string line;
        bool reacts;
    };
    // A wandering recruit is an NPC of no town slot and no shop.
    Actor* wanderer = monster("RecruitWarrior", 200.0f);
    ASSERT_NE(wanderer, nullptr);
    // Any killing actor makes the victim's type react; no townsfolk are of
    // a wandering recruit's type, so its reaction finds nobody to store.
    const Row rows[] = {
        {steward, scout, getNpcDisplayName(steward) + " was killed by a Goblin Scout!", true},
        {steward, apothecary, getNpcDisplayName(steward) + " has died!", true},
        {wanderer, scout, getNpcDisplayName(wanderer) + " (wandering recruit) has died!", false},
    };
    for (const Row& row : rows) {
        for (int t = 0; t < kNpcTypeCount; ++t) {
            while (server.game->hasDynamicChat(t)) {
                server.game->takeDynamicChat(t);
            }
        }
        const size_t from = lines().size();
        server.game->announceDeath(row.victim, row.killer, false);
        EXPECT_TRUE(saw(from, "msg 3 \"" + row.line + "\"")) << row.line;
        // The killer's type reaches the lines of the victim's type only.
        const int victimType = row.victim->getNpcType();
        EXPECT_EQ(server.game->hasDynamicChat(victimType), row.reacts) << row.line;
        if (victimType != stewardType) {
            EXPECT_FALSE(server.game->hasDynamicChat(stewardType));
        }
    }
    reaction->dynamicChance = keptChance;

    // A monster killed in the town is not queued again; one in a wild level is.
    Actor* townMonster = monster("GoblinScout", 60.0f);
    townMonster->respawn = true;
    townMonster->spawnPosition = townMonster->getPosition();
    server.game->scheduleMonsterRespawn(townMonster, player);
    Actor* wild = monster("GoblinScout", 90.0f);
    wild->respawn = true;
    wild->spawnPosition = ZonePosition{1, 500.0f, 500.0f};
    server.game->scheduleMonsterRespawn(wild, player);
    wild->noRespawn = true;
    server.game->scheduleMonsterRespawn(wild, player);
    EXPECT_EQ(server.game->countRespawns(0), 0);
    EXPECT_EQ(server.game->countRespawns(1), 1);
}

TEST_F(TownChat, AFallenCovenantLeavesItsChestToThePlayersCovenantOnly)
{
    Game& game = *server.game;
    TestCovenant& ours = addTestCovenant(game, "Human");
    player->setCovenantIndex(ours.index);
    ours.leader = player;
    GameRules& rules = GameData::get().mutableRules();
    const int keptBonus = rules.rewardChestLevelBonus;
    struct Row {
        const char* name;
        int leaderLevel;
        int bonus;
        bool byUs;
        int chestLevel; // 0: none
    };
    const Row rows[] = {
        {"Ironmark", 7, 1, true, 8},
        {"Thorns", 7, 1, true, 8},
        {"Ashfold", 1, -1, true, 0},
        {"Ironmark", 7, 1, false, 0},
    };
    NpcChat* talk = GameData::get().findNpcChat("ChatEventMonstersDestroyedCovenant");
    ASSERT_NE(talk, nullptr);
    const float keptChance = talk->dynamicChance;
    talk->dynamicChance = 1.0f;
    for (const Row& row : rows) {
        TestCovenant& fallen = addTestCovenant(game, "Human");
        fallen.name = row.name;
        fallen.housePosition = besidePlayer(300.0f);
        Actor* leader = monster("GoblinScout", 400.0f);
        leader->setStat(kLevel, row.leaderLevel);
        fallen.leader = leader;
        rules.rewardChestLevelBonus = row.bonus;
        while (game.hasDynamicChat(toIndex(NpcType::Warmaster))) {
            game.takeDynamicChat(toIndex(NpcType::Warmaster));
        }
        const int entities = game.getEntityCount();
        const size_t from = lines().size();
        game.onCovenantEnded(&fallen, row.byUs ? static_cast<Covenant*>(&ours) : nullptr);
        const std::string coloured = game.getCovenantColoredName(fallen.index);
        const std::string suffix = coloured.back() == 's' ? "'" : "'s";
        const std::string told = "msg 3 \"Reward chest (lvl " + std::to_string(row.chestLevel) +
                                 ") now available in " + coloured + suffix + " house!\"";
        EXPECT_EQ(saw(from, told), row.chestLevel > 0) << row.name;
        // Fallen to monsters: the town talks of it (every NPC is offered the line).
        if (!row.byUs) {
            EXPECT_TRUE(game.hasDynamicChat(toIndex(NpcType::Warmaster)));
        }
        EXPECT_EQ(game.getEntityCount(), entities + (row.chestLevel > 0 ? 1 : 0)) << row.name;
        if (row.chestLevel > 0) {
            const Chest* chest = nullptr;
            for (Entity* e : game.collectEntitiesOnLevel(fallen.housePosition.zone)) {
                chest = dynamic_cast<const Chest*>(e) ? dynamic_cast<const Chest*>(e) : chest;
            }
            ASSERT_NE(chest, nullptr);
            EXPECT_EQ(chest->getEntry()->getName(), "ChestRewardSmall");
            EXPECT_EQ(chest->getStat(10), row.chestLevel);
        }
    }

    // Fallen to a computer-run covenant: it takes the chest's contents and
    // no chest stays behind.
    auto made = std::make_unique<ActorCovenant>();
    ActorCovenant& taker = *made;
    taker.setDefinitionByName("Ironbound");
    game.addCovenant(std::move(made));
    taker.initNew(besidePlayer(-600.0f), 5, 1);
    ASSERT_NE(taker.getLeader(), nullptr);
    TestCovenant& fallen = addTestCovenant(game, "Human");
    fallen.housePosition = besidePlayer(300.0f);
    Actor* leader = monster("GoblinScout", 400.0f);
    leader->setStat(kLevel, 7);
    fallen.leader = leader;
    rules.rewardChestLevelBonus = 1;
    // What it holds: gold, what its people carry, its stash and its house.
    auto holding = [&taker] {
        taker.countItems();
        return std::array<int, 4>{taker.getLeaderGold(), taker.stats.get(toIndex(CovenantStat::Items)),
                                  taker.inventory->countItemsInGroup(kStash),
                                  taker.covenantItemsWorth(false)};
    };
    const std::array<int, 4> before = holding();
    const int entities = game.getEntityCount();
    const size_t from = lines().size();
    game.onCovenantEnded(&fallen, &taker);
    EXPECT_TRUE(
        std::none_of(lines().begin() + static_cast<long>(from), lines().end(),
                     [](const std::string& l) { return l.find("Reward chest") != std::string::npos; }));
    EXPECT_EQ(game.getEntityCount(), entities);
    const std::array<int, 4> after = holding();
    bool gained = false;
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_GE(after[i], before[i]) << i;
        gained = gained || after[i] > before[i];
    }
    EXPECT_TRUE(gained) << "the chest's items were sold or kept";
    rules.rewardChestLevelBonus = keptBonus;
    talk->dynamicChance = keptChance;
}

TEST_F(TownChat, ARespawnWaitsForAQuestThereAndNoPlayerNear)
{
    Game& game = *server.game;
    const GameRules& rules = worldRules();
    const ZonePosition spot{1, 500.0f, 500.0f};
    Actor* wild = monster("GoblinScout", 90.0f);
    wild->respawn = true;
    wild->spawnPosition = spot;
    game.scheduleMonsterRespawn(wild, player);
    ASSERT_EQ(game.countRespawns(1), 1);
    const size_t onLevel = game.collectEntitiesOnLevel(1).size();
    server.spawns->setPlaceInUnbuiltLevels(true);

    // Not yet due; then due without a quest there: queued again.
    game.runRespawnQueues(rules.monsterRespawnTime - 1.0f);
    game.runRespawnQueues(1.0f);
    EXPECT_EQ(game.countRespawns(1), 1);
    EXPECT_EQ(game.collectEntitiesOnLevel(1).size(), onLevel);

    // A quest there, but the player stands beside the spot: again.
    auto quest = std::make_unique<Quest>();
    ASSERT_TRUE(quest->setup(5, game.getClock(), 4711u, toIndex(QuestType::KillMonsters), 0));
    quest->rollChoices(false);
    quest->randomizeParameters();
    quest->targetLevel = 1;
    game.addQuest(std::move(quest));
    ASSERT_TRUE(game.isLevelQuestTarget(1));
    player->setPosition(ZonePosition{1, 600.0f, 500.0f});
    game.runRespawnQueues(rules.respawnDelay);
    EXPECT_EQ(game.countRespawns(1), 1);
    EXPECT_EQ(game.collectEntitiesOnLevel(1).size(), onLevel + 1) << "only the player came";

    // The player far off: a monster of the level stands there and the
    // record is gone.
    player->setPosition(ZonePosition{1, 500.0f, 500.0f + rules.respawnDistance + 100.0f});
    game.runRespawnQueues(rules.respawnDelay);
    EXPECT_EQ(game.countRespawns(1), 0);
    EXPECT_EQ(game.collectEntitiesOnLevel(1).size(), onLevel + 2);
    server.spawns->setPlaceInUnbuiltLevels(false);
}

TEST_F(TownChat, ARumourCostsItsPriceAndMovesInfluenceOrBackfires)
{
    Game& game = *server.game;
    TestCovenant& ours = addTestCovenant(game, "Human");
    player->setCovenantIndex(ours.index);
    ours.leader = player;
    TestCovenant& rival = addTestCovenant(game, "Human");
    TestCovenant& third = addTestCovenant(game, "Human");
    rival.level = 7;
    ours.influence.world = 100;
    rival.influence.world = 300;
    third.influence.world = 200;

    // Only levels 0 … 2 are rumours, and only about another covenant.
    ours.stats.set(kMoney, 1000);
    for (const std::string& line : {std::string("startRumor 1 3"), std::string("startRumor 1 -1"),
                                    "startRumor " + std::to_string(ours.index) + " 1"}) {
        Server::get().runClientCommands({line}, player);
        EXPECT_EQ(ours.stats.get(kMoney), 1000) << line;
    }

    // Level 1 against a level-7 covenant: ceil(12.5 x 7) = 88 crystals. A
    // success with a fraction of 0.1 takes ceil(200 x 0.1) = 20.
    GameRules& rules = GameData::get().mutableRules();
    const GameRules keptRules = rules;
    rules.rumorChance = {0.6f, 0.45f, 0.3f};
    rules.rumorMinPercentChange = 0.05f;
    rules.rumorMaxPercentChange = 0.15f;
    ASSERT_TRUE(scriptDraws({drawBelow(0.45f), drawBetween(0.49f, 0.5f)}));
    size_t from = lines().size();
    Server::get().runClientCommands({"startRumor " + std::to_string(rival.index) + " 1"}, player);
    EXPECT_EQ(ours.stats.get(kMoney), 1000 - 88);
    EXPECT_EQ(rival.influence.transferred, -20);
    EXPECT_TRUE(
        saw(from, "msg 2 \"" +
                      wrapText("RumorSuccess", "%s %s %s", game.getCovenantColoredName(rival.index).c_str(),
                               "20", game.getCovenantColoredName(ours.index).c_str()) +
                      "\""));
    EXPECT_TRUE(rival.rumorsFrom.empty());

    // Against a covenant without influence nothing moves, and the line
    // tells of no loss.
    TestCovenant& empty = addTestCovenant(game, "Human");
    ASSERT_TRUE(scriptDraws({drawBelow(0.45f), nullptr}));
    from = lines().size();
    game.resolveRumor(1, &ours, &empty);
    EXPECT_EQ(empty.influence.transferred, 0);
    EXPECT_TRUE(saw(from, "msg 2 \"" +
                              wrapText("RumorSuccessNoInfluence", "%s %s %s",
                                       game.getCovenantColoredName(empty.index).c_str(), "0",
                                       game.getCovenantColoredName(ours.index).c_str()) +
                              "\""));

    // A complete backfire: the rival gains and learns who spread it.
    rules.rumorFailureChance = {0.0f, 0.0f, 0.0f, 1.0f};
    const int before = rival.influence.transferred;
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.45f), nullptr, nullptr}));
    game.resolveRumor(1, &ours, &rival);
    EXPECT_GT(rival.influence.transferred, before);
    ASSERT_EQ(rival.rumorsFrom.size(), 1u);
    EXPECT_EQ(rival.rumorsFrom[0], &ours);

    // One that cannot be paid does nothing at all.
    ours.stats.set(kMoney, 10);
    from = lines().size();
    game.resolveRumor(2, &ours, &rival);
    EXPECT_EQ(ours.stats.get(kMoney), 10);
    EXPECT_EQ(lines().size(), from);
    rules.rumorFailureChance = keptRules.rumorFailureChance;
}

TEST_F(TownChat, EachLevelGetsOneBonusChestByItsDepthUntilItIsOpened)
{
    Game& game = *server.game;
    World& world = *server.world;
    // Depths 3 and 5 as shipped: rows 4 and 6 take the good and the great
    // chest, a near row the plain one.
    const GameRules& rules = worldRules();
    ASSERT_EQ(rules.bonusChestGoodDepth, 3);
    ASSERT_EQ(rules.bonusChestGreatDepth, 5);
    struct Row {
        int depth;
        const char* chest;
        int level = -1;
    };
    Row rows[] = {{1, "ChestWooden"}, {4, "ChestRewardMedium"}, {6, "ChestRewardLarge"}};
    for (int i = 1; i < world.getLevelCount(); ++i) {
        const Level* level = world.getLevel(i);
        for (Row& row : rows) {
            if (row.level < 0 && level->definition && !level->subLevel && level->gridRow == row.depth) {
                row.level = i;
            }
        }
    }
    auto chestOn = [&](int level) {
        const Chest* found = nullptr;
        int count = 0;
        for (Entity* e : game.collectEntitiesOnLevel(level)) {
            if (const auto* chest = dynamic_cast<const Chest*>(e); chest && chest->isBonusChest()) {
                found = chest;
                ++count;
            }
        }
        return count == 1 ? found : nullptr;
    };
    server.spawns->setPlaceInUnbuiltLevels(true);
    for (const Row& row : rows) {
        ASSERT_GE(row.level, 0) << "no level at depth " << row.depth;
        game.placeBonusChest(row.level);
        game.placeBonusChest(row.level);
        const Chest* chest = chestOn(row.level);
        ASSERT_NE(chest, nullptr) << "one chest, however often the level comes up";
        EXPECT_EQ(chest->getEntry()->getName(), row.chest);
    }
    game.placeBonusChest(0);
    const std::vector<Entity*> town = game.collectEntitiesOnLevel(0);
    EXPECT_TRUE(std::none_of(town.begin(), town.end(), [](Entity* e) { return dynamic_cast<Chest*>(e); }))
        << "the town has none";

    // Opened: its level is marked in the saved flags, and a loaded world
    // places the unopened levels' chests again but not that one.
    auto* opened = const_cast<Chest*>(chestOn(rows[1].level));
    opened->use(player);
    ASSERT_TRUE(game.getLevelFlags(0)[static_cast<size_t>(rows[1].level)]);
    TestCovenant& ours = addTestCovenant(game, "Human");
    player->setCovenantIndex(ours.index);
    game.setWorldGenerated(true);
    ByteBuffer saved;
    ASSERT_TRUE(game.saveWorld(saved));
    // The world's things are not kept in the save.
    for (const Row& row : rows) {
        if (const Chest* chest = chestOn(row.level)) {
            game.deleteEntity(const_cast<Chest*>(chest), true);
        }
    }
    ByteBuffer in(saved.bytes());
    std::string what;
    size_t offset = 0;
    ASSERT_TRUE(game.loadWorld(in, what, offset)) << what << " at " << offset;
    for (const Row& row : rows) {
        game.placeBonusChest(row.level);
        EXPECT_EQ(chestOn(row.level) != nullptr, row.level != rows[1].level) << row.chest;
    }
    server.spawns->setPlaceInUnbuiltLevels(false);
}

} // namespace

TEST_F(TownChat, TownPeopleMostlyStandStillWithThePlayerBesideThem)
{
    // Three game minutes, the player beside each town person in turn for an
    // equal share; a person moves in a step when its place changes.
    std::vector<Actor*> people;
    for (int slot = 0; slot < server.game->getTownNpcCount(); ++slot)
        if (Actor* npc = server.game->getTownNpcAt(slot))
            people.push_back(npc);
    ASSERT_GE(people.size(), 5u);
    constexpr float kStep = 0.05f;
    constexpr int kSteps = static_cast<int>(180.0f / kStep);
    const int share = kSteps / static_cast<int>(people.size());
    std::vector<ZonePosition> last;
    for (const Actor* npc : people)
        last.push_back(npc->getPosition());
    std::vector<int> moving(people.size(), 0);
    for (int i = 0; i < kSteps; ++i) {
        const Actor* beside = people[std::min(static_cast<size_t>(i / share), people.size() - 1)];
        ZonePosition at = beside->getPosition();
        at.x += 48.0f;
        player->setPosition(at);
        server.game->update(kStep);
        for (size_t n = 0; n < people.size(); ++n) {
            const ZonePosition now = people[n]->getPosition();
            moving[n] += ZonePosition::distanceTo(now, last[n]) > 0.5f ? 1 : 0;
            last[n] = now;
        }
    }
    for (size_t n = 0; n < people.size(); ++n) {
        const double movingShare = static_cast<double>(moving[n]) / kSteps;
        EXPECT_LE(movingShare, 0.10) << people[n]->getName();
        std::printf("%-24s moved %4.1f %% of the time\n", people[n]->getName().c_str(), movingShare * 100.0);
    }
}

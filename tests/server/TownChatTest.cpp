// What the town says and hears: NPC chat with its event lines, deaths and
// fallen covenants told, respawns queued, and rumours between covenants, on
// the headless program with data/.
#include "engine/core/ByteBuffer.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/Localization.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/entities/Chest.h"
#include "game/quests/NpcChat.h"
#include "game/world/NpcDisplayName.h"
#include "support/PlayerWorld.h"
#include "support/RandomScript.h"
#include "support/TestCovenant.h"

namespace {

constexpr int kLevel = toIndex(CharacterStat::Level);
constexpr int kMoney = toIndex(CovenantStat::Money);

class TownChat : public PlayerWorld {
protected:
    void SetUp() override
    {
        PlayerWorld::SetUp();
        server.game->createTownNpcs();
        player->setName("Aldric");
        player->setStat(kLevel, 5);
    }
    Actor* townNpc(NpcType type) const
    {
        const int slot = server.game->findTownNpcIndex(toIndex(type));
        return slot >= 0 ? server.game->getTownNpcAt(slot) : nullptr;
    }
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
    rules.rewardChestLevelBonus = keptBonus;
    talk->dynamicChance = keptChance;
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

    // Only levels 0 … 2 are rumours.
    ours.stats.set(kMoney, 1000);
    for (const char* line : {"startRumor 1 3", "startRumor 1 -1"}) {
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

    // Against a covenant without influence nothing moves.
    TestCovenant& empty = addTestCovenant(game, "Human");
    ASSERT_TRUE(scriptDraws({drawBelow(0.45f), nullptr}));
    from = lines().size();
    game.resolveRumor(1, &ours, &empty);
    EXPECT_EQ(empty.influence.transferred, 0);
    EXPECT_TRUE(
        saw(from, "msg 2 \"" +
                      wrapText("RumorSuccess", "%s %s %s", game.getCovenantColoredName(empty.index).c_str(),
                               "0", game.getCovenantColoredName(ours.index).c_str()) +
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

} // namespace

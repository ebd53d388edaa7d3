#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/files/FileSystem.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameData.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Gate.h"
#include "game/entities/Vendor.h"
#include "game/world/Level.h"
#include "game/world/Weather.h"
#include "game/world/WeatherFront.h"
#include "server/Server.h"
#include "support/FlatNavigation.h"
#include "support/HeadlessServer.h"
#include "support/ScriptedClient.h"
#include "support/TestCovenant.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

class NewWorldTest : public ::testing::Test {
protected:
    void SetUp() override { Random::setState(0, 4242); }

    // A generated world with its town NPCs, "Aldric" leading a covenant of
    // his own at the start position.
    Player* joinPlayer()
    {
        TestPlayerCovenant* covenant = new TestPlayerCovenant();
        covenant->setDefinitionByName("Human");
        game().addCovenant(std::unique_ptr<Covenant>(covenant));
        Player* player = addPlayerLeading(game(), *covenant, GameData::get().getStartPosition());
        player->setName("Aldric");
        return player;
    }
    Game& game() { return *server.game; }
    std::string worldFile() const { return server.user.path().string() + "/chars/Aldric.wld"; }

    HeadlessServer server;
    // The lines the program logs from here on, by level.
    struct Lines {
        std::vector<std::pair<int, std::string>> all;
        void clear() { all.clear(); }
        size_t count(int level) const
        {
            return static_cast<size_t>(std::count_if(
                all.begin(), all.end(), [level](const auto& line) { return line.first == level; }));
        }
    } log;
    int m_sink = DebugSystem::get().addSink(
        [this](int level, const std::string& text) { log.all.emplace_back(level, text); });
    void TearDown() override { DebugSystem::get().removeSink(m_sink); }
};

TEST_F(NewWorldTest, GenerationTakesTheCountRuleAndIsAFunctionOfStreamZero)
{
    const GameRules& rules = GameData::get().rules();
    const int lastDefinition = static_cast<int>(GameData::get().getCovenantDefinitions().size()) - 1;
    // Wanted within the rules: exactly that; outside: min + trunc(r * span).
    for (int wanted : {3, 0, 99}) {
        game().clear();
        Random::setState(0, 1);
        uint32_t state = Random::getState(0);
        Random::next(0); // layout seed
        Random::next(0); // secret seed
        const float r = randomFloat(0);
        Random::setState(0, state);
        const int made = game().generateWorld(0, 1, 0, wanted);
        const int expected =
            wanted == 3 ? 3
                        : rules.minAiCovenants +
                              static_cast<int>(r * (rules.maxAiCovenants - rules.minAiCovenants + 1));
        EXPECT_EQ(made, expected) << wanted;
        EXPECT_EQ(game().getAiCovenantCount(), made);
        EXPECT_EQ(game().getCovenantCount(), made);
        for (int i = 0; i < made; ++i) {
            auto* covenant = dynamic_cast<ActorCovenant*>(game().getCovenant(i));
            ASSERT_NE(covenant, nullptr);
            EXPECT_NE(covenant->definitionIndex, lastDefinition);
            EXPECT_EQ(covenant->index, i);
        }
        // A second generation changes nothing.
        EXPECT_EQ(game().generateWorld(0, 1, 0, 4), 0);
        EXPECT_EQ(game().getCovenantCount(), made);
    }
    // The same stream-0 state gives the same world.
    std::vector<std::pair<uint32_t, std::vector<int>>> runs;
    for (int run = 0; run < 2; ++run) {
        game().clear();
        Random::setState(0, 2);
        game().generateWorld(0, 1, 0, 4);
        std::vector<int> definitions;
        for (int i = 0; i < game().getCovenantCount(); ++i) {
            definitions.push_back(game().getCovenant(i)->definitionIndex);
        }
        runs.emplace_back(server.world->getWorldSeed() ^ server.world->getSecretSeed(), definitions);
    }
    EXPECT_EQ(runs[0], runs[1]);
    // More covenants than start positions: capped, with one line.
    game().clear();
    game().mutableSettings().covenantPositionCount = 2;
    log.clear();
    EXPECT_EQ(game().generateWorld(0, 1, 0, 4), 2);
    EXPECT_EQ(game().getAiCovenantCount(), 2);
    EXPECT_EQ(log.count(2), 1u);

    // Two candidates for four wanted: both, and the count stored is two.
    game().clear();
    game().mutableSettings().covenantPositionCount =
        static_cast<int>(game().settings().covenantPositions.size());
    const auto& definitions = GameData::get().getCovenantDefinitions();
    std::vector<int> kept;
    for (size_t i = 2; i + 1 < definitions.size(); ++i) {
        kept.push_back(definitions[i].definition->MinDifficultyLevel);
        definitions[i].definition->MinDifficultyLevel = 3;
    }
    EXPECT_EQ(game().generateWorld(0, 1, 0, 4), 2);
    EXPECT_EQ(game().getAiCovenantCount(), 2);
    for (size_t i = 2; i + 1 < definitions.size(); ++i) {
        definitions[i].definition->MinDifficultyLevel = kept[i - 2];
    }
}

TEST_F(NewWorldTest, GatesPairEachConnectionOnceAndTownNpcsFillTheirSlots)
{
    game().generateWorld(0, 1, 0, 2);
    game().createTownNpcs();
    std::map<int, int> kinds;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        const auto* gate = dynamic_cast<const Gate*>(game().getEntity(i));
        if (!gate) {
            continue;
        }
        ++kinds[gate->getKind()];
        if (gate->getKind() == Gate::kConnection) {
            // The areas name an existing gate entry for every connection.
            const std::set<std::string> named = {"ObjectStairsUp", "ObjectStairsDown",
                                                 "ObjectDungeonEntrance"};
            EXPECT_TRUE(named.count(gate->getEntryName())) << gate->getEntryName();
            const auto* partner = dynamic_cast<const Gate*>(gate->getLinked());
            ASSERT_NE(partner, nullptr);
            EXPECT_EQ(partner->getLinked(), gate);
        }
    }
    int connections = 0;
    for (int i = 0; i < server.world->getLevelCount(); ++i) {
        connections += server.world->getLevel(i)->getConnectionCount();
    }
    EXPECT_EQ(kinds[Gate::kConnection], connections); // two ends per pair, one pair per two points
    EXPECT_EQ(kinds[Gate::kTown], static_cast<int>(GameData::get().rules().townGatePositions.size()));

    const std::vector<std::string>& types = game().settings().npcTypes;
    ASSERT_EQ(game().getTownNpcCount(), static_cast<int>(types.size()));
    for (int slot = 0; slot < game().getTownNpcCount(); ++slot) {
        const Actor* npc = game().getTownNpcAt(slot);
        ASSERT_NE(npc, nullptr) << types[slot];
        EXPECT_EQ(npc->getNpcType(), game().getTownNpcType(slot)) << types[slot];
        EXPECT_EQ(game().getTownNpc(npc->getNpcType()), npc);
        // Those who sell keep a shop.
        const bool sells = types[slot].rfind("Vendor", 0) == 0 || types[slot] == "Gambler";
        EXPECT_EQ(dynamic_cast<const Vendor*>(npc) != nullptr, sells) << types[slot];
    }
    EXPECT_EQ(game().getTownNpc(static_cast<int>(NpcType::Tutor)), nullptr);
    EXPECT_TRUE(game().isPlayerCovenant(nullptr));
    EXPECT_FALSE(game().isPlayerCovenant(game().getCovenant(0)));

    // The random pick: one living NPC is always it; none gives null.
    for (int slot = 1; slot < game().getTownNpcCount(); ++slot) {
        game().getTownNpcAt(slot)->setHealth(0);
    }
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(game().pickRandomTownNpc(), game().getTownNpcAt(0));
    }
    game().getTownNpcAt(0)->setHealth(0);
    EXPECT_EQ(game().pickRandomTownNpc(), nullptr);

    // A type without its "Npc" monster type leaves its slot empty, one line.
    game().mutableSettings().npcTypes.push_back("Recruit");
    log.clear();
    game().createTownNpcs();
    EXPECT_EQ(game().getTownNpcAt(static_cast<int>(types.size()) - 1), nullptr);
    EXPECT_EQ(log.count(2), 1u);
    game().mutableSettings().npcTypes.pop_back();

    // One tutor for a player still learning, in no slot.
    game().createTownNpcs();
    Player* player = joinPlayer();
    ASSERT_NE(player, nullptr);
    game().updatePopulation();
    game().updatePopulation();
    ASSERT_NE(game().getTutor(), nullptr);
    EXPECT_EQ(game().getTutor()->getNpcType(), static_cast<int>(NpcType::Tutor));
    for (int slot = 0; slot < game().getTownNpcCount(); ++slot) {
        EXPECT_NE(game().getTownNpcAt(slot), game().getTutor());
    }
}

TEST_F(NewWorldTest, AGateInRockMovesToItsFreeSpotAndStaysWhenEveryRingIsBlocked)
{
    game().generateWorld(0, 1, 0, 0);
    Gate* gate = nullptr;
    for (int i = 0; i < Game::kMaxEntities && !gate; ++i) {
        gate = dynamic_cast<Gate*>(game().getEntity(i));
        gate = gate && gate->getKind() == Gate::kLevelGate ? gate : nullptr;
    }
    ASSERT_NE(gate, nullptr);
    const int level = gate->getPosition().zone;
    const ZonePosition spot = server.world->getLevel(level)->gateSpot;
    FlatNavigation field;
    field.openZone(level);
    WorldNavigation* real = game().getNavigation();
    game().setNavigation(&field);
    const ZonePosition rock(level, spot.x + 320.0f, spot.y);
    auto settleFrom = [&](const ZonePosition& at) {
        gate->setPosition(at);
        game().settleGates(level);
        return gate->getPosition();
    };
    // In rock: to its level's settled spot when that is free.
    field.blockWalking(level, field.tileOf(rock.x), field.tileOf(rock.y));
    ZonePosition now = settleFrom(rock);
    EXPECT_FLOAT_EQ(now.x, spot.x);
    EXPECT_FLOAT_EQ(now.y, spot.y);
    // The spot blocked too, and every cell of the five rings: the level is
    // not built, so the World counts them all as blocked. It stands where it was.
    field.blockWalking(level, field.tileOf(spot.x), field.tileOf(spot.y));
    for (int ring = 0; ring <= 4; ++ring) {
        EXPECT_TRUE(server.world->isCircleBlocked(ZonePosition(level, rock.x + 32.0f * ring, rock.y), 0.0f));
    }
    now = settleFrom(rock);
    EXPECT_FLOAT_EQ(now.x, rock.x);
    EXPECT_FLOAT_EQ(now.y, rock.y);
    game().setNavigation(real);
}

TEST_F(NewWorldTest, ASavedWorldLoadsBackByteForByteAndDamageIsRefusedWhole)
{
    game().generateWorld(0, 1, 0, 3);
    game().createTownNpcs();
    Player* player = joinPlayer();
    Covenant* own = player->getCovenant();
    own->influence = {11, 22, 33, 44};
    own->setRelationState(1, 4);
    own->setRelationSubState(1, 2);
    own->linkedCovenant = 1;
    game().getTownNpcAt(1)->setHealth(game().getTownNpcAt(1)->getMaxHealth() / 2);
    game().getTownNpcAt(2)->setHealth(0);
    for (int i = 0; i < 200; ++i) {
        game().update(0.05f);
    }
    WeatherFront* front = game().weather().startFront(ZonePosition(1, 500.0f, 500.0f));
    ASSERT_NE(front, nullptr);
    // Two live event lines and a spent one, which is not kept.
    game().addDynamicChat(3, "$$ChatEventRain1$$", 120.0f);
    game().addDynamicChat(2, "$$Spent$$", 0.5f);
    game().updateDynamicChats(1.0f);
    game().addDynamicChat(9, "$$ChatEventPlayerDeath1~<Aldric@@>~$$", 300.5f);
    ASSERT_TRUE(game().saveCharacter());
    const std::vector<uint8_t> first = HeadlessServer::savedBytes(worldFile());
    ASSERT_GT(first.size(), 100u);
    // GLOAM_WORLD_SAVE_SEED=<path> keeps the file as a fuzz seed.
    if (const char* seed = std::getenv("GLOAM_WORLD_SAVE_SEED")) {
        writeFileBytes(seed, first);
    }
    const uint32_t layoutSeed = server.world->getWorldSeed();
    const uint32_t secretSeed = server.world->getSecretSeed();
    ByteBuffer records;
    for (int i = 0; i < game().getAiCovenantCount(); ++i) {
        static_cast<const ActorCovenant*>(game().getCovenant(i))->write(records);
    }
    // The relation count follows the 44-byte header, those records and the
    // four counters.
    const size_t relationAt = 44u + records.size() + 16u;

    // Load and join again: the same file comes out.
    setUserVar("PlayerName", "Aldric");
    std::string error;
    game().clear();
    ASSERT_TRUE(game().loadCharacter(error)) << error;
    EXPECT_EQ(server.world->getWorldSeed(), layoutSeed);
    EXPECT_NE(server.world->getSecretSeed(), secretSeed);
    EXPECT_EQ(game().getTownNpcAt(2), nullptr); // saved dead: empty
    ASSERT_EQ(game().getDynamicChats().size(), 2u);
    EXPECT_EQ(game().getDynamicChats()[0].text, "$$ChatEventRain1$$");
    EXPECT_EQ(game().getDynamicChats()[1].key, 9u);
    EXPECT_EQ(game().getDynamicChats()[1].secondsLeft, 300.5f);
    game().setWorldGenerated(true);
    Player* again = joinPlayer();
    Covenant* back = again->getCovenant();
    EXPECT_EQ(back->influence, (InfluenceCounters{11, 22, 33, 44}));
    EXPECT_EQ(back->getRelationState(1), 4);
    EXPECT_EQ(back->getRelationSubState(1), 2);
    EXPECT_EQ(back->linkedCovenant, 1);
    EXPECT_FALSE(game().getParkedRelations().pending);
    ASSERT_TRUE(game().saveCharacter());
    EXPECT_EQ(HeadlessServer::savedBytes(worldFile()), first);

    // Cuts are refused with a line naming the file and an offset; the Game
    // is left empty and the file as it was. Each load past the header builds
    // a world, so the cuts are spread over the file here; the long
    // WorldSavePrefixes run takes every length.
    for (size_t step = 0; step < 16; ++step) {
        const size_t cut = step * (first.size() - 1) / 15;
        std::vector<uint8_t> part(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(cut));
        writeFileBytes(worldFile(), part);
        log.clear();
        EXPECT_FALSE(game().loadCharacter(error)) << cut;
        EXPECT_EQ(error.rfind("chars/Aldric.wld: offset ", 0), 0u) << error;
        EXPECT_EQ(log.count(2) + log.count(3), 1u) << "one line for cut " << cut;
        EXPECT_EQ(game().getCovenantCount(), 0);
        EXPECT_EQ(game().getEntityCount(), 0);
        EXPECT_EQ(HeadlessServer::savedBytes(worldFile()), part);
    }
    // Versions outside 1 ... 40, 33 relation entries, a second count that
    // differs and a NaN wind.
    auto patched = [&](size_t at, int32_t value) {
        std::vector<uint8_t> bytes = first;
        std::memcpy(bytes.data() + at, &value, 4);
        return bytes;
    };
    const std::vector<std::vector<uint8_t>> damaged = {
        patched(0, 0), patched(0, Game::kWorldSaveVersion + 1), patched(relationAt, 33),
        patched(relationAt + 4 + 4 * static_cast<size_t>(first[relationAt]), first[relationAt] + 1)};
    for (const std::vector<uint8_t>& bytes : damaged) {
        writeFileBytes(worldFile(), bytes);
        EXPECT_FALSE(game().loadCharacter(error));
        EXPECT_NE(error.find("chars/Aldric.wld: offset "), std::string::npos);
        EXPECT_EQ(game().getCovenantCount(), 0);
    }
    // A missing file is no damage.
    std::remove(worldFile().c_str());
    EXPECT_FALSE(game().loadCharacter(error));
    EXPECT_TRUE(error.empty());
}

TEST_F(NewWorldTest, TheSaveKeepsToTheNameRuleAndAFailedWriteLeavesTheOldFile)
{
    game().generateWorld(0, 1, 0, 2);
    game().createTownNpcs();
    Player* player = joinPlayer();
    const std::filesystem::path chars = server.user.path() / "chars";
    // The directory part of a name is dropped; a name the rule refuses
    // writes nothing.
    const struct {
        const char* name;
        const char* file; // empty: nothing written
    } cases[] = {{"../Aldric", "Aldric.wld"}, {"x/../../Bryn", "Bryn.wld"}, {"Cai*", ""}, {"", ""}};
    for (const auto& c : cases) {
        std::filesystem::remove_all(chars);
        player->setName(c.name);
        EXPECT_EQ(game().saveCharacter(), *c.file != 0) << c.name;
        FileSystem::get().finishWrites();
        std::vector<std::string> written;
        if (std::filesystem::exists(chars)) {
            for (const auto& entry : std::filesystem::directory_iterator(chars)) {
                written.push_back(entry.path().filename().string());
            }
        }
        EXPECT_EQ(written, *c.file ? std::vector<std::string>{c.file} : std::vector<std::string>{}) << c.name;
        EXPECT_TRUE(std::filesystem::exists(server.user.path())); // nothing written above it
    }
    EXPECT_FALSE(std::filesystem::exists(server.user.path().parent_path() / "Aldric.wld"));

    // The temporary file cannot be made: the old file stays, one line names it.
    player->setName("Aldric");
    ASSERT_TRUE(game().saveCharacter());
    FileSystem::get().finishWrites();
    const std::vector<uint8_t> old = {1, 2, 3};
    writeFileBytes(worldFile(), old);
    std::filesystem::create_directories(worldFile() + ".tmp");
    log.clear();
    EXPECT_FALSE(game().saveCharacter());
    EXPECT_EQ(HeadlessServer::savedBytes(worldFile()), old);
    ASSERT_EQ(log.count(3), 1u);
    const auto line =
        std::find_if(log.all.begin(), log.all.end(), [](const auto& l) { return l.first == 3; });
    EXPECT_NE(line->second.find("chars/Aldric.wld"), std::string::npos) << line->second;
}

TEST_F(NewWorldTest, AVersionOneFileRestoresItsValuesAndGetsFreshTownNpcs)
{
    // Version 1: no difficulty, left-town or allied-victory flags, town NPCs,
    // quests, factions, weather, level flags or chat lines.
    ByteBuffer file;
    file.writeInt(int32_t(1));
    file.writeInt(int32_t(-1));
    file.writeInt(uint32_t(12345));
    file.writeGameTime(GameTime(2, 3, 4, 5.0f));
    file.writeDouble(6.5);
    file.writeInt(int32_t(0)); // computer covenants
    for (int32_t value : {1, 2, 3, 4}) {
        file.writeInt(value);
    }
    file.writeInt(int32_t(0));
    file.writeInt(int32_t(0));
    file.writeInt(int32_t(-1));
    file.writeBool(true); // world ended
    file.writeBool(false);
    ByteBuffer in(file.bytes());
    std::string what;
    size_t offset = 0;
    ASSERT_TRUE(game().loadWorld(in, what, offset)) << what << " at " << offset;
    EXPECT_EQ(server.world->getWorldSeed(), 12345u);
    EXPECT_EQ(server.world->getStartLevelIndex(), 0);
    EXPECT_EQ(game().getClock().days, 2);
    EXPECT_DOUBLE_EQ(game().getTimeOfDay(), 6.5);
    EXPECT_TRUE(game().isWorldEnded());
    EXPECT_FALSE(game().hasLeftTown());
    EXPECT_FALSE(game().isAlliedVictoryOffered());
    EXPECT_EQ(game().getParkedRelations().values, (std::array<int32_t, 4>{1, 2, 3, 4}));
    ASSERT_EQ(game().getTownNpcCount(), static_cast<int>(game().settings().npcTypes.size()));
    EXPECT_NE(game().getTownNpcAt(0), nullptr);
    EXPECT_EQ(game().weather().getActiveFronts(), 0);
}

TEST_F(NewWorldTest, AVersionFourFileReadsItsTownNpcs)
{
    // Version 4: town NPC records hold their name value only; quests (a
    // count) came with version 3; no factions, weather or later fields.
    ByteBuffer file;
    file.writeInt(int32_t(4));
    file.writeInt(int32_t(-1));
    file.writeInt(int32_t(0));
    file.writeInt(uint32_t(777));
    file.writeGameTime(GameTime(1, 2, 3, 4.0f));
    file.writeDouble(8.0);
    file.writeInt(int32_t(0));
    for (int32_t value : {0, 0, 0, 0}) {
        file.writeInt(value);
    }
    file.writeInt(int32_t(0));
    file.writeInt(int32_t(0));
    file.writeInt(int32_t(-1));
    file.writeBool(false); // world ended
    file.writeBool(false); // no tutor
    file.writeInt(int32_t(2));
    file.writeBool(true); // the first slot (Warmaster) with its name value
    file.writeInt(int32_t(12345));
    file.writeBool(false);     // the second saved dead
    file.writeInt(int32_t(0)); // quests
    ByteBuffer in(file.bytes());
    std::string what;
    size_t offset = 0;
    ASSERT_TRUE(game().loadWorld(in, what, offset)) << what << " at " << offset;
    EXPECT_TRUE(in.atEnd());
    ASSERT_NE(game().getTownNpcAt(0), nullptr);
    EXPECT_EQ(game().getTownNpcAt(0)->getNameIndex(), 12345);
    EXPECT_EQ(game().getTownNpcAt(1), nullptr);
    EXPECT_EQ(game().getTownNpcAt(2), nullptr) << "a slot the file does not hold stays empty";
}

TEST_F(NewWorldTest, ATownNpcComesBackAtItsSavedLevelAndAnOlderFileAtLevelOne)
{
    // Since version 40 a town NPC's level comes before its record, whose
    // health is a share of the levelled maximum; version 39 keeps no level.
    struct Row {
        int32_t version;
        int32_t level;
        int loadedLevel; // 0: the file is refused
    };
    int maximumAtOne = 0;
    for (const Row& row : {Row{39, 6, 1}, Row{40, 1, 1}, Row{40, 6, 6}, Row{40, 0, 0}, Row{40, 1001, 0}}) {
        ByteBuffer file;
        file.writeInt(row.version);
        file.writeInt(int32_t(-1));
        file.writeInt(int32_t(0));
        file.writeInt(uint32_t(777));
        file.writeGameTime(GameTime(1, 2, 3, 4.0f));
        file.writeDouble(8.0);
        file.writeInt(int32_t(0));
        for (int32_t value : {0, 0, 0, 0, 0, 0, -1}) {
            file.writeInt(value);
        }
        for (int flag = 0; flag < 4; ++flag) {
            file.writeBool(false); // left town, world ended, allied victory, tutor
        }
        file.writeInt(int32_t(1));
        file.writeBool(true); // the Warmaster, a quarter whole
        if (row.version >= 40) {
            file.writeInt(row.level);
        }
        file.writeInt(int32_t(12345));
        file.writeFloat(0.25f);
        file.writeInt(int32_t(0));
        for (int empty = 0; empty < 5; ++empty) {
            file.writeInt(int32_t(0)); // quests, factions, weather, level flags, chat lines
        }
        ByteBuffer in(file.bytes());
        std::string what;
        size_t offset = 0;
        const std::string label = std::to_string(row.version) + "/" + std::to_string(row.level);
        if (row.loadedLevel == 0) {
            EXPECT_FALSE(game().loadWorld(in, what, offset)) << label;
            EXPECT_EQ(what, "town NPC level") << label;
            continue;
        }
        ASSERT_TRUE(game().loadWorld(in, what, offset)) << label << ": " << what << " at " << offset;
        EXPECT_TRUE(in.atEnd()) << label;
        // A file without the upkeep round's time left starts the round
        // anew: the load pays none of its own.
        EXPECT_TRUE(game().getCountdown(Game::kUpkeepCountdown).active) << label;
        EXPECT_EQ(game().getCountdown(Game::kUpkeepCountdown).left, worldRules().upkeepInterval) << label;
        const Actor* npc = game().getTownNpcAt(0);
        ASSERT_NE(npc, nullptr) << label;
        EXPECT_EQ(npc->getStat(toIndex(CharacterStat::Level)), row.loadedLevel) << label;
        EXPECT_EQ(npc->getHealth(), (npc->getMaxHealth() + 3) / 4) << label;
        if (row.loadedLevel == 1) {
            maximumAtOne = npc->getMaxHealth();
        } else {
            EXPECT_GT(npc->getMaxHealth(), maximumAtOne) << label;
        }
    }
}

TEST_F(NewWorldTest, NewWorldMovesThePlayerAndItsCovenantAndTellsEveryClient)
{
    Server& srv = Server::get();
    ASSERT_TRUE(srv.start(false, 0, 1, 0, 2));
    ScriptedClient client(5003);
    client.sendNewJoin();
    srv.receiveMessages(16, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    Player* player = game().getFirstPlayer();
    ASSERT_NE(player, nullptr);
    auto* own = new TestPlayerCovenant();
    own->setDefinitionByName("Human");
    game().addCovenant(std::unique_ptr<Covenant>(own));
    player->setCovenantIndex(own->index);
    own->leader = player;

    log.clear();
    EXPECT_FALSE(srv.newWorld({"0", "Average", "Nightmare", "2"}));
    EXPECT_EQ(log.count(2), 1u);

    ASSERT_TRUE(srv.newWorld({"0", "Average", "Normal", "2"}));
    ScriptedClient::WorldInfo info;
    uint32_t secret = 0;
    ASSERT_TRUE(client.readNewWorld(info, secret));
    EXPECT_EQ(info.seed, server.world->getWorldSeed());
    EXPECT_EQ(secret, server.world->getSecretSeed());
    // The two new computer covenants come first; the player's follows.
    EXPECT_EQ(game().getFirstPlayer(), player);
    EXPECT_EQ(game().getAiCovenantCount(), 2);
    ASSERT_EQ(game().getCovenantCount(), 3);
    EXPECT_EQ(own->index, 2);
    EXPECT_EQ(player->getCovenant(), own);
    EXPECT_EQ(srv.getClient(0)->playerNumber, player->getEntityNumber());
    EXPECT_NE(server.world->getView(player->getEntityNumber()), nullptr);
    EXPECT_EQ(game().getTownNpcCount(), static_cast<int>(game().settings().npcTypes.size()));
    EXPECT_TRUE(game().isWorldGenerated());

    // The next state message carries the player under its new number.
    srv.update();
    ScriptedClient::State state;
    ASSERT_TRUE(client.readState(state));
    const bool carried = std::any_of(state.entities.begin(), state.entities.end(), [&](const auto& e) {
        return e.number == static_cast<uint32_t>(player->getEntityNumber());
    });
    EXPECT_TRUE(carried);
}

TEST_F(NewWorldTest, ResumingADamagedWorldLeavesTheServerInactiveAndTheFileAsItWas)
{
    setUserVar("PlayerName", "Aldric");
    std::filesystem::create_directories(server.user.path() / "chars");
    const std::vector<uint8_t> damaged = {39, 0, 0, 0, 1, 2};
    writeFileBytes(worldFile(), damaged);
    Server& srv = Server::get();
    EXPECT_FALSE(srv.start(true, 0, 1, 0, 2));
    EXPECT_EQ(srv.getStartError().rfind("chars/Aldric.wld: offset 4: ", 0), 0u) << srv.getStartError();
    EXPECT_FALSE(srv.isActive());
    EXPECT_FALSE(game().isWorldGenerated());
    EXPECT_EQ(HeadlessServer::savedBytes(worldFile()), damaged);

    // Without a file the start makes a new world.
    std::filesystem::remove(worldFile());
    EXPECT_TRUE(srv.start(true, 0, 1, 0, 2));
    EXPECT_TRUE(srv.isActive());
    EXPECT_TRUE(game().isWorldGenerated());
    EXPECT_GT(game().getTownNpcCount(), 0);
}

TEST_F(NewWorldTest, ANewGameStartsWithItsTownsfolkAndItsLifeStoneWhole)
{
    Server& srv = Server::get();
    ASSERT_TRUE(srv.start(false, 0, 1, 0, 2));
    ScriptedClient client(5003);
    client.sendNewJoin();
    srv.receiveMessages(16, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));
    srv.update();
    ASSERT_GT(game().getTownNpcCount(), 0);
    for (int slot = 0; slot < game().getTownNpcCount(); ++slot) {
        const Actor* npc = game().getTownNpcAt(slot);
        ASSERT_NE(npc, nullptr);
        EXPECT_EQ(npc->getHealth(), npc->getMaxHealth()) << game().settings().npcTypes[slot];
    }
    const Covenant* own = game().getPlayerCovenant();
    ASSERT_TRUE(own && own->getLifestone());
    EXPECT_GT(own->getLifestoneMaxHealth(), 0);
    EXPECT_EQ(own->getLifestoneHealth(), own->getLifestoneMaxHealth());
}

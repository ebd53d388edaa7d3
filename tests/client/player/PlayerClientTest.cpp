// The local player mirror: the player section applied, the join sections,
// the character file with its version gates and refusals, hotkeys and the
// client's game start.
#include "client/player/PlayerClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/mirrors/RecruitClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/ByteBuffer.h"
#include "game/entities/Player.h"
#include "support/CharacterFileWriter.h"
#include "support/ClientMessageBytes.h"
#include "support/FixedGateSource.h"
#include "support/RecordingClientUi.h"
#include "support/TestEntityMirror.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace CMB = ClientMessageBytes;

namespace {

struct SectionValues {
    int32_t number = 5;
    int32_t level = 1;
    int32_t classId = 0;
    int32_t statistic0 = 10;
    int32_t statistic1 = 4;
    std::vector<bool> hints = {false, false};
    std::vector<bool> explored = {true, false, false};
};

class PlayerClientTest : public ::testing::Test {
protected:
    PlayerClientTest()
    {
        GameClient::registerCommands();
        ui.install(client.getUi());
        client.setTextEventSink([this](const ClientTextEvent& e) { texts.push_back(e); });
    }
    ~PlayerClientTest() override { GameClient::destroy(); }

    // A player section; stat i carries 1000 + i where the section has it.
    ByteBuffer section(const SectionValues& v) const
    {
        ByteBuffer out;
        out.writeInt(v.number);
        out.writeInt(int32_t(-1));
        out.writeInt(int32_t(0));
        out.writeInt(int32_t(0));
        for (int i = 0; i < 10; ++i)
            out.writeInt(1000 + i);
        for (int s : {80, 81, 83, 85, 86, 87, 76, 70, 78})
            out.writeInt(1000 + s);
        out.writeInt(v.level);
        for (int s : {88, 89, 77, 93, 94, 95})
            out.writeInt(1000 + s);
        out.writeInt(v.classId);
        for (int s : {96, 98, 99, 100, 101, 102, 110})
            out.writeInt(1000 + s);
        out.writeZonePosition(ZonePosition(1, 10.0f, 20.0f));
        out.writeZonePosition(ZonePosition(2, 30.0f, 40.0f));
        for (int s = 10; s < 70; ++s)
            out.writeInt(1000 + s);
        out.writeInt(uint32_t(0x400));
        InventoryBase().write(out, false);
        out.writeString("Aldric");
        out.writeIntVector({7});
        out.writeInt(v.statistic0);
        out.writeInt(v.statistic1);
        for (int i = 2; i < 25; ++i)
            out.writeInt(int32_t(i));
        out.writeInt(uint32_t(0));
        for (int q = 0; q < 6; ++q)
            CMB::writeQuest(out, 1);
        for (size_t i = 0; i < 3; ++i)
            out.writeInt(uint32_t(i == 1 ? 1 : 0));
        out.writeInt(int32_t(9));
        out.writeBoolVector(v.explored);
        out.writeBoolVector(v.hints);
        return out;
    }
    TestEntityMirror& addMirror(int number, int health, int maximum)
    {
        auto mirror = std::make_unique<TestEntityMirror>();
        mirror->setMaxHealth(maximum);
        mirror->setHealth(health);
        TestEntityMirror& kept = *mirror;
        GameClient::get().setEntity(number, std::move(mirror));
        return kept;
    }
    bool apply(PlayerClient& player, const SectionValues& v)
    {
        ByteBuffer in = section(v);
        bool ok = player.readServerUpdate(in);
        EXPECT_TRUE(!ok || in.atEnd());
        return ok;
    }
    std::filesystem::path user(const std::string& name) const { return world.temp.path() / name; }

    TestWorld world{true, false};
    static inline const std::vector<GateLocation> kGates = {{7, 1}, {7, 2}, {8, 4}};
    FixedGateSource gates{kGates};
    Client client;
    RecordingClientUi ui{{"LevelUp", "TutorialFinishedHints", "YourRecruits", "LowHealth"}};
    std::vector<ClientTextEvent> texts;
};

} // namespace

TEST_F(PlayerClientTest, SectionAppliesLevelClassStatisticsHintsAndMirror)
{
    PlayerClient player;
    addMirror(5, 50, 100);
    ASSERT_TRUE(apply(player, {}));
    EXPECT_EQ(player.getServerMirror(), GameClient::get().getEntity(5));
    EXPECT_EQ(player.inventory->getClientOwner(), &player);
    EXPECT_TRUE(ui.buttons.empty()); // level 1 on the first update offers nothing
    EXPECT_EQ(player.stats.get(89), 1089);
    EXPECT_EQ(player.stats.get(69), 1069);
    EXPECT_EQ(player.stats.get(110), 1110);
    EXPECT_EQ(player.statistics.get(2), 2);
    EXPECT_EQ(player.returnPosition, ZonePosition(1, 10.0f, 20.0f));
    EXPECT_EQ(player.getGeneratedName(), "Aldric");
    EXPECT_EQ(player.partyMembers, std::vector<int32_t>{7});
    EXPECT_EQ(player.autoAttackEntity, 9);
    EXPECT_EQ(player.levelGates.getRecords()[1].activated, 1);
    EXPECT_EQ(player.covenantGates.getRecords()[1].activated, 1);
    EXPECT_EQ(ui.classChanges, std::vector<int>{0});

    SectionValues next;
    next.level = 2;
    next.statistic1 = 0;
    next.hints = {true, false};
    next.classId = 3;
    ASSERT_TRUE(apply(player, next));
    EXPECT_EQ(player.statistics.get(2), 10);
    EXPECT_EQ(ui.buttons, (std::vector<std::string>{"LevelUp", "TutorialFinishedHints"}));
    ASSERT_TRUE(apply(player, next));
    EXPECT_EQ(ui.buttons.size(), 2u);
    EXPECT_EQ(ui.classChanges, (std::vector<int>{0, 3}));
    EXPECT_EQ(client.getKnownClass(), 3);

    // The server stops naming the mirror: it goes, and with it serverMirror.
    GameClient::get().setEntity(5, nullptr);
    EXPECT_EQ(player.getServerMirror(), nullptr);

    // A section cut short changes nothing.
    ByteBuffer cut = section(next);
    std::vector<uint8_t> bytes = cut.bytes();
    bytes.resize(bytes.size() - 5);
    ByteBuffer shorter(bytes);
    player.stats.set(89, 0);
    EXPECT_FALSE(player.readServerUpdate(shorter));
    EXPECT_EQ(player.stats.get(89), 0);
}

TEST_F(PlayerClientTest, HelpTopicsSkipReadOnesAlongTheChain)
{
    PlayerClient player;
    ui.next[0] = 3;
    player.setHelpTopicRead(0); // offers the next one
    player.showHelpTopic("LevelUp");
    player.setAllHelpTopicsRead();
    player.showHelpTopic("LevelUp");
    player.showHelpTopic("NoSuchTopic");
    EXPECT_EQ(ui.buttons, (std::vector<std::string>{"LowHealth", "LowHealth"}));
}

TEST_F(PlayerClientTest, HotkeysStayWithinSixtyFourSlots)
{
    PlayerClient player;
    EXPECT_EQ(player.getHotkey(0).values[0], 1);
    ASSERT_TRUE(player.setHotkey(63, HotkeyRecord{{1, 4, 0, 2}}));
    EXPECT_EQ(player.getHotkeys().size(), 64u);
    EXPECT_EQ(player.getHotkey(10).values[0], 2);
    EXPECT_FALSE(player.setHotkey(64, HotkeyRecord{}));
    EXPECT_FALSE(player.setHotkey(-1, HotkeyRecord{}));
    EXPECT_EQ(player.getHotkeys().size(), 64u);
}

TEST_F(PlayerClientTest, NewCharacterJoinFromTheMirrors)
{
    world.vars.setVar("CovenantName", "Red Hand");
    world.vars.setVar("PlayerName", "Aldric");
    world.vars.setVar("PlayerClass", "$$ClassMage$$");
    ASSERT_TRUE(client.startGame(false));
    ByteBuffer join;
    join.writeInt(uint32_t(4));
    client.getPlayerCovenant()->writeJoinSection(join);
    client.getLocalPlayer()->writeJoinSection(join, 0, 0);
    ByteBuffer expected;
    expected.writeInt(uint32_t(4));
    expected.writeInt(uint32_t(0));
    expected.writeString("Red Hand");
    expected.writeInt(uint32_t(0));
    expected.writeString("Aldric");
    expected.writeInt(uint32_t(3));
    EXPECT_EQ(join.size(), 32u);
    EXPECT_EQ(join.bytes(), expected.bytes());
}

// A World loaded after the join (another process's server): the mirror's
// lists count its gates, as the server player's do, and keep what matched.
TEST_F(PlayerClientTest, GateListsFollowAWorldLoadedAfterTheJoin)
{
    PlayerClient player;
    player.setWorldIdentity(1, 2);
    ASSERT_EQ(player.levelGates.getRecords().size(), kGates.size());
    player.levelGates.getRecords()[1].activated = 1;
    {
        FixedGateSource loaded({{7, 1}, {7, 2}, {8, 4}, {9, 6}});
        player.rebuildGateLists();
        EXPECT_EQ(player.levelGates.getRecords().size(), 4u);
        EXPECT_EQ(player.covenantGates.getRecords().size(), 4u);
        EXPECT_EQ(player.levelGates.getActivatedCount(), 1);
        EXPECT_EQ(player.levelGates.getRecords()[1].activated, 1);
    }
    GateList::setWorldSource(&gates);
}

TEST_F(PlayerClientTest, CharacterFileRoundTripAndRefusals)
{
    PlayerCovenantClient covenant;
    PlayerClient player;
    addMirror(5, 60, 120);
    SectionValues v;
    v.level = 3;
    ASSERT_TRUE(apply(player, v));
    player.setWorldIdentity(11, 22);
    player.exploredLevels = {true, true, false};
    // A hot bar of skills and items, none of them at its own place's index.
    player.setHotkey(2, HotkeyRecord{{1, 5, 0, -1}});
    player.setHotkey(3, HotkeyRecord{{1, 1, 7, -1}});
    player.setHotkey(5, HotkeyRecord{{0, 4, 11, 65539}});
    player.setHotkey(6, HotkeyRecord{{0, 0, -1, 65540}});
    player.activeWeaponSet = 1;
    player.setHelpTopicRead(1);
    client.addTextEvent("You found a sword", 0, 0, 1, Client::kMessageLogKind, false, true);
    ASSERT_TRUE(player.save(&covenant, "Aldric"));
    std::vector<uint8_t> file = readFileBytes(user("chars/Aldric.chr"));
    ASSERT_FALSE(file.empty());

    // A save that cannot be written logs and keeps the old file.
    std::filesystem::create_directories(user("chars/Aldric.chr.tmp"));
    world.log.clear();
    EXPECT_FALSE(player.save(&covenant, "Aldric"));
    EXPECT_TRUE(world.log.contains("chars/Aldric.chr: cannot be", 3));
    EXPECT_EQ(readFileBytes(user("chars/Aldric.chr")), file);
    std::filesystem::remove_all(user("chars/Aldric.chr.tmp"));

    // Not raiding: the second position is written as none.
    ByteBuffer in(file);
    in.readUInt();
    in.readString();
    for (int i = 0; i < 4; ++i)
        in.readUInt();
    in.readZonePosition();
    EXPECT_EQ(in.readZonePosition(), ZonePosition(-1, 0.0f, 0.0f));

    client.clearMessageLog();
    texts.clear();
    PlayerCovenantClient readCovenant;
    PlayerClient read;
    ASSERT_TRUE(read.load("Aldric", &readCovenant));
    EXPECT_TRUE(read.loadedFromFile);
    EXPECT_EQ(read.getGeneratedName(), "Aldric");
    EXPECT_EQ(read.getMaxHealth(), 120);
    EXPECT_EQ(read.getHealth(), 60);
    EXPECT_EQ(read.areaValue, 11u);
    EXPECT_EQ(read.worldValue, 22u);
    EXPECT_EQ(read.stats, player.stats);
    EXPECT_EQ(read.statistics, player.statistics);
    EXPECT_EQ(read.activeWeaponSet, 1);
    ASSERT_EQ(read.getHotkeys().size(), player.getHotkeys().size());
    for (size_t i = 0; i < player.getHotkeys().size(); ++i) {
        EXPECT_TRUE(std::equal(std::begin(read.getHotkeys()[i].values), std::end(read.getHotkeys()[i].values),
                               std::begin(player.getHotkeys()[i].values)))
            << "hot-bar place " << i;
    }
    EXPECT_EQ(read.readHelpTopics, player.readHelpTopics);
    EXPECT_EQ(read.exploredLevels, player.exploredLevels);
    EXPECT_EQ(read.savedLevelGates.getRecords()[1].activated, 1);
    // Read alone (as for the character list) the log shows nothing and the
    // game's own log stays: its lines wait in the mirror.
    EXPECT_EQ(read.messageLog, std::vector<std::string>{"You found a sword"});
    EXPECT_TRUE(texts.empty());
    EXPECT_TRUE(client.getMessageLog().empty());
    // Started, the character's log replaces what was on screen, once, back
    // at the log's place where the next lines stack.
    client.setTextEventClear([this] { texts.clear(); });
    client.addTextEvent("A line of another game", 0, 0, 30, Client::kMessageLogKind, false, true);
    world.vars.setVar("playerName", "Aldric");
    ASSERT_TRUE(client.startGame(true));
    EXPECT_EQ(client.getMessageLog(), std::vector<std::string>{"You found a sword"});
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "You found a sword");
    EXPECT_EQ(texts[0].kind, Client::kMessageLogKind);
    EXPECT_EQ(texts[0].x, client.getUi().eventsText().x);
    EXPECT_EQ(texts[0].y, client.getUi().eventsText().y);
    client.endGame();

    // Written again, the file is the same byte for byte.
    addMirror(6, 60, 120);
    read.setPlayerEntityNumber(6);
    read.setWorldIdentity(11, 22);
    read.levelGates.copyActivationFrom(read.savedLevelGates);
    read.covenantGates.copyActivationFrom(read.savedCovenantGates);
    ASSERT_TRUE(read.save(&readCovenant, "Aldric"));
    EXPECT_EQ(readFileBytes(user("chars/Aldric.chr")), file);

    // Every cut of the file, and a later version, is refused with one line
    // naming the file and the byte; the file stays.
    for (size_t cutAt = 0; cutAt < file.size(); ++cutAt) {
        std::vector<uint8_t> part(file.begin(), file.begin() + static_cast<long>(cutAt));
        writeFileBytes(user("chars/Aldric.chr"), part);
        world.log.clear();
        PlayerCovenantClient c;
        PlayerClient p;
        EXPECT_FALSE(p.load("Aldric", &c)) << cutAt;
        EXPECT_EQ(world.log.count(2), 1u) << cutAt;
        EXPECT_TRUE(world.log.contains("chars/Aldric.chr: ", 2)) << cutAt;
        EXPECT_TRUE(world.log.contains(" at byte ", 2)) << cutAt;
        EXPECT_EQ(readFileBytes(user("chars/Aldric.chr")), part);
    }
    std::vector<uint8_t> later = file;
    later[0] = 41;
    writeFileBytes(user("chars/Aldric.chr"), later);
    world.log.clear();
    PlayerClient p;
    EXPECT_FALSE(p.load("Aldric", nullptr));
    EXPECT_TRUE(world.log.contains("chars/Aldric.chr: version 41 at byte 4", 2));

    // A refused character starts nothing, resumed or new, and its file stays.
    EXPECT_FALSE(client.startGame(true));
    EXPECT_FALSE(client.startGame(false));
    EXPECT_TRUE(client.wasCharacterFileRefused());
    EXPECT_FALSE(client.hasLocalPlayer());
    EXPECT_EQ(readFileBytes(user("chars/Aldric.chr")), later);

    // A new character starts with nothing on screen: a line that came after
    // the last game ended (with the main menu up) is not its.
    client.addTextEvent("A line of another game", 0, 0, 30, Client::kMessageLogKind, false, true);
    world.vars.setVar("playerName", "Bertha");
    ASSERT_TRUE(client.startGame(false));
    EXPECT_TRUE(texts.empty());
    EXPECT_TRUE(client.getMessageLog().empty());
    client.endGame();
}

TEST_F(PlayerClientTest, EveryVersionGateReads)
{
    std::filesystem::create_directories(user("chars"));
    for (int version : {1, 2, 12, 13, 22, 39, 40}) {
        ByteBuffer file = writeCharacterFileOfVersion(version, "Old", kGates);
        writeFileBytes(user("chars/Old.chr"), file.bytes());
        client.clearMessageLog();
        PlayerCovenantClient covenant;
        PlayerClient player;
        player.stats.set(111, -7);
        player.statistics.set(24, 99);
        ASSERT_TRUE(player.load("Old", &covenant)) << version;
        // Stats: 111 before 13, the last keeping its value.
        EXPECT_EQ(player.stats.get(110), 110) << version;
        EXPECT_EQ(player.stats.get(111), version < 13 ? -7 : 111) << version;
        EXPECT_EQ(player.statistics.get(16), 516) << version;
        EXPECT_EQ(player.statistics.get(24), version < 34 ? 99 : 524) << version;
        EXPECT_EQ(player.activeWeaponSet, version >= 25 ? 1 : 0) << version;
        EXPECT_EQ(player.getHotkey(0).values[3], -1) << version;
        EXPECT_EQ(player.tutorialHints.size(), version >= 26 ? 2u : 0u) << version;
        EXPECT_EQ(covenant.name, version >= 30 ? "Red Hand" : "Test") << version;
        EXPECT_EQ(covenant.lastPowerLeader, version >= 19 ? 2 : -1) << version;
        EXPECT_EQ(covenant.stats.get(10), 30) << version;
        EXPECT_EQ(player.messageLog.size(), version >= 17 ? 1u : 0u) << version;
    }
    // Version 40 written again is the same file, byte for byte.
    ByteBuffer golden = writeCharacterFileOfVersion(40, "Old", kGates);
    writeFileBytes(user("chars/Old.chr"), golden.bytes());
    PlayerCovenantClient covenant;
    PlayerClient player;
    ASSERT_TRUE(player.load("Old", &covenant));
    // Started, the client keeps the log it restored.
    client.restoreMessageLog(player.messageLog);
    addMirror(4, 70, 80);
    player.setPlayerEntityNumber(4);
    player.setWorldIdentity(1, 2);
    player.levelGates.copyActivationFrom(player.savedLevelGates);
    player.covenantGates.copyActivationFrom(player.savedCovenantGates);
    covenant.raiding = true;
    ByteBuffer again;
    player.writeFile(again, &covenant);
    EXPECT_EQ(again.bytes(), golden.bytes());
}

TEST_F(PlayerClientTest, ClientSeamsReachTheLocalPlayer)
{
    EXPECT_EQ(client.getPlayerSlot(), -1);
    client.showHelpTopic("LowHealth"); // no local player: nothing
    ASSERT_TRUE(client.startGame(false));
    PlayerClient* player = client.getLocalPlayer();
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(ui.gameStarts, 1);
    player->setPlayerEntityNumber(5);
    // The mirror of the player's number, made later, becomes the server mirror.
    TestEntityMirror& mirror = addMirror(5, 10, 10);
    client.onNewEntity(mirror);
    EXPECT_EQ(player->getServerMirror(), &mirror);
    EXPECT_EQ(client.getPlayerSlot(), 5);
    TestEntityMirror& worn = addMirror(6, 1, 1);
    worn.setParent(5, 0);
    EXPECT_EQ(worn.getAttachParent(), player);
    client.showHelpTopic("LowHealth");
    EXPECT_EQ(ui.buttons, std::vector<std::string>{"LowHealth"});
    client.endGame();
    EXPECT_FALSE(client.hasLocalPlayer());
    EXPECT_EQ(client.getPlayerCovenant(), nullptr);
}

TEST_F(PlayerClientTest, RecruitSteppingEndsWhenNoSlotQualifies)
{
    ASSERT_TRUE(client.startGame(false));
    PlayerClient* player = client.getLocalPlayer();
    PlayerCovenantClient* covenant = client.getPlayerCovenant();
    TestEntityMirror& stranger = addMirror(5, 1, 1);
    player->target = &stranger;
    player->selectNextRecruit(); // no recruit at all: the target stays
    EXPECT_EQ(player->target.get(), &stranger);

    covenant->recruits[1] = std::make_unique<RecruitClient>();
    covenant->recruits[1]->entityNumber = 20; // no mirror: skipped
    covenant->recruits[3] = std::make_unique<RecruitClient>();
    covenant->recruits[3]->entityNumber = 8;
    TestEntityMirror& recruit = addMirror(8, 1, 1);
    player->selectNextRecruit();
    EXPECT_EQ(player->target.get(), &recruit);
    player->selectPreviousRecruit(); // around the list back to itself
    EXPECT_EQ(player->target.get(), &recruit);
}

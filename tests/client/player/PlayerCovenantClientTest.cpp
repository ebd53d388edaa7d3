// The player covenant mirror: its state section (whole or nothing), the join
// section, life-stone warnings, the minute history, offers and its files.
#include "client/player/PlayerCovenantClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/ItemClient.h"
#include "client/mirrors/RecruitClient.h"
#include "engine/core/ByteBuffer.h"
#include "game/definitions/InventoryGroup.h"
#include "support/RecordingClientUi.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

class PlayerCovenantClientTest : public ::testing::Test {
protected:
    PlayerCovenantClientTest() { GameClient::registerCommands(); }
    ~PlayerCovenantClientTest() override { GameClient::destroy(); }

    // A recruit's state image with that entity number.
    static void writeRecruit(ByteBuffer& out, int32_t number)
    {
        out.writeInt(int32_t(7));
        for (int i = 0; i < RecruitBase::kStatCount; ++i) {
            out.writeInt(int32_t(i));
        }
        InventoryBase().write(out, false);
        out.writeInt(number);
        out.writeInt(uint32_t(0));
        out.writeInt(int32_t(5));
        out.writeInt(uint32_t(0));
    }
    // A state section with recruits at the given slots (numbers 100 + slot),
    // the fun stats and the life stone.
    static ByteBuffer section(std::vector<int32_t> slots, std::array<int32_t, 4> fun = {}, int health = 100,
                              int maximum = 100, int32_t count = -1)
    {
        ByteBuffer out;
        out.writeString("Red Hand");
        out.writeZonePosition(ZonePosition(2, 10.0f, 20.0f));
        out.writeInt(int32_t(1));
        InventoryBase().write(out, false);
        out.writeInt(static_cast<uint32_t>(count < 0 ? slots.size() : size_t(count)));
        for (int32_t slot : slots) {
            out.writeInt(slot);
            writeRecruit(out, 100 + slot);
        }
        for (int32_t v : fun) {
            out.writeInt(v);
        }
        out.writeInt(int32_t(6));   // MaxNPCs
        out.writeInt(int32_t(150)); // MaxLifeStone
        out.writeInt(int32_t(321)); // Money
        for (int flag : {0, 1, 0, 1}) {
            out.writeInt(int32_t(flag));
        }
        out.writeInt(int32_t(3));
        out.writeInt(int32_t(health));
        out.writeInt(int32_t(maximum));
        out.writeInt(uint32_t(0));
        return out;
    }
    void feedGame(const GameTime& time, int covenants)
    {
        StateMessage state;
        state.game.time = time;
        state.game.covenants.resize(static_cast<size_t>(covenants));
        for (int c = 0; c < covenants; ++c) {
            state.game.covenants[static_cast<size_t>(c)].house = 10 * (c + 1);
        }
        GameClient::get().readStateUpdate(state);
    }
    std::filesystem::path user(const std::string& name) const { return world.temp.path() / name; }

    TestWorld world{true, false};
};

} // namespace

TEST_F(PlayerCovenantClientTest, StateSectionAppliesRecruitsFunStatsAndFlags)
{
    PlayerCovenantClient covenant;
    ASSERT_EQ(covenant.getRecruitSlotCount(), 4);
    ByteBuffer first = section({0, 2}, {3, 1, 0, 0});
    ASSERT_TRUE(covenant.readSnapshot(first));
    EXPECT_TRUE(first.atEnd());
    EXPECT_EQ(covenant.name, "Red Hand");
    EXPECT_EQ(covenant.index, 1);
    EXPECT_EQ(covenant.recruitCount, 2);
    EXPECT_EQ(covenant.findRecruitSlot(102), 2);
    EXPECT_TRUE(covenant.beingRaided);
    EXPECT_FALSE(covenant.houseAttacked);
    EXPECT_TRUE(covenant.raiding);
    EXPECT_EQ(covenant.raidTarget, 3);
    EXPECT_EQ(covenant.stats.get(10), 321);
    EXPECT_EQ(covenant.funStatTotals.get(0), 3);

    // A slot the message leaves out loses its recruit; fun stats that fell
    // are taken off the totals.
    ByteBuffer second = section({2}, {2, 4, 0, 0});
    ASSERT_TRUE(covenant.readSnapshot(second));
    EXPECT_EQ(covenant.getRecruit(0), nullptr);
    ASSERT_NE(covenant.getRecruit(2), nullptr);
    EXPECT_EQ(covenant.funStatTotals.get(0), 2);
    EXPECT_EQ(covenant.funStatTotals.get(1), 4);

    // A slot past the last, a slot named twice or a count above the slots
    // drops the whole section.
    for (ByteBuffer bad : {section({4}), section({1, 1}), section({0, 1, 2, 3, 0})}) {
        EXPECT_FALSE(covenant.readSnapshot(bad));
    }
    ByteBuffer cut = section({0});
    std::vector<uint8_t> bytes = cut.bytes();
    bytes.pop_back();
    ByteBuffer shorter(bytes);
    EXPECT_FALSE(covenant.readSnapshot(shorter));
    EXPECT_EQ(covenant.recruitCount, 1);
    EXPECT_NE(covenant.getRecruit(2), nullptr);
}

TEST_F(PlayerCovenantClientTest, JoinSectionCarriesSavedStateOnlyWithGlobalSave)
{
    PlayerCovenantClient fresh;
    fresh.name = "Red Hand";
    ByteBuffer nameOnly;
    fresh.writeJoinSection(nameOnly);
    ASSERT_EQ(nameOnly.size(), 13u);
    EXPECT_EQ(nameOnly.readUInt(), 0u);
    EXPECT_EQ(nameOnly.readString(), "Red Hand");

    fresh.saveGlobal();
    PlayerCovenantClient loaded;
    ASSERT_TRUE(loaded.loadGlobal());
    loaded.name = "Red Hand";
    ByteBuffer state = section({1});
    ASSERT_TRUE(loaded.readSnapshot(state));
    loaded.stats.set(14, 77);
    ByteBuffer join;
    loaded.writeJoinSection(join);
    EXPECT_EQ(join.readUInt(), 1u);
    EXPECT_EQ(join.readString(), "Red Hand");
    InventoryClient inventory;
    ASSERT_TRUE(inventory.read(join, true, false, 0));
    ASSERT_EQ(join.readUInt(), 1u);
    EXPECT_EQ(join.readUInt(), 1u); // slot
    ByteBuffer network;
    loaded.getRecruit(1)->writeNetwork(network);
    std::vector<uint8_t> image(join.data() + join.getReadPos(),
                               join.data() + join.getReadPos() + network.size());
    EXPECT_EQ(image, network.bytes());
    join.setReadPos(join.getReadPos() + network.size());
    for (int i = 0; i < 14; ++i) {
        join.readInt();
    }
    EXPECT_EQ(join.readInt(), 77);
    EXPECT_EQ(join.readInt(), 100);
    EXPECT_EQ(join.readInt(), 100);
    EXPECT_TRUE(join.atEnd());
}

TEST_F(PlayerCovenantClientTest, LifeStoneWarnsOncePerThresholdCrossed)
{
    Client client;
    std::vector<std::string> texts;
    std::vector<ClientTextEvent> events;
    client.setTextEventSink([&](const ClientTextEvent& e) {
        texts.push_back(e.text);
        events.push_back(e);
    });
    PlayerCovenantClient covenant;
    auto at = [&](int health, int maximum) {
        ByteBuffer s = section({}, {}, health, maximum);
        ASSERT_TRUE(covenant.readSnapshot(s));
        covenant.update(0.1f);
    };
    at(80, 100);
    at(5, 100);
    at(4, 100);
    at(5, 0); // no maximum counts as full
    at(60, 100);
    EXPECT_EQ(texts, (std::vector<std::string>{"Life stone almost destroyed (below 10%)!",
                                               "Life stone is damaged (below 75%)!"}));
    for (const ClientTextEvent& e : events) {
        EXPECT_EQ(e.kind, 5) << e.text;
        EXPECT_FLOAT_EQ(e.x, 320.0f) << e.text;
        EXPECT_FLOAT_EQ(e.y, 240.0f) << e.text;
        EXPECT_FLOAT_EQ(e.lifetime, 5.0f) << e.text;
    }
}

TEST_F(PlayerCovenantClientTest, AlarmRepeatsEveryFiveSecondsWhileRaided)
{
    PlayerCovenantClient covenant;
    ByteBuffer raided = section({});
    ASSERT_TRUE(covenant.readSnapshot(raided));
    ASSERT_TRUE(covenant.beingRaided);
    covenant.update(0.0f);
    EXPECT_TRUE(covenant.alarmTimer.running);
    EXPECT_FLOAT_EQ(covenant.alarmTimer.remaining, 5.0f);
    covenant.update(4.0f);
    EXPECT_FLOAT_EQ(covenant.alarmTimer.remaining, 1.0f);
    covenant.update(1.5f); // ran out: sounded again and started anew
    EXPECT_FLOAT_EQ(covenant.alarmTimer.remaining, 5.0f);

    // Peace: the alarm stops repeating but the timer counts down to 0.
    covenant.beingRaided = false;
    covenant.houseAttacked = false;
    covenant.update(3.0f);
    covenant.update(3.0f);
    EXPECT_FLOAT_EQ(covenant.alarmTimer.remaining, 0.0f);
    covenant.update(1.0f);
    EXPECT_FLOAT_EQ(covenant.alarmTimer.remaining, 0.0f);
}

TEST_F(PlayerCovenantClientTest, HistoryPadsGrownCovenantListAndStopsAtItsLimit)
{
    PlayerCovenantClient covenant;
    feedGame(GameTime(0, 0, 1, 0.0f), 1);
    covenant.recordHistory();
    ASSERT_EQ(covenant.history.size(), 2u);
    EXPECT_EQ(covenant.history[1][0].power[0], 10);
    EXPECT_EQ(covenant.powerMax[0], 10);
    EXPECT_EQ(covenant.nextSampleTime, GameTime(0, 0, 2, 0.0f));

    feedGame(GameTime(0, 0, 2, 0.0f), 2);
    covenant.recordHistory();
    ASSERT_EQ(covenant.history.size(), 3u);
    for (const HistorySample& sample : covenant.history) {
        EXPECT_EQ(sample.size(), 2u);
    }
    EXPECT_EQ(covenant.history[2][1].power[0], 20);

    ByteBuffer file;
    covenant.writeHistory(file);
    PlayerCovenantClient read;
    std::string field;
    ASSERT_TRUE(read.readHistory(file, field)) << field;
    EXPECT_EQ(read.history, covenant.history);
    EXPECT_EQ(read.powerMax, covenant.powerMax);

    // Day 70 is past the last kept sample: nothing is appended.
    feedGame(GameTime(70, 0, 0, 0.0f), 2);
    world.log.clear();
    covenant.recordHistory();
    covenant.recordHistory();
    EXPECT_EQ(covenant.history.size(), 3u);
    EXPECT_EQ(world.log.count(2), 1u);
}

TEST_F(PlayerCovenantClientTest, OffersSkipIgnoredAndEmptyRecords)
{
    PlayerCovenantClient covenant;
    EXPECT_EQ(covenant.findPendingOffer(), -1);
    feedGame(GameTime(), 3);
    PlayerCovenantClient::PendingOffer offer;
    offer.entries.push_back({0, 1, 50});
    offer.kind = 2;
    covenant.receiveOffer(0, offer);
    covenant.receiveOffer(2, offer);
    covenant.receiveOffer(5, offer); // no such covenant
    EXPECT_EQ(covenant.pendingOffers.size(), 3u);
    covenant.ignoredOffers = {true};
    EXPECT_EQ(covenant.findPendingOffer(), 2);
    covenant.dropPendingOffer(2);
    EXPECT_EQ(covenant.findPendingOffer(), -1);
    covenant.clearIgnoredOffers();
    EXPECT_EQ(covenant.findPendingOffer(), 0);
    EXPECT_EQ(covenant.getPendingOffer(0)->kind, 2);
}

TEST_F(PlayerCovenantClientTest, CharacterSectionVersions)
{
    PlayerCovenantClient written;
    ByteBuffer state = section({0, 3});
    ASSERT_TRUE(written.readSnapshot(state));
    written.stats.set(13, 44);
    written.funStatTotals.set(2, 9);
    written.lastPowerLeader = 2;
    ByteBuffer out;
    written.writeCharacterSection(out);
    PlayerCovenantClient read;
    std::string field;
    ASSERT_TRUE(read.readCharacterSection(out, 39, field)) << field;
    EXPECT_TRUE(out.atEnd());
    EXPECT_EQ(read.recruitCount, 2);
    EXPECT_NE(read.getRecruit(3), nullptr);
    EXPECT_EQ(read.name, "Red Hand");
    EXPECT_EQ(read.stats, written.stats);
    EXPECT_EQ(read.funStatTotals.get(2), 9);
    EXPECT_EQ(read.lastPowerLeader, 2);
    EXPECT_EQ(read.getLifestoneMaxHealth(), 100);

    // Before 30: "Test", default stats but Money.
    ByteBuffer old;
    for (int slot = 0; slot < 4; ++slot) {
        old.writeInt(uint32_t(0));
    }
    for (int32_t v : {50, 90, 1234}) {
        old.writeInt(v);
    }
    PlayerCovenantClient older;
    ASSERT_TRUE(older.readCharacterSection(old, 18, field)) << field;
    EXPECT_EQ(older.name, "Test");
    EXPECT_EQ(older.stats.get(10), 1234);
    EXPECT_EQ(older.stats.get(4), 4);
    EXPECT_EQ(older.stats.get(5), 100);
    EXPECT_EQ(older.lastPowerLeader, -1);

    // Version 1 counts its recruits: more than the slots is refused.
    ByteBuffer tooMany;
    tooMany.writeInt(uint32_t(5));
    for (int i = 0; i < 5; ++i) {
        RecruitClient().write(tooMany);
    }
    PlayerCovenantClient refused;
    EXPECT_FALSE(refused.readCharacterSection(tooMany, 1, field));
    EXPECT_EQ(field, "recruit count");
}

TEST_F(PlayerCovenantClientTest, HistoryFileNamesAndVersions)
{
    PlayerCovenantClient empty;
    empty.saveHistory("Bob");
    EXPECT_EQ(readFileBytes(user("chars/Bob.his")).size(), 100u);

    feedGame(GameTime(0, 0, 0, 0.0f), 1);
    PlayerCovenantClient saved;
    saved.recordHistory();
    saved.saveHistory("Bob");
    PlayerCovenantClient loaded;
    ASSERT_TRUE(loaded.loadHistory("dir\\Bob.chr"));
    EXPECT_EQ(loaded.history, saved.history);

    // Version 1 has the maxima only.
    ByteBuffer v1;
    v1.writeInt(uint32_t(1));
    v1.writeGameTime(GameTime());
    for (int k = 0; k < 9; ++k) {
        v1.writeInt(int32_t(k + 1));
    }
    v1.writeInt(uint32_t(0));
    v1.writeInt(uint32_t(0));
    PlayerCovenantClient old;
    old.powerMin[0] = -5;
    std::string field;
    ASSERT_TRUE(old.readHistory(v1, field)) << field;
    EXPECT_EQ(old.powerMin[0], 0);
    EXPECT_EQ(old.powerMax[4], 5);
    EXPECT_EQ(old.influenceMax[3], 9);

    // Counts the bytes cannot hold, or a later version, refuse the file,
    // which is set aside.
    std::vector<uint8_t> bytes = readFileBytes(user("chars/Bob.his"));
    bytes[bytes.size() - 40] ^= 0x40; // N
    writeFileBytes(user("chars/Bob.his"), bytes);
    PlayerCovenantClient refused;
    world.log.clear();
    EXPECT_FALSE(refused.loadHistory("Bob"));
    EXPECT_TRUE(refused.history.empty());
    EXPECT_TRUE(world.log.contains("chars/Bob.his: sample count at byte", 2));
    EXPECT_TRUE(std::filesystem::exists(user("chars/Bob.his.damaged")));
    EXPECT_FALSE(std::filesystem::exists(user("chars/Bob.his")));
}

TEST_F(PlayerCovenantClientTest, DamagedGlobalSaveIsSetAside)
{
    const auto written = [](const PlayerCovenantClient& c) {
        ByteBuffer out;
        c.writeGlobal(out);
        return out.bytes();
    };
    // A global save holding a sword reads whole and writes back the same.
    PlayerCovenantClient source;
    InventoryGroup* group = nullptr;
    for (int g = 0; g < kInventoryGroupCount && !group; ++g) {
        InventoryGroup* own = source.inventory->getOwnGroup(g);
        group = own && own->getSize() > 0 ? own : nullptr;
    }
    ASSERT_NE(group, nullptr);
    auto* sword = new ItemClient();
    sword->setItemEntry(world.database.findEntry("ShortSword"));
    group->setItem(0, sword);
    source.saveGlobal();
    const std::vector<uint8_t> kept = readFileBytes(user("Chars/global.sav"));
    ASSERT_EQ(written(source), kept);
    PlayerCovenantClient good;
    ASSERT_TRUE(good.loadGlobal());
    EXPECT_EQ(written(good), kept);
    EXPECT_NE(kept, written(PlayerCovenantClient()));

    // Damaged, it is set aside and the game starts with an empty inventory.
    std::vector<uint8_t> damaged(kept.begin(), kept.begin() + static_cast<long>(kept.size() / 2));
    writeFileBytes(user("Chars/global.sav"), damaged);
    Client client;
    ASSERT_TRUE(client.startGame(false));
    PlayerCovenantClient& covenant = *client.getPlayerCovenant();
    EXPECT_FALSE(covenant.globalLoaded);
    EXPECT_EQ(written(covenant), written(PlayerCovenantClient()));
    EXPECT_TRUE(std::filesystem::exists(user("Chars/global.sav.damaged")));
    EXPECT_TRUE(world.log.contains("Chars/global.sav: inventory at byte", 2));
    EXPECT_EQ(readFileBytes(user("Chars/global.sav.damaged")), damaged);
    client.endGame();

    writeFileBytes(user("Chars/global.sav"), {40, 0, 0, 0});
    PlayerCovenantClient later;
    EXPECT_FALSE(later.loadGlobal());
    EXPECT_TRUE(world.log.contains("Chars/global.sav: version 40 at byte 4", 2));
}

// The characters' folder may be spelt either way on disk: the history and
// the global save are set aside beside themselves, and the next save writes
// fresh files beside those.
TEST_F(PlayerCovenantClientTest, DamagedHistoryAndGlobalSaveAreSetAsideWhicheverSpellingTheFolderHas)
{
    for (const std::string folder : {"Chars", "chars"}) {
        std::filesystem::remove_all(user("Chars"));
        std::filesystem::remove_all(user("chars"));
        std::filesystem::create_directories(user(folder));
        PlayerCovenantClient saved;
        saved.saveHistory("Bob");
        saved.saveGlobal();
        const std::vector<uint8_t> cutHistory(50, 1), cutGlobal = {39, 0};
        writeFileBytes(user(folder + "/Bob.his"), cutHistory);
        writeFileBytes(user(folder + "/global.sav"), cutGlobal);

        world.log.clear();
        PlayerCovenantClient loaded;
        EXPECT_FALSE(loaded.loadHistory("Bob")) << folder;
        EXPECT_FALSE(loaded.loadGlobal()) << folder;
        EXPECT_EQ(world.log.count(3), 0u) << folder;
        EXPECT_EQ(readFileBytes(user(folder + "/Bob.his.damaged")), cutHistory) << folder;
        EXPECT_EQ(readFileBytes(user(folder + "/global.sav.damaged")), cutGlobal) << folder;

        loaded.saveHistory("Bob");
        loaded.saveGlobal();
        EXPECT_EQ(readFileBytes(user(folder + "/Bob.his")).size(), 100u) << folder;
        PlayerCovenantClient again;
        EXPECT_TRUE(again.loadGlobal()) << folder;
        EXPECT_EQ(readFileBytes(user(folder + "/Bob.his.damaged")), cutHistory) << folder;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(world.temp.path()), {}), 1) << folder;
    }
}

// A damaged file that cannot be set aside stays, and no save overwrites it
// until it can be.
TEST_F(PlayerCovenantClientTest, ADamagedHistoryThatCannotBeSetAsideIsNotSavedOver)
{
    std::filesystem::create_directories(user("Chars/Bob.his.damaged/in-the-way"));
    const std::vector<uint8_t> cut(50, 1);
    writeFileBytes(user("Chars/Bob.his"), cut);
    PlayerCovenantClient loaded;
    EXPECT_FALSE(loaded.loadHistory("Bob"));
    EXPECT_TRUE(world.log.contains("chars/Bob.his: cannot be set aside as chars/Bob.his.damaged: ", 3));
    loaded.saveHistory("Bob");
    EXPECT_TRUE(world.log.contains("chars/Bob.his: not saved", 3));
    EXPECT_EQ(readFileBytes(user("Chars/Bob.his")), cut);

    // Once the way is clear the next load sets it aside and saves go on.
    std::filesystem::remove_all(user("Chars/Bob.his.damaged"));
    EXPECT_FALSE(PlayerCovenantClient().loadHistory("Bob"));
    loaded.saveHistory("Bob");
    EXPECT_EQ(readFileBytes(user("Chars/Bob.his.damaged")), cut);
    EXPECT_EQ(readFileBytes(user("Chars/Bob.his")).size(), 100u);
}

TEST_F(PlayerCovenantClientTest, AnEmptyRecruitListClearsTheSlotsAndTreatiesFollowTheOthers)
{
    Client client;
    RecordingClientUi ui{{"YourRecruits"}};
    ui.install(client.getUi());
    ASSERT_TRUE(client.startGame(false));
    PlayerCovenantClient covenant;
    ByteBuffer two = section({0, 2});
    ASSERT_TRUE(covenant.readSnapshot(two));
    EXPECT_EQ(ui.buttons, std::vector<std::string>{"YourRecruits"});
    ByteBuffer none = section({});
    ASSERT_TRUE(covenant.readSnapshot(none));
    EXPECT_EQ(covenant.recruitCount, 0);
    for (int slot = 0; slot < covenant.getRecruitSlotCount(); ++slot) {
        EXPECT_EQ(covenant.getRecruit(slot), nullptr) << slot;
    }
    EXPECT_EQ(ui.buttons.size(), 1u) << "no topic for an empty list";

    // Each other covenant's treaty toward ours is taken over; one that holds
    // no record of ours counts as peace.
    feedGame(GameTime(), 3);
    covenant.index = 1;
    const int war = toIndex(CovenantTreaty::War);
    const int peace = toIndex(CovenantTreaty::Peace);
    GameClient::get().getCovenant(0, false)->setRelationState(1, war);
    covenant.setRelationState(0, peace);
    covenant.setRelationState(2, war);
    ASSERT_NE(GameClient::get().getCovenant(2, false), nullptr);
    covenant.update(0.1f);
    EXPECT_EQ(covenant.getRelationState(0), war);
    EXPECT_EQ(covenant.getRelationState(2), peace);
    client.endGame();
}

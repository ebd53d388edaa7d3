// The statistics file of every character: versions, sizes, damaged files,
// the record holders and the current character's record.
#include "client/stats/GlobalStats.h"
#include "client/Client.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/data/Database.h"
#include "game/definitions/GameFormulas.h"
#include "support/TestSupport.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Record = GlobalStats::Record;

class GlobalStatsTest : public ::testing::Test {
protected:
    ~GlobalStatsTest() override { GlobalStats::clear(); }
    static Record record(const std::string& name, const std::string& covenant)
    {
        Record r;
        r.name = name;
        r.covenant = covenant;
        return r;
    }
    // A file of the given version with each record's values as that version holds them.
    static ByteBuffer file(int version, int stats, int funStats, const std::vector<Record>& records)
    {
        ByteBuffer out;
        out.writeInt(int32_t(version));
        out.writeInt(static_cast<int32_t>(records.size()));
        for (const Record& r : records) {
            out.writeString(r.name);
            out.writeString(r.covenant);
            for (int i = 0; i < stats; ++i) {
                out.writeInt(int32_t(r.stats.get(i)));
            }
            for (int i = 0; i < funStats; ++i) {
                out.writeInt(int32_t(r.funStats.get(i)));
            }
        }
        return out;
    }
    void store(const ByteBuffer& bytes)
    {
        std::filesystem::create_directories(world.temp.path() / "chars");
        writeFileBytes(world.temp.path() / "chars" / "global.sts",
                       std::vector<uint8_t>(bytes.data(), bytes.data() + bytes.size()));
    }
    std::string holder(int type, int index)
    {
        std::string text;
        int value = -7;
        GlobalStats::findRecordHolder(type, index, text, value);
        return text + "=" + std::to_string(value);
    }

    TestWorld world{true, false};
};

} // namespace

TEST_F(GlobalStatsTest, OlderVersionsReadTheirListsAndSaveAsTheLatest)
{
    Record aldric = record("Aldric", "Red Hand");
    for (int i = 0; i < 25; ++i) {
        aldric.funStats.set(i, 100 + i);
    }
    aldric.stats.set(111, 5);
    store(file(20, 112, 17, {aldric}));
    GlobalStats::load();
    ASSERT_EQ(GlobalStats::records().size(), 1u);
    const Record& read = GlobalStats::records()[0];
    EXPECT_EQ(read.funStats.get(16), 116);
    EXPECT_EQ(read.funStats.get(17), 0) << "version 20 holds 17";
    EXPECT_EQ(read.stats.get(111), 5);
    ASSERT_TRUE(GlobalStats::save());
    std::vector<uint8_t> saved = readFileBytes(world.temp.path() / "chars" / "global.sts");
    EXPECT_EQ(saved.size(), 572u) << "8 + 7 + 9 + (112 + 25) x 4";
    ByteBuffer again(saved);
    EXPECT_EQ(again.readInt(), 39);

    // Version 12 holds 111 stats; the 112th stays 0.
    store(file(12, 111, 17, {aldric}));
    GlobalStats::load();
    ASSERT_EQ(GlobalStats::records().size(), 1u);
    EXPECT_EQ(GlobalStats::records()[0].stats.get(111), 0);
    EXPECT_EQ(GlobalStats::records()[0].funStats.get(0), 100);
}

TEST_F(GlobalStatsTest, ADamagedFileKeepsItsCompleteRecordsAndIsCopiedAside)
{
    const ByteBuffer whole = file(39, 112, 25, {record("Aldric", "Red Hand"), record("Bera", "Ashen Vow")});
    const size_t first = 8 + 7 + 9 + 548;
    for (size_t cut = 0; cut < whole.size(); cut += 37) {
        world.log.clear();
        store(ByteBuffer(whole.data(), cut));
        GlobalStats::load();
        const size_t expected = cut < 8 ? 0 : cut < 8 + first ? 0 : 1;
        EXPECT_EQ(GlobalStats::records().size(), expected) << cut;
        EXPECT_EQ(world.log.lines().size(), 1u) << cut;
        EXPECT_TRUE(world.log.contains("chars/global.sts: ", 2)) << cut;
        EXPECT_EQ(readFileBytes(world.temp.path() / "chars" / "global.sts.damaged").size(), cut) << cut;
    }
    // A later version reads nothing, the same way.
    ByteBuffer later = file(40, 112, 25, {record("Aldric", "Red Hand")});
    world.log.clear();
    store(later);
    GlobalStats::load();
    EXPECT_TRUE(GlobalStats::records().empty());
    EXPECT_TRUE(world.log.contains("chars/global.sts: version at byte 0", 2));
    // A count beyond what the bytes can hold allocates nothing.
    ByteBuffer huge;
    huge.writeInt(int32_t(39));
    huge.writeInt(int32_t(0x7FFFFFFF));
    store(huge);
    GlobalStats::load();
    EXPECT_TRUE(GlobalStats::records().empty());
}

TEST_F(GlobalStatsTest, RecordHoldersAndTheirTexts)
{
    EXPECT_EQ(holder(5, 84), "-=0") << "no records";
    const int goblin = world.database.findEntry("GoblinWarrior")->getId();
    auto& records = GlobalStats::records();
    records = {record("Aldric", "Red Hand"), record("Bera", "Ashen Vow"), record("Cato", "Red Hand")};
    records[0].stats.set(92, 0);   // Warrior
    records[1].stats.set(92, 999); // no such class
    for (Record& r : records) {
        r.stats.set(84, 10);
    }
    records[1].stats.set(85, 500);
    records[2].stats.set(85, 500);
    EXPECT_EQ(holder(5, 84), "Bera (Ashen Vow)=10") << "higher Xp at equal levels, the earlier at equal both";
    EXPECT_EQ(holder(5, 200), "-=0");
    // Weakest monster killed by: an empty pair never holds it.
    records[1].funStats.set(14, goblin);
    records[1].funStats.set(15, packMonsterRecordInfo(5, 0, 3));
    records[2].funStats.set(14, goblin);
    records[2].funStats.set(15, packMonsterRecordInfo(2, 0, 3));
    records[0].funStats.set(14, -1);
    ASSERT_GT(monsterExperienceFromRecord(records[2].funStats.values(), 14, false), 0);
    EXPECT_EQ(holder(6, 14).rfind("Cato (", 0), 0u) << holder(6, 14);
    records[0].funStats.set(3, 40);
    records[0].otherStats.set(8, 77);
    EXPECT_EQ(holder(6, 3), "Aldric (Warrior from Red Hand)=40");
    EXPECT_EQ(holder(7, 8), "Aldric (Warrior from Red Hand)=77");
}

TEST_F(GlobalStatsTest, TheCurrentCharacterHasOneRecordPerCovenant)
{
    PlayerClient player;
    player.setName("Aldric");
    player.stats.set(84, 7);
    PlayerCovenantClient redHand;
    redHand.name = "Red Hand";
    PlayerCovenantClient ashen;
    ashen.name = "Ashen Vow";
    Record& first = GlobalStats::findOrAddRecord(player, redHand);
    EXPECT_EQ(first.stats.get(84), 7);
    GlobalStats::findOrAddRecord(player, redHand);
    GlobalStats::findOrAddRecord(player, ashen);
    ASSERT_EQ(GlobalStats::records().size(), 2u);
    EXPECT_EQ(GlobalStats::records()[1].covenant, "Ashen Vow");
    GlobalStats::setOtherStat(8, 5); // no client: nothing
    EXPECT_EQ(GlobalStats::records()[0].otherStats.get(8), 0);
}

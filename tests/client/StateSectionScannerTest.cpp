#include "client/StateSectionScanner.h"
#include "engine/core/ByteBuffer.h"
#include "engine/data/Database.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class StateSectionScannerTest : public ::testing::Test {
protected:
    StateSectionScannerTest()
    {
        database.addSubDatabase("Probe", "probe.dbl",
                                "Beast\n{\n    Type MonsterType\n}\n"
                                "Hero\n{\n    Type Class\n}\n"
                                "Trader\n{\n    Type Object\n    Vendor 1\n}\n"
                                "Sword\n{\n    Type Item\n}\n"
                                "Gold\n{\n    Type Money\n}\n"
                                "Box\n{\n    Type Chest\n}\n"
                                "Arrow\n{\n    Type Projectile\n}\n"
                                "Portal\n{\n    Type Object\n    Gate 1\n}\n"
                                "Lamp\n{\n    Type Object\n}\n");
    }
    // The scanned length of the bytes for that entry; -1 when refused.
    long scan(const char* name, const ByteBuffer& bytes)
    {
        const DatabaseEntry* entry = database.findEntry(name);
        EXPECT_NE(entry, nullptr) << name;
        ByteBuffer in(bytes.bytes());
        ByteRange range;
        std::string field;
        if (!StateSectionScanner::scanEntityTypeSection(in, entry, range, field)) {
            return -1;
        }
        EXPECT_EQ(range.begin, 0u);
        return static_cast<long>(range.end);
    }
    static ByteBuffer words(std::initializer_list<uint32_t> values)
    {
        ByteBuffer out;
        for (uint32_t v : values) {
            out.writeInt(v);
        }
        return out;
    }

    LogCapture log;
    Database database;
};

} // namespace

TEST_F(StateSectionScannerTest, SectionsByEntryType)
{
    ByteBuffer equipment;
    for (int i = 0; i < 10; ++i) {
        equipment.writeInt(uint32_t(0xFFFFFFFFu));
    }
    EXPECT_EQ(scan("Hero", equipment), 40);
    ByteBuffer creature = equipment;
    // Two values, interaction, sentient flag, rank, two quests, seed, level.
    for (uint32_t v : {1u, 2u, 3u, 1u, 0u, 2u, 7u, 8u, 99u, 5u}) {
        creature.writeInt(v);
    }
    EXPECT_EQ(scan("Beast", creature), 80);
    EXPECT_EQ(scan("Trader", creature), 80);
    EXPECT_EQ(scan("Beast", equipment), -1);
    EXPECT_EQ(scan("Sword", words({3})), 4);
    EXPECT_EQ(scan("Gold", words({250})), 4);
    EXPECT_EQ(scan("Box", words({1})), 4);
    EXPECT_EQ(scan("Sword", ByteBuffer()), -1);
    EXPECT_EQ(scan("Arrow", words({1, 9, 9, 9, 9})), 20);
    EXPECT_EQ(scan("Arrow", words({0, 1, 0})), 12);
    EXPECT_EQ(scan("Arrow", words({0, 0})), 8);
    EXPECT_EQ(scan("Arrow", words({1, 9})), -1);
    ByteBuffer target;
    target.writeZonePosition(ZonePosition(2, 10.0f, 20.0f));
    EXPECT_EQ(scan("Portal", target), 12);
    EXPECT_EQ(scan("Lamp", ByteBuffer()), 0);
}

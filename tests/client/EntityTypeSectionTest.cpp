#include "client/mirrors/EntityClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/data/Database.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class EntityTypeSectionTest : public ::testing::Test {
protected:
    EntityTypeSectionTest()
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
    // The parsed length of the bytes for that entry; -1 when refused.
    long scan(const char* name, const ByteBuffer& bytes)
    {
        const DatabaseEntry* entry = database.findEntry(name);
        EXPECT_NE(entry, nullptr) << name;
        ByteBuffer in(bytes.bytes());
        std::string field;
        if (!EntityClient::parseTypeSection(in, entry, section, field)) {
            EXPECT_FALSE(field.empty());
            return -1;
        }
        return static_cast<long>(in.getReadPos());
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
    EntityTypeSection section;
};

} // namespace

TEST_F(EntityTypeSectionTest, SectionsByEntryType)
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
    EXPECT_EQ(section.kind, EntityTypeSection::Kind::Sentient);
    EXPECT_EQ(section.quests, (std::vector<int32_t>{7, 8}));
    EXPECT_EQ(section.seed, 99u);
    EXPECT_EQ(section.level, 5);
    EXPECT_EQ(scan("Beast", equipment), -1);
    EXPECT_EQ(scan("Sword", words({3})), 4);
    EXPECT_EQ(scan("Gold", words({250})), 4);
    EXPECT_EQ(scan("Box", words({1})), 4);
    EXPECT_EQ(scan("Sword", ByteBuffer()), -1);
    EXPECT_EQ(scan("Arrow", words({1, 9, 2, 8, 3})), 20);
    EXPECT_TRUE(section.beam);
    EXPECT_EQ(section.beamStart, 9);
    EXPECT_EQ(section.beamTargetPoint, 3);
    EXPECT_EQ(scan("Arrow", words({0, 1, 0})), 12);
    EXPECT_EQ(scan("Arrow", words({0, 0})), 8);
    EXPECT_EQ(scan("Arrow", words({1, 9})), -1);
    ByteBuffer target;
    target.writeZonePosition(ZonePosition(2, 10.0f, 20.0f));
    EXPECT_EQ(scan("Portal", target), 12);
    EXPECT_EQ(scan("Lamp", ByteBuffer()), 0);
}

TEST_F(EntityTypeSectionTest, EntryIdsAndRankAreChecked)
{
    int sword = database.findEntry("Sword")->getId();
    auto creature = [&](uint32_t firstItem, uint32_t rank) {
        ByteBuffer out;
        out.writeInt(firstItem);
        for (int i = 1; i < 10; ++i) {
            out.writeInt(uint32_t(0xFFFFFFFFu));
        }
        for (uint32_t v : {1u, 2u, 3u, 1u, rank, 0u, 7u, 8u}) {
            out.writeInt(v);
        }
        return out;
    };
    EXPECT_EQ(scan("Beast", creature(static_cast<uint32_t>(sword), 7)), 72);
    EXPECT_EQ(section.equipped[0], sword);
    EXPECT_EQ(section.rank, 7);
    EXPECT_EQ(scan("Beast", creature(static_cast<uint32_t>(sword), 8)), -1);
    EXPECT_EQ(scan("Beast", creature(0x7FFF, 0)), -1);
    EXPECT_EQ(scan("Beast", creature(uint32_t(-2), 0)), -1);
    // A quest item names its target or -1.
    database.addSubDatabase("Quest", "quest.dbl", "Relic\n{\n    Type QuestItem\n}\n");
    EXPECT_EQ(scan("Relic", words({0xFFFFFFFFu})), 4);
    EXPECT_EQ(scan("Relic", words({static_cast<uint32_t>(sword)})), 4);
    EXPECT_EQ(scan("Relic", words({0x7FFFu})), -1);
}

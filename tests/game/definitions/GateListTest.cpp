#include "game/definitions/GateList.h"

#include "engine/core/ByteBuffer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class FakeWorld : public GateSource {
public:
    std::vector<GateLocation> gates;
    void collectGates(std::vector<GateLocation>& out) const override { out = gates; }
};

std::vector<int> activatedFlags(const GateList& list)
{
    std::vector<int> flags;
    for (const GateRecord& record : list.getRecords())
        flags.push_back(record.activated);
    return flags;
}

class GateListTest : public ::testing::Test {
protected:
    GateListTest() { world.gates = {{3, 0}, {5, 1}, {5, 2}, {9, 4}}; }
    FakeWorld world;
};

} // namespace

TEST_F(GateListTest, BuildsOneRecordPerWorldGate)
{
    GateList list;
    list.setSource(&world);
    EXPECT_FALSE(list.isBuilt());
    list.build();
    ASSERT_EQ(list.getRecords().size(), 4u);
    EXPECT_EQ(list.getRecords()[2].levelId, 5);
    EXPECT_EQ(list.getRecords()[2].zone, 2);
    EXPECT_EQ(list.getRecords()[2].index, 2);
    EXPECT_EQ(list.getActivatedCount(), 0);
    EXPECT_EQ(sizeof(GateRecord), 16u);

    ASSERT_NE(list.find(5, 2), nullptr);
    EXPECT_EQ(list.find(5, 2)->index, 2);
    EXPECT_EQ(list.find(5, 3), nullptr);
    EXPECT_EQ(list.find(4, 0), nullptr);

    list.clear();
    EXPECT_FALSE(list.isBuilt());
    EXPECT_TRUE(list.getRecords().empty());

    // Without any source the list is built empty.
    GateList alone;
    alone.build();
    EXPECT_TRUE(alone.isBuilt());
    EXPECT_TRUE(alone.getRecords().empty());
}

TEST_F(GateListTest, WorldSaveRoundTrip)
{
    GateList::setWorldSource(&world);
    GateList saved;
    saved.build();
    saved.find(3, 0)->activated = 1;
    saved.find(9, 4)->activated = 1;
    ByteBuffer buffer;
    saved.write(buffer);
    EXPECT_EQ(buffer.size(), 16u); // one u32 per record

    GateList loaded; // builds from the world before reading
    EXPECT_TRUE(loaded.read(buffer));
    EXPECT_EQ(activatedFlags(loaded), (std::vector<int>{1, 0, 0, 1}));

    // A short save leaves the flags alone and fails.
    ByteBuffer shortBuffer;
    shortBuffer.writeInt(1u);
    GateList truncated;
    LogCapture log;
    EXPECT_FALSE(truncated.read(shortBuffer));
    EXPECT_TRUE(shortBuffer.failed());
    EXPECT_EQ(truncated.getActivatedCount(), 0);
    EXPECT_TRUE(log.contains("Gate list", 3));
    GateList::setWorldSource(nullptr);
}

TEST_F(GateListTest, CharacterFileRoundTripMatchesByLevelAndZone)
{
    GateList saved;
    saved.setSource(&world);
    saved.build();
    saved.find(5, 2)->activated = 1;
    ByteBuffer buffer;
    saved.writeFileImage(buffer);
    EXPECT_EQ(buffer.size(), 4u + 4 * 12);

    // Read before any world is loaded, as a Continue does: kept as read.
    GateList loaded;
    EXPECT_TRUE(loaded.readFileImage(buffer, 14));
    EXPECT_FALSE(loaded.isBuilt());
    loaded.build();
    EXPECT_FALSE(loaded.isBuilt());
    EXPECT_EQ(loaded.getActivatedCount(), 1);
    // The world has changed: one gate gone, one new. Matching is by level and zone.
    FakeWorld changed;
    changed.gates = {{9, 4}, {5, 2}, {7, 7}};
    loaded.setSource(&changed);
    loaded.build();
    EXPECT_EQ(activatedFlags(loaded), (std::vector<int>{0, 1, 0}));
}

TEST_F(GateListTest, OldCharacterFilesHaveNoZone)
{
    ByteBuffer buffer;
    buffer.writeInt(2u);
    buffer.writeInt(5u); // level id
    buffer.writeInt(1u); // activated
    buffer.writeInt(9u);
    buffer.writeInt(0u);
    GateList loaded;
    loaded.setSource(&world);
    EXPECT_TRUE(loaded.readFileImage(buffer, 13));
    loaded.build();
    // The first gate of level 5 takes the flag.
    EXPECT_EQ(activatedFlags(loaded), (std::vector<int>{0, 1, 0, 0}));
    EXPECT_TRUE(buffer.atEnd());
}

TEST_F(GateListTest, CovenantModeMatchesByPosition)
{
    GateList saved(GateList::Mode::Covenant);
    saved.setSource(&world);
    saved.build();
    saved.getRecords()[1].activated = 1;
    saved.getRecords()[3].activated = 1;
    ByteBuffer buffer;
    saved.writeFileImage(buffer);

    FakeWorld other; // different gates, same positions count
    other.gates = {{1, 1}, {2, 2}, {3, 3}};
    GateList loaded(GateList::Mode::Covenant);
    loaded.setSource(&other);
    EXPECT_TRUE(loaded.readFileImage(buffer, 14));
    loaded.build();
    EXPECT_EQ(activatedFlags(loaded), (std::vector<int>{0, 1, 0})); // the fourth has no place

    GateList copy(GateList::Mode::Covenant);
    copy.setSource(&world);
    copy.build();
    copy.copyActivationFrom(saved);
    EXPECT_EQ(activatedFlags(copy), (std::vector<int>{0, 1, 0, 1}));
}

TEST_F(GateListTest, CopyActivationByLevelAndZone)
{
    GateList from;
    from.setSource(&world);
    from.build();
    from.find(5, 1)->activated = 1;
    from.find(9, 4)->activated = 1;
    FakeWorld reordered;
    reordered.gates = {{9, 4}, {5, 2}, {5, 1}};
    GateList to;
    to.setSource(&reordered);
    to.build();
    to.copyActivationFrom(from);
    EXPECT_EQ(activatedFlags(to), (std::vector<int>{1, 0, 1}));
}

TEST_F(GateListTest, HostileCountsAreRefused)
{
    LogCapture log;
    ByteBuffer buffer;
    buffer.writeInt(0x40000000u); // far more records than bytes
    buffer.writeInt(5u);
    GateList loaded;
    loaded.setSource(&world);
    EXPECT_FALSE(loaded.readFileImage(buffer, 14));
    EXPECT_EQ(loaded.getActivatedCount(), 0);
    EXPECT_TRUE(log.contains("exceeds", 3));

    ByteBuffer empty;
    EXPECT_FALSE(loaded.readFileImage(empty, 14));
}

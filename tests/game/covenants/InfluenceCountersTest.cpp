#include "game/covenants/InfluenceCounters.h"
#include "engine/core/ByteBuffer.h"
#include "game/covenants/CovenantTestData.h"

#include <limits>

using InfluenceCountersTest = CovenantTestData;

TEST_F(InfluenceCountersTest, SixteenBytesInOrder)
{
    InfluenceCounters c{100, 40, 60, 7};
    ByteBuffer b;
    writeInfluenceCounters(b, c);
    EXPECT_EQ(b.bytes(), std::vector<uint8_t>({0x64, 0, 0, 0, 0x28, 0, 0, 0, 0x3C, 0, 0, 0, 0x07, 0, 0, 0}));
    InfluenceCounters back;
    ASSERT_TRUE(readInfluenceCounters(b, back));
    EXPECT_EQ(back, c);
    EXPECT_EQ(back.total(), 207);

    ByteBuffer cut(b.data(), 12);
    InfluenceCounters untouched{1, 2, 3, 4};
    EXPECT_FALSE(readInfluenceCounters(cut, untouched));
    EXPECT_EQ(untouched, (InfluenceCounters{1, 2, 3, 4}));
    EXPECT_EQ(cut.getReadPos(), 0u);
}

TEST_F(InfluenceCountersTest, DestructionAddsToCompetition)
{
    ASSERT_TRUE(loaded);
    InfluenceCounters destroyer{5, 10, 0, 0};
    addDestructionInfluence({100, 40, 60, 7}, destroyer, 1.5f);
    EXPECT_EQ(destroyer, (InfluenceCounters{5, 85, 0, 0})); // 200 x 1.5 x 0.25
    addDestructionInfluence({10, 3, 0, 99}, destroyer, 1.0f);
    EXPECT_EQ(destroyer.competition, 89); // ceil(3.25); transferred does not count

    InfluenceCounters full{0, std::numeric_limits<int32_t>::max() - 1, 0, 0};
    addDestructionInfluence({1000, 0, 0, 0}, full, 1.0f);
    EXPECT_EQ(full.competition, std::numeric_limits<int32_t>::max());
}

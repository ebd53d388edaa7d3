#include "game/skills/CounterList.h"

#include "engine/core/ByteBuffer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

CounterList listOf(std::vector<int> values, int size = 0)
{
    CounterList list(static_cast<int>(values.size()), size);
    for (size_t i = 0; i < values.size(); ++i)
        list.set(static_cast<int>(i), values[i]);
    return list;
}

TEST(CounterListTest, SaturatingUpdates)
{
    CounterList list(4);
    list.set(0, 8);
    list.addCapped(0, 5, 10);
    EXPECT_EQ(list.get(0), 10);
    list.set(0, 8);
    list.addCapped(0, 5, 0);
    EXPECT_EQ(list.get(0), 13);
    list.set(1, 3);
    list.subtractFloored(1, 5);
    EXPECT_EQ(list.get(1), 0);
    list.set(2, -4);
    list.add(2, 10);
    EXPECT_EQ(list.get(2), 6);
    list.set(3, 2147483600);
    list.add(3, 1000);
    EXPECT_EQ(list.get(3), 2147483647);
}

TEST(CounterListTest, WritesValuesAloneAndReadsThemBack)
{
    CounterList list = listOf({1, -2, 300});
    ByteBuffer out;
    list.write(out);
    std::vector<uint8_t> expected = {0x01, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF, 0x2C, 0x01, 0x00, 0x00};
    EXPECT_EQ(out.bytes(), expected);

    ByteBuffer in(out.bytes());
    CounterList back(3);
    EXPECT_TRUE(back.read(in));
    EXPECT_EQ(back, list);
    EXPECT_TRUE(in.atEnd());

    ByteBuffer partial(out.bytes());
    CounterList two(3);
    two.set(2, 77);
    EXPECT_TRUE(two.read(partial, 2));
    EXPECT_EQ(two.get(0), 1);
    EXPECT_EQ(two.get(1), -2);
    EXPECT_EQ(two.get(2), 77);
    EXPECT_EQ(partial.getReadPos(), 8u);
}

TEST(CounterListTest, StatTableRoundTrip)
{
    CounterList stats(112);
    for (int i = 0; i < 112; ++i)
        stats.set(i, (i - 50) * 1009);
    ByteBuffer out;
    stats.write(out);
    EXPECT_EQ(out.size(), 112u * 4);
    ByteBuffer in(out.bytes());
    CounterList back(112);
    ASSERT_TRUE(back.read(in));
    EXPECT_EQ(back, stats);
}

TEST(CounterListTest, CountBoundsResetCopyAndWrite)
{
    CounterList list = listOf({5, 6}, 4);
    list.set(3, 9);
    CounterList copy = list;
    list.reset();
    EXPECT_EQ(list.get(0), 0);
    EXPECT_EQ(list.get(3), 9);

    CounterList target(2, 4);
    target.set(3, -1);
    target.copyFrom(copy);
    EXPECT_EQ(target.get(0), 5);
    EXPECT_EQ(target.get(1), 6);
    EXPECT_EQ(target.get(3), -1);

    ByteBuffer out;
    copy.write(out);
    EXPECT_EQ(out.size(), 8u);

    // A shorter source gives what it holds and nothing more.
    CounterList wide(4);
    wide.set(3, 42);
    wide.copyFrom(listOf({1}));
    EXPECT_EQ(wide.get(0), 1);
    EXPECT_EQ(wide.get(3), 42);
}

TEST(CounterListTest, RefusesBadReads)
{
    LogCapture log;
    // Eight bytes hold two values; asking for three reads nothing.
    ByteBuffer shortBuffer;
    shortBuffer.writeInt(11);
    shortBuffer.writeInt(12);
    CounterList list = listOf({1, 2, 3}, 5);
    CounterList before = list;
    EXPECT_FALSE(list.read(shortBuffer, 3));
    EXPECT_TRUE(shortBuffer.failed());
    EXPECT_EQ(list, before);

    // More values than the vector holds: refused before reading.
    ByteBuffer big;
    for (int i = 0; i < 8; ++i)
        big.writeInt(100 + i);
    EXPECT_FALSE(list.read(big, 6));
    EXPECT_EQ(list, before);
    EXPECT_EQ(big.getReadPos(), 0u);
    EXPECT_TRUE(log.contains("CounterList::read", 2));
    EXPECT_FALSE(list.read(big, -1));

    // n may exceed the count as long as the vector holds it.
    EXPECT_TRUE(list.read(big, 5));
    EXPECT_EQ(list.get(4), 104);
}

TEST(CounterListTest, OutsideIndicesAreRefused)
{
    LogCapture log;
    CounterList list(2);
    list.set(5, 3);
    list.add(-1, 3);
    list.addCapped(2, 1, 0);
    list.subtractFloored(99, 1);
    EXPECT_EQ(list.get(112), 0);
    EXPECT_EQ(list.get(0), 0);
    EXPECT_EQ(list.get(1), 0);
    EXPECT_EQ(log.count(2), 5u);
}

} // namespace

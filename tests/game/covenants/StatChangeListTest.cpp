#include "game/covenants/StatChangeList.h"

#include "engine/core/Random.h"
#include "support/TestSupport.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace {

uint32_t stepped(uint32_t state, int steps)
{
    for (int i = 0; i < steps; ++i)
        state = state * Random::kMultiplier + Random::kIncrement;
    return state;
}

TEST(StatChangeListTest, AddCreatesOneEntryPerStat)
{
    StatChangeList list;
    list.add(7, 0, 0);
    EXPECT_TRUE(list.empty());
    list.add(7, 0, 1);
    ASSERT_EQ(list.getCount(), 1);
    EXPECT_EQ(list.entries()[0], (StatChange{0.0f, 1.0f, 7}));
    list.add(7, 2, 3);
    list.add(9, -1, -1);
    ASSERT_EQ(list.getCount(), 2);
    EXPECT_EQ(list.entries()[0], (StatChange{2.0f, 4.0f, 7}));

    StatChangeList raised;
    raised.add(7, 5, 2);
    ASSERT_EQ(raised.getCount(), 1);
    EXPECT_EQ(raised.entries()[0], (StatChange{5.0f, 5.0f, 7}));

    EXPECT_EQ(raised.find(8, false), nullptr);
    EXPECT_EQ(raised.getCount(), 1);
    StatChange* created = raised.find(8, true);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(*created, (StatChange{0.0f, 0.0f, 8}));
}

TEST(StatChangeListTest, RangesAreTruncatedAndOrdered)
{
    StatChangeList list;
    list.entries().push_back({-2.7f, -5.2f, 3});
    list.entries().push_back({1.9f, 4.5f, 0});
    int lo = 0;
    int hi = 0;
    int stat = 0;
    list.getEntryRange(0, lo, hi, stat);
    EXPECT_EQ(lo, -5);
    EXPECT_EQ(hi, -2);
    EXPECT_EQ(stat, 3);
    list.sumRanges(lo, hi);
    EXPECT_EQ(lo, -4);
    EXPECT_EQ(hi, 2);
    list.getStatRange(lo, hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 4);

    StatChangeList noStatZero;
    noStatZero.add(5, 1, 2);
    noStatZero.getStatRange(lo, hi);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 0);
    EXPECT_EQ(noStatZero.getCount(), 1);

    LogCapture log;
    list.getEntryRange(2, lo, hi, stat);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 0);
    EXPECT_EQ(stat, 0);
    EXPECT_EQ(log.count(2), 1u);
}

TEST(StatChangeListTest, ScaleAndCopy)
{
    StatChangeList list;
    list.entries().push_back({std::numeric_limits<float>::quiet_NaN(), 1e30f, 1});
    list.entries().push_back({2.0f, 3.0f, 2});
    StatChangeList before = list;
    list.scale(1.0f);
    EXPECT_EQ(std::memcmp(list.entries().data(), before.entries().data(), sizeof(StatChange) * 2), 0);
    list.scale(2.0f);
    EXPECT_EQ(list.entries()[1], (StatChange{4.0f, 6.0f, 2}));

    StatChangeList destination;
    destination.add(9, 1, 1);
    destination.add(8, 1, 1);
    destination.add(7, 1, 1);
    list.copyTo(destination);
    ASSERT_EQ(destination.getCount(), 2);
    EXPECT_EQ(destination.entries()[1], list.entries()[1]);
}

TEST(StatChangeListTest, HasPositiveMax)
{
    StatChangeList list;
    EXPECT_FALSE(list.hasPositiveMax());
    list.entries().push_back({-3.0f, 0.0f, 1});
    list.entries().push_back({-3.0f, -1.0f, 2});
    EXPECT_FALSE(list.hasPositiveMax());
    list.entries().push_back({0.0f, 0.5f, 3});
    EXPECT_TRUE(list.hasPositiveMax());
}

TEST(StatChangeListTest, RollsDrawStreamZero)
{
    Random::setState(0, 12345u);
    StatChangeList list;
    list.entries().push_back({3.0f, 3.0f, 6});
    int stat = -1;
    EXPECT_EQ(list.rollEntry(0, stat), 3);
    EXPECT_EQ(stat, 6);
    EXPECT_EQ(Random::getState(0), stepped(12345u, 1));

    // Out of order bounds roll inside the ordered range.
    StatChangeList wide;
    wide.entries().push_back({10.0f, 2.0f, 1});
    wide.entries().push_back({-1.0f, -1.0f, 2});
    for (int i = 0; i < 50; ++i) {
        int v = wide.rollEntry(0, stat);
        EXPECT_GE(v, 2);
        EXPECT_LE(v, 10);
        int total = wide.rollTotal();
        EXPECT_GE(total, 1);
        EXPECT_LE(total, 9);
    }

    // An index outside the list draws nothing.
    LogCapture log;
    uint32_t state = Random::getState(0);
    EXPECT_EQ(wide.rollEntry(5, stat), 0);
    EXPECT_EQ(Random::getState(0), state);
}

} // namespace

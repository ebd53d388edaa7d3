#include "game/definitions/Money.h"

#include <gtest/gtest.h>

#include <climits>

TEST(MoneyTest, FormatsEveryPartWithItsColourAndClosesEachPart)
{
    // 1234567 copper = 123 gold, 45 silver, 67 copper.
    EXPECT_EQ(formatMoney(1234567), "^c061123GP^c145 ^c12845SP^c145 ^c02667CP^c145");
}

TEST(MoneyTest, LeavesOutZeroParts)
{
    EXPECT_EQ(formatMoney(1000005), "^c061100GP^c145 ^c0265CP^c145");
    EXPECT_EQ(formatMoney(20000), "^c0612GP^c145");
    EXPECT_EQ(formatMoney(99), "^c02699CP^c145");
    EXPECT_EQ(formatMoney(100), "^c1281SP^c145");
}

TEST(MoneyTest, ZeroAndNegativeAmounts)
{
    EXPECT_EQ(formatMoney(0), "^c0260CP^c145");
    EXPECT_EQ(formatMoney(-250), "-^c1282SP^c145 ^c02650CP^c145");
    // The most negative amount has no positive twin: it must not overflow.
    std::string lowest = formatMoney(LLONG_MIN);
    EXPECT_EQ(lowest.rfind("-^c061922337203685477GP", 0), 0u) << lowest;
}

TEST(MoneyTest, ShortFormShowsOnlyTheLargestPart)
{
    EXPECT_EQ(formatMoneyShort(1234567), "^c061123GP^c145");
    EXPECT_EQ(formatMoneyShort(4599), "^c12845SP^c145");
    EXPECT_EQ(formatMoneyShort(7), "^c0267CP^c145");
    EXPECT_EQ(formatMoneyShort(0), "^c0260CP^c145");
    EXPECT_EQ(formatMoneyShort(-10000), "-^c0611GP^c145");
}

#include "engine/core/GameTime.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {
void expectNormalised(const GameTime& t)
{
    EXPECT_GE(t.seconds, 0.0f);
    EXPECT_LT(t.seconds, 60.0f);
    EXPECT_GE(t.minutes, 0);
    EXPECT_LT(t.minutes, 60);
    EXPECT_GE(t.hours, 0);
    EXPECT_LT(t.hours, 24);
}
} // namespace

TEST(GameTime, NormalizeCarriesEveryField)
{
    GameTime t(0, 0, 0, 3725.5f);
    t.normalize();
    EXPECT_EQ(t, GameTime(0, 1, 2, 5.5f));

    GameTime u(0, 23, 59, 60.0f);
    u.normalize();
    EXPECT_EQ(u, GameTime(1, 0, 0, 0.0f));

    GameTime v(2, 49, 130, 0.0f);
    v.normalize();
    EXPECT_EQ(v, GameTime(4, 3, 10, 0.0f));
}

TEST(GameTime, NormalizeBorrowsNegativeFields)
{
    GameTime t(1, 0, 0, -1.0f);
    t.normalize();
    EXPECT_EQ(t, GameTime(0, 23, 59, 59.0f));

    GameTime u(0, -1, -61, -0.5f);
    u.normalize();
    // -1 h - 61 min - 0.5 s = -(2 h 1 min 0.5 s) = -1 day + 21 h 58 min 59.5 s
    EXPECT_EQ(u, GameTime(-1, 21, 58, 59.5f));
    expectNormalised(u);
}

TEST(GameTime, DifferenceOfLaterMinusEarlierIsPositiveAndComparesRight)
{
    GameTime now(3, 1, 0, 10.0f);
    GameTime since(2, 23, 59, 50.0f);
    GameTime elapsed = now - since;
    EXPECT_EQ(elapsed, GameTime(0, 1, 0, 20.0f));
    EXPECT_DOUBLE_EQ(elapsed.toSeconds(), 3620.0);

    // The reverse difference is negative and must sort below zero.
    GameTime back = since - now;
    expectNormalised(back);
    EXPECT_LT(back, GameTime());
    EXPECT_DOUBLE_EQ(back.toSeconds(), -3620.0);
}

TEST(GameTime, ComparisonIsFieldByFieldInOrder)
{
    EXPECT_LT(GameTime(0, 0, 59, 59.9f), GameTime(0, 1, 0, 0.0f));
    EXPECT_LT(GameTime(0, 23, 59, 59.0f), GameTime(1, 0, 0, 0.0f));
    EXPECT_LT(GameTime(1, 2, 3, 4.0f), GameTime(1, 2, 3, 4.5f));
    EXPECT_GE(GameTime(1, 2, 3, 4.0f), GameTime(1, 2, 3, 4.0f));
    EXPECT_GT(GameTime(1, 2, 4, 0.0f), GameTime(1, 2, 3, 59.0f));
    EXPECT_FALSE(GameTime(1, 2, 3, 4.0f) < GameTime(1, 2, 3, 4.0f));
}

TEST(GameTime, AddSecondsCarriesAndBorrows)
{
    GameTime t(0, 23, 59, 59.5f);
    t.addSeconds(1.0);
    EXPECT_EQ(t, GameTime(1, 0, 0, 0.5f));
    t.addSeconds(-1.0);
    EXPECT_EQ(t, GameTime(0, 23, 59, 59.5f));
    t.addSeconds(-86400.0);
    EXPECT_EQ(t, GameTime(-1, 23, 59, 59.5f));

    GameTime big;
    big.addSeconds(10.0 * 86400.0 + 3661.25);
    EXPECT_EQ(big, GameTime(10, 1, 1, 1.25f));
    big.clear();
    EXPECT_EQ(big, GameTime());
}

TEST(GameTime, NormalizeKeepsRangesAndValueForArbitraryFields)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> field(-100000, 100000);
    std::uniform_real_distribution<float> secs(-5000.0f, 5000.0f);
    for (int i = 0; i < 2000; ++i) {
        GameTime t(field(rng) / 100, field(rng), field(rng), secs(rng));
        double before = t.toSeconds();
        t.normalize();
        expectNormalised(t);
        EXPECT_NEAR(t.toSeconds(), before, 1e-2) << i;
    }
}

TEST(GameTime, NormalizeRepairsNonFiniteAndTinyNegativeSeconds)
{
    GameTime t(0, 0, 5, NAN);
    t.normalize();
    EXPECT_EQ(t, GameTime(0, 0, 5, 0.0f));

    // -1e-7 + 60 rounds to exactly 60 in float; must not stay at 60.
    GameTime u(0, 0, 5, -1e-7f);
    u.normalize();
    expectNormalised(u);
}

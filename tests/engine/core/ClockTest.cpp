#include "engine/core/Clock.h"

#include <gtest/gtest.h>

namespace {
constexpr int64_t kMs = 1000000;
constexpr int64_t kSecond = 1000 * kMs;
} // namespace

TEST(Clock, FrameTimeIsZeroBeforeTheFirstUpdate)
{
    int64_t now = 5 * kSecond; // any starting point of the clock
    Clock clock([&] { return now; });
    EXPECT_EQ(clock.getFrameTimeMs(), 0.0);
    EXPECT_EQ(clock.getGameTime(), GameTime());
    EXPECT_EQ(clock.getTimeMs(), 0);

    now += 16 * kMs + kMs / 2;
    EXPECT_EQ(clock.getTimeMs(), 16); // live, before any update
    clock.update();
    EXPECT_DOUBLE_EQ(clock.getFrameTimeMs(), 16.5);
    EXPECT_DOUBLE_EQ(clock.getFrameTimeSeconds(), 0.0165);
    now += 40 * kMs;
    clock.update();
    EXPECT_DOUBLE_EQ(clock.getFrameTimeMs(), 40.0);
    EXPECT_EQ(clock.getTimeMs(), 56);
    EXPECT_NEAR(clock.getGameTime().seconds, 0.0565f, 1e-6);
}

TEST(Clock, GameTimeAndSecondsField)
{
    int64_t now = 0;
    Clock clock([&] { return now; });
    now = ((26LL * 60 + 3) * 60 + 4) * kSecond + 500 * kMs; // 1 day 2 h 3 min 4.5 s
    clock.update();
    EXPECT_EQ(clock.getGameTime(), GameTime(1, 2, 3, 4.5f));
    EXPECT_FLOAT_EQ(clock.getSecondsField(), 4.5f);
    EXPECT_EQ(clock.getTimeMs(), ((26LL * 60 + 3) * 60 + 4) * 1000 + 500);

    // The seconds field restarts every minute.
    now += 60 * kSecond;
    clock.update();
    EXPECT_FLOAT_EQ(clock.getSecondsField(), 4.5f);
    EXPECT_EQ(clock.getGameTime().minutes, 4);
}

TEST(Clock, SecondsStayBelowSixtyAtTheMinuteTurn)
{
    GameTime t = Clock::toGameTime(60 * kSecond - 1);
    EXPECT_EQ(t.minutes, 0);
    EXPECT_LT(t.seconds, 60.0f);
    EXPECT_GT(t.seconds, 59.99f);
    EXPECT_EQ(Clock::toGameTime(60 * kSecond), GameTime(0, 0, 1, 0.0f));
    EXPECT_EQ(Clock::toGameTime(24 * 3600 * kSecond), GameTime(1, 0, 0, 0.0f));
    EXPECT_EQ(Clock::toGameTime(-5), GameTime());
    // Far beyond any session: fields stay in range.
    GameTime far = Clock::toGameTime(400LL * 24 * 3600 * kSecond + 23 * 3600 * kSecond);
    EXPECT_EQ(far, GameTime(400, 23, 0, 0.0f));
}

TEST(Clock, ClockGoingBackGivesNoNegativeFrame)
{
    int64_t now = 100 * kMs;
    Clock clock([&] { return now; });
    now = 150 * kMs;
    clock.update();
    now = 120 * kMs;
    clock.update();
    EXPECT_EQ(clock.getFrameTimeMs(), 0.0);
    now = 160 * kMs;
    clock.update();
    EXPECT_DOUBLE_EQ(clock.getFrameTimeMs(), 10.0);
}

TEST(Clock, MonotonicClockAndSleeps)
{
    int64_t a = Clock::monotonicNanoseconds();
    Clock::sleepMs(0);
    Clock::sleepMs(-3);
    Clock::sleepMs(2);
    int64_t b = Clock::monotonicNanoseconds();
    EXPECT_GE(b - a, 2 * kMs);

    Clock clock;
    EXPECT_EQ(&Clock::get(), &clock);
    Clock::sleepMs(3);
    clock.update();
    EXPECT_GE(clock.getFrameTimeMs(), 3.0);
    EXPECT_GE(clock.getTimeMs(), 3);
}

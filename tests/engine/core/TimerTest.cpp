#include "engine/core/Timer.h"

#include <gtest/gtest.h>

namespace {
constexpr int64_t kMs = 1000000;
constexpr int64_t kSecond = 1000 * kMs;
} // namespace

TEST(Timer, FrameTimeIsZeroBeforeTheFirstUpdate)
{
    int64_t now = 5 * kSecond; // any starting point of the clock
    Timer timer([&] { return now; });
    EXPECT_EQ(timer.getFrameTimeMs(), 0.0);
    EXPECT_EQ(timer.getGameTime(), GameTime());
    EXPECT_EQ(timer.getTimeMs(), 0);

    now += 16 * kMs + kMs / 2;
    EXPECT_EQ(timer.getTimeMs(), 16); // live, before any update
    timer.update();
    EXPECT_DOUBLE_EQ(timer.getFrameTimeMs(), 16.5);
    EXPECT_DOUBLE_EQ(timer.getFrameTimeSeconds(), 0.0165);
    now += 40 * kMs;
    timer.update();
    EXPECT_DOUBLE_EQ(timer.getFrameTimeMs(), 40.0);
    EXPECT_EQ(timer.getTimeMs(), 56);
    EXPECT_NEAR(timer.getGameTime().seconds, 0.0565f, 1e-6);
}

TEST(Timer, GameTimeAndSecondsField)
{
    int64_t now = 0;
    Timer timer([&] { return now; });
    now = ((26LL * 60 + 3) * 60 + 4) * kSecond + 500 * kMs; // 1 day 2 h 3 min 4.5 s
    timer.update();
    EXPECT_EQ(timer.getGameTime(), GameTime(1, 2, 3, 4.5f));
    EXPECT_FLOAT_EQ(timer.getSecondsField(), 4.5f);
    EXPECT_EQ(timer.getTimeMs(), ((26LL * 60 + 3) * 60 + 4) * 1000 + 500);

    // The seconds field restarts every minute.
    now += 60 * kSecond;
    timer.update();
    EXPECT_FLOAT_EQ(timer.getSecondsField(), 4.5f);
    EXPECT_EQ(timer.getGameTime().minutes, 4);
}

TEST(Timer, SecondsStayBelowSixtyAtTheMinuteTurn)
{
    GameTime t = Timer::toGameTime(60 * kSecond - 1);
    EXPECT_EQ(t.minutes, 0);
    EXPECT_LT(t.seconds, 60.0f);
    EXPECT_GT(t.seconds, 59.99f);
    EXPECT_EQ(Timer::toGameTime(60 * kSecond), GameTime(0, 0, 1, 0.0f));
    EXPECT_EQ(Timer::toGameTime(24 * 3600 * kSecond), GameTime(1, 0, 0, 0.0f));
    EXPECT_EQ(Timer::toGameTime(-5), GameTime());
    // Far beyond any session: fields stay in range.
    GameTime far = Timer::toGameTime(400LL * 24 * 3600 * kSecond + 23 * 3600 * kSecond);
    EXPECT_EQ(far, GameTime(400, 23, 0, 0.0f));
}

TEST(Timer, ClockGoingBackGivesNoNegativeFrame)
{
    int64_t now = 100 * kMs;
    Timer timer([&] { return now; });
    now = 150 * kMs;
    timer.update();
    now = 120 * kMs;
    timer.update();
    EXPECT_EQ(timer.getFrameTimeMs(), 0.0);
    now = 160 * kMs;
    timer.update();
    EXPECT_DOUBLE_EQ(timer.getFrameTimeMs(), 10.0);
}

TEST(Timer, MonotonicClockAndSleeps)
{
    int64_t a = Timer::monotonicNanoseconds();
    Timer::sleepMs(0);
    Timer::sleepMs(-3);
    Timer::sleepMs(2);
    int64_t b = Timer::monotonicNanoseconds();
    EXPECT_GE(b - a, 2 * kMs);

    Timer timer;
    EXPECT_EQ(&Timer::get(), &timer);
    Timer::sleepMs(3);
    timer.update();
    EXPECT_GE(timer.getFrameTimeMs(), 3.0);
    EXPECT_GE(timer.getTimeMs(), 3);
}

#include "game/entities/Timer.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "game/entities/TimerList.h"

#include <gtest/gtest.h>

TEST(TimerTest, NewTimerIsStoppedAndEmpty)
{
    Timer t;
    EXPECT_FALSE(t.running);
    EXPECT_FALSE(t.listed);
    EXPECT_EQ(t.min, 0.0f);
    EXPECT_EQ(t.max, 0.0f);
    EXPECT_EQ(t.duration, 0.0f);
    EXPECT_FALSE(t.isExpired());
}

TEST(TimerTest, EqualBoundsGiveExactLength)
{
    Timer t;
    t.min = 2.0f;
    t.max = 2.0f;
    t.startRandom();
    EXPECT_TRUE(t.running);
    EXPECT_EQ(t.duration, 2.0f);
    EXPECT_EQ(t.remaining, 2.0f);
    EXPECT_FALSE(t.isExpired());
}

TEST(TimerTest, StartDrawsFromStreamZeroWithinBounds)
{
    Random::setState(0, 12345);
    float expected = randomFloat(0);
    Random::setState(0, 12345);
    Timer t;
    t.min = 1.0f;
    t.max = 3.0f;
    t.startRandom();
    EXPECT_FLOAT_EQ(t.duration, 1.0f + expected * 2.0f);
    EXPECT_GE(t.duration, 1.0f);
    EXPECT_LT(t.duration, 3.0f);
    EXPECT_EQ(t.remaining, t.duration);
}

TEST(TimerTest, StoppedTimerIgnoresAdvanceAndIsNeverExpired)
{
    Timer t;
    t.remaining = 0.0f;
    t.advance(1.0f);
    EXPECT_EQ(t.remaining, 0.0f);
    EXPECT_FALSE(t.isExpired());
    t.remaining = 0.5f;
    t.advance(0.2f);
    EXPECT_EQ(t.remaining, 0.5f);
}

TEST(TimerTest, AdvancingPastZeroLeavesExactlyZeroAndExpires)
{
    Timer t;
    t.min = t.max = 0.03f;
    t.startRandom();
    t.advance(0.01f);
    EXPECT_FALSE(t.isExpired());
    t.advance(0.05f);
    EXPECT_EQ(t.remaining, 0.0f);
    EXPECT_TRUE(t.isExpired());
    EXPECT_TRUE(t.running);
    t.running = false;
    EXPECT_FALSE(t.isExpired());
}

TEST(TimerTest, StoredFormRoundTripsAndSkipsListedFlag)
{
    Timer t;
    t.min = 1.5f;
    t.max = 4.25f;
    t.duration = 3.0f;
    t.remaining = 0.75f;
    t.running = true;
    t.listed = true;
    ByteBuffer buf;
    t.write(buf);
    ASSERT_EQ(buf.size(), 20u);

    Timer back;
    EXPECT_TRUE(back.read(buf));
    EXPECT_TRUE(back.running);
    EXPECT_FALSE(back.listed);
    EXPECT_EQ(back.min, 1.5f);
    EXPECT_EQ(back.max, 4.25f);
    EXPECT_EQ(back.duration, 3.0f);
    EXPECT_EQ(back.remaining, 0.75f);
}

TEST(TimerTest, AnyNonZeroRunningWordReadsAsRunning)
{
    ByteBuffer buf;
    buf.writeInt(uint32_t(5));
    for (int i = 0; i < 4; ++i) {
        buf.writeFloat(1.0f);
    }
    Timer t;
    EXPECT_TRUE(t.read(buf));
    EXPECT_TRUE(t.running);
}

TEST(TimerTest, ShortOrFailedBufferLeavesTimerUnchanged)
{
    Timer t;
    t.min = 7.0f;
    t.remaining = 3.0f;
    ByteBuffer shortBuf;
    shortBuf.writeInt(uint32_t(1));
    shortBuf.writeFloat(9.0f);
    EXPECT_FALSE(t.read(shortBuf));
    EXPECT_TRUE(shortBuf.failed());
    EXPECT_FALSE(t.running);
    EXPECT_EQ(t.min, 7.0f);
    EXPECT_EQ(t.remaining, 3.0f);

    ByteBuffer failed;
    Timer full;
    full.running = true;
    full.write(failed);
    failed.setReadPos(failed.size() + 1); // sets the failed flag
    failed.setReadPos(0);
    EXPECT_FALSE(t.read(failed));
    EXPECT_FALSE(t.running);
}

TEST(TimerListTest, AdvancesEveryEntryInOrderAndSkipsNull)
{
    Timer a;
    Timer b;
    Timer stopped;
    a.min = a.max = 1.0f;
    b.min = b.max = 0.1f;
    a.startRandom();
    b.startRandom();
    stopped.remaining = 5.0f;

    TimerList list;
    list.add(&a);
    list.add(nullptr);
    list.add(&b);
    list.add(&stopped);
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(list.at(1), nullptr);
    EXPECT_EQ(list.at(9), nullptr);
    list.update(0.25f);
    EXPECT_FLOAT_EQ(a.remaining, 0.75f);
    EXPECT_EQ(b.remaining, 0.0f);
    EXPECT_TRUE(b.isExpired());
    EXPECT_EQ(stopped.remaining, 5.0f);
}

#include "engine/core/Random.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <set>

namespace {

// An independent reference of one stream, in 64-bit arithmetic reduced by hand.
struct RefLcg {
    uint64_t x;
    uint32_t next()
    {
        x = (x * 569813ull + 9116991ull) % 4294967296ull;
        return static_cast<uint32_t>(x);
    }
    double value() { return static_cast<double>((next() >> 16) & 0x7FFF) / 32768.0; }
};

// The state that the next step turns into `target`: the multiplier is odd, so
// it has an inverse modulo 2^32 (Newton's iteration doubles the correct bits).
uint32_t stateBefore(uint32_t target)
{
    uint32_t inv = 569813u;
    for (int i = 0; i < 5; ++i) {
        inv *= 2u - 569813u * inv;
    }
    return (target - 9116991u) * inv;
}

// Makes the next draw of a stream give exactly k / 32768.
void forceNextDraw(int stream, uint32_t k)
{
    Random::setState(stream, stateBefore(k << 16));
}

class RandomTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < Random::kStreamCount; ++i) {
            saved[i] = Random::getState(i);
        }
    }
    void TearDown() override
    {
        for (int i = 0; i < Random::kStreamCount; ++i) {
            Random::setState(i, saved[i]);
        }
    }
    uint32_t saved[Random::kStreamCount];
};

} // namespace

TEST_F(RandomTest, GoldenSequencesForSeveralSeedsAndStreams)
{
    // Worked by hand: from state 0 the first step gives the increment itself.
    Random::setState(0, 0);
    EXPECT_EQ(Random::next(0), 9116991u);
    Random::setState(0, 0);
    EXPECT_FLOAT_EQ(randomFloat(0), 139.0f / 32768.0f); // 9116991 >> 16 == 139

    const uint32_t seeds[] = {0u, 1u, 12345u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0xDEADBEEFu};
    for (int stream = 0; stream < Random::kStreamCount; ++stream) {
        for (uint32_t seed : seeds) {
            Random::setState(stream, seed);
            RefLcg ref{seed};
            for (int i = 0; i < 200; ++i) {
                uint32_t expected = ref.next();
                if (i % 2 == 0) {
                    ASSERT_EQ(Random::next(stream), expected) << "stream " << stream << " seed " << seed;
                } else {
                    float expectedValue = static_cast<float>((expected >> 16) & 0x7FFF) / 32768.0f;
                    ASSERT_EQ(randomFloat(stream), expectedValue) << "stream " << stream << " seed " << seed;
                }
            }
            EXPECT_EQ(Random::getState(stream), static_cast<uint32_t>(ref.x));
        }
    }
}

TEST_F(RandomTest, StreamsAreIndependentAndValuesStayBelowOne)
{
    for (int i = 0; i < Random::kStreamCount; ++i) {
        Random::setState(i, 1000u + static_cast<uint32_t>(i));
    }
    for (int i = 0; i < 50; ++i) {
        randomFloat(2);
    }
    EXPECT_EQ(Random::getState(0), 1000u);
    EXPECT_EQ(Random::getState(1), 1001u);
    EXPECT_EQ(Random::getState(3), 1003u);
    EXPECT_EQ(Random::getState(4), 1004u);

    // The largest raw value maps just below 1.
    forceNextDraw(1, 0x7FFF);
    EXPECT_EQ(randomFloat(1), 32767.0f / 32768.0f);
    forceNextDraw(1, 0);
    EXPECT_EQ(randomFloat(1), 0.0f);
    // Bit 31 of the state is not part of the value.
    Random::setState(1, stateBefore(0x80000000u | (5u << 16)));
    EXPECT_EQ(randomFloat(1), 5.0f / 32768.0f);
}

TEST_F(RandomTest, SystemSeedsOnlyTheSharedStream)
{
    for (int i = 1; i < Random::kStreamCount; ++i) {
        Random::setState(i, 77u);
    }
    Random random;
    for (int i = 1; i < Random::kStreamCount; ++i) {
        EXPECT_EQ(Random::getState(i), 77u);
    }
    EXPECT_EQ(&Random::get(), &random);
}

TEST_F(RandomTest, RandomIntBothOverloadsFollowTruncation)
{
    for (uint32_t seed : {3u, 99u, 4242u}) {
        Random::setState(0, seed);
        Random::setState(2, seed);
        RefLcg ref{seed};
        for (int n : {1, 2, 3, 7, 10, 1000, 100000, std::numeric_limits<int>::max()}) {
            int expected = static_cast<int>(std::trunc(ref.value() * n));
            int fromStream0 = randomInt(n);
            int fromStream2 = randomInt(2, n);
            EXPECT_EQ(fromStream0, expected) << n;
            EXPECT_EQ(fromStream2, expected) << n;
            EXPECT_GE(fromStream0, 0);
            EXPECT_LT(fromStream0, n);
        }
    }
    // The largest draw never reaches n.
    forceNextDraw(0, 0x7FFF);
    EXPECT_EQ(randomInt(32768), 32767);
    forceNextDraw(0, 0x7FFF);
    EXPECT_EQ(randomInt(std::numeric_limits<int>::max()), 2147418111); // trunc((2^31-1) * 32767 / 32768)
    forceNextDraw(0, 0x7FFF);
    EXPECT_EQ(randomInt(1), 0);
}

TEST_F(RandomTest, EmptyRangesDrawNothing)
{
    LogCapture capture;
    Random::setState(0, 555u);
    Random::setState(3, 666u);
    EXPECT_EQ(randomInt(0), 0);
    EXPECT_EQ(randomInt(-5), 0);
    EXPECT_EQ(randomInt(3, 0), 0);
    EXPECT_EQ(randomIntInclusive(5, 4), 5);
    EXPECT_EQ(randomIntInclusive(3, -1, -10), -1);
    std::vector<int> picked = {9, 9};
    randomPickDistinct(10, -1, picked);
    EXPECT_TRUE(picked.empty());
    randomPickDistinct(0, 3, picked);
    EXPECT_TRUE(picked.empty());
    randomPickDistinct(-4, 2, picked);
    EXPECT_TRUE(picked.empty());
    randomPickDistinct(5, 0, picked);
    EXPECT_TRUE(picked.empty());
    EXPECT_EQ(Random::getState(0), 555u);
    EXPECT_EQ(Random::getState(3), 666u);
#ifndef NDEBUG
    // Debug builds name the mistaken call.
    EXPECT_TRUE(capture.contains("randomInt: empty range", 2));
    EXPECT_TRUE(capture.contains("randomIntInclusive: empty range", 2));
    EXPECT_TRUE(capture.contains("randomPickDistinct: empty range", 2));
#endif
}

TEST_F(RandomTest, RandomIntInclusiveCoversBothEnds)
{
    Random::setState(1, 31337u);
    RefLcg ref{31337u};
    for (auto [lo, hi] : {std::pair{-3, 3}, std::pair{10, 10}, std::pair{0, 1}, std::pair{-100, 250}}) {
        int expected = lo + static_cast<int>(std::trunc(ref.value() * (hi - lo + 1)));
        EXPECT_EQ(randomIntInclusive(1, lo, hi), expected);
    }
    forceNextDraw(0, 0);
    EXPECT_EQ(randomIntInclusive(-7, 7), -7);
    forceNextDraw(0, 0x7FFF);
    EXPECT_EQ(randomIntInclusive(-7, 7), 7);
    // The whole int range: no overflow, and the top draw stays within hi.
    forceNextDraw(0, 0x7FFF);
    int top = randomIntInclusive(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    EXPECT_LE(top, std::numeric_limits<int>::max());
    EXPECT_GT(top, std::numeric_limits<int>::max() - 200000);
    forceNextDraw(0, 0);
    EXPECT_EQ(randomIntInclusive(std::numeric_limits<int>::min(), std::numeric_limits<int>::max()),
              std::numeric_limits<int>::min());

    // Every value of a small range turns up, nothing outside it.
    Random::setState(0, 1u);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        int v = randomIntInclusive(2, 6);
        ASSERT_GE(v, 2);
        ASSERT_LE(v, 6);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 5u);
}

TEST_F(RandomTest, FloatHelpersMatchTheirFormulas)
{
    Random::setState(0, 2024u);
    Random::setState(4, 2024u);
    RefLcg ref{2024u};
    double r = ref.value();
    EXPECT_FLOAT_EQ(randomFloatBetween(2.0f, 6.0f), static_cast<float>(2.0 + 4.0 * r));
    EXPECT_FLOAT_EQ(randomFloatBetween(4, 2.0f, 6.0f), static_cast<float>(2.0 + 4.0 * r));
    r = ref.value();
    EXPECT_FLOAT_EQ(randomFloatScaled(10.0f), static_cast<float>(10.0 * r));
    r = ref.value();
    EXPECT_FLOAT_EQ(randomRange(8.0f, 0.25f), static_cast<float>(8.0 + 8.0 * 0.25 * (2.0 * r - 1.0)));

    // Reversed bounds are a plain formula, not an empty range.
    forceNextDraw(0, 16384);
    EXPECT_FLOAT_EQ(randomFloatBetween(6.0f, 2.0f), 4.0f);

    // randomRange spans [base - base*f, base + base*f).
    forceNextDraw(0, 0);
    EXPECT_FLOAT_EQ(randomRange(2.0f, 0.1f), 1.8f);
    forceNextDraw(0, 0x7FFF);
    float top = randomRange(2.0f, 0.1f);
    EXPECT_LT(top, 2.2f);
    EXPECT_GT(top, 2.199f);
    forceNextDraw(0, 16384);
    EXPECT_FLOAT_EQ(randomRange(2.0f, 0.1f), 2.0f);
}

TEST_F(RandomTest, PickDistinctIsAPartialFisherYates)
{
    Random::setState(0, 8080u);
    std::vector<int> picked;
    randomPickDistinct(10, 4, picked);

    // The same shuffle by hand from the reference stream.
    RefLcg ref{8080u};
    std::vector<int> pool = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<int> expected;
    for (int i = 0; i < 4; ++i) {
        int j = i + static_cast<int>(ref.value() * (10 - i));
        std::swap(pool[i], pool[j]);
        expected.push_back(pool[i]);
    }
    EXPECT_EQ(picked, expected);
    // Exactly one draw per index.
    EXPECT_EQ(Random::getState(0), static_cast<uint32_t>(ref.x));

    // k above n is clamped: a permutation of all n.
    randomPickDistinct(6, 50, picked);
    ASSERT_EQ(picked.size(), 6u);
    std::vector<int> sorted = picked;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2, 3, 4, 5}));

    for (int round = 0; round < 200; ++round) {
        randomPickDistinct(20, 7, picked);
        ASSERT_EQ(picked.size(), 7u);
        std::set<int> unique(picked.begin(), picked.end());
        ASSERT_EQ(unique.size(), 7u);
        ASSERT_GE(*unique.begin(), 0);
        ASSERT_LT(*unique.rbegin(), 20);
    }
}

TEST_F(RandomTest, RandomRoundUsesTheFractionAsChance)
{
    // 2.25: up only when the draw is below 0.25.
    forceNextDraw(0, 8191); // 0.24997
    EXPECT_EQ(randomRound(2.25f), 3);
    forceNextDraw(0, 8192); // exactly 0.25
    EXPECT_EQ(randomRound(2.25f), 2);
    // Negative values round towards floor or floor + 1.
    forceNextDraw(0, 0);
    EXPECT_EQ(randomRound(-1.5f), -1);
    forceNextDraw(0, 0x7FFF);
    EXPECT_EQ(randomRound(-1.5f), -2);
    // Whole numbers stay, yet still take their one draw.
    Random::setState(0, 5u);
    EXPECT_EQ(randomRound(4.0f), 4);
    RefLcg ref{5u};
    ref.next();
    EXPECT_EQ(Random::getState(0), static_cast<uint32_t>(ref.x));

    // Over many draws the mean approaches x.
    Random::setState(0, 17u);
    long long sum = 0;
    for (int i = 0; i < 20000; ++i) {
        sum += randomRound(0.3f);
    }
    EXPECT_NEAR(static_cast<double>(sum) / 20000.0, 0.3, 0.02);
}

TEST(Rounding, RoundFloorCeilAndSaturation)
{
    EXPECT_EQ(roundToInt(2.5f), 3);
    EXPECT_EQ(roundToInt(2.49f), 2);
    EXPECT_EQ(roundToInt(-2.5f), -2); // floor(x + 0.5), not away from zero
    EXPECT_EQ(roundToInt(-2.51f), -3);
    EXPECT_EQ(floorToInt(-0.5f), -1);
    EXPECT_EQ(floorToInt(3.999f), 3);
    EXPECT_EQ(ceilToInt(-0.5f), 0);
    EXPECT_EQ(ceilToInt(3.001f), 4);
    EXPECT_EQ(ceilToInt(3.0f), 3);
    EXPECT_EQ(roundToInt(1e20f), std::numeric_limits<int>::max());
    EXPECT_EQ(floorToInt(-1e20f), std::numeric_limits<int>::min());
    EXPECT_EQ(ceilToInt(std::numeric_limits<float>::infinity()), std::numeric_limits<int>::max());
    EXPECT_EQ(roundToInt(std::nanf("")), 0);
}

TEST_F(RandomTest, UnitVectors)
{
    Random::setState(0, 4711u);
    RefLcg ref{4711u};
    double x = 2.0 * ref.value() - 1.0;
    double y = 2.0 * ref.value() - 1.0;
    double len = std::sqrt(x * x + y * y);
    Vec2 v = randomUnitVec2();
    EXPECT_NEAR(v.x, x / len, 1e-6);
    EXPECT_NEAR(v.y, y / len, 1e-6);

    Random::setState(0, 1u);
    Random::setState(3, 4711u);
    RefLcg ref3{4711u};
    double a = 2.0 * ref3.value() - 1.0, b = 2.0 * ref3.value() - 1.0, c = 2.0 * ref3.value() - 1.0;
    double len3 = std::sqrt(a * a + b * b + c * c);
    Vec3 w = randomUnitVector();
    EXPECT_NEAR(w.x, a / len3, 1e-6);
    EXPECT_NEAR(w.y, b / len3, 1e-6);
    EXPECT_NEAR(w.z, c / len3, 1e-6);
    EXPECT_EQ(Random::getState(0), 1u); // only stream 3 was used

    for (int i = 0; i < 500; ++i) {
        Vec2 u = randomUnitVec2();
        ASSERT_NEAR(std::sqrt(u.x * u.x + u.y * u.y), 1.0, 1e-5);
        Vec3 u3 = randomUnitVector();
        ASSERT_NEAR(std::sqrt(u3.x * u3.x + u3.y * u3.y + u3.z * u3.z), 1.0, 1e-5);
    }
}

#include "engine/core/Random.h"

#include "engine/core/Clock.h"
#include "engine/core/DebugSystem.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

uint32_t g_states[Random::kStreamCount] = {0, 0, 0, 0, 0};

int checkedStream(int stream)
{
    if (stream < 0 || stream >= Random::kStreamCount) {
        debugPrint(3, "Random stream %d out of range\n", stream);
        return 0;
    }
    return stream;
}

// Callers asking for an empty range are mistaken; in debug builds say so. The
// result is defined either way and the stream is not stepped.
void reportEmptyRange([[maybe_unused]] const char* function, [[maybe_unused]] long long a,
                      [[maybe_unused]] long long b)
{
#ifndef NDEBUG
    debugPrint(2, "%s: empty range (%lld, %lld)\n", function, a, b);
#endif
}

int saturateToInt(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

} // namespace

Random::Random()
{
    // The shared stream differs from run to run; the others stay 0 until the
    // world seeds them.
    int64_t ns = Clock::monotonicNanoseconds();
    setState(0, static_cast<uint32_t>(ns ^ (ns >> 32)));
}

uint32_t Random::next(int stream)
{
    uint32_t& x = g_states[checkedStream(stream)];
    x = x * kMultiplier + kIncrement;
    return x;
}

uint32_t Random::getState(int stream)
{
    return g_states[checkedStream(stream)];
}

void Random::setState(int stream, uint32_t state)
{
    g_states[checkedStream(stream)] = state;
}

float randomFloat(int stream)
{
    uint32_t x = Random::next(stream);
    return static_cast<float>((x >> 16) & 0x7FFF) / 32768.0f;
}

int randomInt(int n)
{
    return randomInt(0, n);
}

int randomInt(int stream, int n)
{
    if (n <= 0) {
        reportEmptyRange("randomInt", 0, n);
        return 0;
    }
    int value = static_cast<int>(static_cast<double>(randomFloat(stream)) * n);
    return value < n ? value : n - 1;
}

int randomIntInclusive(int lo, int hi)
{
    return randomIntInclusive(0, lo, hi);
}

int randomIntInclusive(int stream, int lo, int hi)
{
    if (hi < lo) {
        reportEmptyRange("randomIntInclusive", lo, hi);
        return lo;
    }
    int64_t span = static_cast<int64_t>(hi) - lo + 1;
    int64_t value =
        lo + static_cast<int64_t>(static_cast<double>(randomFloat(stream)) * static_cast<double>(span));
    // hi + 1 can only come from rounding; it is folded to hi.
    return static_cast<int>(value > hi ? hi : value);
}

float randomFloatBetween(float lo, float hi)
{
    return randomFloatBetween(0, lo, hi);
}

float randomFloatBetween(int stream, float lo, float hi)
{
    return lo + (hi - lo) * randomFloat(stream);
}

float randomFloatScaled(float max)
{
    return randomFloat(0) * max;
}

float randomRange(float base, float fraction)
{
    return base + base * fraction * (2.0f * randomFloat(0) - 1.0f);
}

void randomPickDistinct(int n, int k, std::vector<int>& out)
{
    out.clear();
    if (k <= 0 || n <= 0) {
        if (k < 0 || n < 0) {
            reportEmptyRange("randomPickDistinct", n, k);
        }
        return;
    }
    if (k > n) {
        k = n;
    }
    std::vector<int> pool(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        pool[static_cast<size_t>(i)] = i;
    }
    out.reserve(static_cast<size_t>(k));
    for (int i = 0; i < k; ++i) {
        int j = i + randomInt(n - i);
        std::swap(pool[static_cast<size_t>(i)], pool[static_cast<size_t>(j)]);
        out.push_back(pool[static_cast<size_t>(i)]);
    }
}

int randomRound(float x)
{
    double f = std::floor(static_cast<double>(x));
    double fraction = static_cast<double>(x) - f;
    float r = randomFloat(0);
    return saturateToInt(static_cast<double>(r) < fraction ? f + 1.0 : f);
}

int rollPercent()
{
    return std::min(static_cast<int>(randomFloat(0) * 100.0f), 99);
}

int roundToInt(float x)
{
    return saturateToInt(std::floor(static_cast<double>(x) + 0.5));
}

int floorToInt(float x)
{
    return saturateToInt(std::floor(static_cast<double>(x)));
}

int ceilToInt(float x)
{
    return saturateToInt(std::ceil(static_cast<double>(x)));
}

Vec2 randomUnitVec2()
{
    Vec2 v;
    v.x = 2.0f * randomFloat(0) - 1.0f;
    v.y = 2.0f * randomFloat(0) - 1.0f;
    float length = std::sqrt(v.x * v.x + v.y * v.y);
    if (length == 0.0f) {
        return Vec2(1.0f, 0.0f);
    }
    return Vec2(v.x / length, v.y / length);
}

Vec3 randomUnitVector()
{
    Vec3 v;
    v.x = 2.0f * randomFloat(3) - 1.0f;
    v.y = 2.0f * randomFloat(3) - 1.0f;
    v.z = 2.0f * randomFloat(3) - 1.0f;
    float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0f) {
        return Vec3(1.0f, 0.0f, 0.0f);
    }
    return Vec3(v.x / length, v.y / length, v.z / length);
}

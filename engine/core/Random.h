#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/Singleton.h"

#include <cstdint>
#include <vector>

// Five linear congruential streams, each advanced x := x * 569813 + 9116991
// (32 bits) and read as ((x >> 16) & 0x7FFF) / 32768, a float in [0, 1) with 15
// bits. Stream 0 is the shared game stream, 1 world layout and quest seeds,
// 2 level layouts, 3 secret levels, quests, beams and appearances.
// The states are process-wide and all 0 until seeded; the system object seeds
// stream 0 from the clock at start-up. Main thread only.
class Random : public Singleton<Random> {
public:
    static constexpr int kStreamCount = 5;
    static constexpr uint32_t kMultiplier = 569813u;
    static constexpr uint32_t kIncrement = 9116991u;

    Random();

    // Steps the stream and returns its raw state.
    static uint32_t next(int stream);
    static uint32_t getState(int stream);
    static void setState(int stream, uint32_t state);
};

// Next value of a stream in [0, 1).
float randomFloat(int stream = 0);

// 0 .. n - 1 as trunc(r * n). n <= 0 gives 0 without drawing.
int randomInt(int n);
int randomInt(int stream, int n);

// lo .. hi as lo + trunc(r * (hi - lo + 1)). hi < lo gives lo without drawing.
int randomIntInclusive(int lo, int hi);
int randomIntInclusive(int stream, int lo, int hi);

// lo + (hi - lo) * r.
float randomFloatBetween(float lo, float hi);
float randomFloatBetween(int stream, float lo, float hi);

// r * max, stream 0.
float randomFloatScaled(float max);

// base + base * fraction * (2r - 1): uniform in [base - base*fraction,
// base + base*fraction), stream 0.
float randomRange(float base, float fraction);

// k distinct indexes of 0 .. n - 1 (k clamped to n) into out, in draw order,
// by a partial Fisher-Yates shuffle with one randomInt(n - i) draw per index.
// k <= 0 or n <= 0 gives an empty list without drawing.
void randomPickDistinct(int n, int k, std::vector<int>& out);

// floor(x) + 1 with probability frac(x), else floor(x); always one draw of
// stream 0.
int randomRound(float x);

// The whole part of a stream-0 draw × 100: 0 … 99.
int rollPercent();

// floor(x + 0.5), floor(x), ceil(x); saturated to the int range, NaN gives 0.
int roundToInt(float x);
int floorToInt(float x);
int ceilToInt(float x);

// (2r - 1, 2r - 1) from stream 0, normalised. A zero vector would give (1, 0);
// consecutive draws of stream 0 never both give 0.5, so it is only a guard.
Vec2 randomUnitVec2();
// (2r - 1) per axis from three draws of stream 3, normalised; (1, 0, 0) for
// the zero vector.
Vec3 randomUnitVector();

#pragma once

#include <array>
#include <cstdint>

// A walk over map tiles as eight-way direction codes, from the mover's cell to
// the goal cell. The path finder fills it; the walker consumes it one code at a
// time through stepIndex. Even codes are straight steps, odd codes diagonal.
struct GridPath {
    static constexpr int kMaxSteps = 250;

    int32_t stepCount = 0;
    int32_t stepIndex = 0;
    std::array<int32_t, kMaxSteps> codes{};

    bool empty() const { return stepCount < 1; }
    void clear()
    {
        stepCount = 0;
        stepIndex = 0;
    }
};

// Tile offset of one direction code (0 … 7); other codes give no step.
struct GridStep {
    int dx = 0;
    int dy = 0;
};

constexpr GridStep gridStepOfCode(int code)
{
    constexpr GridStep kSteps[8] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
    if (code < 0 || code > 7)
        return {};
    return kSteps[code];
}

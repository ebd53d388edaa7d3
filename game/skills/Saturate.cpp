#include "game/skills/Saturate.h"

#include <algorithm>
#include <cmath>

namespace {

int clampWhole(double whole)
{
    if (std::isnan(whole))
        return 0;
    return static_cast<int>(
        std::clamp(whole, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

} // namespace

int saturate(double value)
{
    return clampWhole(std::trunc(value));
}

int saturateFloor(double value)
{
    return clampWhole(std::floor(value));
}

int saturateRound(double value)
{
    return clampWhole(std::floor(value + 0.5));
}

int saturateWide(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int saturatingMultiply(int a, int b)
{
    return saturateWide(static_cast<int64_t>(a) * b);
}

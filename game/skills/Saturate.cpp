#include "game/skills/Saturate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

int saturate(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(
        std::clamp(std::trunc(value), static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

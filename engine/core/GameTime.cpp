#include "engine/core/GameTime.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Floor division that also works for negative numerators.
int64_t floorDiv(int64_t value, int64_t divisor)
{
    int64_t q = value / divisor;
    if ((value % divisor) != 0 && (value < 0)) {
        --q;
    }
    return q;
}

int32_t clampToInt32(int64_t value)
{
    if (value > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

// Sets the minutes from a count that may lie outside 0..59, carrying whole
// hours into the hours and whole days into the days.
void setMinutesCarrying(GameTime& time, int64_t totalMinutes)
{
    int64_t carryHours = floorDiv(totalMinutes, 60);
    int64_t h = static_cast<int64_t>(time.hours) + carryHours;
    int64_t carryDays = floorDiv(h, 24);
    time.minutes = static_cast<int32_t>(totalMinutes - carryHours * 60);
    time.hours = static_cast<int32_t>(h - carryDays * 24);
    time.days = clampToInt32(static_cast<int64_t>(time.days) + carryDays);
}

} // namespace

void GameTime::normalize()
{
    // A corrupt or overflowed value would otherwise poison every comparison.
    if (!std::isfinite(seconds)) {
        seconds = 0.0f;
    }
    double s = seconds;
    double carrySeconds = std::floor(s / 60.0);
    // Keep the carry within range so the integer conversion is defined.
    if (carrySeconds > 1e15) {
        carrySeconds = 1e15;
    } else if (carrySeconds < -1e15) {
        carrySeconds = -1e15;
    }
    s -= carrySeconds * 60.0;
    float fs = static_cast<float>(s);
    if (fs >= 60.0f) {
        // Rounding to float can land exactly on 60.
        fs = 0.0f;
        carrySeconds += 1.0;
    } else if (fs < 0.0f) {
        fs = 0.0f;
    }
    seconds = fs;

    setMinutesCarrying(*this, static_cast<int64_t>(minutes) + static_cast<int64_t>(carrySeconds));
}

GameTime GameTime::operator-(const GameTime& other) const
{
    GameTime result;
    result.days = clampToInt32(static_cast<int64_t>(days) - other.days);
    result.hours = clampToInt32(static_cast<int64_t>(hours) - other.hours);
    result.minutes = clampToInt32(static_cast<int64_t>(minutes) - other.minutes);
    result.seconds = seconds - other.seconds;
    result.normalize();
    return result;
}

double GameTime::toSeconds() const
{
    return ((static_cast<double>(days) * 24.0 + hours) * 60.0 + minutes) * 60.0 + seconds;
}

void GameTime::addSeconds(double amount)
{
    if (!std::isfinite(amount)) {
        return;
    }
    // Whole minutes go to the integer fields so the float keeps its precision.
    double wholeMinutes = std::floor(amount / 60.0);
    double rest = amount - wholeMinutes * 60.0;
    double total = static_cast<double>(minutes) + wholeMinutes;
    if (total > 4e18) {
        total = 4e18;
    } else if (total < -4e18) {
        total = -4e18;
    }
    setMinutesCarrying(*this, static_cast<int64_t>(total));
    seconds = static_cast<float>(static_cast<double>(seconds) + rest);
    normalize();
}

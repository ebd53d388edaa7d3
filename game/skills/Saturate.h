#pragma once

#include <cstdint>

// The saturating conversions of the rules: a value past the int range
// becomes INT32_MIN or INT32_MAX, and NaN gives 0.

// trunc(value).
int saturate(double value);
// floor(value).
int saturateFloor(double value);
// floor(value + 0.5).
int saturateRound(double value);
// A sum or product kept in 64 bits.
int saturateWide(int64_t value);
// a × b.
int saturatingMultiply(int a, int b);

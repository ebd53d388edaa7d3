#pragma once

// The rule of a summed percentage p (a fraction): values grow by 1 + p when
// p is 0 or more and shrink by 1 / (1 - p) below, so that bonuses and
// penalties of the same size cancel and no penalty reaches zero.
template <class T> T percentMultiplier(T p)
{
    return p >= T(0) ? T(1) + p : T(1) / (T(1) - p);
}

// value under the rule, dividing for a penalty rather than multiplying by
// its rounded inverse.
template <class T> T applyPercent(T value, T p)
{
    return p >= T(0) ? value * (T(1) + p) : value / (T(1) - p);
}

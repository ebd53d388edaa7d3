#pragma once

#include <compare>
#include <cstdint>

// A span or point of time as days, hours, minutes and float seconds.
// Normalised form: 0 <= seconds < 60, 0 <= minutes < 60, 0 <= hours < 24;
// days carry the sign, so a negative difference compares below zero.
struct GameTime {
    int32_t days = 0;
    int32_t hours = 0;
    int32_t minutes = 0;
    float seconds = 0.0f;

    GameTime() = default;
    GameTime(int32_t d, int32_t h, int32_t m, float s) : days(d), hours(h), minutes(m), seconds(s) {}

    void clear() { *this = GameTime(); }

    // Carries overflowing fields upwards and borrows for negative ones.
    void normalize();

    // Field by field: days, hours, minutes, then seconds.
    friend bool operator==(const GameTime&, const GameTime&) = default;
    friend std::partial_ordering operator<=>(const GameTime&, const GameTime&) = default;

    // Field-wise difference, normalised.
    GameTime operator-(const GameTime& other) const;

    double toSeconds() const;
    // Adds (or with a negative value subtracts) seconds and normalises.
    void addSeconds(double amount);
};

#pragma once

#include <array>
#include <cstdint>
#include <string>

// An RGB float colour with alpha; channels are nominally 0..1 but sums of
// lights may exceed 1 (see limitBrightness).
struct Color {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;

    Color() = default;
    Color(float ar, float ag, float ab, float aa = 1.0f) : r(ar), g(ag), b(ab), a(aa) {}
    friend bool operator==(const Color&, const Color&) = default;

    // Bytes r, g, b, a, each round(x * 255) limited to 0..255 (NaN gives 0).
    static std::array<uint8_t, 4> toRGBA8(float r, float g, float b, float a);
    static std::array<uint8_t, 4> toRGBA8(const Color& c) { return toRGBA8(c.r, c.g, c.b, c.a); }

    // When the largest of r, g, b is at least 1, divides all three by it.
    static void limitBrightness(Color& color);

    // "#rrggbb", two lower-case hex digits per channel, each
    // floor(c * 255 + 0.5) limited to 0..255.
    static std::string toHexString(float r, float g, float b);
};

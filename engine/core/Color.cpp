#include "engine/core/Color.h"

#include "engine/core/StringUtil.h"

#include <algorithm>
#include <cmath>

namespace {
uint8_t channelToByte(float c)
{
    // Rounded half up; truncation is the floor for the positive values
    // that reach it (and costs no library call).
    const double v = static_cast<double>(c) * 255.0 + 0.5;
    if (!(v >= 1.0)) { // also NaN
        return 0;
    }
    return v >= 255.0 ? 255 : static_cast<uint8_t>(v);
}
} // namespace

std::array<uint8_t, 4> Color::toRGBA8(float r, float g, float b, float a)
{
    return {channelToByte(r), channelToByte(g), channelToByte(b), channelToByte(a)};
}

void Color::limitBrightness(Color& color)
{
    float largest = std::max({color.r, color.g, color.b});
    if (largest >= 1.0f) {
        color.r /= largest;
        color.g /= largest;
        color.b /= largest;
    }
}

std::string Color::toHexString(float r, float g, float b)
{
    return formatString("#%02x%02x%02x", channelToByte(r), channelToByte(g), channelToByte(b));
}

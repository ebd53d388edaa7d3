#include "graphics/shaders/VertexDeform.h"

#include <cmath>
#include <numbers>

float VertexDeform::displacement(float x, float y, float z, float seconds) const
{
    switch (type) {
    case DeformVertsType::Offset:
        return value;
    case DeformVertsType::Wave: {
        double turns = (static_cast<double>(x) + static_cast<double>(y) * y + z) * value + wave.phase +
                       static_cast<double>(wave.frequency) * seconds / 60.0;
        return static_cast<float>(wave.base + wave.amplitude * std::sin(2.0 * std::numbers::pi * turns));
    }
    default:
        return 0.0f;
    }
}

#include "graphics/effects/RandomValue.h"

#include "engine/core/Random.h"

float RandomValue::draw() const
{
    const float r = randomFloat(kStream);
    switch (kind) {
    case Constant:
        return min;
    case Range:
        return min + r * (max - min);
    default:
        return 0.0f;
    }
}

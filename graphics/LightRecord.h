#pragma once

#include "engine/core/ZonePosition.h"

// One light of the frame: type 0 a point light with a linear ramp out to
// the outer radius, type 2 a light that reaches everywhere.
struct LightRecord {
    ZonePosition position{-1, 0.0f, 0.0f};
    float colour[3] = {0.0f, 0.0f, 0.0f};
    int type = 0;
    float radius = 0.0f;
    float radiusSquared = 0.0f;
    float outerSquared = 0.0f; // (radius × falloff multiplier)²
};

// An entity's own light as the client hands it in: where it stands, the
// offset of its light, the light's colour and radius.
struct EntityLightRecord {
    ZonePosition position;
    float offsetX = 0.0f, offsetY = 0.0f;
    float colour[3] = {0.0f, 0.0f, 0.0f};
    float radius = 0.0f;
};

#pragma once

#include "graphics/shaders/ShaderEnums.h"
#include "graphics/shaders/WaveParams.h"

// One vertex deformation of a shader, applied along each vertex normal.
struct VertexDeform {
    DeformVertsType type = DeformVertsType::None;
    float value = 0.0f;
    WaveParams wave; // 0, 1, 1, 0 until read

    // The displacement along the normal of a vertex at (x, y, z) at `seconds`
    // (the clock's seconds field). Wave uses y squared, as the effect was
    // tuned with it.
    float displacement(float x, float y, float z, float seconds) const;
};

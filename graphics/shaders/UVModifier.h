#pragma once

#include "graphics/shaders/ShaderEnums.h"

// One texture-coordinate modifier of a stage.
struct UVModifier {
    UVMod type = UVMod::None;
    float scrollU = 0.0f;
    float scrollV = 0.0f;
    float scale = 1.0f;
    float offsetU = 0.0f;
    float offsetV = 0.0f;

    // Changes one coordinate pair at `seconds` (the clock's seconds field).
    // A scroll adds only the fractional part of its distance.
    void apply(float& u, float& v, float seconds) const;
};

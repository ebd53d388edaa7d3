#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition3.h"

#include <cstdint>
#include <vector>

class Skin;
struct LitEntity;

// Everything one skinned model is queued with. The fields a caller leaves
// alone draw the model once, opaque, with its own skin and its first
// animation's first frame.
struct ModelDrawRequest {
    int model = -1;                                   // resource entry of the model
    const Skin* skin = nullptr;                       // null: the model's own
    const std::vector<bool>* visibleMeshes = nullptr; // null: every mesh
    ZonePosition3 position;
    Matrix3 orientation;
    // The position's x, y and z are an offset in a local frame (its origin
    // and axes) rather than a place in the world.
    bool localFrame = false;
    ZonePosition3 frameOrigin;
    Matrix3 frameAxes;
    float scale = 1.0f;
    float fade = 1.0f;
    int animation = 0;
    float time = 0.0f; // in frames
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    bool singlePass = false; // a faded model in one pass
    // Flattened onto the ground away from the light point, with the
    // projected-shadow shader.
    bool shadowPass = false;
    ZonePosition3 shadowLight;
    int overrideShader = -1; // resource entry; -1: the skin's shaders
    // The position and orientation are already relative to the camera.
    bool savedTransform = false;
    const LitEntity* litEntity = nullptr;
    uint8_t flag = 0;

    static ModelDrawRequest at(int model, const ZonePosition3& position, const Matrix3& orientation,
                               float scale = 1.0f)
    {
        ModelDrawRequest r;
        r.model = model;
        r.position = position;
        r.orientation = orientation;
        r.scale = scale;
        return r;
    }
};

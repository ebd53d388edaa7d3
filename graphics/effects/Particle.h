#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition3.h"

// One particle of a running effect.
struct Particle {
    bool fresh = false; // born this frame: the first update only clears it
    float age = 0.0f;
    float scale = 1.0f;
    float size = 0.0f;
    float alpha = 1.0f;
    ZonePosition3 position{-1, 0.0f, 0.0f, 0.0f};
    float rotation = 0.0f; // degrees in [0, 360)
    Vec3 velocity;
    Vec3 angularVelocity; // degrees per second
    float colour[3] = {0.0f, 0.0f, 0.0f};
    int bounces = 0;

    // Back to the free list's state.
    void recycle()
    {
        age = 0.0f;
        scale = 1.0f;
        size = 0.0f;
        alpha = 1.0f;
        rotation = 0.0f;
        velocity = Vec3();
        bounces = 0;
    }
};

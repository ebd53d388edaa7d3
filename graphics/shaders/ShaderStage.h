#pragma once

#include "engine/resources/ResourceHandle.h"
#include "graphics/shaders/ShaderStageSettings.h"

#include <vector>

// One drawable stage of a shader: the script's settings with the textures
// as counted handles (-1 when a run has no texture types).
struct ShaderStage : ShaderStageSettings {
    ResourceHandle texture;
    std::vector<ResourceHandle> frames;

    // The texture to draw at `seconds`: the stage's texture without frames,
    // else frame floor(rate × seconds) modulo the frame count, never
    // negative; a product that is not finite or beyond 64 bits gives frame 0.
    const ResourceHandle& getFrameTexture(double seconds) const;
    // The same at the engine clock's time.
    const ResourceHandle& getFrameTexture() const;

    // The frame index for a rate, a time and a frame count (n > 0).
    static size_t frameIndex(float rate, double seconds, size_t n);
};

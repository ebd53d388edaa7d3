#pragma once

#include "graphics/shaders/ShaderEnums.h"
#include "graphics/shaders/UVModifier.h"
#include "graphics/shaders/WaveParams.h"

#include <GL/gl.h>

#include <vector>

// Everything a stage of a script and a built stage share: all but the
// textures, which the script names and the built stage holds as handles.
struct ShaderStageSettings {
    float animationRate = 0.0f; // frames per second
    bool blendEnabled = false;
    unsigned sourceBlend = GL_ONE;
    unsigned destBlend = GL_ZERO;
    unsigned clampU = GL_CLAMP;
    unsigned clampV = GL_CLAMP;
    ColorGen colorGen = ColorGen::Identity;
    float constantColor[3] = {0.0f, 0.0f, 0.0f};
    WaveParams colorWave;
    AlphaGen alphaGen = AlphaGen::Identity;
    float constantAlpha = 1.0f;
    WaveParams alphaWave;
    std::vector<UVModifier> uvModifiers;
    int vertexColorMode = 2; // see computeVertexColorMode
    bool alphaTestEnabled = false;
    unsigned alphaTestFunc = GL_ALWAYS;
    float alphaTestRef = 0.0f;
    bool needsNormals = false;
    // Keeps the lighting of this stage for later stages that read Saved.
    bool saveLighting = false;
};

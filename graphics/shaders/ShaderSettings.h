#pragma once

#include "graphics/shaders/ShaderEnums.h"
#include "graphics/shaders/VertexDeform.h"

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

// The shader-level fields that a script and a built shader share.
struct ShaderSettings {
    bool cullEnabled = true;
    unsigned cullFace = GL_BACK;
    bool testDepth = true;
    bool writeDepth = true;
    unsigned depthFunc = GL_LEQUAL;
    bool writeColor = true;
    bool vertexDeformation = false;
    bool needsNormals = false;
    SortType sort = SortType::Opaque;
    int32_t index = 0;
    std::string blendGroup;
    int32_t groupHash = 0;
    bool blendAllowed = true;
    std::vector<VertexDeform> deforms;
    bool stencilEnabled = false;
    unsigned stencilFunc = GL_ALWAYS;
    int32_t stencilRef = 0;
    unsigned stencilActions[3] = {GL_KEEP, GL_KEEP, GL_KEEP}; // fail, depth fail, depth pass
    bool useMipMaps = true;
    bool BlocksCollision = false;
    bool BlocksSight = false;
    bool useShaderTime = false;
    bool highlightsSurface = false;
};

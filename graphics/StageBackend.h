#pragma once

#include <cstddef>
#include <cstdint>

// The state of one batch, from its shader and the surface's pass.
struct StageShaderState {
    bool cullEnabled = true;
    unsigned cullFace = 0;
    unsigned depthFunc = 0;
    bool depthTest = true;
    bool depthWrite = true;
    bool colorWrite = true;
    bool stencilEnabled = false;
    unsigned stencilFunc = 0;
    int stencilRef = 0;
    unsigned stencilActions[3] = {0, 0, 0};
};

// One stage of a batch, worked out on the processor.
struct StageDraw {
    int stage = 0;
    bool blendEnabled = false;
    unsigned sourceBlend = 0;
    unsigned destBlend = 0;
    // 0 per-vertex RGB (stride 4), 1 per-vertex RGBA, 2 constant RGB, 3
    // constant RGBA.
    int vertexColorMode = 2;
    float constantColor[4] = {1, 1, 1, 1};
    bool alphaTest = false;
    unsigned alphaFunc = 0;
    float alphaRef = 0.0f;
    int texture = -1; // resource entry of the texture to bind
    unsigned clampU = 0;
    unsigned clampV = 0;
    unsigned minFilter = 0;
    unsigned magFilter = 0;
    const float* texCoords = nullptr; // 2 per vertex
    const uint8_t* colours = nullptr; // 4 per vertex
    // Every triangle of the batch lies in one plane with texture coordinates
    // an affine function of the position, the same function up to whole
    // repeats (the ground tiles): under a parallel projection all its
    // fragments need the same mipmap level.
    bool flatAndAffine = false;
};

// Where worked-out batches go: OpenGL in the game, a recorder in tests.
class StageBackend {
public:
    virtual ~StageBackend() = default;
    virtual void beginBatch(const StageShaderState& state, const float* positions, size_t vertexCount) = 0;
    virtual void drawStage(const StageDraw& draw, const uint32_t* indices, size_t indexCount) = 0;
    virtual void endBatch() = 0;
    // The model-view matrix (column-major) for the batches that follow.
    virtual void setModelView(const float matrix[16]) {}
    // Debug views: a short line along every normal; the triangles as white
    // lines (depth test off when asked).
    virtual void drawNormals(const float* positions, const float* normals, size_t vertexCount) {}
    virtual void drawTriangleOutlines(const uint32_t* indices, size_t indexCount, bool depthTestOff) {}
};

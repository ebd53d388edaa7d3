#pragma once

#include "graphics/StageBackend.h"

#include <functional>

class GlStateCache;

// The mipmap level every fragment of a triangle samples under a minifying
// filter that takes the nearest level, from its window coordinates (pixels)
// and texture coordinates, for a level-0 size of width x height: a whole
// number, 0 also when magnified. False for any other filter, a degenerate
// triangle, or a level of detail too near halfway between two levels for the
// renderer's own rounding to be sure to agree.
bool triangleLevelOfDetail(const float window[3][2], const float uv[3][2], int width, int height,
                           unsigned minFilter, float& lod);

// Draws worked-out batches with OpenGL client arrays; every state change
// goes through the graphics system's state cache. Called with the context
// lock held.
class GlStageBackend : public StageBackend {
public:
    // `bind` binds the texture of a resource entry (-1: none).
    GlStageBackend(GlStateCache& state, std::function<void(int texture)> bind);

    void beginBatch(const StageShaderState& state, const float* positions, size_t vertexCount) override;
    void drawStage(const StageDraw& draw, const uint32_t* indices, size_t indexCount) override;
    void endBatch() override;
    void setModelView(const float matrix[16]) override;
    void drawNormals(const float* positions, const float* normals, size_t vertexCount) override;
    void drawTriangleOutlines(const uint32_t* indices, size_t indexCount, bool depthTestOff) override;

    // The compiled-vertex-array entry points when the driver offers them
    // (null otherwise): a batch's vertices are then transformed once for all
    // its stages.
    using LockArrays = void (*)(int first, int count);
    using UnlockArrays = void (*)();
    void setArrayLocks(LockArrays lock, UnlockArrays unlock)
    {
        m_lock = lock;
        m_unlock = unlock;
    }

    // The texture bound for the outlines (the white standard texture).
    void setOutlineTexture(int texture) { m_outlineTexture = texture; }

private:
    // Samples the bound texture at one level of detail when the draw allows
    // it: true when the texture's level range was narrowed (to be widened
    // again after the draw).
    bool fixLevelOfDetail(const StageDraw& draw, const uint32_t* indices, size_t indexCount);

    GlStateCache& m_state;
    const float* m_positions = nullptr;
    size_t m_vertexCount = 0;
    std::function<void(int)> m_bind;
    int m_outlineTexture = -1;
    LockArrays m_lock = nullptr;
    UnlockArrays m_unlock = nullptr;
    bool m_locked = false;
};

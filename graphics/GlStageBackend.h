#pragma once

#include "graphics/StageBackend.h"

#include <functional>

class GlStateCache;

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
    GlStateCache& m_state;
    std::function<void(int)> m_bind;
    int m_outlineTexture = -1;
    LockArrays m_lock = nullptr;
    UnlockArrays m_unlock = nullptr;
    bool m_locked = false;
};

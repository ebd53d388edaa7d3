#pragma once

#include "graphics/StageBackend.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

// Stands between the stage drawer and the real back end. Normally it passes
// every call on. While it holds a frame it keeps copies of the batches
// instead, so that a frame that would show exactly what the screen already
// shows can be dropped without drawing it; otherwise the held batches are
// sent on in their order (`release`).
class DeferredStageBackend : public StageBackend {
public:
    // `textureName` gives the texture a resource entry binds now (0 for
    // none): a texture that finishes loading changes the frame.
    DeferredStageBackend(StageBackend& target, std::function<uint32_t(int texture)> textureName);

    // Starts holding; `context` is what else the picture depends on (window
    // size, input and window events, texture uploads), compared like the
    // batches.
    void hold(std::initializer_list<uint64_t> context);
    bool isHolding() const { return m_holding; }
    // The held frame equals the one last shown.
    bool matchesShown() const;
    // Sends the held batches on and passes calls on from here.
    void release();
    // The held frame, released, is now on the screen.
    void markShown();
    // The screen shows something not held (a frame drawn directly, a new
    // window): no frame matches it.
    void forgetShown();

    void beginBatch(const StageShaderState& state, const float* positions, size_t vertexCount) override;
    void drawStage(const StageDraw& draw, const uint32_t* indices, size_t indexCount) override;
    void endBatch() override;
    void setModelView(const float matrix[16]) override;
    void drawNormals(const float* positions, const float* normals, size_t vertexCount) override;
    void drawTriangleOutlines(const uint32_t* indices, size_t indexCount, bool depthTestOff) override;

private:
    // One frame's calls: small fields in `words`, arrays beside them.
    struct Frame {
        std::vector<uint32_t> words;
        std::vector<float> floats;
        std::vector<uint32_t> indices;
        std::vector<uint8_t> colours;
        bool operator==(const Frame&) const = default;
        void clear();
    };
    void replay(const Frame& frame);

    StageBackend& m_target;
    std::function<uint32_t(int)> m_textureName;
    Frame m_held;
    Frame m_shown;
    bool m_holding = false;
    bool m_shownKnown = false;
    size_t m_vertices = 0; // of the batch being held
};

#pragma once

#include "graphics/StageBackend.h"
#include "graphics/StageBatch.h"

#include <cstdint>
#include <functional>
#include <vector>

class RenderSurface;
struct Color;
struct LitEntity;
class Shader;
struct ShaderStage;

// Where the stage colours get their light: a point of the camera's
// reference zone, and an entity's six sphere colours for this frame.
class StageLightSource {
public:
    virtual ~StageLightSource() = default;
    virtual Color lightAt(float x, float y) const = 0;
    virtual void sphereColours(const LitEntity& entity, bool unlit, float out[6][3]) = 0;
};

// Draws batches stage by stage: sorts and merges queued surfaces, works out
// each stage's state, colours, alpha and texture coordinates on the
// processor and hands them to a back end. Lighting is white until a light
// source is installed (the rule for unlit surfaces).
class StageDrawer {
public:
    struct Settings {
        bool betterLighting = false;
        bool showNormals = false;
        int showTris = 0;
        int filteringQuality = 1;
    };

    explicit StageDrawer(StageBackend* backend = nullptr) : m_backend(backend) {}
    void setBackend(StageBackend* backend) { m_backend = backend; }
    // Without a light source every lit colour is white.
    void setLightSource(StageLightSource* source) { m_lights = source; }
    Settings& settings() { return m_settings; }
    // The seconds field that waves and scrolls use (the engine clock's by
    // default).
    void setWaveClock(std::function<float()> seconds) { m_waveSeconds = std::move(seconds); }

    StageBatch& batch() { return m_batch; }
    StageBackend* backend() const { return m_backend; }

    // Sorts by key (stable, so equal keys keep their order between frames)
    // and draws, merging neighbours with one key and shader unless the
    // shader keeps its own time or the surface begins its own batch.
    void drawQueuedSurfaces(std::vector<RenderSurface*>& queue);
    // Makes the shader current and empties the batch.
    void prepareShader(Shader* shader);
    // Draws the batch with the current shader and ends the surface (also
    // when there is nothing to draw). `unlit` forces white lighting.
    void drawShaderStages(RenderSurface* surface, bool unlit);

    uint64_t getTriangles() const { return m_triangles; }
    uint64_t getTrianglePasses() const { return m_trianglePasses; }
    void resetCounters() { m_triangles = m_trianglePasses = 0; }

private:
    void applyDeforms(float seconds);
    void generateColours(const ShaderStage& stage, int mode, float seconds, bool unlit);
    // Light at a point of the batch (white when unlit or without a source).
    Color light(float x, float y, bool unlit) const;
    // Per-vertex colours from the batch entity's sphere colours and the
    // normals, each multiplied by the constant when given.
    void applySphereLighting(bool unlit, const float* constant);
    void generateAlpha(const ShaderStage& stage, size_t stageIndex, int mode, float alpha, float seconds);
    const float* generateCoords(const ShaderStage& stage, float seconds);

    StageBackend* m_backend;
    StageLightSource* m_lights = nullptr;
    Settings m_settings;
    std::function<float()> m_waveSeconds;
    StageBatch m_batch;
    Shader* m_shader = nullptr;
    uint64_t m_triangles = 0;
    uint64_t m_trianglePasses = 0;
};

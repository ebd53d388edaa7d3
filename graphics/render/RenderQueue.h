#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition3.h"
#include "graphics/render/BatchGeometry.h"
#include "graphics/render/ModelDrawRequest.h"
#include "graphics/render/PoseCache.h"
#include "graphics/render/SwipePoint.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

class BeamRenderSurface;
class BlendedTileRenderSurface;
class GraphicsSystem;
class ModelRenderSurface;
class ParticleRenderSurface;
class RenderSurface;
class Shader;
class SwipeRenderSurface;
class TileRenderSurface;

// The frame's queue of world surfaces: tiles, blended tiles, particles,
// beams, swipes and model meshes, each from a pool that keeps its objects
// between frames. An add whose shader or model is not available queues
// nothing. Main thread, inside the graphics lock.
class RenderQueue {
public:
    explicit RenderQueue(GraphicsSystem& graphics);
    ~RenderQueue();
    RenderQueue(const RenderQueue&) = delete;
    RenderQueue& operator=(const RenderQueue&) = delete;

    // Every pool's used count to 0; the queued list and the poses emptied.
    void beginFrame();

    void addTile(int shader, const Vec3& cornerA, const Vec3& cornerB, uint8_t flag, bool coloured,
                 const float colour[3], float alpha);
    // Skipped without a shader, or when tile culling finds it outside the
    // view. The corners stay the caller's until the frame is drawn.
    void addBlendedTile(const Vec3& cornerA, const Vec3& cornerB, int shader, const BlendCorners* corners,
                        uint8_t flag);
    void addParticle(int shader, const ZonePosition3& position, float rotation, float size,
                     const float colour[3], float alpha, float age);
    void addBeam(int shader, const ZonePosition3& start, const ZonePosition3& end, int segments, float size,
                 float minOffset, float maxOffset, float startSize, float endSize, const float colour[3],
                 float alpha, uint32_t seed);
    void addSwipe(int shader, const std::vector<SwipePoint>* points, const float colour[3]);
    // One surface per visible mesh (two for a faded one drawn in two
    // passes), all sharing one pose slot.
    void addSkinnedModel(const ModelDrawRequest& request);

    // The projected-shadow shader (resource entry); the graphics system's
    // standard one while none is set.
    void setShadowShader(int shader) { m_shadowShader = shader; }

    std::vector<RenderSurface*>& getQueued() { return m_queued; }
    PoseCache& getPoseCache() { return m_poses; }
    GraphicsSystem& getGraphics() const { return m_graphics; }

    // Pool sizes and used counts (tests, statistics).
    size_t getTilePoolSize() const { return m_tiles.objects.size(); }
    const TileRenderSurface* getTile(size_t i) const { return m_tiles.objects.at(i).get(); }
    size_t getModelPoolSize() const { return m_models.objects.size(); }
    size_t getModelsUsed() const { return m_models.used; }

    // True the first time a model's mesh set is found to name bones its
    // skeleton lacks (its line is printed once).
    bool firstBadMeshSet(const std::string& modelName);

private:
    template <class T> struct Pool {
        std::vector<std::unique_ptr<T>> objects;
        size_t used = 0;
    };
    template <class T, class... Args> T* take(Pool<T>& pool, Args&... args);
    Shader* findShader(int shader) const;
    void queue(RenderSurface* surface, Shader* shader, uint32_t value);

    GraphicsSystem& m_graphics;
    Pool<TileRenderSurface> m_tiles;
    Pool<BlendedTileRenderSurface> m_blendedTiles;
    Pool<ParticleRenderSurface> m_particles;
    Pool<BeamRenderSurface> m_beams;
    Pool<SwipeRenderSurface> m_swipes;
    Pool<ModelRenderSurface> m_models;
    std::vector<RenderSurface*> m_queued;
    // The last shader looked up this frame (a frame's adds mostly repeat it).
    mutable int m_lastShaderIndex = -1;
    mutable Shader* m_lastShader = nullptr;
    PoseCache m_poses;
    std::set<std::string> m_badMeshSets;
    int m_shadowShader = -1;
};

#include "graphics/render/RenderQueue.h"

#include "engine/resources/MeshSetResource.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/Skin.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/render/BeamRenderSurface.h"
#include "graphics/render/BlendedTileRenderSurface.h"
#include "graphics/render/ModelRenderSurface.h"
#include "graphics/render/ParticleRenderSurface.h"
#include "graphics/render/SortKey.h"
#include "graphics/render/SwipeRenderSurface.h"
#include "graphics/render/TileRenderSurface.h"
#include "graphics/shaders/Shader.h"

#include <algorithm>

namespace {

// Index of "ProjectedShadow.tga" among the graphics system's standard shaders.
constexpr size_t kProjectedShadow = 10;

} // namespace

RenderQueue::RenderQueue(GraphicsSystem& graphics) : m_graphics(graphics) {}

RenderQueue::~RenderQueue() = default;

void RenderQueue::beginFrame()
{
    m_tiles.used = m_blendedTiles.used = m_particles.used = 0;
    m_beams.used = m_swipes.used = m_models.used = 0;
    m_queued.clear();
    m_poses.clear();
    m_lastShaderIndex = -1;
    m_lastShader = nullptr;
}

template <class T, class... Args> T* RenderQueue::take(Pool<T>& pool, Args&... args)
{
    if (pool.used == pool.objects.size()) {
        pool.objects.push_back(std::make_unique<T>(args...));
    }
    T* surface = pool.objects[pool.used++].get();
    return surface;
}

Shader* RenderQueue::findShader(int shader) const
{
    ResourceSystem* resources = ResourceSystem::instance();
    if (shader < 0 || !resources) {
        return nullptr;
    }
    if (shader == m_lastShaderIndex && m_lastShader) {
        return m_lastShader;
    }
    Shader* found = dynamic_cast<Shader*>(resources->get(shader));
    m_lastShaderIndex = found ? shader : -1;
    m_lastShader = found;
    return found;
}

void RenderQueue::queue(RenderSurface* surface, Shader* shader, uint32_t value)
{
    surface->shader = shader;
    const SortKey key =
        SortKey::make(static_cast<int>(shader->sort), shader->index, value, surface->fade, surface->pass);
    surface->sortKey = key.key;
    surface->sortCategory = key.category;
    m_queued.push_back(surface);
}

void RenderQueue::addTile(int shader, const Vec3& cornerA, const Vec3& cornerB, uint8_t flag, bool coloured,
                          const float colour[3], float alpha)
{
    Shader* s = findShader(shader);
    if (!s) {
        return;
    }
    TileRenderSurface* tile = take(m_tiles);
    tile->flag = flag;
    tile->cornerA = cornerA;
    tile->cornerB = cornerB;
    tile->coloured = coloured;
    std::copy(colour, colour + 3, tile->colour);
    tile->alpha = alpha;
    queue(tile, s, SortKey::kShared);
}

void RenderQueue::addBlendedTile(const Vec3& cornerA, const Vec3& cornerB, int shader,
                                 const BlendCorners* corners, uint8_t flag)
{
    if (shader < 0 || m_graphics.isTileCulled(cornerA, cornerB)) {
        return;
    }
    Shader* s = findShader(shader);
    if (!s) {
        return;
    }
    BlendedTileRenderSurface* tile = take(m_blendedTiles);
    tile->flag = flag;
    tile->cornerA = cornerA;
    tile->cornerB = cornerB;
    tile->corners = corners;
    queue(tile, s, SortKey::kShared);
}

void RenderQueue::addParticle(int shader, const ZonePosition3& position, float rotation, float size,
                              const float colour[3], float alpha, float age)
{
    Shader* s = findShader(shader);
    if (!s) {
        return;
    }
    const RenderView& view = m_graphics.getView();
    ParticleRenderSurface* particle = take(m_particles, view);
    particle->flag = 0;
    particle->position = position;
    particle->rotation = rotation;
    particle->size = size;
    std::copy(colour, colour + 3, particle->colour);
    particle->alpha = alpha;
    particle->age = age;
    queue(particle, s, SortKey::kShared);
}

void RenderQueue::addBeam(int shader, const ZonePosition3& start, const ZonePosition3& end, int segments,
                          float size, float minOffset, float maxOffset, float startSize, float endSize,
                          const float colour[3], float alpha, uint32_t seed)
{
    Shader* s = findShader(shader);
    if (!s) {
        return;
    }
    const RenderView& view = m_graphics.getView();
    BeamRenderSurface* beam = take(m_beams, view);
    beam->flag = 0;
    beam->start = start;
    beam->end = end;
    beam->segments = segments;
    beam->size = size;
    beam->minOffset = minOffset;
    beam->maxOffset = maxOffset;
    beam->startSize = startSize;
    beam->endSize = endSize;
    std::copy(colour, colour + 3, beam->colour);
    beam->alpha = alpha;
    beam->seed = seed;
    queue(beam, s, SortKey::kShared);
}

void RenderQueue::addSwipe(int shader, const std::vector<SwipePoint>* points, const float colour[3])
{
    Shader* s = findShader(shader);
    if (!s) {
        return;
    }
    const RenderView& view = m_graphics.getView();
    SwipeRenderSurface* swipe = take(m_swipes, view);
    swipe->flag = 0;
    swipe->points = points;
    std::copy(colour, colour + 3, swipe->colour);
    queue(swipe, s, SortKey::kShared);
}

void RenderQueue::addSkinnedModel(const ModelDrawRequest& request)
{
    ResourceSystem* resources = ResourceSystem::instance();
    auto* model = resources && request.model >= 0
                      ? dynamic_cast<ModelResource*>(resources->get(request.model))
                      : nullptr;
    if (!model) {
        return;
    }
    if (model->isDetail()) {
        UserVarRef detail = m_graphics.getVar("r_detailModels");
        if (detail.isValid() && detail.getInt() == 0) {
            return;
        }
    }
    if (model->getSkeletonHandle().getIndex() < 0 || model->getMeshSetHandle().getIndex() < 0) {
        return;
    }
    MeshSetResource* meshes = model->getMeshSet();
    if (!meshes) {
        return;
    }
    const Skin* skin = request.skin ? request.skin : model->getSkin();
    ZonePosition3 position = request.position;
    if (request.localFrame) {
        const Vec3 offset =
            transformVectorByMatrix(Vec3(position.x, position.y, position.z), request.frameAxes);
        position = request.frameOrigin;
        position.addOffset(offset.x, offset.y, offset.z);
    }
    int shadowShader = m_shadowShader;
    if (shadowShader < 0 && m_graphics.getStandardHandles().size() > kProjectedShadow) {
        shadowShader = m_graphics.getStandardHandles()[kProjectedShadow].getIndex();
    }
    const int slot = static_cast<int>(m_poses.getSlotCount());
    const bool twoPasses = !(request.fade == 1.0f || request.singlePass);
    for (int m = 0; m < meshes->getNumMeshes(); ++m) {
        const Mesh* mesh = meshes->getMesh(m);
        const std::vector<bool>* visible = request.visibleMeshes;
        if (visible && static_cast<size_t>(m) < visible->size() && !(*visible)[static_cast<size_t>(m)]) {
            continue;
        }
        int shaderIndex = skin ? skin->getSurfaceShader(mesh->surface) : -1;
        if (request.shadowPass) {
            shaderIndex = shadowShader;
        } else if (request.overrideShader >= 0) {
            shaderIndex = request.overrideShader;
        }
        Shader* shader = findShader(shaderIndex);
        if (!shader) {
            continue;
        }
        if (shader->highlightsSurface) {
            const SkinSurface* record = skin ? skin->findSurface(mesh->surface) : nullptr;
            if (!record || record->flag == 0) {
                continue;
            }
        }
        for (int pass = twoPasses ? 1 : 0; pass <= (twoPasses ? 2 : 0); ++pass) {
            const uint32_t value = static_cast<uint32_t>(m_models.used % 1024);
            ModelRenderSurface* surface = take(m_models, *this);
            surface->flag = request.flag;
            surface->fade = request.fade;
            surface->pass = pass;
            surface->model = model;
            surface->skin = skin;
            surface->animation = request.animation;
            surface->time = request.time;
            surface->position = position;
            surface->orientation = request.orientation;
            surface->scale = request.scale;
            surface->mesh = m;
            surface->poseSlot = slot;
            surface->savedTransform = request.savedTransform;
            surface->shadowPass = request.shadowPass;
            surface->shadowLight = request.shadowLight;
            std::copy(request.colour, request.colour + 4, surface->colour);
            surface->litEntity = request.litEntity;
            queue(surface, shader, value);
        }
    }
    m_poses.reserveSlot();
}

bool RenderQueue::firstBadMeshSet(const std::string& modelName)
{
    return m_badMeshSets.insert(modelName).second;
}

// The view the render queue draws for: camera-space positions, the camera's
// rotation, the visibility tests and the model-view matrices of models.
#include "graphics/GraphicsSystem.h"

#include "engine/resources/AnimationResource.h"
#include "engine/resources/ModelResource.h"
#include "graphics/StageDrawer.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/render/RenderView.h"

#include <algorithm>

namespace {

// A user variable's value, or the default before the variables exist.
int varOr(const UserVarRef& var, int fallback)
{
    return var.isValid() ? var.getInt() : fallback;
}

} // namespace

Vec3 GraphicsSystem::toCameraSpace(const ZonePosition3& position) const
{
    return m_view->toLocal(position);
}

void GraphicsSystem::getCameraMatrix(float out[9]) const
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            out[r * 3 + c] = m_view->rotation.m[r][c];
        }
    }
}

bool GraphicsSystem::isSphereCulled(const Vec3& centre, float radius) const
{
    for (const RenderView::Plane& plane : m_view->planes) {
        if (vec3Dot(plane.normal, centre) - plane.distance - radius > 0.0f) {
            return true;
        }
    }
    return false;
}

bool GraphicsSystem::isTileCulled(const Vec3& cornerA, const Vec3& cornerB) const
{
    if (varOr(getVar("r_CullTiles"), 1) == 0) {
        return false;
    }
    return isSphereCulled((cornerA + cornerB) * 0.5f, m_tileCullRadius);
}

bool GraphicsSystem::isModelCulled(const ModelResource* model, const Vec3& position, int animation, int frame,
                                   float scale) const
{
    if (varOr(getVar("r_CullModels"), 1) == 0) {
        return false;
    }
    if (!model) {
        return true;
    }
    const ModelAnimation* anim = model->getAnimation(animation);
    const AnimationResource* keys = anim ? anim->getAnimationResource() : nullptr;
    if (!keys || !keys->hasBounds()) {
        return isSphereCulled(position, 30.0f * scale);
    }
    const Vec3 centre = (keys->getFrameBoundsMin(frame) + keys->getFrameBoundsMax(frame)) * 0.5f;
    return isSphereCulled(position + centre * scale, keys->getFrameRadius(frame) * scale);
}

void GraphicsSystem::setObjectTransform(const Vec3& position, const Matrix3& orientation)
{
    m_objectPosition = position;
    m_objectOrientation = orientation;
    m_objectTransformSet = true;
}

void GraphicsSystem::loadModelView(const float matrix[16])
{
    if (StageBackend* backend = m_stageDrawer->backend()) {
        backend->setModelView(matrix);
    }
}

void GraphicsSystem::loadCameraMatrix()
{
    m_objectTransformSet = false;
    loadModelView(m_view->viewMatrix);
}

int GraphicsSystem::getShadowMode() const
{
    // The model editor shows its model without a shadow.
    if (m_frameHooks.modelEditorActive()) {
        return 0;
    }
    return std::clamp(varOr(getVar("r_shadows"), 1), 0, 2);
}

namespace {

// Positions in the acquisition order of the standard shaders.
constexpr size_t kOutlineCyan = 11, kOutlineGreen = 12, kOutlineWhite = 13, kOutlineOrange = 14,
                 kOutlineBlue = 15, kOutlineRed = 16, kGlowSet = 17, kGlowUnique = 18, kGlowArtifact = 19;

int standardEntry(const std::vector<ResourceHandle>& handles, size_t position)
{
    return position < handles.size() ? handles[position].getIndex() : -1;
}

} // namespace

int GraphicsSystem::getOutlineTexture(int kind) const
{
    switch (kind) {
    case 1:
        return standardEntry(m_standardHandles, kOutlineRed);
    case 2:
        return standardEntry(m_standardHandles, kOutlineGreen);
    case 3:
        return standardEntry(m_standardHandles, kOutlineBlue);
    case 6:
        return standardEntry(m_standardHandles, kOutlineOrange);
    case 8:
        return standardEntry(m_standardHandles, kOutlineCyan);
    default:
        return standardEntry(m_standardHandles, kOutlineWhite);
    }
}

int GraphicsSystem::getGlowTexture(int quality) const
{
    switch (quality) {
    case 5:
        return standardEntry(m_standardHandles, kGlowSet);
    case 6:
        return standardEntry(m_standardHandles, kGlowUnique);
    case 7:
        return standardEntry(m_standardHandles, kGlowArtifact);
    default:
        return standardEntry(m_standardHandles, kOutlineWhite);
    }
}

void GraphicsSystem::queueGroundQuad(const ZonePosition3& position, int shader, float size,
                                     const float colour[3], float alpha)
{
    const Vec3 centre = toCameraSpace(position);
    const float h = size * 0.5f;
    const Vec3 a(centre.x - h, centre.y - h, centre.z + 1.0f);
    const Vec3 b(centre.x + h, centre.y + h, centre.z + 1.0f);
    m_renderQueue->addTile(shader, a, b, 0, true, colour, alpha);
}

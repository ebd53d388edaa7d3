// The view the render queue draws for: camera-space positions, the camera's
// rotation, the visibility tests and the model-view matrices of models.
#include "graphics/GraphicsSystem.h"

#include "engine/resources/AnimationResource.h"
#include "engine/resources/ModelResource.h"
#include "graphics/StageDrawer.h"
#include "graphics/render/RenderView.h"

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

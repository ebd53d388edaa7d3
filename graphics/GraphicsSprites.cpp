// Small drawing entry points of the interface and the world: a sprite frame
// standing upright in the world, a model preview inside a widget, and the
// per-frame update of a texture's pixels.
#include "graphics/GraphicsSystem.h"

#include "engine/core/ColorSystem.h"
#include "engine/platform/GLContext.h"
#include "engine/resources/AnimationResource.h"
#include "engine/resources/ModelAnimation.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GlStateCache.h"
#include "graphics/TextureResource.h"
#include "graphics/ViewPlanes.h"
#include "graphics/render/ModelDrawRequest.h"
#include "graphics/render/RenderQueue.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

namespace {

// Half the sprite's diagonal footprint and its height, in world units.
constexpr float kSpriteHalf = 11.3f;
constexpr float kSpriteHeight = 64.0f;

} // namespace

void GraphicsSystem::drawSprite(const ZonePosition3& position, int model, int animation, int frame,
                                int direction)
{
    drawDirectly();
    ResourceSystem* resources = ResourceSystem::instance();
    auto* resource = resources ? dynamic_cast<ModelResource*>(resources->peek(model)) : nullptr;
    if (!resource || animation < 0 || animation >= resource->getNumAnimations()) {
        return;
    }
    const ModelAnimation* record = resource->getAnimation(animation);
    const int texture = record ? record->getSpriteTexture(frame, direction) : -1;
    auto* image = texture >= 0 ? dynamic_cast<TextureResource*>(resources->peek(texture)) : nullptr;
    if (!image || !m_context) {
        return;
    }
    loadCameraMatrix();
    m_glState->setWrap(kWrapClampToEdge, kWrapClampToEdge);
    m_glState->setDepthTest(true);
    m_glState->setDepthWrite(true);
    m_glState->setBlend(true, kBlendSrcAlpha, kBlendOneMinusSrcAlpha);
    glBindTexture(GL_TEXTURE_2D, image->glName);
    const Vec3 c = toCameraSpace(position);
    const Color colour = ColorSystem::getColor(0);
    // An upright quad along the diagonal, from the ground to its height.
    const float x[4] = {c.x - kSpriteHalf, c.x + kSpriteHalf, c.x + kSpriteHalf, c.x - kSpriteHalf};
    const float y[4] = {c.y - kSpriteHalf, c.y + kSpriteHalf, c.y + kSpriteHalf, c.y - kSpriteHalf};
    const float z[4] = {c.z, c.z, c.z + kSpriteHeight, c.z + kSpriteHeight};
    const float u[4] = {0.0f, 1.0f, 1.0f, 0.0f};
    const float v[4] = {1.0f, 1.0f, 0.0f, 0.0f};
    static const int kOrder[6] = {0, 1, 2, 0, 2, 3};
    glBegin(GL_TRIANGLES);
    for (int k : kOrder) {
        glColor4f(colour.r, colour.g, colour.b, 1.0f);
        glTexCoord2f(u[k], v[k]);
        glVertex3f(x[k], y[k], z[k]);
    }
    glEnd();
    m_trianglesDrawn += 2;
    glBindTexture(GL_TEXTURE_2D, 0);
    loadCameraMatrix();
}

void GraphicsSystem::drawModelPreview(const ModelDrawRequest& request, float x0, float y0, float x1, float y1)
{
    drawDirectly();
    // The normal camera looking at the model's place, zoomed and aimed so
    // the model's bounds fill the rectangle.
    ZonePosition target(request.position.zone, request.position.x, request.position.y);
    float zoom = 1.0f;
    Vec2 lookAt{0.0f, 0.0f};
    int width = 0, height = 0;
    getDrawableSize(width, height);
    ResourceSystem* resources = ResourceSystem::instance();
    if (const auto* model = resources && request.model >= 0
                                ? dynamic_cast<const ModelResource*>(resources->get(request.model))
                                : nullptr) {
        fitModelView(*model, request.animation, request.orientation, request.scale,
                     (x1 - x0) * projectionWiden(width, height), y1 - y0, zoom, lookAt);
    }
    target.x += lookAt.x;
    target.y += lookAt.y;
    ZonePosition3 eye(target.zone, target.x + m_cameraOffset[0], target.y + m_cameraOffset[1],
                      m_cameraOffset[2]);
    setCamera(target, eye, zoom);
    if (m_context) {
        setViewportCentredOn((x0 + x1) * 0.5f, (y0 + y1) * 0.5f);
        m_glState->setDepthTest(true);
        m_glState->setDepthWrite(true);
    }
    setInterfaceClip(true, x0, y0, x1, y1);
    m_renderQueue->beginFrame();
    m_renderQueue->addSkinnedModel(request);
    drawQueuedSurfaces(m_renderQueue->getQueued());
    setInterfaceClip(false);
    if (m_context) {
        float stored[4];
        getViewport(stored);
        setViewport(stored[0], stored[1], stored[2], stored[3], false);
    }
    setOrthoOverlay();
}

bool GraphicsSystem::fitModelView(const ModelResource& model, int animation, const Matrix3& orientation,
                                  float scale, float unitsWide, float unitsHigh, float& zoom,
                                  Vec2& lookAt) const
{
    const ModelAnimation* anim = model.getAnimation(animation);
    const AnimationResource* keys = anim ? anim->getAnimationResource() : nullptr;
    if (!keys || !keys->hasBounds() || !(unitsWide > 0.0f) || !(unitsHigh > 0.0f)) {
        return false;
    }
    const Vec3 lo = keys->getFrameBoundsMin(0), hi = keys->getFrameBoundsMax(0);
    // The camera's axes: rows forward, left and up; the screen's right is
    // the camera's left turned round.
    const Matrix3 axes =
        eulerToMatrix(vectorToAngles(Vec3(-m_cameraOffset[0], -m_cameraOffset[1], -m_cameraOffset[2])));
    const Vec3 forward(axes.m[0][0], axes.m[0][1], axes.m[0][2]);
    const Vec3 right(-axes.m[1][0], -axes.m[1][1], -axes.m[1][2]);
    const Vec3 up(axes.m[2][0], axes.m[2][1], axes.m[2][2]);
    float left = 0.0f, rightmost = 0.0f, bottom = 0.0f, top = 0.0f;
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3 local((corner & 1) ? hi.x : lo.x, (corner & 2) ? hi.y : lo.y, (corner & 4) ? hi.z : lo.z);
        const Vec3 placed = transformVectorByMatrix(local * scale, orientation);
        const float x = vec3Dot(placed, right), y = vec3Dot(placed, up);
        left = corner == 0 ? x : std::min(left, x);
        rightmost = corner == 0 ? x : std::max(rightmost, x);
        bottom = corner == 0 ? y : std::min(bottom, y);
        top = corner == 0 ? y : std::max(top, y);
    }
    const float fitted = std::max((rightmost - left) / unitsWide, (top - bottom) / unitsHigh) * 1.1f;
    if (!(fitted > 0.0f) || !std::isfinite(fitted)) {
        return false;
    }
    zoom = fitted;
    // The middle of the bounds on the screen, slid along the view onto the
    // ground: the camera looking there sees it in the middle.
    Vec3 middle = right * ((left + rightmost) * 0.5f) + up * ((bottom + top) * 0.5f);
    if (forward.z != 0.0f) {
        middle = middle - forward * (middle.z / forward.z);
    }
    lookAt = Vec2{middle.x, middle.y};
    return true;
}

void GraphicsSystem::updateTexture(uint32_t texture, const uint8_t* pixels, int width, int height)
{
    drawDirectly();
    ++m_textureChanges;
    if (!m_context || texture == kNoTexture || !pixels || width <= 0 || height <= 0) {
        return;
    }
    acquireContext();
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glBindTexture(GL_TEXTURE_2D, 0);
    releaseContext();
}

// Small drawing entry points of the interface and the world: a sprite frame
// standing upright in the world, a model preview inside a widget, and the
// per-frame update of a texture's pixels.
#include "graphics/GraphicsSystem.h"

#include "engine/core/ColorSystem.h"
#include "engine/platform/GLContext.h"
#include "engine/resources/ModelAnimation.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GlStateCache.h"
#include "graphics/TextureResource.h"
#include "graphics/render/ModelDrawRequest.h"
#include "graphics/render/RenderQueue.h"

#include <GL/gl.h>

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
    // The normal camera at zoom 1, looking at the model's place.
    const ZonePosition target(request.position.zone, request.position.x, request.position.y);
    ZonePosition3 eye(target.zone, target.x + m_cameraOffset[0], target.y + m_cameraOffset[1],
                      m_cameraOffset[2]);
    setCamera(target, eye, 1.0f);
    if (m_context) {
        setViewportCentredOn((x0 + x1) * 0.5f, (y0 + y1) * 0.5f);
        m_glState->setDepthTest(true);
        m_glState->setDepthWrite(true);
    }
    m_renderQueue->beginFrame();
    m_renderQueue->addSkinnedModel(request);
    drawQueuedSurfaces(m_renderQueue->getQueued());
    if (m_context) {
        float stored[4];
        getViewport(stored);
        setViewport(stored[0], stored[1], stored[2], stored[3], false);
    }
    setOrthoOverlay();
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

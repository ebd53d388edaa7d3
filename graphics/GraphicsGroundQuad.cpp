// The maps' ground squares and the stencil test of the mini-map's mask.
#include "graphics/GraphicsSystem.h"

#include "engine/core/ZonePosition3.h"
#include "graphics/GlStateCache.h"

#include <GL/gl.h>

void GraphicsSystem::drawGroundQuad(uint32_t texture, const ZonePosition& corner, float side,
                                    const float uv[4], bool repeat, const float colour[3], float alpha)
{
    drawDirectly();
    if (!m_context || texture == kNoTexture) {
        return;
    }
    // A mask drawn just before may have left colour writes off.
    loadCameraMatrix();
    m_glState->setColorWrite(true);
    m_glState->setCullFace(false, 0);
    m_glState->setAlphaTest(false);
    m_glState->setBlend(true, kBlendSrcAlpha, kBlendOneMinusSrcAlpha);
    m_glState->setDepthTest(false);
    m_glState->setDepthWrite(false);
    glBindTexture(GL_TEXTURE_2D, texture);
    const int wrap = repeat ? kWrapRepeat : kWrapClampToEdge;
    m_glState->setWrap(wrap, wrap);
    const Vec3 c = toCameraSpace(ZonePosition3(corner.zone, corner.x, corner.y, 0.0f));
    const float x[4] = {c.x, c.x + side, c.x + side, c.x};
    const float y[4] = {c.y, c.y, c.y + side, c.y + side};
    const float u[4] = {uv[0], uv[2], uv[2], uv[0]};
    const float v[4] = {uv[1], uv[1], uv[3], uv[3]};
    static const int kOrder[6] = {0, 1, 2, 0, 2, 3};
    glBegin(GL_TRIANGLES);
    for (int k : kOrder) {
        glColor4f(colour[0], colour[1], colour[2], alpha);
        glTexCoord2f(u[k], v[k]);
        glVertex3f(x[k], y[k], c.z);
    }
    glEnd();
    m_trianglesDrawn += 2;
    glBindTexture(GL_TEXTURE_2D, 0);
}

void GraphicsSystem::setStencilTest(bool on)
{
    drawDirectly();
    if (!m_context) {
        return;
    }
    if (on) {
        m_glState->setStencilTest(true, GL_EQUAL, 2, ~0u);
        m_glState->setStencilOps(GL_KEEP, GL_KEEP, GL_KEEP);
    } else {
        m_glState->setStencilTest(false);
    }
}

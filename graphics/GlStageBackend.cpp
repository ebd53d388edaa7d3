#include "graphics/GlStageBackend.h"

#include "graphics/GlStateCache.h"

#include <GL/gl.h>

#include <cmath>

GlStageBackend::GlStageBackend(GlStateCache& state, std::function<void(int)> bind)
    : m_state(state), m_bind(std::move(bind))
{
}

void GlStageBackend::beginBatch(const StageShaderState& s, const float* positions, size_t vertexCount)
{
    m_state.setCullFace(s.cullEnabled, static_cast<int>(s.cullFace));
    m_state.setDepthFunc(static_cast<int>(s.depthFunc));
    m_state.setDepthTest(s.depthTest);
    m_state.setDepthWrite(s.depthWrite);
    m_state.setColorWrite(s.colorWrite);
    if (s.stencilEnabled) {
        m_state.setStencilTest(true, static_cast<int>(s.stencilFunc), s.stencilRef);
        m_state.setStencilOps(static_cast<int>(s.stencilActions[0]), static_cast<int>(s.stencilActions[1]),
                              static_cast<int>(s.stencilActions[2]));
    } else {
        m_state.setStencilTest(false);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions);
    if (m_lock && m_unlock) {
        m_lock(0, static_cast<int>(vertexCount));
        m_locked = true;
    }
}

void GlStageBackend::drawStage(const StageDraw& d, const uint32_t* indices, size_t indexCount)
{
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, d.texCoords);
    m_state.setBlend(d.blendEnabled, static_cast<int>(d.sourceBlend), static_cast<int>(d.destBlend));
    switch (d.vertexColorMode) {
    case 0:
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_UNSIGNED_BYTE, 4, d.colours);
        break;
    case 1:
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, d.colours);
        break;
    case 2:
        glDisableClientState(GL_COLOR_ARRAY);
        glColor3f(d.constantColor[0], d.constantColor[1], d.constantColor[2]);
        break;
    default:
        glDisableClientState(GL_COLOR_ARRAY);
        glColor4f(d.constantColor[0], d.constantColor[1], d.constantColor[2], d.constantColor[3]);
        break;
    }
    m_state.setAlphaTest(d.alphaTest, static_cast<int>(d.alphaFunc), d.alphaRef);
    if (m_bind) {
        m_bind(d.texture);
    }
    m_state.setWrap(static_cast<int>(d.clampU), static_cast<int>(d.clampV));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(d.minFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(d.magFilter));
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, indices);
}

void GlStageBackend::endBatch()
{
    if (m_locked) {
        m_unlock();
        m_locked = false;
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void GlStageBackend::drawNormals(const float* positions, const float* normals, size_t vertexCount)
{
    if (m_bind) {
        m_bind(m_outlineTexture);
    }
    glBegin(GL_LINES);
    for (size_t i = 0; i < vertexCount; ++i) {
        const float* p = positions + i * 3;
        const float* n = normals + i * 3;
        glColor3f(std::fabs(n[0]), std::fabs(n[1]), std::fabs(n[2]));
        glVertex3f(p[0], p[1], p[2]);
        glVertex3f(p[0] + 5 * n[0], p[1] + 5 * n[1], p[2] + 5 * n[2]);
    }
    glEnd();
}

void GlStageBackend::drawTriangleOutlines(const uint32_t* indices, size_t indexCount, bool depthTestOff)
{
    if (depthTestOff) {
        m_state.setDepthTest(false);
    }
    if (m_bind) {
        m_bind(m_outlineTexture);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnableClientState(GL_VERTEX_ARRAY); // the batch's positions are still set
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor3f(1.0f, 1.0f, 1.0f);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, indices);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void GlStageBackend::setModelView(const float matrix[16])
{
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(matrix);
}

#include "graphics/GlStageBackend.h"

#include "graphics/GlStateCache.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace {

// OpenGL's initial level-of-detail range.
constexpr float kLowestLod = -1000.0f;
constexpr float kHighestLod = 1000.0f;

} // namespace

bool triangleLevelOfDetail(const float window[3][2], const float uv[3][2], int width, int height,
                           unsigned minFilter, float& lod)
{
    // Between two levels the renderer weighs them by its own figure, which a
    // fixed one would not match to the last bit: only the nearest level.
    const bool nearest = minFilter == GL_NEAREST_MIPMAP_NEAREST || minFilter == GL_LINEAR_MIPMAP_NEAREST;
    if (!nearest || width <= 0 || height <= 0) {
        return false;
    }
    // Texels per pixel: the texel edges times the inverse of the window edges.
    const double ax = window[1][0] - window[0][0], ay = window[1][1] - window[0][1];
    const double bx = window[2][0] - window[0][0], by = window[2][1] - window[0][1];
    const double det = ax * by - bx * ay;
    if (!(std::fabs(det) > 1e-6)) {
        return false;
    }
    const double du[2] = {(uv[1][0] - uv[0][0]) * width, (uv[2][0] - uv[0][0]) * width};
    const double dv[2] = {(uv[1][1] - uv[0][1]) * height, (uv[2][1] - uv[0][1]) * height};
    // d/dx and d/dy of (u, v) in texels.
    const double ux = (du[0] * by - du[1] * ay) / det, uy = (du[1] * ax - du[0] * bx) / det;
    const double vx = (dv[0] * by - dv[1] * ay) / det, vy = (dv[1] * ax - dv[0] * bx) / det;
    const double rho = std::max(std::hypot(ux, vx), std::hypot(uy, vy));
    if (!(rho > 0.0) || !std::isfinite(rho)) {
        return false;
    }
    const double lambda = std::log2(rho);
    if (lambda <= 0.5) {
        lod = 0.0f;
        return true;
    }
    // The renderer rounds its own, slightly different figure.
    constexpr double kMargin = 0.02;
    if (std::fabs(lambda - std::floor(lambda) - 0.5) < kMargin) {
        return false;
    }
    lod = static_cast<float>(std::floor(lambda + 0.5));
    return true;
}

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
    m_positions = positions;
    m_vertexCount = vertexCount;
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
    const bool fixed = fixLevelOfDetail(d, indices, indexCount);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, indices);
    if (fixed) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_LOD, kLowestLod);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_LOD, kHighestLod);
    }
}

bool GlStageBackend::fixLevelOfDetail(const StageDraw& d, const uint32_t* indices, size_t indexCount)
{
    // A software renderer works the level out for every block of pixels
    // and samples each block at its own; one level for the whole draw, the
    // one it would have found everywhere, spares it both.
    if (!d.flatAndAffine || !d.texCoords || !m_positions || indexCount < 3) {
        return false;
    }
    float modelView[16], projection[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    // Only a parallel projection keeps the level the same across the plane.
    if (projection[3] != 0.0f || projection[7] != 0.0f || projection[11] != 0.0f || projection[15] != 1.0f) {
        return false;
    }
    float window[3][2], uv[3][2];
    for (int k = 0; k < 3; ++k) {
        const uint32_t i = indices[k];
        if (i >= m_vertexCount) {
            return false;
        }
        const float* p = m_positions + static_cast<size_t>(i) * 3;
        float eye[4];
        for (int r = 0; r < 4; ++r) {
            eye[r] =
                modelView[r] * p[0] + modelView[4 + r] * p[1] + modelView[8 + r] * p[2] + modelView[12 + r];
        }
        float clip[2];
        for (int r = 0; r < 2; ++r) {
            clip[r] = projection[r] * eye[0] + projection[4 + r] * eye[1] + projection[8 + r] * eye[2] +
                      projection[12 + r] * eye[3];
        }
        window[k][0] = (clip[0] + 1.0f) * 0.5f * static_cast<float>(viewport[2]);
        window[k][1] = (clip[1] + 1.0f) * 0.5f * static_cast<float>(viewport[3]);
        uv[k][0] = d.texCoords[static_cast<size_t>(i) * 2];
        uv[k][1] = d.texCoords[static_cast<size_t>(i) * 2 + 1];
    }
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    float lod = 0.0f;
    if (!triangleLevelOfDetail(window, uv, width, height, d.minFilter, lod)) {
        return false;
    }
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_LOD, lod);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_LOD, lod);
    return true;
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

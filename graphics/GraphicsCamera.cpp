// The camera of the graphics system: zoom, projection, the view matrix over
// the local player, the view box for culling and the 2D overlay.
#include "graphics/GraphicsSystem.h"

#include "engine/console/UserVarRef.h"
#include "engine/core/StringUtil.h"
#include "engine/platform/GLContext.h"
#include "graphics/GlStateCache.h"
#include "graphics/ViewPlanes.h"
#include "graphics/render/RenderView.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

void multiply4(const float a[16], const float b[16], float out[16])
{
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a[k * 4 + r] * b[c * 4 + k];
            }
            out[c * 4 + r] = sum;
        }
    }
}

std::string formatFloat(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

} // namespace

void GraphicsSystem::setZoom(float requested)
{
    float maximum = std::clamp(getVar("zoomMax").getFloat(), 1.0f, 3.0f);
    getVar("zoomMax").setString(formatFloat(maximum));
    if (!std::isfinite(requested)) {
        requested = 1.0f;
    }
    getVar("zoom").setString(formatFloat(std::clamp(requested, 0.6f, maximum)));
}

void GraphicsSystem::getDrawableSize(int& width, int& height) const
{
    width = m_windowWidth;
    height = m_windowHeight;
    if (m_context) {
        m_context->getDrawableSize(width, height);
    }
}

void GraphicsSystem::setProjection(float zoom)
{
    drawDirectly();
    int width = 0, height = 0;
    getDrawableSize(width, height);
    float extents[4];
    if (!m_context || !projectionExtents(width, height, zoom, extents)) {
        return;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(extents[0], extents[1], extents[2], extents[3], 2.0, 2048.0);
    glMatrixMode(GL_MODELVIEW);
}

void GraphicsSystem::setProjectionShape(float zoom, float aspect)
{
    drawDirectly();
    if (!m_context || !std::isfinite(zoom) || !(aspect > 0.0f)) {
        return;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-240.0f * zoom * aspect, 240.0f * zoom * aspect, -240.0f * zoom, 240.0f * zoom, 2.0, 2048.0);
    glMatrixMode(GL_MODELVIEW);
}

void GraphicsSystem::setCamera(const ZonePosition& target, const ZonePosition3& eye, float zoom)
{
    drawDirectly();
    m_cameraTarget = target;
    m_cameraEye = eye;
    // The eye in the target's zone, and the view direction from it.
    ZonePosition3 local = eye;
    if (target.zone >= 0 && eye.zone >= 0 && eye.zone != target.zone) {
        local.toZone(target.zone);
    }
    const Vec3 v(target.x - local.x, target.y - local.y, 0.0f - local.z);
    const Matrix3 rotation = eulerToMatrix(vectorToAngles(v));
    const float length = std::sqrt(vec3Dot(v, v));
    m_distanceRatio = v.z < 0.0f ? length / -v.z : 1.0f;

    RenderView& view = *m_view;
    view.referenceZone = target.zone;
    view.eye = ZonePosition3(target.zone, local.x, local.y, local.z);
    view.rotation = rotation;
    // [R | −R·eye] taken to OpenGL's axes.
    float m[16] = {};
    const float e[3] = {local.x, local.y, local.z};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m[c * 4 + r] = rotation.m[r][c];
        }
        m[12 + r] = -(rotation.m[r][0] * e[0] + rotation.m[r][1] * e[1] + rotation.m[r][2] * e[2]);
    }
    m[15] = 1.0f;
    multiply4(getAxisMatrix(), m, view.viewMatrix);
    loadCameraMatrix();
    setProjection(zoom);
    buildViewPlanes(zoom);
    if (m_context) {
        m_glState->setDepthWrite(true);
    }
}

void GraphicsSystem::setupPlayerCamera(float zoom, bool clear)
{
    drawDirectly();
    ZonePosition target(-1, 0.0f, 0.0f);
    if (m_frameHooks.connected() && !m_frameHooks.areaEditorActive() && m_frameHooks.getCameraCentre) {
        target = m_frameHooks.getCameraCentre();
    }
    const float* offset = getVar("r_overheadView").getInt() != 0 ? m_overheadCameraOffset : m_cameraOffset;
    ZonePosition3 eye(target.zone, target.x + offset[0], target.y + offset[1], offset[2]);
    if (eye.zone >= 0) {
        eye.normalize();
    }
    setCamera(target, eye, zoom);
    if (clear && m_context) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
}

void GraphicsSystem::clearViewport()
{
    drawDirectly();
    if (!m_context) {
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(m_appliedViewport[0], m_appliedViewport[1], std::max(0, m_appliedViewport[2]),
              std::max(0, m_appliedViewport[3]));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

void GraphicsSystem::setInterfaceClip(bool on, float x0, float y0, float x1, float y1)
{
    drawDirectly();
    int width = 0, height = 0;
    getDrawableSize(width, height);
    if (!m_context || width <= 0 || height <= 0) {
        return;
    }
    if (!on) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    // The virtual screen spans the window, y down.
    const float sx = static_cast<float>(width) / 640.0f, sy = static_cast<float>(height) / 480.0f;
    glEnable(GL_SCISSOR_TEST);
    glScissor(static_cast<int>(std::floor(x0 * sx)),
              static_cast<int>(std::floor(static_cast<float>(height) - y1 * sy)),
              std::max(0, static_cast<int>(std::ceil((x1 - x0) * sx))),
              std::max(0, static_cast<int>(std::ceil((y1 - y0) * sy))));
}

void GraphicsSystem::buildViewPlanes(float zoom)
{
    int width = 0, height = 0;
    getDrawableSize(width, height);
    const float widen = projectionWiden(width, height);
    const ZonePosition3& eye = m_view->eye;
    m_view->planes =
        buildViewBox(Vec3(eye.x, eye.y, eye.z), m_view->rotation, 320.0f * zoom * widen, 240.0f * zoom);
}

void GraphicsSystem::setOrthoOverlay()
{
    drawDirectly();
    static const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    loadModelView(identity);
    if (!m_context) {
        return;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    m_glState->setDepthTest(false);
    m_glState->setDepthWrite(false);
}

void GraphicsSystem::resetRenderState()
{
    drawDirectly();
    if (!m_context) {
        return;
    }
    m_glState->setDepthTest(false);
    m_glState->setDepthWrite(false);
    m_glState->setCullFace(false, 0);
    m_glState->setAlphaTest(false, 0, 0.0f);
    m_glState->setStencilTest(false, 0, 0);
    m_glState->setColorWrite(true);
}

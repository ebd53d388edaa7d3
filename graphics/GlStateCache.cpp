#include "graphics/GlStateCache.h"

#include <GL/gl.h>

namespace {

void enable(GLenum cap, bool on)
{
    if (on) {
        glEnable(cap);
    } else {
        glDisable(cap);
    }
}

} // namespace

void GlStateCache::reset()
{
    m_cullEnabled = m_cullFace = -1;
    m_depthFunc = m_depthTest = m_depthWrite = m_colorWrite = -1;
    m_blend = m_blendSource = m_blendDestination = -1;
    m_wrapS = m_wrapT = -1;
    m_alphaTest = m_alphaFunction = -1;
    m_alphaReference = -1.0f;
    m_stencilTest = m_stencilFunction = m_stencilReference = -1;
    m_stencilMask = 0;
    m_stencilFail = m_stencilDepthFail = m_stencilDepthPass = -1;
    m_calls = 0;
}

void GlStateCache::setCullFace(bool enabled, int face)
{
    if (m_cullEnabled != int(enabled)) {
        enable(GL_CULL_FACE, enabled);
        m_cullEnabled = enabled;
        ++m_calls;
    }
    if (enabled && m_cullFace != face) {
        glCullFace(static_cast<GLenum>(face));
        m_cullFace = face;
        ++m_calls;
    }
}

void GlStateCache::setDepthFunc(int function)
{
    if (m_depthFunc != function) {
        glDepthFunc(static_cast<GLenum>(function));
        m_depthFunc = function;
        ++m_calls;
    }
}

void GlStateCache::setDepthTest(bool enabled)
{
    if (m_depthTest != int(enabled)) {
        enable(GL_DEPTH_TEST, enabled);
        m_depthTest = enabled;
        ++m_calls;
    }
}

void GlStateCache::setDepthWrite(bool enabled)
{
    if (m_depthWrite != int(enabled)) {
        glDepthMask(enabled ? GL_TRUE : GL_FALSE);
        m_depthWrite = enabled;
        ++m_calls;
    }
}

void GlStateCache::setColorWrite(bool enabled)
{
    if (m_colorWrite != int(enabled)) {
        GLboolean on = enabled ? GL_TRUE : GL_FALSE;
        glColorMask(on, on, on, on);
        m_colorWrite = enabled;
        ++m_calls;
    }
}

void GlStateCache::setBlend(bool enabled, int source, int destination)
{
    if (m_blend != int(enabled)) {
        enable(GL_BLEND, enabled);
        m_blend = enabled;
        ++m_calls;
    }
    if (enabled && source >= 0 && destination >= 0 &&
        (m_blendSource != source || m_blendDestination != destination)) {
        glBlendFunc(static_cast<GLenum>(source), static_cast<GLenum>(destination));
        m_blendSource = source;
        m_blendDestination = destination;
        ++m_calls;
    }
}

void GlStateCache::setWrap(int s, int t)
{
    // The wrap modes belong to the bound texture: always sent, then recorded.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, s);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, t);
    m_wrapS = s;
    m_wrapT = t;
    m_calls += 2;
}

void GlStateCache::setAlphaTest(bool enabled, int function, float reference)
{
    if (m_alphaTest != int(enabled)) {
        enable(GL_ALPHA_TEST, enabled);
        m_alphaTest = enabled;
        ++m_calls;
    }
    if (enabled && function >= 0 && (m_alphaFunction != function || m_alphaReference != reference)) {
        glAlphaFunc(static_cast<GLenum>(function), reference);
        m_alphaFunction = function;
        m_alphaReference = reference;
        ++m_calls;
    }
}

void GlStateCache::setStencilTest(bool enabled, int function, int reference, unsigned mask)
{
    if (m_stencilTest != int(enabled)) {
        enable(GL_STENCIL_TEST, enabled);
        m_stencilTest = enabled;
        ++m_calls;
    }
    if (enabled && function >= 0 &&
        (m_stencilFunction != function || m_stencilReference != reference || m_stencilMask != mask)) {
        glStencilFunc(static_cast<GLenum>(function), reference, mask);
        m_stencilFunction = function;
        m_stencilReference = reference;
        m_stencilMask = mask;
        ++m_calls;
    }
}

void GlStateCache::setStencilOps(int fail, int depthFail, int depthPass)
{
    if (m_stencilFail != fail || m_stencilDepthFail != depthFail || m_stencilDepthPass != depthPass) {
        glStencilOp(static_cast<GLenum>(fail), static_cast<GLenum>(depthFail),
                    static_cast<GLenum>(depthPass));
        m_stencilFail = fail;
        m_stencilDepthFail = depthFail;
        m_stencilDepthPass = depthPass;
        ++m_calls;
    }
}

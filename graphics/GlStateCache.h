#pragma once

// The graphics system's copy of the fixed-function OpenGL state: a change is
// sent to OpenGL only when it differs from the copy. Every drawing part
// changes these states through it. Unknown values (after reset, e.g. on a
// new context) are always sent. Called with the context lock held.
class GlStateCache {
public:
    GlStateCache() { reset(); }

    // Forgets everything: the next call of each setter reaches OpenGL.
    void reset();

    void setCullFace(bool enabled, int face);
    void setDepthFunc(int function);
    void setDepthTest(bool enabled);
    void setDepthWrite(bool enabled);
    void setColorWrite(bool enabled);
    // Blending on with the factors, or off (the factors are then kept).
    void setBlend(bool enabled, int source = -1, int destination = -1);
    // The wrap modes of the bound texture.
    void setWrap(int s, int t);
    void setAlphaTest(bool enabled, int function = -1, float reference = 0.0f);
    void setStencilTest(bool enabled, int function = -1, int reference = 0, unsigned mask = ~0u);
    void setStencilOps(int fail, int depthFail, int depthPass);

    // Takes a value as set without calling OpenGL (the initial state).
    void recordDepthFunc(int function) { m_depthFunc = function; }

    int cullEnabled() const { return m_cullEnabled; }
    int cullFace() const { return m_cullFace; }
    int depthFunc() const { return m_depthFunc; }
    int depthTest() const { return m_depthTest; }
    int depthWrite() const { return m_depthWrite; }
    int colorWrite() const { return m_colorWrite; }
    int blendEnabled() const { return m_blend; }
    int blendSource() const { return m_blendSource; }
    int blendDestination() const { return m_blendDestination; }
    int wrapS() const { return m_wrapS; }
    int wrapT() const { return m_wrapT; }
    int alphaTest() const { return m_alphaTest; }
    int stencilTest() const { return m_stencilTest; }
    // OpenGL calls made through the cache since the last reset.
    int getCallCount() const { return m_calls; }

private:
    // -1: not known.
    int m_cullEnabled, m_cullFace;
    int m_depthFunc, m_depthTest, m_depthWrite, m_colorWrite;
    int m_blend, m_blendSource, m_blendDestination;
    int m_wrapS, m_wrapT;
    int m_alphaTest, m_alphaFunction;
    float m_alphaReference;
    int m_stencilTest, m_stencilFunction, m_stencilReference;
    unsigned m_stencilMask;
    int m_stencilFail, m_stencilDepthFail, m_stencilDepthPass;
    int m_calls;
};

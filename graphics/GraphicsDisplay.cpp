// The window, its OpenGL context, the initial state and the frame's ends.
#include "graphics/DeferredStageBackend.h"
#include "graphics/GlStageBackend.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/shaders/ShaderSystem.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/platform/GLContext.h"
#include "engine/platform/Platform.h"
#include "graphics/GlStateCache.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <algorithm>
#include <cmath>
#include <string>

int GraphicsSystem::chooseMultisampleSamples() const
{
    int samples = getVar("r_antiAliasingSamples").getInt();
    if (m_multisampleSupported && samples >= 1) {
        for (const auto& f : m_multisampleFormats) {
            if (f.samples == samples) {
                return samples;
            }
        }
    }
    return 0;
}

bool GraphicsSystem::createWindowAndContext(int width, int height, std::string& error)
{
    Platform* platform = Platform::instance();
    if (!platform) {
        error = "Cannot open a window: no platform layer";
        return false;
    }
    Platform::WindowOptions options;
    options.width = width;
    options.height = height;
    options.hidden = true;
    options.openGL = true;
    options.topMost = getVar("r_fullscreen").getInt() != 0 && getVar("r_topWindow").getInt() != 0;
    options.multisampleSamples = chooseMultisampleSamples();
    m_multisampleActive = options.multisampleSamples > 0;
    if (!platform->createWindow(options, error)) {
        m_multisampleActive = false;
        return false;
    }
    m_window = platform->getWindow();
    m_ownContext = std::make_unique<GLContext>();
    if (!m_ownContext->create(m_window, error)) {
        m_ownContext.reset();
        platform->destroyWindow();
        m_window = nullptr;
        m_multisampleActive = false;
        return false;
    }
    setContext(m_ownContext.get());
    return true;
}

void GraphicsSystem::destroyWindowAndContext()
{
    acquireContext();
    m_displayReady = false;
    // A new window shows nothing yet.
    m_deferredBackend->forgetShown();
    setContext(nullptr);
    if (m_ownContext) {
        m_ownContext->destroy();
        m_ownContext.reset();
    }
    releaseContext();
    if (Platform* platform = Platform::instance(); platform && m_window) {
        if (m_fullScreen) {
            restoreDesktopMode(m_window);
        }
        platform->destroyWindow();
    }
    m_window = nullptr;
    m_fullScreen = false;
    m_glState->reset();
}

bool GraphicsSystem::isSoftwareRenderer(const char* rendererName)
{
    if (!rendererName) {
        return false;
    }
    const std::string name = rendererName;
    for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
        if (name.find(software) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void GraphicsSystem::loadExtensions()
{
    bool compression = m_context->hasExtension("GL_ARB_texture_compression") &&
                       m_context->hasExtension("GL_EXT_texture_compression_s3tc") &&
                       m_context->getProcAddress("glCompressedTexImage2DARB") != nullptr;
    m_compressionSupported = compression;
    m_decodeCompressedUploads = isSoftwareRenderer(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    float maximum = 0.0f;
    bool anisotropy = m_context->hasExtension("GL_EXT_texture_filter_anisotropic");
    if (anisotropy) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximum);
    }
    initAnisotropy(anisotropy, maximum);
}

void GraphicsSystem::applySwapInterval()
{
    acquireContext();
    m_swapIntervalAccepted = m_context && m_context->setSwapInterval(getVar("monitorSync").getInt());
    releaseContext();
}

void GraphicsSystem::setInitialState()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glClearDepth(1.0);
    glCullFace(GL_FRONT);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glShadeModel(GL_SMOOTH);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glStencilMask(~0u);
    glClearStencil(0);
    glDisable(GL_LIGHTING);
    GlStateCache& state = *m_glState;
    state.reset();
    state.setDepthFunc(GL_LEQUAL);
    state.setDepthWrite(true);
    state.setDepthTest(true);
    state.setColorWrite(true);
    state.setAlphaTest(false);
    state.setCullFace(false, GL_FRONT);
    state.setBlend(false);
    state.setStencilTest(false);
    state.setStencilOps(GL_KEEP, GL_KEEP, GL_KEEP);
}

bool GraphicsSystem::setupDisplayOnce(std::string& error)
{
    // 1. Modes and multisample formats.
    getDisplayModes();
    probeMultisample();
    // 2. The size.
    int width = 0, height = 0;
    resolveWindowSize(width, height);
    int frequency = getVar("r_freq").getInt();
    // 3.–4. The window (hidden), then its full-screen mode.
    if (!createWindowAndContext(width, height, error)) {
        return false;
    }
    m_fullScreen = false;
    if (getVar("r_fullscreen").getInt() != 0) {
        if (!setDisplayMode(width, height, frequency, true)) {
            destroyWindowAndContext();
            error = "Failed Display Setup!";
            return false;
        }
        m_fullScreen = true;
    }
    m_windowWidth = width;
    m_windowHeight = height;
    m_displayFrequency = frequency;
    // 5. Shown, in front, with the focus.
    Platform::get().showWindow();

    // 6.–10. Under the lock: extensions, two cleared frames, the state.
    acquireContext();
    loadExtensions();
    if (m_context->hasExtension("GL_EXT_compiled_vertex_array")) {
        m_stageBackend->setArrayLocks(
            reinterpret_cast<GlStageBackend::LockArrays>(m_context->getProcAddress("glLockArraysEXT")),
            reinterpret_cast<GlStageBackend::UnlockArrays>(m_context->getProcAddress("glUnlockArraysEXT")));
    } else {
        m_stageBackend->setArrayLocks(nullptr, nullptr);
    }
    if (m_multisampleActive) {
        glEnable(GL_MULTISAMPLE);
    } else if (m_multisampleSupported) {
        glDisable(GL_MULTISAMPLE);
    }
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glDrawBuffer(GL_BACK);
    for (int i = 0; i < 2; ++i) {
        glClear(GL_COLOR_BUFFER_BIT);
        m_context->swap();
    }
    glFlush();
    applySwapInterval();
    setInitialState();
    int drawableWidth = 0, drawableHeight = 0;
    m_context->getDrawableSize(drawableWidth, drawableHeight);
    setViewport(0.0f, 0.0f, float(drawableWidth), float(drawableHeight), true);
    releaseContext();

    // Settings the loader thread reads, fixed until the next restart.
    setFilteringQuality(getVar("filteringQuality").getInt());
    setUseCompressedTextures(getVar("compressedTextures").getInt() != 0 && m_compressionSupported);
    if (ShaderSystem* shaders = ShaderSystem::instance()) {
        shaders->setCompressedTextures(useCompressedTextures());
        shaders->setBetterLighting(getVar("r_betterLighting").getInt() != 0);
    }

    // 11. The texture caches; 12. the standard textures (the fonts come with
    // their own part).
    buildTextureCaches();
    acquireStandardTextures();
    uploadTexturesLoadedWithoutContext();

    // 13. Shadows, the tile cull radius, ready.
    m_shadowType = std::clamp(getVar("r_shadows").getInt(), 0, 2);
    float tileSize = m_gameLinks.tileSize ? m_gameLinks.tileSize() : 32.0f;
    float half = tileSize / 2.0f;
    m_tileCullRadius = 1.1f * std::sqrt(2.0f * half * half);
    m_displayReady = true;
    m_lastWorking = {true, getVar("r_width").getString(), getVar("r_height").getString(),
                     getVar("r_freq").getString(), getVar("r_fullscreen").getString()};
    return true;
}

bool GraphicsSystem::setupDisplay(std::string& error)
{
    if (m_platformHooksId == 0) {
        if (Platform* platform = Platform::instance()) {
            m_platformHooksId =
                platform->addHooks({[this](bool active, bool minimised) { onActivate(active, minimised); },
                                    [this] { toggleFullscreen(); }, nullptr});
        }
    }
    return setupDisplayOnce(error);
}

void GraphicsSystem::shutdownDisplay()
{
    if (m_platformHooksId != 0) {
        if (Platform* platform = Platform::instance()) {
            platform->removeHooks(m_platformHooksId);
        }
        m_platformHooksId = 0;
    }
    if (m_window || m_ownContext) {
        // Frames that would have shown what the screen showed were dropped.
        debugPrintRaw("Frames shown: %llu of %u\n", static_cast<unsigned long long>(m_shownFrames),
                      m_frameNumber.load());
        destroyWindowAndContext();
    }
    m_displayReady = false;
}

void GraphicsSystem::beginFrame()
{
    acquireContext();
    applyChangedSettings();
    if (!m_context) {
        return;
    }
    int width = 0, height = 0;
    m_context->getDrawableSize(width, height);
    setViewport(0.0f, 0.0f, float(width), float(height), true);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    m_glState->setDepthWrite(true);
    m_glState->setColorWrite(true);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void GraphicsSystem::endFrame()
{
    if (m_context) {
        // The frame just drawn: after the swap the back buffer is undefined.
        if (m_screenshotRequested.exchange(false)) {
            captureScreenshot();
        }
        m_context->swap();
    }
    releaseContext();
}

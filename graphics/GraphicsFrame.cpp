// One frame of the graphics system: the order of its passes, the settings
// applied at its start, the frames-per-second line, the collision grid and
// the debug console.
#include "graphics/GraphicsSystem.h"

#include "engine/app/DebugConsole.h"
#include "engine/core/Clock.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Profiler.h"
#include "engine/input/Input.h"
#include "engine/platform/GLContext.h"
#include "engine/platform/Platform.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/DeferredStageBackend.h"
#include "graphics/GlStateCache.h"
#include "graphics/LightingSystem.h"
#include "graphics/ScreenGeometry.h"
#include "graphics/StageDrawer.h"
#include "graphics/render/BatchGeometry.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/render/RenderView.h"
#include "graphics/shaders/Shader.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

void GraphicsSystem::applyChangedSettings()
{
    ++m_frameNumber;
    m_trianglesDrawn = 0;
    m_trianglePasses = 0;
    auto changed = [this](const char* name) {
        UserVarRef var = getVar(name);
        if (!var.isValid() || !var.hasChanged()) {
            return false;
        }
        var.clearChanged();
        return true;
    };
    if (changed("monitorSync") && m_context) {
        applySwapInterval();
    }
    if (changed("r_maxLights")) {
        if (LightingSystem* lighting = LightingSystem::instance()) {
            lighting->setMaxLights(getVar("r_maxLights").getInt());
        }
    }
    if (changed("r_shadows")) {
        m_shadowType = std::clamp(getVar("r_shadows").getInt(), 0, 2);
    }
    if (changed("zoom")) {
        float zoom = getVar("zoom").getFloat();
        m_zoom = std::isfinite(zoom) && zoom > 0.0f ? zoom : 1.0f;
    }
    // Both flags are cleared, whichever changed.
    bool anisotropic = changed("r_anisotropic");
    if (changed("r_anisotropicValue") || anisotropic) {
        applyAnisotropy();
    }
    if (changed("r_groundDetail")) {
        applyGroundDetail();
    }
    updateTextEvents();
}

void GraphicsSystem::renderFrame(double frameSeconds)
{
    Profiler* profiler = Profiler::instance();
    if (profiler) {
        profiler->startSection(Profiler::Render);
    }
    acquireContext();
    applyChangedSettings();
    FrameHooks& hooks = m_frameHooks;
    int width = 0, height = 0;
    getDrawableSize(width, height);
    // A window with a side of 0 (minimised) draws nothing but still swaps.
    const bool drawable = width > 0 && height > 0;
    if (m_context && drawable) {
        setViewport(0.0f, 0.0f, float(width), float(height), true);
        glDrawBuffer(GL_BACK);
        glEnable(GL_TEXTURE_2D);
    }
    // A window showing only menus and text holds its batches back: when they
    // are what the screen shows already the frame is neither drawn nor
    // swapped (a software renderer would fill the whole window again).
    QuietFrameConditions quiet;
    quiet.window = m_context && drawable && m_stageDrawer->backend() == m_deferredBackend.get();
    quiet.screenshot = m_screenshotRequested;
    quiet.gameRunning = hooks.gameRunning();
    quiet.worldMap = hooks.isWorldMapShown && hooks.isWorldMapShown();
    quiet.fullScreenMenu = hooks.isFullScreenMenuShown && hooks.isFullScreenMenuShown();
    quiet.editorActive = hooks.areaEditorActive() || hooks.modelEditorActive();
    quiet.reports = getVar("r_textureUsage").getInt() != 0 || getVar("r_trisRendered").getInt() != 0;
    const bool mayHold = mayHoldFrame(quiet);
    if (drawable) {
        m_renderQueue->beginFrame();
        if (hooks.updateWorldMap) {
            hooks.updateWorldMap(frameSeconds);
        }
        const bool worldMap = hooks.isWorldMapShown && hooks.isWorldMapShown();
        // The editors and the world map replace the game's view; the texts
        // over the entities belong to that view and come only with it.
        bool worldDrawn = false;
        if (worldMap) {
            if (hooks.drawWorldMap) {
                hooks.drawWorldMap();
            }
        } else if (!(hooks.isFullScreenMenuShown && hooks.isFullScreenMenuShown()) &&
                   !hooks.areaEditorActive() && !hooks.modelEditorActive()) {
            setupPlayerCamera(m_zoom, true);
            if (hooks.gameRunning()) {
                worldDrawn = true;
                renderScene(frameSeconds);
                if (hooks.drawEntities) {
                    hooks.drawEntities();
                }
                if (hooks.drawEffects) {
                    hooks.drawEffects(frameSeconds);
                }
                drawQueuedSurfaces(m_renderQueue->getQueued());
                drawBloom();
                if (getVar("showCollisionGrid").getInt() != 0) {
                    drawCollisionGrid(true);
                }
                if (getVar("showSightCollisionGrid").getInt() != 0) {
                    drawCollisionGrid(false);
                }
                if (hooks.drawMiniMap) {
                    hooks.drawMiniMap();
                }
            }
        }
        if (hooks.drawAreaEditor) {
            hooks.drawAreaEditor();
        }
        if (hooks.drawModelEditor) {
            hooks.drawModelEditor();
        }
        setOrthoOverlay();
        if (mayHold) {
            const Input* input = Input::instance();
            const Platform* platform = Platform::instance();
            m_deferredBackend->hold({uint64_t(width), uint64_t(height), input ? input->getEventCount() : 0,
                                     platform ? platform->getEventCount() : 0, m_textureChanges.load()});
            m_heldThread = std::this_thread::get_id();
            m_frameHeld = true;
        }
        if (worldDrawn && hooks.drawOverheadTexts && !hooks.mouseOverMenu()) {
            hooks.drawOverheadTexts();
        }
        drawTextEvents(true);
        if (hooks.updateAndDrawMenus) {
            hooks.updateAndDrawMenus(frameSeconds);
        }
        drawTextEvents(false);
        if (DebugSystem* debug = DebugSystem::instance()) {
            debug->drawConsole();
        }
        if (hooks.drawHelpMenu) {
            hooks.drawHelpMenu(frameSeconds);
        }
        drawFps();
        if (hooks.drawDragAndCursor) {
            hooks.drawDragAndCursor();
        }
    }
    bool shown = true;
    m_frameHeld = false;
    if (m_deferredBackend->isHolding()) {
        if (m_deferredBackend->matchesShown()) {
            shown = false;
        } else {
            m_deferredBackend->release();
            m_deferredBackend->markShown();
        }
    } else {
        m_deferredBackend->forgetShown();
    }
    if (m_context && shown) {
        glBindTexture(GL_TEXTURE_2D, 0);
        if (m_screenshotRequested.exchange(false) && drawable) {
            captureScreenshot();
        }
        m_context->swap();
        ++m_shownFrames;
    }
    releaseContext();
    if (profiler) {
        profiler->stopSection(Profiler::Render);
    }
    printTextureUsage();
}

bool GraphicsSystem::mayHoldFrame(const QuietFrameConditions& c)
{
    return c.window && !c.screenshot && !c.gameRunning && !c.worldMap && c.fullScreenMenu &&
           !c.editorActive && !c.reports;
}

void GraphicsSystem::drawDirectly()
{
    // Textures are uploaded and released on the loader thread as well; only
    // the frame's own thread draws.
    if (m_frameHeld.load() && std::this_thread::get_id() == m_heldThread) {
        m_frameHeld = false;
        m_deferredBackend->release();
    }
}

bool GraphicsSystem::computeFps(double nowSeconds, double frameMs, float& shown)
{
    ++m_fpsFrames;
    const float smooth = getVar("smoothFps").getFloat();
    if (nowSeconds > m_fpsSampleTime + smooth) {
        const double elapsed = nowSeconds - m_fpsSampleTime;
        m_fpsRate = elapsed > 0.0 ? static_cast<float>(m_fpsFrames / elapsed) : 0.0f;
        m_fpsSampleTime = nowSeconds;
        m_fpsFrames = 0;
    }
    if (frameMs <= 0.0) {
        return false;
    }
    shown = smooth <= 0.0f ? static_cast<float>(1000.0 / frameMs) : m_fpsRate;
    return true;
}

void GraphicsSystem::drawFps()
{
    if (getVar("fps").getInt() == 0) {
        return;
    }
    Clock* clock = Clock::instance();
    float shown = 0.0f;
    if (!computeFps(clock ? clock->getGameTime().toSeconds() : 0.0, clock ? clock->getFrameTimeMs() : 0.0,
                    shown)) {
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.1f fps", shown);
    const std::string drawn =
        fpsTextToDraw(clock ? clock->getGameTime().toSeconds() : 0.0, text, m_frameHeld.load());
    const float white[3] = {1.0f, 1.0f, 1.0f};
    drawText(getFontHandle(1), drawn.c_str(), 10, 10, white, false, 1.0f);
}

std::string GraphicsSystem::fpsTextToDraw(double nowSeconds, std::string fresh, bool held)
{
    constexpr double kHeldRefresh = 0.25;
    const bool keep = held && m_fpsTextTime >= 0.0 && nowSeconds >= m_fpsTextTime &&
                      nowSeconds < m_fpsTextTime + kHeldRefresh;
    if (!keep && fresh != m_fpsText) {
        m_fpsText = std::move(fresh);
        m_fpsTextTime = nowSeconds;
    }
    return m_fpsText;
}

void GraphicsSystem::drawCollisionGrid(bool forMovement)
{
    drawDirectly();
    if (!m_frameHooks.isBlocked) {
        return;
    }
    setupPlayerCamera(m_zoom, false);
    resetRenderState();
    loadCameraMatrix();
    const ResourceHandle* white = getStandardTexture(0);
    auto* shader = white && white->isValid() ? ResourceSystem::get().getAs<Shader>(*white) : nullptr;
    if (!shader) {
        return;
    }
    prepareShader(shader);
    const float grid = m_gameValues.gridSize > 0.0f ? m_gameValues.gridSize : 32.0f;
    const ZonePosition& target = m_cameraTarget;
    const Color free = ColorSystem::getColor(0), blocked = ColorSystem::getColor(1);
    StageBatch& batch = m_stageDrawer->batch();
    for (int j = -15; j <= 15; ++j) {
        for (int i = -15; i <= 15; ++i) {
            float x = std::floor((target.x + i * grid) / grid) * grid;
            float y = std::floor((target.y + j * grid) / grid) * grid;
            ZonePosition at(target.zone, x, y);
            if (at.zone >= 0) {
                at.normalize();
            }
            const bool isBlocked = m_frameHooks.isBlocked(at, forMovement);
            const Color& c = isBlocked ? blocked : free;
            const float colour[3] = {c.r, c.g, c.b};
            const Vec3 corners[4] = {
                {x - 2, y - 2, 1}, {x + 2, y - 2, 1}, {x + 2, y + 2, 1}, {x - 2, y + 2, 1}};
            BatchGeometry::addQuad(batch, corners, colour, 1.0f);
        }
    }
    drawShaderStages(nullptr, true);
    if (m_context) {
        m_glState->setDepthTest(true);
    }
}

void GraphicsSystem::drawConsole(const DebugConsole& console)
{
    const ResourceHandle* black = getStandardTexture(1);
    auto* shader = black && black->isValid() ? ResourceSystem::get().getAs<Shader>(*black) : nullptr;
    if (shader) {
        const Color c = ColorSystem::getColor(0);
        const float colour[3] = {c.r, c.g, c.b};
        prepareShader(shader);
        ScreenGeometry::addRect(m_stageDrawer->batch(), 0.0f, 0.0f, 640.0f, 240.0f, colour, 0.75f);
        drawShaderStages(nullptr, false);
    }
    const ResourceHandle& font = getFontHandle(0);
    const float white[3] = {1.0f, 1.0f, 1.0f};
    const float lineHeight = std::max(1.0f, layoutText("T", font).y + m_textLineSpacing);
    std::string input = "] " + console.getInput();
    if (m_frameHooks.getTextCursor) {
        input += m_frameHooks.getTextCursor();
    }
    float y = 240.0f - lineHeight - 2.0f;
    drawText(font, input, 4, static_cast<int>(y), white, false, 1.0f);
    DebugSystem* debug = DebugSystem::instance();
    if (!debug) {
        return;
    }
    // The newest lines upward from the input line, scrolled back as asked.
    std::vector<std::string> lines = debug->recentLines();
    const int shown = static_cast<int>((240.0f - lineHeight) / lineHeight);
    int scroll = console.getScroll();
    if (m_frameHooks.consoleScrollBar) {
        scroll = m_frameHooks.consoleScrollBar(static_cast<int>(lines.size()), shown, scroll);
    }
    int index = static_cast<int>(lines.size()) - 1 - scroll;
    for (y -= lineHeight; y >= 0.0f && index >= 0; y -= lineHeight, --index) {
        drawText(font, lines[static_cast<size_t>(index)], 4, static_cast<int>(y), white, false, 1.0f);
    }
}

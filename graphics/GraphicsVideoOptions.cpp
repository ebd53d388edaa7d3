// Video options: option lists, display modes, anisotropy, multisampling,
// the video restart and the full-screen handling.
#include "graphics/GraphicsSystem.h"

#include "engine/console/CommandSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/FatalError.h"
#include "engine/core/StringUtil.h"
#include "engine/platform/GLContext.h"
#include "engine/platform/Platform.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/TextureResource.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <algorithm>
#include <cmath>

std::vector<int> usableDisplayModes(const std::vector<DisplayMode>& modes)
{
    std::vector<int> usable;
    for (size_t i = 0; i < modes.size(); ++i) {
        const DisplayMode& m = modes[i];
        if (m.bitsPerPixel < 24 || m.width < 800 || m.height < 600) {
            continue;
        }
        bool listed = std::any_of(usable.begin(), usable.end(), [&](int j) {
            return modes[j].width == m.width && modes[j].height == m.height;
        });
        if (!listed) {
            usable.push_back(static_cast<int>(i));
        }
    }
    return usable;
}

bool findClosestDisplayMode(const std::vector<DisplayMode>& modes, int& width, int& height, int& frequency)
{
    int best = -1;
    double bestDistance = 0.0;
    for (size_t i = 0; i < modes.size(); ++i) {
        if (modes[i].bitsPerPixel < 24) {
            continue;
        }
        double dw = double(width) - modes[i].width, dh = double(height) - modes[i].height;
        double distance = std::sqrt(dw * dw + dh * dh);
        if (best < 0 || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    if (best < 0) {
        return false;
    }
    width = modes[best].width;
    height = modes[best].height;
    if (frequency > 0) {
        int chosen = -1, bestGap = 0;
        for (const auto& m : modes) {
            if (m.width != width || m.height != height) {
                continue;
            }
            int gap = std::abs(frequency - m.refreshRate);
            if (chosen < 0 || gap < bestGap) {
                chosen = m.refreshRate;
                bestGap = gap;
            }
        }
        frequency = chosen;
    }
    return true;
}

const std::vector<DisplayMode>& GraphicsSystem::getDisplayModes()
{
    if (!m_modesRead) {
        if (Platform* platform = Platform::instance()) {
            std::string error;
            platform->initVideo(error);
        }
        m_displayModes = listDisplayModes();
        m_modesRead = true;
    }
    return m_displayModes;
}

void GraphicsSystem::setDisplayModesForTest(std::vector<DisplayMode> modes)
{
    m_displayModes = std::move(modes);
    m_modesRead = true;
}

void GraphicsSystem::setMultisampleFormatsForTest(std::vector<MultisampleFormat> formats)
{
    m_multisampleFormats = std::move(formats);
    m_multisampleSupported = !m_multisampleFormats.empty();
    m_multisampleProbed = true;
}

void GraphicsSystem::probeMultisample()
{
    if (m_multisampleProbed) {
        return;
    }
    m_multisampleProbed = true;
    if (Platform* platform = Platform::instance()) {
        std::string error;
        if (!platform->initVideo(error)) {
            return;
        }
    }
    for (int samples : GLContext::probeMultisampleCounts()) {
        m_multisampleFormats.push_back({samples, samples});
    }
    m_multisampleSupported = !m_multisampleFormats.empty();
}

void GraphicsSystem::resolveWindowSize(int& width, int& height)
{
    const auto& modes = getDisplayModes();
    int mode = getVar("r_mode").getInt();
    if (mode >= 1 && mode <= static_cast<int>(modes.size())) {
        width = modes[mode - 1].width;
        height = modes[mode - 1].height;
        getVar("r_mode").setString("-1");
        getVar("r_width").setString(formatString("%d", width));
        getVar("r_height").setString(formatString("%d", height));
    } else {
        width = getVar("r_width").getInt();
        height = getVar("r_height").getInt();
    }
}

bool GraphicsSystem::setDisplayMode(int& width, int& height, int& frequency, bool retry)
{
    auto trySet = [this](int w, int h, int f) {
        if (m_modeSetter) {
            return m_modeSetter(w, h, f);
        }
        std::string error;
        return setFullscreenMode(m_window, {w, h, 0, f > 0 ? f : 0}, error);
    };
    auto writeBack = [this](int w, int h, int f) {
        getVar("r_width").setString(formatString("%d", w));
        getVar("r_height").setString(formatString("%d", h));
        getVar("r_freq").setString(formatString("%d", f));
    };
    if (trySet(width, height, frequency)) {
        writeBack(width, height, frequency);
        return true;
    }
    if (!retry) {
        return false;
    }
    int w = width, h = height, f = frequency;
    if (findClosestDisplayMode(getDisplayModes(), w, h, f) && trySet(w, h, f)) {
        width = w;
        height = h;
        frequency = f;
        writeBack(w, h, f);
        return true;
    }
    width = 800;
    height = 600;
    frequency = 0;
    if (trySet(width, height, frequency)) {
        writeBack(width, height, frequency);
        return true;
    }
    return false;
}

int GraphicsSystem::getScreenWidth() const
{
    return m_fullScreen ? m_windowWidth : static_cast<int>(std::floor(m_viewport[2] + 0.5f));
}

int GraphicsSystem::getScreenHeight() const
{
    return m_fullScreen ? m_windowHeight : static_cast<int>(std::floor(m_viewport[3] + 0.5f));
}

int GraphicsSystem::getRefreshRate() const
{
    return ::getRefreshRate(m_window);
}

void GraphicsSystem::initAnisotropy(bool supported, float maximum)
{
    m_anisotropySupported = supported;
    m_anisotropyMax = supported ? maximum : 0.0f;
    m_anisotropyLevel = 0.0f;
    if (supported) {
        computeAnisotropy();
    }
    m_textureAnisotropy = supported && getVar("r_anisotropic").getInt() != 0 ? m_anisotropyLevel : 0.0f;
}

void GraphicsSystem::computeAnisotropy()
{
    float level = 1.0f + getVar("r_anisotropicValue").getFloat() * (m_anisotropyMax - 1.0f);
    m_anisotropyLevel = std::clamp(level, 1.0f, std::max(1.0f, m_anisotropyMax));
}

void GraphicsSystem::applyAnisotropy()
{
    drawDirectly();
    ++m_textureChanges;
    if (!m_anisotropySupported) {
        return;
    }
    computeAnisotropy();
    float value = getVar("r_anisotropic").getInt() != 0 ? m_anisotropyLevel : 1.0f;
    m_textureAnisotropy = getVar("r_anisotropic").getInt() != 0 ? m_anisotropyLevel : 0.0f;
    ResourceSystem* resources = ResourceSystem::instance();
    if (!resources || !m_context) {
        return;
    }
    acquireContext();
    for (int i = 0; i < resources->getEntryCount(); ++i) {
        if (!resources->entryHasExtension(i, "ctx") && !resources->entryHasExtension(i, "rtx") &&
            !resources->entryHasExtension(i, "tga")) {
            continue;
        }
        if (auto* texture = dynamic_cast<TextureResource*>(resources->get(i));
            texture && texture->glName != kNoTexture) {
            glBindTexture(GL_TEXTURE_2D, texture->glName);
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, value);
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    releaseContext();
}

void GraphicsSystem::applyGroundDetail()
{
    if (m_gameLinks.applyGroundDetail) {
        m_gameLinks.applyGroundDetail();
    }
}

int GraphicsSystem::addRestartListener(std::function<void()> listener)
{
    int id = m_nextListenerId++;
    m_restartListeners.emplace_back(id, std::move(listener));
    return id;
}

void GraphicsSystem::removeRestartListener(int id)
{
    m_restartListeners.erase(std::remove_if(m_restartListeners.begin(), m_restartListeners.end(),
                                            [id](const auto& l) { return l.first == id; }),
                             m_restartListeners.end());
}

void GraphicsSystem::vidRestart()
{
    if (!m_displayReady && !m_window) {
        debugPrint(2, "vidRestart: no display to restart\n");
        return;
    }
    // The busy cursor while the display is made again.
    if (m_frameHooks.setCursor) {
        m_frameHooks.setCursor(7);
    }
    acquireContext();
    if (ResourceSystem* resources = ResourceSystem::instance()) {
        resources->reloadExtension("tga");
        resources->reloadExtension("rtx");
        resources->reloadExtension("ctx");
    }
    destroyWindowAndContext();
    std::string error;
    bool ok = setupDisplayOnce(error);
    if (!ok && m_lastWorking.valid) {
        // Back to the last set-up that worked.
        debugPrint(3, "Video restart failed: %s; going back to %s x %s\n", error.c_str(),
                   m_lastWorking.width.c_str(), m_lastWorking.height.c_str());
        getVar("r_width").setString(m_lastWorking.width);
        getVar("r_height").setString(m_lastWorking.height);
        getVar("r_freq").setString(m_lastWorking.frequency);
        getVar("r_fullscreen").setString(m_lastWorking.fullscreen);
        getVar("r_mode").setString("-1");
        ok = setupDisplayOnce(error);
    }
    releaseContext();
    if (!ok) {
        fatalError(error.empty() ? std::string("Failed Display Setup!") : error);
        return;
    }
    auto listeners = m_restartListeners;
    for (auto& [id, listener] : listeners) {
        listener();
    }
    // After the input and the shaders: the world map's textures and the
    // mini-map's image belong to the new context too.
    if (m_frameHooks.recreateWorldMapTextures) {
        m_frameHooks.recreateWorldMapTextures();
    }
    if (m_frameHooks.uploadMiniMap) {
        m_frameHooks.uploadMiniMap();
    }
}

void GraphicsSystem::toggleFullscreen()
{
    getVar("r_fullscreen").setString(getVar("r_fullscreen").getInt() != 0 ? "0" : "1");
    vidRestart();
}

void GraphicsSystem::onActivate(bool active, bool minimised)
{
    if (!m_context || !m_fullScreen) {
        return;
    }
    if (active) {
        if (m_minimisedByDeactivation) {
            restoreWindow(m_window);
            std::string error;
            setFullscreenMode(m_window, {m_windowWidth, m_windowHeight, 0, m_displayFrequency}, error);
        }
        m_minimisedByDeactivation = false;
    } else if (!minimised && !m_minimisedByDeactivation) {
        minimiseWindow(m_window);
        restoreDesktopMode(m_window);
        m_minimisedByDeactivation = true;
    }
}

void GraphicsSystem::registerListProviders()
{
    CommandSystem* commands = CommandSystem::instance();
    if (!commands) {
        return;
    }
    auto fixed = [](std::vector<std::pair<const char*, const char*>> entries) {
        return [entries](std::vector<ListEntry>& list) {
            for (const auto& [label, value] : entries) {
                ListEntry e;
                e.name = label;
                e.value = value;
                list.push_back(e);
            }
        };
    };
    auto add = [](std::vector<ListEntry>& list, std::string label, std::string value) {
        ListEntry e;
        e.name = std::move(label);
        e.value = std::move(value);
        list.push_back(std::move(e));
    };
    commands->registerListFunction("getShadowTypes",
                                   fixed({{"None", "0"}, {"Simple", "1"}, {"Complex", "2"}}));
    commands->registerListFunction("getFilteringQualityTypes",
                                   fixed({{"None", "0"}, {"Bilinear", "1"}, {"Trilinear", "2"}}));
    commands->registerListFunction("getTextureQualityTypes",
                                   fixed({{"High", "0"}, {"Medium", "1"}, {"Low", "2"}}));
    commands->registerListFunction("getAvailableDisplayModes", [this, add](std::vector<ListEntry>& list) {
        add(list, formatString("%dx%d", getVar("r_width").getInt(), getVar("r_height").getInt()), "-1");
        const auto& modes = getDisplayModes();
        for (int i : usableDisplayModes(modes)) {
            add(list, formatString("%dx%d", modes[i].width, modes[i].height), formatString("%d", i + 1));
        }
    });
    commands->registerListFunction(
        "getAvailableScreenFrequencies", [this, add](std::vector<ListEntry>& list) {
            add(list, "Default", "0");
            const auto& modes = getDisplayModes();
            int mode = getVar("r_mode").getInt();
            int width = getVar("r_width").getInt(), height = getVar("r_height").getInt();
            if (mode >= 1 && mode <= static_cast<int>(modes.size())) {
                width = modes[mode - 1].width;
                height = modes[mode - 1].height;
            }
            for (const auto& m : modes) {
                if (m.bitsPerPixel >= 24 && m.width == width && m.height == height) {
                    add(list, formatString("%d Hz", m.refreshRate), formatString("%d", m.refreshRate));
                }
            }
        });
    commands->registerListFunction("getScreenshotTypes", fixed({{"jpg", "0"}, {"png", "1"}, {"tga", "2"}}));
    commands->registerListFunction(
        "getGroundDetailTypes",
        fixed({{"Very Low", "0"}, {"Low", "1"}, {"Normal", "2"}, {"High", "3"}, {"Very High", "4"}}));
    commands->registerListFunction("getAntiAliasingModes", [this, add](std::vector<ListEntry>& list) {
        add(list, "None", "0");
        for (const auto& f : m_multisampleFormats) {
            add(list, formatString("%d Samples", f.samples), formatString("%d", f.samples));
        }
    });
}

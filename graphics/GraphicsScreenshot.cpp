// Screenshots: the frame just drawn, read before the swap, to a numbered file.
#include "graphics/GraphicsSystem.h"

#include "engine/core/DebugSystem.h"
#include "engine/files/FileSystem.h"
#include "engine/platform/GLContext.h"
#include "graphics/codecs/ImageWriters.h"
#include "graphics/codecs/TgaImage.h"

#include <GL/gl.h>
#include <cmath>

const char* GraphicsSystem::screenshotExtension(int type)
{
    return type == 0 ? "jpg" : type == 1 ? "png" : "tga";
}

bool GraphicsSystem::screenshotSize(const float viewport[4], bool fullScreen, int windowWidth,
                                    int windowHeight, int out[4])
{
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<int>(std::floor(viewport[i] + 0.5f));
    }
    if (fullScreen) {
        out[2] = std::min(out[2], windowWidth);
        out[3] = std::min(out[3], windowHeight);
    } else {
        // The window's size includes its frame.
        out[2] -= 2;
        out[3] -= 2;
    }
    return out[2] > 0 && out[3] > 0;
}

bool GraphicsSystem::readScreenshotPixels(int x, int y, int width, int height, std::vector<uint8_t>& pixels)
{
    pixels.assign(static_cast<size_t>(width) * height * 3, 0);
    acquireContext();
    bool ok = m_context != nullptr;
    if (ok) {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        ok = glGetError() == GL_NO_ERROR;
    }
    releaseContext();
    return ok;
}

bool GraphicsSystem::captureScreenshot()
{
    int rect[4];
    if (!screenshotSize(m_viewport, m_fullScreen, m_windowWidth, m_windowHeight, rect)) {
        debugPrint(2, "No screenshot: the viewport of %d x %d leaves no picture\n",
                   rect[2] + (m_fullScreen ? 0 : 2), rect[3] + (m_fullScreen ? 0 : 2));
        return false;
    }
    std::vector<uint8_t> pixels;
    if (!readScreenshotPixels(rect[0], rect[1], rect[2], rect[3], pixels)) {
        debugPrint(3, "Could not read the picture for a screenshot\n");
        return false;
    }
    int type = getVar("r_screenshotType").isValid() ? getVar("r_screenshotType").getInt() : 0;
    const char* extension = screenshotExtension(type);
    FileSystem* files = FileSystem::instance();
    std::string name = files ? files->makeNumberedFileName("Screenshots/ss", extension) : std::string();
    bool written = false;
    if (!name.empty()) {
        if (type == 0) {
            written = writeJpeg(pixels.data(), rect[2], rect[3], name);
        } else if (type == 1) {
            written = writePng(pixels.data(), rect[2], rect[3], name);
        } else {
            written = writeTga(rect[2], rect[3], 3, pixels.data(), name);
        }
    }
    if (!written) {
        debugPrint(3, "Could not write screenshot %s\n", name.empty() ? "Screenshots/ss" : name.c_str());
        return false;
    }
    debugPrint(1, "Wrote screenshot %s\n", name.c_str());
    return true;
}

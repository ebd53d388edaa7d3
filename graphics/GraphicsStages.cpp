// Shader-stage drawing, the standard textures, the texture caches at display
// set-up and the texture usage report of the graphics system.
#include "graphics/GraphicsSystem.h"

#include "engine/core/DebugSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GlStageBackend.h"
#include "graphics/GlStateCache.h"
#include "graphics/RenderSurface.h"
#include "graphics/ScreenGeometry.h"
#include "graphics/StageDrawer.h"
#include "graphics/TextureCache.h"
#include "graphics/TextureResource.h"
#include "graphics/TextureTools.h"
#include "graphics/shaders/Shader.h"
#include "graphics/shaders/ShaderSystem.h"

#include <GL/gl.h>

namespace {

struct StandardTexture {
    const char* name;
    int subType;
};

// Acquired at display set-up in this order.
constexpr StandardTexture kStandardTextures[20] = {
    {"UIBlack", 6},
    {"Textures/white.tga", 6},
    {"Textures/circle.tga", 6},
    {"Textures/x.tga", 6},
    {"Textures/plus.tga", 6},
    {"Textures/minus.tga", 6},
    {"MissingTile.tga", 6},
    {"Textures/emptyTile.tga", 1},
    {"Textures/UI/gradiant_white.tga", 6},
    {"Textures/shadow.tga", 5},
    {"ProjectedShadow.tga", 5},
    {"OutlineCyan.tga", 5},
    {"OutlineGreen.tga", 5},
    {"OutlineWhite.tga", 5},
    {"OutlineOrange.tga", 5},
    {"OutlineBlue.tga", 5},
    {"OutlineRed.tga", 5},
    {"EffectGlowSet", 5},
    {"EffectGlowUnique", 5},
    {"EffectGlowArtifact", 5},
};

// Standard index -> position in the acquisition order; -1 for the default
// font, which comes with the fonts.
constexpr int kStandardIndex[11] = {1, 0, -1, 2, 9, 3, 4, 5, 6, 7, 8};

} // namespace

void GraphicsSystem::acquireStandardTextures()
{
    if (!m_standardHandles.empty()) {
        return;
    }
    for (const StandardTexture& t : kStandardTextures) {
        m_standardHandles.push_back(acquireShader(t.name, t.subType));
    }
    // The triangle outlines are drawn with standard handle 0's texture.
    if (const ResourceHandle* white = getStandardTexture(0); white && white->isValid()) {
        auto* shader = ResourceSystem::get().getAs<Shader>(*white);
        if (shader && !shader->stages.empty()) {
            m_stageBackend->setOutlineTexture(shader->stages.front().texture.getIndex());
        }
    }
}

// Textures decoded before the window had a context (the fonts, read with the
// database) have no GL name and would bind as nothing: load them again, now
// that they can be uploaded.
void GraphicsSystem::uploadTexturesLoadedWithoutContext()
{
    ResourceSystem* resources = ResourceSystem::instance();
    if (!resources) {
        return;
    }
    for (const char* extension : {"tga", "rtx", "ctx"}) {
        bool unnamed = false;
        for (int i = 0; i < resources->getEntryCount() && !unnamed; ++i) {
            if (resources->entryHasExtension(i, extension)) {
                auto* texture = dynamic_cast<TextureResource*>(resources->peek(i));
                unnamed = texture && texture->glName == kNoTexture;
            }
        }
        if (unnamed) {
            resources->reloadExtension(extension);
        }
    }
}

const ResourceHandle* GraphicsSystem::getStandardTexture(int index) const
{
    static const ResourceHandle none;
    if (index < 0 || index > 10) {
        return nullptr;
    }
    if (index == 2) {
        return &getFontHandle(1);
    }
    int position = kStandardIndex[index];
    if (position < 0 || position >= static_cast<int>(m_standardHandles.size())) {
        return &none;
    }
    return &m_standardHandles[static_cast<size_t>(position)];
}

void GraphicsSystem::buildTextureCaches()
{
    if (getVar("autoBuildTextures").getInt() == 0) {
        return;
    }
    if (getVar("compressedTextures").getInt() != 0 && m_compressionSupported) {
        TextureCache::buildCtxFiles();
    } else {
        TextureCache::buildRtxFiles();
    }
}

void GraphicsSystem::updateStageSettings()
{
    StageDrawer::Settings& s = m_stageDrawer->settings();
    s.betterLighting = getVar("r_betterLighting").getInt() != 0;
    s.showNormals = getVar("showNormals").getInt() != 0;
    s.showTris = getVar("showTris").getInt();
    s.filteringQuality = m_filteringQuality;
}

void GraphicsSystem::drawQueuedSurfaces(std::vector<RenderSurface*>& queue)
{
    updateStageSettings();
    uint64_t triangles = m_stageDrawer->getTriangles();
    uint64_t passes = m_stageDrawer->getTrianglePasses();
    m_stageDrawer->drawQueuedSurfaces(queue);
    m_trianglesDrawn += static_cast<int>(m_stageDrawer->getTriangles() - triangles);
    m_trianglePasses += static_cast<int>(m_stageDrawer->getTrianglePasses() - passes);
    if (!m_queuedWireCubes.empty()) {
        m_glState->setDepthTest(false);
        for (const QueuedWireCube& cube : m_queuedWireCubes) {
            drawWireCube(cube.position, cube.halfSize, cube.colour);
        }
        m_glState->setDepthTest(true);
        m_queuedWireCubes.clear();
    }
}

void GraphicsSystem::prepareShader(Shader* shader)
{
    m_stageDrawer->prepareShader(shader);
}

void GraphicsSystem::drawShaderStages(RenderSurface* surface, bool unlit)
{
    updateStageSettings();
    uint64_t triangles = m_stageDrawer->getTriangles();
    uint64_t passes = m_stageDrawer->getTrianglePasses();
    m_stageDrawer->drawShaderStages(surface, unlit);
    m_trianglesDrawn += static_cast<int>(m_stageDrawer->getTriangles() - triangles);
    m_trianglePasses += static_cast<int>(m_stageDrawer->getTrianglePasses() - passes);
}

void GraphicsSystem::drawRadialWipe(const ResourceHandle& shader, float red, float green, float blue, float x,
                                    float y, float width, float height, float alpha, float fraction)
{
    ResourceSystem* resources = ResourceSystem::instance();
    auto* s = resources && shader.isValid() ? resources->getAs<Shader>(shader) : nullptr;
    if (!s) {
        return;
    }
    prepareShader(s);
    ScreenGeometry::addRadialWipe(m_stageDrawer->batch(), red, green, blue, x, y, width, height, alpha,
                                  fraction);
    drawShaderStages(nullptr, false);
}

void GraphicsSystem::printTextureUsage()
{
    if (getVar("r_textureUsage").getInt() != 0) {
        ResourceSystem* resources = ResourceSystem::instance();
        // A software renderer holds its ".ctx" textures decoded.
        bool compression = getVar("compressedTextures").getInt() != 0 && m_compressionSupported &&
                           !m_decodeCompressedUploads;
        uint64_t inMemory = 0, thisFrame = 0;
        int count = resources ? resources->getEntryCount() : 0;
        for (const char* ext : {"ctx", "rtx", "tga"}) {
            bool mip = ext[0] != 't';
            bool compressed = ext[0] == 'c' && compression;
            for (int i = 0; i < count; ++i) {
                if (!resources->entryHasExtension(i, ext)) {
                    continue;
                }
                auto* t = dynamic_cast<TextureResource*>(resources->peek(i));
                if (!t) {
                    continue;
                }
                uint64_t bytes =
                    TextureTools::textureUsageBytes(t->width, t->height, t->pixelDepth, mip, compressed);
                inMemory += bytes;
                if (t->lastUsedFrame == m_frameNumber) {
                    thisFrame += bytes;
                }
            }
        }
        debugPrintRaw("Texture usage: %.1fMB in memory, %.1fMB this frame\n", inMemory / 1048576.0,
                      thisFrame / 1048576.0);
    }
    if (getVar("r_trisRendered").getInt() != 0) {
        debugPrintRaw("Tris: %d - tri passes: %d\n", m_trianglesDrawn, m_trianglePasses);
    }
}

void GraphicsSystem::bindLineShader(const ResourceHandle& shader)
{
    drawDirectly();
    const ResourceHandle* chosen = shader.isValid() ? &shader : getStandardTexture(0);
    ResourceSystem* resources = ResourceSystem::instance();
    auto* s = resources && chosen && chosen->isValid() ? resources->getAs<Shader>(*chosen) : nullptr;
    bindTexture(s && !s->stages.empty() ? s->stages.front().getFrameTexture() : ResourceHandle());
    m_glState->setWrap(GL_REPEAT, GL_REPEAT);
}

void GraphicsSystem::drawLine2D(const ResourceHandle& shader, float x0, float y0, float x1, float y1,
                                const float colour[3], float width, uint16_t stipple)
{
    drawDirectly();
    bindLineShader(shader);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    if (stipple != 0xFFFF) {
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(4, stipple);
    }
    glLineWidth(width);
    glColor3f(colour[0], colour[1], colour[2]);
    glBegin(GL_LINES);
    glVertex3f((x0 - 320.0f) / 320.0f, (240.0f - y0) / 240.0f, 0.0f);
    glVertex3f((x1 - 320.0f) / 320.0f, (240.0f - y1) / 240.0f, 0.0f);
    glEnd();
    if (stipple != 0xFFFF) {
        glDisable(GL_LINE_STIPPLE);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void GraphicsSystem::drawRectOutline(const ResourceHandle& shader, float left, float top, float right,
                                     float bottom, const float colour[3], float width)
{
    drawLine2D(shader, left, top, right, top, colour, width);
    drawLine2D(shader, right, top, right, bottom, colour, width);
    drawLine2D(shader, right, bottom, left, bottom, colour, width);
    drawLine2D(shader, left, bottom, left, top, colour, width);
}

void GraphicsSystem::drawLine3D(const ResourceHandle& shader, const float from[3], const float to[3],
                                const float colour[3], float width)
{
    drawDirectly();
    bindLineShader(shader);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glLineWidth(width);
    glColor3f(colour[0], colour[1], colour[2]);
    glBegin(GL_LINES);
    glVertex3f(from[0], from[1], from[2]);
    glVertex3f(to[0], to[1], to[2]);
    glEnd();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

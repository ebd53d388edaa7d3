// Shader-stage drawing, the standard textures, the texture caches at display
// set-up and the texture usage report of the graphics system.
#include "graphics/GraphicsSystem.h"

#include "engine/core/DebugSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GlStageBackend.h"
#include "graphics/RenderSurface.h"
#include "graphics/ScreenGeometry.h"
#include "graphics/StageDrawer.h"
#include "graphics/TextureCache.h"
#include "graphics/TextureResource.h"
#include "graphics/TextureTools.h"
#include "graphics/shaders/Shader.h"
#include "graphics/shaders/ShaderSystem.h"

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

const ResourceHandle* GraphicsSystem::getStandardTexture(int index) const
{
    static const ResourceHandle none;
    if (index < 0 || index > 10) {
        return nullptr;
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
        bool compression = getVar("compressedTextures").getInt() != 0 && m_compressionSupported;
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

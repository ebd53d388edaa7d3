#include "graphics/GraphicsSystem.h"

#include "graphics/DeferredStageBackend.h"
#include "graphics/GlStageBackend.h"
#include "graphics/GraphicsLightSource.h"
#include "graphics/StageDrawer.h"
#include "graphics/TextureTools.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/platform/Cursor.h"
#include "engine/platform/GLContext.h"
#include "engine/resources/ModelAnimation.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GlStateCache.h"
#include "graphics/TextureResource.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/render/RenderView.h"
#include "graphics/text/FontResource.h"
#include "graphics/text/TextEventList.h"

#include <GL/gl.h>
#include <cmath>
#include <cstring>

namespace {

struct VarDefault {
    const char* name;
    const char* value;
};

// The renderer's user variables, created in this order.
const VarDefault kVariables[] = {
    {"r_fullscreen", "0"},
    {"r_width", "800"},
    {"r_height", "600"},
    {"r_freq", "0"},
    {"r_mode", "-1"},
    {"fps", "0"},
    {"smoothFps", "0.0"},
    {"showCollisionGrid", "0"},
    {"showSightCollisionGrid", "0"},
    {"monitorSync", "1"},
    {"r_shadows", "1"},
    {"showSkel", "0"},
    {"showTags", "0"},
    {"showNormals", "0"},
    {"showTris", "0"},
    {"drawModel", "1"},
    {"zoom", "1.0"},
    {"zoomMax", "1.4"},
    {"blendedTiles", "1"},
    {"autoBuildTextures", "1"},
    {"compressedTextures", "1"},
    {"filteringQuality", "1"},
    {"r_maxLights", "16"},
    {"r_textureUsage", "0"},
    {"r_trisRendered", "0"},
    {"r_CullModels", "1"},
    {"r_CullTiles", "1"},
    {"r_anisotropic", "0"},
    {"r_anisotropicValue", "0"},
    {"r_groundDetail", "2"},
    {"r_screenshotType", "0"},
    {"fullUseSlots", "0"},
    {"r_antiAliasingSamples", "0"},
    {"r_betterLighting", "0"},
    {"r_overheadView", "0"},
    {"r_bloom", "0"},
    {"r_bloomDarkenPasses", "1"},
    {"r_bloomBlur", "2"},
    {"r_bloomBlurDistance", "1.0"},
    {"r_bloomIntensity", "1.4"},
    {"r_bloomTextureSize", "256"},
    {"r_detailModels", "1"},
    {"r_topWindow", "1"},
    {"r_higherResFonts", "1"},
    {"ui_maxTextEventsSaved", "100"},
    {"ui_textEventsTime", "30.0"},
};
static_assert(sizeof kVariables / sizeof kVariables[0] == 46, "the renderer has 46 user variables");

const char* const kTextOrientations[] = {"BottomLeft", "Center"};

void normalise3(float v[3])
{
    float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0.0f) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

} // namespace

const EnumNameTable& GraphicsSystem::getTextOrientationTable()
{
    static const EnumNameTable table("TextOrientation", kTextOrientations, 2, 0);
    return table;
}

GraphicsSystem::GraphicsSystem() : m_glState(std::make_unique<GlStateCache>())
{
    m_stageBackend = std::make_unique<GlStageBackend>(*m_glState, [this](int texture) {
        ResourceHandle handle;
        if (ResourceSystem* resources = ResourceSystem::instance(); resources && texture >= 0) {
            resources->addRef(texture);
            handle = ResourceHandle::adopt(texture);
        }
        bindTexture(handle);
    });
    m_deferredBackend = std::make_unique<DeferredStageBackend>(*m_stageBackend, [](int texture) -> uint32_t {
        ResourceSystem* resources = ResourceSystem::instance();
        if (!resources || texture < 0) {
            return 0;
        }
        resources->addRef(texture);
        ResourceHandle handle = ResourceHandle::adopt(texture);
        auto* loaded = resources->getAs<TextureResource>(handle);
        return loaded ? loaded->glName : 0;
    });
    m_stageDrawer = std::make_unique<StageDrawer>(m_deferredBackend.get());
    m_view = std::make_unique<RenderView>();
    m_renderQueue = std::make_unique<RenderQueue>(*this);
    m_textEvents = std::make_unique<TextEventList>();
    installLightSource();
    // The 2D diagonal (−1, 1) normalised, then the two camera offsets.
    float diagonal[2] = {-1.0f, 1.0f};
    float length = std::sqrt(2.0f);
    diagonal[0] /= length;
    diagonal[1] /= length;
    float normal[3] = {diagonal[0], diagonal[1], -1.0f};
    normalise3(normal);
    float overhead[3] = {diagonal[0], diagonal[1], -100.0f};
    normalise3(overhead);
    for (int i = 0; i < 3; ++i) {
        m_cameraOffset[i] = normal[i] * -1000.0f;
        m_overheadCameraOffset[i] = overhead[i] * -1000.0f;
    }
}

GraphicsSystem::~GraphicsSystem()
{
    shutdownDisplay();
    // The standard shaders release their textures, which give their names
    // back to this object: before its members go.
    m_standardHandles.clear();
    if (ResourceSystem* resources = ResourceSystem::instance()) {
        resources->setContextLockHooks({});
    }
    if (m_installedTextureLookup) {
        ModelAnimation::setTextureLookup(nullptr);
    }
}

void GraphicsSystem::acquireContext()
{
    m_contextMutex.lock();
    if (m_contextNesting == 0 && m_context) {
        m_context->makeCurrent();
    }
    m_contextOwner = std::this_thread::get_id();
    ++m_contextNesting;
}

void GraphicsSystem::releaseContext()
{
    if (--m_contextNesting == 0) {
        m_contextOwner = std::thread::id();
        if (m_context) {
            m_context->makeNoneCurrent();
        }
    }
    m_contextMutex.unlock();
}

bool GraphicsSystem::ownsContext() const
{
    return m_contextOwner.load() == std::this_thread::get_id();
}

int GraphicsSystem::getContextNesting() const
{
    return ownsContext() ? m_contextNesting : 0;
}

int GraphicsSystem::releaseAllContext()
{
    if (!ownsContext()) {
        return 0;
    }
    int levels = m_contextNesting;
    for (int i = 0; i < levels; ++i) {
        releaseContext();
    }
    return levels;
}

void GraphicsSystem::reacquireContext(int levels)
{
    for (int i = 0; i < levels; ++i) {
        acquireContext();
    }
}

void GraphicsSystem::setContext(GLContext* context)
{
    std::lock_guard<std::recursive_mutex> lock(m_contextMutex);
    m_context = context;
    // A holder that swaps contexts (a restart) works on the new one at once.
    if (m_context && m_contextNesting > 0 && ownsContext()) {
        m_context->makeCurrent();
    }
}

uint32_t GraphicsSystem::allocateTextureId()
{
    std::lock_guard<std::mutex> lock(m_idMutex);
    if (!m_freeTextureIds.empty()) {
        uint32_t id = m_freeTextureIds.front();
        m_freeTextureIds.pop_front();
        return id;
    }
    return m_nextTextureId++;
}

UserVarRef GraphicsSystem::getVar(const char* name) const
{
    for (size_t i = 0; i < m_vars.size(); ++i) {
        if (std::strcmp(kVariables[i].name, name) == 0) {
            return m_vars[i];
        }
    }
    return UserVarRef();
}

void GraphicsSystem::registerVariables()
{
    UserVarSystem* vars = UserVarSystem::instance();
    m_vars.clear();
    for (const auto& v : kVariables) {
        m_vars.push_back(vars ? vars->getVar(v.name, v.value, UserVarSystem::kCreate) : UserVarRef());
    }
}

void GraphicsSystem::registerCommands(bool windowed)
{
    if (m_registered) {
        return;
    }
    m_registered = true;
    ResourceSystem* resources = ResourceSystem::instance();
    if (resources) {
        // A thread that waits for the loader gives up every level it holds.
        resources->setContextLockHooks(
            {[this] { return releaseAllContext(); }, [this](int levels) { reacquireContext(levels); }});
        // Fonts in every run: without a display they measure text.
        FontResource::registerType(*resources, windowed);
        if (windowed) {
            TextureResource::registerTypes(*resources);
            // Sprite frames hold counted handles of their textures.
            ModelAnimation::setTextureLookup([](const std::string& name) {
                ResourceSystem* rs = ResourceSystem::instance();
                return rs ? rs->load(name) : ResourceHandle();
            });
            m_installedTextureLookup = true;
        }
    }
    if (CommandSystem* commands = CommandSystem::instance()) {
        commands->registerCommand([this](const CommandArgs&) { vidRestart(); }, "vidRestart",
                                  "Restarts the graphics system", "", "", false, 0);
        TextureTools::registerCommands(*commands);
    }
    registerVariables();
    registerListProviders();
    registerTextEventCommands();
    m_filteringQuality = getVar("filteringQuality").isValid() ? getVar("filteringQuality").getInt() : 1;
}

void GraphicsSystem::bindTexture(const ResourceHandle& handle)
{
    drawDirectly();
    ResourceSystem* resources = ResourceSystem::instance();
    auto* texture = resources && handle.isValid() ? resources->getAs<TextureResource>(handle) : nullptr;
    glBindTexture(GL_TEXTURE_2D, texture ? texture->glName : kNoTexture);
    if (texture && m_vars.size() > 23 && getVar("r_textureUsage").getInt() != 0) {
        texture->lastUsedFrame = m_frameNumber;
    }
}

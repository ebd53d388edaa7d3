// The real start-up on the shipped data with the shader system: queued
// surfaces drawn by drawQueuedSurfaces through OpenGL, read back through the
// screenshot path.
#include "engine/app/Application.h"
#include "engine/platform/Platform.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "graphics/GlStateCache.h"
#include "graphics/GraphicsHooks.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/RenderSurface.h"
#include "graphics/ShaderTextures.h"
#include "graphics/StageBatch.h"
#include "graphics/TextureCache.h"
#include "graphics/TextureResource.h"
#include "graphics/shaders/Shader.h"
#include "graphics/shaders/ShaderHooks.h"
#include "graphics/shaders/ShaderSystem.h"
#include "support/Picture.h"
#include "support/TestSupport.h"
#include "support/WindowedProgram.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <filesystem>

namespace {

// A rectangle of normalised device coordinates, wound counter-clockwise.
class ScreenQuad : public RenderSurface {
public:
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::vector<uint8_t> codeColour;  // RGBA for every corner, when set
    std::vector<uint8_t> stageAlphas; // stage 0, per corner, when set

    void draw(StageBatch& b, bool) override
    {
        uint32_t base = b.baseVertex();
        const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
        for (int i = 0; i < 4; ++i) {
            b.positions.insert(b.positions.end(), {corners[i][0], corners[i][1], 0.0f});
            b.texCoords.insert(b.texCoords.end(), {i == 1 || i == 2 ? 1.0f : 0.0f, i >= 2 ? 1.0f : 0.0f});
            if (!codeColour.empty()) {
                b.codeColours.insert(b.codeColours.end(), codeColour.begin(), codeColour.end());
            }
        }
        if (!stageAlphas.empty()) {
            if (b.stageAlphas.empty()) {
                b.stageAlphas.resize(1);
            }
            b.stageAlphas[0].insert(b.stageAlphas[0].end(), stageAlphas.begin(), stageAlphas.end());
        }
        for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) {
            b.indices.push_back(base + i);
        }
    }
};

SDL_Event printScreen(bool down)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = SDL_SCANCODE_PRINTSCREEN;
    return e;
}

// Five columns of the screen, 160 pixels each.
float column(int i)
{
    return -1.0f + 0.4f * static_cast<float>(i);
}

} // namespace

TEST(ShaderStagesXvfbTest, QueuedSurfacesDrawStageByStage)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X server can be started";
    }
    WindowedProgram program;
    TempDir& user = program.user;
    LaunchOptions& options = program.options;
    AppHooks& hooks = program.hooks;

    std::vector<ResourceHandle> shaders;
    uint32_t white = GraphicsSystem::kNoTexture;
    hooks.clientDraw = [&](double) {
        GraphicsSystem& g = GraphicsSystem::get();
        if (!g.isDisplayReady() || shaders.size() < 5) {
            return;
        }
        g.beginFrame();
        if (white == GraphicsSystem::kNoTexture) {
            const uint8_t pixel[4] = {255, 255, 255, 255};
            white = g.uploadTexture(pixel, 1, 1, GraphicsSystem::kFormatRgba, 1);
        }
        // Backgrounds: white, black, (0, 0, 128), black, black.
        const float bg[5][3] = {{1, 1, 1}, {0, 0, 0}, {0, 0, 128.0f / 255}, {0, 0, 0}, {0, 0, 0}};
        for (int i = 0; i < 5; ++i) {
            g.drawTexturedQuad(white, column(i), -1, column(i + 1), 1, bg[i], 1.0f,
                               GraphicsSystem::kBlendSrcAlpha, GraphicsSystem::kBlendOneMinusSrcAlpha);
        }
        std::vector<ScreenQuad> quads(5);
        std::vector<RenderSurface*> queue;
        for (int i = 0; i < 5; ++i) {
            ScreenQuad& q = quads[static_cast<size_t>(i)];
            q.x0 = column(i);
            q.x1 = column(i + 1);
            q.y0 = -1;
            q.y1 = 1;
            q.shader = ResourceSystem::get().getAs<Shader>(shaders[static_cast<size_t>(i)]);
            q.sortKey = static_cast<uint32_t>(i);
        }
        quads[0].fade = 0.75f;
        quads[1].codeColour = {255, 0, 0, 128};
        quads[2].codeColour = {0, 128, 0, 255};
        quads[4].stageAlphas = {0, 255, 255, 0};
        for (ScreenQuad& q : quads) {
            queue.push_back(&q);
        }
        g.drawQueuedSurfaces(queue);
        // A red outline with the default (white) shader near the bottom.
        const float red[3] = {1, 0, 0};
        g.getGlState().setBlend(false);
        g.getGlState().setDepthTest(false);
        g.drawRectOutline(ResourceHandle(), 20, 420, 100, 460, red, 2.0f);
        // Half a radial wipe over the virtual rectangle (0, 0)–(160, 120).
        g.drawRadialWipe(*g.getStandardTexture(0), 1, 0, 0, 0, 0, 160, 120, 1.0f, 0.5f);
        g.endFrame();
    };
    Application app(options, hooks);
    app.startup();
    ASSERT_TRUE(GraphicsSystem::get().isDisplayReady());
    // The display set-up built the caches into the user directory; built
    // again (as a second start would) nothing is newer.
    EXPECT_TRUE(std::filesystem::exists(user.file("TextureCache/Textures/white.rtx")) ||
                std::filesystem::exists(user.file("TextureCache/Textures/white.ctx")));
    EXPECT_FALSE(std::filesystem::exists(gameDataPath("TextureCache")));
    EXPECT_EQ(GraphicsSystem::get().useCompressedTextures() ? TextureCache::buildCtxFiles()
                                                            : TextureCache::buildRtxFiles(),
              0);

    ShaderSystem::get().loadText("Test/twoStages\n{\n cull None\n {\n  texture Textures/white.tga\n"
                                 "  colorGen Constant 0.5,0.5,0.5\n }\n {\n  texture Textures/white.tga\n"
                                 "  blendFunc DstColor Zero\n  colorGen Constant 1,0.5,0\n }\n}\n"
                                 "Test/alphaTest\n{\n cull None\n {\n  texture Textures/white.tga\n"
                                 "  alphaGen StageGenerated\n  alphaTest Greater 0.5\n }\n}\n",
                                 "Shaders/test.sdr");
    shaders = {acquireShader("UIBlack", ShaderSystem::kInterface),
               acquireShader("Textures/white.tga", ShaderSystem::kTransparent),
               acquireShader("Textures/white.tga", ShaderSystem::kAdditive),
               acquireShader("Test/twoStages", 0), acquireShader("Test/alphaTest", 0)};
    for (const ResourceHandle& h : shaders) {
        ASSERT_NE(ResourceSystem::get().getAs<Shader>(h), nullptr);
        TextureResource* texture = resolveShaderTexture(h);
        ASSERT_NE(texture, nullptr);
        EXPECT_FALSE(texture->isPlaceholder()) << h.getFileName();
    }

    Application::runConsoleLine("set r_screenshotType 1");
    Platform::get().handleEvent(printScreen(true));
    app.frame();
    Platform::get().handleEvent(printScreen(false));
    app.frame();
    Picture shot;
    ASSERT_TRUE(readPng(user.file("Screenshots/ss0000.png"), shot));
    ASSERT_EQ(shot.width, 798);
    const int y = 300;
    expectColour(shot, 80, y, 64, 64, 64);
    expectColour(shot, 240, y, 128, 0, 0);
    expectColour(shot, 400, y, 0, 128, 128);
    expectColour(shot, 560, y, 128, 64, 0);
    // Alpha from 0 on the left edge to 1 on the right: only the right half.
    int firstLit = -1;
    for (int x = 641; x < 797; ++x) {
        if (shot.at(x, y)[0] > 128) {
            firstLit = x;
            break;
        }
    }
    EXPECT_NEAR(firstLit, 720, 2);
    expectColour(shot, 660, y, 0, 0, 0);
    expectColour(shot, 780, y, 255, 255, 255);

    // The outline: its top edge at virtual y 420 is screen row 525.
    const uint8_t* onLine = nullptr;
    for (int row = 522; row <= 528 && !onLine; ++row) {
        if (shot.at(60, row)[0] > 200 && shot.at(60, row)[1] < 50) {
            onLine = shot.at(60, row);
        }
    }
    EXPECT_NE(onLine, nullptr);
    expectColour(shot, 60, 560, 64, 64, 64); // inside the outline: the first column as it was

    // The wipe: its top triangle is drawn, its lower-left piece not yet.
    expectColour(shot, 100, 12, 255, 0, 0);
    expectColour(shot, 25, 125, 64, 64, 64);

    // None of the twenty standard shaders shows the placeholder.
    const auto& standard = GraphicsSystem::get().getStandardHandles();
    ASSERT_EQ(standard.size(), 20u);
    for (const ResourceHandle& h : standard) {
        TextureResource* texture = resolveShaderTexture(h);
        ASSERT_NE(texture, nullptr) << h.getFileName();
        EXPECT_FALSE(texture->isPlaceholder()) << h.getFileName();
    }
    EXPECT_EQ(GraphicsSystem::get().getStandardTexture(11), nullptr);
    EXPECT_FALSE(GraphicsSystem::get().getStandardTexture(2)->isValid()); // the font comes later
    EXPECT_EQ(GraphicsSystem::get().getStandardTexture(0)->getIndex(), standard[1].getIndex());
    shaders.clear();
    app.shutdown();
}

// A video restart in the real start-up: the shaders are built again on the
// new context's textures, and the input belongs to the new window.
#include "engine/app/Application.h"
#include "engine/input/Input.h"
#include "engine/input/KeyCodes.h"
#include "engine/platform/Platform.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "graphics/GraphicsHooks.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/ShaderTextures.h"
#include "graphics/TextureResource.h"
#include "graphics/shaders/Shader.h"
#include "graphics/shaders/ShaderHooks.h"
#include "graphics/shaders/ShaderSystem.h"
#include "support/Picture.h"
#include "support/TestSupport.h"
#include "support/WindowedProgram.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <SDL.h>

namespace {

SDL_Event key(SDL_Scancode code, bool down)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = code;
    return e;
}

std::string extensionOf(const std::string& name)
{
    return name.substr(name.rfind('.') + 1);
}

} // namespace

TEST(VideoRestartXvfbTest, ShadersFollowTheNewTexturesAndInputTheNewWindow)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X server can be started";
    }
    WindowedProgram program;
    TempDir& user = program.user;
    LaunchOptions& options = program.options;
    AppHooks& hooks = program.hooks;
    ResourceHandle shader;
    uint32_t painted = GraphicsSystem::kNoTexture;
    hooks.clientDraw = [&](double) {
        GraphicsSystem& g = GraphicsSystem::get();
        if (!g.isDisplayReady()) {
            return;
        }
        g.beginFrame();
        if (painted != GraphicsSystem::kNoTexture) {
            const float one[3] = {1, 1, 1};
            g.drawTexturedQuad(painted, -1, -1, 1, 1, one, 1.0f, GraphicsSystem::kBlendSrcAlpha,
                               GraphicsSystem::kBlendOneMinusSrcAlpha);
        } else if (TextureResource* texture = resolveShaderTexture(shader)) {
            const float one[3] = {1, 1, 1};
            g.drawTexturedQuad(texture->glName, -1, -1, 1, 1, one, 1.0f, GraphicsSystem::kBlendSrcAlpha,
                               GraphicsSystem::kBlendOneMinusSrcAlpha);
        }
        g.endFrame();
    };
    Application app(options, hooks);
    app.startup();
    GraphicsSystem& graphics = GraphicsSystem::get();
    ASSERT_TRUE(graphics.isDisplayReady());
    Input& input = Input::get();

    shader = acquireShader("Textures/white.tga", ShaderSystem::kTransparent);
    auto stageTexture = [&] {
        const Shader* s = ResourceSystem::get().getAs<Shader>(shader);
        return s && !s->stages.empty() ? s->stages.front().texture.getFileName() : std::string();
    };
    EXPECT_EQ(extensionOf(stageTexture()), ShaderSystem::get().getTextureExtension());

    // A key held when the window goes away never sees its release.
    Platform::get().handleEvent(key(SDL_SCANCODE_A, true));
    input.poll();
    ASSERT_TRUE(input.isKeyHeld(DIK_A));

    // The other texture files where the driver can take both.
    const bool compressed = graphics.useCompressedTextures();
    if (graphics.isTextureCompressionSupported()) {
        Application::runConsoleLine(compressed ? "set compressedTextures 0" : "set compressedTextures 1");
    }
    // The busy cursor first; the world map and the mini-map once the
    // shaders are back.
    std::vector<std::string> steps;
    FrameHooks& frame = graphics.getFrameHooks();
    frame.setCursor = [&](int cursor) { steps.push_back("cursor " + std::to_string(cursor)); };
    frame.recreateWorldMapTextures = [&] {
        const bool reloaded = extensionOf(stageTexture()) == ShaderSystem::get().getTextureExtension();
        steps.push_back(reloaded ? "worldMap after shaders" : "worldMap before shaders");
    };
    frame.uploadMiniMap = [&] { steps.push_back("miniMap"); };
    Application::runConsoleLine("vidRestart");
    ASSERT_TRUE(graphics.isDisplayReady());
    EXPECT_EQ(steps, (std::vector<std::string>{"cursor 7", "worldMap after shaders", "miniMap"}));
    frame.setCursor = nullptr;
    frame.recreateWorldMapTextures = nullptr;
    frame.uploadMiniMap = nullptr;
    EXPECT_EQ(graphics.useCompressedTextures(),
              graphics.isTextureCompressionSupported() ? !compressed : compressed);
    EXPECT_EQ(extensionOf(stageTexture()), ShaderSystem::get().getTextureExtension());
    TextureResource* texture = resolveShaderTexture(shader);
    ASSERT_NE(texture, nullptr);
    EXPECT_FALSE(texture->isPlaceholder());
    EXPECT_NE(texture->glName, GraphicsSystem::kNoTexture);

    input.poll();
    EXPECT_FALSE(input.isKeyHeld(DIK_A));
    Platform::get().handleEvent(key(SDL_SCANCODE_Q, true));
    input.poll();
    EXPECT_TRUE(input.isKeyHeld(DIK_Q));
    EXPECT_TRUE(input.wasKeyPressed(DIK_Q));

    // The shader's texture draws on the new context: a white screen.
    Application::runConsoleLine("set r_screenshotType 1");
    graphics.takeScreenshot();
    app.frame();
    Picture shot;
    ASSERT_TRUE(readPng(user.file("Screenshots/ss0000.png"), shot));
    expectColour(shot, shot.width / 2, shot.height / 2, 255, 255, 255);

    // A texture's pixels replaced in place: the next frame shows them.
    std::vector<uint8_t> black(2 * 2 * 4, 0), red(2 * 2 * 4, 0);
    for (size_t i = 0; i < red.size(); i += 4) {
        red[i] = 255;
        black[i + 3] = red[i + 3] = 255;
    }
    painted = graphics.uploadTexture(black.data(), 2, 2, GraphicsSystem::kFormatRgba, 1);
    ASSERT_NE(painted, GraphicsSystem::kNoTexture);
    graphics.updateTexture(painted, red.data(), 2, 2);
    graphics.takeScreenshot();
    app.frame();
    ASSERT_TRUE(readPng(user.file("Screenshots/ss0001.png"), shot));
    expectColour(shot, shot.width / 2, shot.height / 2, 255, 0, 0);
    app.shutdown();
}

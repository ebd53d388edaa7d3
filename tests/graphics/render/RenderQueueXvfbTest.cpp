// BoxMan queued and drawn through OpenGL: each mesh with its own model-view
// matrix, read back through the screenshot path.
#include "engine/app/Application.h"
#include "engine/platform/Platform.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "graphics/GraphicsHooks.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/shaders/ShaderHooks.h"
#include "support/Picture.h"
#include "support/TestSupport.h"
#include "support/WindowedProgram.h"
#include "support/XvfbDisplay.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

namespace {

SDL_Event printScreen(bool down)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = SDL_SCANCODE_PRINTSCREEN;
    return e;
}

} // namespace

TEST(RenderQueueXvfbTest, TwoModelsDrawWhereTheirTransformsPutThem)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X server can be started";
    }
    WindowedProgram program;
    TempDir& user = program.user;
    LaunchOptions& options = program.options;
    AppHooks& hooks = program.hooks;

    ResourceHandle boxMan;
    hooks.clientDraw = [&](double) {
        GraphicsSystem& g = GraphicsSystem::get();
        if (!g.isDisplayReady() || !boxMan.isValid()) {
            return;
        }
        g.beginFrame();
        // World y runs to the left of the screen, z up: 128 × 96 units.
        glMatrixMode(GL_PROJECTION);
        glOrtho(-64.0, 64.0, -48.0, 48.0, -1000.0, 1000.0);
        RenderQueue& queue = g.getRenderQueue();
        queue.beginFrame();
        // One BoxMan left of the middle, one right of it and raised.
        queue.addSkinnedModel(
            ModelDrawRequest::at(boxMan.getIndex(), ZonePosition3(-1, 0, 32, -20), Matrix3()));
        queue.addSkinnedModel(
            ModelDrawRequest::at(boxMan.getIndex(), ZonePosition3(-1, 0, -32, 0), Matrix3()));
        g.drawQueuedSurfaces(queue.getQueued());
        g.endFrame();
    };
    Application app(options, hooks);
    app.startup();
    ASSERT_TRUE(GraphicsSystem::get().isDisplayReady());
    boxMan = ResourceSystem::get().load("Models/BoxMan/boxman.mdl");
    ASSERT_NE(ResourceSystem::get().getAs<ModelResource>(boxMan), nullptr);

    // Where the bodies land, not how they are lit: no level gives an ambient
    // light here, so they would draw dark.
    Application::runConsoleLine("set r_fullbright 1");
    Application::runConsoleLine("set r_screenshotType 1");
    Platform::get().handleEvent(printScreen(true));
    app.frame();
    Platform::get().handleEvent(printScreen(false));
    app.frame();
    Picture shot;
    ASSERT_TRUE(readPng(user.file("Screenshots/ss0000.png"), shot));
    // Screen x of world y: (64 − y) / 128 of the width; screen row of world
    // z: (48 − z) / 96 of the height. The bodies' middles stand at z 18.
    auto lit = [&](float worldY, float worldZ) {
        int x = static_cast<int>((64.0f - worldY) / 128.0f * shot.width);
        int y = static_cast<int>((48.0f - worldZ) / 96.0f * shot.height);
        const uint8_t* c = shot.at(x, y);
        return c[0] + c[1] + c[2] > 60;
    };
    EXPECT_TRUE(lit(32, -2));  // the first body, lowered by 20
    EXPECT_TRUE(lit(-32, 18)); // the second at its place
    EXPECT_FALSE(lit(-32, -2));
    EXPECT_FALSE(lit(32, 30)); // above the first one's head box
    EXPECT_FALSE(lit(0, 18));  // nothing between them
    boxMan.release();
    app.shutdown();
}

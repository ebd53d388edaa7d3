// The real start-up with the graphics hooks on the shipped data: quads drawn
// through the frame, a screenshot taken with Print Screen, video restarts.
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "engine/files/FileSystem.h"
#include "engine/platform/GLContext.h"
#include "engine/platform/Platform.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "graphics/GraphicsHooks.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/TextureResource.h"
#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/TextureRtx.h"
#include "support/Picture.h"
#include "support/TestSupport.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <filesystem>

namespace {

SDL_Event printScreen(bool down, bool repeat)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = SDL_SCANCODE_PRINTSCREEN;
    e.key.repeat = repeat ? 1 : 0;
    return e;
}

size_t countScreenshots(const TempDir& user)
{
    size_t n = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(user.file("Screenshots"), ec)) {
        n += e.is_regular_file() ? 1 : 0;
    }
    return n;
}

} // namespace

TEST(GraphicsEndToEndXvfbTest, QuadsScreenshotsAndVideoRestart)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X server can be started";
    }
    TempDir user;
    // A blue 4 × 4 texture cache of our own, read from the user directory.
    {
        std::vector<uint8_t> level0(4 * 4 * 3);
        for (size_t i = 0; i < level0.size(); i += 3) {
            level0[i + 2] = 255;
        }
        auto chain = mip::buildChain(level0.data(), 4, 4, 3, false);
        auto file = encodeRtx(4, 4, 3, mip::levelCount(4, 4), chain);
        user.write("TextureCache/Test/blue.rtx", std::string(file.begin(), file.end()));
    }

    LaunchOptions options;
    options.dataDir = gameDataPath();
    options.userDir = user.path().string();
    AppHooks hooks;
    installGameDataHooks(hooks);
    installGraphicsHooks(hooks);
    uint32_t white = GraphicsSystem::kNoTexture;
    ResourceHandle blue;
    bool drawBlue = false;
    hooks.clientDraw = [&](double) {
        GraphicsSystem& g = GraphicsSystem::get();
        if (!g.isDisplayReady()) {
            return;
        }
        g.beginFrame();
        if (white == GraphicsSystem::kNoTexture) {
            const uint8_t pixel[4] = {255, 255, 255, 255};
            white = g.uploadTexture(pixel, 1, 1, GraphicsSystem::kFormatRgba, 1);
        }
        const float green[3] = {0, 1, 0}, red[3] = {1, 0, 0}, one[3] = {1, 1, 1}, blueColour[3] = {0, 0, 1};
        const int src = GraphicsSystem::kBlendSrcAlpha, dst = GraphicsSystem::kBlendOneMinusSrcAlpha;
        if (drawBlue) {
            auto* texture = ResourceSystem::get().getAs<TextureResource>(blue);
            g.drawTexturedQuad(texture ? texture->glName : GraphicsSystem::kNoTexture, -1, -1, 1, 1, one,
                               1.0f, src, dst);
        } else {
            g.drawTexturedQuad(white, -1, 0, 0, 1, green, 1.0f, src, dst);
            g.drawTexturedQuad(white, -1, -1, 0, 0, red, 1.0f, src, dst);
            g.drawTexturedQuad(white, 0, -1, 1, 1, one, 1.0f, src, dst);
            g.drawTexturedQuad(white, 0, -1, 1, 1, blueColour, 0.5f, src, dst);
        }
        g.endFrame();
    };
    Application app(options, hooks);
    app.startup();
    GraphicsSystem& graphics = GraphicsSystem::get();
    ASSERT_TRUE(graphics.isDisplayReady());
    EXPECT_TRUE(ResourceSystem::get().hasType("rtx"));

    Application::runConsoleLine("set r_screenshotType 1");
    // Held for several frames: one press, one file.
    Platform::get().handleEvent(printScreen(true, false));
    for (int i = 0; i < 4; ++i) {
        app.frame();
        Platform::get().handleEvent(printScreen(true, true));
    }
    Platform::get().handleEvent(printScreen(false, false));
    app.frame();
    EXPECT_EQ(countScreenshots(user), 1u);
    Picture shot;
    ASSERT_TRUE(readPng(user.file("Screenshots/ss0000.png"), shot));
    EXPECT_EQ(shot.width, 798);
    EXPECT_EQ(shot.height, 598);
    expectColour(shot, 200, 150, 0, 255, 0);
    expectColour(shot, 200, 450, 255, 0, 0);
    expectColour(shot, 600, 300, 128, 128, 255);

    // A texture loaded before the restart still draws after it.
    blue = ResourceSystem::get().load("Test/blue.rtx");
    ASSERT_NE(ResourceSystem::get().getAs<TextureResource>(blue), nullptr);
    Application::runConsoleLine("set r_width 1024");
    Application::runConsoleLine("set r_height 768");
    Application::runConsoleLine("vidRestart");
    int w = 0, h = 0;
    graphics.getContext()->getDrawableSize(w, h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    white = GraphicsSystem::kNoTexture; // names of the old context are gone
    auto* reloaded = ResourceSystem::get().getAs<TextureResource>(blue);
    ASSERT_NE(reloaded, nullptr);
    EXPECT_FALSE(reloaded->isPlaceholder());
    EXPECT_NE(reloaded->glName, GraphicsSystem::kNoTexture);
    drawBlue = true;
    Platform::get().handleEvent(printScreen(true, false));
    app.frame();
    Platform::get().handleEvent(printScreen(false, false));
    app.frame();
    Picture after;
    ASSERT_TRUE(readPng(user.file("Screenshots/ss0001.png"), after));
    EXPECT_EQ(after.width, 1022);
    expectColour(after, 500, 300, 0, 0, 255);

    // A size no window can have: a line, and the last working size again.
    Application::runConsoleLine("set r_width 100000");
    Application::runConsoleLine("vidRestart");
    graphics.getContext()->getDrawableSize(w, h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_EQ(UserVarSystem::get().findVar("r_width")->getString(), "1024");
    app.frame();
    app.shutdown();
    std::string log;
    if (auto f = std::fopen(user.file("log.txt").c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
            log.append(buffer, n);
        }
        std::fclose(f);
    }
    EXPECT_NE(log.find("Video restart failed"), std::string::npos);
}

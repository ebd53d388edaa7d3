// The whole program in this process, windowed under Xvfb on the shipped data:
// the main menu drawn, the options reached, changed and left with the mouse
// and Escape, and the change kept in user.cfg.
#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/app/Application.h"
#include "engine/app/DebugConsole.h"
#include "engine/console/UserVarSystem.h"
#include "engine/platform/Platform.h"
#include "main/ProgramHooks.h"
#include "support/Picture.h"
#include "support/ProgramRunner.h"
#include "support/TestSupport.h"
#include "support/XvfbDisplay.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIDropDownBox.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <SDL.h>
#include <cstdlib>
#include <filesystem>

namespace {

struct Window {
    Application& app;
    int shots = 0;

    // A point of the 640 × 480 interface, in window pixels.
    void moveTo(int x, int y)
    {
        int w = 0, h = 0;
        Platform::get().getWindowSize(w, h);
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = SDL_GetWindowID(Platform::get().getWindow());
        e.motion.x = (x * w + w / 2) / 640;
        e.motion.y = (y * h + h / 2) / 480;
        Platform::get().handleEvent(e);
        app.frame();
    }
    void click(int x, int y)
    {
        moveTo(x, y);
        int w = 0, h = 0;
        Platform::get().getWindowSize(w, h);
        for (bool down : {true, false}) {
            SDL_Event e{};
            e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
            e.button.windowID = SDL_GetWindowID(Platform::get().getWindow());
            e.button.button = SDL_BUTTON_LEFT;
            e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
            e.button.x = (x * w + w / 2) / 640;
            e.button.y = (y * h + h / 2) / 480;
            Platform::get().handleEvent(e);
            app.frame();
        }
    }
    void key(SDL_Scancode code)
    {
        for (bool down : {true, false}) {
            SDL_Event e{};
            e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
            e.key.windowID = SDL_GetWindowID(Platform::get().getWindow());
            e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
            e.key.keysym.scancode = code;
            Platform::get().handleEvent(e);
            app.frame();
        }
    }
    void send(SDL_Scancode code, bool down)
    {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = SDL_GetWindowID(Platform::get().getWindow());
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = code;
        Platform::get().handleEvent(e);
        app.frame();
    }
    // Letters and blanks, capitals with the left shift held.
    void type(const std::string& text)
    {
        for (char c : text) {
            bool upper = c >= 'A' && c <= 'Z';
            char lower = upper ? static_cast<char>(c - 'A' + 'a') : c;
            SDL_Scancode code =
                lower == ' ' ? SDL_SCANCODE_SPACE : static_cast<SDL_Scancode>(SDL_SCANCODE_A + (lower - 'a'));
            if (upper) {
                send(SDL_SCANCODE_LSHIFT, true);
            }
            key(code);
            if (upper) {
                send(SDL_SCANCODE_LSHIFT, false);
            }
        }
    }
    Picture shot(const TempDir& user)
    {
        key(SDL_SCANCODE_PRINTSCREEN);
        app.frame();
        Picture picture;
        char name[32];
        std::snprintf(name, sizeof name, "Screenshots/ss%04d.png", shots++);
        EXPECT_TRUE(readPng(user.file(name), picture)) << name;
        if (const char* keep = std::getenv("GLOAM_KEEP_SHOTS")) {
            std::filesystem::copy_file(user.file(name), std::string(keep) + "/" + (name + 12),
                                       std::filesystem::copy_options::overwrite_existing);
        }
        return picture;
    }
};

// The colour at an interface point of a screenshot.
const uint8_t* pixelAt(const Picture& p, int x, int y)
{
    return p.at(x * p.width / 640, y * p.height / 480);
}

void expectNear(const uint8_t* c, int r, int g, int b, int tolerance, const char* what)
{
    EXPECT_NEAR(c[0], r, tolerance) << what;
    EXPECT_NEAR(c[1], g, tolerance) << what;
    EXPECT_NEAR(c[2], b, tolerance) << what;
}

TEST(UISystemXvfbTest, TheMainMenuTheOptionsAndBack)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X server can be started";
    }
    TempDir user;
    // Exact colours: no compressed textures.
    user.write("user.cfg", "compressedTextures 0\nr_screenshotType 1\nr_higherResFonts 0\n");
    setenv("ALSOFT_DRIVERS", "null", 1);
    LaunchOptions options;
    options.dataDir = gameDataPath();
    options.userDir = user.path().string();
    AppHooks hooks;
    installProgramHooks(hooks, false);
    Application app(options, hooks);
    app.startup();
    unsetenv("ALSOFT_DRIVERS");
    Window window{app};
    for (int i = 0; i < 5; ++i) {
        app.frame();
    }
    UISystem& ui = UISystem::get();
    UIMenu* main = ui.findMenu("Main");
    UIMenu* options_ = ui.findMenu("Options");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(main->isActive());

    // The title band and the plain Options button where the menu puts them.
    Picture first = window.shot(user);
    expectNear(pixelAt(first, 126, 100), 150, 104, 40, 12, "title band");
    // The title's letters show the band between their strokes; a font
    // texture bound without its alpha draws each glyph as a white box.
    int white = 0, all = 0;
    for (int y = 68; y < 88; ++y) {
        for (int x = 262; x < 378; ++x, ++all) {
            const uint8_t* c = pixelAt(first, x, y);
            white += std::min({c[0], c[1], c[2]}) > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(white, all / 20) << "no title text";
    EXPECT_LT(white, all * 2 / 5) << "the title's glyphs are solid boxes";
    expectNear(pixelAt(first, 246, 300), 58, 74, 112, 12, "Options button");

    window.click(320, 294);
    ASSERT_TRUE(options_->isActive());
    Picture panel = window.shot(user);
    expectNear(pixelAt(panel, 200, 320), 28, 30, 44, 16, "options panel");

    window.click(266, 96);
    EXPECT_EQ(options_->getSelectedSubMenu(), 1);
    window.click(402, 232);
    EXPECT_EQ(UserVarSystem::get().findVar("s_volumeMusic")->getString(), "0.500000");

    window.key(SDL_SCANCODE_ESCAPE);
    EXPECT_FALSE(options_->isActive());
    Picture back = window.shot(user);
    expectNear(pixelAt(back, 126, 100), 150, 104, 40, 12, "title band again");

    Application::runConsoleLine("quit");
    app.shutdown();
    EXPECT_NE(readFile(user.file("user.cfg")).find("s_volumeMusic \"0.500000\""), std::string::npos)
        << readFile(user.file("user.cfg"));
}

TEST(UISystemXvfbTest, IntoTheGamePausedAndOutAgain)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X server can be started";
    }
    TempDir user;
    user.write("user.cfg", "compressedTextures 0\nr_screenshotType 1\n");
    setenv("ALSOFT_DRIVERS", "null", 1);
    LaunchOptions options;
    options.dataDir = gameDataPath();
    options.userDir = user.path().string();
    AppHooks hooks;
    installProgramHooks(hooks, false);
    Application app(options, hooks);
    app.startup();
    unsetenv("ALSOFT_DRIVERS");
    Window window{app};
    app.frame();
    UISystem& ui = UISystem::get();

    window.click(320, 206);
    ASSERT_TRUE(ui.findMenu("NewCharacter")->isActive());
    window.click(263, 130);
    EXPECT_EQ(UserVarSystem::get().findVar("PlayerClass")->getString(), "$$ClassRogue$$");
    // The covenant box takes the focus and the typed name.
    window.click(300, 270);
    window.type("Fen Wardens");
    EXPECT_EQ(UserVarSystem::get().findVar("CovenantName")->getString(), "Fen Wardens");
    window.click(490, 408);
    UIMenu* hud = ui.findMenu("Hud");
    for (int frame = 0; frame < 600 && !(GameClient::instance() && GameClient::get().isLoaded()); ++frame) {
        app.frame();
    }
    ASSERT_TRUE(GameClient::get().isLoaded()) << "the game did not start";
    app.frame();
    EXPECT_TRUE(hud->isActive());
    EXPECT_FALSE(ui.findMenu("Main")->isActive());
    Picture inGame = window.shot(user);
    expectNear(pixelAt(inGame, 510, 470), 46, 40, 30, 12, "the strip");

    window.key(SDL_SCANCODE_ESCAPE);
    app.frame();
    EXPECT_TRUE(ui.findMenu("PauseMenu")->isActive());
    EXPECT_TRUE(Client::get().isPaused());
    window.click(320, 174);
    app.frame();
    EXPECT_FALSE(ui.findMenu("PauseMenu")->isActive());
    EXPECT_FALSE(Client::get().isPaused());

    window.key(SDL_SCANCODE_GRAVE);
    EXPECT_TRUE(DebugConsole::get().isOpen());
    window.key(SDL_SCANCODE_GRAVE);
    EXPECT_FALSE(DebugConsole::get().isOpen());

    window.key(SDL_SCANCODE_ESCAPE);
    window.click(320, 262);
    app.frame();
    EXPECT_TRUE(ui.findMenu("Main")->isActive());
    EXPECT_FALSE(hud->isActive());
    EXPECT_FALSE(GameClient::get().isLoaded());
    Application::runConsoleLine("quit");
    app.shutdown();
}

TEST(UISystemXvfbTest, ADropDownOfTheVideoPageAndTypedNames)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X server can be started";
    }
    TempDir user;
    user.write("user.cfg", "compressedTextures 0\nr_screenshotType 1\n");
    setenv("ALSOFT_DRIVERS", "null", 1);
    LaunchOptions options;
    options.dataDir = gameDataPath();
    options.userDir = user.path().string();
    AppHooks hooks;
    installProgramHooks(hooks, false);
    Application app(options, hooks);
    app.startup();
    unsetenv("ALSOFT_DRIVERS");
    Window window{app};
    app.frame();
    UISystem& ui = UISystem::get();
    auto var = [](const char* name) { return UserVarSystem::get().findVar(name)->getString(); };

    // The display-mode box opens over the panel; a row sets r_mode.
    window.click(320, 294);
    UIDropDownBox* modes = nullptr;
    for (const auto& widget : ui.findMenu("OptionsVideo")->getWidgets()) {
        if (widget->getPosition().x == 90.0f && widget->getPosition().y == 250.0f) {
            modes = dynamic_cast<UIDropDownBox*>(widget.get());
        }
    }
    ASSERT_NE(modes, nullptr);
    ASSERT_FALSE(modes->getEntries().empty());
    Picture closed = window.shot(user);
    expectNear(pixelAt(closed, 200, 305), 28, 30, 44, 12, "the panel below the closed box");
    window.click(150, 260);
    ASSERT_TRUE(modes->isOpen());
    Picture open = window.shot(user);
    expectNear(pixelAt(open, 200, 305), 60, 66, 96, 12, "the open list");
    window.click(150, 280);
    EXPECT_FALSE(modes->isOpen());
    EXPECT_EQ(var("r_mode"), modes->getEntries()[0].value);
    window.key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(ui.findMenu("Main")->isActive());

    // The name box replaces the random name; Tab moves on, Enter starts.
    window.click(320, 206);
    ASSERT_TRUE(ui.findMenu("NewCharacter")->isActive());
    window.click(300, 230);
    for (int i = 0; i < 21; ++i) {
        window.key(SDL_SCANCODE_BACKSPACE);
    }
    window.type("Orla Fen");
    window.key(SDL_SCANCODE_TAB);
    window.type("Fen Wardens");
    EXPECT_EQ(var("PlayerName"), "Orla Fen");
    EXPECT_EQ(var("CovenantName"), "Fen Wardens");
    window.key(SDL_SCANCODE_RETURN);
    for (int frame = 0; frame < 600 && !(GameClient::instance() && GameClient::get().isLoaded()); ++frame) {
        app.frame();
    }
    EXPECT_TRUE(GameClient::get().isLoaded()) << "the game did not start";
    Application::runConsoleLine("quit");
    app.shutdown();
}

} // namespace

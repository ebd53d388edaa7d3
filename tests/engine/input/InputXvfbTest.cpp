// Drives synthetic SDL events through a real window on an X display (Xvfb)
// into the command lines the interpreter receives. Skips without Xvfb.
#include "support/XvfbDisplay.h"
#include "engine/console/CommandSystem.h"
#include "engine/input/Input.h"
#include "engine/platform/Platform.h"
#include "engine/platform/Shell.h"
#include "engine/platform/SystemInfo.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace {

bool has(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(InputXvfbTest, SyntheticEventsBecomeKeyPressAndButtonPressLines)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    SystemInfo info;
    Input input;
    std::atomic<bool> running{true};
    std::vector<std::string> lines;
    {
        Platform platform(&running);
        std::string error;
        Platform::WindowOptions options;
        options.openGL = false; // the window shell alone; drawing is the graphics system's
        ASSERT_TRUE(platform.createWindow(options, error)) << error << ": " << SDL_GetError();
        ASSERT_STREQ(SDL_GetWindowTitle(platform.getWindow()), "Gloamreach");
        ASSERT_TRUE(input.start(true));

        // With a video layer the clipboard takes the page as its text.
        ASSERT_TRUE(copyHtmlToClipboard("<p>Orla &amp; co</p>")) << SDL_GetError();
        char* clip = SDL_GetClipboardText();
        EXPECT_STREQ(clip, "<p>Orla &amp; co</p>");
        SDL_free(clip);
        // The game's Latin-1 goes over as UTF-8 and comes back as Latin-1.
        ASSERT_TRUE(copyHtmlToClipboard("Caf\xE9 \xA9"));
        clip = SDL_GetClipboardText();
        EXPECT_STREQ(clip, "Caf\xC3\xA9 \xC2\xA9");
        SDL_free(clip);
        EXPECT_EQ(readClipboardText(), "Caf\xE9 \xA9");
        ASSERT_EQ(SDL_SetClipboardText("\xE2\x82\xAC 5"), 0);
        EXPECT_EQ(readClipboardText(), "? 5");
        // The lines go through the interpreter as the program's own: the two
        // commands are internal only, as the client registers them.
        CommandSystem commands;
        auto record = [&](const char* name) {
            return [&lines, name](const CommandArgs& args) {
                std::string line = name;
                for (const auto& a : args) {
                    line += " " + a;
                }
                lines.push_back(line);
            };
        };
        commands.registerCommand(record("keyPress"), "keyPress", "", "key down repeat", "ibb", true, 0);
        commands.registerCommand(record("buttonPress"), "buttonPress", "", "button down posX posY", "ibii",
                                 true, 0);
        input.setLineRunner([&](const std::string& line) {
            EXPECT_TRUE(commands.execute(line, nullptr, false, true)) << line;
        });

        // Let the window settle, then forget what the server sent so far.
        for (int i = 0; i < 10; ++i) {
            platform.pumpEvents();
            SDL_Delay(10);
        }
        input.pollKeyboard();
        input.pollMouse();
        lines.clear();

        int w = 0, h = 0;
        platform.getWindowSize(w, h);
        Uint32 id = SDL_GetWindowID(platform.getWindow());
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.windowID = id;
        e.key.state = SDL_PRESSED;
        e.key.keysym.scancode = SDL_SCANCODE_A;
        e.key.keysym.sym = SDLK_a;
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
        e.type = SDL_KEYUP;
        e.key.state = SDL_RELEASED;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
        SDL_Event b{};
        b.type = SDL_MOUSEBUTTONDOWN;
        b.button.windowID = id;
        b.button.button = SDL_BUTTON_LEFT;
        b.button.state = SDL_PRESSED;
        b.button.x = w / 2;
        b.button.y = h / 4;
        ASSERT_EQ(SDL_PushEvent(&b), 1);
        SDL_Event q{};
        q.type = SDL_QUIT;
        ASSERT_EQ(SDL_PushEvent(&q), 1);

        platform.pumpEvents();
        input.pollKeyboard();
        input.pollMouse();
        EXPECT_FALSE(running);
        input.stop();
    }
    EXPECT_TRUE(has(lines, "keyPress 30 1 0")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(has(lines, "keyPress 30 0 0")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(has(lines, "buttonPress 0 1 320 120")) << ::testing::PrintToString(lines);
}

} // namespace

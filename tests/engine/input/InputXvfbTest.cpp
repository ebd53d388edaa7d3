// Drives synthetic SDL events through a real window on an X display (Xvfb)
// into the command lines the interpreter receives. Skips without Xvfb.
#include "engine/console/CommandSystem.h"
#include "engine/input/Input.h"
#include "engine/platform/Platform.h"
#include "engine/platform/Shell.h"
#include "engine/platform/SystemInfo.h"
#include "engine/platform/X11Clipboard.h"
#include "support/XvfbDisplay.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <dlfcn.h>
#include <functional>
#include <optional>
#include <type_traits>
#include <unistd.h>

namespace {

bool has(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Pumps the program's events until the condition holds; false after a
// minute without it.
bool pumpUntil(Platform& platform, const std::function<bool()>& done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        platform.pumpEvents();
        usleep(1000);
    }
    return true;
}

// Another X client pasting from the CLIPBOARD selection, as a mail program
// does: it asks the owner to convert the selection into a property of its
// own window. libX11 is opened at run time (the tests do not link it).
class Paster {
public:
    ~Paster()
    {
        if (m_display) {
            m_close(m_display);
        }
    }

    bool open(const std::string& displayName)
    {
        void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!x11) {
            return false;
        }
        auto sym = [x11](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(x11, name));
            return fn != nullptr;
        };
        void* (*openDisplay)(const char*) = nullptr;
        unsigned long (*rootWindow)(void*) = nullptr;
        unsigned long (*createWindow)(void*, unsigned long, int, int, unsigned, unsigned, unsigned,
                                      unsigned long, unsigned long) = nullptr;
        if (!sym(openDisplay, "XOpenDisplay") || !sym(rootWindow, "XDefaultRootWindow") ||
            !sym(createWindow, "XCreateSimpleWindow") || !sym(m_close, "XCloseDisplay") ||
            !sym(m_flush, "XFlush") || !sym(m_atom, "XInternAtom") || !sym(m_atomName, "XGetAtomName") ||
            !sym(m_getOwner, "XGetSelectionOwner") || !sym(m_setOwner, "XSetSelectionOwner") ||
            !sym(m_convert, "XConvertSelection") || !sym(m_checkEvent, "XCheckTypedWindowEvent") ||
            !sym(m_getProperty, "XGetWindowProperty") || !sym(m_fetchName, "XFetchName") ||
            !sym(m_free, "XFree")) {
            return false;
        }
        m_display = openDisplay(displayName.c_str());
        if (!m_display) {
            return false;
        }
        m_window = createWindow(m_display, rootWindow(m_display), 0, 0, 1, 1, 0, 0, 0);
        m_clipboard = m_atom(m_display, "CLIPBOARD", 0);
        return m_window != 0;
    }

    // The title of the selection's owner window ("" for none).
    std::string ownerTitle()
    {
        unsigned long owner = m_getOwner(m_display, m_clipboard);
        char* name = nullptr;
        std::string title;
        if (owner != 0 && m_fetchName(m_display, owner, &name) && name) {
            title = name;
            m_free(name);
        }
        return title;
    }

    // Asks for the target and pumps the program until the owner answers:
    // the bytes, or the atom names of a list joined by blanks; nullopt when
    // the owner refuses (or never answers).
    std::optional<std::string> paste(Platform& platform, const char* target)
    {
        const unsigned long property = m_atom(m_display, "PASTED", 0);
        m_convert(m_display, m_clipboard, m_atom(m_display, target, 0), property, m_window, 0);
        m_flush(m_display);
        long event[24]; // an XEvent
        constexpr int kSelectionNotify = 31;
        if (!pumpUntil(platform,
                       [&] { return m_checkEvent(m_display, m_window, kSelectionNotify, event) != 0; })) {
            return std::nullopt;
        }
        unsigned long type = 0, count = 0, after = 0;
        int format = 0;
        unsigned char* data = nullptr;
        m_getProperty(m_display, m_window, property, 0, LONG_MAX / 4, 1, 0, &type, &format, &count, &after,
                      &data);
        std::optional<std::string> out;
        if (type != 0 && format == 8) {
            out = std::string(reinterpret_cast<const char*>(data), count);
        } else if (type != 0 && format == 32) {
            out = std::string();
            for (unsigned long i = 0; i < count; ++i) {
                char* name = m_atomName(m_display, reinterpret_cast<const unsigned long*>(data)[i]);
                *out += (i ? " " : "") + std::string(name ? name : "?");
                m_free(name);
            }
        }
        if (data) {
            m_free(data);
        }
        return out;
    }

    // This client takes the selection, as a copy in another program does.
    void take()
    {
        m_setOwner(m_display, m_clipboard, m_window, 0);
        m_flush(m_display);
    }

private:
    void* m_display = nullptr;
    unsigned long m_window = 0;
    unsigned long m_clipboard = 0;
    int (*m_close)(void*) = nullptr;
    int (*m_flush)(void*) = nullptr;
    unsigned long (*m_atom)(void*, const char*, int) = nullptr;
    char* (*m_atomName)(void*, unsigned long) = nullptr;
    unsigned long (*m_getOwner)(void*, unsigned long) = nullptr;
    int (*m_setOwner)(void*, unsigned long, unsigned long, unsigned long) = nullptr;
    int (*m_convert)(void*, unsigned long, unsigned long, unsigned long, unsigned long,
                     unsigned long) = nullptr;
    int (*m_checkEvent)(void*, unsigned long, int, void*) = nullptr;
    int (*m_getProperty)(void*, unsigned long, unsigned long, long, long, int, unsigned long, unsigned long*,
                         int*, unsigned long*, unsigned long*, unsigned char**) = nullptr;
    int (*m_fetchName)(void*, unsigned long, char**) = nullptr;
    int (*m_free)(void*) = nullptr;
};

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

        // The window owns the clipboard and gives another client the page
        // as HTML, or as text; other formats it refuses.
        ASSERT_TRUE(copyHtmlToClipboard("<p>Orla &amp; co</p>")) << SDL_GetError();
        Paster paster;
        ASSERT_TRUE(paster.open(display.name()));
        EXPECT_EQ(paster.ownerTitle(), "Gloamreach");
        EXPECT_EQ(paster.paste(platform, "TARGETS"), "TARGETS text/html UTF8_STRING");
        EXPECT_EQ(paster.paste(platform, "text/html"), "<p>Orla &amp; co</p>");
        EXPECT_EQ(paster.paste(platform, "UTF8_STRING"), "<p>Orla &amp; co</p>");
        EXPECT_EQ(paster.paste(platform, "image/png"), std::nullopt);
        // SDL's own text clipboard asks the window too (inside its wait).
        char* clip = SDL_GetClipboardText();
        EXPECT_STREQ(clip, "<p>Orla &amp; co</p>");
        SDL_free(clip);
        // The game's Latin-1 goes over as UTF-8 and comes back as Latin-1.
        ASSERT_TRUE(copyHtmlToClipboard("Caf\xE9 \xA9"));
        EXPECT_EQ(paster.paste(platform, "text/html"), "Caf\xC3\xA9 \xC2\xA9");
        EXPECT_EQ(readClipboardText(), "Caf\xE9 \xA9");
        // A copy elsewhere ends the offer.
        paster.take();
        EXPECT_TRUE(pumpUntil(platform, [] { return !X11Clipboard::isOffering(); }));
        ASSERT_TRUE(copyHtmlToClipboard("<i>again</i>"));
        ASSERT_EQ(SDL_SetClipboardText("\xE2\x82\xAC 5"), 0);
        EXPECT_EQ(readClipboardText(), "? 5");
        EXPECT_EQ(paster.paste(platform, "UTF8_STRING"), "\xE2\x82\xAC 5");
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
        input.poll();
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
        input.poll();
        EXPECT_FALSE(running);
        input.stop();
        // Without a window there is no clipboard to own.
        platform.destroyWindow();
        EXPECT_FALSE(copyHtmlToClipboard("<b>x</b>"));
    }
    EXPECT_TRUE(has(lines, "keyPress 30 1 0")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(has(lines, "keyPress 30 0 0")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(has(lines, "buttonPress 0 1 320 120")) << ::testing::PrintToString(lines);
}

} // namespace

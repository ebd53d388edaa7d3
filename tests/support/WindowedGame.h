#pragma once

// The whole program in this process, windowed under Xvfb on the shipped data
// with a user directory of its own, and the mouse, keys and screenshots the
// window tests drive it with. Points are of the 640 x 480 interface.
#include "client/GameClient.h"
#include "engine/app/Application.h"
#include "engine/platform/Platform.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GraphicsSystem.h"
#include "main/ProgramHooks.h"
#include "support/Picture.h"
#include "support/ProgramRunner.h"
#include "support/TestSupport.h"
#include "support/WaveCapture.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

struct WindowedGame {
    XvfbDisplay display;
    TempDir user;
    std::unique_ptr<Application> app;
    int shots = 0;

    // False when no X server can be had (the test skips then). The sound
    // goes to OpenAL Soft's null device, or to its wave writer into
    // waveFile; OpenAL Soft reads its configuration once per process, and
    // ctest runs each test in a process of its own.
    bool start(const std::string& userCfg, const std::string& waveFile = "")
    {
        if (!display.start()) {
            return false;
        }
        user.write("user.cfg", userCfg);
        if (waveFile.empty()) {
            setenv("ALSOFT_DRIVERS", "null", 1);
        } else {
            user.write("alsoft.conf", waveWriterConfig(waveFile));
            setenv("ALSOFT_CONF", user.file("alsoft.conf").c_str(), 1);
            setenv("ALSOFT_DRIVERS", "wave", 1);
        }
        // As for every program the tests start: a fatal error ends the
        // test with its line instead of a box nobody clicks.
        setenv("GLOAM_NO_ERROR_BOX", "1", 1);
        LaunchOptions options;
        options.dataDir = gameDataPath();
        options.userDir = user.path().string();
        AppHooks hooks;
        installProgramHooks(hooks, false);
        app = std::make_unique<Application>(options, hooks);
        app->startup();
        unsetenv("ALSOFT_CONF");
        unsetenv("ALSOFT_DRIVERS");
        return true;
    }

    ~WindowedGame() { stop(); }

    // Quits and shuts the program down (user.cfg is written then).
    void stop()
    {
        if (app) {
            Application::runConsoleLine("quit");
            app->shutdown();
            app.reset();
        }
    }

    void frame() { app->frame(); }

    // The last lines of the program's log, for a failure's message.
    std::string logTail(size_t lines = 30) const
    {
        const std::string log = readFile(user.file("log.txt"));
        size_t at = log.size();
        for (size_t n = 0; n <= lines && at > 0; ++n) {
            at = log.rfind('\n', at - 1);
            if (at == std::string::npos) {
                return log;
            }
        }
        return log.substr(at + 1);
    }

    // Frames until the test holds. The limit only catches a hang: at least
    // `frames` frames and at least kHangSeconds before giving up, since on a
    // loaded machine the loader thread may get little time while the frames
    // run fast, and slow frames slow the game down.
    static constexpr int kHangSeconds = 90;
    bool frameUntil(const std::function<bool()>& done, int frames = 600)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kHangSeconds);
        for (int i = 0; !done(); ++i) {
            if (i >= frames && std::chrono::steady_clock::now() >= deadline)
                return false;
            app->frame();
        }
        return true;
    }

    // Nothing queued on the loader nor in flight: what the frames so far
    // asked for (menu images, icons, models) is in.
    static bool loaderIdle()
    {
        const ResourceSystem::Statistics s = ResourceSystem::get().getStatistics();
        return s.queued + s.loading == 0;
    }
    bool waitForLoads(int frames = 10) { return frameUntil(loaderIdle, frames); }

    bool waitForGame(int frames = 600)
    {
        return frameUntil([] { return GameClient::instance() && GameClient::get().isLoaded(); }, frames);
    }

    static void windowPoint(int x, int y, int& wx, int& wy)
    {
        int w = 0, h = 0;
        Platform::get().getWindowSize(w, h);
        wx = (x * w + w / 2) / 640;
        wy = (y * h + h / 2) / 480;
    }

    void moveTo(int x, int y)
    {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = SDL_GetWindowID(Platform::get().getWindow());
        windowPoint(x, y, e.motion.x, e.motion.y);
        Platform::get().handleEvent(e);
        app->frame();
    }

    void button(int x, int y, bool down, uint8_t which = SDL_BUTTON_LEFT)
    {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = SDL_GetWindowID(Platform::get().getWindow());
        e.button.button = which;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        windowPoint(x, y, e.button.x, e.button.y);
        Platform::get().handleEvent(e);
        app->frame();
    }

    void click(int x, int y, uint8_t which = SDL_BUTTON_LEFT)
    {
        moveTo(x, y);
        button(x, y, true, which);
        button(x, y, false, which);
    }

    // A click on something that moves (a monster, a label following the
    // camera): the mouse is set and pressed in one frame, so that the press
    // meets what the last frame drew there. A frame between them would let
    // a slow frame carry it away from the point.
    void clickNow(int x, int y, uint8_t which = SDL_BUTTON_LEFT)
    {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = SDL_GetWindowID(Platform::get().getWindow());
        windowPoint(x, y, e.motion.x, e.motion.y);
        Platform::get().handleEvent(e);
        button(x, y, true, which);
        button(x, y, false, which);
    }

    // Wheel notches over an interface point: positive away from the user.
    void wheel(int x, int y, int notches)
    {
        moveTo(x, y);
        SDL_Event e{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = SDL_GetWindowID(Platform::get().getWindow());
        e.wheel.y = notches;
        e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
        Platform::get().handleEvent(e);
        app->frame();
    }

    void send(SDL_Scancode code, bool down)
    {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = SDL_GetWindowID(Platform::get().getWindow());
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = code;
        Platform::get().handleEvent(e);
        app->frame();
    }

    void key(SDL_Scancode code)
    {
        send(code, true);
        send(code, false);
    }

    // Letters, digits and blanks; capitals with the left shift held.
    void type(const std::string& text)
    {
        for (char c : text) {
            const bool upper = c >= 'A' && c <= 'Z';
            const char lower = upper ? static_cast<char>(c - 'A' + 'a') : c;
            SDL_Scancode code = SDL_SCANCODE_SPACE;
            if (lower >= 'a' && lower <= 'z') {
                code = static_cast<SDL_Scancode>(SDL_SCANCODE_A + (lower - 'a'));
            } else if (lower >= '1' && lower <= '9') {
                code = static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (lower - '1'));
            } else if (lower == '0') {
                code = SDL_SCANCODE_0;
            }
            if (upper) {
                send(SDL_SCANCODE_LSHIFT, true);
            }
            key(code);
            if (upper) {
                send(SDL_SCANCODE_LSHIFT, false);
            }
        }
    }

    // A screenshot through the program's own key, or asked of the graphics
    // directly. GLOAM_KEEP_SHOTS=<dir> keeps a copy of each, under `keepAs`
    // when it is given.
    Picture shot(bool byKey = false, const char* keepAs = nullptr)
    {
        if (byKey) {
            key(SDL_SCANCODE_PRINTSCREEN);
        } else {
            GraphicsSystem::get().takeScreenshot();
        }
        app->frame();
        Picture picture;
        char name[32];
        std::snprintf(name, sizeof name, "Screenshots/ss%04d.png", shots++);
        EXPECT_TRUE(readPng(user.file(name), picture)) << name;
        if (const char* keep = std::getenv("GLOAM_KEEP_SHOTS")) {
            std::filesystem::copy_file(user.file(name),
                                       std::string(keep) + "/" + (keepAs ? keepAs : name + 12),
                                       std::filesystem::copy_options::overwrite_existing);
        }
        return picture;
    }

    // A shot once two in a row come out alike within a box of the interface
    // (by default all but the frame rate's row at the top): a busy machine
    // may still draw a step of something that moves. `settled` tells
    // whether they did within `tries` shots.
    Picture stillShot(int x0 = 0, int y0 = 40, int x1 = 640, int y1 = 480, int tries = 20)
    {
        Picture last = shot();
        settled = false;
        for (int i = 0; i < tries && !settled; ++i) {
            Picture next = shot();
            settled = true;
            for (int y = y0 * last.height / 480; settled && y < y1 * last.height / 480; ++y) {
                const size_t row = static_cast<size_t>(y) * last.width;
                const size_t from = (row + x0 * last.width / 640) * 3, to = (row + x1 * last.width / 640) * 3;
                settled = std::equal(next.rgb.begin() + from, next.rgb.begin() + to, last.rgb.begin() + from);
            }
            last = std::move(next);
        }
        return last;
    }
    bool settled = false;
};

// The colour at an interface point of a screenshot.
inline const uint8_t* pixelAt(const Picture& p, int x, int y)
{
    return p.at(x * p.width / 640, y * p.height / 480);
}

// How much of the ground shows through a hover box's top margin, the median
// over its bright points (0 when fewer than 40 of them); `samples` counts them.
inline float shareShowingThrough(const Picture& bare, const Picture& shown, float x0, float y0, float width,
                                 size_t& samples)
{
    std::vector<float> shares;
    for (float y = y0 + 1.0f; y < y0 + 4.0f; y += 0.5f) {
        for (float x = x0 + 1.0f; x < x0 + width - 1.0f; x += 0.5f) {
            const uint8_t* under = pixelAt(bare, static_cast<int>(x), static_cast<int>(y));
            const uint8_t* over = pixelAt(shown, static_cast<int>(x), static_cast<int>(y));
            const int b = std::max({under[0], under[1], under[2]});
            if (b > 60) {
                shares.push_back(static_cast<float>(std::max({over[0], over[1], over[2]})) / b);
            }
        }
    }
    samples = shares.size();
    if (shares.size() < 40) {
        return 0.0f;
    }
    std::nth_element(shares.begin(), shares.begin() + static_cast<long>(shares.size() / 2), shares.end());
    return shares[shares.size() / 2];
}

#include "engine/platform/Platform.h"

#include "engine/core/StringUtil.h"
#include "engine/input/Input.h"
#include "engine/input/KeyCodes.h"
#include "engine/platform/DisplayModes.h"
#include "engine/platform/GLContext.h"
#include "engine/platform/SystemInfo.h"

#include <SDL.h>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr const char* kWindowTitle = "Gloamreach";

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A local X display ":N[.S]" has its socket; a remote one is taken on trust.
bool xDisplayExists(const std::string& display)
{
    if (display.empty() || display[0] != ':') {
        return !display.empty();
    }
    std::string number =
        display.substr(1, display.find('.') == std::string::npos ? std::string::npos : display.find('.') - 1);
    std::error_code ec;
    return !number.empty() && std::filesystem::exists("/tmp/.X11-unix/X" + number, ec);
}

bool waylandDisplayExists(const std::string& display)
{
    if (display.empty()) {
        return false;
    }
    std::error_code ec;
    if (display[0] == '/') {
        return std::filesystem::exists(display, ec);
    }
    std::string runtime = environment("XDG_RUNTIME_DIR");
    return !runtime.empty() && std::filesystem::exists(runtime + "/" + display, ec);
}

} // namespace

std::string Platform::findDisplayProblem()
{
    if (!environment("SDL_VIDEODRIVER").empty()) {
        return std::string();
    }
    std::string x = environment("DISPLAY");
    std::string wayland = environment("WAYLAND_DISPLAY");
    if (xDisplayExists(x) || waylandDisplayExists(wayland)) {
        return std::string();
    }
    std::string cause;
    if (x.empty() && wayland.empty()) {
        cause = "No display to open a window on: neither DISPLAY nor WAYLAND_DISPLAY is set.";
    } else if (!x.empty()) {
        cause = "No display to open a window on: no X server is listening on DISPLAY \"" + x + "\".";
    } else {
        cause = "No display to open a window on: the Wayland display \"" + wayland + "\" does not exist.";
    }
    return cause + " Start with --headless to run without a window.";
}

Platform::Platform(std::atomic<bool>* running) : m_running(running) {}

int Platform::addHooks(Hooks hooks)
{
    int id = m_nextHooksId++;
    m_hooks.emplace_back(id, std::move(hooks));
    return id;
}

void Platform::removeHooks(int id)
{
    for (auto it = m_hooks.begin(); it != m_hooks.end(); ++it) {
        if (it->first == id) {
            m_hooks.erase(it);
            return;
        }
    }
}

void Platform::callToggleFullscreen()
{
    // A copy: a hook may add or remove hooks (a restart does).
    auto hooks = m_hooks;
    for (auto& [id, h] : hooks) {
        if (h.toggleFullscreen) {
            h.toggleFullscreen();
        }
    }
}

void Platform::callUpdateCursor()
{
    auto hooks = m_hooks;
    for (auto& [id, h] : hooks) {
        if (h.updateCursor) {
            h.updateCursor();
        }
    }
}

Platform::~Platform()
{
    destroyWindow();
    if (m_videoInit) {
        // SDL_Quit also closes the desktop-bus connection video opened.
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
    }
}

bool Platform::initVideo(std::string& error)
{
    if (m_videoInit) {
        return true;
    }
    // Our own SIGINT/SIGTERM handlers stay in charge; the window layer must
    // not minimise on focus loss by itself.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (environment("SDL_VIDEODRIVER").empty()) {
        // Only the displays the environment names: SDL would otherwise fall
        // back to an invisible off-screen window.
        std::string drivers;
        if (waylandDisplayExists(environment("WAYLAND_DISPLAY"))) {
            drivers = "wayland";
        }
        if (!environment("DISPLAY").empty()) {
            drivers += drivers.empty() ? "x11" : ",x11";
        }
        if (drivers.empty()) {
            error = findDisplayProblem();
            return false;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("Cannot start the video system: ") + SDL_GetError();
        return false;
    }
    m_videoInit = true;
    return true;
}

bool Platform::createWindow(const WindowOptions& options, std::string& error)
{
    if (!initVideo(error)) {
        return false;
    }
    if (m_window) {
        return true;
    }
    Uint32 flags = options.hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN;
    if (options.openGL) {
        flags |= SDL_WINDOW_OPENGL;
        GLContext::setWindowAttributes(options.multisampleSamples);
    }
    if (options.fullscreen) {
        flags |= SDL_WINDOW_FULLSCREEN;
        if (options.topMost) {
            flags |= SDL_WINDOW_ALWAYS_ON_TOP;
        }
    }
    m_window =
        SDL_CreateWindow(latin1ToUtf8(kWindowTitle).c_str(), 0, 0, options.width, options.height, flags);
    if (!m_window) {
        error = std::string(options.openGL ? "Cannot open an OpenGL window: " : "Cannot open the window: ") +
                SDL_GetError();
        return false;
    }
    if (!options.hidden) {
        showWindow();
    }
    return true;
}

void Platform::showWindow()
{
    if (m_window) {
        SDL_ShowWindow(m_window);
        SDL_RaiseWindow(m_window);
        setActivation(true, false);
    }
}

void Platform::destroyWindow()
{
    if (m_window) {
        // Leaving full screen first gives the desktop its own mode back.
        SDL_SetWindowFullscreen(m_window, 0);
        SDL_DestroyWindow(m_window);
        m_window = nullptr;
    }
}

int Platform::getRefreshRate() const
{
    return ::getRefreshRate(m_window);
}

void Platform::getWindowSize(int& width, int& height) const
{
    width = Input::kScreenWidth;
    height = Input::kScreenHeight;
    if (m_window) {
        SDL_GetWindowSize(m_window, &width, &height);
    }
}

void Platform::toScreenSpace(int x, int y, int windowWidth, int windowHeight, int& outX, int& outY)
{
    outX =
        windowWidth > 0 ? static_cast<int>(static_cast<long long>(x) * Input::kScreenWidth / windowWidth) : x;
    outY = windowHeight > 0
               ? static_cast<int>(static_cast<long long>(y) * Input::kScreenHeight / windowHeight)
               : y;
}

void Platform::pumpEvents()
{
    if (!m_videoInit && !SDL_WasInit(SDL_INIT_EVENTS)) {
        return;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        handleEvent(event);
    }
}

void Platform::setActivation(bool active, bool minimised)
{
    m_active = active;
    m_minimised = minimised;
    if (SystemInfo* info = SystemInfo::instance()) {
        info->setActive(active && !minimised);
        info->setMinimised(minimised);
    }
    auto hooks = m_hooks;
    for (auto& [id, h] : hooks) {
        if (h.onActivate) {
            h.onActivate(active, minimised);
        }
    }
}

void Platform::handleEvent(const SDL_Event& event)
{
    // The window-manager events serve the clipboard's owner (X11Clipboard),
    // which SDL calls as it queues them; they ask for no redraw.
    if (event.type == SDL_SYSWMEVENT) {
        return;
    }
    ++m_eventCount;
    Input* input = Input::instance();
    int w = 0, h = 0;
    getWindowSize(w, h);
    switch (event.type) {
    case SDL_QUIT:
        if (m_quitHandler) {
            m_quitHandler();
        } else if (m_running) {
            m_running->store(false);
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        int code = sdlScancodeToDik(event.key.keysym.scancode);
        bool down = event.type == SDL_KEYDOWN;
        if (down && !event.key.repeat && (event.key.keysym.mod & KMOD_ALT) &&
            (code == DIK_RETURN || code == DIK_NUMPADENTER)) {
            callToggleFullscreen();
        }
        if (code != 0 && input) {
            input->queueKey(code, down, event.key.repeat != 0);
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int button = -1;
        switch (event.button.button) {
        case SDL_BUTTON_LEFT:
            button = 0;
            break;
        case SDL_BUTTON_RIGHT:
            button = 1;
            break;
        case SDL_BUTTON_MIDDLE:
            button = 2;
            break;
        case SDL_BUTTON_X1:
            button = 3;
            break;
        case SDL_BUTTON_X2:
            button = 4;
            break;
        default:
            break;
        }
        int x = 0, y = 0;
        toScreenSpace(event.button.x, event.button.y, w, h, x, y);
        if (input) {
            input->setMousePosition(x, y);
            if (button >= 0) {
                input->queueButton(button, event.type == SDL_MOUSEBUTTONDOWN, input->getMouseX(),
                                   input->getMouseY());
            }
        }
        break;
    }
    case SDL_MOUSEMOTION: {
        int x = 0, y = 0;
        toScreenSpace(event.motion.x, event.motion.y, w, h, x, y);
        if (input) {
            input->setMousePosition(x, y);
        }
        callUpdateCursor();
        break;
    }
    case SDL_MOUSEWHEEL: {
        int notches = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
            notches = -notches;
        }
        if (input) {
            input->queueWheel(notches);
        }
        break;
    }
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            setActivation(true, m_minimised);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (input) {
                input->focusLost();
            }
            setActivation(false, m_minimised);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            setActivation(m_active, true);
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
            setActivation(m_active, false);
            break;
        case SDL_WINDOWEVENT_ENTER:
            callUpdateCursor();
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

#pragma once

#include "engine/core/Singleton.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct SDL_Window;
union SDL_Event;

// The window shell over SDL2 and the event pump. It opens the window (title
// "Gloamreach", no drawing of its own), pumps its events into the input
// system, keeps the active and minimised flags in the system information and
// calls the hooks that later subsystems install.
class Platform : public Singleton<Platform> {
public:
    struct WindowOptions {
        int width = 640;
        int height = 480;
        bool fullscreen = false;
        bool topMost = false;
        bool openGL = true;
        bool hidden = false;        // shown later with showWindow
        int multisampleSamples = 0; // OpenGL multisample count, 0 for none
    };

    struct Hooks {
        std::function<void(bool active, bool minimised)> onActivate; // graphics
        std::function<void()> toggleFullscreen;                      // Alt+Enter
        std::function<void()> updateCursor;                          // UI
    };

    explicit Platform(std::atomic<bool>* running = nullptr);
    ~Platform();

    void setRunningFlag(std::atomic<bool>* running) { m_running = running; }
    // The window's close asks this instead of clearing the running flag.
    void setQuitHandler(std::function<void()> handler) { m_quitHandler = std::move(handler); }
    // Each subscriber (graphics, UI …) adds its own set; every event calls
    // every set in the order they were added. Returns the id for removeHooks.
    int addHooks(Hooks hooks);
    void removeHooks(int id);

    // Why no window can be opened here: "" when $SDL_VIDEODRIVER chooses the
    // driver or $WAYLAND_DISPLAY or $DISPLAY names a display that exists;
    // otherwise the cause, for a "Critical Error".
    static std::string findDisplayProblem();
    // Initialises SDL video on the display the environment names (never an
    // invisible fallback); on failure the text says what SDL said.
    bool initVideo(std::string& error);
    // Opens the window; on failure the text says what SDL said.
    bool createWindow(const WindowOptions& options, std::string& error);
    void destroyWindow();
    // Shows a window made hidden and gives it the focus.
    void showWindow();
    SDL_Window* getWindow() const { return m_window; }
    bool hasWindow() const { return m_window != nullptr; }
    void getWindowSize(int& width, int& height) const;
    // The refresh rate of the window's display; 0 when unknown.
    int getRefreshRate() const;

    // Dispatches every pending event; a quit event clears the running flag.
    void pumpEvents();
    void handleEvent(const SDL_Event& event);
    // Counts the events handled (input, and the window shown, exposed,
    // resized): the frame redraws after any of them.
    uint64_t getEventCount() const { return m_eventCount; }

    // Window pixels to the 640 × 480 screen space.
    static void toScreenSpace(int x, int y, int windowWidth, int windowHeight, int& outX, int& outY);

    bool isActive() const { return m_active; }
    bool isMinimised() const { return m_minimised; }

private:
    void setActivation(bool active, bool minimised);
    void callToggleFullscreen();
    void callUpdateCursor();

    std::atomic<bool>* m_running;
    std::function<void()> m_quitHandler;
    std::vector<std::pair<int, Hooks>> m_hooks;
    int m_nextHooksId = 1;
    SDL_Window* m_window = nullptr;
    bool m_videoInit = false;
    bool m_active = true;
    bool m_minimised = false;
    uint64_t m_eventCount = 0;
};

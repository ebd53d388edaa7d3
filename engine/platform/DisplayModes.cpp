#include "engine/platform/DisplayModes.h"

#include <SDL.h>

std::vector<DisplayMode> listDisplayModes()
{
    std::vector<DisplayMode> modes;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        return modes;
    }
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, i, &m) == 0) {
            modes.push_back({m.w, m.h, static_cast<int>(SDL_BITSPERPIXEL(m.format)), m.refresh_rate});
        }
    }
    return modes;
}

bool setFullscreenMode(SDL_Window* window, const DisplayMode& mode, std::string& error)
{
    if (!window) {
        error = "no window";
        return false;
    }
    int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0) {
        display = 0;
    }
    int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(display, i, &m) != 0 || m.w != mode.width || m.h != mode.height ||
            (mode.refreshRate > 0 && m.refresh_rate != mode.refreshRate)) {
            continue;
        }
        // SDL reports the mode's size at once but leaves resizing the window
        // to the window manager; without one the window kept the size it was
        // made with. A window not yet in full screen takes the mode's size at
        // the display's corner first.
        if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) == 0) {
            SDL_Rect bounds{};
            if (SDL_GetDisplayBounds(display, &bounds) == 0) {
                SDL_SetWindowPosition(window, bounds.x, bounds.y);
            }
            SDL_SetWindowSize(window, m.w, m.h);
        }
        if (SDL_SetWindowDisplayMode(window, &m) == 0 &&
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0) {
            return true;
        }
        error = SDL_GetError();
        return false;
    }
    error = "the display has no such mode";
    return false;
}

void restoreDesktopMode(SDL_Window* window)
{
    if (window) {
        SDL_SetWindowFullscreen(window, 0);
    }
}

int getRefreshRate(SDL_Window* window)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        return 0;
    }
    int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    SDL_DisplayMode m{};
    if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &m) != 0) {
        return 0;
    }
    return m.refresh_rate > 0 ? m.refresh_rate : 0;
}

void minimiseWindow(SDL_Window* window)
{
    if (window) {
        SDL_MinimizeWindow(window);
    }
}

void restoreWindow(SDL_Window* window)
{
    if (window) {
        SDL_RestoreWindow(window);
        SDL_RaiseWindow(window);
    }
}

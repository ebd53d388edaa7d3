#pragma once

#include <string>
#include <vector>

struct SDL_Window;

// One full-screen mode of a display.
struct DisplayMode {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int refreshRate = 0; // Hz, 0 when unknown
};

// The primary display's modes, in the driver's order (empty without video).
std::vector<DisplayMode> listDisplayModes();
// Puts the window in full screen at exactly that mode (frequency 0: any);
// false when the display has no such mode or refuses it.
bool setFullscreenMode(SDL_Window* window, const DisplayMode& mode, std::string& error);
// Leaves full screen: the desktop gets its own mode back.
void restoreDesktopMode(SDL_Window* window);
// The refresh rate of the window's display (the primary one without a
// window); 0 when unknown.
int getRefreshRate(SDL_Window* window);

void minimiseWindow(SDL_Window* window);
void restoreWindow(SDL_Window* window);

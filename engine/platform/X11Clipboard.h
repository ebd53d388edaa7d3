#pragma once

#include <string>

struct SDL_Window;

// The X11 CLIPBOARD selection held by one of the program's windows: the
// window answers other clients' requests for "TARGETS", "text/html" and
// "UTF8_STRING" with the text it was given, through SDL's window-manager
// events. libX11 is opened at run time, as SDL opens it.
class X11Clipboard {
public:
    // Makes the window the owner of the selection with the (UTF-8) text.
    // False when the window is not an X11 window, libX11 cannot be had or
    // the X server does not give the window the selection.
    static bool offer(SDL_Window* window, const std::string& utf8);
    // Whether a window still offers its text: until another client (or SDL's
    // own clipboard) takes the selection.
    static bool isOffering();
};

#pragma once

#include <string>
#include <sys/types.h>

// A private X display for one window test: an Xvfb server of its own, which
// picks a free display number itself (-displayfd), so tests running at once
// never share or race for a display. The destructor stops the server. Without
// Xvfb the display in $DISPLAY is used when it has a socket; start() is false
// when neither is available, and tests skip then. Window tests' suite names
// end in "XvfbTest" (see tests/CMakeLists.txt).
class XvfbDisplay {
public:
    XvfbDisplay() = default;
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool start();
    const std::string& name() const { return m_name; }

private:
    bool startServer();

    pid_t m_server = -1;
    std::string m_name;
    std::string m_savedDisplay;
    bool m_hadDisplay = false;
};

// Keeps Mesa's software driver loaded for the life of the process (start()
// does it), so the leak check can name its blocks.
void keepGlDriverLoaded();

// Whether a program is on PATH.
bool programOnPath(const std::string& program);

#pragma once

#include <string>
#include <sys/types.h>

// A display for the window tests: the one in $DISPLAY when set (for example
// under xvfb-run), else a private Xvfb server started here and stopped by the
// destructor. start() is false when neither is available; tests skip then.
class XvfbDisplay {
public:
    XvfbDisplay() = default;
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool start();
    const std::string& name() const { return m_name; }

private:
    pid_t m_server = -1;
    std::string m_name;
    std::string m_savedDisplay;
    bool m_hadDisplay = false;
};

// Whether a program is on PATH.
bool programOnPath(const std::string& program);

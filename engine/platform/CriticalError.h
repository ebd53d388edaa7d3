#pragma once

#include <string>

// Prints "Critical Error: <text>" to stderr once and, when there is a
// display, shows the "Critical Error" message box (main thread) over the
// window. Returns whether a box was shown.
bool showCriticalError(const std::string& text);

// While cleared, no box is tried (headless runs, tests).
void setCriticalErrorBoxAllowed(bool allowed);
// With this environment variable set (to anything but "" or "0") no box is
// tried either, whatever was allowed: the line on stderr is all.
inline constexpr const char* kNoCriticalErrorBoxEnv = "GLOAM_NO_ERROR_BOX";
bool isCriticalErrorBoxAllowed();

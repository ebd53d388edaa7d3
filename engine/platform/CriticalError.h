#pragma once

#include <string>

// Prints "Critical Error: <text>" to stderr once and, when there is a
// display, shows the "Critical Error" message box (main thread) over the
// window. Returns whether a box was shown.
bool showCriticalError(const std::string& text);

// While set, no box is tried (headless runs, tests).
void setCriticalErrorBoxAllowed(bool allowed);
bool isCriticalErrorBoxAllowed();

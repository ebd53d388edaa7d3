#pragma once

#include <string>

// Shows the "Critical Error" message box (main thread) over the window, when
// there is a display; otherwise, or when the box cannot be shown, prints
// "Critical Error: <text>" to stderr. Returns whether a box was shown.
bool showCriticalError(const std::string& text);

// While set, no box is tried (headless runs, tests).
void setCriticalErrorBoxAllowed(bool allowed);
bool isCriticalErrorBoxAllowed();

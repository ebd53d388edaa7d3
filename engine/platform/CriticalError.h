#pragma once

#include <cstddef>
#include <string>

// Prints "Critical Error: <text>" to stderr once and, when there is a
// display, shows the "Critical Error" message box (main thread) over the
// window. Returns whether a box was shown.
bool showCriticalError(const std::string& text);

// The box's text: broken at blanks into lines of at most `width`
// characters (a word longer than that keeps a line of its own); existing
// line breaks stay.
inline constexpr std::size_t kCriticalErrorLineWidth = 72;
std::string breakCriticalErrorText(const std::string& text, std::size_t width = kCriticalErrorLineWidth);

// While cleared, no box is tried (headless runs, tests).
void setCriticalErrorBoxAllowed(bool allowed);
// With this environment variable set (to anything but "" or "0") no box is
// tried either, whatever was allowed: the line on stderr is all.
inline constexpr const char* kNoCriticalErrorBoxEnv = "GLOAM_NO_ERROR_BOX";
bool isCriticalErrorBoxAllowed();

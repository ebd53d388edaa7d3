#pragma once

#include <string>

// Called with the message before the process ends; the platform layer sets one
// that shows a "Critical Error" message box.
using FatalErrorHook = void (*)(const std::string& text);

void setFatalErrorHook(FatalErrorHook hook);
FatalErrorHook getFatalErrorHook();

// Writes the text to stderr and the log, runs the hook and ends the process
// with exit code 1. Safe to reach again from inside the hook.
[[noreturn]] void fatalError(const std::string& text);

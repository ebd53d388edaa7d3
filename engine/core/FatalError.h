#pragma once

#include <string>

// Called with the message before the process ends; the platform layer sets one
// that shows a "Critical Error" message box.
using FatalErrorHook = void (*)(const std::string& text);

void setFatalErrorHook(FatalErrorHook hook);
FatalErrorHook getFatalErrorHook();

// Writes the text to the log, then has the hook report it (without a hook it
// goes to stderr) and ends the process with exit code 1. Safe to reach again
// from inside the hook. A hook may instead hand the error to another thread
// by throwing; that thread is then free to end the process with its own.
[[noreturn]] void fatalError(const std::string& text);

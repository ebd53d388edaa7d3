#include "engine/platform/CriticalError.h"

#include "engine/core/StringUtil.h"
#include "engine/platform/Platform.h"
#include "engine/platform/Signals.h"

#include <SDL.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
std::atomic<bool> g_boxAllowed{true};

// The test support sets it for every program it starts: nobody is there to
// click a box away, and the program would wait until it is killed.
bool criticalBoxSwitchedOffByEnv()
{
    const char* value = std::getenv(kNoCriticalErrorBoxEnv);
    return value && *value && std::strcmp(value, "0") != 0;
}
} // namespace

void setCriticalErrorBoxAllowed(bool allowed)
{
    g_boxAllowed = allowed;
}

bool isCriticalErrorBoxAllowed()
{
    return g_boxAllowed && !criticalBoxSwitchedOffByEnv();
}

std::string breakCriticalErrorText(const std::string& text, std::size_t width)
{
    std::string out;
    std::size_t lineStart = 0; // where the current output line begins in out
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\n') {
            out += '\n';
            lineStart = out.size();
            ++i;
            continue;
        }
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != '\n') {
            ++end;
        }
        std::size_t wordLength = end - i;
        std::size_t lineLength = out.size() - lineStart;
        if (lineLength > 0) {
            // Blanks between words on one line are kept as they were.
            std::size_t blanks = i - (text.find_last_not_of(' ', i - 1) + 1);
            if (lineLength + blanks + wordLength <= width) {
                out.append(blanks, ' ');
            } else {
                out += '\n';
                lineStart = out.size();
            }
        }
        out.append(text, i, wordLength);
        i = end;
    }
    return out;
}

bool showCriticalError(const std::string& text)
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    bool haveDisplay = (display && *display) || (wayland && *wayland);
    const bool box = isCriticalErrorBoxAllowed() && haveDisplay;
    if (box) {
        // The box waits for a click in its own event loop: a SIGTERM (or
        // SIGINT, SIGHUP) meanwhile ends the process with the error's code.
        setTerminationExitCode(1);
    }
    // One line on stderr whether or not a box shows, for whoever started
    // the program from a terminal; the log written out before the wait.
    std::fprintf(stderr, "Critical Error: %s\n", text.c_str());
    std::fflush(nullptr);
    if (!box) {
        return false;
    }
    SDL_Window* parent = Platform::instance() ? Platform::get().getWindow() : nullptr;
    const bool shown =
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Critical Error",
                                 latin1ToUtf8(breakCriticalErrorText(text)).c_str(), parent) == 0;
    setTerminationExitCode(-1);
    return shown;
}

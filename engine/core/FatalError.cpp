#include "engine/core/FatalError.h"

#include "engine/core/ColorCodes.h"
#include "engine/core/DebugSystem.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {
std::atomic<FatalErrorHook> g_hook{nullptr};
// Set by the thread that is ending the process; released again when the hook
// hands the error to another thread by unwinding (the loader thread does).
std::atomic<bool> g_inFatalError{false};
std::atomic<std::thread::id> g_fatalThread{};

struct FatalClaim {
    ~FatalClaim()
    {
        // Reached only by unwinding out of the hook: this thread no longer
        // ends the process, so another one may.
        g_fatalThread.store(std::thread::id());
        g_inFatalError.store(false);
    }
};
} // namespace

void setFatalErrorHook(FatalErrorHook hook)
{
    g_hook.store(hook);
}

FatalErrorHook getFatalErrorHook()
{
    return g_hook.load();
}

void fatalError(const std::string& text)
{
    std::string line = stripColorCodesCopy(text);
    if (line.empty() || line.back() != '\n') {
        line.push_back('\n');
    }
    for (;;) {
        bool expected = false;
        if (g_inFatalError.compare_exchange_strong(expected, true)) {
            break;
        }
        if (g_fatalThread.load() == std::this_thread::get_id()) {
            // Reached again from inside the hook or the logging: just leave.
            std::fputs(line.c_str(), stderr);
            std::_Exit(1);
        }
        // Another thread is ending the process, or handing its error over.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    g_fatalThread.store(std::this_thread::get_id());
    FatalClaim claim;
    if (DebugSystem* debug = DebugSystem::instance()) {
        debug->printFatal(text);
    }
    FatalErrorHook hook = g_hook.load();
    if (hook) {
        // The hook reports the error (the "Critical Error" line or box).
        hook(text);
    } else {
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
    }
    // Every stream flushed (the log among them), then out without the
    // exit handlers: other threads (the loader, the renderer's) may still be
    // running, and libraries' static destructors would pull their state from
    // under them.
    std::fflush(nullptr);
    std::_Exit(1);
}

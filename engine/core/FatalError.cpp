#include "engine/core/FatalError.h"

#include "engine/core/ColorCodes.h"
#include "engine/core/DebugSystem.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {
std::atomic<FatalErrorHook> g_hook{nullptr};
std::atomic<bool> g_inFatalError{false};
std::atomic<std::thread::id> g_fatalThread{};
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
    if (g_inFatalError.exchange(true)) {
        std::fputs(line.c_str(), stderr);
        if (g_fatalThread.load() == std::this_thread::get_id()) {
            // Reached again from inside the hook or the logging: just leave.
            std::_Exit(1);
        }
        // Another thread is already ending the process; let it finish.
        for (;;) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    }
    g_fatalThread.store(std::this_thread::get_id());
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    if (DebugSystem* debug = DebugSystem::instance()) {
        debug->print(3, text);
        debug->closeLog();
    }
    if (FatalErrorHook hook = g_hook.load()) {
        hook(text);
    }
    std::exit(1);
}

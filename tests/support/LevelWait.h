#pragma once

#include "engine/app/AppHooks.h"

#include <chrono>
#include <thread>

// Levels are built on the loader thread. A test waits for what it asked for
// by the clock, not by a count of tries, which a slow machine can use up.
template <typename Done>
bool waitForLevels(AppHooks& hooks, Done done, std::chrono::seconds limit = std::chrono::seconds(120))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        hooks.finishLevels();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

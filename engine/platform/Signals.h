#pragma once

#include <atomic>

// SIGINT and SIGTERM clear the given running flag, so the main loop ends and
// the normal save and shut-down path runs. Passing null restores the default
// handlers.
void installTerminationSignals(std::atomic<bool>* running);
// The signal that last cleared the flag, 0 when none.
int lastTerminationSignal();

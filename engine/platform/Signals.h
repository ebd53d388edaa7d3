#pragma once

#include <atomic>

// SIGINT, SIGTERM and SIGHUP clear the given running flag, so the main loop
// ends and the normal save and shut-down path runs; SIGPIPE is ignored (a
// write to a closed pipe fails instead). Passing null restores the default
// handlers.
void installTerminationSignals(std::atomic<bool>* running);
// The signal that last cleared the flag, 0 when none.
int lastTerminationSignal();

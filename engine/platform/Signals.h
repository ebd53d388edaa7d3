#pragma once

#include <atomic>

// SIGINT, SIGTERM and SIGHUP clear the given running flag, so the main loop
// ends and the normal save and shut-down path runs; SIGPIPE is ignored (a
// write to a closed pipe fails instead). Passing null restores the default
// handlers.
void installTerminationSignals(std::atomic<bool>* running);
// The signal that last cleared the flag, 0 when none.
int lastTerminationSignal();
// While set (exitCode >= 0), those signals end the process at once with
// exitCode instead: a program already ending, blocked in a box that waits
// for a click, has no main loop left to see the flag. A child process
// forked meanwhile ends with the process. -1 clears it.
void setTerminationExitCode(int exitCode);

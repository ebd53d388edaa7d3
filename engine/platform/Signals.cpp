#include "engine/platform/Signals.h"

#include <csignal>

namespace {
std::atomic<bool>* g_running = nullptr;
volatile std::sig_atomic_t g_lastSignal = 0;

extern "C" void onTerminationSignal(int sig)
{
    g_lastSignal = sig;
    if (std::atomic<bool>* running = g_running) {
        running->store(false);
    }
}
} // namespace

static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler stores into the running flag");

void installTerminationSignals(std::atomic<bool>* running)
{
    g_running = running;
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    sa.sa_handler = running ? onTerminationSignal : SIG_DFL;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // The terminal closing ends the program like SIGTERM, with its save.
    sigaction(SIGHUP, &sa, nullptr);
    // A reader of standard output that goes away must not kill the program:
    // the write fails quietly and the log goes on.
    struct sigaction pipe {};
    sigemptyset(&pipe.sa_mask);
    pipe.sa_handler = running ? SIG_IGN : SIG_DFL;
    sigaction(SIGPIPE, &pipe, nullptr);
}

int lastTerminationSignal()
{
    return g_lastSignal;
}

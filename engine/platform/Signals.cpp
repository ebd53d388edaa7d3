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
}

int lastTerminationSignal()
{
    return g_lastSignal;
}

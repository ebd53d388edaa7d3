#include "engine/platform/Signals.h"

#include <csignal>
#include <mutex>
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
std::atomic<bool>* g_running = nullptr;
volatile std::sig_atomic_t g_lastSignal = 0;
volatile std::sig_atomic_t g_exitCode = -1;

extern "C" void onTerminationSignal(int sig)
{
    g_lastSignal = sig;
    if (const int code = g_exitCode; code >= 0) {
        _exit(code);
    }
    if (std::atomic<bool>* running = g_running) {
        running->store(false);
    }
}

pid_t g_forkingProcess = 0;

extern "C" void beforeFork()
{
    g_forkingProcess = getpid();
}

// A child made while the process waits to end (SDL shows its message box
// from a process of its own) must not outlive it: the box would stay up
// over a program that is gone.
extern "C" void inForkedChild()
{
    if (g_exitCode >= 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != g_forkingProcess) {
            _exit(g_exitCode);
        }
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

void setTerminationExitCode(int exitCode)
{
    static std::once_flag forks;
    std::call_once(forks, [] { pthread_atfork(beforeFork, nullptr, inForkedChild); });
    g_exitCode = exitCode;
}

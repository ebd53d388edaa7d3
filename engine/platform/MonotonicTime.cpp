#include "engine/platform/MonotonicTime.h"

#include "engine/core/Clock.h"

#include <thread>

// The engine clock already reads the monotonic time and sleeps; these are its
// plain-function faces for the platform layer.
uint64_t monotonicNanoseconds()
{
    return static_cast<uint64_t>(Clock::monotonicNanoseconds());
}

double monotonicMilliseconds()
{
    return static_cast<double>(monotonicNanoseconds()) / 1e6;
}

void sleepMilliseconds(int ms)
{
    Clock::sleepMs(ms);
}

void yieldThread()
{
    std::this_thread::yield();
}

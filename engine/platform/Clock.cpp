#include "engine/platform/Clock.h"

#include <chrono>
#include <thread>
#include <time.h>

uint64_t monotonicNanoseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

double monotonicMilliseconds()
{
    return static_cast<double>(monotonicNanoseconds()) / 1e6;
}

void sleepMilliseconds(int ms)
{
    if (ms <= 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void yieldThread()
{
    std::this_thread::yield();
}

#pragma once

#include <cstdint>

// Monotonic time and sleeps. The clock never wraps and never goes back.
uint64_t monotonicNanoseconds();
double monotonicMilliseconds();
void sleepMilliseconds(int ms);
// A zero-length sleep: gives the processor to other threads.
void yieldThread();

#pragma once

// Shared by the fuzz targets that check what they read.
#include <cstdio>
#include <cstdlib>

// Stops the run with the failed condition and where it stands, so the fuzzer
// keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

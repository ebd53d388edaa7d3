#include "engine/platform/HeapPolicy.h"

// Any C library header defines __GLIBC__; the test below must come after
// one, or it sees no glibc wherever this file opens its unity group.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

bool keepHeapMemory()
{
#if defined(__GLIBC__)
    constexpr int kMiB = 1 << 20;
    // A fixed mapping threshold also stops glibc moving the trim threshold.
    const bool mapping = mallopt(M_MMAP_THRESHOLD, 32 * kMiB) == 1;
    const bool trim = mallopt(M_TRIM_THRESHOLD, 256 * kMiB) == 1;
    const bool pad = mallopt(M_TOP_PAD, 64 * kMiB) == 1;
    return mapping && trim && pad;
#else
    return false;
#endif
}

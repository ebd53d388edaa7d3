#include "engine/platform/HeapPolicy.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void keepHeapMemory()
{
#if defined(__GLIBC__)
    constexpr int kMiB = 1 << 20;
    // A fixed mapping threshold also stops glibc moving the trim threshold.
    mallopt(M_MMAP_THRESHOLD, 32 * kMiB);
    mallopt(M_TRIM_THRESHOLD, 256 * kMiB);
    mallopt(M_TOP_PAD, 64 * kMiB);
#endif
}

#pragma once

#include "engine/core/Singleton.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

// Allocation categories; Total sums the other four.
enum class MemCategory : int { Total = 0, General = 1, Sound = 2, Graphics = 3, Music = 4 };

constexpr int kMemCategoryCount = 5;

// Raw counted allocation; never null: running out of memory is a fatal error
// naming the size and the category. Total is not an allocation category; it
// is counted as General.
[[gnu::returns_nonnull]] void* memAlloc(size_t size, MemCategory category);
// Frees a block from memAlloc; null is ignored.
void memFree(void* block);

struct MemCategoryStats {
    int64_t currentBytes = 0; // allocated now
    int64_t peakBytes = 0;    // highest currentBytes seen
    int64_t liveBlocks = 0;   // blocks allocated now
    uint64_t allocations = 0; // allocations made so far
};

// Counters of every allocation made through memAlloc and the counted classes.
// The counters are process-wide and thread-safe (the loader thread allocates
// too), so they also work before the system object exists; the object owns the
// report and the shut-down statistics.
class MemorySystem : public Singleton<MemorySystem> {
public:
    MemorySystem() = default;

    static const char* categoryName(MemCategory category);
    static MemCategoryStats getStats(MemCategory category);

    // Total byte count above which the over-threshold flag is raised; 0 none.
    static void setThreshold(uint64_t bytes);
    static uint64_t getThreshold();
    static bool isOverThreshold();

    // Current, peak and allocation count of every category and "Total".
    static std::string buildReport();
    // The `printmem` command: the report on the console.
    static void printReport();
    // Shut-down statistics, to the log.
    static void logStatistics();
};

// Base that counts a class's objects (and everything derived from it) in a
// category through class-level new and delete. Out of memory is fatal here,
// since constructors' callers do not check for null. Blocks are 16-byte
// aligned; over-aligned classes must not derive from it.
template <MemCategory C> class MemoryCounted {
public:
    static void* operator new(size_t size) { return checkedAlloc(size); }
    static void* operator new[](size_t size) { return checkedAlloc(size); }
    static void operator delete(void* block) noexcept { memFree(block); }
    static void operator delete[](void* block) noexcept { memFree(block); }
    // Placement new stays usable (the class-level forms above hide it).
    static void* operator new(size_t, void* place) noexcept { return place; }
    static void operator delete(void*, void*) noexcept {}

private:
    static void* checkedAlloc(size_t size);
};

[[noreturn]] void memOutOfMemory(size_t size, MemCategory category);

template <MemCategory C> void* MemoryCounted<C>::checkedAlloc(size_t size)
{
    return memAlloc(size, C);
}

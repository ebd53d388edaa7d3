#include "engine/core/MemorySystem.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/FatalError.h"
#include "engine/core/StringUtil.h"

#include <atomic>
#include <cstdlib>

namespace {

const char* const kCategoryNames[kMemCategoryCount] = {"Total", "General", "Sound", "Graphics", "Music"};

constexpr uint32_t kBlockMagic = 0x4D454D42; // "MEMB"
constexpr uint32_t kFreedMagic = 0x46524545; // "FREE"

// Sits in front of every block; 16 bytes keep the block aligned like malloc's.
struct alignas(16) BlockHeader {
    uint64_t size;
    uint32_t category;
    uint32_t magic;
};
static_assert(sizeof(BlockHeader) == 16);

struct Counters {
    std::atomic<int64_t> current{0};
    std::atomic<int64_t> peak{0};
    std::atomic<int64_t> live{0};
    std::atomic<uint64_t> allocations{0};
};

Counters g_counters[kMemCategoryCount];
std::atomic<uint64_t> g_threshold{0};
std::atomic<bool> g_overThreshold{false};

void raisePeak(Counters& c, int64_t value)
{
    int64_t peak = c.peak.load(std::memory_order_relaxed);
    while (value > peak && !c.peak.compare_exchange_weak(peak, value, std::memory_order_relaxed)) {
    }
}

void updateThresholdFlag(int64_t total)
{
    uint64_t threshold = g_threshold.load(std::memory_order_relaxed);
    g_overThreshold.store(threshold != 0 && total > 0 && static_cast<uint64_t>(total) > threshold,
                          std::memory_order_relaxed);
}

void count(int category, int64_t bytes, bool allocated)
{
    for (int index : {category, 0}) {
        Counters& c = g_counters[index];
        int64_t now = c.current.fetch_add(allocated ? bytes : -bytes, std::memory_order_relaxed) +
                      (allocated ? bytes : -bytes);
        c.live.fetch_add(allocated ? 1 : -1, std::memory_order_relaxed);
        if (allocated) {
            c.allocations.fetch_add(1, std::memory_order_relaxed);
            raisePeak(c, now);
        }
        if (index == 0) {
            updateThresholdFlag(now);
        }
    }
}

int categoryIndex(MemCategory category)
{
    int index = static_cast<int>(category);
    return (index <= 0 || index >= kMemCategoryCount) ? static_cast<int>(MemCategory::General) : index;
}

} // namespace

void* memAlloc(size_t size, MemCategory category)
{
    int index = categoryIndex(category);
    // Running out is fatal here, so that no caller has to check.
    if (size > SIZE_MAX - sizeof(BlockHeader)) {
        memOutOfMemory(size, static_cast<MemCategory>(index));
    }
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!header) {
        memOutOfMemory(size, static_cast<MemCategory>(index));
    }
    header->size = size;
    header->category = static_cast<uint32_t>(index);
    header->magic = kBlockMagic;
    count(index, static_cast<int64_t>(size), true);
    return header + 1;
}

void memFree(void* block)
{
    if (!block) {
        return;
    }
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    if (header->magic != kBlockMagic || header->category == 0 || header->category >= kMemCategoryCount) {
        // Not ours, or freed twice: leaking is safer than handing it to free().
        debugPrint(3, "memFree: invalid block %p\n", block);
        return;
    }
    header->magic = kFreedMagic;
    count(static_cast<int>(header->category), static_cast<int64_t>(header->size), false);
    std::free(header);
}

void memOutOfMemory(size_t size, MemCategory category)
{
    fatalError(
        formatString("Out of memory allocating %zu bytes (%s)", size, MemorySystem::categoryName(category)));
}

const char* MemorySystem::categoryName(MemCategory category)
{
    int index = static_cast<int>(category);
    return (index >= 0 && index < kMemCategoryCount) ? kCategoryNames[index] : "Unknown";
}

MemCategoryStats MemorySystem::getStats(MemCategory category)
{
    MemCategoryStats stats;
    int index = static_cast<int>(category);
    if (index < 0 || index >= kMemCategoryCount) {
        return stats;
    }
    const Counters& c = g_counters[index];
    stats.currentBytes = c.current.load(std::memory_order_relaxed);
    stats.peakBytes = c.peak.load(std::memory_order_relaxed);
    stats.liveBlocks = c.live.load(std::memory_order_relaxed);
    stats.allocations = c.allocations.load(std::memory_order_relaxed);
    return stats;
}

void MemorySystem::setThreshold(uint64_t bytes)
{
    g_threshold.store(bytes, std::memory_order_relaxed);
    updateThresholdFlag(g_counters[0].current.load(std::memory_order_relaxed));
}

uint64_t MemorySystem::getThreshold()
{
    return g_threshold.load(std::memory_order_relaxed);
}

bool MemorySystem::isOverThreshold()
{
    return g_overThreshold.load(std::memory_order_relaxed);
}

std::string MemorySystem::buildReport()
{
    std::string text = "Memory:    current bytes       peak bytes  live blocks  allocations\n";
    // Categories first, the sum last.
    for (int i : {1, 2, 3, 4, 0}) {
        MemCategoryStats s = getStats(static_cast<MemCategory>(i));
        appendFormat(text, "%-8s %15lld %16lld %12lld %12llu\n", kCategoryNames[i],
                     static_cast<long long>(s.currentBytes), static_cast<long long>(s.peakBytes),
                     static_cast<long long>(s.liveBlocks), static_cast<unsigned long long>(s.allocations));
    }
    uint64_t threshold = getThreshold();
    if (threshold != 0) {
        appendFormat(text, "Threshold %llu bytes%s\n", static_cast<unsigned long long>(threshold),
                     isOverThreshold() ? " (exceeded)" : "");
    }
    return text;
}

void MemorySystem::printReport()
{
    debugPrintRaw("%s", buildReport().c_str());
}

void MemorySystem::logStatistics()
{
    debugPrintRaw("%s", buildReport().c_str());
}

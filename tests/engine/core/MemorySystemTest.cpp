#include "engine/core/MemorySystem.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <vector>

namespace {

struct Counted : MemoryCounted<MemCategory::General> {
    char payload[100];
};

struct CountedChild : Counted {
    double more[10];
};

// The numbers on a category's line of the report.
std::vector<long long> reportNumbers(const std::string& report, const std::string& category)
{
    std::istringstream in(report);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(category + " ", 0) == 0) {
            std::istringstream fields(line.substr(category.size()));
            std::vector<long long> numbers;
            long long n;
            while (fields >> n) {
                numbers.push_back(n);
            }
            return numbers;
        }
    }
    return {};
}

} // namespace

TEST(MemorySystem, AllocAndFreeCountPerCategoryAndTotal)
{
    MemCategoryStats music0 = MemorySystem::getStats(MemCategory::Music);
    MemCategoryStats total0 = MemorySystem::getStats(MemCategory::Total);
    MemCategoryStats sound0 = MemorySystem::getStats(MemCategory::Sound);

    void* a = memAlloc(1000, MemCategory::Music);
    void* b = memAlloc(24, MemCategory::Music);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 16, 0u);
    std::memset(a, 0xAB, 1000); // the whole block is usable

    MemCategoryStats music = MemorySystem::getStats(MemCategory::Music);
    EXPECT_EQ(music.currentBytes - music0.currentBytes, 1024);
    EXPECT_EQ(music.liveBlocks - music0.liveBlocks, 2);
    EXPECT_EQ(music.allocations - music0.allocations, 2u);
    EXPECT_GE(music.peakBytes, music.currentBytes);
    MemCategoryStats total = MemorySystem::getStats(MemCategory::Total);
    EXPECT_EQ(total.currentBytes - total0.currentBytes, 1024);
    EXPECT_EQ(total.allocations - total0.allocations, 2u);
    // Other categories are untouched.
    EXPECT_EQ(MemorySystem::getStats(MemCategory::Sound).currentBytes, sound0.currentBytes);

    memFree(a);
    memFree(b);
    memFree(nullptr);
    music = MemorySystem::getStats(MemCategory::Music);
    EXPECT_EQ(music.currentBytes, music0.currentBytes);
    EXPECT_EQ(music.liveBlocks, music0.liveBlocks);
    EXPECT_EQ(music.allocations - music0.allocations, 2u);  // a running count
    EXPECT_GE(music.peakBytes, music0.currentBytes + 1024); // the peak stays
    EXPECT_EQ(MemorySystem::getStats(MemCategory::Total).currentBytes, total0.currentBytes);
}

TEST(MemorySystem, TotalIsNoAllocationCategoryAndZeroSizeWorks)
{
    MemCategoryStats general0 = MemorySystem::getStats(MemCategory::General);
    void* p = memAlloc(40, MemCategory::Total);
    void* z = memAlloc(0, MemCategory::Graphics);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(MemorySystem::getStats(MemCategory::General).currentBytes - general0.currentBytes, 40);
    memFree(p);
    memFree(z);
    EXPECT_EQ(MemorySystem::getStats(MemCategory::General).currentBytes, general0.currentBytes);
}

TEST(MemorySystemDeathTest, ImpossibleRawSizeIsFatalWithSizeAndCategory)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Raw callers (sound buffers, textures) never see null.
    EXPECT_EXIT(memAlloc(SIZE_MAX, MemCategory::Graphics), ::testing::ExitedWithCode(1),
                "Out of memory allocating 18446744073709551615 bytes \\(Graphics\\)");
    EXPECT_EXIT(memAlloc(SIZE_MAX - 8, MemCategory::Total), ::testing::ExitedWithCode(1),
                "Out of memory allocating 18446744073709551607 bytes \\(General\\)");
}

TEST(MemorySystem, ThresholdFlagFollowsTheTotal)
{
    int64_t base = MemorySystem::getStats(MemCategory::Total).currentBytes;
    MemorySystem::setThreshold(static_cast<uint64_t>(base) + 1000);
    EXPECT_FALSE(MemorySystem::isOverThreshold());
    void* a = memAlloc(1000, MemCategory::Sound); // exactly at the threshold: not above it
    EXPECT_FALSE(MemorySystem::isOverThreshold());
    void* b = memAlloc(1, MemCategory::Graphics);
    EXPECT_TRUE(MemorySystem::isOverThreshold());
    memFree(b);
    EXPECT_FALSE(MemorySystem::isOverThreshold());
    void* c = memAlloc(5000, MemCategory::Music);
    EXPECT_TRUE(MemorySystem::isOverThreshold());
    // Lowering or clearing the threshold re-evaluates at once.
    MemorySystem::setThreshold(0);
    EXPECT_FALSE(MemorySystem::isOverThreshold());
    MemorySystem::setThreshold(1);
    EXPECT_TRUE(MemorySystem::isOverThreshold());
    MemorySystem::setThreshold(0);
    memFree(a);
    memFree(c);
    EXPECT_FALSE(MemorySystem::isOverThreshold());
    EXPECT_EQ(MemorySystem::getThreshold(), 0u);
}

TEST(MemorySystem, CountedClassesUseGeneral)
{
    MemCategoryStats general0 = MemorySystem::getStats(MemCategory::General);
    Counted* one = new Counted;
    Counted* child = new CountedChild; // the derived size is counted
    Counted* many = new Counted[3];
    MemCategoryStats general = MemorySystem::getStats(MemCategory::General);
    EXPECT_EQ(general.liveBlocks - general0.liveBlocks, 3);
    EXPECT_GE(general.currentBytes - general0.currentBytes,
              static_cast<int64_t>(sizeof(Counted) * 4 + sizeof(CountedChild)));
    delete one;
    delete static_cast<CountedChild*>(child);
    delete[] many;
    general = MemorySystem::getStats(MemCategory::General);
    EXPECT_EQ(general.currentBytes, general0.currentBytes);
    EXPECT_EQ(general.liveBlocks, general0.liveBlocks);

    // Placement new into storage of one's own is not counted.
    alignas(Counted) unsigned char storage[sizeof(Counted)];
    Counted* placed = new (storage) Counted;
    placed->~Counted();
    EXPECT_EQ(MemorySystem::getStats(MemCategory::General).liveBlocks, general0.liveBlocks);
}

TEST(MemorySystem, CountersStayExactAcrossThreads)
{
    MemCategoryStats total0 = MemorySystem::getStats(MemCategory::Total);
    MemCategoryStats sound0 = MemorySystem::getStats(MemCategory::Sound);
    constexpr int kThreads = 4;
    constexpr int kRounds = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            std::vector<void*> held;
            for (int i = 0; i < kRounds; ++i) {
                auto category = static_cast<MemCategory>(1 + (i + t) % 4);
                held.push_back(memAlloc(static_cast<size_t>(16 + i % 64), category));
                if (held.size() > 8) {
                    memFree(held.front());
                    held.erase(held.begin());
                }
            }
            for (void* p : held) {
                memFree(p);
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    MemCategoryStats total = MemorySystem::getStats(MemCategory::Total);
    EXPECT_EQ(total.currentBytes, total0.currentBytes);
    EXPECT_EQ(total.liveBlocks, total0.liveBlocks);
    EXPECT_EQ(total.allocations - total0.allocations, static_cast<uint64_t>(kThreads * kRounds));
    EXPECT_EQ(MemorySystem::getStats(MemCategory::Sound).allocations - sound0.allocations,
              static_cast<uint64_t>(kThreads * kRounds / 4));
    EXPECT_GT(total.peakBytes, total0.currentBytes);
}

TEST(MemorySystem, ReportListsEveryCategoryAndIsPrinted)
{
    void* block = memAlloc(4096, MemCategory::Graphics);
    MemCategoryStats graphics = MemorySystem::getStats(MemCategory::Graphics);
    std::string report = MemorySystem::buildReport();
    for (const char* name : {"General", "Sound", "Graphics", "Music", "Total"}) {
        EXPECT_EQ(reportNumbers(report, name).size(), 4u) << name << "\n" << report;
    }
    std::vector<long long> numbers = reportNumbers(report, "Graphics");
    ASSERT_EQ(numbers.size(), 4u);
    EXPECT_EQ(numbers[0], graphics.currentBytes);
    EXPECT_EQ(numbers[1], graphics.peakBytes);
    EXPECT_EQ(numbers[2], graphics.liveBlocks);
    EXPECT_EQ(numbers[3], static_cast<long long>(graphics.allocations));
    MemorySystem::setThreshold(1);
    EXPECT_NE(MemorySystem::buildReport().find("(exceeded)"), std::string::npos);
    MemorySystem::setThreshold(0);
    memFree(block);

    LogCapture capture;
    MemorySystem memory;
    memory.printReport();
    MemorySystem::logStatistics();
    EXPECT_EQ(capture.count(0), 2u);
    EXPECT_TRUE(capture.contains("Graphics"));
}

TEST(MemorySystemDeathTest, OutOfMemoryForObjectsIsFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(memOutOfMemory(123456, MemCategory::General), ::testing::ExitedWithCode(1),
                "Out of memory allocating 123456 bytes \\(General\\)");
}

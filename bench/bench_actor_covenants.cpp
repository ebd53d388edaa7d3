// Computer-run covenants: eight covenants of the shipped personalities at
// level 10 whose review timers run out in the same step, offers sent and
// answered among them (budget 2 ms for that step); and writing and reading
// back their eight save sections (budget 1 ms). Each budget is held against
// this thread's CPU time (mean), since on a loaded machine the wall time
// also counts the waits to run; the wall figures are printed beside it.
// Exits 1 over a budget.
#include "bench/BenchFightWorld.h"
#include "bench/BenchSupport.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/entities/Actor.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/FightingServices.h"
#include "game/world/SpawnSystem.h"
#include "tests/support/FlatNavigation.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <numeric>
#include <vector>

#include <time.h>

namespace {

constexpr int kCovenants = 8;
const char* const kNames[4] = {"Ironbound", "GildedScale", "Thornveil", "Emberwatch"};

struct World : BenchFightWorld {
    World() : BenchFightWorld("gloam-bench-actor-covenants")
    {
        for (int i = 0; i < kCovenants; ++i) {
            auto covenant = std::make_unique<ActorCovenant>();
            covenant->setDefinitionByName(kNames[i % 4]);
            covenants[static_cast<size_t>(i)] = covenant.get();
            game->addCovenant(std::move(covenant));
        }
        for (int i = 0; i < kCovenants; ++i)
            covenants[static_cast<size_t>(i)]->initNew(field.tileCentre(0, 12 + 14 * i, 20 + 40 * (i % 2)),
                                                       10, 1);
        for (ActorCovenant* c : covenants)
            c->initRelations();
    }
    std::array<ActorCovenant*, kCovenants> covenants{};
};

constexpr double kReviewBudgetMs = 2.0;
constexpr double kSectionsBudgetMs = 1.0;

// This thread's CPU time: on a loaded machine the wall time also counts the
// time the thread waited to run.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1.0e6;
}

// One measured region's times (ms) over the iterations.
struct Figures {
    std::vector<double> cpu;
    std::vector<double> wall;
    static double mean(const std::vector<double>& v)
    {
        return v.empty() ? 0.0 : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
    }
    static double worst(const std::vector<double>& v)
    {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    }
};
Figures g_reviews;
Figures g_sections;

void BM_ReviewsOfEightCovenantsInOneStep(benchmark::State& state)
{
    World world;
    std::vector<double> ms;
    g_reviews = {};
    for (auto _ : state) {
        for (ActorCovenant* c : world.covenants) {
            c->relationChangeTimer.start(0.0f);
            c->timers.update(0.05f);
        }
        const double cpuStart = threadCpuMs();
        auto start = std::chrono::steady_clock::now();
        for (ActorCovenant* c : world.covenants) {
            c->updatePendingOffers(0.05f);
            c->diplomacyStep();
        }
        auto end = std::chrono::steady_clock::now();
        g_reviews.cpu.push_back(threadCpuMs() - cpuStart);
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    g_reviews.wall = ms;
    setStepTimeCounters(state, ms);
}

void BM_WriteAndReadEightSections(benchmark::State& state)
{
    World world;
    std::vector<double> ms;
    std::vector<double> cpu;
    g_sections = {};
    for (auto _ : state) {
        const double cpuStart = threadCpuMs();
        auto start = std::chrono::steady_clock::now();
        std::vector<std::unique_ptr<ActorCovenant>> copies;
        for (ActorCovenant* c : world.covenants) {
            ByteBuffer out;
            c->write(out);
            ByteBuffer in(out.bytes());
            auto copy = std::make_unique<ActorCovenant>();
            copy->index = c->index;
            benchmark::DoNotOptimize(copy->read(in, ActorCovenant::kSaveVersion));
            copies.push_back(std::move(copy));
        }
        auto end = std::chrono::steady_clock::now();
        cpu.push_back(threadCpuMs() - cpuStart);
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        state.PauseTiming();
        // The copies' stones, pedestals and members leave the table again.
        for (const auto& copy : copies) {
            for (int i = 0; i < copy->getRecruitSlotCount(); ++i) {
                if (Actor* actor = copy->getRecruitActor(i))
                    world.game->deleteEntity(actor, true);
            }
            for (int i = 0; i < Covenant::kRelicSlots; ++i) {
                if (Entity* pedestal = copy->getPedestal(i))
                    world.game->deleteEntity(pedestal, true);
            }
            if (Entity* stone = copy->getLifestone())
                world.game->deleteEntity(stone, true);
        }
        copies.clear();
        // A second passes between loads, as in play: the freed entity slots
        // are free again (a slot freed this instant is skipped).
        GameTime clock = world.game->getClock();
        clock.addSeconds(1.0);
        world.game->setClock(clock);
        state.ResumeTiming();
    }
    g_sections.cpu = cpu;
    g_sections.wall = ms;
    setStepTimeCounters(state, ms);
    std::sort(cpu.begin(), cpu.end());
    state.counters["cpu_median_ms"] = cpu[cpu.size() / 2];
}

void BM_WriteEightSections(benchmark::State& state)
{
    World world;
    for (auto _ : state) {
        for (ActorCovenant* c : world.covenants) {
            ByteBuffer out;
            c->write(out);
            benchmark::DoNotOptimize(out.size());
        }
    }
}

BENCHMARK(BM_WriteEightSections)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_ReviewsOfEightCovenantsInOneStep)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_WriteAndReadEightSections)->Unit(benchmark::kMillisecond)->Iterations(200);

bool report(const char* what, const Figures& f, double budget)
{
    const double cpuMean = Figures::mean(f.cpu);
    const bool ok = !f.cpu.empty() && cpuMean < budget;
    std::printf("%-36s CPU mean %.3f ms, worst %.3f ms; wall mean %.3f ms, worst %.3f ms (budget %g ms)%s\n",
                what, cpuMean, Figures::worst(f.cpu), Figures::mean(f.wall), Figures::worst(f.wall), budget,
                ok ? "" : "  OVER BUDGET");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bool ok = true;
    if (!g_reviews.cpu.empty())
        ok = report("eight reviews in one step", g_reviews, kReviewBudgetMs) && ok;
    if (!g_sections.cpu.empty())
        ok = report("eight sections written and read", g_sections, kSectionsBudgetMs) && ok;
    return budgetExitCode(ok);
}

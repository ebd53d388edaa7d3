// The local player's questions about the mirrors, on one core:
//   - Client::updateHoverEntity over 1,000 mirrors of shipped entries with
//     their own mouse actions: at most 0.25 ms, the budget of the pick;
//   - the short hover texts of 300 of them (the interface's labels of items
//     on the ground, every frame): at most 1 ms.
// The process exits with 1 when a mean of processor time is above its budget
// (on a loaded machine the wall time also counts the waits for a core).
#include "bench/BenchClient.h"
#include "bench/BenchSupport.h"
#include "client/StateMessage.h"
#include "client/player/PlayerClient.h"
#include "engine/data/DatabaseEntry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace CMB = ClientMessageBytes;

namespace {

constexpr double kHoverBudgetMs = 0.25;
constexpr double kTooltipBudgetMs = 1.0;

struct PlayBench : BenchClient {
    PlayBench() : BenchClient("gloam-bench-play", true)
    {
        client.startGame(false);
        fill();
    }

    // A 40 × 25 field two tiles apart around the camera: monsters, people,
    // vendors, items, money and chests in turn.
    void fill()
    {
        static const char* const kEntries[] = {"GoblinWarrior", "NpcWarmaster", "NpcVendorWeapon",
                                               "ShortSword",    "Money",        "ChestWooden"};
        for (int number = 0; number < GameClient::kEntityCount; ++number) {
            EntityUpdateRecord r;
            r.number = static_cast<uint32_t>(number);
            const char* name = kEntries[number % 6];
            r.entryId = static_cast<uint32_t>(database.findEntry(name)->getId());
            r.position = ZonePosition(0, 600.0f + 32.0f * (number % 40), 600.0f + 32.0f * (number / 40));
            r.health = 100;
            r.maxHealth = 100;
            r.solid = 1;
            r.covenant = number % 5 == 0 ? 1 : -1;
            EntityTypeSection& s = r.typeSection;
            switch (number % 6) {
            case 3:
                s.kind = EntityTypeSection::Kind::Item;
                break;
            case 4:
                s.kind = EntityTypeSection::Kind::Money;
                s.value = 250;
                break;
            case 5:
                s.kind = EntityTypeSection::Kind::Chest;
                s.value = 1;
                break;
            default:
                s.kind = EntityTypeSection::Kind::Sentient;
                s.equipped.fill(-1);
                s.interaction = 1;
                s.quests = {1, 2};
                break;
            }
            GameClient::get().readEntityUpdate(r);
        }
    }
};

PlayBench& bench()
{
    static PlayBench* b = new PlayBench();
    return *b;
}

void BM_HoverOverThousandMirrors(benchmark::State& state)
{
    PlayBench& b = bench();
    int x = 0;
    for (auto _ : state) {
        b.input->setMousePosition(320 + x, 240);
        b.client.updateHoverEntity();
        benchmark::DoNotOptimize(b.client.getHoverEntity());
        x = x > 300 ? -300 : x + 7;
    }
}
BENCHMARK(BM_HoverOverThousandMirrors)->Unit(benchmark::kMicrosecond);

void BM_TooltipsOfThreeHundredMirrors(benchmark::State& state)
{
    bench();
    GameClient& game = GameClient::get();
    std::string text;
    size_t total = 0;
    for (auto _ : state) {
        for (int number = 0; number < 300; ++number) {
            game.getEntity(number)->getTooltipText(text, true, true, true);
            total += text.size();
        }
    }
    benchmark::DoNotOptimize(total);
}
BENCHMARK(BM_TooltipsOfThreeHundredMirrors)->Unit(benchmark::kMicrosecond);

class BudgetReporter : public BenchConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) {
                continue;
            }
            double ms = run.cpu_accumulated_time * 1000.0 / static_cast<double>(run.iterations);
            double budget = run.run_name.function_name == "BM_HoverOverThousandMirrors" ? kHoverBudgetMs
                                                                                        : kTooltipBudgetMs;
            std::printf("%s: %.4f ms (budget %.2f ms)\n", run.run_name.function_name.c_str(), ms, budget);
            if (ms > budget) {
                overBudget = true;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    bool overBudget = false;
};

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    BudgetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return budgetExitCode(!reporter.overBudget);
}

// Loading one shipped damage-over-time effect through setEntry, as the combat
// code does for every hit that leaves one; must stay within 50 µs a load.
#include "bench/BenchSupport.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "game/skills/StatusEffectBase.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr double kBudgetSeconds = 50e-6;
double g_secondsPerLoad = 0.0;

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void loadDamageOverTime(benchmark::State& state)
{
    const DatabaseEntry* fire = Database::get().findEntry("StatusEffectBasicFire");
    if (!fire) {
        state.SkipWithError("StatusEffectBasicFire not found");
        return;
    }
    int level = 1;
    for (auto _ : state) {
        StatusEffectBase effect;
        effect.setEntry(fire, level, nullptr);
        benchmark::DoNotOptimize(effect.healthChange);
        level = level % 20 + 1;
    }
}
BENCHMARK(loadDamageOverTime);

class BudgetReporter : public BenchConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                g_secondsPerLoad = run.real_accumulated_time / static_cast<double>(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    DebugSystem debug;
    Database database;
    database.addSubDatabase("Effect", "effects.dbl",
                            readFile(GLOAM_TESTDATA_DIR "/../data/Database/effects.dbl"));
    database.resolveBases();
    initBenchmarks(argc, argv);
    BudgetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("effect load: %.2f us (budget %.0f us): %s\n", g_secondsPerLoad * 1e6, kBudgetSeconds * 1e6,
                g_secondsPerLoad <= kBudgetSeconds ? "within budget" : "OVER BUDGET");
    return budgetExitCode(g_secondsPerLoad <= kBudgetSeconds);
}

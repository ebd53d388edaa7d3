// Loading a generated 10,000-entry database (entries per second) beside
// TextReader tokenising the same text alone. The ratio, timed in interleaved
// pairs, has a budget of 2x.
#include "bench/BenchSupport.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/Database.h"

#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr int kEntries = 10000;

const std::string& databaseText()
{
    static const std::string text = [] {
        std::string t;
        t.reserve(kEntries * 200);
        for (int i = 0; i < kEntries; ++i) {
            appendFormat(t, "Entry%d\n{\n", i);
            if (i % 10 != 0) {
                appendFormat(t, "    Base Entry%d\n", i - i % 10);
            } else {
                t += "    Type Item\n    BaseOnly 1\n";
            }
            appendFormat(t, "    Damage %d\n    Weight %d.5\n", i % 97, i % 13);
            t += "    Tags Sharp Metal Old\n    Description \"A generated entry\"\n";
            appendFormat(t, "    Price %d // comment\n}\n", i * 3);
        }
        return t;
    }();
    return text;
}

size_t tokenise(const std::string& text)
{
    TextReader reader(text, "bench.dbl");
    std::string token;
    size_t count = 0;
    while (reader.readToken(token, true)) {
        ++count;
    }
    return count;
}

void loadDatabase(const std::string& text)
{
    Database database;
    database.addSubDatabase("Bench", "bench.dbl", text);
    database.resolveBases();
    if (database.getEntryCount() != kEntries) {
        std::fprintf(stderr, "unexpected entry count %d\n", database.getEntryCount());
    }
}

void BM_DatabaseLoad(benchmark::State& state)
{
    const std::string& text = databaseText();
    for (auto _ : state) {
        loadDatabase(text);
    }
    state.counters["entries/s"] =
        benchmark::Counter(static_cast<double>(kEntries) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DatabaseLoad)->Unit(benchmark::kMillisecond);

void BM_TokeniseOnly(benchmark::State& state)
{
    const std::string& text = databaseText();
    for (auto _ : state) {
        benchmark::DoNotOptimize(tokenise(text));
    }
    state.counters["entries/s"] =
        benchmark::Counter(static_cast<double>(kEntries) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TokeniseOnly)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    DebugSystem debug;
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const std::string& text = databaseText();
    const PairedRatio r = compareInPairs(
        "database load", [&] { loadDatabase(text); }, "tokenising alone",
        [&] { benchmark::DoNotOptimize(tokenise(text)); }, 2.0);
    std::printf("%d entries, %zu bytes: load %.0f entries/s, tokenising %.0f entries/s\n", kEntries,
                text.size(), kEntries / r.subjectSeconds, kEntries / r.baselineSeconds);
    return budgetExitCode(r.withinBudget);
}

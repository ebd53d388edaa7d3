// Console lines executed per second for a registered no-op command with three
// typed arguments, beside splitting the same lines alone.
#include "bench/BenchSupport.h"
#include "engine/console/CommandLine.h"
#include "engine/console/CommandSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>

namespace {
std::vector<std::string> makeLines()
{
    std::vector<std::string> lines;
    for (int i = 0; i < 256; ++i) {
        lines.push_back(formatString("noOpCommand %d %.2f \"item %d\"", i * 7, i * 0.5, i));
    }
    return lines;
}

const std::vector<std::string>& lines()
{
    static const std::vector<std::string> l = makeLines();
    return l;
}

void BM_ExecuteLine(benchmark::State& state)
{
    CommandSystem commands;
    long calls = 0;
    commands.registerCommand([&calls](const CommandArgs&) { ++calls; }, "noOpCommand", "Does nothing",
                             "count scale name", "ifs", false, 0);
    size_t i = 0;
    for (auto _ : state) {
        bool ok = commands.execute(lines()[i++ & 255], nullptr, false, false);
        benchmark::DoNotOptimize(ok);
    }
    state.SetItemsProcessed(state.iterations());
    if (calls != static_cast<long>(state.iterations())) {
        state.SkipWithError("not every line ran");
    }
}
BENCHMARK(BM_ExecuteLine);

void BM_SplitLine(benchmark::State& state)
{
    std::vector<std::string> words;
    size_t i = 0;
    for (auto _ : state) {
        size_t n = splitCommandLine(lines()[i++ & 255], words);
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SplitLine);

// Lines per second over a fixed number of lines, for the printed ratio.
template <class F> double linesPerSecond(F&& run)
{
    const int count = benchCount(200000, 5000);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        run(lines()[static_cast<size_t>(i) & 255]);
    }
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return count / took.count();
}
} // namespace

int main(int argc, char** argv)
{
    DebugSystem debug;
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    CommandSystem commands;
    commands.registerCommand([](const CommandArgs&) {}, "noOpCommand", "Does nothing", "count scale name",
                             "ifs", false, 0);
    std::vector<std::string> words;
    double executed =
        linesPerSecond([&](const std::string& l) { commands.execute(l, nullptr, false, false); });
    double split = linesPerSecond([&](const std::string& l) {
        splitCommandLine(l, words);
        benchmark::DoNotOptimize(words.data());
    });
    std::printf("console lines executed: %.0f lines/s; split only: %.0f lines/s; execute/split ratio %.3f\n",
                executed, split, executed / split);
    benchmark::Shutdown();
    return 0;
}

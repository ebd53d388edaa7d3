#pragma once

// Helpers every benchmark program shares. Header-only: every bench_*.cpp is a
// program of its own.
//
// Each program takes --smoke: every measurement runs briefly (CI runs each
// benchmark once so, on a machine busy with other work). A time, size or
// share over its budget is then only printed, as other work moves it; a
// ratio timed in pairs (compareInPairs) meets the load on both sides, and one
// over its budget in the middle half of its pairs fails a smoke run too.
// Without --smoke any figure over its budget exits 1.
#include "engine/platform/HeapPolicy.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

inline bool& smokeRunSwitch()
{
    static bool smoke = false;
    return smoke;
}

inline bool isSmokeRun()
{
    return smokeRunSwitch();
}

// Set by a paired ratio over its budget in the middle half of its pairs.
inline bool& clearlyOverBudget()
{
    static bool over = false;
    return over;
}

// A count for the full run, or the smaller one of the smoke run.
inline int benchCount(int full, int smoke)
{
    return isSmokeRun() ? smoke : full;
}

// For the programs without Google Benchmark: takes --smoke out of the
// arguments; false, with a line, when anything else is left. Like
// initBenchmarks, it first sets the program's heap policy.
inline bool takeBenchArguments(int& argc, char** argv)
{
    keepHeapMemory();
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) {
            smokeRunSwitch() = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    if (argc > 1) {
        std::fprintf(stderr, "%s: unknown argument '%s' (the only one is --smoke)\n", argv[0], argv[1]);
        return false;
    }
    return true;
}

// For the Google Benchmark programs: --smoke taken out, then the library's own
// flags, a smoke run adding a short minimum time per benchmark and a table
// without colours (it goes to a log) unless the caller gave them. Exits 1 on
// an argument neither knows.
inline void initBenchmarks(int& argc, char** argv)
{
    keepHeapMemory();
    std::vector<char*> args{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) {
            smokeRunSwitch() = true;
        } else {
            args.push_back(argv[i]);
        }
    }
    auto given = [&](const char* flag) {
        return std::any_of(args.begin() + 1, args.end(),
                           [&](const char* a) { return std::strncmp(a, flag, std::strlen(flag)) == 0; });
    };
    static char minTime[] = "--benchmark_min_time=0.01";
    static char noColour[] = "--benchmark_color=false";
    if (isSmokeRun() && !given("--benchmark_min_time")) {
        args.push_back(minTime);
    }
    if (isSmokeRun() && !given("--benchmark_color")) {
        args.push_back(noColour);
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        std::exit(1);
    }
}

// main of a program that only prints Google Benchmark's table.
inline int runBenchmarkTable(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// main's exit code once every figure is printed beside its budget: 1 when
// one is over; a smoke run exits 1 only for a paired ratio clearly over.
inline int budgetExitCode(bool withinBudgets)
{
    if (isSmokeRun() && clearlyOverBudget()) {
        std::printf("a paired ratio is over its budget in the middle half of its pairs\n");
        return 1;
    }
    if (withinBudgets) {
        return 0;
    }
    if (isSmokeRun()) {
        std::printf("over budget (a smoke run prints it and does not fail)\n");
        return 0;
    }
    return 1;
}

// A directory of this process's own under the temporary directory, so that
// two runs at once (two checkouts on one machine) never share one.
inline std::filesystem::path benchTempDir(const std::string& name)
{
    return std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()));
}

// The console table for the programs' own reporters, in colour only on a
// terminal and never in a smoke run (the library's --benchmark_color reaches
// only its own reporter).
class BenchConsoleReporter : public benchmark::ConsoleReporter {
public:
    BenchConsoleReporter()
        : ConsoleReporter(isatty(STDOUT_FILENO) && !isSmokeRun() ? OO_Defaults : OO_Tabular)
    {
    }
};

// The console reporter, also keeping each benchmark's real time per iteration
// (seconds, by function name) so main can print figures afterwards.
class RatioReporter : public BenchConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                m_seconds[run.run_name.function_name] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> m_seconds;
};

// The shortest of `runs` timed calls of f, in seconds.
template <class F> double bestSeconds(F&& f, int runs)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        f();
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// What compareInPairs measured: the time ratio of the two sides (subject over
// baseline) as the median of the pairs, the middle half and the whole range
// of the pairs, and each side's median time of one call.
struct PairedRatio {
    double median = 0.0;
    double lowQuartile = 0.0;
    double highQuartile = 0.0;
    double lowest = 0.0;
    double highest = 0.0;
    double subjectSeconds = 0.0;
    double baselineSeconds = 0.0;
    int pairs = 0;
    bool withinBudget = true;
};

namespace bench_pairs {

// This thread's processor time in seconds: on a loaded machine the wall
// clock also counts the time the thread waited for a core.
inline double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <class F> double timeCalls(F& f, int calls)
{
    const double start = threadSeconds();
    for (int i = 0; i < calls; ++i) {
        f();
    }
    return threadSeconds() - start;
}

// Calls enough for a sample of about `seconds` (at least one), from one call
// that also warms the caches.
template <class F> int callsPerSample(F& f, double seconds)
{
    const double once = std::max(timeCalls(f, 1), 1e-9);
    return static_cast<int>(std::clamp(std::ceil(seconds / once), 1.0, 1e6));
}

// The value at fraction q of sorted values, between neighbours.
inline double quantile(const std::vector<double>& sorted, double q)
{
    const double at = q * static_cast<double>(sorted.size() - 1);
    const size_t below = static_cast<size_t>(at);
    const size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (sorted[above] - sorted[below]) * (at - static_cast<double>(below));
}

} // namespace bench_pairs

// Times `subject` against `baseline` in interleaved pairs: each pair takes a
// sample of one side right after a sample of the other (which goes first
// alternates), so that a change of the machine's load or clock falls on both
// and cancels in the pair's ratio. A sample repeats its side for about 2 ms
// of this thread's processor time (time spent waiting for a core is not the
// code's).
// Prints one line: the median ratio of the pairs, their middle half and
// range, the budget beside it (none when 0) and each side's median time.
// Over the budget even at the middle half's low end is clearly over.
template <class S, class B>
PairedRatio compareInPairs(const char* subjectLabel, S&& subject, const char* baselineLabel, B&& baseline,
                           double budget)
{
    constexpr double kSampleSeconds = 0.002;
    const int pairs = benchCount(41, 7);
    const int subjectCalls = bench_pairs::callsPerSample(subject, kSampleSeconds);
    const int baselineCalls = bench_pairs::callsPerSample(baseline, kSampleSeconds);
    std::vector<double> ratios, subjectTimes, baselineTimes;
    for (int i = 0; i < pairs; ++i) {
        double s = 0.0, b = 0.0;
        if (i % 2 == 0) {
            s = bench_pairs::timeCalls(subject, subjectCalls);
            b = bench_pairs::timeCalls(baseline, baselineCalls);
        } else {
            b = bench_pairs::timeCalls(baseline, baselineCalls);
            s = bench_pairs::timeCalls(subject, subjectCalls);
        }
        s /= subjectCalls;
        b /= baselineCalls;
        subjectTimes.push_back(s);
        baselineTimes.push_back(b);
        ratios.push_back(s / std::max(b, 1e-12));
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(subjectTimes.begin(), subjectTimes.end());
    std::sort(baselineTimes.begin(), baselineTimes.end());
    PairedRatio r;
    r.pairs = pairs;
    r.median = bench_pairs::quantile(ratios, 0.5);
    r.lowQuartile = bench_pairs::quantile(ratios, 0.25);
    r.highQuartile = bench_pairs::quantile(ratios, 0.75);
    r.lowest = ratios.front();
    r.highest = ratios.back();
    r.subjectSeconds = bench_pairs::quantile(subjectTimes, 0.5);
    r.baselineSeconds = bench_pairs::quantile(baselineTimes, 0.5);
    r.withinBudget = budget <= 0.0 || r.median <= budget;
    if (budget > 0.0 && r.lowQuartile > budget) {
        clearlyOverBudget() = true;
    }
    char budgetText[64];
    if (budget > 0.0) {
        std::snprintf(budgetText, sizeof budgetText, "budget %gx%s", budget, r.withinBudget ? "" : ": OVER");
    } else {
        std::snprintf(budgetText, sizeof budgetText, "no budget");
    }
    std::printf("%s / %s: %.2fx, median of %d pairs (middle half %.2fx to %.2fx, all %.2fx to %.2fx); %s "
                "(%.3f ms against %.3f ms)\n",
                subjectLabel, baselineLabel, r.median, pairs, r.lowQuartile, r.highQuartile, r.lowest,
                r.highest, budgetText, r.subjectSeconds * 1e3, r.baselineSeconds * 1e3);
    return r;
}

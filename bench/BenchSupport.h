#pragma once

// Helpers for the benchmark programs that print a ratio after the table.
// Header-only: every bench_*.cpp is a program of its own.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// The console reporter, also keeping each benchmark's real time per iteration
// (seconds, by function name) so main can print the ratio afterwards.
class RatioReporter : public benchmark::ConsoleReporter {
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

// Runs the registered benchmarks with the console table, then prints one line
// comparing the throughput of two of them (function names), each of which
// worked through `bytes` bytes per iteration. Returns main's exit code.
inline int runThroughputComparison(int argc, char** argv, const char* subject, const char* baseline,
                                   double bytes, const char* subjectLabel, const char* baselineLabel)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double a = reporter.m_seconds[subject];
    double b = reporter.m_seconds[baseline];
    if (a > 0.0 && b > 0.0) {
        double mb = bytes / (1024.0 * 1024.0);
        std::printf("%s %.1f MB/s, %s %.1f MB/s over %.2f MB: %s takes %.2fx the time of %s\n", subjectLabel,
                    mb / a, baselineLabel, mb / b, mb, subjectLabel, a / b, baselineLabel);
    }
    benchmark::Shutdown();
    return 0;
}

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

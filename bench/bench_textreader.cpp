// TextReader throughput over a generated 2 MB text, beside a plain byte scan
// of the same bytes (the least any tokenizer must do). The ratio, timed in
// interleaved pairs, has a budget of 3x.
#include "bench/BenchSupport.h"
#include "engine/core/TextReader.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

namespace {

const std::string& sampleText()
{
    static const std::string text = [] {
        std::string t;
        t.reserve(2 * 1024 * 1024 + 256);
        unsigned x = 12345;
        int n = 0;
        while (t.size() < 2 * 1024 * 1024) {
            x = x * 1103515245u + 12345u;
            switch ((x >> 16) % 6) {
            case 0:
                appendFormat(t, "Widget%d {\n", n);
                break;
            case 1:
                appendFormat(t, "  position %d.%d %d.%d // where it sits\n", n % 640, n % 10, n % 480, n % 7);
                break;
            case 2:
                appendFormat(t, "  text \"Label number %d\"\r\n", n);
                break;
            case 3:
                appendFormat(t, "  /* colour of the frame */ color %d %d %d\n", n % 256, (n * 3) % 256,
                             (n * 7) % 256);
                break;
            case 4:
                appendFormat(t, "  visible %d\n", n % 2);
                break;
            default:
                t += "}\n";
                break;
            }
            ++n;
        }
        return t;
    }();
    return text;
}

// Every token of the text; constructing the reader copies the text, as
// loading a file would.
int64_t readAllTokens(const std::string& text)
{
    TextReader reader(text, "bench.txt");
    std::string token;
    int64_t n = 0;
    while (reader.readToken(token, true)) {
        ++n;
    }
    return n;
}

// Counts blank-to-text transitions: one pass, one comparison per byte.
int64_t plainScan(const std::string& text)
{
    int64_t words = 0;
    bool inWord = false;
    for (char c : text) {
        bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        words += (!blank && !inWord) ? 1 : 0;
        inWord = !blank;
    }
    return words;
}

void BM_TextReaderTokens(benchmark::State& state)
{
    const std::string& text = sampleText();
    int64_t tokens = 0;
    for (auto _ : state) {
        const int64_t n = readAllTokens(text);
        benchmark::DoNotOptimize(n);
        tokens += n;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["tokens"] = benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kIsRate);
}

void BM_PlainByteScan(benchmark::State& state)
{
    const std::string& text = sampleText();
    for (auto _ : state) {
        benchmark::DoNotOptimize(plainScan(text));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

BENCHMARK(BM_TextReaderTokens)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainByteScan)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const std::string& text = sampleText();
    const PairedRatio r = compareInPairs(
        "TextReader", [&] { benchmark::DoNotOptimize(readAllTokens(text)); }, "plain scan",
        [&] { benchmark::DoNotOptimize(plainScan(text)); }, 3.0);
    const double mb = static_cast<double>(text.size()) / (1024.0 * 1024.0);
    std::printf("%.2f MB: TextReader %.0f MB/s, plain scan %.0f MB/s\n", mb, mb / r.subjectSeconds,
                mb / r.baselineSeconds);
    return budgetExitCode(r.withinBudget);
}

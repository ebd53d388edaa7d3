// ByteBuffer write + read throughput beside memcpy of the same bytes (copied in
// and out again, as the buffer writes and reads them). The ratio, timed in
// interleaved pairs, has a budget of 10x.
#include "bench/BenchSupport.h"
#include "engine/core/ByteBuffer.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kRecords = 20000;

// One record as a save would hold it.
void writeRecord(ByteBuffer& b, int i)
{
    b.writeInt(int32_t(i));
    b.writeFloat(static_cast<float>(i) * 0.5f);
    b.writeBool((i & 1) != 0);
    b.writeString("Goblin archer");
    b.writeZonePosition(ZonePosition(i % 9, 10.0f, 20.0f));
    b.writeGameTime(GameTime(i, 1, 2, 3.0f));
    b.writeIntVector({1, 2, 3, 4});
}

int64_t readRecord(ByteBuffer& b)
{
    int64_t sum = b.readInt();
    sum += static_cast<int64_t>(b.readFloat());
    sum += b.readBool() ? 1 : 0;
    sum += static_cast<int64_t>(b.readString().size());
    sum += b.readZonePosition().zone;
    sum += b.readGameTime().days;
    std::vector<int32_t> v;
    b.readIntVector(v);
    sum += static_cast<int64_t>(v.size());
    return sum;
}

size_t streamSize()
{
    static const size_t size = [] {
        ByteBuffer b;
        for (int i = 0; i < kRecords; ++i) {
            writeRecord(b, i);
        }
        return b.size();
    }();
    return size;
}

// One pass: every record written into a new buffer, then read back.
int64_t writeAndRead()
{
    ByteBuffer b;
    for (int i = 0; i < kRecords; ++i) {
        writeRecord(b, i);
    }
    int64_t sum = 0;
    for (int i = 0; i < kRecords; ++i) {
        sum += readRecord(b);
    }
    return b.ok() ? sum : -1;
}

// The least the same bytes can cost: copied into a new stream and out again.
struct PlainCopy {
    std::vector<uint8_t> source = std::vector<uint8_t>(streamSize(), 0x5A);
    std::vector<uint8_t> out = std::vector<uint8_t>(streamSize());
    void operator()()
    {
        std::vector<uint8_t> stream(source.size());
        std::memcpy(stream.data(), source.data(), source.size());
        std::memcpy(out.data(), stream.data(), stream.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
};

void BM_ByteBufferWriteRead(benchmark::State& state)
{
    for (auto _ : state) {
        const int64_t sum = writeAndRead();
        if (sum < 0) {
            state.SkipWithError("stream failed");
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(streamSize()));
}

void BM_Memcpy(benchmark::State& state)
{
    PlainCopy copy;
    for (auto _ : state) {
        copy();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(streamSize()));
}

BENCHMARK(BM_ByteBufferWriteRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (writeAndRead() < 0) {
        std::printf("ByteBuffer: the records do not read back\n");
        return 1;
    }
    PlainCopy copy;
    const PairedRatio r = compareInPairs(
        "ByteBuffer write+read", [] { benchmark::DoNotOptimize(writeAndRead()); }, "memcpy in+out", copy,
        10.0);
    const double mb = static_cast<double>(streamSize()) / (1024.0 * 1024.0);
    std::printf("%.2f MB of %d records: ByteBuffer %.0f MB/s, memcpy %.0f MB/s\n", mb, kRecords,
                mb / r.subjectSeconds, mb / r.baselineSeconds);
    return budgetExitCode(r.withinBudget);
}

// ByteBuffer write + read throughput beside memcpy of the same bytes (copied in
// and out again, as the buffer writes and reads them). Prints the ratio.
#include "bench/BenchSupport.h"
#include "engine/core/ByteBuffer.h"

#include <benchmark/benchmark.h>
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

void BM_ByteBufferWriteRead(benchmark::State& state)
{
    for (auto _ : state) {
        ByteBuffer b;
        for (int i = 0; i < kRecords; ++i) {
            writeRecord(b, i);
        }
        int64_t sum = 0;
        for (int i = 0; i < kRecords; ++i) {
            sum += readRecord(b);
        }
        if (!b.ok()) {
            state.SkipWithError("stream failed");
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(streamSize()));
}

void BM_Memcpy(benchmark::State& state)
{
    std::vector<uint8_t> source(streamSize(), 0x5A);
    std::vector<uint8_t> out(source.size());
    for (auto _ : state) {
        std::vector<uint8_t> stream(source.size());
        std::memcpy(stream.data(), source.data(), source.size());
        std::memcpy(out.data(), stream.data(), stream.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(source.size()));
}

BENCHMARK(BM_ByteBufferWriteRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return runThroughputComparison(argc, argv, "BM_ByteBufferWriteRead", "BM_Memcpy",
                                   static_cast<double>(streamSize()), "ByteBuffer write+read",
                                   "memcpy in+out");
}

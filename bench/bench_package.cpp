// Reading every member of a generated package through the file system (MB/s)
// beside raw zlib inflate of the same compressed data. The ratio, timed in
// interleaved pairs, has a budget of 1x: the file system reads a member no
// slower than zlib alone inflates it.
#include "bench/BenchSupport.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/FileSystem.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

namespace {

constexpr int kMembers = 200;
constexpr size_t kMemberSize = 64 * 1024;

struct Package {
    std::string directory;
    std::vector<std::string> names;
    std::vector<std::vector<uint8_t>> compressed; // raw deflate of each member
    size_t totalBytes = 0;
};

std::vector<uint8_t> memberData(int index)
{
    std::string text;
    uint32_t x = static_cast<uint32_t>(index) * 2654435761u + 1u;
    while (text.size() < kMemberSize) {
        x = x * 569813u + 9116991u;
        appendFormat(text, "vertex %u %u %u\n", (x >> 8) & 0xFFF, (x >> 4) & 0x3FF, x >> 24);
    }
    text.resize(kMemberSize);
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> rawDeflate(const std::vector<uint8_t>& data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&stream, static_cast<uLong>(data.size())));
    stream.next_in = const_cast<uint8_t*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

Package& package()
{
    static Package p = [] {
        Package made;
        made.directory = benchTempDir("gloam-bench-package").string();
        std::filesystem::create_directories(made.directory + "/user");
        std::string path = made.directory + "/assets001.zip";
        zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
        for (int i = 0; i < kMembers; ++i) {
            std::vector<uint8_t> data = memberData(i);
            std::string name = formatString("Models/Bench/member%03d.txt", i);
            zip_fileinfo info{};
            zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                  Z_DEFAULT_COMPRESSION, 0);
            zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size()));
            zipCloseFileInZip(zip);
            made.names.push_back(name);
            made.compressed.push_back(rawDeflate(data));
            made.totalBytes += data.size();
        }
        zipClose(zip, nullptr);
        return made;
    }();
    return p;
}

void readAllMembers(FileSystem& fs, const Package& p)
{
    for (const std::string& name : p.names) {
        auto data = fs.readFile(name);
        if (!data || data->size() != kMemberSize) {
            std::fprintf(stderr, "cannot read %s\n", name.c_str());
        }
    }
}

void inflateAll(const Package& p)
{
    std::vector<uint8_t> out(kMemberSize);
    for (const std::vector<uint8_t>& raw : p.compressed) {
        z_stream stream{};
        inflateInit2(&stream, -MAX_WBITS);
        stream.next_in = const_cast<uint8_t*>(raw.data());
        stream.avail_in = static_cast<uInt>(raw.size());
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        inflate(&stream, Z_FINISH);
        inflateEnd(&stream);
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_PackageReadAll(benchmark::State& state)
{
    Package& p = package();
    FileSystem fs(p.directory, p.directory + "/user");
    for (auto _ : state) {
        readAllMembers(fs, p);
    }
    state.SetBytesProcessed(static_cast<int64_t>(p.totalBytes) * state.iterations());
}
BENCHMARK(BM_PackageReadAll)->Unit(benchmark::kMillisecond);

void BM_RawInflate(benchmark::State& state)
{
    Package& p = package();
    for (auto _ : state) {
        inflateAll(p);
    }
    state.SetBytesProcessed(static_cast<int64_t>(p.totalBytes) * state.iterations());
}
BENCHMARK(BM_RawInflate)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    DebugSystem debug;
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Package& p = package();
    PairedRatio r;
    {
        FileSystem fs(p.directory, p.directory + "/user");
        r = compareInPairs(
            "package read", [&] { readAllMembers(fs, p); }, "raw inflate", [&] { inflateAll(p); }, 1.0);
    }
    const double mb = static_cast<double>(p.totalBytes) / (1024.0 * 1024.0);
    std::printf("%d members, %.1f MB: package read %.1f MB/s, raw inflate %.1f MB/s\n", kMembers, mb,
                mb / r.subjectSeconds, mb / r.baselineSeconds);
    std::error_code ec;
    std::filesystem::remove_all(p.directory, ec);
    return budgetExitCode(r.withinBudget);
}

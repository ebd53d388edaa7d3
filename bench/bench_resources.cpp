// Loading 1,000 small resources through the resource manager's loader thread,
// beside reading the same files directly.
#include "bench/BenchSupport.h"
#include "engine/core/DebugSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/TextResource.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFiles = 1000;

struct Fixture {
    std::filesystem::path dir;
    std::vector<std::string> names;

    Fixture()
    {
        dir = std::filesystem::temp_directory_path() / ("gloam-bench-resources-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        for (int i = 0; i < kFiles; ++i) {
            std::string name = "res" + std::to_string(i) + ".txt";
            std::ofstream(dir / name) << std::string(200 + i % 100, static_cast<char>('a' + i % 26));
            names.push_back(name);
        }
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

size_t loadThroughLoader(ResourceSystem& resources)
{
    std::vector<ResourceHandle> handles;
    handles.reserve(kFiles);
    for (const auto& name : fixture().names) {
        handles.push_back(resources.load(name));
    }
    size_t bytes = 0;
    for (const auto& h : handles) {
        if (auto* text = resources.getAs<TextResource>(h)) {
            bytes += text->getSize();
        }
    }
    return bytes; // the handles go: every entry unloads for the next pass
}

size_t readDirectly()
{
    size_t bytes = 0;
    std::vector<uint8_t> buffer;
    for (const auto& name : fixture().names) {
        std::string path = (fixture().dir / name).string();
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) {
            continue;
        }
        uint8_t chunk[4096];
        size_t n;
        buffer.clear();
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
            buffer.insert(buffer.end(), chunk, chunk + n);
        }
        std::fclose(f);
        bytes += buffer.size();
    }
    return bytes;
}

void BM_LoaderThread(benchmark::State& state)
{
    ResourceSystem resources;
    resources.setBaseDirectory(fixture().dir.string());
    TextResource::registerType(resources);
    resources.startLoader();
    for (auto _ : state) {
        benchmark::DoNotOptimize(loadThroughLoader(resources));
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_LoaderThread)->Unit(benchmark::kMillisecond);

void BM_DirectRead(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(readDirectly());
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_DirectRead)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    DebugSystem debug;
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    ResourceSystem resources;
    resources.setBaseDirectory(fixture().dir.string());
    TextResource::registerType(resources);
    resources.startLoader();
    double loader = bestSeconds([&] { loadThroughLoader(resources); }, benchCount(5, 1)) * 1000.0;
    double direct = bestSeconds([] { readDirectly(); }, benchCount(5, 1)) * 1000.0;
    std::printf("resources: %d files through the loader thread %.2f ms, read directly %.2f ms, ratio %.2f\n",
                kFiles, loader, direct, direct > 0 ? loader / direct : 0.0);
    return 0;
}

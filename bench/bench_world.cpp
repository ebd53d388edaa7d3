// The world on the shipped data, one core: "Standard" laid out from a seed,
// and the same with every level's layout and collision grids built. Figures
// come as counters (milliseconds).
#include "bench/BenchLevelWorld.h"
#include "bench/BenchSupport.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "graphics/shaders/ShaderSystem.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

// The shipped data with the World's systems, made once.
struct WorldData : BenchLevelWorld {
    WorldData() : BenchLevelWorld("gloam-bench-world") {}
};

WorldData& worldData()
{
    static WorldData instance;
    return instance;
}

void setMilliseconds(benchmark::State& state)
{
    state.counters["ms"] = benchmark::Counter(static_cast<double>(state.iterations()) * 1e-3,
                                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WorldLoad(benchmark::State& state)
{
    World& world = *worldData().world;
    uint32_t seed = 1;
    for (auto _ : state) {
        world.setWorldSeed(seed++);
        world.load();
        benchmark::DoNotOptimize(world.getLevelCount());
    }
    setMilliseconds(state);
}
BENCHMARK(BM_WorldLoad)->Repetitions(5)->ReportAggregatesOnly(true);

// Every level acquired, laid out and its collision grids filled (one cell
// query per block place), then released.
void BM_WorldLoadAndBuild(benchmark::State& state)
{
    World& world = *worldData().world;
    uint32_t seed = 1;
    for (auto _ : state) {
        world.setWorldSeed(seed++);
        world.load();
        int blocked = 0;
        for (int i = 0; i < world.getLevelCount(); ++i) {
            Level* level = world.getLevel(i);
            level->acquire(1);
            level->ensureLayout();
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    blocked += level->isCellBlockedForMovement(x * 16 + 3, y * 16 + 3);
        }
        benchmark::DoNotOptimize(blocked);
        state.PauseTiming();
        for (int i = 0; i < world.getLevelCount(); ++i) {
            world.getLevel(i)->release(1);
        }
        state.ResumeTiming();
    }
    setMilliseconds(state);
}
BENCHMARK(BM_WorldLoadAndBuild)->Repetitions(3)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarkTable(argc, argv);
}

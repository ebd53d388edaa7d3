// Levels on the shipped data, one core: a grown layout ("AreaDarkwood"), a
// whole level's collision grids, cell queries of a level and of the World
// over a built 3 x 3, and the ground cells of one screen built cold. Figures
// come as counters (milliseconds, millions of queries a second).
#include "bench/BenchLevelWorld.h"
#include "bench/BenchSupport.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/AreaDefinition.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "graphics/shaders/ShaderSystem.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

// The shipped data with the levels' systems, made once.
struct LevelData : BenchLevelWorld {
    LevelData() : BenchLevelWorld("gloam-bench-levels")
    {
        for (const char* name : {"AreaMeadows", "AreaDarkwood"}) {
            auto def = std::make_unique<AreaDefinition>();
            def->load(database.findEntry(name), 0);
            definitions.push_back(std::move(def));
        }
        // A 3 x 3 of meadows, open to each other, built and held.
        static constexpr int kStep[8][2] = {{-1, 1}, {0, 1},  {1, 1},   {1, 0},
                                            {1, -1}, {0, -1}, {-1, -1}, {-1, 0}};
        for (int i = 0; i < 9; ++i) {
            auto level = std::make_unique<Level>();
            level->definition = definitions[0].get();
            level->seed = 1000u + i * 7919u;
            level->borderKinds = {2, 2, 2, 2};
            world->addLevel(std::move(level));
        }
        for (int i = 0; i < 9; ++i) {
            Level* l = world->getLevel(i);
            for (int d = 0; d < 8; ++d) {
                const int x = i % 3 + kStep[d][0];
                const int y = i / 3 + kStep[d][1];
                l->neighbours[d] = x >= 0 && x < 3 && y >= 0 && y < 3 ? y * 3 + x : -1;
            }
            l->acquire(1);
            l->ensureLayout();
        }
    }
    ~LevelData()
    {
        world.reset();
        definitions.clear();
    }

    std::vector<std::unique_ptr<AreaDefinition>> definitions;
};

LevelData& levels()
{
    static LevelData instance;
    return instance;
}

void BM_GrownLayout(benchmark::State& state)
{
    LevelData& d = levels();
    Level level;
    level.definition = d.definitions[1].get();
    level.acquire(1);
    level.ensureLayout();
    uint32_t seed = 1;
    for (auto _ : state) {
        level.seed = seed++ * 2654435761u;
        level.getLayout()->useCounts.clear();
        level.buildLayout();
        benchmark::DoNotOptimize(level.getLayout()->places.data());
    }
    state.counters["ms"] = benchmark::Counter(static_cast<double>(state.iterations()) * 1e-3,
                                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GrownLayout)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_CollisionGrids(benchmark::State& state)
{
    Level* level = levels().world->getLevel(4);
    for (auto _ : state) {
        level->clearGrids();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                benchmark::DoNotOptimize(level->isCellBlockedForMovement(x * 16 + 3, y * 16 + 3));
    }
    state.counters["ms"] = benchmark::Counter(static_cast<double>(state.iterations()) * 1e-3,
                                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CollisionGrids);

void BM_LevelCellQueries(benchmark::State& state)
{
    Level* level = levels().world->getLevel(4);
    int n = 0;
    for (auto _ : state) {
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                n += level->isCellBlockedForMovement(x, y);
    }
    benchmark::DoNotOptimize(n);
    state.counters["Mq/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * 128 * 128 * 1e-6,
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LevelCellQueries);

void BM_WorldQueries(benchmark::State& state)
{
    World& world = *levels().world;
    const bool sight = state.range(0) != 0;
    int n = 0;
    for (auto _ : state) {
        for (int y = 0; y < 384; y += 3)
            for (int x = 0; x < 384; x += 3) {
                ZonePosition p(4, (x - 128) * 32.0f + 16.0f, (y - 128) * 32.0f + 16.0f);
                n += sight ? world.isBlockedForSight(p) : world.isBlockedForMovement(p);
            }
    }
    benchmark::DoNotOptimize(n);
    state.counters["Mq/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * 128 * 128 * 1e-6,
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WorldQueries)->Arg(0)->Arg(1);

void BM_ScreenGroundCells(benchmark::State& state)
{
    Level* level = levels().world->getLevel(4);
    for (auto _ : state) {
        level->clearGroundCells();
        for (int y = 50; y < 65; ++y)
            for (int x = 50; x < 70; ++x)
                benchmark::DoNotOptimize(&level->getGroundCell(x, y));
    }
    state.counters["ms"] = benchmark::Counter(static_cast<double>(state.iterations()) * 1e-3,
                                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScreenGroundCells);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarkTable(argc, argv);
}

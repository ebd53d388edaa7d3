// The maps on thirty hand-made levels: one frame of the world map's update
// (exploring included) while the player walks, the mini-map's picture after
// a one-tile step, and a whole-picture refresh. The program exits 1 when a
// frame or step takes 0.2 ms or more, or a refresh 1 ms or more, of this
// thread's processor time (on a loaded machine the wall time also counts
// the waits for a core).
#include "bench/BenchSupport.h"
#include "engine/core/DebugSystem.h"
#include "tests/support/FakeClientView.h"
#include "tests/support/FakeMapWorld.h"
#include "ui/maps/MiniMap.h"
#include "ui/maps/WorldMap.h"

#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

struct Maps {
    Maps()
    {
        for (int i = 0; i < 30; ++i) {
            world.addLevel(i % 6, i / 6, "Level", static_cast<uint8_t>(i * 8), 100, 60);
        }
        worldMap.registerCommands(nullptr);
        miniMap.registerVars(nullptr);
        view.playerPosition = {7, 100.0f, 2048.0f};
    }
    // One step of a walk across level 7 and on into its neighbours.
    ZonePosition step()
    {
        view.playerPosition.x += 32.0f;
        if (view.playerPosition.x >= 4096.0f) {
            view.playerPosition.x = 100.0f;
        }
        return view.playerPosition;
    }

    DebugSystem debug;
    FakeMapWorld world;
    FakeClientView view;
    WorldMap worldMap{world, view};
    MiniMap miniMap{world, view, worldMap};
};

void BM_WorldMapUpdate(benchmark::State& state)
{
    Maps maps;
    for (auto _ : state) {
        maps.step();
        maps.worldMap.update(0.016f);
    }
}
BENCHMARK(BM_WorldMapUpdate)->Unit(benchmark::kMicrosecond);

void BM_MiniMapStep(benchmark::State& state)
{
    Maps maps;
    maps.miniMap.updatePicture(maps.view.playerPosition);
    for (auto _ : state) {
        maps.miniMap.updatePicture(maps.step());
    }
}
BENCHMARK(BM_MiniMapStep)->Unit(benchmark::kMicrosecond);

void BM_MiniMapRefresh(benchmark::State& state)
{
    Maps maps;
    for (auto _ : state) {
        maps.miniMap.invalidate();
        maps.miniMap.updatePicture(maps.view.playerPosition);
    }
}
BENCHMARK(BM_MiniMapRefresh)->Unit(benchmark::kMicrosecond);

// The mean milliseconds of processor time of `runs` calls.
template <class F> double meanMs(int runs, F f)
{
    return bench_pairs::timeCalls(f, runs) * 1000.0 / runs;
}

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Maps maps;
    maps.miniMap.updatePicture(maps.view.playerPosition);
    double update = meanMs(benchCount(500, 20), [&] {
        maps.step();
        maps.worldMap.update(0.016f);
    });
    double step = meanMs(benchCount(500, 20), [&] { maps.miniMap.updatePicture(maps.step()); });
    double refresh = meanMs(benchCount(100, 5), [&] {
        maps.miniMap.invalidate();
        maps.miniMap.updatePicture(maps.view.playerPosition);
    });
    std::printf("World map update %.4f ms, mini-map step %.4f ms (budget 0.2), refresh %.4f ms (budget 1)\n",
                update, step, refresh);
    return budgetExitCode(update < 0.2 && step < 0.2 && refresh < 1.0);
}

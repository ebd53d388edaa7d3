// The path finder on a generated forest level ("AreaDarkwood"), one core:
// 200 start and goal tiles 20 tiles apart with a path (median time of one
// search), the same pairs with the goal fenced by two rings of blocked tiles
// (no path: 500 expansions), and the heap allocations made during searches
// (counted by this program's operator new). Figures come as counters.
#include "bench/BenchLevelWorld.h"
#include "bench/BenchSupport.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/entities/Entity.h"
#include "game/world/AreaDefinition.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"
#include "game/world/PathFinder.h"
#include "game/world/World.h"
#include "graphics/shaders/ShaderSystem.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <random>
#include <vector>

namespace {
std::atomic<long long> g_allocations{0};
}

// Counting replacements of the global allocation functions (GCC cannot tell
// that they pair with each other).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

ZonePosition tileCentre(int tx, int ty)
{
    return {0, 16.0f + 32.0f * static_cast<float>(tx), 16.0f + 32.0f * static_cast<float>(ty)};
}

// The World's walls, with the two rings around one tile blocked as well.
class FencedTerrain : public PathFinder::Terrain {
public:
    explicit FencedTerrain(World& world) : m_world(world) {}
    int goalX = 0;
    int goalY = 0;
    bool isLevelLoaded(int level) const override { return m_world.isLevelLoaded(level); }
    bool isBlockedForMovement(const ZonePosition& p) const override
    {
        const int tx = static_cast<int>(std::floor((p.x - 16.0f) / 32.0f + 0.5f));
        const int ty = static_cast<int>(std::floor((p.y - 16.0f) / 32.0f + 0.5f));
        const int ring = std::max(std::abs(tx - goalX), std::abs(ty - goalY));
        return (ring == 1 || ring == 2) || m_world.isBlockedForMovement(p);
    }

private:
    World& m_world;
};

struct PathData : BenchLevelWorld {
    PathData() : BenchLevelWorld("gloam-bench-paths")
    {
        definition = std::make_unique<AreaDefinition>();
        definition->load(database.findEntry("AreaDarkwood"), 0);
        auto level = std::make_unique<Level>();
        level->definition = definition.get();
        level->seed = 4242;
        world->addLevel(std::move(level));
        world->getLevel(0)->acquire(7);
        world->getLevel(0)->ensureLayout();

        finder = std::make_unique<PathFinder>();
        mover.setRadius(12.0f);
        std::mt19937 rng(99);
        std::uniform_int_distribution<int> along(26, 101);
        std::uniform_int_distribution<int> side(-20, 20);
        auto walkable = [&](int x, int y) { return !world->isBlockedForMovement(tileCentre(x, y)); };
        for (int tries = 0; tries < 20000 && starts.size() < 200; ++tries) {
            const int sx = along(rng), sy = along(rng);
            const int dy = side(rng);
            const int dx = (tries % 2 ? 1 : -1) * static_cast<int>(std::lround(std::sqrt(400.0 - dy * dy)));
            if (!walkable(sx, sy) || !walkable(sx + dx, sy + dy))
                continue;
            mover.setPosition(tileCentre(sx, sy));
            GridPath path;
            if (!finder->findPath(&mover, mover.getPosition(), tileCentre(sx + dx, sy + dy), nullptr, path))
                continue;
            starts.push_back({sx, sy});
            goals.push_back({sx + dx, sy + dy});
        }
    }
    ~PathData()
    {
        finder.reset();
        world.reset();
        definition.reset();
    }

    std::unique_ptr<AreaDefinition> definition;
    std::unique_ptr<PathFinder> finder;
    Entity mover;
    std::vector<std::pair<int, int>> starts;
    std::vector<std::pair<int, int>> goals;
};

PathData& paths()
{
    static PathData instance;
    return instance;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// One search per pair; counters: median milliseconds, pairs, pops, found and
// allocations per search.
void searchPairs(benchmark::State& state, FencedTerrain* fence)
{
    PathData& d = paths();
    d.finder->setTerrain(fence);
    std::vector<double> times;
    long long allocations = 0;
    long long pops = 0;
    int found = 0;
    for (auto _ : state) {
        times.clear();
        pops = 0;
        found = 0;
        allocations = 0;
        for (size_t i = 0; i < d.starts.size(); ++i) {
            d.mover.setPosition(tileCentre(d.starts[i].first, d.starts[i].second));
            const ZonePosition goal = tileCentre(d.goals[i].first, d.goals[i].second);
            if (fence) {
                fence->goalX = d.goals[i].first;
                fence->goalY = d.goals[i].second;
            }
            GridPath path;
            const long long before = g_allocations.load();
            const auto start = std::chrono::steady_clock::now();
            found += d.finder->findPath(&d.mover, d.mover.getPosition(), goal, nullptr, path) ? 1 : 0;
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            allocations += g_allocations.load() - before;
            pops += d.finder->getPopCount();
        }
    }
    d.finder->setTerrain(nullptr);
    const double pairs = static_cast<double>(d.starts.size());
    state.counters["pairs"] = pairs;
    state.counters["median_ms"] = median(times);
    state.counters["found"] = found;
    state.counters["pops_per_search"] = pairs > 0 ? static_cast<double>(pops) / pairs : 0.0;
    state.counters["allocs_per_search"] = pairs > 0 ? static_cast<double>(allocations) / pairs : 0.0;
}

void BM_PathFound(benchmark::State& state)
{
    searchPairs(state, nullptr);
}
BENCHMARK(BM_PathFound)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_PathFencedGoal(benchmark::State& state)
{
    FencedTerrain fence(*paths().world);
    searchPairs(state, &fence);
}
BENCHMARK(BM_PathFencedGoal)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarkTable(argc, argv);
}

// Game::queryEntitiesInRadius against a brute-force scan of the 1,000-slot
// entity table with ZonePosition::distanceTo, on one 4,096 x 4,096 level with
// entities spread uniformly; 10,000 queries at random centres per iteration.
// Both give the same sets (checked before timing). main times the index
// against the scan in interleaved pairs for 250 and 1,000 entities at radii
// 100, 200 and 400 and prints the median ratio with its spread; with 1,000
// entities at radius 200 the scan must take at least 10x the index's time
// (the index at most 0.1x the scan's).
//
// Growth: the index pays a fixed descent (at most 4 levels in each of the 9
// level trees around the centre) plus the candidates of the leaves touching
// the query square, so its cost grows with density x radius². The scan always
// walks the whole table, so it grows with the table's fill. Entities clustered
// on one spot pile into one maxDepth leaf, and a query touching it pays for
// the whole cluster: at worst the size of the 1,000-slot table, as the scan.
#include "bench/BenchSupport.h"
#include "bench/BenchWorld.h"
#include "game/entities/Entity.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kQueries = 10000;

struct QueryWorld : BenchWorld {
    QueryWorld() : BenchWorld("gloam-bench-queries")
    {
        start(false);
        game->resizeForWorld(1);
    }

    // Fills the table with `count` entities at uniform points and makes the
    // query centres.
    void populate(int count)
    {
        std::mt19937 random(1234);
        std::uniform_real_distribution<float> coordinate(0.0f, 4096.0f);
        for (int i = 0; i < count; ++i) {
            auto* e = new Entity();
            if (game->addEntity(e) < 0) {
                delete e;
                break;
            }
            e->setPosition(ZonePosition(0, coordinate(random), coordinate(random)));
        }
        centres.clear();
        for (int i = 0; i < kQueries; ++i) {
            centres.emplace_back(0, coordinate(random), coordinate(random));
        }
    }

    void scan(const ZonePosition& centre, float radius, std::vector<Entity*>& out) const
    {
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            Entity* e = game->getEntity(i);
            if (e && ZonePosition::distanceTo(e->getPosition(), centre) <= radius) {
                out.push_back(e);
            }
        }
    }

    // Both ways give the same set for every centre.
    bool agrees(float radius) const
    {
        std::vector<Entity*> a;
        std::vector<Entity*> b;
        for (const ZonePosition& centre : centres) {
            a.clear();
            b.clear();
            game->queryEntitiesInRadius(centre, radius, false, a);
            scan(centre, radius, b);
            std::sort(a.begin(), a.end());
            std::sort(b.begin(), b.end());
            if (a != b) {
                return false;
            }
        }
        return true;
    }

    std::vector<ZonePosition> centres;
};

void BM_IndexQuery(benchmark::State& state)
{
    QueryWorld world;
    world.populate(static_cast<int>(state.range(0)));
    float radius = static_cast<float>(state.range(1));
    if (!world.agrees(radius)) {
        state.SkipWithError("index and scan disagree");
        return;
    }
    std::vector<Entity*> out;
    size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (const ZonePosition& centre : world.centres) {
            out.clear();
            world.game->queryEntitiesInRadius(centre, radius, false, out);
            found += out.size();
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["found_per_query"] = static_cast<double>(found) / kQueries;
}

void BM_ScanQuery(benchmark::State& state)
{
    QueryWorld world;
    world.populate(static_cast<int>(state.range(0)));
    float radius = static_cast<float>(state.range(1));
    std::vector<Entity*> out;
    size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (const ZonePosition& centre : world.centres) {
            out.clear();
            world.scan(centre, radius, out);
            found += out.size();
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["found_per_query"] = static_cast<double>(found) / kQueries;
}

void sizes(benchmark::internal::Benchmark* b)
{
    for (int entities : {250, 1000}) {
        for (int radius : {100, 200, 400}) {
            b->Args({entities, radius});
        }
    }
}

BENCHMARK(BM_IndexQuery)->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanQuery)->Apply(sizes)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bool ok = true;
    for (int entities : {250, 1000}) {
        QueryWorld world;
        world.populate(entities);
        for (int radius : {100, 200, 400}) {
            const float r = static_cast<float>(radius);
            if (!world.agrees(r)) {
                std::printf("%d entities, radius %d: the index and the scan disagree\n", entities, radius);
                ok = false;
                continue;
            }
            std::vector<Entity*> out;
            size_t found = 0;
            auto index = [&] {
                for (const ZonePosition& centre : world.centres) {
                    out.clear();
                    world.game->queryEntitiesInRadius(centre, r, false, out);
                    found += out.size();
                }
                benchmark::DoNotOptimize(found);
            };
            auto scan = [&] {
                for (const ZonePosition& centre : world.centres) {
                    out.clear();
                    world.scan(centre, r, out);
                    found += out.size();
                }
                benchmark::DoNotOptimize(found);
            };
            const bool budgeted = entities == 1000 && radius == 200;
            const std::string label =
                std::to_string(entities) + " entities, radius " + std::to_string(radius) + ": index";
            const PairedRatio p = compareInPairs(label.c_str(), index, "scan", scan, budgeted ? 0.1 : 0.0);
            std::printf("  the scan takes %.1fx the index's time (middle half %.1fx to %.1fx, all %.1fx to "
                        "%.1fx)%s\n",
                        1.0 / p.median, 1.0 / p.highQuartile, 1.0 / p.lowQuartile, 1.0 / p.highest,
                        1.0 / p.lowest,
                        budgeted ? (p.withinBudget ? "; 10x at least" : ": below the 10x") : "");
            ok = ok && p.withinBudget;
        }
    }
    return budgetExitCode(ok);
}

// Game::queryEntitiesInRadius against a brute-force scan of the 1,000-slot
// entity table with ZonePosition::distanceTo, on one 4,096 x 4,096 level with
// entities spread uniformly; 10,000 queries at random centres per iteration.
// Both give the same sets (checked before timing). main prints the scan's
// time over the index's for 250 and 1,000 entities at radii 100, 200 and 400.
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
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kQueries = 10000;

struct World : BenchWorld {
    World() : BenchWorld("gloam-bench-queries")
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
    World world;
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
    World world;
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

// Keeps each run's time per iteration by its full name.
class ByNameReporter : public BenchConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                seconds[run.benchmark_name()] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    ByNameReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    int status = 0;
    for (int entities : {250, 1000}) {
        for (int radius : {100, 200, 400}) {
            std::string args = "/" + std::to_string(entities) + "/" + std::to_string(radius);
            auto find = [&](const std::string& prefix) {
                for (const auto& [name, s] : reporter.seconds) {
                    if (name.rfind(prefix + args, 0) == 0) {
                        return s;
                    }
                }
                return 0.0;
            };
            double index = find("BM_IndexQuery");
            double scan = find("BM_ScanQuery");
            if (index > 0.0 && scan > 0.0) {
                std::printf("%4d entities, radius %3d: the scan takes %.1fx the index's time\n", entities,
                            radius, scan / index);
                if (entities == 1000 && radius == 200 && scan / index < 10.0) {
                    std::printf("  below the 10x the index must reach\n");
                    status = 1;
                }
            }
        }
    }
    benchmark::Shutdown();
    return budgetExitCode(status == 0);
}

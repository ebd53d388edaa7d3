// Population of a generated wilderness level through the program's own
// start-up on the shipped data, one core: every block of the level populated
// once with monsters (median time of the whole level, and the monsters it
// made). Figures come as counters.
#include "bench/BenchProgram.h"
#include "bench/BenchSupport.h"
#include "engine/app/Application.h"
#include "engine/core/Random.h"
#include "engine/platform/LaunchOptions.h"
#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "tests/support/StandInPlayer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kKey = 1;
constexpr uint32_t kSeed = 4242;

// The headless program on data/ with the world of the seed; one wilderness
// level (a grid level off the town whose area has monsters) built.
struct PopulatedWorld : BenchProgram {
    PopulatedWorld() : BenchProgram("gloam-bench-population")
    {
        World& world = loadWorld(kSeed);
        for (int i = 1; i < world.getLevelCount() && zone < 0; ++i) {
            const Level* l = world.getLevel(i);
            if (l->gridColumn >= 0 && l->definition && l->definition->monsterChancePerBlock > 0.0f &&
                !l->definition->secretLevel) {
                zone = i;
            }
        }
        if (zone < 0) {
            return;
        }
        world.getLevel(zone)->acquire(kKey);
        for (int i = 0; i < 100000 && !world.isLevelLoaded(zone); ++i) {
            app->getHooks().finishLevels();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~PopulatedWorld()
    {
        if (Game::instance()) {
            Game::instance()->clear();
        }
        if (zone >= 0 && World::instance()) {
            World::get().getLevel(zone)->release(kKey);
        }
    }

    int zone = -1;
};

void BM_PopulateWildernessLevel(benchmark::State& state)
{
    PopulatedWorld w;
    if (w.zone < 0 || !World::get().isLevelLoaded(w.zone)) {
        state.SkipWithError("no wilderness level built");
        return;
    }
    Game& game = *Game::instance();
    World& world = World::get();
    const SpawnSystem& spawns = *SpawnSystem::instance();
    const GameRules& rules = GameData::get().rules();
    const int blocks = rules.blocksAcross * rules.blocksDown;
    Player* player = game.getFirstPlayer() ? game.getFirstPlayer() : addStandInPlayer(game);
    Random::setState(0, 1);
    std::vector<double> ms;
    long long monsters = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int block = 0; block < blocks; ++block) {
            spawns.populateBlock(w.zone, block);
        }
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        state.PauseTiming();
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            Entity* e = game.getEntity(i);
            if (!e || e == player)
                continue;
            monsters += dynamic_cast<Actor*>(e) ? 1 : 0;
            // Chests, traps and level objects go too.
            game.deleteEntity(e, true);
        }
        // The level's blocks may be populated again.
        game.resizeForWorld(world.getLevelCount());
        state.ResumeTiming();
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms.empty() ? 0.0 : ms[ms.size() / 2];
    state.counters["monsters"] =
        ms.empty() ? 0.0 : static_cast<double>(monsters) / static_cast<double>(ms.size());
    state.SetLabel(world.getLevel(w.zone)->getName());
}
BENCHMARK(BM_PopulateWildernessLevel)->Iterations(50)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarkTable(argc, argv);
}

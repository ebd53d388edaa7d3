// Monsters in the world step: 200 active monsters of the shipped types round
// 20 targets on the flat test field, each looking for, ranking and walking to
// its targets; Game::update (0.05) timed over 600 steps (p99 and mean; the
// budget is 3 ms, 6 % of a step), once with the field's breadth-first paths
// and once with the real path finder on the same tiles.
#include "bench/BenchSupport.h"
#include "bench/BenchWorld.h"
#include "game/entities/Actor.h"
#include "game/entities/EntityServices.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/FightingServices.h"
#include "tests/support/FlatNavigation.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

constexpr int kTargets = 20;
constexpr int kMonstersPerTarget = 10;
constexpr int kSteps = 600;

struct World : BenchWorld {
    World() : BenchWorld("gloam-bench-monsters")
    {
        resources.setBaseDirectory(GLOAM_DATA_DIR);
        registerSkillLoaders();
        start(true);
        registerFightingServices();
        EntityServiceHooks hooks = EntityServices::hooks();
        hooks.factionRelation = [](const Entity*, const Entity*) { return 1; };
        EntityServices::setHooks(hooks);
        game->resizeForWorld(1);
    }
};

template <class Navigation> void runMonsters(benchmark::State& state)
{
    World world;
    Navigation field;
    field.openZone(0);
    world.game->setNavigation(&field);
    std::vector<const MonsterType*> types;
    for (const auto& type : world.gameData->getMonsterTypes())
        if (type->archetype && !type->archetype->isNpcClass())
            types.push_back(type.get());
    int monsters = 0;
    for (int t = 0; t < kTargets; ++t) {
        const int cx = 12 + (t % 5) * 24;
        const int cy = 12 + (t / 5) * 24;
        auto* target = new Sentient();
        target->setCharacterClass(toIndex(CharacterClassType::Warrior));
        target->setStat(toIndex(CharacterStat::Level), 5);
        target->updateStats(true);
        target->setPosition(field.tileCentre(0, cx, cy));
        if (world.game->addEntity(target) < 0) {
            delete target;
            continue;
        }
        for (int m = 0; m < kMonstersPerTarget; ++m) {
            auto* actor = new Actor();
            actor->initFromMonsterType(
                types[static_cast<size_t>((t * kMonstersPerTarget + m)) % types.size()], 4);
            actor->setChecksActivity(false);
            actor->setPosition(field.tileCentre(0, cx - 6 + (m % 5) * 3, cy - 6 + (m / 5) * 12));
            if (world.game->addEntity(actor) < 0) {
                delete actor;
                continue;
            }
            actor->followEntity(target);
            ++monsters;
        }
    }
    std::vector<double> ms;
    for (auto _ : state) {
        ms.clear();
        for (int step = 0; step < kSteps; ++step) {
            auto start = std::chrono::steady_clock::now();
            world.game->update(0.05f);
            auto end = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
    }
    setStepTimeCounters(state, ms);
    state.counters["monsters"] = monsters;
    state.counters["searches"] = field.searches;
    world.game->setNavigation(nullptr);
}

void BM_MonstersFlatField(benchmark::State& state)
{
    runMonsters<FlatNavigation>(state);
}
void BM_MonstersPathFinder(benchmark::State& state)
{
    runMonsters<FlatFieldPathFinder>(state);
}

BENCHMARK(BM_MonstersFlatField)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MonstersPathFinder)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarkTable(argc, argv);
}

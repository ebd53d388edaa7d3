// Objects of the world on the shipped data: a level-30 weapon vendor's whole
// stock made for its first customer (budget 2 ms, 4 % of a 50 ms step, paid
// once per vendor), and one world step of 200 flickering torches and 100
// thinking ground traps near a player (budget 0.5 ms). Exits 1 over budget.
#include "bench/BenchProgram.h"
#include "bench/BenchSupport.h"
#include "engine/app/Application.h"
#include "engine/data/Database.h"
#include "engine/platform/LaunchOptions.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Player.h"
#include "game/entities/Torch.h"
#include "game/entities/TrapGround.h"
#include "game/entities/Vendor.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

struct ObjectsWorld : BenchProgram {
    ObjectsWorld() : BenchProgram("gloam-bench-objects")
    {
        loadWorld(4242);
        player = addPlayerAtStart({}, 30);
    }
    template <class T> T* place(const char* entry, float dx, float dy)
    {
        auto* object = new T();
        object->setEntry(Database::get().findEntry(entry), entry);
        object->loadFromDatabase();
        ZonePosition at = player->getPosition();
        at.x += dx;
        at.y += dy;
        object->setPosition(at);
        object->setSecondaryPosition(at);
        if (Game::get().addEntity(object) < 0) {
            delete object;
            return nullptr;
        }
        object->onPlaced();
        return object;
    }

    Player* player = nullptr;
};

ObjectsWorld& world()
{
    static ObjectsWorld* w = new ObjectsWorld();
    return *w;
}

void BM_RestockWeaponVendor(benchmark::State& state)
{
    ObjectsWorld& w = world();
    const MonsterType* type = GameData::get().findMonsterType("NpcVendorWeapon");
    std::unique_ptr<Actor> made(SpawnSystem::get().spawnMonster(type, 0, MonsterRarity::Normal, 30));
    auto* vendor = dynamic_cast<Vendor*>(made.get());
    if (!vendor) {
        state.SkipWithError("no weapon vendor");
        return;
    }
    vendor->setCustomer(w.player);
    for (auto _ : state)
        vendor->restockAll();
    state.counters["random_items"] = vendor->getRandomItemsGenerated();
}
BENCHMARK(BM_RestockWeaponVendor)->Unit(benchmark::kMillisecond);

void BM_StepOfTorchesAndTraps(benchmark::State& state)
{
    ObjectsWorld& w = world();
    static bool placed = false;
    if (!placed) {
        placed = true;
        for (int i = 0; i < 200; ++i)
            w.place<Torch>("TorchWall", static_cast<float>(-400 + (i % 20) * 40), 200.0f + (i / 20) * 40.0f);
        for (int i = 0; i < 100; ++i)
            w.place<TrapGround>("SpikeTrap", static_cast<float>(-400 + (i % 20) * 40),
                                -200.0f - (i / 20) * 40.0f);
    }
    Game& game = Game::get();
    for (auto _ : state)
        game.update(0.05f);
}
BENCHMARK(BM_StepOfTorchesAndTraps)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double restock = reporter.m_seconds["BM_RestockWeaponVendor"] * 1e3;
    const double step = reporter.m_seconds["BM_StepOfTorchesAndTraps"] * 1e3;
    const bool ok = restock <= 2.0 && step <= 0.5;
    std::printf("weapon vendor restock %.3f ms (budget 2 ms), step of 200 torches and 100 traps %.3f ms "
                "(budget 0.5 ms): %s\n",
                restock, step, ok ? "within" : "OVER");
    benchmark::Shutdown();
    return budgetExitCode(ok);
}

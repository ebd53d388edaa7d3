// The covenant core on the shipped data: eight covenants, each with a life
// stone, four recruits and four guards. The covenant part of a server step
// (eight updates, upkeep spread over its interval) must stay under 20 us
// mean; their eight state sections under 10 us; the faction relation
// between two covenant members within 1.5 x its time between two monsters.
// Prints the means; exits 1 over budget.
#include "bench/BenchFightWorld.h"
#include "bench/BenchSupport.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/FactionSystem.h"
#include "game/world/FightingServices.h"
#include "game/world/SpawnSystem.h"
#include "tests/support/FlatNavigation.h"
#include "tests/support/TestCovenant.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kCovenants = 8;
constexpr double kStepBudgetUs = 20.0;
constexpr double kSectionsBudgetUs = 10.0;
constexpr double kRelationRatioBudget = 1.5;
const char* const kDefinitions[4] = {"Ironbound", "GildedScale", "Thornveil", "Emberwatch"};
const char* const kGuards[4] = {"GuardGoblinWarrior", "GuardSkeletonWarrior", "GuardCultAdept",
                                "GuardGoblinWarrior"};

struct Houses : BenchFightWorld {
    Houses() : BenchFightWorld("gloam-bench-covenants")
    {
        const MonsterType* recruitType = GameData::get().findMonsterType("RecruitWarrior");
        const MonsterType* monsterType = GameData::get().findMonsterType("GoblinWarrior");
        for (int i = 0; i < kCovenants; ++i) {
            TestCovenant& covenant = addTestCovenant(*game, kDefinitions[i % 4]);
            covenants[static_cast<size_t>(i)] = &covenant;
            covenant.housePosition = field.tileCentre(0, 10 + 12 * i, 20 + 40 * (i % 2));
            auto* stone = new Entity();
            stone->setPosition(covenant.housePosition);
            game->addEntity(stone);
            covenant.setLifestone(stone);
            for (int r = 0; r < 4; ++r) {
                auto* actor = new Actor();
                actor->initFromMonsterType(recruitType, 5);
                actor->setPosition(field.tileCentre(0, 10 + 12 * i + r, 24 + 40 * (i % 2)));
                game->addEntity(actor);
                covenant.addRecruit(actor);
            }
            covenant.leader = covenant.getRecruitActor(0);
            for (int g = 0; g < 4; ++g) {
                auto* item = dynamic_cast<Item*>(covenant.inventory->createItem());
                item->setItemEntry(Database::get().findEntry(kGuards[g]));
                covenant.inventory->getSlot(Covenant::kHouseGroup)->setItem(g, item);
                covenant.createGuard(item, g);
            }
            covenant.addCrystals(1000000);
            covenant.updateStats();
        }
        for (int m = 0; m < 2; ++m) {
            auto* monster = new Actor();
            monster->initFromMonsterType(monsterType, 5);
            monster->setPosition(field.tileCentre(0, 5 + m, 5));
            game->addEntity(monster);
            monsters[static_cast<size_t>(m)] = monster;
        }
        factions.loadSettings();
        factions.loadFactions();
    }
    FactionSystem factions;
    std::array<TestCovenant*, kCovenants> covenants{};
    std::array<Actor*, 2> monsters{};
};

Houses& houses()
{
    static Houses* world = new Houses();
    return *world;
}

double g_stepUs = 0.0;
double g_sectionsUs = 0.0;
double g_membersNs = 0.0;
double g_monstersNs = 0.0;

double meanOf(const std::vector<double>& v)
{
    double sum = 0.0;
    for (double x : v)
        sum += x;
    return v.empty() ? 0.0 : sum / static_cast<double>(v.size());
}

void BM_CovenantStep(benchmark::State& state)
{
    Houses& world = houses();
    const float dt = 0.05f;
    // Upkeep runs once per interval: once in this many steps.
    const int upkeepEvery = std::max(1, static_cast<int>(worldRules().upkeepInterval / dt));
    std::vector<double> us;
    int step = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (TestCovenant* c : world.covenants)
            c->update(dt);
        if (++step % upkeepEvery == 0) {
            for (TestCovenant* c : world.covenants)
                c->payUpkeep();
        }
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    g_stepUs = meanOf(us);
    state.counters["mean_us"] = g_stepUs;
}

void BM_EightStateSections(benchmark::State& state)
{
    Houses& world = houses();
    std::vector<double> us;
    ByteBuffer out;
    for (auto _ : state) {
        out.clear();
        const auto start = std::chrono::steady_clock::now();
        for (TestCovenant* c : world.covenants)
            c->writeUpdate(out);
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        benchmark::DoNotOptimize(out.size());
    }
    g_sectionsUs = meanOf(us);
    state.counters["mean_us"] = g_sectionsUs;
}

// Mean time of one getRelation between the two entities, over many calls.
double relationNs(const FactionSystem& factions, const Entity* a, const Entity* b)
{
    constexpr int kCalls = 20000;
    int sink = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCalls; ++i)
        sink += factions.getRelation(i % 2 ? a : b, i % 2 ? b : a);
    benchmark::DoNotOptimize(sink);
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() /
           kCalls;
}

void BM_RelationBetweenMembersAndBetweenMonsters(benchmark::State& state)
{
    Houses& world = houses();
    const Entity* a = world.covenants[0]->getRecruitActor(1);
    const Entity* b = world.covenants[1]->getRecruitActor(1);
    std::vector<double> members, monsters;
    for (auto _ : state) {
        members.push_back(relationNs(world.factions, a, b));
        monsters.push_back(relationNs(world.factions, world.monsters[0], world.monsters[1]));
    }
    // The median of the runs: a busy machine stretches single runs.
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    g_membersNs = median(members);
    g_monstersNs = median(monsters);
    state.counters["members_ns"] = g_membersNs;
    state.counters["monsters_ns"] = g_monstersNs;
}

BENCHMARK(BM_CovenantStep)->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(BM_EightStateSections)->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(BM_RelationBetweenMembersAndBetweenMonsters)->Unit(benchmark::kMillisecond)->Iterations(31);

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double ratio = g_monstersNs > 0.0 ? g_membersNs / g_monstersNs : 0.0;
    std::printf("covenant step %.2f us (budget %.0f), eight sections %.2f us (budget %.0f), "
                "relation members %.1f ns / monsters %.1f ns = %.2fx (budget %.1fx)\n",
                g_stepUs, kStepBudgetUs, g_sectionsUs, kSectionsBudgetUs, g_membersNs, g_monstersNs, ratio,
                kRelationRatioBudget);
    return budgetExitCode(g_stepUs < kStepBudgetUs && g_sectionsUs < kSectionsBudgetUs &&
                          ratio <= kRelationRatioBudget);
}

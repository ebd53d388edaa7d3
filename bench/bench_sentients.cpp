// Living characters in the world step: Game::update (0.05) with 1,000
// sentients of the shipped classes, each carrying the basic regeneration and
// a timed buff renewed when it runs out (p99 and mean of 1,000 steps; 2.5 ms
// is 5 % of a step), and updateStats of a sentient with 18 equipped items and
// five effects.
#include "bench/BenchSupport.h"
#include "bench/BenchWorld.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"
#include "game/entities/Sentient.h"
#include "game/skills/SkillLoaders.h"
#include "game/skills/StatusEffect.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

constexpr int kSentients = 1000;
constexpr int kSteps = 1000;

struct World : BenchWorld {
    World() : BenchWorld("gloam-bench-sentients")
    {
        resources.setBaseDirectory(GLOAM_DATA_DIR);
        registerSkillLoaders();
        start(true);
    }
};

Sentient* makeSentient(World& world, int i)
{
    auto* s = new Sentient();
    s->setCharacterClass(i % 4);
    const CharacterClass* c = s->getCharacterClass();
    for (int a = 0; a < 5; ++a)
        s->setStat(toIndex(CharacterStat::BaseStrength) + a,
                   c ? c->startAttributes[static_cast<size_t>(a)] : 10);
    s->updateStats(true);
    s->setPosition(ZonePosition(0, static_cast<float>(i % 40) * 90.0f, static_cast<float>(i / 40) * 90.0f));
    if (world.game->addEntity(s) < 0) {
        delete s;
        return nullptr;
    }
    s->addStatusEffectByName("StatusEffectBasicRegen", s, 1);
    return s;
}

void BM_SentientStep(benchmark::State& state)
{
    World world;
    std::vector<Sentient*> sentients;
    for (int i = 0; i < kSentients; ++i)
        if (Sentient* s = makeSentient(world, i))
            sentients.push_back(s);
    std::vector<double> ms;
    for (auto _ : state) {
        ms.clear();
        for (int step = 0; step < kSteps; ++step) {
            for (Sentient* s : sentients)
                if (s->getStatusEffects().size() < 2)
                    s->addStatusEffectByName("StatusEffectBattleCry", s, 1);
            auto start = std::chrono::steady_clock::now();
            world.game->update(0.05f);
            auto end = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
    }
    setStepTimeCounters(state, ms);
    state.counters["sentients"] = static_cast<double>(sentients.size());
    size_t effects = 0;
    for (const Sentient* s : sentients)
        effects += s->getStatusEffects().size();
    state.counters["effects"] = static_cast<double>(effects);
}
BENCHMARK(BM_SentientStep)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_UpdateStatsFullyEquipped(benchmark::State& state)
{
    World world;
    Sentient s;
    s.setCharacterClass(0);
    for (int a = 0; a < 5; ++a)
        s.setStat(toIndex(CharacterStat::BaseStrength) + a, 20);
    s.updateStats(true);
    InventoryBase* inventory = s.getInventory();
    InventoryGroup* equipment = inventory->getOwnGroup(toIndex(InventoryGroupIndex::Equipment));
    const DatabaseEntry* ring = DefinitionReader::findEntry("ChainShirt");
    for (int slot = 0; slot < equipment->getSize(); ++slot) {
        ItemBase* item = inventory->createItem();
        item->setItemEntry(ring);
        item->generate(10);
        equipment->setItem(slot, item);
    }
    for (const char* name : {"StatusEffectBasicRegen", "StatusEffectBattleCry", "StatusEffectWarCry"})
        s.addStatusEffectByName(name, &s, 3);
    for (int i = 0; i < 2; ++i) {
        auto* e = new StatusEffect();
        e->forever = true;
        e->groupName = "Extra" + std::to_string(i);
        e->statChanges[toIndex(CharacterStat::Strength)] = 3;
        e->statMults[toIndex(CharacterStat::Attack)] = 100;
        s.insertStatusEffect(e, nullptr);
    }
    for (auto _ : state)
        s.updateStats(false);
    state.counters["effects"] = static_cast<double>(s.getStatusEffects().size());
}
BENCHMARK(BM_UpdateStatsFullyEquipped)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarkTable(argc, argv);
}

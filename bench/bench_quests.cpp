// The Game's quests on the shipped data: updateQuests with 40 Game quests of
// the event types whose event timers come due every step (their rolls do
// nothing to the world) and six of them held by the player; budget 0.1 ms a
// step (0.2 % of the 50 ms step). And a death passed through the 40 quests
// (onActorKilled); budget 5 us. Exits 1 over budget.
#include "bench/BenchProgram.h"
#include "bench/BenchSupport.h"
#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kQuests = 40;

struct QuestWorld : BenchProgram {
    QuestWorld() : BenchProgram("gloam-bench-quests")
    {
        loadWorld(4242);
        Game& game = Game::get();
        game.createTownNpcs();
        player = addPlayerAtStart("Aldric");
        player->setStat(toIndex(CharacterStat::Level), 10);
        // Every step an event pass: the gate, the timer and every row's
        // chance, none of which happens.
        events.minEventTime = 0.01f;
        events.maxEventTime = 0.01f;
        events.minEventLevelDiff = -100;
        events.maxEventLevelDiff = 100;
        const QuestType types[] = {QuestType::Uprising, QuestType::Renegade,    QuestType::TownAttack,
                                   QuestType::Thief,    QuestType::Siege,       QuestType::War,
                                   QuestType::Plague,   QuestType::MonsterScout};
        for (int i = 0; i < kQuests; ++i) {
            auto quest = std::make_unique<Quest>();
            quest->setup(10, game.getClock(), 5000u + static_cast<uint32_t>(i), toIndex(types[i % 8]), 0);
            quest->rollChoices(false);
            quest->definition = &events;
            numbers[i] = game.addQuest(std::move(quest));
        }
        for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
            player->acceptQuest(numbers[slot]);
        }
        victim = SpawnSystem::get().spawnMonster(GameData::get().findMonsterType("GoblinScout"), 0,
                                                 MonsterRarity::Normal, 5);
        if (victim) {
            victim->setPosition(GameData::get().getStartPosition());
            game.addEntity(victim);
        }
    }
    QuestDefinition events;
    Player* player = nullptr;
    Actor* victim = nullptr;
    int numbers[kQuests] = {};
};

QuestWorld& world()
{
    static QuestWorld* w = new QuestWorld();
    return *w;
}

void BM_UpdateQuests(benchmark::State& state)
{
    QuestWorld& w = world();
    Game& game = Game::get();
    for (auto _ : state) {
        game.updateQuests(0.05f);
    }
    benchmark::DoNotOptimize(w.numbers);
}
BENCHMARK(BM_UpdateQuests)->Unit(benchmark::kMicrosecond);

void BM_DeathThroughQuests(benchmark::State& state)
{
    QuestWorld& w = world();
    Game& game = Game::get();
    for (auto _ : state) {
        game.onActorKilled(w.victim, w.player);
    }
}
BENCHMARK(BM_DeathThroughQuests)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    world();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double step = reporter.m_seconds["BM_UpdateQuests"] * 1e6;
    const double death = reporter.m_seconds["BM_DeathThroughQuests"] * 1e6;
    std::printf("%d quests, six held: updateQuests %.2f us a step (budget 100 us): %s\n", kQuests, step,
                step <= 100.0 ? "within" : "OVER");
    std::printf("a death through %d quests: %.3f us (budget 5 us): %s\n", kQuests, death,
                death <= 5.0 ? "within" : "OVER");
    benchmark::Shutdown();
    return budgetExitCode(step <= 100.0 && death <= 5.0);
}

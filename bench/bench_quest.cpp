// The state-message path of quests: 32 unchanged records read by index (no
// roll) and their titles built, per batch; the budget is 100 µs a batch
// (0.2 % of a 50 ms server step).
#include "bench/BenchSupport.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameData.h"
#include "game/quests/QuestLoaders.h"
#include "tests/support/TestQuest.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

constexpr int kQuests = 32;

struct QuestBatch {
    QuestBatch()
        : user(std::filesystem::temp_directory_path() / "gloam_bench_quest"),
          files(std::string(GLOAM_TESTDATA_DIR) + "/quests", user.string())
    {
        registerQuestLoaders();
        database.load(Database::kMasterFile, false);
        data.load();
        MonsterType* scout = data.findMonsterType("GoblinScout");
        for (int i = 0; i < kQuests; ++i) {
            quests[i].setUpType = scout;
            int type = 5 + i % 8; // kill, item and event types
            quests[i].setup(10, GameTime(0, 8, 0, 0.0f), 1000u + static_cast<uint32_t>(i), type, 0);
            quests[i].rollChoices(false);
            quests[i].setUp(0, nullptr);
            quests[i].randomizeParameters();
            quests[i].write(message, false);
        }
    }
    DebugSystem debug;
    std::filesystem::path user;
    FileSystem files;
    Database database;
    GameData data;
    TestQuest quests[kQuests];
    ByteBuffer message;
};

QuestBatch& batch()
{
    static QuestBatch* b = new QuestBatch();
    return *b;
}

void BM_ReadUnchangedQuestsAndTitles(benchmark::State& state)
{
    QuestBatch& b = batch();
    size_t characters = 0;
    for (auto _ : state) {
        b.message.setReadPos(0);
        for (TestQuest& quest : b.quests) {
            quest.read(b.message, true, false, 0);
            characters += quest.getTitle(false, -1).size();
        }
    }
    benchmark::DoNotOptimize(characters);
}
BENCHMARK(BM_ReadUnchangedQuestsAndTitles)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double micros = reporter.m_seconds["BM_ReadUnchangedQuestsAndTitles"] * 1e6;
    std::printf("%d quest records read and titled: %.1f us per batch, budget 100 us: %s\n", kQuests, micros,
                micros <= 100.0 ? "within" : "OVER");
    return budgetExitCode(micros <= 100.0);
}

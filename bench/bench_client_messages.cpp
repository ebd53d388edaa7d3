// The client's side of the server messages, on one core:
//   - reading and applying a message 3 with 300 entity records of the shipped
//     objects, 16 "set" lines, 32 sound records and eight covenants, in the
//     steady state (the 300 mirrors exist, the entries stay): at most 0.3 ms;
//   - Client::pickEntity over 1,000 mirrors with the loaded BoxMan model: at
//     most 0.25 ms.
// The process exits with 1 when a mean of processor time is above its budget
// (on a loaded machine the wall time also counts the waits for a core).
#include "bench/BenchClient.h"
#include "bench/BenchSupport.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "tests/support/TestEntityMirror.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace CMB = ClientMessageBytes;

namespace {

constexpr double kApplyBudgetMs = 0.3;
constexpr double kPickBudgetMs = 0.25;

// data/ and the generated content, a joined client and its game state.
struct ClientBench : BenchClient {
    ClientBench() : BenchClient("gloam-bench-client", false) {}

    // Entry ids of the shipped "Object" entries, in load order.
    std::vector<uint32_t> objectIds() const
    {
        std::vector<uint32_t> ids;
        for (int i = 0; i < database.getEntryCount(); ++i) {
            const DatabaseEntry* entry = database.getEntryAt(i);
            if (entry && entry->getTypeInherited() == static_cast<int>(DatabaseEntryType::Object) &&
                database.getInt(entry, "Gate", 0) == 0) {
                ids.push_back(static_cast<uint32_t>(entry->getId()));
            }
        }
        return ids;
    }
};

ClientBench& bench()
{
    static ClientBench* b = new ClientBench();
    return *b;
}

ByteBuffer stateMessage(const std::vector<uint32_t>& objects)
{
    ByteBuffer out;
    out.writeInt(uint32_t(3));
    out.writeInt(CMB::kEnd);
    CMB::writeNames(out, {});
    out.writeInt(uint32_t(16));
    for (int i = 0; i < 16; ++i) {
        out.writeString("set benchValue" + std::to_string(i % 4) + " " + std::to_string(i));
    }
    for (uint32_t number = 0; number < 300; ++number) {
        CMB::writeEntity(out, number, objects.empty() ? CMB::kEnd : objects[number % objects.size()]);
    }
    out.writeInt(CMB::kEnd);
    CMB::GameValues game;
    game.covenants = 8;
    CMB::writeGameSection(out, game);
    out.writeInt(uint32_t(32));
    for (uint32_t i = 0; i < 32; ++i) {
        out.writeInt(CMB::kEnd); // no sound name: read and passed over
        out.writeInt(i);
        out.writeZonePosition(ZonePosition(0, 5.0f, 6.0f));
        out.writeFloat(0.0f);
    }
    return out;
}

void BM_ReadAndApplyStateMessage(benchmark::State& state)
{
    ClientBench& b = bench();
    const ByteBuffer message = stateMessage(b.objectIds());
    unsigned drops = b.client.getDroppedCount();
    for (auto _ : state) {
        ByteBuffer in(message.bytes());
        b.client.dispatchMessage(in, b.server);
    }
    if (b.client.getDroppedCount() != drops) {
        state.SkipWithError("the client dropped the message");
    }
    state.counters["bytes"] = static_cast<double>(message.size());
}
BENCHMARK(BM_ReadAndApplyStateMessage)->Unit(benchmark::kMicrosecond);

void BM_PickEntityOverThousandMirrors(benchmark::State& state)
{
    ClientBench& b = bench();
    GameClient& game = GameClient::get();
    for (int number = 0; number < GameClient::kEntityCount; ++number) {
        auto mirror = std::make_unique<TestEntityMirror>(1);
        // A 40 × 25 field two tiles apart around the camera.
        mirror->setPosition(ZonePosition(0, 600.0f + 32.0f * (number % 40), 600.0f + 32.0f * (number / 40)));
        mirror->setRadius(12.0f);
        mirror->setModel("BoxMan/boxman.mdl");
        game.setEntity(number, std::move(mirror));
    }
    if (!game.getEntity(0)->getModel()) { // waits for the loader once
        state.SkipWithError("BoxMan did not load");
    }
    float x = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(b.client.pickEntity(320.0f + x, 240.0f, nullptr));
        x = x > 300.0f ? -300.0f : x + 7.0f;
    }
    for (int number = 0; number < GameClient::kEntityCount; ++number) {
        game.setEntity(number, nullptr);
    }
}
BENCHMARK(BM_PickEntityOverThousandMirrors)->Unit(benchmark::kMicrosecond);

class BudgetReporter : public BenchConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) {
                continue;
            }
            double ms = run.cpu_accumulated_time * 1000.0 / static_cast<double>(run.iterations);
            double budget =
                run.run_name.function_name == "BM_ReadAndApplyStateMessage" ? kApplyBudgetMs : kPickBudgetMs;
            if (ms > budget) {
                std::printf("%s: %.4f ms over the budget of %.2f ms\n", run.run_name.function_name.c_str(),
                            ms, budget);
                overBudget = true;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    bool overBudget = false;
};

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    BudgetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return budgetExitCode(!reporter.overBudget);
}

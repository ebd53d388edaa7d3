// The player section on the shipped data for a player with every inventory
// group full of generated magic items and six quests: written once per
// client per frame (budget 0.5 ms, 1 % of a 50 ms step); and the saved join
// of that character read back (budget 1 ms). Prints the section size; exits
// 1 over budget.
#include "bench/BenchProgram.h"
#include "bench/BenchSupport.h"
#include "engine/app/Application.h"
#include "engine/core/ByteBuffer.h"
#include "engine/platform/LaunchOptions.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Item.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

struct FullPlayer : BenchProgram {
    FullPlayer() : BenchProgram("gloam-bench-player")
    {
        loadWorld(4242);
        player = addPlayerAtStart("Aldric");
        // Every group full of magic items of level 30.
        InventoryBase& inventory = *player->getInventory();
        for (int g = 0; g < kInventoryGroupCount; ++g) {
            InventoryGroup* group = inventory.getOwnGroup(g);
            if (group->getSize() == 0)
                group->setSize(8);
            for (int i = 0; i < group->getSize(); ++i) {
                std::unique_ptr<Item> item = SpawnSystem::get().createRandomItem(
                    30, 400, -1, -1, -1.0f, -1, false, 0, nullptr, ItemRarity::Rare);
                if (item)
                    group->setItem(i, item.release());
            }
        }
        for (int slot = 0; slot < Player::kQuestSlots; ++slot)
            player->getQuest(slot)->setup(10 + slot, GameTime(), 1234u + static_cast<uint32_t>(slot),
                                          toIndex(QuestType::KillMonsters), 0);
        writeSavedJoin();
    }

    // The character section a returning client sends for this player.
    void writeSavedJoin()
    {
        ByteBuffer& out = savedJoin;
        out.writeInt(uint32_t(1)); // an existing character
        out.writeString(player->getName());
        out.writeInt(player->getMaxHealth());
        out.writeInt(player->getHealth());
        out.writeInt(uint32_t(player->getStat(toIndex(CharacterStat::Class))));
        player->getStats().write(out);
        for (int32_t value : player->getStatistics())
            out.writeInt(value);
        player->getInventory()->write(out, false);
        for (int i = 0; i < Player::kQuestSlots; ++i)
            player->getQuest(i)->write(out, false);
        out.writeBoolVector(std::vector<bool>(Player::kFlagCount, false));
        out.writeInt(uint32_t(0)); // no positions
        World& world = World::get();
        out.writeInt(uint32_t(world.getWorldSize() ? world.getWorldSize()->entryId : 0));
        out.writeInt(world.getWorldSeed());
        out.writeInt(uint32_t(1));
        const size_t gates = player->getGates().getRecords().size();
        for (int list = 0; list < 2; ++list)
            for (size_t i = 0; i < gates; ++i)
                out.writeInt(uint32_t(1));
        out.writeIntVector({});
    }

    Player* player = nullptr;
    ByteBuffer savedJoin;
};

FullPlayer& full()
{
    static FullPlayer* p = new FullPlayer();
    return *p;
}

size_t g_sectionSize = 0;

void BM_WritePlayerSection(benchmark::State& state)
{
    FullPlayer& p = full();
    ByteBuffer out;
    for (auto _ : state) {
        out.clear();
        p.player->writePlayerSection(out);
    }
    g_sectionSize = out.size();
}
BENCHMARK(BM_WritePlayerSection)->Unit(benchmark::kMicrosecond);

void BM_ReadSavedJoin(benchmark::State& state)
{
    FullPlayer& p = full();
    Player reader;
    Game::get().addEntity(&reader);
    reader.buildForWorld();
    std::string field;
    for (auto _ : state) {
        ByteBuffer in(p.savedJoin.data(), p.savedJoin.size());
        if (!reader.initNewCharacter(in, field)) {
            state.SkipWithError(("saved join refused: " + field).c_str());
            break;
        }
    }
    Game::get().removeEntity(&reader);
}
BENCHMARK(BM_ReadSavedJoin)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    initBenchmarks(argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double write = reporter.m_seconds["BM_WritePlayerSection"] * 1e3;
    const double read = reporter.m_seconds["BM_ReadSavedJoin"] * 1e3;
    const bool ok = write > 0.0 && read > 0.0 && write <= 0.5 && read <= 1.0;
    std::printf("player section %zu bytes written in %.3f ms (budget 0.5 ms); saved join read in %.3f ms "
                "(budget 1 ms): %s\n",
                g_sectionSize, write, read, ok ? "within" : "OVER");
    benchmark::Shutdown();
    return budgetExitCode(ok);
}

// The world on the shipped data, one core: "Standard" laid out from a seed,
// and the same with every level's layout and collision grids built. Figures
// come as counters (milliseconds).
#include "engine/core/DebugSystem.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "graphics/shaders/ShaderSystem.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

// The shipped data with the World's systems, made once.
struct WorldData {
    WorldData()
        : userDir(std::filesystem::temp_directory_path() / "gloam-bench-world"),
          files(GLOAM_DATA_DIR, (std::filesystem::create_directories(userDir), userDir.string()))
    {
        files.mountGeneratedDirectory(GLOAM_GENERATED_DATA_DIR);
        database.load(Database::kMasterFile, false);
        startUpGameData(data);
        resources.setFileReader([](const std::string& name, std::vector<uint8_t>& out) {
            for (const char* root : {GLOAM_DATA_DIR, GLOAM_GENERATED_DATA_DIR}) {
                std::ifstream in(std::string(root) + "/" + name, std::ios::binary);
                if (in) {
                    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
                    return true;
                }
            }
            return false;
        });
        ModelResource::registerTypes(resources);
        shaders.registerCommands();
        shaders.loadAll();
        registerAreaResourceType(resources);
        world = std::make_unique<World>();
        world->installNeighbourFunction();
    }
    ~WorldData()
    {
        world.reset();
        data.reset();
        ZoneTopology::reset();
    }

    DebugSystem debug;
    std::filesystem::path userDir;
    FileSystem files;
    Database database;
    ResourceSystem resources;
    ShaderSystem shaders;
    std::unique_ptr<GameData> data;
    std::unique_ptr<World> world;
};

WorldData& worldData()
{
    static WorldData instance;
    return instance;
}

void setMilliseconds(benchmark::State& state)
{
    state.counters["ms"] = benchmark::Counter(static_cast<double>(state.iterations()) * 1e-3,
                                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WorldLoad(benchmark::State& state)
{
    World& world = *worldData().world;
    uint32_t seed = 1;
    for (auto _ : state) {
        world.setWorldSeed(seed++);
        world.load();
        benchmark::DoNotOptimize(world.getLevelCount());
    }
    setMilliseconds(state);
}
BENCHMARK(BM_WorldLoad)->Repetitions(5)->ReportAggregatesOnly(true);

// Every level acquired, laid out and its collision grids filled (one cell
// query per block place), then released.
void BM_WorldLoadAndBuild(benchmark::State& state)
{
    World& world = *worldData().world;
    uint32_t seed = 1;
    for (auto _ : state) {
        world.setWorldSeed(seed++);
        world.load();
        int blocked = 0;
        for (int i = 0; i < world.getLevelCount(); ++i) {
            Level* level = world.getLevel(i);
            level->acquire(1);
            level->ensureLayout();
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    blocked += level->isCellBlockedForMovement(x * 16 + 3, y * 16 + 3);
        }
        benchmark::DoNotOptimize(blocked);
        state.PauseTiming();
        for (int i = 0; i < world.getLevelCount(); ++i) {
            world.getLevel(i)->release(1);
        }
        state.ResumeTiming();
    }
    setMilliseconds(state);
}
BENCHMARK(BM_WorldLoadAndBuild)->Repetitions(3)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();

// The whole game's budgets on the shipped data, through the real headless
// program (Server and Client over the loopback), on the largest world size
// the data defines with the most computer covenants the rules allow, "Hard",
// every random stream seeded:
// - generating the world as New Game starts it, the town built: 2 s;
// - the server step while the self-playing player plays, from game minute 30
//   (past the covenants' slow start) for ten game minutes: p99 5 ms of the
//   step thread's processor time (a neighbour's share of the core is not
//   the step's), the wall p99 printed beside it;
// - Save and exit (every file written, temporary and rename): 200 ms;
// - Continue (the saved world loaded, the town built, the player joined):
//   500 ms;
// - the process's peak resident memory: 500 MB.
// Runs on whatever processors the caller allows (`make bench` pins it to one
// core). Prints each figure against its budget, with the seed, levels,
// covenants and peak entities, and exits 1 over one (not in --smoke).
#include "bench/BenchPlayedGame.h"
#include "bench/BenchSupport.h"
#include "client/Client.h"
#include "engine/app/Application.h"
#include "engine/console/CommandRecord.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/platform/LaunchOptions.h"
#include "game/covenants/ActorCovenant.h"
#include "game/definitions/GameEnums.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "tests/support/PlayedGame.h"
#include "tests/support/selfplay/SelfPlayer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

double msSince(SteadyClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

double threadCpuMs()
{
    return bench_pairs::threadSeconds() * 1000.0;
}

double percentile99(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() * 99 / 100];
}

bool report(const char* what, double value, double budget, const char* unit = "ms")
{
    const bool ok = value <= budget;
    std::printf("%-52s %9.3f %s  (budget %g %s)%s\n", what, value, unit, budget, unit,
                ok ? "" : "  OVER BUDGET");
    return ok;
}

// The processors this process may run on, as taskset writes them.
std::string allowedCpus()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) != 0) {
        return "?";
    }
    std::string list;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &set)) {
            continue;
        }
        int last = cpu;
        while (last + 1 < CPU_SETSIZE && CPU_ISSET(last + 1, &set)) {
            ++last;
        }
        list +=
            (list.empty() ? "" : ",") + std::to_string(cpu) + (last > cpu ? "-" + std::to_string(last) : "");
        cpu = last;
    }
    return list;
}

double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The world's layout in one number: the same seed lays out the same levels.
// The secret levels are left out: every load of a saved world draws them anew.
uint64_t layoutHash(World& world)
{
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    mix(world.getWorldSeed());
    const int secret = world.getFirstSecretLevel();
    const int levels = secret >= 0 ? std::min(secret, world.getLevelCount()) : world.getLevelCount();
    mix(static_cast<uint64_t>(levels));
    for (int i = 0; i < levels; ++i) {
        if (const Level* level = world.getLevel(i)) {
            for (char c : level->getName()) {
                mix(static_cast<unsigned char>(c));
            }
        }
    }
    return h;
}

// "N covenants, M computer-run (difficulty Hard Hard ...)".
std::string covenantLine(Game& game)
{
    int computer = 0;
    std::string difficulties;
    for (int i = 0; i < game.getCovenantCount(); ++i) {
        if (const auto* covenant = dynamic_cast<const ActorCovenant*>(game.getCovenant(i))) {
            ++computer;
            const int d = covenant->getDifficulty();
            const char* name = d == static_cast<int>(CovenantDifficultyLevel::Easy)      ? "Easy"
                               : d == static_cast<int>(CovenantDifficultyLevel::Average) ? "Average"
                               : d == static_cast<int>(CovenantDifficultyLevel::Hard)    ? "Hard"
                                                                                         : "?";
            difficulties += (difficulties.empty() ? "" : " ") + std::string(name);
        }
    }
    return std::to_string(game.getCovenantCount()) + " covenants, " + std::to_string(computer) +
           " computer-run (difficulty " + difficulties + ")";
}

} // namespace

int main(int argc, char** argv)
{
    if (!takeBenchArguments(argc, argv)) {
        return 1;
    }
    std::printf("running on CPU %s\n", allowedCpus().c_str());
    const std::filesystem::path user = benchTempDir("gloam-bench-whole-game");
    bool ok = true;
    {
        PlayedGame program(playedGameOptions(user));
        PlayFaults faults;
        SelfPlayer player(program, kBenchSeed, faults.sink());
        const DatabaseEntry* largest = requestLargestWorld();
        if (!largest) {
            return 1;
        }
        Database& db = Database::get();
        World& world = World::get();

        // The start command's own time: the world generated and the town
        // built, before the client's join.
        AppHooks& hooks = program.app->getHooks();
        const auto start = hooks.start;
        double startMs = 0.0;
        hooks.start = [&](const CommandArgs& args) {
            const auto begin = SteadyClock::now();
            start(args);
            program.settle();
            startMs = msSince(begin);
        };
        // The server's part of each frame: what it reads, then its step,
        // on the wall clock and in this thread's processor time.
        double stepMs = 0.0;
        double stepCpuMs = 0.0;
        const auto receive = hooks.serverReceive;
        hooks.serverReceive = [&](double ms, bool paused) {
            const auto begin = SteadyClock::now();
            const double cpu = threadCpuMs();
            receive(ms, paused);
            stepCpuMs = threadCpuMs() - cpu;
            stepMs = msSince(begin);
        };
        const auto update = hooks.serverUpdate;
        hooks.serverUpdate = [&] {
            const auto begin = SteadyClock::now();
            const double cpu = threadCpuMs();
            update();
            stepCpuMs += threadCpuMs() - cpu;
            stepMs += msSince(begin);
        };
        if (!player.startNew(kBenchSeed)) {
            std::printf("the new game does not start\n");
            return 1;
        }
        const uint64_t layout = layoutHash(world);
        const std::string covenants = covenantLine(Game::get());
        std::printf("seed %u, world size %s (%d x %d), %d levels (%d secret; layout %016llx), %s\n",
                    kBenchSeed, largest->getName().c_str(), db.getInt(largest, "Width"),
                    db.getInt(largest, "Height"), world.getLevelCount(), world.getNumSecretLevels(),
                    static_cast<unsigned long long>(layout), covenants.c_str());
        ok &= report("generating the world, the town built", startMs, 2000.0);

        // Past the slow start, then the measured span.
        const int before = benchCount(30, 2) * SelfPlayer::kFramesPerMinute;
        const int measured = benchCount(10, 1) * SelfPlayer::kFramesPerMinute;
        player.setSpan(before + measured);
        SelfPlayer::Figures figures;
        const auto playBegin = SteadyClock::now();
        player.play(before, figures);
        std::vector<double> steps;
        std::vector<double> stepsCpu;
        steps.reserve(static_cast<size_t>(measured));
        stepsCpu.reserve(static_cast<size_t>(measured));
        int peakEntities = 0;
        for (int i = 0; i < measured && faults.count == 0; ++i) {
            player.play(1, figures);
            steps.push_back(stepMs);
            stepsCpu.push_back(stepCpuMs);
            peakEntities = std::max(peakEntities, Game::get().getEntityCount());
        }
        player.finish(figures);
        figures.wallSeconds = msSince(playBegin) / 1000.0;
        figures.endHash = player.worldHash();
        SelfPlayer::printFigures(kBenchSeed, figures.frames / SelfPlayer::kFramesPerMinute, figures);
        if (faults.count > 0 || steps.empty()) {
            std::printf("the play stopped at frame %d\n", figures.frames);
            return 1;
        }
        double sum = 0.0;
        for (double s : stepsCpu) {
            sum += s;
        }
        int built = 0;
        for (int i = 0; i < world.getLevelCount(); ++i) {
            built += world.isLevelLoaded(i) ? 1 : 0;
        }
        std::printf("server step from game minute %d: processor mean %.3f ms over %zu steps, wall p99 "
                    "%.3f ms; %d levels built, %d visited; peak %d entities (%d over the whole play)\n",
                    before / SelfPlayer::kFramesPerMinute, sum / static_cast<double>(stepsCpu.size()),
                    stepsCpu.size(), percentile99(steps), built, figures.levelsVisited, peakEntities,
                    figures.peakEntities);
        ok &= report("server step, 99th percentile (processor)", percentile99(stepsCpu), 5.0);

        // Save and exit, until every file is on the disk.
        auto begin = SteadyClock::now();
        PlayedGame::run("saveAndExit");
        FileSystem::get().finishWrites();
        const double saveMs = msSince(begin);
        const auto files = savedGameFiles(user);
        size_t savedBytes = 0;
        std::string missing;
        for (const char* ending : {".wld", ".chr", ".his", ".map", "global.sav", "global.sts"}) {
            if (std::none_of(files.begin(), files.end(),
                             [&](const auto& file) { return file.first.ends_with(ending); })) {
                missing += std::string(" ") + ending;
            }
        }
        for (const auto& file : files) {
            savedBytes += file.second.size();
        }
        std::printf("saved %zu files, %zu bytes\n", files.size(), savedBytes);
        if (!missing.empty()) {
            std::printf("Save and exit wrote no%s file\n", missing.c_str());
            return 1;
        }
        ok &= report("save and exit (every file written)", saveMs, 200.0);

        // Continue: the saved world and character loaded, the player joined.
        begin = SteadyClock::now();
        const bool resumed = player.resume();
        const double loadMs = msSince(begin);
        if (!resumed) {
            std::printf("the saved game does not resume\n");
            return 1;
        }
        std::printf("resumed: %d levels (layout %016llx), %s, %d entities\n", world.getLevelCount(),
                    static_cast<unsigned long long>(layoutHash(world)), covenantLine(Game::get()).c_str(),
                    Game::get().getEntityCount());
        if (layoutHash(world) != layout || covenantLine(Game::get()) != covenants) {
            std::printf("Continue brought back another world than the one saved\n");
            return 1;
        }
        ok &= report("continue (loaded, the town built, joined)", loadMs, 500.0);
    }
    ok &= report("peak resident memory", peakRssMb(), 500.0, "MB");
    std::filesystem::remove_all(user);
    return budgetExitCode(ok);
}

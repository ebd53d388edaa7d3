// The whole game's budgets on the shipped data, through the real headless
// program: a new world of the largest size generated (2 s, the town built
// included), one player joined as a client joins, then the server step with
// every computer-run covenant playing (p99 5 ms on one core), a world save
// (200 ms) and a load of it (500 ms). Prints each figure against its budget
// and exits 1 over one.
#include "bench/BenchProgram.h"
#include "bench/BenchSupport.h"
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/data/Database.h"
#include "engine/net/NetAddress.h"
#include "engine/net/SocketLayer.h"
#include "engine/platform/LaunchOptions.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "server/Server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sched.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

double msSince(SteadyClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

struct Program : BenchProgram {
    Program() : BenchProgram("gloam-bench-whole-game") {}

    // Until no level waits for the loader thread.
    void settle()
    {
        while (World::get().hasPendingBuilds()) {
            app->getHooks().finishLevels();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    // A new character's join, as the client writes it.
    void join()
    {
        ByteBuffer m;
        m.writeInt(uint32_t(4));
        m.writeInt(uint32_t(0));
        m.writeString("Bench's covenant");
        m.writeInt(uint32_t(0));
        m.writeString("Bench");
        m.writeInt(uint32_t(0));
        NetAddress from;
        getLocalAddress(from, 5009);
        m.setReadPos(0);
        Server::get().dispatch(m, from);
    }
};

bool report(const char* what, double value, double budget)
{
    const bool ok = value <= budget;
    std::printf("%-44s %9.3f ms  (budget %g ms)%s\n", what, value, budget, ok ? "" : "  OVER BUDGET");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (!takeBenchArguments(argc, argv)) {
        return 1;
    }
    // The step budget is for one core.
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(0, &one);
    sched_setaffinity(0, sizeof(one), &one);

    bool ok = true;
    Program program;
    World& world = World::get();
    Database& db = Database::get();
    const DatabaseEntry* largest = largestWorldSize(db);
    if (!largest) {
        std::fprintf(stderr, "the data has no world size\n");
        return 1;
    }
    std::printf("world size %s (%d x %d)\n", largest->getName().c_str(), db.getInt(largest, "Width"),
                db.getInt(largest, "Height"));
    world.setRequestedWorldSize(largest->getId());
    UserVarSystem::get().getVar("PlayerName", "", UserVarSystem::kCreate).setString("Bench");

    auto start = SteadyClock::now();
    if (!Server::get().start(false, 1, 1, 0, 32)) {
        std::fprintf(stderr, "the server does not start: %s\n", Server::get().getStartError().c_str());
        return 1;
    }
    program.settle();
    ok &= report("generating the world and building the town", msSince(start), 2000.0);
    std::printf("levels %d, covenants %d\n", world.getLevelCount(), Game::get().getCovenantCount());

    program.join();
    program.settle();
    std::vector<double> steps;
    const int stepCount = benchCount(2400, 100); // two game minutes, or five seconds
    steps.reserve(stepCount);
    for (int i = 0; i < stepCount; ++i) {
        start = SteadyClock::now();
        program.app->getHooks().serverReceive(50.0, false);
        program.app->getHooks().serverUpdate();
        steps.push_back(msSince(start));
        program.settle();
    }
    std::sort(steps.begin(), steps.end());
    double sum = 0.0;
    for (double s : steps) {
        sum += s;
    }
    std::printf("server step: mean %.3f ms over %d steps, %d entities at the end\n", sum / stepCount,
                stepCount, Game::get().getEntityCount());
    ok &= report("server step, 99th percentile", steps[steps.size() * 99 / 100], 5.0);

    ByteBuffer saved;
    start = SteadyClock::now();
    const bool written = Game::get().saveWorld(saved);
    ok &= written && report("world save", msSince(start), 200.0);
    if (!written) {
        std::printf("world save: nothing written (no player covenant)\n");
    }
    std::printf("world save size %zu bytes\n", saved.size());

    std::string what;
    size_t offset = 0;
    start = SteadyClock::now();
    saved.setReadPos(0);
    const bool loaded = Game::get().loadWorld(saved, what, offset);
    program.settle();
    const double loadMs = msSince(start);
    if (!loaded) {
        std::printf("world load failed at offset %zu: %s\n", offset, what.c_str());
    }
    ok &= loaded && report("world load (town built)", loadMs, 500.0);
    return budgetExitCode(ok);
}

// The computer covenants' part of the server step on the shipped data, in a
// generated world with four of them through the real headless program: the
// covenant step averaged over 20,000 steps (budget 0.05 ms) and a step in
// which all four simulate their battles (budget 2 ms), each in this thread's
// processor time (on a loaded machine the wall time also counts the waits
// for a core). Prints each figure against its budget and exits 1 over one.
#include "bench/BenchProgram.h"
#include "bench/BenchSupport.h"
#include "engine/app/Application.h"
#include "engine/core/StringUtil.h"
#include "engine/platform/LaunchOptions.h"
#include "game/covenants/ActorCovenant.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/LevelLayout.h"
#include "game/world/World.h"
#include "server/Server.h"
#include "tests/support/ServerStartup.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include <time.h>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

double msSince(SteadyClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

// This thread's CPU time: on a loaded machine the wall time of one step
// also counts the time the thread waited to run.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1.0e6;
}

struct Program : BenchProgram {
    Program() : BenchProgram("gloam-bench-covenants") {}

    // Until no level waits for the loader thread.
    void settle()
    {
        World& world = World::get();
        for (;;) {
            bool busy = false;
            for (int i = 0; i < world.getLevelCount() && !busy; ++i) {
                const Level* level = world.getLevel(i);
                const LevelLayout* layout = level ? level->getLayout() : nullptr;
                busy = level && (level->pendingBuild || (layout && layout->wanted && !layout->built));
            }
            if (!busy)
                return;
            app->getHooks().finishLevels();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
};

bool report(const char* what, double value, double budget)
{
    const bool ok = value <= budget;
    std::printf("%-44s %9.4f ms  (budget %g ms)%s\n", what, value, budget, ok ? "" : "  OVER BUDGET");
    return ok;
}

std::vector<ActorCovenant*> computerCovenants()
{
    std::vector<ActorCovenant*> out;
    Game& game = Game::get();
    for (int i = 0; i < game.getCovenantCount(); ++i)
        if (auto* c = dynamic_cast<ActorCovenant*>(game.getCovenant(i)))
            out.push_back(c);
    return out;
}

// The covenants' step of the world step, the clock moved on as it would be.
void covenantStep(const std::vector<ActorCovenant*>& covenants, float dt)
{
    for (ActorCovenant* c : covenants)
        c->update(dt);
    GameTime clock = Game::get().getClock();
    clock.addSeconds(dt);
    Game::get().setClock(clock);
}

} // namespace

int main(int argc, char** argv)
{
    if (!takeBenchArguments(argc, argv)) {
        return 1;
    }
    constexpr float kDt = 0.05f;
    bool ok = true;
    Program program;
    if (!Server::get().start(false, 1, 1, 0, 4)) {
        std::fprintf(stderr, "the server does not start: %s\n", Server::get().getStartError().c_str());
        return 1;
    }
    program.settle();
    const std::vector<ActorCovenant*> covenants = computerCovenants();
    std::printf("levels %d, computer covenants %zu\n", World::get().getLevelCount(), covenants.size());
    if (covenants.empty())
        return 1;

    const int steps = benchCount(20000, 500);
    double sum = 0.0;
    for (int i = 0; i < steps; ++i) {
        const double start = threadCpuMs();
        covenantStep(covenants, kDt);
        sum += threadCpuMs() - start;
    }
    ok &= report(formatString("covenant step, mean of %d", steps).c_str(), sum / steps, 0.05);
    for (const ActorCovenant* c : covenants)
        std::printf("covenant %d: state %d, type %d, raiding %d, recruits %d, ai %d\n", c->index,
                    c->adventureState, c->adventureType, c->isRaiding() ? 1 : 0, c->getRecruitCount(),
                    Game::get().isCovenantAiOn() ? 1 : 0);

    // Every covenant away on an adventure with its battle timer run out.
    std::vector<double> battles;
    std::vector<double> battlesCpu;
    int fought = 0;
    const int rounds = benchCount(20, 3);
    for (int round = 0; round < rounds; ++round) {
        // Raids and alarms would keep them at home.
        for (ActorCovenant* c : covenants)
            if (c->raidTarget != -1)
                c->endRaid();
        for (ActorCovenant* c : covenants) {
            c->alarmUntil = GameTime();
            c->alertUntil = GameTime();
            if (c->adventureState != ActorCovenant::kAdventuring) {
                c->adventureTypeTimer.running = false;
                c->adventureState = ActorCovenant::kIdle;
                c->updateAdventure();
            }
            c->adventureTypeTimer.start(1000.0f);
            c->adventureType = ActorCovenant::kAdventure;
            c->adventureTimer.start(1000.0f);
            c->battleTimer.start(0.0f);
        }
        auto start = SteadyClock::now();
        const double cpuStart = threadCpuMs();
        covenantStep(covenants, kDt);
        battlesCpu.push_back(threadCpuMs() - cpuStart);
        battles.push_back(msSince(start));
        // A round fought restarts the battle timer.
        for (const ActorCovenant* c : covenants)
            fought += c->battleTimer.remaining > 0.0f;
    }
    std::printf("battle rounds fought %d of %zu\n", fought, rounds * covenants.size());
    std::sort(battles.begin(), battles.end());
    std::sort(battlesCpu.begin(), battlesCpu.end());
    std::printf("battle step wall median %.4f ms, worst %.4f ms; its CPU time median %.4f ms\n",
                battles[battles.size() / 2], battles.back(), battlesCpu[battlesCpu.size() / 2]);
    ok &= report(formatString("a step of four battle rounds, worst of %d", rounds).c_str(), battlesCpu.back(),
                 2.0);
    return budgetExitCode(ok);
}

// The busiest frame the game makes, on Mesa's software renderer. The bench
// seed's new world is played headless by the self-playing player until a
// computer covenant's raiders stand at the player's life stone in the town
// (the raid started through the covenant's own path); that game is saved as
// the automatic save saves it. The save is then continued in the whole
// program, windowed on an X display of its own at 1024 x 768, with the Hud,
// status, hot bar, mini-map and message log up; the game is paused and 200
// frames are timed, each to glFinish after the swap. Prints the models,
// lights and particles drawn, then the processor time and fragments of each
// part of the frame (the world, mini-map, texts, windows). Budget: 16 ms per frame (mean) at Mesa's
// default thread count. It then runs itself again with LP_NUM_THREADS=2,
// whose figure is printed without a budget (as is any run with
// LP_NUM_THREADS set).
#include "bench/BenchPlayedGame.h"
#include "bench/BenchSupport.h"
#include "bench/BenchWindow.h"
#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "graphics/FrameHooks.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/LightingSystem.h"
#include "graphics/render/ParticleRenderSurface.h"
#include "graphics/render/RenderQueue.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <string>
#include <thread>
#include <time.h>

namespace {

// Raiders this near the stone count as at it.
constexpr float kAtStone = 320.0f;

float distanceBetween(const ZonePosition& a, const ZonePosition& b)
{
    return a.zone != b.zone ? 1e9f : std::hypot(a.x - b.x, a.y - b.y);
}

// The living raiders of `raider` near the target's stone.
int raidersAtStone(const Covenant& raider, const Covenant& target)
{
    const Entity* stone = target.getLifestone();
    if (!stone) {
        return 0;
    }
    Game& game = Game::get();
    int count = 0;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        const auto* actor = dynamic_cast<const Actor*>(game.getEntity(i));
        if (actor && actor->isAlive() && actor->getCovenant() == &raider && raider.takesPartInRaid(actor) &&
            distanceBetween(actor->getPosition(), stone->getPosition()) < kAtStone) {
            ++count;
        }
    }
    return count;
}

// The computer covenant with the most members alive, to raid the player.
ActorCovenant* strongestRaider()
{
    Game& game = Game::get();
    ActorCovenant* best = nullptr;
    int bestMembers = 0;
    for (int c = 0; c < game.getCovenantCount(); ++c) {
        auto* covenant = dynamic_cast<ActorCovenant*>(game.getCovenant(c));
        if (!covenant || covenant->destroyed) {
            continue;
        }
        int members = 0;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            const auto* actor = dynamic_cast<const Actor*>(game.getEntity(i));
            members += actor && actor->isAlive() && actor->getCovenant() == covenant ? 1 : 0;
        }
        if (members > bestMembers) {
            best = covenant;
            bestMembers = members;
        }
    }
    return best;
}

// A save made during a raid on the player: its files, and the covenants
// of the raid.
struct RaidSave {
    std::map<std::string, std::vector<char>> files;
    int raider = -1;
    int target = -1;
    int atStone = 0;
};

// Plays the bench seed until raiders stand at the player's stone, with the
// player in the town, and saves there. No files when that never comes.
RaidSave playToTheRaid()
{
    const std::filesystem::path user = benchTempDir("gloam-bench-frame-play");
    RaidSave save;
    auto& files = save.files;
    {
        PlayedGame program(playedGameOptions(user));
        PlayFaults faults;
        SelfPlayer player(program, kBenchSeed, faults.sink());
        if (!requestLargestWorld() || !player.startNew(kBenchSeed)) {
            return save;
        }
        const int warmUp = benchCount(5, 1) * SelfPlayer::kFramesPerMinute;
        const int limit = warmUp + 10 * SelfPlayer::kFramesPerMinute;
        player.setSpan(limit);
        SelfPlayer::Figures figures;
        player.play(warmUp, figures);
        Player* self = player.serverPlayer();
        Covenant* own = self ? self->getCovenant() : nullptr;
        ActorCovenant* raider = own ? strongestRaider() : nullptr;
        if (!raider || faults.count > 0) {
            std::printf("frame: no covenant to raid the player at game minute %d\n",
                        figures.frames / SelfPlayer::kFramesPerMinute);
            return save;
        }
        raider->startRaid(own->index);
        int atStone = 0;
        while (figures.frames < limit && faults.count == 0) {
            player.play(1, figures);
            // Saved on the first step with every living raider at the stone,
            // wherever the player is: Continue brings the player back to the
            // stone, while the town's defenders soon kill raiders standing there.
            int alive = 0;
            int dead = 0;
            raider->countRaidParty(alive, dead);
            atStone = raidersAtStone(*raider, *own);
            if (atStone > 0 && atStone == alive) {
                break;
            }
        }
        if (atStone == 0 || faults.count > 0) {
            std::printf("frame: no raider reached the player's stone by game minute %d\n",
                        figures.frames / SelfPlayer::kFramesPerMinute);
            return save;
        }
        std::printf("seed %u: covenant %d raids the player; %d raiders at the stone at game minute %.1f, "
                    "%d entities\n",
                    kBenchSeed, raider->index, atStone,
                    static_cast<double>(figures.frames) / SelfPlayer::kFramesPerMinute,
                    Game::get().getEntityCount());
        program.saveAsAutosave();
        files = savedGameFiles(user);
        save.raider = raider->index;
        save.target = own->index;
        save.atStone = atStone;
    }
    std::filesystem::remove_all(user);
    return save;
}

// Processor time (all threads) and fragments drawn of each part of the
// frame, each part finished before the next begins: the world (ground,
// models, effects), the mini-map, the texts over the world, the other texts
// with the cursor and the swap, and the windows.
template <class Clock>
void printFrameParts(Application& app, GraphicsSystem& graphics, Clock cpuMs, int frames)
{
    enum Part { World, MiniMap, Between, OverheadTexts, Texts, Windows, Parts };
    double processor[Parts] = {};
    double fragments[Parts] = {};
    double mark = 0.0;
    GLuint query = 0;
    graphics.acquireContext();
    glGenQueries(1, &query);
    graphics.releaseContext();
    // Called inside the frame, where the context is current.
    auto begin = [&] {
        glFinish();
        mark = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
        glBeginQuery(GL_SAMPLES_PASSED, query);
    };
    auto end = [&](Part part) {
        glEndQuery(GL_SAMPLES_PASSED);
        glFinish();
        processor[part] += cpuMs(CLOCK_PROCESS_CPUTIME_ID) - mark;
        GLuint passed = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &passed);
        fragments[part] += passed;
    };
    FrameHooks& hooks = graphics.getFrameHooks();
    const FrameHooks saved = hooks;
    hooks.drawMiniMap = [&] {
        end(World);
        begin();
        saved.drawMiniMap();
        end(MiniMap);
        begin();
    };
    hooks.drawOverheadTexts = [&] {
        end(Between);
        begin();
        saved.drawOverheadTexts();
        end(OverheadTexts);
        begin();
    };
    hooks.updateAndDrawMenus = [&](double seconds) {
        end(Texts);
        begin();
        saved.updateAndDrawMenus(seconds);
        end(Windows);
        begin();
    };
    for (int i = 0; i < frames; ++i) {
        graphics.acquireContext();
        begin();
        app.frame();
        end(Texts);
        graphics.releaseContext();
    }
    hooks = saved;
    graphics.acquireContext();
    glDeleteQueries(1, &query);
    graphics.releaseContext();
    const char* names[Parts] = {
        "world",  "mini-map", "after the mini-map", "texts over the world", "texts, cursor and swap",
        "windows"};
    std::printf("parts of the frame (each finished before the next):\n");
    for (int part = 0; part < Parts; ++part) {
        std::printf("  %-24s processor %6.2f ms, %8.0f fragments\n", names[part], processor[part] / frames,
                    fragments[part] / frames);
    }
}

bool busyLoading()
{
    const ResourceSystem::Statistics stats = ResourceSystem::get().getStatistics();
    return stats.queued + stats.loading > 0;
}

bool menuUp(const char* name)
{
    const UIMenu* menu = UISystem::get().findMenu(name);
    return menu && menu->isVisible();
}

} // namespace

int main(int argc, char** argv)
{
    if (!takeBenchArguments(argc, argv)) {
        return 1;
    }
    const char* threads = std::getenv("LP_NUM_THREADS");
    const bool budgeted = !threads || !*threads;
    const RaidSave saved = playToTheRaid();
    if (saved.files.empty()) {
        return 1;
    }

    BenchWindow window;
    if (!window.start("frame", "r_width 1024\nr_height 768\nmonitorSync 0\nminiMapOn 1\n")) {
        return 1;
    }
    for (const auto& [name, bytes] : saved.files) {
        const std::filesystem::path path = window.user / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    Application& app = *window.app;
    UserVarSystem::get()
        .getVar("resumeGameChar", "", UserVarSystem::kCreate)
        .setString(SelfPlayer::kPlayerName);
    Application::runConsoleLine("resumeGame");
    // Frames until a state comes, or a time only a hang reaches: a busy
    // machine makes the loader and the server's steps slow, not the frames.
    auto frameUntil = [&](auto reached) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!reached() && std::chrono::steady_clock::now() < limit) {
            app.frame();
        }
        return reached();
    };
    frameUntil([] {
        return GameClient::instance() && GameClient::get().isLoaded() && Client::get().getLocalPlayer() &&
               Client::get().isJoined();
    });
    if (!GameClient::instance() || !GameClient::get().isLoaded()) {
        std::printf("frame: the saved game does not continue\n");
        return 1;
    }
    // The raid goes on in the continued game, its raiders at the stone: the
    // game pauses as soon as all those saved there are back, so however long
    // the loading below takes on a busy machine they stay.
    auto raidersBack = [&] {
        const Covenant* raider = Game::get().getCovenant(saved.raider);
        const Covenant* target = Game::get().getCovenant(saved.target);
        return raider && target && raider->isRaiding() ? raidersAtStone(*raider, *target) : 0;
    };
    frameUntil([&] { return raidersBack() >= saved.atStone; });
    const int raiders = raidersBack();
    if (raiders < saved.atStone) {
        const Covenant* raider = Game::get().getCovenant(saved.raider);
        int alive = 0, dead = 0;
        if (raider) {
            raider->countRaidParty(alive, dead);
        }
        std::printf("frame: the continued game has %d of the %d raiders at the player's stone (raiding %d, "
                    "%d of its party alive, %d dead)\n",
                    raiders, saved.atStone, raider && raider->isRaiding() ? 1 : 0, alive, dead);
        return 1;
    }
    Application::runConsoleLine("set paused 1");
    // The town's cells, models and textures loaded.
    for (int i = 0; i < 30; ++i) {
        app.frame();
    }
    frameUntil([] { return !busyLoading(); });
    for (const char* menu : {"Hud", "Status", "HotBar"}) {
        if (!menuUp(menu)) {
            std::printf("frame: the %s is not up\n", menu);
            return 1;
        }
    }

    GraphicsSystem& graphics = GraphicsSystem::get();
    // The frame lets its context go: glFinish needs it made current again.
    auto finish = [&] {
        graphics.acquireContext();
        glFinish();
        graphics.releaseContext();
    };
    auto timed = [&] {
        const auto start = std::chrono::steady_clock::now();
        app.frame();
        finish();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    for (int i = 0; i < benchCount(20, 5); ++i) {
        timed();
    }
    // Processor time besides the wall clock: on a loaded machine the wall
    // time mostly measures the wait for the renderer's threads; the main
    // thread's time is the program's own work and the driver's set-up.
    auto cpuMs = [](clockid_t clock) {
        timespec t{};
        clock_gettime(clock, &t);
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
    };
    const double processStart = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
    const double threadStart = cpuMs(CLOCK_THREAD_CPUTIME_ID);
    double total = 0.0;
    const int frames = benchCount(200, 10);
    for (int i = 0; i < frames; ++i) {
        total += timed();
    }
    const double ms = total / frames;
    const double processMs = (cpuMs(CLOCK_PROCESS_CPUTIME_ID) - processStart) / frames;
    const double threadMs = (cpuMs(CLOCK_THREAD_CPUTIME_ID) - threadStart) / frames;

    printFrameParts(app, graphics, cpuMs, benchCount(50, 3));

    RenderQueue& queue = graphics.getRenderQueue();
    int particles = 0;
    for (RenderSurface* surface : queue.getQueued()) {
        particles += dynamic_cast<ParticleRenderSurface*>(surface) ? 1 : 0;
    }
    int mirrors = 0;
    for (int i = 0; i < GameClient::kEntityCount; ++i) {
        mirrors += GameClient::get().getEntity(i) ? 1 : 0;
    }
    std::printf("scene: %d raiders at the stone, %d entities mirrored; %zu models, %d lights, %d particles "
                "drawn; %zu surfaces; %d "
                "texts on screen; mini-map %s\n",
                raiders, mirrors, queue.getPoseCache().getSlotCount(), LightingSystem::get().getCount(),
                particles, queue.getQueued().size(), graphics.getTextEventCount(),
                UserVarSystem::get().getVar("miniMapOn", "", 0).getInt() != 0 ? "on" : "off");
    window.stop();
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    sched_getaffinity(0, sizeof(allowed), &allowed);
    std::printf("frame at 1024 x 768, %s (%d processors allowed, %u in the machine): %.2f ms (processor "
                "%.2f ms, main thread %.2f ms)%s\n",
                budgeted ? "Mesa's default thread count" : ("LP_NUM_THREADS=" + std::string(threads)).c_str(),
                CPU_COUNT(&allowed), std::thread::hardware_concurrency(), ms, processMs, threadMs,
                budgeted ? "; budget 16 ms" : "");
    std::fflush(stdout);
    if (!budgeted) {
        return 0;
    }
    // The same scene on two renderer threads, in a program of its own (Mesa
    // reads the count once), printed without a budget.
    setenv("LP_NUM_THREADS", "2", 1);
    const std::string again = "'" + std::filesystem::read_symlink("/proc/self/exe").string() + "'" +
                              (isSmokeRun() ? " --smoke" : "");
    const int twoThreads = std::system(again.c_str());
    if (twoThreads != 0) {
        std::printf("frame: the run on two renderer threads failed (%d)\n", twoThreads);
        return 1;
    }
    return budgetExitCode(ms <= 16.0);
}

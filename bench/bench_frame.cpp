// A populated level frame on Mesa's software renderer: the whole program on
// its own Xvfb display at 1024 x 768, a game started in the town of a fixed
// seed and paused (its placed models drawn), 100 BoxMan models queued as the
// mirrors queue them, 16 lights and 30 text lines. Each frame is timed to
// glFinish after the swap. Budget: 16 ms per frame (mean over 200 frames
// after 20 warm-up frames); the program exits 1 above it. With
// LP_NUM_THREADS=2 it prints its figure without a budget.
#include "bench/BenchSupport.h"
#include "bench/BenchWindow.h"
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/app/Application.h"
#include "engine/core/Random.h"
#include "engine/resources/ResourceSystem.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/LightingSystem.h"
#include "graphics/render/LitEntity.h"
#include "graphics/render/ModelDrawRequest.h"
#include "graphics/render/RenderQueue.h"

#include <GL/gl.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <time.h>

int main(int argc, char** argv)
{
    if (!takeBenchArguments(argc, argv)) {
        return 1;
    }
    const char* threads = std::getenv("LP_NUM_THREADS");
    const bool budgeted = !(threads && std::string(threads) == "2");
    BenchWindow window;
    if (!window.start("frame", "r_width 1024\nr_height 768\nmonitorSync 0\nPlayerName \"Bench\"\nfps 1\n")) {
        return 1;
    }
    Application& app = *window.app;
    GraphicsSystem& graphics = GraphicsSystem::get();
    Random::setState(0, 7); // the world of a fixed seed
    Application::runConsoleLine("start both 0");
    for (int i = 0; i < 2000 && !(GameClient::instance() && GameClient::get().isLoaded()); ++i) {
        app.frame();
    }
    if (!GameClient::instance() || !GameClient::get().isLoaded()) {
        std::printf("frame: the game did not start\n");
        return 1;
    }
    // The local player's own entry, should the server's player section not
    // have named it yet: the camera follows it into the town.
    Player* player = Game::get().getFirstPlayer();
    if (player && Client::get().getPlayerSlot() < 0) {
        Client::get().getLocalPlayer()->setPlayerEntityNumber(player->getEntityNumber());
    }
    for (int i = 0; i < 20; ++i) {
        app.frame(); // the town's cells and models loaded
    }
    Application::runConsoleLine("set paused 1");

    // 100 BoxMan bodies on a grid around the camera, each lit as a mirror is.
    ResourceHandle man = ResourceSystem::get().load("Models/BoxMan/boxman.mdl");
    for (int i = 0; i < 200 && !man.isLoaded(); ++i) {
        app.frame();
    }
    const ZonePosition centre = Client::get().getCameraCentre();
    std::array<LitEntity, 100> lit;
    FrameHooks& frame = graphics.getFrameHooks();
    auto entities = frame.drawEntities;
    float time = 0.0f;
    frame.drawEntities = [&] {
        if (entities) {
            entities();
        }
        for (int i = 0; i < 100; ++i) {
            const ZonePosition3 at(centre.zone, centre.x + 40.0f * (i % 10 - 5),
                                   centre.y + 40.0f * (i / 10 - 5), 0.0f);
            ModelDrawRequest body = ModelDrawRequest::at(man.getIndex(), at, Matrix3());
            body.time = time + static_cast<float>(i % 8);
            lit[i].position = at;
            body.litEntity = &lit[i];
            graphics.getRenderQueue().addSkinnedModel(body);
        }
        time += 0.5f;
    };
    // 16 lights, kept while paused.
    LightingSystem& lights = LightingSystem::get();
    for (int i = 0; i < 16; ++i) {
        ZonePosition at = centre;
        at.addOffset(60.0f * (i % 4 - 2), 60.0f * (i / 4 - 2));
        lights.addLight(at, Color(1.0f, 0.6f + 0.02f * i, 0.3f), 96.0f, 0);
    }
    for (int i = 0; i < 30; ++i) {
        graphics.addTextEvent("Bench line " + std::to_string(i) + ": the quick brown fox", 20.0f,
                              40.0f + 13.0f * static_cast<float>(i), 3600.0f, 0, 0, 0);
    }

    auto timed = [&] {
        const auto start = std::chrono::steady_clock::now();
        app.frame();
        glFinish();
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
        return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
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
    const size_t surfaces = graphics.getRenderQueue().getQueued().size();
    frame.drawEntities = entities;
    window.stop();
    if (!budgeted) {
        std::printf(
            "frame (LP_NUM_THREADS=2): %.2f ms (%zu surfaces; processor %.2f ms, main thread %.2f ms)\n", ms,
            surfaces, processMs, threadMs);
        return 0;
    }
    std::printf("frame: %.2f ms (%zu surfaces; processor %.2f ms, main thread %.2f ms; budget 16 ms)\n", ms,
                surfaces, processMs, threadMs);
    return budgetExitCode(ms <= 16.0);
}

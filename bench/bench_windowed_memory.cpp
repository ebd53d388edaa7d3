// Peak resident memory of the windowed game on the largest world: the whole
// program on its own Xvfb display, a new world of the largest size started
// from the menus' command, the player carried to every level of the world in
// turn so that each is built and drawn, and the program's high-water mark
// read from the kernel. Budget: 500 MB; the program exits 1 above it.
#include "bench/BenchProgram.h"
#include "bench/BenchSupport.h"
#include "bench/BenchWindow.h"
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/app/Application.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "graphics/GraphicsSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The kernel's high-water mark of resident memory, in kB.
long peakResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!takeBenchArguments(argc, argv)) {
        return 1;
    }
    BenchWindow window;
    if (!window.start("windowed memory",
                      "r_width 1024\nr_height 768\nmonitorSync 0\nPlayerName \"Bench\"\n")) {
        return 1;
    }
    Application& app = *window.app;

    const DatabaseEntry* largest = largestWorldSize(Database::get());
    if (!largest) {
        std::printf("windowed memory: the data has no world size\n");
        return 1;
    }
    const std::string sizeName = largest->getName();
    World::get().setRequestedWorldSize(largest->getId());
    Random::setState(0, 7);
    Application::runConsoleLine("set NumAiCovenants 32");
    Application::runConsoleLine("start both 0");
    for (int i = 0; i < 2000 && !(GameClient::instance() && GameClient::get().isLoaded()); ++i) {
        app.frame();
    }
    Player* player = Game::instance() ? Game::get().getFirstPlayer() : nullptr;
    if (!GameClient::instance() || !GameClient::get().isLoaded() || !player) {
        std::printf("windowed memory: the game did not start\n");
        return 1;
    }
    // Each level in turn: the player stands in its middle until it is built
    // and a few frames have drawn it.
    World& world = World::get();
    const int levels = world.getLevelCount();
    const int visited = benchCount(levels, std::min(levels, 3));
    for (int level = 0; level < visited; ++level) {
        const ZonePosition middle(level, 2048.0f, 2048.0f);
        player->setPosition(middle);
        Client::get().getLocalPlayer()->setPosition(middle);
        for (int i = 0; i < 400 && (!world.isLevelLoaded(level) || world.hasPendingBuilds()); ++i) {
            app.frame();
        }
        for (int i = 0; i < 10; ++i) {
            app.frame();
        }
    }
    const long peak = peakResidentKb();
    const int entities = Game::get().getEntityCount();
    window.stop();
    const double mb = static_cast<double>(peak) / 1024.0;
    std::printf(
        "windowed game, world size %s (%d of %d levels visited, %d entities): peak resident %.1f MB (budget "
        "500 MB)\n",
        sizeName.c_str(), visited, levels, entities, mb);
    if (peak <= 0) {
        std::printf("windowed memory: no high-water mark in /proc/self/status\n");
        return 1;
    }
    return budgetExitCode(mb <= 500.0);
}

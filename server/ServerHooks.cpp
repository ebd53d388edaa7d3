#include "engine/app/AppHooks.h"
#include "engine/core/Profiler.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/world/Game.h"
#include "server/GameStartup.h"
#include "server/Server.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

uint32_t frameMilliseconds(double frameMs)
{
    if (!std::isfinite(frameMs) || frameMs <= 0.0) {
        return 0;
    }
    return static_cast<uint32_t>(std::min(frameMs, 60000.0));
}

void inSection(int section, const std::function<void()>& work)
{
    Profiler* profiler = Profiler::instance();
    if (profiler) {
        profiler->startSection(section);
    }
    work();
    if (profiler) {
        profiler->stopSection(section);
    }
}

} // namespace

void installServerHooks(AppHooks& hooks)
{
    // The server's covenants need their definitions from the game data.
    registerCovenantLoaders();
    auto holder = std::make_shared<std::unique_ptr<Server>>();
    chainHook(hooks.createLateSystems, [holder] { *holder = std::make_unique<Server>(); });
    chainHook(hooks.registerSystems, [] {
        if (Server* server = Server::instance()) {
            server->registerCommands();
        }
    });
    chainHook(hooks.registerGameClasses, [] { startGame(); });
    // The end-of-loop save and the client's autosave; only a running world.
    chainHook(hooks.saveServerGame, [] {
        Server* server = Server::instance();
        Game* game = Game::instance();
        if (server && server->isActive() && game) {
            game->saveCharacter();
        }
    });
    chainHook(hooks.sendServerState, [] {
        if (Server* server = Server::instance()) {
            server->sendUpdates();
        }
    });

    chainHook(hooks.serverReceive, [](double frameMs, bool clientPaused) {
        if (Server* server = Server::instance()) {
            inSection(Profiler::ServerReceive,
                      [&] { server->receiveMessages(frameMilliseconds(frameMs), clientPaused); });
        }
    });
    chainHook(hooks.serverUpdate, [] {
        if (Server* server = Server::instance()) {
            inSection(Profiler::ServerUpdate, [&] { server->update(); });
        }
    });
    chainHook(hooks.stopGames, [] { shutdownGame(); });
    // Destroyed in reverse order of creation: the server before what came earlier.
    chainHookFirst(hooks.destroySystems, [holder] {
        if (*holder) {
            (*holder)->shutdown();
            holder->reset();
        }
    });
}

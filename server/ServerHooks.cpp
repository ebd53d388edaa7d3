#include "engine/app/AppHooks.h"
#include "engine/core/Profiler.h"
#include "server/GameStartup.h"
#include "server/Server.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Runs the hook that was installed before, then the new part.
void chain(std::function<void()>& hook, std::function<void()> after)
{
    std::function<void()> before = hook;
    hook = [before, after] {
        if (before) {
            before();
        }
        after();
    };
}

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
    auto holder = std::make_shared<std::unique_ptr<Server>>();
    chain(hooks.createLateSystems, [holder] { *holder = std::make_unique<Server>(); });
    chain(hooks.registerSystems, [] {
        if (Server* server = Server::instance()) {
            server->registerCommands();
        }
    });
    chain(hooks.registerGameClasses, [] { startGame(); });

    auto previousReceive = hooks.serverReceive;
    hooks.serverReceive = [previousReceive](double frameMs, bool clientPaused) {
        if (previousReceive) {
            previousReceive(frameMs, clientPaused);
        }
        if (Server* server = Server::instance()) {
            inSection(Profiler::ServerReceive,
                      [&] { server->receiveMessages(frameMilliseconds(frameMs), clientPaused); });
        }
    };
    chain(hooks.serverUpdate, [] {
        if (Server* server = Server::instance()) {
            inSection(Profiler::ServerUpdate, [&] { server->update(); });
        }
    });
    chain(hooks.stopGames, [] { shutdownGame(); });
    // Destroyed in reverse order of creation: the server before what came earlier.
    std::function<void()> previousDestroy = hooks.destroySystems;
    hooks.destroySystems = [holder, previousDestroy] {
        if (*holder) {
            (*holder)->shutdown();
            holder->reset();
        }
        if (previousDestroy) {
            previousDestroy();
        }
    };
}

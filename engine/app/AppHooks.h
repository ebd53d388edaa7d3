#pragma once

#include "engine/console/CommandRecord.h"

#include <functional>
#include <string>
#include <type_traits>

// What saveBeforeQuit did: the game is saved, there was no game to save
// here (the end of the loop saves what there is), or the save could not be
// made and the program goes on (the player was told).
enum class QuitSave { Saved, NotInGame, Refused };

// Where the later subsystems (graphics, sound, world, client, server, UI,
// editors, game definitions) plug into the application frame. The program's
// main installs them; every hook may be left empty.
struct AppHooks {
    // Start-up, in the order the application calls them.
    std::function<void()> createGraphicsSystems; // after the resource manager: shader tables … mini-map
    std::function<void()> createUiSystem;        // after the database object
    std::function<void()> createSoundSystem;     // after input
    std::function<void()> createLateSystems;     // after the socket layer: client, server, editors
    std::function<void()> registerSystems;       // commands, variables, resource types of those systems
    std::function<void()> afterDatabaseLoad;     // build and load the game definitions
    // Window and OpenGL context; false with an error text is fatal. Without
    // it the platform layer opens the plain window.
    std::function<bool(std::string& error)> setupDisplay;
    // The sound driver; false is fatal. The text is set when the failure
    // lies beyond the device (another device would fail alike).
    std::function<bool(std::string& beyondDevice)> startSound;
    std::function<void()> setupWorld;          // effect types, world, spawns, UI, maps, editors
    std::function<void()> registerGameClasses; // game and client classes, path finder, events
    std::function<void()> setStartupDone;

    // Main loop.
    std::function<void()> finishLevels;
    std::function<bool()> isClientPaused;
    std::function<void(double frameMs, bool clientPaused)> serverReceive;
    std::function<void()> clientUpdate;
    std::function<void(double seconds)> clientThink;
    std::function<void()> serverUpdate;
    std::function<void()> takeScreenshot;
    std::function<void(double seconds)> clientDraw;
    std::function<void()> saveClientState;
    std::function<void()> saveServerGame;
    // The server sends its clients its state now, not only at the end of
    // its update: a save writes the client's files once the client has
    // read it, so that they and the world are of the same step.
    std::function<void()> sendServerState;

    // Frame commands.
    std::function<void(const CommandArgs& args)> start;
    std::function<void(const CommandArgs& args)> resumeGame;
    std::function<void(const CommandArgs& args)> saveAndExit;
    // Quit and the window's close ask this first.
    std::function<QuitSave()> saveBeforeQuit;

    // Shut-down, in the order the application calls them.
    std::function<void()> stopGames; // path finder, client game, server game
    std::function<void()> shutdownSound;
    std::function<void()> shutdownDisplay; // clears displayReady, releases the context
    std::function<void()> logStatistics;
    std::function<void()> destroySystems; // the hooks' singletons, in reverse order
};

// Adds to a hook without losing what is installed: chainHook runs the
// installed part first, then the added one (start-up order); chainHookFirst
// runs the added part first (shut-down order, the reverse of creation).
template <class... Args>
void chainHook(std::function<void(Args...)>& hook, std::type_identity_t<std::function<void(Args...)>> added)
{
    hook = [installed = std::move(hook), added = std::move(added)](Args... args) {
        if (installed)
            installed(args...);
        added(args...);
    };
}

template <class... Args>
void chainHookFirst(std::function<void(Args...)>& hook,
                    std::type_identity_t<std::function<void(Args...)>> added)
{
    hook = [installed = std::move(hook), added = std::move(added)](Args... args) {
        added(args...);
        if (installed)
            installed(args...);
    };
}

#include "client/ClientHooks.h"

#include "client/ClientFrameHooks.h"
#include "graphics/GraphicsSystem.h"

#include "client/Client.h"
#include "client/ClientSoundQueries.h"
#include "client/GameClient.h"
#include "client/stats/GlobalStats.h"
#include "engine/app/AppHooks.h"
#include "engine/app/DebugConsole.h"
#include "engine/console/CommandSystem.h"
#include "sound/SoundSystem.h"

#include <memory>

void installClientHooks(AppHooks& hooks)
{
    auto holder = std::make_shared<std::unique_ptr<Client>>();
    auto soundQueries = std::make_shared<ClientSoundQueries>();
    // The frame drawn so far becomes the client's frame renderer.
    std::function<void(double)> renderer = hooks.clientDraw;
    // The client is made before the server.
    chainHookFirst(hooks.createLateSystems, [holder, soundQueries] {
        *holder = std::make_unique<Client>();
        if (SoundSystem* sound = SoundSystem::instance()) {
            sound->setClientQueries(soundQueries.get());
        }
    });
    chainHook(hooks.registerSystems, [renderer] {
        Client* client = Client::instance();
        if (!client) {
            return;
        }
        client->registerCommands();
        client->setFrameRenderer(wrapFrameRenderer(renderer));
        if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
            installClientFrameHooks(*client, *graphics);
        }
        if (CommandSystem* commands = CommandSystem::instance()) {
            commands->setForwarder([](const std::string& line) {
                if (Client* c = Client::instance()) {
                    c->queueServerCommand(line);
                }
            });
        }
        if (DebugConsole* console = DebugConsole::instance()) {
            console->setKeyHookSetter([](bool install) {
                Client* c = Client::instance();
                if (!c) {
                    return;
                }
                if (install) {
                    c->setKeyHook([](int key, bool down, bool repeat) {
                        if (DebugConsole* open = DebugConsole::instance()) {
                            open->handleKey(key, down, repeat);
                        }
                    });
                } else {
                    c->setKeyHook(nullptr);
                }
            });
        }
    });
    std::function<void()> serverSaver = hooks.saveServerGame;
    std::function<void()> serverStateSender = hooks.sendServerState;
    chainHook(hooks.registerGameClasses, [serverSaver, serverStateSender] {
        GameClient::registerCommands();
        GlobalStats::load();
        if (GameClient* game = GameClient::instance(); game && serverSaver) {
            game->setServerSaver(serverSaver);
        }
        if (Client* client = Client::instance(); client && serverStateSender) {
            client->setServerStateSender(serverStateSender);
        }
    });
    chainHook(hooks.setStartupDone, [] {
        if (Client* client = Client::instance()) {
            client->setStartupDone();
        }
    });
    hooks.isClientPaused = [] {
        Client* client = Client::instance();
        return client && client->isPaused();
    };
    // Once the client updates, it polls the input and clears the pressed flags.
    hooks.clientUpdate = [] {
        if (Client* client = Client::instance()) {
            client->update();
        }
    };
    hooks.clientThink = [](double seconds) {
        if (Client* client = Client::instance()) {
            client->think(seconds);
        }
    };
    hooks.clientDraw = [](double seconds) {
        if (Client* client = Client::instance()) {
            client->draw(seconds);
        }
    };
    // The end of the main loop: the client's half of the save the
    // application makes with the world.
    chainHook(hooks.saveClientState, [] {
        if (Client* client = Client::instance()) {
            client->catchUpWithServer();
            client->saveGameState();
        }
    });
    chainHookFirst(hooks.stopGames, [] {
        if (Client* client = Client::instance()) {
            client->shutdown();
        }
        if (GameClient* game = GameClient::instance()) {
            game->reset();
        }
    });
    chainHookFirst(hooks.destroySystems, [holder] {
        if (SoundSystem* sound = SoundSystem::instance()) {
            sound->setClientQueries(nullptr);
        }
        GameClient::destroy();
        GlobalStats::clear();
        holder->reset();
    });
}

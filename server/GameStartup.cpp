#include "server/GameStartup.h"

#include "game/skills/StatSystem.h"
#include "game/world/CombatSystem.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"
#include "game/world/GameSystem.h"
#include "game/world/SpawnSystem.h"
#include "server/CovenantCommands.h"
#include "server/GameCommandTable.h"
#include "server/PlayerCommands.h"

#include <memory>

namespace {
std::unique_ptr<GameSystemRegistry> g_registry;
std::unique_ptr<Game> g_game;
} // namespace

void startGame()
{
    if (Game::instance()) {
        return;
    }
    if (!GameSystemRegistry::instance()) {
        g_registry = std::make_unique<GameSystemRegistry>();
    }
    g_game = std::make_unique<Game>();
    SpawnSystem::installGameHooks(*g_game);
    createCombatSystem();
    createFactionSystem();
    createStatSystem();
    registerGameClasses();
    attachPlayerCommands();
    attachCovenantCommands();
    attachDiplomacyCommands();
    registerGameCommands();
}

void shutdownGame()
{
    destroyStatSystem();
    destroyFactionSystem();
    destroyCombatSystem();
    g_registry.reset();
    g_game.reset();
}

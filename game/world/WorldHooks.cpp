#include "game/world/WorldHooks.h"

#include "engine/app/AppHooks.h"
#include "engine/resources/ResourceSystem.h"
#include "game/world/AreaResource.h"
#include "game/world/PathFinder.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "game/world/WorldQuestAdapter.h"

#include <memory>

void installWorldHooks(AppHooks& hooks)
{
    auto holder = std::make_shared<std::unique_ptr<World>>();
    auto quests = std::make_shared<std::unique_ptr<WorldQuestAdapter>>();
    std::function<void()> previousRegister = hooks.registerSystems;
    hooks.registerSystems = [previousRegister] {
        if (previousRegister) {
            previousRegister();
        }
        if (ResourceSystem* resources = ResourceSystem::instance(); resources && !resources->hasType("ara")) {
            registerAreaResourceType(*resources);
        }
    };
    std::function<void()> previousSetup = hooks.setupWorld;
    auto spawns = std::make_shared<std::unique_ptr<SpawnSystem>>();
    hooks.setupWorld = [holder, quests, spawns, previousSetup] {
        if (previousSetup) {
            previousSetup();
        }
        *holder = std::make_unique<World>();
        (*holder)->installNeighbourFunction();
        *quests = std::make_unique<WorldQuestAdapter>(**holder);
        // The game data is loaded by now.
        *spawns = std::make_unique<SpawnSystem>();
        (*spawns)->load();
    };
    std::function<void()> previousClasses = hooks.registerGameClasses;
    hooks.registerGameClasses = [previousClasses] {
        if (previousClasses) {
            previousClasses();
        }
        PathFinder::create();
    };
    std::function<void()> previousStop = hooks.stopGames;
    hooks.stopGames = [previousStop] {
        PathFinder::destroy();
        if (previousStop) {
            previousStop();
        }
    };
    std::function<void()> previousFinish = hooks.finishLevels;
    hooks.finishLevels = [holder, previousFinish] {
        if (previousFinish) {
            previousFinish();
        }
        if (*holder) {
            (*holder)->completePendingBuilds();
        }
    };
    std::function<void()> previousDestroy = hooks.destroySystems;
    hooks.destroySystems = [holder, quests, spawns, previousDestroy] {
        spawns->reset();
        // Before the shader system and the resource manager that its levels
        // hold handles of.
        quests->reset();
        holder->reset();
        if (previousDestroy) {
            previousDestroy();
        }
    };
}

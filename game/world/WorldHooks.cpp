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
    auto spawns = std::make_shared<std::unique_ptr<SpawnSystem>>();
    chainHook(hooks.registerSystems, [] {
        if (ResourceSystem* resources = ResourceSystem::instance(); resources && !resources->hasType("ara")) {
            registerAreaResourceType(*resources);
        }
    });
    chainHook(hooks.setupWorld, [holder, quests, spawns] {
        *holder = std::make_unique<World>();
        (*holder)->installNeighbourFunction();
        *quests = std::make_unique<WorldQuestAdapter>(**holder);
        // The game data is loaded by now.
        *spawns = std::make_unique<SpawnSystem>();
        (*spawns)->load();
    });
    chainHook(hooks.registerGameClasses, [] { PathFinder::create(); });
    chainHookFirst(hooks.stopGames, [] { PathFinder::destroy(); });
    chainHook(hooks.finishLevels, [holder] {
        if (*holder) {
            (*holder)->completePendingBuilds();
        }
    });
    chainHookFirst(hooks.destroySystems, [holder, quests, spawns] {
        spawns->reset();
        // Before the shader system and the resource manager that its levels
        // hold handles of.
        quests->reset();
        holder->reset();
    });
}

#include "game/world/FightingServices.h"

#include "game/entities/EntityServices.h"
#include "game/world/Game.h"

void registerFightingServices()
{
    EntityServiceHooks hooks = EntityServices::hooks();
    hooks.entitiesInRange = [](Entity* self, const ZonePosition& centre, float radius, uint32_t mask,
                               std::vector<Entity*>& out) {
        if (Game* game = Game::instance()) {
            game->getEntitiesInRange(false, centre, self, radius, mask, out);
        }
    };
    hooks.findFreeSpotOnRing = [](const ZonePosition& centre, int ring, ZonePosition& out, Entity* entity,
                                  bool itemSpot) {
        Game* game = Game::instance();
        return game && game->findFreeSpotOnRing(centre, ring, out, entity, itemSpot);
    };
    // Without an entity the spot is one to drop an item on.
    hooks.findFreeSpotNear = [](const ZonePosition& centre, int lastRing, ZonePosition& out, Entity* entity) {
        Game* game = Game::instance();
        return game && game->findFreeSpotNear(centre, lastRing, out, entity, false, 0, entity == nullptr);
    };
    EntityServices::setHooks(hooks);
}

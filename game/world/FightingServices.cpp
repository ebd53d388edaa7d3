#include "game/world/FightingServices.h"

#include "game/entities/EntityServices.h"
#include "game/entities/Sentient.h"
#include "game/world/CombatSystem.h"
#include "game/world/Game.h"

void registerFightingServices()
{
    EntityServiceHooks hooks = EntityServices::hooks();
    hooks.applyDamageOfType = [](int amount, Entity* source, Entity* target, int damageType, bool overTime,
                                 bool reflected) {
        CombatSystem* combat = CombatSystem::instance();
        return combat ? combat->applyDamageOfType(amount, source, target, damageType, overTime, reflected)
                      : 0;
    };
    hooks.applyDamage = [](Entity* source, Entity* target, const StatChangeList& list, bool overTime,
                           bool reflected) {
        CombatSystem* combat = CombatSystem::instance();
        return combat ? combat->applyDamage(source, target, list, overTime, reflected) : 0;
    };
    // The melee attack: no skill, in reach, the whole damage.
    hooks.resolveHit = [](Sentient* attacker, Entity* target) {
        CombatSystem* combat = CombatSystem::instance();
        return combat ? combat->resolveHit(attacker, target, nullptr, false, 1.0f) : 0;
    };
    hooks.combatEventTime = [] {
        CombatSystem* combat = CombatSystem::instance();
        return combat ? combat->getCombatEventTime() : 0.0f;
    };
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

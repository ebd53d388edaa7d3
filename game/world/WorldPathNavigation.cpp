#include "game/world/WorldPathNavigation.h"

#include "game/entities/Entity.h"

#include "game/world/PathFinder.h"
#include "game/world/World.h"

bool WorldPathNavigation::findPath(Entity* mover, const ZonePosition& from, const ZonePosition& to,
                                   Entity* goal, GridPath& out)
{
    PathFinder* finder = PathFinder::instance();
    if (!finder || !finder->findPath(mover, from, to, goal, out)) {
        out.clear();
        return false;
    }
    return true;
}

bool WorldPathNavigation::isLevelLoaded(int level) const
{
    const World* world = World::instance();
    return world && world->isLevelLoaded(level);
}

bool WorldPathNavigation::isBlockedForMovement(const ZonePosition& position) const
{
    World* world = World::instance();
    return !world || world->isBlockedForMovement(position);
}

bool WorldPathNavigation::isBlockedForSight(const ZonePosition& position) const
{
    World* world = World::instance();
    return !world || world->isBlockedForSight(position);
}

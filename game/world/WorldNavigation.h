#pragma once

#include "engine/core/ZonePosition.h"
#include "game/world/GridPath.h"

class Entity;

// What movers and sight tests ask of the world: a grid path between two
// places, whether a level is built, and whether the cell under a point
// blocks walking or sight. The Game holds one; the real world and path
// finder answer in the game, a flat field in tests. Without one installed
// the Game answers as an empty world: no level built, every cell blocked,
// no path.
class WorldNavigation {
public:
    virtual ~WorldNavigation() = default;

    // A path of direction codes from the mover's cell towards `to`: the exact
    // cell without a goal entity, near the goal entity with one. False when
    // there is none.
    virtual bool findPath(Entity* mover, const ZonePosition& from, const ZonePosition& to, Entity* goal,
                          GridPath& out) = 0;
    virtual bool isLevelLoaded(int level) const = 0;
    virtual bool isBlockedForMovement(const ZonePosition& position) const = 0;
    virtual bool isBlockedForSight(const ZonePosition& position) const = 0;
};

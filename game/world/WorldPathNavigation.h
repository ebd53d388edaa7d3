#pragma once

#include "game/world/WorldNavigation.h"

// The navigation of the running game: paths from the one PathFinder, levels
// and blocked cells from the one World. Without them it answers as an empty
// world.
class WorldPathNavigation : public WorldNavigation {
public:
    bool findPath(Entity* mover, const ZonePosition& from, const ZonePosition& to, Entity* goal,
                  GridPath& out) override;
    bool isLevelLoaded(int level) const override;
    bool isBlockedForMovement(const ZonePosition& position) const override;
    bool isBlockedForSight(const ZonePosition& position) const override;
};

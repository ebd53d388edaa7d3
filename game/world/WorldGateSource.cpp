#include "game/world/WorldGateSource.h"

#include "game/world/Level.h"
#include "game/world/World.h"

void WorldGateSource::collectGates(std::vector<GateLocation>& out) const
{
    out.clear();
    const World* world = World::instance();
    if (!world) {
        return;
    }
    const WorldSize* size = world->getWorldSize();
    const int levelId = size ? size->entryId : -1;
    for (int i = 0; i < world->getLevelCount(); ++i) {
        const Level* level = world->getLevel(i);
        if (level && level->gateSpot.zone != -1) {
            out.push_back({levelId, i});
        }
    }
}

WorldGateSource& WorldGateSource::instance()
{
    static WorldGateSource source;
    return source;
}

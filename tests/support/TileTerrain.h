#pragma once

#include "engine/core/ZonePosition.h"
#include "game/entities/Entity.h"
#include "game/world/PathFinder.h"

#include <cmath>
#include <set>
#include <tuple>
#include <vector>

// Open zones of tiles (size `tile`, centres at origin + k × tile) with single
// tiles blocked, as the path finder's terrain.
class TileTerrain : public PathFinder::Terrain {
public:
    explicit TileTerrain(float tile = 32.0f, float origin = 16.0f) : m_tile(tile), m_origin(origin) {}

    void openZone(int zone) { m_zones.insert(zone); }
    void block(int zone, int tx, int ty) { m_blocked.insert({zone, tx, ty}); }
    void unblock(int zone, int tx, int ty) { m_blocked.erase({zone, tx, ty}); }
    void clear() { m_blocked.clear(); }

    int tileOf(float v) const { return static_cast<int>(std::floor((v - m_origin) / m_tile + 0.5f)); }
    float centreOf(int t) const { return m_origin + static_cast<float>(t) * m_tile; }
    ZonePosition tileCentre(int zone, int tx, int ty) const { return {zone, centreOf(tx), centreOf(ty)}; }
    bool isTileBlocked(int zone, int tx, int ty) const
    {
        return !isLevelLoaded(zone) || m_blocked.count({zone, tx, ty}) != 0;
    }

    bool isLevelLoaded(int level) const override { return m_zones.count(level) != 0; }
    bool isBlockedForMovement(const ZonePosition& p) const override
    {
        return isTileBlocked(p.zone, tileOf(p.x), tileOf(p.y));
    }

private:
    float m_tile;
    float m_origin;
    std::set<int> m_zones;
    std::set<std::tuple<int, int, int>> m_blocked;
};

// A mover that hands its listed neighbours to the path finder as obstacles,
// the ones inside the box only.
class ObstacleMover : public Entity {
public:
    std::vector<Entity*> nearby;
    int markCalls = 0;

    void markObstacles(PathGrid& grid, float halfWidth, float halfHeight, uint32_t mask) override
    {
        ++markCalls;
        for (Entity* e : nearby) {
            if (e != this && (mask & 1u) &&
                ZonePosition::isWithinBox(e->getPosition(), m_position, halfWidth, halfHeight))
                PathFinder::markObstacle(grid, e);
        }
    }
};

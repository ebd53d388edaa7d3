#include "game/definitions/WorldRules.h"
#include "game/world/AreaDefinition.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// Moves (x, y) of a grid of w x h per level into the neighbouring level.
bool wrapInto(const World& world, int& x, int& y, int& level, int w, int h)
{
    if (!world.getLevel(level) || w <= 0 || h <= 0) {
        return false;
    }
    const int dx = x < 0 ? -1 : (x >= w ? 1 : 0);
    const int dy = y < 0 ? -1 : (y >= h ? 1 : 0);
    if (dx == 0 && dy == 0) {
        return true;
    }
    const int next = world.getNeighbourLevel(level, dx, dy);
    if (next < 0) {
        return false;
    }
    x -= dx * w;
    y -= dy * h;
    level = next;
    // One step only: coordinates further out than one level are nowhere.
    return x >= 0 && y >= 0 && x < w && y < h;
}

} // namespace

bool World::wrapCell(int& tileX, int& tileY, int& level) const
{
    const GameRules& rules = worldRules();
    return wrapInto(*this, tileX, tileY, level, rules.levelTileWidth, rules.levelTileHeight);
}

bool World::wrapCollisionCell(int& cellX, int& cellY, int& level) const
{
    const GameRules& rules = worldRules();
    return wrapInto(*this, cellX, cellY, level, rules.collisionGridWidth, rules.collisionGridHeight);
}

ResourceHandle World::getCellShader(int tileX, int tileY, int level)
{
    if (!wrapCell(tileX, tileY, level)) {
        return {};
    }
    Level* l = getLevel(level);
    ResourceHandle shader = l->getCellTile(tileX, tileY);
    if (!shader.isValid() && l->definition) {
        shader = l->definition->defaultShader;
    }
    return shader;
}

const GroundCell* World::getBuildCell(int tileX, int tileY, int level)
{
    if (!wrapCell(tileX, tileY, level)) {
        return nullptr;
    }
    return &getLevel(level)->getGroundCell(tileX, tileY);
}

bool World::isLevelLoaded(int level) const
{
    const Level* l = getLevel(level);
    return l && l->getLayout() && l->getLayout()->built;
}

bool World::isCellBlocked(int cellX, int cellY, int level, bool sight)
{
    if (!wrapCollisionCell(cellX, cellY, level)) {
        return true;
    }
    Level* l = getLevel(level);
    return sight ? l->isCellBlockedForSight(cellX, cellY) : l->isCellBlockedForMovement(cellX, cellY);
}

namespace {

float cellSize()
{
    const GameRules& rules = worldRules();
    return rules.subCellSize > 0.0f ? rules.subCellSize : 1.0f;
}

void positionToCell(const ZonePosition& p, int& cx, int& cy)
{
    const GameRules& rules = worldRules();
    cx = static_cast<int>(std::floor((p.x - rules.tileOrigin.x) / cellSize() + 0.5f));
    cy = static_cast<int>(std::floor((p.y - rules.tileOrigin.y) / cellSize() + 0.5f));
}

// The cells of the square ring `ring` around (cx, cy), row by row, only its
// border; true at the first for which `visit` is.
template <class Visit> bool visitRing(int cx, int cy, int ring, Visit visit)
{
    for (int dy = -ring; dy <= ring; ++dy) {
        // Rows between the top and the bottom hold only the ring's two ends.
        const int step = std::abs(dy) == ring || ring == 0 ? 1 : 2 * ring;
        for (int dx = -ring; dx <= ring; dx += step) {
            if (visit(cx + dx, cy + dy)) {
                return true;
            }
        }
    }
    return false;
}

// Rings around (cx, cy) inside one level, ring 0 outward: the first free
// cell of the level's movement grid.
bool nearestFreeCell(Level& level, int cx, int cy, int maxRing, int& outX, int& outY)
{
    const GameRules& rules = worldRules();
    for (int ring = 0; ring <= maxRing; ++ring) {
        const bool found = visitRing(cx, cy, ring, [&](int x, int y) {
            if (x < 0 || y < 0 || x >= rules.collisionGridWidth || y >= rules.collisionGridHeight ||
                level.isCellBlockedForMovement(x, y)) {
                return false;
            }
            outX = x;
            outY = y;
            return true;
        });
        if (found) {
            return true;
        }
    }
    return false;
}

} // namespace

bool World::isBlockedForMovement(const ZonePosition& position)
{
    int cx, cy;
    positionToCell(position, cx, cy);
    return isCellBlocked(cx, cy, position.zone, false);
}

bool World::isBlockedForSight(const ZonePosition& position)
{
    int cx, cy;
    positionToCell(position, cx, cy);
    return isCellBlocked(cx, cy, position.zone, true);
}

bool World::isCircleBlocked(const ZonePosition& position, float radius)
{
    int cx, cy;
    positionToCell(position, cx, cy);
    const float size = cellSize();
    // Whole rings only, as the path finder's clearance counts them: a radius
    // under one cell tests the centre cell alone.
    const int rings = std::isfinite(radius) && radius > 0.0f
                          ? static_cast<int>(std::min(std::floor(radius / size), 64.0f))
                          : 0;
    for (int ring = 0; ring <= std::min(rings, 64); ++ring) {
        if (visitRing(cx, cy, ring,
                      [&](int x, int y) { return isCellBlocked(x, y, position.zone, false); })) {
            return true;
        }
    }
    return false;
}

void World::applyGroundDetail()
{
    // Levels of one area share its resource: each reloads once.
    std::vector<AreaResource*> reloaded;
    for (const auto& level : m_levels) {
        if (!level || !level->getLayout()) {
            continue;
        }
        AreaResource* area = level->getArea();
        if (area && area->isAcquired() &&
            std::find(reloaded.begin(), reloaded.end(), area) == reloaded.end()) {
            area->loadGroundDetail();
            reloaded.push_back(area);
        }
        level->clearGroundCells();
    }
}

void World::settleSpots(Level& level)
{
    // Spots are drawn before any layout exists; one that fell into rock
    // moves to the nearest cell a gate or a walker can stand on.
    constexpr int kGateRings = 4;
    const GameRules& rules = worldRules();
    auto settle = [&](ZonePosition& spot) {
        if (spot.zone != level.zone) {
            return;
        }
        int cx, cy;
        positionToCell(spot, cx, cy);
        int x = 0, y = 0;
        if (nearestFreeCell(level, cx, cy, kGateRings, x, y)) {
            return;
        }
        const int whole = std::max(rules.collisionGridWidth, rules.collisionGridHeight);
        if (nearestFreeCell(level, cx, cy, whole, x, y)) {
            spot.x = rules.tileOrigin.x + static_cast<float>(x) * cellSize();
            spot.y = rules.tileOrigin.y + static_cast<float>(y) * cellSize();
        }
    };
    if (level.gateFlag) {
        settle(level.gateSpot);
    }
    for (ConnectionPoint& point : level.connections) {
        settle(point.position);
    }
}

void positionToMapCell(float x, float y, int& mapX, int& mapY)
{
    const GameRules& rules = worldRules();
    const float size = rules.mapCellSize > 0.0f ? rules.mapCellSize : 1.0f;
    mapX = static_cast<int>(std::floor(x / size));
    mapY = static_cast<int>(std::floor(y / size));
}

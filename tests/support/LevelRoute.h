#pragma once

// Routes over a level's free cells for tests that walk a player about.
#include "engine/core/ZonePosition.h"
#include "game/world/Level.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>
#include <vector>

// A point on a built level's free ground.
inline bool walkable(const ZonePosition& p)
{
    World* world = World::instance();
    Level* level = world && world->isLevelLoaded(p.zone) ? world->getLevel(p.zone) : nullptr;
    if (!level || !(p.x >= 0.0f) || !(p.y >= 0.0f)) {
        return false;
    }
    const int cx = static_cast<int>(p.x / 32.0f);
    const int cy = static_cast<int>(p.y / 32.0f);
    return cx < 128 && cy < 128 && !level->isCellBlockedForMovement(cx, cy);
}

// A breadth-first walk over the free cells of the level `from` stands on to
// the nearest edge cell (on side 0 north, 1 east, 2 south, 3 west when there
// is one) whose neighbour across the edge is free; the route's cell centres,
// then a point beyond the edge. Empty when no edge can be reached.
inline std::vector<ZonePosition> routeToLevelEdge(const ZonePosition& from, int side)
{
    const int zone = from.zone;
    const int sx = static_cast<int>(from.x / 32.0f);
    const int sy = static_cast<int>(from.y / 32.0f);
    if (sx < 0 || sx >= 128 || sy < 0 || sy >= 128) {
        return {};
    }
    std::vector<int> previous(128 * 128, -2);
    std::vector<int> queue{sy * 128 + sx};
    previous[static_cast<size_t>(queue.front())] = -1;
    const int dx[] = {0, 1, 0, -1};
    const int dy[] = {-1, 0, 1, 0};
    int goal = -1;
    int fallback = -1;
    int fallbackSide = -1;
    for (size_t head = 0; head < queue.size() && goal < 0; ++head) {
        const int cell = queue[head];
        const int x = cell % 128;
        const int y = cell / 128;
        for (int d = 0; d < 4; ++d) {
            const int nx = x + dx[d];
            const int ny = y + dy[d];
            if (nx < 0 || nx >= 128 || ny < 0 || ny >= 128) {
                ZonePosition beyond(zone, static_cast<float>(nx) * 32.0f + 16.0f,
                                    static_cast<float>(ny) * 32.0f + 16.0f);
                beyond.normalize();
                if (beyond.zone >= 0 && beyond.zone != zone && walkable(beyond)) {
                    if (d == side) {
                        goal = cell;
                        fallbackSide = d;
                        break;
                    }
                    if (fallback < 0) {
                        fallback = cell;
                        fallbackSide = d;
                    }
                }
                continue;
            }
            const int next = ny * 128 + nx;
            if (previous[static_cast<size_t>(next)] != -2 ||
                !walkable(ZonePosition(zone, static_cast<float>(nx) * 32.0f + 16.0f,
                                       static_cast<float>(ny) * 32.0f + 16.0f))) {
                continue;
            }
            previous[static_cast<size_t>(next)] = cell;
            queue.push_back(next);
        }
    }
    if (goal < 0) {
        goal = fallback;
    }
    if (goal < 0) {
        return {};
    }
    std::vector<ZonePosition> route;
    for (int cell = goal; cell >= 0; cell = previous[static_cast<size_t>(cell)]) {
        route.push_back(ZonePosition(zone, static_cast<float>(cell % 128) * 32.0f + 16.0f,
                                     static_cast<float>(cell / 128) * 32.0f + 16.0f));
    }
    std::reverse(route.begin(), route.end());
    const ZonePosition last = route.back();
    route.push_back(ZonePosition(zone, last.x + static_cast<float>(dx[fallbackSide]) * 48.0f,
                                 last.y + static_cast<float>(dy[fallbackSide]) * 48.0f));
    return route;
}

// A breadth-first route over free cells from `from` to the reachable cell of
// its level nearest to `goal` (same level); cell centres, empty when `from`
// is off the level.
inline std::vector<ZonePosition> routeToPoint(const ZonePosition& from, const ZonePosition& goal)
{
    const int zone = from.zone;
    const int sx = static_cast<int>(from.x / 32.0f);
    const int sy = static_cast<int>(from.y / 32.0f);
    if (sx < 0 || sx >= 128 || sy < 0 || sy >= 128) {
        return {};
    }
    auto centre = [zone](int cell) {
        return ZonePosition(zone, static_cast<float>(cell % 128) * 32.0f + 16.0f,
                            static_cast<float>(cell / 128) * 32.0f + 16.0f);
    };
    auto distanceToGoal = [&](int cell) {
        const ZonePosition c = centre(cell);
        return std::hypot(c.x - goal.x, c.y - goal.y);
    };
    std::vector<int> previous(128 * 128, -2);
    std::vector<int> queue{sy * 128 + sx};
    previous[static_cast<size_t>(queue.front())] = -1;
    int best = queue.front();
    const int dx[] = {0, 1, 0, -1};
    const int dy[] = {-1, 0, 1, 0};
    for (size_t head = 0; head < queue.size(); ++head) {
        const int cell = queue[head];
        if (distanceToGoal(cell) < distanceToGoal(best)) {
            best = cell;
        }
        for (int d = 0; d < 4; ++d) {
            const int nx = cell % 128 + dx[d];
            const int ny = cell / 128 + dy[d];
            const int next = ny * 128 + nx;
            if (nx < 0 || nx >= 128 || ny < 0 || ny >= 128 || previous[static_cast<size_t>(next)] != -2 ||
                !walkable(centre(next))) {
                continue;
            }
            previous[static_cast<size_t>(next)] = cell;
            queue.push_back(next);
        }
    }
    std::vector<ZonePosition> route;
    for (int cell = best; cell >= 0; cell = previous[static_cast<size_t>(cell)]) {
        route.push_back(centre(cell));
    }
    std::reverse(route.begin(), route.end());
    return route;
}

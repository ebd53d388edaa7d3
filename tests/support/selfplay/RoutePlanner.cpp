#include "support/selfplay/RoutePlanner.h"

#include "game/entities/Gate.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "support/LevelRoute.h"
#include "support/selfplay/Context.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <queue>

namespace selfplay {

bool LevelFlood::reaches(const ZonePosition& p) const
{
    const int cx = static_cast<int>(p.x / 32.0f);
    const int cy = static_cast<int>(p.y / 32.0f);
    for (int y = cy - 1; p.zone == zone && y <= cy + 1; ++y) {
        for (int x = cx - 1; x <= cx + 1; ++x) {
            if (reachedCell(x, y)) {
                return true;
            }
        }
    }
    return false;
}

std::vector<ZonePosition> LevelFlood::routeToSide(int side) const
{
    std::vector<ZonePosition> route;
    for (int cell = edge[static_cast<size_t>(side)]; cell >= 0; cell = previous[static_cast<size_t>(cell)]) {
        route.push_back(ZonePosition(zone, static_cast<float>(cell % 128) * 32.0f + 16.0f,
                                     static_cast<float>(cell / 128) * 32.0f + 16.0f));
    }
    std::reverse(route.begin(), route.end());
    if (!route.empty()) {
        const ZonePosition last = route.back();
        route.push_back(ZonePosition(zone, last.x + static_cast<float>(kSideDx[side]) * 48.0f,
                                     last.y + static_cast<float>(kSideDy[side]) * 48.0f));
    }
    return route;
}

std::vector<ZonePosition> RoutePlanner::straightRoute(const ZonePosition& from, const ZonePosition& goal)
{
    const int zone = from.zone;
    const int sx = static_cast<int>(from.x / 32.0f);
    const int sy = static_cast<int>(from.y / 32.0f);
    if (from.zone != goal.zone || sx < 0 || sx >= 128 || sy < 0 || sy >= 128) {
        return routeToPoint(from, goal);
    }
    auto centre = [zone](int cell) {
        return ZonePosition(zone, static_cast<float>(cell % 128) * 32.0f + 16.0f,
                            static_cast<float>(cell / 128) * 32.0f + 16.0f);
    };
    auto free = [&](int x, int y) {
        return x >= 0 && x < 128 && y >= 0 && y < 128 && walkable(centre(y * 128 + x));
    };
    std::vector<int> cost(128 * 128, std::numeric_limits<int>::max());
    std::vector<int> previous(128 * 128, -1);
    using Entry = std::pair<int, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
    const int start = sy * 128 + sx;
    cost[static_cast<size_t>(start)] = 0;
    open.push({0, start});
    int best = start;
    float bestDistance = distance(centre(start), goal);
    while (!open.empty()) {
        const auto [c, cell] = open.top();
        open.pop();
        if (c > cost[static_cast<size_t>(cell)]) {
            continue;
        }
        const float d = distance(centre(cell), goal);
        if (d < bestDistance) {
            best = cell;
            bestDistance = d;
        }
        const int x = cell % 128;
        const int y = cell / 128;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if ((dx == 0 && dy == 0) || !free(x + dx, y + dy) ||
                    (dx != 0 && dy != 0 && (!free(x + dx, y) || !free(x, y + dy)))) {
                    continue;
                }
                const int next = (y + dy) * 128 + x + dx;
                const int nextCost = c + (dx != 0 && dy != 0 ? 14 : 10);
                if (nextCost < cost[static_cast<size_t>(next)]) {
                    cost[static_cast<size_t>(next)] = nextCost;
                    previous[static_cast<size_t>(next)] = cell;
                    open.push({nextCost, next});
                }
            }
        }
    }
    std::vector<ZonePosition> route;
    for (int cell = best; cell >= 0; cell = previous[static_cast<size_t>(cell)]) {
        route.push_back(centre(cell));
    }
    std::reverse(route.begin(), route.end());
    return route;
}

LevelFlood RoutePlanner::floodLevel(const ZonePosition& from)
{
    LevelFlood flood;
    flood.zone = from.zone;
    const int sx = static_cast<int>(from.x / 32.0f);
    const int sy = static_cast<int>(from.y / 32.0f);
    if (sx < 0 || sx >= 128 || sy < 0 || sy >= 128) {
        return flood;
    }
    std::vector<int> queue{sy * 128 + sx};
    flood.previous[static_cast<size_t>(queue.front())] = -1;
    for (size_t head = 0; head < queue.size(); ++head) {
        const int cell = queue[head];
        for (int d = 0; d < 4; ++d) {
            const int nx = cell % 128 + kSideDx[d];
            const int ny = cell / 128 + kSideDy[d];
            const ZonePosition centre(from.zone, static_cast<float>(nx) * 32.0f + 16.0f,
                                      static_cast<float>(ny) * 32.0f + 16.0f);
            if (nx < 0 || nx >= 128 || ny < 0 || ny >= 128) {
                ZonePosition beyond = centre;
                beyond.normalize();
                // A level not built yet is taken as open across the edge.
                if (flood.edge[static_cast<size_t>(d)] < 0 && beyond.zone >= 0 && beyond.zone != from.zone &&
                    (!World::get().isLevelLoaded(beyond.zone) || walkable(beyond))) {
                    flood.edge[static_cast<size_t>(d)] = cell;
                }
                continue;
            }
            const int next = ny * 128 + nx;
            if (flood.previous[static_cast<size_t>(next)] != -2 || !walkable(centre)) {
                continue;
            }
            flood.previous[static_cast<size_t>(next)] = cell;
            queue.push_back(next);
        }
    }
    return flood;
}

std::multimap<int, const Gate*> RoutePlanner::connectionGates()
{
    std::multimap<int, const Gate*> gates;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        const auto* gate = dynamic_cast<const Gate*>(Game::get().getEntity(i));
        const Entity* far = gate ? gate->getLinked() : nullptr;
        if (gate && gate->getKind() == Gate::kConnection && far &&
            far->getPosition().zone != gate->getPosition().zone) {
            gates.emplace(gate->getPosition().zone, gate);
        }
    }
    return gates;
}

LevelStep RoutePlanner::stepTowards(int goal, const LevelFlood& flood, int monsterCap) const
{
    World& world = World::get();
    const std::multimap<int, const Gate*> gates = connectionGates();
    std::map<int, LevelStep> first{{flood.zone, LevelStep{-1, nullptr, 0}}};
    std::vector<int> queue{flood.zone};
    for (size_t head = 0; head < queue.size(); ++head) {
        const int level = queue[head];
        const LevelStep way = first[level];
        if (level == goal) {
            return way;
        }
        auto reach = [&](int next, LevelStep step) {
            if (next < 0 ||
                (monsterCap >= 0 && next != goal && world.getLevelMonsterLevel(next) > monsterCap)) {
                return;
            }
            if (level != flood.zone) {
                step = way;
                step.hardest = std::max(way.hardest, world.getLevelMonsterLevel(level));
                step.unwalked = way.unwalked + (m_seenLevels.contains(level) ? 0 : 1);
            }
            step.levels = way.levels + 1;
            // Every level of one length is taken from the queue before
            // any of the next, so a level found again as near is not
            // yet passed on.
            const auto found = first.find(next);
            if (found == first.end()) {
                first[next] = step;
                queue.push_back(next);
            } else if (found->second.levels == step.levels && step.hardest < found->second.hardest) {
                found->second = step;
            }
        };
        for (int side = 0; side < 4; ++side) {
            const bool open = level == flood.zone ? flood.edge[static_cast<size_t>(side)] >= 0
                                                  : !m_closedSides.contains(level * 4 + side);
            if (open) {
                reach(world.getNeighbourLevel(level, kSideDx[side], kSideDy[side]), LevelStep{side, nullptr});
            }
        }
        for (auto [at, end] = gates.equal_range(level); at != end; ++at) {
            const Gate* gate = at->second;
            if (level != flood.zone || flood.reaches(gate->getPosition())) {
                reach(gate->getLinked()->getPosition().zone, LevelStep{-1, gate});
            }
        }
    }
    return LevelStep{};
}

void RoutePlanner::noteClosedSides(const LevelFlood& flood)
{
    m_seenLevels.insert(flood.zone);
    for (int side = 0; side < 4; ++side) {
        if (flood.edge[static_cast<size_t>(side)] < 0 &&
            World::get().getNeighbourLevel(flood.zone, kSideDx[side], kSideDy[side]) >= 0) {
            m_closedSides.insert(flood.zone * 4 + side);
        }
    }
}

} // namespace selfplay

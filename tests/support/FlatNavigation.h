#pragma once

#include "game/entities/Actor.h"
#include "game/entities/Entity.h"
#include "game/world/Game.h"
#include "game/world/GridPath.h"
#include "game/world/PathFinder.h"
#include "game/world/WorldNavigation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <set>
#include <tuple>
#include <vector>

// A flat test field: whole zones of open tiles with single tiles blocked for
// walking or for sight. Paths are a breadth-first search over the eight
// direction codes in the 51 × 51 tile window around the mover, with the
// mover's obstacle marking (box 320 × 240, mask 1) like the real finder.
// Tiles are counted from the grid points origin + k × tile.
class FlatNavigation : public WorldNavigation {
public:
    static constexpr int kWindow = 51;
    static constexpr int kCentre = 25;

    explicit FlatNavigation(float tile = 32.0f, float origin = 16.0f) : m_tile(tile), m_origin(origin) {}

    void openZone(int zone) { m_zones.insert(zone); }
    void closeZone(int zone) { m_zones.erase(zone); }
    void blockWalking(int zone, int tx, int ty) { m_walk.insert({zone, tx, ty}); }
    void blockSight(int zone, int tx, int ty) { m_sight.insert({zone, tx, ty}); }
    void clearBlocks()
    {
        m_walk.clear();
        m_sight.clear();
    }

    int tileOf(float v) const { return static_cast<int>(std::floor((v - m_origin) / m_tile + 0.5f)); }
    float centreOf(int t) const { return m_origin + static_cast<float>(t) * m_tile; }
    ZonePosition tileCentre(int zone, int tx, int ty) const
    {
        return ZonePosition(zone, centreOf(tx), centreOf(ty));
    }

    int searches = 0;

    bool isLevelLoaded(int level) const override { return m_zones.count(level) != 0; }
    bool isBlockedForMovement(const ZonePosition& p) const override
    {
        return !isLevelLoaded(p.zone) || m_walk.count({p.zone, tileOf(p.x), tileOf(p.y)}) != 0;
    }
    bool isBlockedForSight(const ZonePosition& p) const override
    {
        return !isLevelLoaded(p.zone) || m_sight.count({p.zone, tileOf(p.x), tileOf(p.y)}) != 0;
    }

    bool findPath(Entity* mover, const ZonePosition& from, const ZonePosition& to, Entity* goal,
                  GridPath& out) override
    {
        ++searches;
        out.clear();
        if (!mover || from.zone != to.zone || !isLevelLoaded(from.zone))
            return false;
        const int zone = from.zone;
        const int cx = tileOf(from.x);
        const int cy = tileOf(from.y);
        const int gx = tileOf(to.x) - cx + kCentre;
        const int gy = tileOf(to.y) - cy + kCentre;
        if (gx < 0 || gy < 0 || gx >= kWindow || gy >= kWindow)
            return false;

        std::array<int, kWindow * kWindow> state{}; // 0 unknown, 1 free, 2 blocked
        if (auto* actor = dynamic_cast<Actor*>(mover)) {
            std::vector<Entity*> obstacles;
            actor->collectObstacles(320.0f, 240.0f, 1u, obstacles);
            for (Entity* e : obstacles) {
                int x = tileOf(e->getPosition().x) - cx + kCentre;
                int y = tileOf(e->getPosition().y) - cy + kCentre;
                if (e->getPosition().zone == zone && x >= 0 && y >= 0 && x < kWindow && y < kWindow)
                    state[static_cast<size_t>(y * kWindow + x)] = 2;
            }
        }
        auto blocked = [&](int x, int y) {
            int& s = state[static_cast<size_t>(y * kWindow + x)];
            if (s == 0)
                s = isBlockedForMovement(
                        ZonePosition(zone, centreOf(x - kCentre + cx), centreOf(y - kCentre + cy)))
                        ? 2
                        : 1;
            return s == 2;
        };
        const bool exact = goal == nullptr;
        const float range = 1.5f * m_tile + (goal ? mover->getRadius() + goal->getRadius() : 0.0f);
        auto reached = [&](int x, int y) {
            if (exact)
                return x == gx && y == gy;
            float dx = static_cast<float>(x - gx) * m_tile;
            float dy = static_cast<float>(y - gy) * m_tile;
            return std::sqrt(dx * dx + dy * dy) < range;
        };

        std::array<int, kWindow * kWindow> parentCode;
        parentCode.fill(-1);
        std::array<bool, kWindow * kWindow> seen{};
        std::deque<std::pair<int, int>> open;
        open.emplace_back(kCentre, kCentre);
        seen[static_cast<size_t>(kCentre * kWindow + kCentre)] = true;
        while (!open.empty()) {
            auto [x, y] = open.front();
            open.pop_front();
            if (reached(x, y)) {
                std::vector<int> codes;
                while (x != kCentre || y != kCentre) {
                    int code = parentCode[static_cast<size_t>(y * kWindow + x)];
                    codes.push_back(code);
                    GridStep s = gridStepOfCode(code);
                    x -= s.dx;
                    y -= s.dy;
                }
                if (static_cast<int>(codes.size()) > GridPath::kMaxSteps)
                    return false;
                std::reverse(codes.begin(), codes.end());
                out.stepCount = static_cast<int32_t>(codes.size());
                out.stepIndex = 0;
                std::copy(codes.begin(), codes.end(), out.codes.begin());
                return true;
            }
            for (int code = 0; code < 8; ++code) {
                GridStep s = gridStepOfCode(code);
                int nx = x + s.dx;
                int ny = y + s.dy;
                if (nx < 0 || ny < 0 || nx >= kWindow || ny >= kWindow)
                    continue;
                size_t index = static_cast<size_t>(ny * kWindow + nx);
                if (seen[index] || blocked(nx, ny))
                    continue;
                seen[index] = true;
                parentCode[index] = code;
                open.emplace_back(nx, ny);
            }
        }
        return false;
    }

private:
    float m_tile;
    float m_origin;
    std::set<int> m_zones;
    std::set<std::tuple<int, int, int>> m_walk;
    std::set<std::tuple<int, int, int>> m_sight;
};

// The real path finder over the same flat field: its terrain is the field's
// tiles, its obstacles the movers' own marking.
class FlatFieldPathFinder : public FlatNavigation, public PathFinder::Terrain {
public:
    FlatFieldPathFinder() { m_finder.setTerrain(this); }
    ~FlatFieldPathFinder() override { m_finder.setTerrain(nullptr); }

    bool findPath(Entity* mover, const ZonePosition& from, const ZonePosition& to, Entity* goal,
                  GridPath& out) override
    {
        ++searches;
        return m_finder.findPath(mover, from, to, goal, out);
    }
    bool isLevelLoaded(int level) const override { return FlatNavigation::isLevelLoaded(level); }
    bool isBlockedForMovement(const ZonePosition& p) const override
    {
        return FlatNavigation::isBlockedForMovement(p);
    }
    PathFinder& finder() { return m_finder; }

private:
    PathFinder m_finder;
};

// Installs the navigation on the Game for the scope.
class ScopedNavigation {
public:
    ScopedNavigation(Game& game, WorldNavigation& navigation) : m_game(game), m_old(game.getNavigation())
    {
        game.setNavigation(&navigation);
    }
    ~ScopedNavigation() { m_game.setNavigation(m_old); }
    ScopedNavigation(const ScopedNavigation&) = delete;
    ScopedNavigation& operator=(const ScopedNavigation&) = delete;

private:
    Game& m_game;
    WorldNavigation* m_old;
};

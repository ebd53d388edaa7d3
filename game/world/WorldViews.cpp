// Views: the levels around each player and the town stay referenced.
#include "game/definitions/WorldRules.h"
#include "game/world/Level.h"
#include "game/world/World.h"

void World::acquireLevel(int level, int key, bool top)
{
    Level* l = getLevel(level);
    if (!l) {
        return;
    }
    l->acquire(key);
    if (top) {
        for (const ConnectionPoint& point : l->connections) {
            acquireLevel(point.targetLevel, key, false);
        }
    }
}

void World::releaseLevel(int level, int key, bool top)
{
    Level* l = getLevel(level);
    if (!l) {
        return;
    }
    l->release(key);
    if (top) {
        for (const ConnectionPoint& point : l->connections) {
            releaseLevel(point.targetLevel, key, false);
        }
    }
}

void World::moveView(WorldView& view, int level)
{
    if (level == view.level) {
        return;
    }
    // The new neighbourhood first, so that levels in both are never let go.
    if (level != -1) {
        acquireLevel(level, view.key);
        for (int d = 0; d < 8; ++d) {
            acquireLevel(getNeighbourLevel(level, d), view.key);
        }
    }
    if (view.level != -1) {
        for (int d = 0; d < 8; ++d) {
            releaseLevel(getNeighbourLevel(view.level, d), view.key);
        }
        releaseLevel(view.level, view.key);
    }
    view.level = level;
}

void World::addPlayerView(int key, int level)
{
    if (!m_loaded) {
        load();
    }
    WorldView& view = m_views[key];
    view.key = key;
    moveView(view, getLevel(level) ? level : -1);
}

void World::removePlayerView(int key)
{
    auto it = m_views.find(key);
    if (it == m_views.end()) {
        return;
    }
    moveView(it->second, -1);
    m_views.erase(it);
}

void World::addTownView()
{
    if (!m_loaded || !getLevel(0)) {
        return;
    }
    for (const auto& [key, view] : m_views) {
        if (view.level == 0) {
            return;
        }
    }
    int key = kFirstTownKey;
    while (m_views.count(key) != 0 || key == Level::kEditorKey) {
        --key;
    }
    WorldView& view = m_views[key];
    view.key = key;
    moveView(view, 0);
}

void World::updatePlayerView(int key, const ZonePosition& position, int& level)
{
    if (position.zone == -1) {
        return;
    }
    level = -1;
    auto it = m_views.find(key);
    if (it == m_views.end()) {
        return;
    }
    WorldView& view = it->second;
    view.zone = position.zone;
    if (getLevel(position.zone)) {
        bool move = !getLevel(view.level);
        if (!move) {
            // Half a level beyond the held level's edges, on every side:
            // the held level's frame starts at its corner.
            const GameRules& rules = worldRules();
            const Vec2 p = ZonePosition::getLocal(position, ZonePosition(view.level, 0.0f, 0.0f));
            move = p.x >= 1.5f * rules.levelWidth || p.x < -0.5f * rules.levelWidth ||
                   p.y >= 1.5f * rules.levelHeight || p.y < -0.5f * rules.levelHeight;
        }
        if (move) {
            moveView(view, position.zone);
        }
    }
    level = view.level;
}

const WorldView* World::getView(int key) const
{
    auto it = m_views.find(key);
    return it == m_views.end() ? nullptr : &it->second;
}

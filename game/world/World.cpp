#include "game/world/World.h"

#include "engine/core/ZoneTopology.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/LevelLayout.h"
#include "game/world/Section.h"
#include "game/world/WorldGrid.h"

#include <algorithm>

namespace {

// The World whose neighbour lookup the zone topology holds.
const World* g_neighbourOwner = nullptr;

} // namespace

World::~World()
{
    // Levels released while the World goes tell nobody.
    m_destroying = true;
    m_levels.clear();
    // Zone positions must not ask a World that is gone.
    if (g_neighbourOwner == this) {
        ZoneTopology::setNeighbourFunction(nullptr);
        g_neighbourOwner = nullptr;
    }
}

int World::addLevel(std::unique_ptr<Level> level)
{
    level->zone = static_cast<int>(m_levels.size());
    m_levels.push_back(std::move(level));
    return m_levels.back()->zone;
}

Level* World::getLevel(int index) const
{
    return index >= 0 && index < getLevelCount() ? m_levels[index].get() : nullptr;
}

int World::neighbourDirection(int dx, int dy)
{
    // Direction 0 is (-1, +1), then clockwise.
    static constexpr int kDirection[3][3] = {
        // dy = -1, 0, +1 for dx = -1
        {6, 7, 0},
        {5, -1, 1},
        {4, 3, 2},
    };
    if (dx < -1 || dx > 1 || dy < -1 || dy > 1) {
        return -1;
    }
    return kDirection[dx + 1][dy + 1];
}

int World::getNeighbourLevel(int level, int dx, int dy) const
{
    const Level* l = getLevel(level);
    if (!l) {
        return -1;
    }
    if (dx == 0 && dy == 0) {
        return level;
    }
    const int direction = neighbourDirection(dx, dy);
    return direction < 0 ? -1 : l->neighbours[direction];
}

void World::installNeighbourFunction()
{
    ZoneTopology::setNeighbourFunction(
        [this](int zone, int dx, int dy) { return getNeighbourLevel(zone, dx, dy); });
    g_neighbourOwner = this;
}

int World::addLevelListener(ListenerList list, LevelCallback callback)
{
    m_listeners[list].emplace_back(m_nextListenerId, std::move(callback));
    return m_nextListenerId++;
}

void World::removeLevelListener(int id)
{
    for (auto& list : m_listeners) {
        std::erase_if(list, [id](const auto& entry) { return entry.first == id; });
    }
}

void World::notifyLevelBuilt(const Level& level, bool both)
{
    if (m_destroying) {
        return;
    }
    if (Level* own = getLevel(level.zone); own == &level) {
        settleSpots(*own);
    }
    for (const auto& [id, callback] : m_listeners[kFirstBuilt]) {
        callback(level.zone);
    }
    if (both) {
        notifyLevelDrawable(level);
    }
}

void World::notifyLevelDrawable(const Level& level)
{
    if (m_destroying) {
        return;
    }
    for (const auto& [id, callback] : m_listeners[kSecondBuilt]) {
        callback(level.zone);
    }
}

void World::notifyLevelReleased(const Level& level, bool drawingOnly)
{
    if (m_destroying) {
        return;
    }
    for (const auto& [id, callback] : m_listeners[drawingOnly ? kSecondReleased : kFirstReleased]) {
        callback(level.zone);
    }
}

bool World::hasPendingBuilds() const
{
    return std::any_of(m_levels.begin(), m_levels.end(), [](const auto& level) {
        const LevelLayout* layout = level->getLayout();
        return level->pendingBuild || (layout && layout->wanted && !layout->built);
    });
}

void World::completePendingBuilds()
{
    for (const auto& level : m_levels) {
        LevelLayout* layout = level->getLayout();
        if (level->pendingBuild && layout && (m_buildsWaitForFiles || layout->area.isLoaded())) {
            level->ensureLayout();
        } else if (layout && layout->built && layout->wanted && !layout->areaAcquired) {
            level->ensureLayout();
        }
    }
}

#pragma once

#include "engine/core/Singleton.h"
#include "engine/core/ZonePosition.h"
#include "engine/resources/ResourceHandle.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

class Level;
struct GroundCell;

// The one object that knows the world's levels: the level list (the index is
// the zone number), which level lies next to which, and who hears of levels
// being built and released. The level-facing half: the per-cell accessors
// across level edges (WorldCells.cpp).
class World : public Singleton<World> {
public:
    using LevelCallback = std::function<void(int level)>;
    // The four listener lists.
    enum ListenerList { kFirstBuilt, kSecondBuilt, kFirstReleased, kSecondReleased, kListenerListCount };

    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // ---- Levels
    // Takes the level; its zone becomes its index.
    int addLevel(std::unique_ptr<Level> level);
    Level* getLevel(int index) const;
    int getLevelCount() const { return static_cast<int>(m_levels.size()); }
    // The level's neighbour by dx (lateral) and dy (depth), -1 for none.
    int getNeighbourLevel(int level, int dx, int dy) const;
    // Hands the level neighbours to the zone positions.
    void installNeighbourFunction();

    // ---- Building
    // Returns an id for removeLevelListener.
    int addLevelListener(ListenerList list, LevelCallback callback);
    void removeLevelListener(int id);
    // The first built list, and the second too when `both` is set.
    void notifyLevelBuilt(const Level& level, bool both);
    // Only the second built list: the level's graphics came later.
    void notifyLevelDrawable(const Level& level);
    // The first released list when the last reference went, the second when
    // only the drawing resources were dropped.
    void notifyLevelReleased(const Level& level, bool drawingOnly);
    // Finishes every pending build (once per main-loop pass).
    void completePendingBuilds();

    // ---- Cells across level edges (WorldCells.cpp)
    // Moves tile coordinates outside the level into the neighbouring level;
    // false when there is none.
    bool wrapCell(int& tileX, int& tileY, int& level) const;
    bool wrapCollisionCell(int& cellX, int& cellY, int& level) const;
    // The tile's drawn shader, else the area's "DefaultShader".
    ResourceHandle getCellShader(int tileX, int tileY, int level);
    // The ground record of a tile, across level edges; null for none.
    const GroundCell* getBuildCell(int tileX, int tileY, int level);
    bool isLevelLoaded(int level) const;
    // The cell under a position is blocked; true outside the world.
    bool isBlockedForMovement(const ZonePosition& position);
    bool isBlockedForSight(const ZonePosition& position);
    // Square rings around the position, ring 0 outward, out to radius /
    // cell size: true at the first cell blocked for movement.
    bool isCircleBlocked(const ZonePosition& position, float radius);

private:
    bool isCellBlocked(int cellX, int cellY, int level, bool sight);

    std::vector<std::unique_ptr<Level>> m_levels;
    std::array<std::vector<std::pair<int, LevelCallback>>, kListenerListCount> m_listeners;
    int m_nextListenerId = 1;
    bool m_destroying = false;
};

// The map cell of a local position: floor(x / "MapCellSize"), floor(y / …).
void positionToMapCell(float x, float y, int& mapX, int& mapY);

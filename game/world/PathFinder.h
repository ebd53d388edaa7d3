#pragma once

#include "engine/core/Singleton.h"
#include "engine/core/ZonePosition.h"
#include "game/world/GridPath.h"
#include "game/world/PathGrid.h"

#include <array>
#include <cstdint>
#include <vector>

class EntityBase;

// A* over the eight direction codes on the 51 × 51 tiles around a mover,
// Euclidean costs with 0.1 for a change of direction, at most 500 expansions
// and a clearance test that keeps the mover's radius off blocked cells and
// other entities. One object serves every search; the nodes come from a pool
// made once, so a search allocates nothing.
//
// The open list is a binary heap ordered by f and, on equal f, by the later
// push first: the node a list with pushes at its head and improved nodes left
// in place would meet first.
class PathFinder : public Singleton<PathFinder> {
public:
    static constexpr int kPoolSize = PathGrid::kCellCount;
    static constexpr int kMaxPops = 500;
    static constexpr float kStraightCost = 1.0f;
    static constexpr float kDiagonalCost = 1.4142135f;
    static constexpr float kTurnCost = 0.1f;
    // The box around the mover in which other entities are obstacles, and
    // the category mask they are taken from.
    static constexpr float kObstacleHalfWidth = 320.0f;
    static constexpr float kObstacleHalfHeight = 240.0f;
    static constexpr uint32_t kObstacleMask = 1;

    // Where blocking comes from: the World unless another is installed.
    class Terrain {
    public:
        virtual ~Terrain() = default;
        virtual bool isLevelLoaded(int level) const = 0;
        virtual bool isBlockedForMovement(const ZonePosition& position) const = 0;
    };

    PathFinder();
    ~PathFinder();
    PathFinder(const PathFinder&) = delete;
    PathFinder& operator=(const PathFinder&) = delete;

    // The process's one finder: made at start-up when missing, gone at
    // shut-down.
    static void create();
    static void destroy();

    // Null goes back to the World.
    void setTerrain(const Terrain* terrain) { m_terrain = terrain; }

    // A path of direction codes from the mover's tile to the tile of `to`:
    // that tile itself without a target, within reach of the target with one.
    // False (and `out` untouched) for no mover, a goal tile off the grid or
    // no path within 500 expansions.
    bool findPath(EntityBase* mover, const ZonePosition& from, const ZonePosition& to, EntityBase* target,
                  GridPath& out);

    // The entity's tile becomes an obstacle cell and the entity an obstacle
    // that the clearance test keeps the mover away from.
    static void markObstacle(PathGrid& grid, EntityBase* entity);
    // The tile under the position becomes an obstacle cell (nothing when it
    // lies off the grid).
    static void markCellBlocked(const ZonePosition& position, PathGrid& grid);

    // ---- The pieces of a search, open for tests
    // Clears the grid and fills it for the mover (its obstacles included).
    void buildGrid(EntityBase* mover);
    // With clearance the verdict is stored in the cell.
    bool isCellBlocked(int x, int y, bool clearance);
    // The centre of a grid cell, normalised into its zone.
    ZonePosition cellPosition(int x, int y) const;
    // The grid cell offset of `position` from `reference` (taken in the
    // position's zone).
    void cellOffset(const ZonePosition& reference, const ZonePosition& position, int& dx, int& dy) const;
    const PathGrid& getGrid() const { return m_grid; }
    PathGrid& getGrid() { return m_grid; }
    int getPopCount() const { return m_pops; }
    // Nodes in no list after a search: all of them.
    int getFreeNodeCount() const { return m_freeCount; }

private:
    struct Node {
        float f = 0.0f;
        float g = 0.0f;
        float h = 0.0f;
        int x = 0;
        int y = 0;
        Node* parent = nullptr;
        std::array<Node*, 8> children{};
        uint32_t order = 0; // push number: later pushes win ties
        int heapIndex = -1; // -1 once closed
    };

    bool search(bool exact, int gx, int gy, GridPath* out, float range);
    Node* takeNode();
    void releaseNode(Node* node);
    void pushOpen(Node* node);
    Node* popOpen();
    // Restores the heap after the node's f changed.
    void reorder(Node* node);
    void siftUp(int index);
    void siftDown(int index);
    bool before(const Node* a, const Node* b) const;
    void propagate(Node* node);
    bool writePath(const Node* goal, GridPath* out);
    bool isTerrainBlocked(const ZonePosition& position) const;
    void setF(Node* node, float f);

    PathGrid m_grid;
    const Terrain* m_terrain = nullptr;
    std::vector<Node> m_pool;
    std::vector<Node*> m_free;
    int m_freeCount = 0;
    std::vector<Node*> m_heap;
    int m_heapSize = 0;
    // The open or closed node of each cell, null for none.
    std::array<Node*, PathGrid::kCellCount> m_cellNodes{};
    std::array<Node*, 8> m_successors{};
    std::array<int32_t, kMaxPops + 1> m_codes{};
    uint32_t m_pushCount = 0;
    int m_pops = 0;
};

#pragma once

#include "engine/core/ZonePosition.h"
#include "game/world/QuadTreeNode.h"

#include <memory>
#include <vector>

// The spatial index of one level: a point quadtree over (0, 0) to the level's
// width and height, limit 10, maxDepth 4. Callers give the point an entity was
// stored at when they move or remove it (the Game keeps those points).
class LevelIndex {
public:
    static constexpr int kLimit = 10;
    static constexpr int kMaxDepth = 4;

    LevelIndex(int zone, float width, float height);

    int getZone() const { return m_zone; }
    void insertEntity(int entityNumber, float x, float y);
    // False when no item of that number is stored at the point's leaf.
    bool removeEntity(int entityNumber, float x, float y);
    // Moves the item stored at the old point to the new one (inserting it when
    // it was not found); stays in its leaf when the new point falls there.
    void moveEntity(int entityNumber, float oldX, float oldY, float newX, float newY);
    // The candidates around the centre, re-expressed in this level's zone;
    // nothing when the centre's zone is not this one or a neighbour.
    void query(const ZonePosition& centre, float radius, std::vector<int>& out) const;
    void clear() { m_root->clear(); }

    const QuadTreeNode& getRoot() const { return *m_root; }

private:
    int m_zone;
    std::unique_ptr<QuadTreeNode> m_root;
};

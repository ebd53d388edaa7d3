#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// One indexed entity: its number and the point it was stored at.
struct QuadTreeItem {
    int32_t entityNumber = -1;
    float x = 0.0f;
    float y = 0.0f;
};

// A point quadtree node. Items live by value in the leaves' lists; a leaf
// whose list would reach the limit splits into four children unless it is at
// maxDepth, where the list grows without bound.
class QuadTreeNode {
public:
    static constexpr int kDefaultLimit = 10;
    static constexpr int kDefaultMaxDepth = 10;

    QuadTreeNode(float minX, float minY, float maxX, float maxY, int limit = kDefaultLimit,
                 int maxDepth = kDefaultMaxDepth, int depth = 0);

    void insert(const QuadTreeItem& item);
    // Takes out the item of that entity number from the leaf holding the
    // point; false when that leaf has none. The item is copied to out when
    // given.
    bool remove(float x, float y, int32_t entityNumber, QuadTreeItem* out = nullptr);
    // Appends the numbers of every item in the leaves overlapping the square
    // centre ± radius (closed comparisons), unfiltered.
    void queryRange(float x, float y, float radius, std::vector<int>& out) const;
    void collectAll(std::vector<int>& out) const;
    // Back to an empty leaf.
    void clear();

    // The child index a point goes to; points on a midline go right or up.
    int quadrant(float x, float y) const;
    // The leaf a point descends to.
    QuadTreeNode* leafFor(float x, float y);

    bool isLeaf() const { return !m_children[0]; }
    const QuadTreeNode* getChild(int index) const { return m_children[index].get(); }
    const std::vector<QuadTreeItem>& getItems() const { return m_items; }
    std::vector<QuadTreeItem>& getItems() { return m_items; }
    int getCount() const { return static_cast<int>(m_items.size()); }
    int getDepth() const { return m_depth; }
    int getLimit() const { return m_limit; }
    int getMaxDepth() const { return m_maxDepth; }
    float getMinX() const { return m_minX; }
    float getMinY() const { return m_minY; }
    float getMaxX() const { return m_maxX; }
    float getMaxY() const { return m_maxY; }

private:
    void split();

    float m_minX, m_minY, m_maxX, m_maxY;
    std::array<std::unique_ptr<QuadTreeNode>, 4> m_children;
    std::vector<QuadTreeItem> m_items;
    int m_limit;
    int m_depth;
    int m_maxDepth;
};

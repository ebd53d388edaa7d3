#include "game/world/QuadTreeNode.h"

QuadTreeNode::QuadTreeNode(float minX, float minY, float maxX, float maxY, int limit, int maxDepth, int depth)
    : m_minX(minX), m_minY(minY), m_maxX(maxX), m_maxY(maxY), m_limit(limit), m_depth(depth),
      m_maxDepth(maxDepth)
{
    // A leaf holds at most limit - 1 items before it splits; reserving them
    // keeps inserts from allocating.
    if (limit > 1) {
        m_items.reserve(static_cast<size_t>(limit));
    }
}

int QuadTreeNode::quadrant(float x, float y) const
{
    float midX = 0.5f * (m_minX + m_maxX);
    float midY = 0.5f * (m_minY + m_maxY);
    if (x >= midX) {
        return y < midY ? 3 : 1;
    }
    return y < midY ? 2 : 0;
}

QuadTreeNode* QuadTreeNode::leafFor(float x, float y)
{
    QuadTreeNode* node = this;
    while (!node->isLeaf()) {
        node = node->m_children[node->quadrant(x, y)].get();
    }
    return node;
}

void QuadTreeNode::split()
{
    float midX = 0.5f * (m_minX + m_maxX);
    float midY = 0.5f * (m_minY + m_maxY);
    int d = m_depth + 1;
    m_children[0] = std::make_unique<QuadTreeNode>(m_minX, midY, midX, m_maxY, m_limit, m_maxDepth, d);
    m_children[1] = std::make_unique<QuadTreeNode>(midX, midY, m_maxX, m_maxY, m_limit, m_maxDepth, d);
    m_children[2] = std::make_unique<QuadTreeNode>(m_minX, m_minY, midX, midY, m_limit, m_maxDepth, d);
    m_children[3] = std::make_unique<QuadTreeNode>(midX, m_minY, m_maxX, midY, m_limit, m_maxDepth, d);
}

void QuadTreeNode::insert(const QuadTreeItem& item)
{
    QuadTreeNode* node = this;
    for (;;) {
        if (node->isLeaf()) {
            if (node->getCount() + 1 < node->m_limit || node->m_depth >= node->m_maxDepth) {
                node->m_items.push_back(item);
                return;
            }
            node->split();
        }
        if (!node->m_items.empty()) {
            // Right after a split the node's own items go down one level.
            for (const QuadTreeItem& held : node->m_items) {
                node->m_children[node->quadrant(held.x, held.y)]->insert(held);
            }
            node->m_items.clear();
            node->m_items.shrink_to_fit();
        }
        node = node->m_children[node->quadrant(item.x, item.y)].get();
    }
}

bool QuadTreeNode::remove(float x, float y, int32_t entityNumber, QuadTreeItem* out)
{
    QuadTreeNode* leaf = leafFor(x, y);
    std::vector<QuadTreeItem>& items = leaf->m_items;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].entityNumber == entityNumber) {
            if (out) {
                *out = items[i];
            }
            items[i] = items.back();
            items.pop_back();
            return true;
        }
    }
    return false;
}

void QuadTreeNode::queryRange(float x, float y, float radius, std::vector<int>& out) const
{
    if (!(m_minX <= x + radius && m_minY <= y + radius && m_maxX >= x - radius && m_maxY >= y - radius)) {
        return;
    }
    if (isLeaf()) {
        for (const QuadTreeItem& item : m_items) {
            out.push_back(item.entityNumber);
        }
        return;
    }
    for (const auto& child : m_children) {
        child->queryRange(x, y, radius, out);
    }
}

void QuadTreeNode::collectAll(std::vector<int>& out) const
{
    for (const QuadTreeItem& item : m_items) {
        out.push_back(item.entityNumber);
    }
    if (!isLeaf()) {
        for (const auto& child : m_children) {
            child->collectAll(out);
        }
    }
}

void QuadTreeNode::clear()
{
    for (auto& child : m_children) {
        child.reset();
    }
    m_items.clear();
}

#include "game/world/LevelIndex.h"

LevelIndex::LevelIndex(int zone, float width, float height)
    : m_zone(zone), m_root(std::make_unique<QuadTreeNode>(0.0f, 0.0f, width, height, kLimit, kMaxDepth))
{
}

void LevelIndex::insertEntity(int entityNumber, float x, float y)
{
    m_root->insert(QuadTreeItem{entityNumber, x, y});
}

bool LevelIndex::removeEntity(int entityNumber, float x, float y)
{
    return m_root->remove(x, y, entityNumber);
}

void LevelIndex::moveEntity(int entityNumber, float oldX, float oldY, float newX, float newY)
{
    QuadTreeNode* leaf = m_root->leafFor(oldX, oldY);
    if (leaf == m_root->leafFor(newX, newY)) {
        for (QuadTreeItem& item : leaf->getItems()) {
            if (item.entityNumber == entityNumber) {
                item.x = newX;
                item.y = newY;
                return;
            }
        }
    } else {
        m_root->remove(oldX, oldY, entityNumber);
    }
    m_root->insert(QuadTreeItem{entityNumber, newX, newY});
}

void LevelIndex::query(const ZonePosition& centre, float radius, std::vector<int>& out) const
{
    ZonePosition local = centre;
    if (!local.toZone(m_zone)) {
        return;
    }
    m_root->queryRange(local.x, local.y, radius, out);
}

#include "game/world/WorldGrid.h"

#include <algorithm>

WorldGrid::WorldGrid(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_cells(static_cast<size_t>(m_width) * m_height, nullptr), m_lowerBound(m_height, kNone),
      m_upperBound(m_height, kNone), m_mainMin(m_height, kNone), m_mainMax(m_height, kNone)
{
}

bool WorldGrid::contains(int lateral, int depth) const
{
    return lateral >= 0 && depth >= 0 && lateral < m_width && depth < m_height;
}

Level* WorldGrid::getCell(int lateral, int depth) const
{
    return contains(lateral, depth) ? m_cells[static_cast<size_t>(m_width) * depth + lateral] : nullptr;
}

void WorldGrid::setCell(int lateral, int depth, Level* level, bool mainPath)
{
    if (!contains(lateral, depth)) {
        return;
    }
    m_depthCount = std::max(m_depthCount, depth + 1);
    int& lower = m_lowerBound[depth];
    if (lower != kEdge && (lower == kNone || lower >= lateral)) {
        lower = lateral - 1 < 0 ? kEdge : lateral - 1;
    }
    int& upper = m_upperBound[depth];
    if (upper != kEdge && (upper == kNone || upper <= lateral)) {
        upper = lateral + 1 >= m_width ? kEdge : lateral + 1;
    }
    if (mainPath) {
        if (m_mainMin[depth] == kNone || lateral < m_mainMin[depth]) {
            m_mainMin[depth] = lateral;
        }
        if (m_mainMax[depth] == kNone || lateral > m_mainMax[depth]) {
            m_mainMax[depth] = lateral;
        }
    }
    m_cells[static_cast<size_t>(m_width) * depth + lateral] = level;
}

int WorldGrid::lowerBound(int depth) const
{
    return depth >= 0 && depth < m_height ? m_lowerBound[depth] : kNone;
}

int WorldGrid::upperBound(int depth) const
{
    return depth >= 0 && depth < m_height ? m_upperBound[depth] : kNone;
}

int WorldGrid::lowerBoundOr(int depth) const
{
    const int b = lowerBound(depth);
    return b == kNone ? m_width / 2 : b;
}

int WorldGrid::upperBoundOr(int depth) const
{
    const int b = upperBound(depth);
    return b == kNone ? m_width / 2 : b;
}

bool WorldGrid::hasMainPath(int depth) const
{
    return depth >= 0 && depth < m_height && m_mainMin[depth] != kNone;
}

int WorldGrid::mainMin(int depth) const
{
    return hasMainPath(depth) ? m_mainMin[depth] : m_width / 2;
}

int WorldGrid::mainMax(int depth) const
{
    return hasMainPath(depth) ? m_mainMax[depth] : m_width / 2;
}

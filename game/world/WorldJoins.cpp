// Joining the levels of the layout grid: cells, their neighbour tables and
// edge states, the passages between areas and the connection points of
// dungeon floors.
#include "engine/core/Random.h"
#include "game/definitions/WorldRules.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "game/world/WorldGrid.h"

#include <algorithm>

namespace {

// The edge of an orthogonal direction, -1 for a diagonal one.
int edgeOf(int direction)
{
    switch (direction) {
    case 1:
        return 0;
    case 7:
        return 1;
    case 3:
        return 2;
    case 5:
        return 3;
    default:
        return -1;
    }
}

bool records(const AreaDefinition* a, const AreaDefinition* b)
{
    return std::find(a->adjacentAreas.begin(), a->adjacentAreas.end(), b) != a->adjacentAreas.end();
}

} // namespace

int World::setGridCell(int lateral, int depth, std::unique_ptr<Level> level, bool mainPath)
{
    if (!m_grid) {
        return -1;
    }
    Level* raw = level.get();
    m_grid->setCell(lateral, depth, raw, mainPath);
    if (!raw || !m_grid->contains(lateral, depth)) {
        return -1;
    }
    return addLevel(std::move(level));
}

void World::joinCells(Level* a, Level* b, int mode)
{
    if (!a || !b) {
        return;
    }
    const int k = neighbourDirection(b->gridColumn - a->gridColumn, b->gridRow - a->gridRow);
    if (k < 0) {
        return;
    }
    a->neighbours[k] = b->zone;
    b->neighbours[(k + 4) % 8] = a->zone;
    const int ea = edgeOf(k);
    if (ea < 0) {
        return;
    }
    const int eb = 3 - ea; // 0 and 3, 1 and 2 face each other
    if (a->definition == b->definition) {
        a->borderKinds[ea] = b->borderKinds[eb] = Level::kBorderContinuous;
    } else if (mode == Level::kBorderUndecided) {
        a->borderKinds[ea] = b->borderKinds[eb] = Level::kBorderUndecided;
        const bool listed = std::any_of(m_borderPairs.begin(), m_borderPairs.end(), [&](const auto& p) {
            return (p.first == a->zone && p.second == b->zone) || (p.first == b->zone && p.second == a->zone);
        });
        if (!listed) {
            m_borderPairs.emplace_back(a->zone, b->zone);
        }
    } else if (mode == Level::kBorderPassage) {
        a->borderKinds[ea] = b->borderKinds[eb] = Level::kBorderPassage;
        // The town's passages stand at its gates, place 3, whichever side
        // of the pair it is.
        int gap = 3;
        if (a->zone != 0 && b->zone != 0) {
            // A block place along the edge, never a corner one.
            const GameRules& rules = worldRules();
            const int places = ea == 0 || ea == 3 ? rules.blocksAcross : rules.blocksDown;
            gap = 1 + randomInt(1, places - 2);
        }
        a->borderOpenings[ea] = b->borderOpenings[eb] = gap;
        if (a->definition && b->definition) {
            if (!records(a->definition, b->definition)) {
                a->definition->adjacentAreas.push_back(b->definition);
            }
            if (!records(b->definition, a->definition)) {
                b->definition->adjacentAreas.push_back(a->definition);
            }
        }
    } else {
        a->borderKinds[ea] = b->borderKinds[eb] = Level::kBorderClosed;
    }
}

void World::connectGridCells()
{
    if (!m_grid) {
        return;
    }
    const int width = m_grid->getWidth();
    for (int d = 0; d < m_grid->getDepthCount(); ++d) {
        const int lower = m_grid->lowerBound(d);
        const int upper = m_grid->upperBound(d);
        const int lo = lower == WorldGrid::kEdge ? 0 : lower + 1;
        const int hi = upper == WorldGrid::kEdge ? width - 1 : upper - 1;
        for (int l = lo; l <= hi; ++l) {
            Level* level = m_grid->getCell(l, d);
            if (!level) {
                continue;
            }
            joinCells(level, m_grid->getCell(l - 1, d), Level::kBorderUndecided);
            joinCells(level, m_grid->getCell(l - 1, d + 1), Level::kBorderUndecided);
            joinCells(level, m_grid->getCell(l, d + 1), Level::kBorderUndecided);
            joinCells(level, m_grid->getCell(l + 1, d + 1), Level::kBorderUndecided);
            joinCells(level, m_grid->getCell(l + 1, d), Level::kBorderUndecided);
        }
    }
}

void World::connectAreas()
{
    for (size_t i = 0; i < m_borderPairs.size(); ++i) {
        const Level* first = getLevel(m_borderPairs[i].first);
        const Level* second = getLevel(m_borderPairs[i].second);
        if (!first || !second || !first->definition || !second->definition) {
            continue;
        }
        const AreaDefinition* a = first->definition;
        const AreaDefinition* b = second->definition;
        if (records(a, b)) {
            continue;
        }
        const bool sameSection = first->section == second->section;
        if (!(sameSection || a->startOrEnd) || !(sameSection || b->startOrEnd)) {
            continue;
        }
        std::vector<std::pair<Level*, Level*>> collected;
        for (const auto& [p, q] : m_borderPairs) {
            Level* lp = getLevel(p);
            Level* lq = getLevel(q);
            if ((lp->definition == a && lq->definition == b) ||
                (lp->definition == b && lq->definition == a)) {
                collected.emplace_back(lp, lq);
            }
        }
        const int chosen = randomInt(1, static_cast<int>(collected.size()));
        for (int k = 0; k < static_cast<int>(collected.size()); ++k) {
            joinCells(collected[k].first, collected[k].second,
                      k == chosen ? Level::kBorderPassage : Level::kBorderClosed);
        }
    }
}

int World::connectLevels(Level* upper, std::unique_ptr<Level> lower)
{
    Level* raw = lower.get();
    const int index = addLevel(std::move(lower));
    if (!upper) {
        return index;
    }
    ConnectionPoint above;
    above.position = upper->randomPositionInArea();
    ConnectionPoint below;
    below.position = raw->randomPositionInArea();
    above.targetLevel = raw->zone;
    above.targetConnection = raw->getConnectionCount();
    below.targetLevel = upper->zone;
    below.targetConnection = upper->getConnectionCount();
    upper->connections.push_back(above);
    raw->connections.push_back(below);
    raw->parent = upper;
    raw->subLevel = true;
    return index;
}

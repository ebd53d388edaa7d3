#include "game/world/PathFinder.h"

#include "engine/core/MathUtil.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/EntityBase.h"
#include "game/world/World.h"

#include <cmath>
#include <memory>

namespace {

std::unique_ptr<PathFinder> g_pathFinder;

float stepCost(int code)
{
    return (code & 1) ? PathFinder::kDiagonalCost : PathFinder::kStraightCost;
}

float distanceInCells(int x, int y, int gx, int gy)
{
    const int dx = gx - x;
    const int dy = gy - y;
    return std::sqrt(static_cast<float>(dx * dx + dy * dy));
}

int roundedCells(float d, float size)
{
    return static_cast<int>(std::floor(d / size + 0.5f));
}

} // namespace

PathFinder::PathFinder() : m_pool(kPoolSize), m_free(kPoolSize), m_heap(kPoolSize)
{
    m_grid.obstacles.reserve(1000);
    for (int i = 0; i < kPoolSize; ++i) {
        m_free[static_cast<size_t>(i)] = &m_pool[static_cast<size_t>(i)];
    }
    m_freeCount = kPoolSize;
}

PathFinder::~PathFinder() = default;

void PathFinder::create()
{
    if (!instance()) {
        g_pathFinder = std::make_unique<PathFinder>();
    }
}

void PathFinder::destroy()
{
    g_pathFinder.reset();
}

// ---- Grid

ZonePosition PathFinder::cellPosition(int x, int y) const
{
    ZonePosition p(m_grid.centre.zone,
                   m_grid.centre.x + static_cast<float>(x - PathGrid::kCentre) * m_grid.tileWidth,
                   m_grid.centre.y + static_cast<float>(y - PathGrid::kCentre) * m_grid.tileHeight);
    p.normalize();
    return p;
}

void PathFinder::cellOffset(const ZonePosition& reference, const ZonePosition& position, int& dx,
                            int& dy) const
{
    const Vec2 d = ZonePosition::getOffset(reference, position);
    dx = roundedCells(d.x, m_grid.tileWidth);
    dy = roundedCells(d.y, m_grid.tileHeight);
}

void PathFinder::buildGrid(EntityBase* mover)
{
    const GameRules& rules = worldRules();
    m_grid.cells.fill(PathGrid::kUnknown);
    m_grid.walls.fill(false);
    m_grid.obstacles.clear();
    m_grid.mover = mover;
    m_grid.moverRadius = mover ? mover->getRadius() : 0.0f;
    m_grid.tileWidth = rules.tileSize;
    m_grid.tileHeight = rules.tileSize;
    m_grid.centre = mover ? snapToGrid(mover->getPosition()) : ZonePosition();
    m_grid.centre.normalize();
    if (mover && !mover->hasFlag(EntityBase::kFlagNoCollision)) {
        mover->markObstacles(m_grid, kObstacleHalfWidth, kObstacleHalfHeight, kObstacleMask);
    }
}

void PathFinder::markCellBlocked(const ZonePosition& position, PathGrid& grid)
{
    ZonePosition snapped = snapToGrid(position);
    snapped.normalize();
    const Vec2 d = ZonePosition::getOffset(snapped, grid.centre);
    const int x = PathGrid::kCentre - roundedCells(d.x, grid.tileWidth);
    const int y = PathGrid::kCentre - roundedCells(d.y, grid.tileHeight);
    if (PathGrid::contains(x, y)) {
        grid.cells[static_cast<size_t>(PathGrid::indexOf(x, y))] = PathGrid::kObstacle;
    }
}

void PathFinder::markObstacle(PathGrid& grid, EntityBase* entity)
{
    if (!entity) {
        return;
    }
    markCellBlocked(entity->getPosition(), grid);
    grid.obstacles.push_back(entity);
}

bool PathFinder::isTerrainBlocked(const ZonePosition& position) const
{
    if (m_terrain) {
        return !m_terrain->isLevelLoaded(position.zone) || m_terrain->isBlockedForMovement(position);
    }
    World* world = World::instance();
    return !world || !world->isLevelLoaded(position.zone) || world->isBlockedForMovement(position);
}

bool PathFinder::isCellBlocked(int x, int y, bool clearance)
{
    if (m_grid.mover && m_grid.mover->hasFlag(EntityBase::kFlagNoCollision)) {
        return false;
    }
    if (!PathGrid::contains(x, y)) {
        return true;
    }
    int& state = m_grid.cells[static_cast<size_t>(PathGrid::indexOf(x, y))];
    if (state == PathGrid::kObstacle || state == PathGrid::kBlocked) {
        return true;
    }
    if (state == PathGrid::kFree) {
        return false;
    }
    const ZonePosition position = cellPosition(x, y);
    if (isTerrainBlocked(position)) {
        state = PathGrid::kBlocked;
        m_grid.walls[static_cast<size_t>(PathGrid::indexOf(x, y))] = true;
        return true;
    }
    if (!clearance) {
        return false;
    }
    for (const EntityBase* obstacle : m_grid.obstacles) {
        if (ZonePosition::distanceTo(position, obstacle->getPosition()) <=
            obstacle->getRadius() + m_grid.moverRadius) {
            state = PathGrid::kBlocked;
            return true;
        }
    }
    // Rings of cells out to the mover's radius; the corners of the last ring
    // only when they lie inside it.
    const int r = static_cast<int>(std::floor(m_grid.moverRadius / m_grid.tileWidth));
    const float side = static_cast<float>(r) * m_grid.tileWidth;
    const bool corners = std::sqrt(side * side + side * side) < m_grid.moverRadius;
    for (int k = 0; k <= r; ++k) {
        for (int j = -k; j <= k; ++j) {
            for (int i = -k; i <= k; ++i) {
                if (k == r && !corners && std::abs(i) == std::abs(j)) {
                    continue;
                }
                const int vx = x + i;
                const int vy = y + j;
                if (!PathGrid::contains(vx, vy)) {
                    state = PathGrid::kBlocked;
                    return true;
                }
                // A wall blocks whether it was met before or is met now; a
                // cell only too near something for the mover does not.
                const size_t index = static_cast<size_t>(PathGrid::indexOf(vx, vy));
                const int visited = m_grid.cells[index];
                if (visited == PathGrid::kObstacle || m_grid.walls[index] ||
                    (visited == PathGrid::kUnknown && isCellBlocked(vx, vy, false))) {
                    state = PathGrid::kBlocked;
                    return true;
                }
            }
        }
    }
    state = PathGrid::kFree;
    return false;
}

// ---- Nodes and the open heap

PathFinder::Node* PathFinder::takeNode()
{
    if (m_freeCount == 0) {
        return nullptr;
    }
    Node* node = m_free[static_cast<size_t>(--m_freeCount)];
    *node = Node{};
    return node;
}

void PathFinder::releaseNode(Node* node)
{
    m_free[static_cast<size_t>(m_freeCount++)] = node;
}

bool PathFinder::before(const Node* a, const Node* b) const
{
    return a->f < b->f || (a->f == b->f && a->order > b->order);
}

void PathFinder::siftUp(int index)
{
    Node* node = m_heap[static_cast<size_t>(index)];
    while (index > 0) {
        const int parent = (index - 1) / 2;
        Node* above = m_heap[static_cast<size_t>(parent)];
        if (!before(node, above)) {
            break;
        }
        m_heap[static_cast<size_t>(index)] = above;
        above->heapIndex = index;
        index = parent;
    }
    m_heap[static_cast<size_t>(index)] = node;
    node->heapIndex = index;
}

void PathFinder::siftDown(int index)
{
    Node* node = m_heap[static_cast<size_t>(index)];
    for (;;) {
        int best = index;
        Node* bestNode = node;
        for (int child = 2 * index + 1; child <= 2 * index + 2 && child < m_heapSize; ++child) {
            Node* c = m_heap[static_cast<size_t>(child)];
            if (before(c, bestNode)) {
                best = child;
                bestNode = c;
            }
        }
        if (best == index) {
            break;
        }
        m_heap[static_cast<size_t>(index)] = bestNode;
        bestNode->heapIndex = index;
        index = best;
    }
    m_heap[static_cast<size_t>(index)] = node;
    node->heapIndex = index;
}

void PathFinder::pushOpen(Node* node)
{
    node->order = m_pushCount++;
    m_heap[static_cast<size_t>(m_heapSize)] = node;
    node->heapIndex = m_heapSize++;
    siftUp(node->heapIndex);
    m_cellNodes[static_cast<size_t>(PathGrid::indexOf(node->x, node->y))] = node;
}

PathFinder::Node* PathFinder::popOpen()
{
    Node* best = m_heap[0];
    --m_heapSize;
    if (m_heapSize > 0) {
        m_heap[0] = m_heap[static_cast<size_t>(m_heapSize)];
        m_heap[0]->heapIndex = 0;
        siftDown(0);
    }
    best->heapIndex = -1;
    return best;
}

void PathFinder::reorder(Node* node)
{
    if (node->heapIndex < 0) {
        return;
    }
    siftUp(node->heapIndex);
    siftDown(node->heapIndex);
}

void PathFinder::setF(Node* node, float f)
{
    node->f = f;
    reorder(node);
}

void PathFinder::propagate(Node* node)
{
    for (int d = 0; d < 8; ++d) {
        Node* child = node->children[static_cast<size_t>(d)];
        if (!child) {
            continue;
        }
        const float g = node->g + stepCost(d);
        if (child->parent == node || child->g > g) {
            child->parent = node;
            setF(child, child->f - (child->g - g));
            child->g = g;
            propagate(child);
        }
    }
}

// ---- Search

bool PathFinder::findPath(EntityBase* mover, const ZonePosition& from, const ZonePosition& to,
                          EntityBase* target, GridPath& out)
{
    if (!mover) {
        return false;
    }
    buildGrid(mover);
    int dx = 0, dy = 0;
    cellOffset(from, to, dx, dy);
    const int gx = PathGrid::kCentre + dx;
    const int gy = PathGrid::kCentre + dy;
    if (!PathGrid::contains(gx, gy)) {
        return false;
    }
    float range = 1.5f * m_grid.tileWidth;
    if (target) {
        range += mover->getRadius() + target->getRadius();
    }
    m_pops = 0;
    return search(target == nullptr, gx, gy, &out, range);
}

bool PathFinder::search(bool exact, int gx, int gy, GridPath* out, float range)
{
    if (exact) {
        // A goal tile that cannot be stood on, or that nothing leads into,
        // is only approached.
        bool blocked = isCellBlocked(gx, gy, true);
        for (int d = 0; d < 8 && !blocked; ++d) {
            const GridStep s = gridStepOfCode(d);
            if (!isCellBlocked(gx + s.dx, gy + s.dy, true)) {
                break;
            }
            blocked = d == 7;
        }
        exact = !blocked;
    }
    const ZonePosition goal = cellPosition(gx, gy);

    m_heapSize = 0;
    m_pushCount = 0;
    m_cellNodes.fill(nullptr);
    Node* start = takeNode();
    start->x = PathGrid::kCentre;
    start->y = PathGrid::kCentre;
    start->h = distanceInCells(start->x, start->y, gx, gy);
    start->f = start->h;
    pushOpen(start);

    bool found = false;
    for (;;) {
        if (m_pops >= kMaxPops || m_heapSize == 0) {
            break;
        }
        ++m_pops;
        Node* current = popOpen();
        const bool reached =
            exact ? (current->x == gx && current->y == gy)
                  : ZonePosition::distanceTo(cellPosition(current->x, current->y), goal) < range;
        if (reached) {
            found = !out || writePath(current, out);
            break;
        }
        int count = 0;
        for (int d = 0; d < 8; ++d) {
            const GridStep s = gridStepOfCode(d);
            const int nx = current->x + s.dx;
            const int ny = current->y + s.dy;
            Node* successor = nullptr;
            if (PathGrid::contains(nx, ny) && !isCellBlocked(nx, ny, true)) {
                successor = takeNode();
                if (successor) {
                    successor->x = nx;
                    successor->y = ny;
                    ++count;
                }
            }
            m_successors[static_cast<size_t>(d)] = successor;
        }
        for (int d = 0; d < 8 && count > 0; ++d) {
            Node* successor = m_successors[static_cast<size_t>(d)];
            if (!successor) {
                continue;
            }
            current->children[static_cast<size_t>(d)] = nullptr;
            successor->parent = current;
            float g = current->g + stepCost(d);
            if (current->parent && current->parent->children[static_cast<size_t>(d)] != current) {
                g += kTurnCost;
            }
            successor->g = g;
            Node* known = m_cellNodes[static_cast<size_t>(PathGrid::indexOf(successor->x, successor->y))];
            if (known) {
                if (known->g > g) {
                    known->parent = current;
                    known->g = g;
                    setF(known, g + known->h);
                    if (known->heapIndex < 0) {
                        propagate(known);
                    }
                }
                current->children[static_cast<size_t>(d)] = known;
                releaseNode(successor);
            } else {
                successor->h = distanceInCells(successor->x, successor->y, gx, gy);
                successor->f = g + successor->h;
                current->children[static_cast<size_t>(d)] = successor;
                pushOpen(successor);
            }
        }
    }
    // Every node goes back to the pool.
    m_heapSize = 0;
    m_freeCount = kPoolSize;
    for (int i = 0; i < kPoolSize; ++i) {
        m_free[static_cast<size_t>(i)] = &m_pool[static_cast<size_t>(i)];
    }
    return found;
}

bool PathFinder::writePath(const Node* goal, GridPath* out)
{
    int count = 0;
    for (const Node* node = goal; node->parent; node = node->parent) {
        int code = 0;
        while (code < 8 && node->parent->children[static_cast<size_t>(code)] != node) {
            ++code;
        }
        if (code == 8 || count >= static_cast<int>(m_codes.size())) {
            return false;
        }
        m_codes[static_cast<size_t>(count++)] = code;
    }
    // A walk longer than the path holds keeps its first steps; the walker
    // searches again when they run out.
    const int kept = count < GridPath::kMaxSteps ? count : GridPath::kMaxSteps;
    out->stepCount = kept;
    out->stepIndex = 0;
    for (int i = 0; i < kept; ++i) {
        out->codes[static_cast<size_t>(i)] = m_codes[static_cast<size_t>(count - 1 - i)];
    }
    return true;
}

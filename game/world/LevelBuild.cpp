#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/WorldRules.h"
#include "game/world/AreaDefinition.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"
#include "game/world/RandomGenerator.h"
#include "game/world/World.h"

#include <algorithm>
#include <deque>

namespace {

constexpr int kOpposite[4] = {3, 2, 1, 0};

} // namespace

AreaResource* Level::getArea() const
{
    if (!m_layout) {
        return nullptr;
    }
    return m_layout->editorArea ? m_layout->editorArea : m_layout->areaResource;
}

void Level::ensureLayout()
{
    if (!m_layout) {
        return;
    }
    bool built = false;
    if (pendingBuild) {
        // Waits through the resource manager: it gives up the context lock
        // while it waits and reads the file itself once the loader stopped.
        Resource* resource = ResourceSystem::instance() ? ResourceSystem::get().get(m_layout->area) : nullptr;
        m_layout->areaResource = dynamic_cast<AreaResource*>(resource);
        if (!m_layout->areaResource) {
            debugPrint(3, "Level %d: \"%s\" is no area file; the level stays empty\n", zone,
                       definition ? definition->areaFileName.c_str() : "");
        }
        buildLayout();
        built = true;
    }
    bool acquired = false;
    if (m_layout->built && m_layout->wanted && !m_layout->areaAcquired) {
        acquireArea();
        acquired = true;
    }
    if (World* world = World::instance()) {
        if (built) {
            world->notifyLevelBuilt(*this, acquired);
        } else if (acquired) {
            world->notifyLevelDrawable(*this);
        }
    }
}

void Level::acquireArea()
{
    if (AreaResource* area = getArea(); area && !m_layout->editorArea) {
        area->acquire();
    }
    m_layout->areaAcquired = true;
}

void Level::releaseArea()
{
    if (AreaResource* area = getArea(); area && !m_layout->editorArea) {
        area->release();
    }
    m_layout->areaAcquired = false;
}

int Level::usableWidth() const
{
    const int gw = worldRules().blocksAcross;
    if (m_layout && m_layout->editorArea) {
        return gw;
    }
    return definition && definition->maxBlockWidth >= 1 ? std::min(definition->maxBlockWidth, gw) : gw;
}

int Level::usableHeight() const
{
    const int gh = worldRules().blocksDown;
    if (m_layout && m_layout->editorArea) {
        return gh;
    }
    return definition && definition->maxBlockHeight >= 1 ? std::min(definition->maxBlockHeight, gh) : gh;
}

int Level::getPlace(int x, int y) const
{
    const GameRules& rules = worldRules();
    if (!m_layout || x < 0 || y < 0 || x >= rules.blocksAcross || y >= rules.blocksDown ||
        m_layout->places.empty()) {
        return -1;
    }
    return m_layout->places[static_cast<size_t>(y) * rules.blocksAcross + x];
}

bool Level::isPlaceReachable(int x, int y) const
{
    const GameRules& rules = worldRules();
    if (!m_layout || x < 0 || y < 0 || x >= rules.blocksAcross || y >= rules.blocksDown ||
        m_layout->reached.empty()) {
        return false;
    }
    return m_layout->reached[static_cast<size_t>(y) * rules.blocksAcross + x];
}

void Level::buildLayout()
{
    const GameRules& rules = worldRules();
    pendingBuild = false;
    m_layout->built = true;
    const size_t places = static_cast<size_t>(rules.blocksAcross) * rules.blocksDown;
    m_layout->places.assign(places, -1);
    m_layout->reached.assign(places, true);
    m_layout->mapObjects.assign(static_cast<size_t>(rules.levelTileWidth) * rules.levelTileHeight, -1);
    Random::setState(2, seed);
    AreaResource* area = getArea();
    if (!area) {
        return;
    }
    const int generator = definition ? definition->randomLevelGenerator : 0;
    if (generator == static_cast<int>(RandomGenerator::Cave) ||
        generator == static_cast<int>(RandomGenerator::Dungeon)) {
        buildGrown(*area);
    } else {
        buildFilled(*area);
    }
}

int Level::borderCode(int side, int position) const
{
    if (side < 0 || side > 3) {
        return AreaResource::kWantClosedEdge;
    }
    switch (borderKinds[side]) {
    case kBorderContinuous:
        return AreaResource::kWantOpenEdge;
    case kBorderPassage:
        return position == borderOpenings[side] ? AreaResource::kWantBottleneck
                                                : AreaResource::kWantClosedEdge;
    default:
        return AreaResource::kWantClosedEdge;
    }
}

int Level::neighbourEdge(int x, int y, int side) const
{
    const int block = getPlace(x, y);
    const AreaResource* area = getArea();
    const AreaBlock* b = area ? area->getBlock(block) : nullptr;
    return b && side >= 0 && side < 4 ? b->edges[side] : -1;
}

std::array<int, 4> Level::wantedEdges(int x, int y) const
{
    // The limits never reach past the grid, so the right and top
    // neighbours stay on the grid's own row and column.
    const int limitW = usableWidth();
    const int limitH = usableHeight();
    std::array<int, 4> wanted{};
    wanted[3] = y == 0 ? borderCode(3, x) : neighbourEdge(x, y - 1, 0);
    wanted[1] = x == 0 ? borderCode(1, y) : neighbourEdge(x - 1, y, 2);
    wanted[2] = x >= limitW - 1 ? borderCode(2, y) : neighbourEdge(x + 1, y, 1);
    wanted[0] = y >= limitH - 1 ? borderCode(0, x) : neighbourEdge(x, y + 1, 3);
    return wanted;
}

void Level::buildFilled(AreaResource& area)
{
    const GameRules& rules = worldRules();
    const bool editor = m_layout->editorArea != nullptr;
    for (int y = 0; y < rules.blocksDown; ++y) {
        for (int x = 0; x < rules.blocksAcross; ++x) {
            if (!editor && definition &&
                ((definition->maxBlockWidth >= 1 && x >= definition->maxBlockWidth) ||
                 (definition->maxBlockHeight >= 1 && y >= definition->maxBlockHeight))) {
                continue;
            }
            m_layout->places[static_cast<size_t>(y) * rules.blocksAcross + x] =
                area.chooseBlock(wantedEdges(x, y), m_layout->useCounts);
        }
    }
}

bool Level::expandFrom(int x, int y, int side, bool connectivity, std::vector<int>& pending)
{
    const GameRules& rules = worldRules();
    const AreaResource* area = getArea();
    const int block = getPlace(x, y);
    const AreaBlock* b = area ? area->getBlock(block) : nullptr;
    if (!b || side < 0 || side > 3) {
        return false;
    }
    const int edge = b->edges[side];
    const int closedA = area->getSpecialEdge(AreaResource::kLevelEdgeClosed);
    const int closedB = area->getSpecialEdge(AreaResource::kClosed);
    if ((closedA >= 0 && edge == closedA) || (closedB >= 0 && edge == closedB)) {
        return false;
    }
    static constexpr int kStep[4][2] = {{0, 1}, {-1, 0}, {1, 0}, {0, -1}};
    const int nx = x + kStep[side][0];
    const int ny = y + kStep[side][1];
    if (nx < 0 || ny < 0 || nx >= rules.blocksAcross || ny >= rules.blocksDown) {
        return false;
    }
    const int n = ny * rules.blocksAcross + nx;
    if (!connectivity) {
        if (m_layout->places[n] != -1) {
            return false;
        }
        pending.push_back(n);
        return true;
    }
    const int neighbour = m_layout->places[n];
    if (m_layout->reached[n] || neighbour < 0 || !b->isSideOpen(side) ||
        !area->isSideOpen(neighbour, kOpposite[side])) {
        return false;
    }
    pending.push_back(n);
    return true;
}

void Level::buildGrown(AreaResource& area)
{
    const GameRules& rules = worldRules();
    const int gw = rules.blocksAcross;
    const bool editor = m_layout->editorArea != nullptr;
    const int minBlocks = definition ? definition->minBlocks : 0;
    const int maxBlockFailures = definition ? definition->maxBlockFailures : 0;
    const int maxLevelFailures = definition ? definition->maxLevelFailures : 0;
    std::vector<int>& places = m_layout->places;

    std::vector<int> pending; // used first in, first out from `next`
    size_t next = 0;
    int placed = 0;
    int blockFailures = 0;
    int attempts = 1;
    bool started = false;
    int start = -1;
    while (true) {
        int p;
        if (next < pending.size()) {
            p = pending[next++];
        } else if (started) {
            break;
        } else {
            pending.clear();
            next = 0;
            // The start column stays inside the usable width.
            const int usable = usableWidth();
            const int x =
                usable <= 1 ? 0 : 1 + randomIntInclusive(2, 0, std::min(rules.blockTileWidth, usable) - 2);
            p = x;
            start = p;
            started = true;
        }
        if (places[p] != -1) {
            continue;
        }
        const int x = p % gw;
        const int y = p / gw;
        std::array<int, 4> wanted = wantedEdges(x, y);
        if (!editor && definition &&
            ((definition->maxBlockWidth >= 1 && x >= definition->maxBlockWidth) ||
             (definition->maxBlockHeight >= 1 && y >= definition->maxBlockHeight))) {
            continue;
        }
        int block = area.chooseBlock(wanted, m_layout->useCounts);
        if (block < 0) {
            debugPrint(1, "Added closed block: %d %d %d %d\n", wanted[0], wanted[1], wanted[2], wanted[3]);
            const int closed = area.getSpecialEdge(AreaResource::kClosed);
            block = area.chooseBlock({closed, closed, closed, closed}, m_layout->useCounts);
            if (block < 0) {
                continue;
            }
        }
        places[p] = block;
        int queued = 0;
        for (int d = 0; d < 4; ++d) {
            queued += expandFrom(x, y, d, false, pending) ? 1 : 0;
        }
        if (queued == 0 && placed + 1 < minBlocks && next >= pending.size()) {
            if (blockFailures < maxBlockFailures) {
                places[p] = -1;
                pending.push_back(p);
                ++blockFailures;
                continue;
            }
            if (attempts < maxLevelFailures) {
                std::fill(places.begin(), places.end(), -1);
                ++attempts;
                blockFailures = 0;
                placed = 0;
                started = false;
                pending.clear();
                next = 0;
                continue;
            }
        }
        ++placed;
        blockFailures = 0;
    }
    m_layout->startPlace = start;
    connectivityPass(start);
}

void Level::connectivityPass(int start)
{
    const int gw = worldRules().blocksAcross;
    std::fill(m_layout->reached.begin(), m_layout->reached.end(), false);
    if (start < 0) {
        return;
    }
    std::vector<int> queue{start};
    for (size_t i = 0; i < queue.size(); ++i) {
        const int p = queue[i];
        // An empty place is no ground to stand on, the start included.
        if (m_layout->reached[p] || m_layout->places[p] < 0) {
            continue;
        }
        m_layout->reached[p] = true;
        for (int d = 0; d < 4; ++d) {
            expandFrom(p % gw, p / gw, d, true, queue);
        }
    }
}

ZonePosition Level::randomPositionInArea(bool* valid)
{
    const GameRules& rules = worldRules();
    const float blockW = rules.blockTileWidth * rules.tileSize;
    const float blockH = rules.blockTileHeight * rules.tileSize;
    const float width =
        definition && definition->maxBlockWidth > 0 ? definition->maxBlockWidth * blockW : rules.levelWidth;
    const float height = definition && definition->maxBlockHeight > 0 ? definition->maxBlockHeight * blockH
                                                                      : rules.levelHeight;
    const bool built = m_layout && m_layout->built && !m_layout->reached.empty();
    auto centre = [&](const char* why) {
        debugPrint(2, "Level %d (%s): %s; the centre is taken\n", zone, getName().c_str(), why);
        if (valid) {
            *valid = false;
        }
        return ZonePosition(zone, rules.levelWidth * 0.5f, rules.levelHeight * 0.5f);
    };
    if (built) {
        // Some reached place must lie inside the drawing extent.
        bool any = false;
        for (int y = 0; y < rules.blocksDown && !any; ++y) {
            for (int x = 0; x < rules.blocksAcross && !any; ++x) {
                any = x * blockW < width && y * blockH < height && isPlaceReachable(x, y);
            }
        }
        if (!any) {
            return centre("no reached place to stand on");
        }
    }
    // With a reached place in reach the draws end; the bound only guards a
    // zone set-up without sizes.
    for (int attempt = 0; attempt < 100000; ++attempt) {
        float x = randomFloat(1) * width;
        float y = randomFloat(1) * height;
        ZonePosition p = snapToGrid(ZonePosition(zone, x, y));
        p.normalize();
        if (p.zone != zone) {
            continue;
        }
        if (built && !isPlaceReachable(static_cast<int>(p.x / blockW), static_cast<int>(p.y / blockH))) {
            continue;
        }
        if (valid) {
            *valid = true;
        }
        return p;
    }
    return centre("no position found");
}

#include "game/world/Section.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameRules.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "game/world/WorldGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

Section::Section(World& world) : m_world(world) {}

Section::~Section() = default;

namespace {

std::unique_ptr<AreaDefinition> loadArea(World& world, const DatabaseEntry* section, const char* key,
                                         const std::string& entryName)
{
    if (entryName.empty()) {
        return nullptr;
    }
    const DatabaseEntry* entry = World::findListedEntry(section, key, entryName);
    if (!entry) {
        return nullptr;
    }
    auto area = std::make_unique<AreaDefinition>();
    area->load(entry, world.getAreaCount());
    world.registerArea(area.get());
    return area;
}

} // namespace

void Section::load(const DatabaseEntry* entry)
{
    Database& db = Database::get();
    name = entry->getName();
    lockedSize = db.getInt(entry, "LockedSize");
    baseSize = db.getInt(entry, "BaseSize");
    // The monster levels made from these stay within what a level can be;
    // a damaged number would overflow them.
    constexpr int kLimit = GameRules::kMaxLevelLimit;
    auto limited = [&](const char* key, auto value) {
        const auto cut =
            std::clamp(value, static_cast<decltype(value)>(-kLimit), static_cast<decltype(value)>(kLimit));
        if (cut != value) {
            debugPrint(2, "%s: section %s: %s %g is outside -%d..%d; using %g\n",
                       DefinitionReader(entry).where(key).c_str(), name.c_str(), key,
                       static_cast<double>(value), kLimit, kLimit, static_cast<double>(cut));
        }
        return cut;
    };
    monsterLevelsFromDepth = limited("MonsterLevelsFromDepth", db.getInt(entry, "MonsterLevelsFromDepth"));
    monsterLevelsFromWidth = limited("MonsterLevelsFromWidth", db.getFloat(entry, "MonsterLevelsFromWidth"));
    startArea = loadArea(m_world, entry, "StartArea", db.getString(entry, "StartArea"));
    if (startArea) {
        startArea->startOrEnd = true;
    }
    endArea = loadArea(m_world, entry, "EndArea", db.getString(entry, "EndArea"));
    if (endArea) {
        endArea->startOrEnd = true;
    }
    auto readList = [&](const char* key, size_t limit, std::vector<std::unique_ptr<AreaDefinition>>& out) {
        out.clear();
        for (const std::string& item : db.getStringList(entry, key)) {
            if (out.size() >= limit) {
                break;
            }
            if (auto area = loadArea(m_world, entry, key, item)) {
                out.push_back(std::move(area));
            }
        }
    };
    readList("Area", kMaxAreas, areas);
    readList("Dungeon", kMaxDungeons, dungeons);
    minLevels = db.getInt(entry, "MinLevels");
    needExtraStartArea = db.getInt(entry, "NeedExtraStartArea") != 0;
    areasLeft = static_cast<int>(areas.size());
    dungeonsLeft = static_cast<int>(dungeons.size());
}

AreaDefinition* Section::pickArea(std::vector<std::unique_ptr<AreaDefinition>>& list, int& left)
{
    if (left <= 0) {
        return nullptr;
    }
    int k = static_cast<int>(randomFloat(1) * static_cast<float>(left));
    k = std::min(k, left - 1);
    for (auto& area : list) {
        if (area->inUse) {
            continue;
        }
        if (k-- == 0) {
            area->inUse = true;
            --left;
            return area.get();
        }
    }
    return nullptr;
}

void Section::addArea(AreaDefinition* area, int x, int y, int w, int h, bool mainPath)
{
    WorldGrid* grid = m_world.getGrid();
    Level* last = nullptr;
    bool outside = false;
    for (int d = y; d < y + h; ++d) {
        for (int l = x; l < x + w; ++l) {
            if (!grid->contains(l, d)) {
                outside = true;
                continue;
            }
            auto level = std::make_unique<Level>();
            level->gridColumn = l;
            level->gridRow = d;
            level->definition = area;
            level->section = this;
            Level* made = level.get();
            m_world.setGridCell(l, d, std::move(level), mainPath);
            area->levels.push_back(made);
            area->levelIndices.push_back(made->zone);
            last = made;
            ++levelCount;
            endDepth = std::max(endDepth, d);
        }
    }
    area->inUse = true;
    if (outside) {
        debugPrint(2, "Section %s: area %s reaches outside the %d x %d world grid; no level there\n",
                   name.c_str(), area->entryName.c_str(), grid->getWidth(), grid->getHeight());
    }

    // A dungeon below the area's last level.
    if (!(area->dungeonChance > randomFloat(1))) {
        return;
    }
    AreaDefinition* dungeon = pickArea(dungeons, dungeonsLeft);
    if (!dungeon || !last) {
        return;
    }
    const int n = randomIntInclusive(1, dungeon->minDepth, dungeon->maxDepth);
    Level* previous = last;
    for (int i = 0; i < n; ++i) {
        auto level = std::make_unique<Level>();
        level->definition = dungeon;
        level->section = this;
        level->levelNumber = n > 1 ? i + 1 : 0;
        Level* made = level.get();
        m_world.connectLevels(previous, std::move(level));
        dungeon->levels.push_back(made);
        dungeon->levelIndices.push_back(made->zone);
        previous = made;
    }
}

int Section::mainPathPosition(int w) const
{
    const WorldGrid* grid = m_world.getGrid();
    const int width = grid->getWidth();
    w = std::clamp(w, 1, std::max(width, 1));
    int lo = std::max(grid->mainMin(endDepth) - w + 1, 0);
    int hi = grid->mainMax(endDepth);
    if (hi + w - 1 >= width) {
        hi = width - w;
    }
    // Both ends inside [0, Width - w], lo never above hi.
    hi = std::clamp(hi, 0, std::max(width - w, 0));
    lo = std::clamp(lo, 0, hi);
    return randomIntInclusive(1, lo, hi);
}

bool Section::fits(int x, int y, int w, int h, bool withinSection) const
{
    const WorldGrid* grid = m_world.getGrid();
    if (w <= 0 || h <= 0) {
        return false;
    }
    for (int d = y; d < y + h; ++d) {
        if (withinSection && (d < startDepth || d > endDepth)) {
            return false;
        }
        for (int l = x; l < x + w; ++l) {
            if (!grid->contains(l, d) || grid->getCell(l, d)) {
                return false;
            }
        }
    }
    return true;
}

bool Section::placeExtraStartArea(AreaDefinition* area, int w, int h)
{
    const WorldGrid* grid = m_world.getGrid();
    const bool upperFirst = randomFloat(1) >= 0.5f;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool upper = (attempt == 0) == upperFirst;
        const int bound = upper ? grid->upperBound(startDepth) : grid->lowerBound(startDepth);
        if (bound == WorldGrid::kEdge) {
            continue; // the row already reaches that edge
        }
        const int edge = bound == WorldGrid::kNone ? grid->getWidth() / 2 : bound;
        const int x = upper ? edge : edge - w + 1;
        if (fits(x, startDepth, w, h, false)) {
            addArea(area, x, startDepth, w, h, false);
            return true;
        }
    }
    return false;
}

bool Section::findSidePosition(int w, int h, int& x, int& y) const
{
    const WorldGrid* grid = m_world.getGrid();
    std::vector<std::pair<int, int>> candidates;
    for (int c = startDepth; c <= endDepth - h + 1; ++c) {
        for (int edge = grid->mainMin(c) - 1; edge >= grid->lowerBoundOr(c); --edge) {
            if (fits(edge - w + 1, c, w, h, true)) {
                candidates.emplace_back(edge - w + 1, c);
                break;
            }
        }
        for (int edge = grid->mainMax(c) + 1; edge <= grid->upperBoundOr(c); ++edge) {
            if (fits(edge, c, w, h, true)) {
                candidates.emplace_back(edge, c);
                break;
            }
        }
    }
    if (candidates.empty()) {
        return false;
    }
    const auto& chosen = candidates[static_cast<size_t>(randomInt(1, static_cast<int>(candidates.size())))];
    x = chosen.first;
    y = chosen.second;
    return true;
}

bool Section::isFillerCell(int lateral, int depth) const
{
    const WorldGrid* grid = m_world.getGrid();
    if (depth < startDepth || depth > endDepth || !grid->contains(lateral, depth) ||
        grid->getCell(lateral, depth)) {
        return false;
    }
    const int lower = grid->lowerBound(depth) == WorldGrid::kEdge ? -1 : grid->lowerBoundOr(depth);
    const int upper =
        grid->upperBound(depth) == WorldGrid::kEdge ? grid->getWidth() : grid->upperBoundOr(depth);
    if (lateral <= lower || lateral >= upper) {
        return false;
    }
    return lateral < grid->mainMin(depth) || lateral > grid->mainMax(depth);
}

int Section::countFillerCells() const
{
    const WorldGrid* grid = m_world.getGrid();
    int n = 0;
    for (int d = startDepth; d <= endDepth; ++d) {
        for (int l = 0; l < grid->getWidth(); ++l) {
            n += isFillerCell(l, d) ? 1 : 0;
        }
    }
    return n;
}

void Section::placeFiller()
{
    int n = countFillerCells();
    while (n > 0 && areasLeft > 0) {
        AreaDefinition* area = pickArea(areas, areasLeft);
        if (!area) {
            break;
        }
        area->mainPath = false;
        int fx = -1, fy = -1;
        for (int d = startDepth; d <= endDepth && fx < 0; ++d) {
            for (int l = 0; l < m_world.getGrid()->getWidth(); ++l) {
                if (isFillerCell(l, d)) {
                    fx = l;
                    fy = d;
                    break;
                }
            }
        }
        if (fx < 0) {
            break;
        }
        auto allFiller = [&](int w, int h) {
            for (int d = fy; d < fy + h; ++d) {
                for (int l = fx; l < fx + w; ++l) {
                    if (!isFillerCell(l, d)) {
                        return false;
                    }
                }
            }
            return true;
        };
        int w = 1, h = 1;
        for (;;) {
            if (allFiller(w + 1, h)) {
                ++w;
            }
            if (!allFiller(w, h + 1)) {
                break;
            }
            ++h;
        }
        addArea(area, fx, fy, w, h, false);
        n -= w * h;
    }
}

void Section::place()
{
    WorldGrid* grid = m_world.getGrid();
    const WorldSize* size = m_world.getWorldSize();
    if (!grid || !size) {
        return;
    }
    startDepth = grid->getDepthCount();
    endDepth = startDepth - 1;

    int w = 0, h = 0;
    if (startArea) {
        startArea->mainPath = true;
        startArea->rollSize(w, h);
        addArea(startArea.get(), mainPathPosition(w), endDepth + 1, w, h, true);
    }
    int we = 0, he = 0;
    if (endArea) {
        endArea->rollSize(we, he);
    }
    int remaining = size->sectionLevelDepth - he - (startArea ? h : 0);
    while (remaining > 0) {
        AreaDefinition* area = pickArea(areas, areasLeft);
        if (!area) {
            break;
        }
        area->mainPath = true;
        area->rollSize(w, h);
        h = std::min(h, remaining);
        addArea(area, mainPathPosition(w), endDepth + 1, w, h, true);
        remaining -= h;
    }
    if (endArea) {
        endArea->mainPath = true;
        addArea(endArea.get(), mainPathPosition(we), endDepth + 1, we, he, true);
    }

    // Side areas up to the section's level target.
    // A target above what any grid holds only means "every area"; the cut
    // keeps a damaged "MinLevels" or factor from overflowing the cast.
    const float wanted = std::ceil(size->sectionMinLevelsMult * static_cast<float>(minLevels));
    const int target = static_cast<int>(std::clamp(wanted, 0.0f, 1.0e6f));
    bool extraPlaced = false;
    while (levelCount < target) {
        AreaDefinition* area = pickArea(areas, areasLeft);
        if (!area) {
            break;
        }
        area->mainPath = false;
        area->rollSize(w, h);
        if (needExtraStartArea && !extraPlaced) {
            extraPlaced = true;
            placeExtraStartArea(area, w, h);
            continue;
        }
        int x = 0, y = 0;
        if (findSidePosition(w, h, x, y)) {
            addArea(area, x, y, w, h, false);
        }
    }
    placeFiller();
}

void Section::assignMonsterLevels(int s)
{
    const WorldGrid* grid = m_world.getGrid();
    const WorldSize* size = m_world.getWorldSize();
    startMonsterLevel = s;
    highestMonsterLevel = s;
    if (!grid || !size) {
        return;
    }
    const int width = grid->getWidth();
    const float perDepth = size->sectionLevelDepth != 0 ? static_cast<float>(monsterLevelsFromDepth) /
                                                              static_cast<float>(size->sectionLevelDepth)
                                                        : 0.0f;
    for (int d = startDepth; d <= endDepth; ++d) {
        const int lowerRaw = grid->lowerBound(d);
        const int upperRaw = grid->upperBound(d);
        const int lo = lowerRaw == WorldGrid::kEdge   ? 0
                       : lowerRaw == WorldGrid::kNone ? width / 2 + 1
                                                      : lowerRaw + 1;
        const int hi = upperRaw == WorldGrid::kEdge   ? width - 1
                       : upperRaw == WorldGrid::kNone ? width / 2 - 1
                                                      : upperRaw - 1;
        for (int l = lo; l <= hi; ++l) {
            Level* level = grid->getCell(l, d);
            if (!level) {
                continue;
            }
            const float value = static_cast<float>(std::abs(l - width / 2)) * monsterLevelsFromWidth +
                                static_cast<float>(s) + static_cast<float>(d - startDepth) * perDepth;
            level->monsterLevel = static_cast<int>(value);
            // The world's stream: the monsters of a seed do not depend on
            // what the shared stream did before the load.
            level->definition->prepareMonsterTypes(level->monsterLevel, 1);
            propagate(level->zone, value, -1, 0);
            highestMonsterLevel = std::max(highestMonsterLevel, level->monsterLevel);
        }
    }
}

void Section::propagate(int index, float value, int from, int guard)
{
    const Level* level = m_world.getLevel(index);
    if (!level || guard > m_world.getLevelCount()) {
        return;
    }
    for (const ConnectionPoint& point : level->connections) {
        Level* target = m_world.getLevel(point.targetLevel);
        if (!target || point.targetLevel == from) {
            continue;
        }
        target->monsterLevel = static_cast<int>(target->levelNumber > 1 ? value : value + 1.0f);
        target->definition->prepareMonsterTypes(target->monsterLevel, 1);
        propagate(target->zone, static_cast<float>(target->monsterLevel), index, guard + 1);
    }
}

void Section::placeGates()
{
    for (auto& area : areas) {
        area->chooseGateSpot();
    }
    if (startArea) {
        startArea->chooseGateSpot();
    }
    if (endArea) {
        endArea->chooseGateSpot();
    }
}

// Per-level questions; each gives its neutral value for -1 and out of range.
#include "game/definitions/WorldRules.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>

std::string World::getLevelName(int level) const
{
    const Level* l = getLevel(level);
    return l ? l->getName() : std::string();
}

int World::getLevelMonsterLevel(int level) const
{
    const Level* l = getLevel(level);
    return l ? l->monsterLevel : 1;
}

void World::getLevelGridPosition(int level, int& lateral, int& depth) const
{
    const Level* l = getLevel(level);
    lateral = l ? l->gridColumn : 0;
    depth = l ? l->gridRow : 0;
}

ZonePosition World::getLevelStoredPosition(int level) const
{
    const Level* l = getLevel(level);
    return l ? l->gateSpot : ZonePosition(-1, 0.0f, 0.0f);
}

int World::getNeighbourLevel(int level, int direction) const
{
    const Level* l = getLevel(level);
    return l && direction >= 0 && direction < 8 ? l->neighbours[direction] : -1;
}

AreaDefinition* World::getLevelDefinition(int level) const
{
    const Level* l = getLevel(level);
    return l ? l->definition : nullptr;
}

std::string World::getLevelSoundFile(int level) const
{
    const AreaDefinition* d = getLevelDefinition(level);
    return d ? d->soundFileName : std::string();
}

std::string World::getLevelTextFile(int level) const
{
    const AreaDefinition* d = getLevelDefinition(level);
    return d ? d->textFile : std::string();
}

std::string World::getTreasureMapChestName(int level) const
{
    const AreaDefinition* d = getLevelDefinition(level);
    return d ? d->treasureMapChestName : std::string();
}

bool World::levelAllowsUniqueMonsters(int level) const
{
    const AreaDefinition* d = getLevelDefinition(level);
    return d && d->uniqueMonstersAllowed;
}

ZonePosition World::randomPositionInLevel(int level)
{
    Level* l = getLevel(level);
    return l ? l->randomPositionInArea() : ZonePosition(-1, 0.0f, 0.0f);
}

int World::pickLevelForMonsterLevel(int monsterLevel, float roll, bool skipSubLevels) const
{
    std::vector<int> exact;
    std::vector<int> inRange;
    for (const auto& level : m_levels) {
        const AreaDefinition* d = level->definition;
        if (!d || !(d->monsterChancePerBlock > 0.0f) || (skipSubLevels && level->subLevel)) {
            continue;
        }
        // Secret levels are found, never sent to.
        if (m_firstSecretLevel >= 0 && level->zone >= m_firstSecretLevel) {
            continue;
        }
        if (level->monsterLevel == monsterLevel) {
            exact.push_back(level->zone);
        }
        const int lo = std::max(level->monsterLevel + d->minMonsterLevelOffset, 1);
        const int hi = std::max(level->monsterLevel + d->maxMonsterLevelOffset, 1);
        if (monsterLevel >= lo && monsterLevel <= hi) {
            inRange.push_back(level->zone);
        }
    }
    const std::vector<int>& from = exact.empty() ? inRange : exact;
    if (from.empty()) {
        return -1;
    }
    const int n = static_cast<int>(from.size());
    const int k = std::isfinite(roll) ? static_cast<int>(std::floor(roll * static_cast<float>(n))) : 0;
    return from[static_cast<size_t>(std::clamp(k, 0, n - 1))];
}

int World::getRootLevel(int level) const
{
    Level* l = getLevel(level);
    return l && l->parent ? l->getRootLevel()->zone : -1;
}

bool World::isSubLevel(int level) const
{
    const Level* l = getLevel(level);
    return l && l->subLevel;
}

std::string World::getGateName(int level, int kind, int targetLevel) const
{
    if (kind == 1) {
        return "ObjectGate";
    }
    const AreaDefinition* d = getLevelDefinition(level);
    if (!d) {
        return {};
    }
    const Level* target = getLevel(targetLevel);
    const bool downward = target && target->parent && target->parent->zone == level;
    return d->getGateName(targetLevel, downward);
}

int World::rollMonsterCountAt(int level, int place) const
{
    const Level* l = getLevel(level);
    return l ? l->rollMonsterCountAt(place) : 0;
}

int World::rollChestCountAt(int level, int place) const
{
    const Level* l = getLevel(level);
    return l ? l->rollChestCountAt(place) : 0;
}

bool World::isPlaceUsable(int level, int x, int y) const
{
    const Level* l = getLevel(level);
    return l && l->isPlaceUsable(x, y);
}

MonsterType* World::pickMonsterToSpawn(int level, int& monsterLevel) const
{
    const Level* l = getLevel(level);
    monsterLevel = l ? l->monsterLevel : 1;
    return l && l->definition ? l->definition->pickMonsterToSpawn() : nullptr;
}

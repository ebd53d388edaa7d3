#include "game/world/WorldQuestAdapter.h"

#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/World.h"

WorldQuestAdapter::WorldQuestAdapter(World& world) : m_world(world)
{
    setQuestWorld(this);
}

WorldQuestAdapter::~WorldQuestAdapter()
{
    if (getQuestWorld() == this) {
        setQuestWorld(nullptr);
    }
}

int WorldQuestAdapter::getLevelCount() const
{
    return m_world.getLevelCount();
}

int WorldQuestAdapter::pickLevelForMonsterLevel(int monsterLevel, float roll, bool aboveGroundOnly) const
{
    return m_world.pickLevelForMonsterLevel(monsterLevel, roll, aboveGroundOnly);
}

int WorldQuestAdapter::getFirstLevelOfArea(int area) const
{
    const AreaDefinition* definition = m_world.getArea(area);
    return definition && !definition->levels.empty() ? definition->levels.front()->zone : -1;
}

int WorldQuestAdapter::getTopLevel(int index) const
{
    const int root = m_world.getRootLevel(index);
    return root == -1 ? index : root;
}

std::string WorldQuestAdapter::getLevelName(int index) const
{
    return m_world.getLevelName(index);
}

bool WorldQuestAdapter::isBelowGround(int index) const
{
    return m_world.isSubLevel(index);
}

int WorldQuestAdapter::getLevelAbove(int index) const
{
    const Level* level = m_world.getLevel(index);
    return level && level->parent ? level->parent->zone : -1;
}

const DatabaseEntry* WorldQuestAdapter::getAreaQuestItem(int index) const
{
    const AreaDefinition* definition = m_world.getLevelDefinition(index);
    return definition ? definition->questItem : nullptr;
}

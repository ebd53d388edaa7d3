#include "game/quests/QuestWorld.h"

namespace {
QuestWorld* g_world = nullptr;

// Level indices the world knows; others get the empty answers.
bool knownLevel(int index)
{
    return g_world && index >= 0 && index < g_world->getLevelCount();
}
} // namespace

QuestWorld* getQuestWorld()
{
    return g_world;
}

void setQuestWorld(QuestWorld* world)
{
    g_world = world;
}

namespace questworld {

int pickLevel(int monsterLevel, float roll, bool aboveGroundOnly)
{
    return g_world ? g_world->pickLevelForMonsterLevel(monsterLevel, roll, aboveGroundOnly) : -1;
}

int firstLevelOfArea(int area)
{
    return g_world ? g_world->getFirstLevelOfArea(area) : -1;
}

int topLevel(int index)
{
    return knownLevel(index) ? g_world->getTopLevel(index) : -1;
}

std::string levelName(int index)
{
    return knownLevel(index) ? g_world->getLevelName(index) : std::string();
}

bool isBelowGround(int index)
{
    return knownLevel(index) && g_world->isBelowGround(index);
}

int levelAbove(int index)
{
    return knownLevel(index) ? g_world->getLevelAbove(index) : -1;
}

const DatabaseEntry* areaQuestItem(int index)
{
    return knownLevel(index) ? g_world->getAreaQuestItem(index) : nullptr;
}

} // namespace questworld

#pragma once

#include <string>

class DatabaseEntry;

// What quests ask of the running world: its levels, their names and stacks,
// and the quest item of each area. The world registers its adapter; without
// one every pick gives -1, every name "" and every item null.
class QuestWorld {
public:
    virtual ~QuestWorld() = default;

    virtual int getLevelCount() const = 0;
    // A level for a monster level, chosen by roll in [0, 1); -1 when none fits.
    virtual int pickLevelForMonsterLevel(int monsterLevel, float roll, bool aboveGroundOnly) const = 0;
    // The first level of a world area (1 …); -1 when the area has none.
    virtual int getFirstLevelOfArea(int area) const = 0;
    // The top level of the stack a level belongs to.
    virtual int getTopLevel(int index) const = 0;
    virtual std::string getLevelName(int index) const = 0;
    virtual bool isBelowGround(int index) const = 0;
    // The level directly above; -1 when none.
    virtual int getLevelAbove(int index) const = 0;
    // The quest item entry of the level's area; null when none.
    virtual const DatabaseEntry* getAreaQuestItem(int index) const = 0;
};

// The registered world, or null.
QuestWorld* getQuestWorld();
void setQuestWorld(QuestWorld* world);

// The calls quests make, with the "no level" answers when no world is set.
namespace questworld {
int pickLevel(int monsterLevel, float roll, bool aboveGroundOnly);
int firstLevelOfArea(int area);
int topLevel(int index);
std::string levelName(int index);
bool isBelowGround(int index);
int levelAbove(int index);
const DatabaseEntry* areaQuestItem(int index);
} // namespace questworld

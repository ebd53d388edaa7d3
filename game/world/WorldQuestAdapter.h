#pragma once

#include "game/quests/QuestWorld.h"

class World;

// The quests' view of the World: level picks, names, stacks and area quest
// items. Registered with the quests while it lives.
class WorldQuestAdapter : public QuestWorld {
public:
    explicit WorldQuestAdapter(World& world);
    ~WorldQuestAdapter() override;
    WorldQuestAdapter(const WorldQuestAdapter&) = delete;
    WorldQuestAdapter& operator=(const WorldQuestAdapter&) = delete;

    int getLevelCount() const override;
    int pickLevelForMonsterLevel(int monsterLevel, float roll, bool aboveGroundOnly) const override;
    int getFirstLevelOfArea(int area) const override;
    int getTopLevel(int index) const override;
    std::string getLevelName(int index) const override;
    bool isBelowGround(int index) const override;
    int getLevelAbove(int index) const override;
    const DatabaseEntry* getAreaQuestItem(int index) const override;

private:
    World& m_world;
};

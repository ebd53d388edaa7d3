#pragma once

#include "game/quests/QuestWorld.h"

#include <map>
#include <string>
#include <vector>

// A world of named levels for quest tests: below-ground flags, levels above,
// area first levels and area quest items; records every level pick.
class FakeQuestWorld : public QuestWorld {
public:
    struct Pick {
        int monsterLevel;
        float roll;
        bool aboveGroundOnly;
    };
    struct Level {
        std::string name;
        bool belowGround = false;
        int above = -1;
        int top = -1; // -1: the level itself
        const DatabaseEntry* questItem = nullptr;
    };

    FakeQuestWorld() { setQuestWorld(this); }
    ~FakeQuestWorld() override { setQuestWorld(nullptr); }

    int addLevel(const std::string& name, bool belowGround = false, int above = -1)
    {
        levels.push_back({name, belowGround, above, -1, nullptr});
        return static_cast<int>(levels.size()) - 1;
    }

    int getLevelCount() const override { return static_cast<int>(levels.size()); }
    int pickLevelForMonsterLevel(int monsterLevel, float roll, bool aboveGroundOnly) const override
    {
        picks.push_back({monsterLevel, roll, aboveGroundOnly});
        auto found = pickResults.find(monsterLevel);
        return found == pickResults.end() ? -1 : found->second;
    }
    int getFirstLevelOfArea(int area) const override
    {
        auto found = areaFirstLevels.find(area);
        return found == areaFirstLevels.end() ? -1 : found->second;
    }
    int getTopLevel(int index) const override
    {
        int top = levels[static_cast<size_t>(index)].top;
        return top == -1 ? index : top;
    }
    std::string getLevelName(int index) const override { return levels[static_cast<size_t>(index)].name; }
    bool isBelowGround(int index) const override { return levels[static_cast<size_t>(index)].belowGround; }
    int getLevelAbove(int index) const override { return levels[static_cast<size_t>(index)].above; }
    const DatabaseEntry* getAreaQuestItem(int index) const override
    {
        return levels[static_cast<size_t>(index)].questItem;
    }

    std::vector<Level> levels;
    std::map<int, int> pickResults;     // monster level → level index
    std::map<int, int> areaFirstLevels; // area → level index
    mutable std::vector<Pick> picks;
};

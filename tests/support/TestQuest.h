#pragma once

#include "game/quests/QuestBase.h"

#include <string>
#include <utility>
#include <vector>

class GameBase;

// A quest record with a town of named NPCs, a game pointer and a setUp that
// puts a configured monster type and targets in place, counting its calls.
class TestQuest : public QuestBase {
public:
    int getNpcCount() const override { return static_cast<int>(npcs.size()); }
    std::string getNpcNameAt(int index) const override
    {
        return index >= 0 && index < getNpcCount() ? npcs[static_cast<size_t>(index)].first : std::string();
    }
    NpcType getNpcType(int index) const override
    {
        return index >= 0 && index < getNpcCount() ? npcs[static_cast<size_t>(index)].second : NpcType::None;
    }
    GameBase* getGameBase() const override { return game; }
    void onReset() override { ++resetCalls; }
    void setUp(int flag, QuestBase*) override
    {
        ++setUpCalls;
        lastSetUpFlag = flag;
        if (setUpType)
            monsterType = setUpType;
        if (!setUpTargets.empty()) {
            targets.clear();
            for (MonsterType* type : setUpTargets)
                targets.push_back({0, 0, type, 0});
        }
    }

    std::vector<std::pair<std::string, NpcType>> npcs;
    GameBase* game = nullptr;
    MonsterType* setUpType = nullptr;
    std::vector<MonsterType*> setUpTargets;
    int setUpCalls = 0;
    int lastSetUpFlag = -1;
    int resetCalls = 0;
};

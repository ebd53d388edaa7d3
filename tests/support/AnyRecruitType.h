#pragma once

#include "game/definitions/GameData.h"
#include "game/quests/QuestDefinition.h"

// For one test's run: a Recruit quest takes any type of its level, not only
// one its target level spawns (that rule has its own test).
class AnyRecruitType {
public:
    AnyRecruitType()
        : m_definition(*GameData::get().getQuestDefinition(toIndex(QuestType::Recruit))),
          m_spawnMult(m_definition.monsterSpawnChanceMult)
    {
        m_definition.monsterSpawnChanceMult = 0.0f;
    }
    ~AnyRecruitType() { m_definition.monsterSpawnChanceMult = m_spawnMult; }
    AnyRecruitType(const AnyRecruitType&) = delete;
    AnyRecruitType& operator=(const AnyRecruitType&) = delete;

private:
    QuestDefinition& m_definition;
    float m_spawnMult;
};

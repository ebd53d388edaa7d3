#pragma once

#include "game/definitions/GameEnums.h"

#include <vector>

// The story's quests in the order each one's follow-up names the next: four
// arcs of three, each closed by a boss.
inline const std::vector<QuestType> kStoryChain = {
    QuestType::StoryKillTurenScout,   QuestType::StoryTurenArmy,
    QuestType::StoryTurenGraves,      QuestType::BossKnight,
    QuestType::StoryShankarLuteKefah, QuestType::StoryKillShankarPartner,
    QuestType::StoryShankarRescue,    QuestType::BossLord,
    QuestType::StoryCiglioFindItem,   QuestType::StoryKillCiglioGuard,
    QuestType::StoryCiglioHorde,      QuestType::BossPrince,
    QuestType::StoryKillDraaienMage,  QuestType::StoryDraaienNullifier,
    QuestType::StoryDraaienArmy,      QuestType::BossKing};

#pragma once

#include "game/skills/SkillListBase.h"

// The local player's skill list on the client: its records are SkillClients,
// laid out in their tree views after every rebuild.
class SkillListClient : public SkillListBase {
public:
    SkillBase* createSkill() override;
    void onRebuilt() override { layoutSkillTrees(); }

    // Per tree: rows by rising "BaseCost" (one row per distinct value), the
    // skills of a row spread evenly across it in list order.
    void layoutSkillTrees();
};

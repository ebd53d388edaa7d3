#pragma once

#include "game/skills/SkillBase.h"

#include <cstdint>

class CounterList;

// A skill of the local player's list with its place in the tree view.
class SkillClient : public SkillBase {
public:
    // The refusal code a skill slot shows: the record's own check, else 13
    // for a "NoAttackers" skill while the state flags carry bit 0x400000.
    static constexpr uint32_t kAttackersFlag = 0x400000;
    static constexpr int kRefusedAttackers = 13;
    static int checkUse(const SkillBase& skill, const SkillEntity* owner, const CounterList& stats,
                        const SkillEntity* target, uint32_t stateFlags);

    // Place in the tree view, each in 0 … 1.
    float treeX = 0.0f;
    float treeY = 0.0f;
    // Asked for with "useSkill"; the server's "usedSkill" answer clears it.
    bool waiting = false;
};

// 1 for a basic skill, else the definition's "MaxSkillLevel"; 0 without one.
int getSkillMaxLevel(const SkillBase& skill);
// "Power" at the skill's level: the definition's own at level 0 or without a
// per-level definition, else raised by the per-level "Power" for each level past 1.
int getSkillPowerCost(const SkillBase& skill);

#pragma once

#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

class MonsterArchetype;

// Uses the skill that the owner's skill list chose, then waits on the
// class's skill wait before the next one.
class BehaviorUseSkill : public BehaviorBase {
public:
    BehaviorUseSkill();

    void copyFrom(const BehaviorBase&) override {}
    int getType() const override;
    bool canStart() override;
    bool canContinue() override;
    bool isUninterruptible() override { return canContinue(); }
    void start() override;
    void stop() override;
    void update(float) override {}
    void notify(int code, int data) override;

    // The class's pause after a skill at that health fraction: none without
    // "LowHealthPercent", the low-health range below it, else a range moving
    // towards the full-health one.
    static float drawSkillWait(const MonsterArchetype* monsterClass, float healthFraction);

    Timer skillTimer;
    int animation = -1;
    int castingAnimation = -1;
};

#pragma once

#include "game/ai/BehaviorBase.h"

// Kills its owner once the enemy comes nearer than MaxSuicideRange (the
// owner's death skill does the rest).
class BehaviorSuicide : public BehaviorBase {
public:
    void copyFrom(const BehaviorBase& prototype) override;
    void loadStrings(const DatabaseEntry* monsterEntry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override { return !m_finished; }
    void start() override;
    void update(float) override {}

    float maxSuicideRange = 0.0f;
};

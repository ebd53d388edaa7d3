#pragma once

#include "game/ai/BehaviorBase.h"

// Sprints after a leader that is farther than MaxRange until it is nearer
// than MaxOptimalRange.
class BehaviorFollowLeader : public BehaviorBase {
public:
    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override;
    void start() override;
    void stop() override;
    void update(float dt) override;

    float maxRange = 0.0f;
    float maxOptimalRange = 0.0f;
};

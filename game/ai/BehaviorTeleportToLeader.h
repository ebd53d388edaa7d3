#pragma once

#include "game/ai/BehaviorBase.h"

// Jumps to a free spot near a leader that is farther than MaxRange; acts
// once per selection.
class BehaviorTeleportToLeader : public BehaviorBase {
public:
    static constexpr int kTries = 10;

    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override { return false; }
    void start() override;
    void update(float) override {}

    float maxRange = 0.0f;
    float maxOptimalRange = 0.0f;
};

#pragma once

#include "game/ai/BehaviorBase.h"

// Follows an enemy that is farther than MaxRange until it is nearer than
// MaxOptimalRange.
class BehaviorApproach : public BehaviorBase {
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

// "MaxRange" and "MaxOptimalRange" of a data entry; the leader behaviours
// read theirs the same way.
void readApproachRanges(const DatabaseEntry* entry, float& maxRange, float& maxOptimalRange);

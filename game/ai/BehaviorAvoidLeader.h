#pragma once

#include "game/ai/BehaviorBase.h"

// Steps one grid cell out of the way of a leader that came within MinRange.
class BehaviorAvoidLeader : public BehaviorBase {
public:
    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override { return !m_finished && canStart(); }
    void start() override;
    void stop() override;
    void update(float) override {}
    void notify(int code, int data) override;

    float minRange = 0.0f;
};

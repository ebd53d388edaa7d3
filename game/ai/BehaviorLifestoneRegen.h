#pragma once

#include "game/ai/BehaviorBase.h"

// Walks to its covenant's life stone and stands in its use until health
// (and power, for classes that win it back) is full again.
class BehaviorLifestoneRegen : public BehaviorBase {
public:
    // Nearer than this the stone's use begins.
    static constexpr float kUseDistance = 96.0f;

    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override;
    void stop() override;
    void update(float dt) override;

    float maxDistance = 0.0f;
    bool regenerating = false;

private:
    // Health below its maximum, or power for a class that wins it back.
    bool needsRest() const;
};

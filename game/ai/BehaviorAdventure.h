#pragma once

#include "engine/core/ZonePosition.h"
#include "game/ai/BehaviorBase.h"

// Travels towards a far goal in steps of limited length, each step goal
// moved a little at random, dropping goals after repeated path failures or
// when the owner stays stuck. Drives wandering monsters and the heroes of
// computer-run covenants on their adventures.
class BehaviorAdventure : public BehaviorBase {
public:
    // Think steps near the same place before both goals are dropped.
    static constexpr int kMaxStuckSteps = 20;
    static constexpr float kStuckDistance = 0.5f;

    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override { return canStart(); }
    void stop() override;
    void update(float dt) override;
    void notify(int code, int data) override;

    // Parameters.
    float stepDistance = 0.0f;
    float maxRandomOffset = 0.0f;
    int maxFailuresToChangeFinalGoal = 0;

    // State.
    bool needNewPath = false;
    int failures = 0;
    bool hasFinalGoal = false;
    // The final goal is the covenant's: kept across zone changes.
    bool finalGoalFromCovenant = false;
    ZonePosition finalGoal{-1, 0.0f, 0.0f};
    bool hasStepGoal = false;
    ZonePosition stepGoal{-1, 0.0f, 0.0f};
    ZonePosition lastPosition{-1, 0.0f, 0.0f};
    int stuckCount = 0;

private:
    void chooseFinalGoal();
    void chooseStepGoal();
    // The covenant's adventure goal of the owner; false when it holds none.
    bool covenantGoal(ZonePosition& out) const;
};

#pragma once

#include "engine/core/ZonePosition.h"
#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

// Leaps at the enemy: a landing spot beside it, the owner's "jump"
// animation, and a straight flight between the animation's "startMarker"
// and "endMarker" frames. Not to be interrupted once in the air.
class BehaviorJump : public BehaviorBase {
public:
    static constexpr int kLandingRings = 3;
    static constexpr int kModeOnce = 11;

    BehaviorJump();

    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override { return !m_finished; }
    bool isUninterruptible() override { return canContinue(); }
    void start() override;
    void stop() override;
    void update(float dt) override;

    // Parameters (these defaults hold without a data entry).
    float minRange = 100.0f;
    float maxRange = 300.0f;
    float attemptChance = 0.5f;
    Timer attemptTimer;

    // State.
    int jumpStartFrame = 0;
    int jumpEndFrame = 0;
    Vec2 velocity{0.0f, 0.0f};
    int jumpAnimation = -1;
    bool jumping = false;
    ZonePosition landingSpot{-1, 0.0f, 0.0f};

private:
    // Take-off towards the landing spot; false when anything is missing.
    bool takeOff(const ZonePosition& spot);
};

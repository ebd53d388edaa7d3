#pragma once

#include "engine/core/ZonePosition.h"
#include "game/ai/BehaviorBase.h"

// Walks the actor back home; some actors are put home when the way fails.
class BehaviorReturnHome : public BehaviorBase {
public:
    // Starts when the owner is farther than this from its home.
    static constexpr float kHomeRange = 100.0f;
    static constexpr float kArriveDistance = 0.5f;
    static constexpr int kTeleportRings = 4;

    void copyFrom(const BehaviorBase&) override {}
    int getType() const override;
    bool canStart() override;
    bool canContinue() override;
    void start() override;
    void stop() override;
    void update(float dt) override;
    void notify(int code, int data) override;

    // Whether a failed way home puts the owner there instead.
    bool mayTeleportHome() const;

    ZonePosition homeTarget{-1, 0.0f, 0.0f};
    ZonePosition failedAt{-1, 0.0f, 0.0f};
    bool teleportHome = false;
};

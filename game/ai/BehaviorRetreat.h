#pragma once

#include "engine/core/ZonePosition.h"
#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

// Runs to a spot away from an enemy that is too close, after landing a hit,
// while hidden or when health is low; then pauses before it may run again.
class BehaviorRetreat : public BehaviorBase {
public:
    BehaviorRetreat();

    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override;
    void start() override;
    void stop() override;
    void update(float) override {}
    void notify(int code, int data) override;
    void onEvent(Event& event) override;

    // The spot a retreat runs to: away from the enemy by RetreatDistance,
    // turned by up to 90 degrees either way, on a free place nearby. The
    // owner's own position without an enemy or when both stand on one spot.
    ZonePosition chooseRetreatSpot() const;

    float minRange = 0.0f;
    bool onHit = false;
    bool whenHidden = false;
    bool dontRunWhenTargeted = false;
    bool dontRunWhenHateEnemy = false;
    float retreatDistance = 0.0f;
    float lowHealth = 0.0f;

    Timer retreatTimer;
    bool wasHit = false;
};

#pragma once

#include "engine/core/ZonePosition.h"
#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

class Actor;

// The start test of the behaviours that answer a near enemy: the owner has an
// enemy, its pause is over and the enemy stands strictly nearer than range.
bool enemyNearerThan(Actor* owner, const Timer& pause, float range);

// Blinks away from an enemy that came nearer than MinRange, then waits
// TeleportTime before it may blink again.
class BehaviorTeleport : public BehaviorBase {
public:
    static constexpr float kDistance = 200.0f;

    BehaviorTeleport();

    void copyFrom(const BehaviorBase& prototype) override;
    void loadStrings(const DatabaseEntry* monsterEntry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override { return false; }
    void start() override;
    void stop() override;
    void update(float) override {}

    // Free ground kDistance away from the enemy; the owner's own position
    // without an enemy, when both stand on one spot, or when that ground is
    // off the world or walled in.
    ZonePosition chooseDestination() const;

    float minRange = 0.0f;
    Timer teleportTimer;
};

#pragma once

#include "engine/object/SafePtr.h"
#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

#include <string>

class Entity;

// Shoots ProjName at the enemy every ProjAttackSpeed seconds while the
// enemy stands in the band MinFireRange … MaxFireRange.
class BehaviorRanged : public BehaviorBase {
public:
    BehaviorRanged();

    void copyFrom(const BehaviorBase& prototype) override;
    void loadStrings(const DatabaseEntry* monsterEntry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override { return canStart(); }
    void update(float dt) override;

    float minFireRange = 0.0f;
    float maxFireRange = 0.0f;
    std::string projName;
    std::string projAnim;
    int projDamage = 0;
    float projAttackSpeed = 0.0f;

    Timer shotTimer;
    SafePtr<Entity> enemy;

private:
    bool inBand(float distance) const { return minFireRange <= distance && distance <= maxFireRange; }
};

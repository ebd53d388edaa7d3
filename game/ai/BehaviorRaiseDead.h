#pragma once

#include "engine/object/SafePtr.h"
#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

#include <string>

class Actor;

// Brings a body back to life: a friendly one, or one of a single kind. Runs
// from the start of its animation to its end.
class BehaviorRaiseDead : public BehaviorBase {
public:
    BehaviorRaiseDead();

    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override;
    void start() override;
    void update(float dt) override;

    // The first body within maxRange that may be raised, in the query's
    // order.
    Actor* findCorpse() const;
    bool isRaisable(const Actor* body) const;

    float maxRange = 0.0f;
    bool raiseAnyFriendly = false;
    const DatabaseEntry* raiseEntity = nullptr;
    std::string animName;
    std::string effectName;
    float effectTime = 0.0f;

    Timer searchTimer;
    SafePtr<Actor> corpse;
};

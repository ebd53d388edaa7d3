#pragma once

#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

// Smashes the nearest body: a blow that hurts the living around it and the
// body gone, unless its covenant will raise it. Acts once per search.
class BehaviorDestroyCorpse : public BehaviorBase {
public:
    static constexpr int kSplashDamage = 25;
    static constexpr float kSplashRadius = 100.0f;

    BehaviorDestroyCorpse();

    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override { return false; }
    void start() override;
    void update(float) override {}

    // The nearest dead body within maxRange, when it is an actor.
    Actor* findCorpse() const;

    float maxRange = 0.0f;
    Timer searchTimer;
};

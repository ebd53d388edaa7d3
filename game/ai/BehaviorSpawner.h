#pragma once

#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

class MonsterType;

// Brings forth a monster of its "SpawnEntity" type on a free cell beside
// the owner when an enemy comes nearer than MaxRange, then pauses SpawnTime.
class BehaviorSpawner : public BehaviorBase {
public:
    BehaviorSpawner();

    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override { return false; }
    void start() override;
    void update(float) override {}

    float maxRange = 0.0f;
    // Null when the entry names no monster type: nothing is ever made.
    const MonsterType* spawnType = nullptr;
    Timer spawnTimer;
};

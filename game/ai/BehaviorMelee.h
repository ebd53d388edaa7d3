#pragma once

#include "engine/core/GameTime.h"
#include "engine/core/ZonePosition.h"
#include "engine/object/SafePtr.h"
#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

#include <string>

class Entity;

// Closes in on the enemy and strikes; chases a fleeing enemy for at most
// ChaseTime, then gives up and drops its targets.
class BehaviorMelee : public BehaviorBase {
public:
    // Strikes only below this distance.
    static constexpr float kReach = 96.0f;
    // An enemy that stopped fleeing this long ends the chase.
    static constexpr double kFleeMemory = 2.0;

    BehaviorMelee();

    void copyFrom(const BehaviorBase& prototype) override;
    void loadStrings(const DatabaseEntry* monsterEntry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override;
    bool isUninterruptible() override { return waitingOnAnimation; }
    void start() override;
    void stop() override;
    void update(float dt) override;
    void printInfo() const override;

    float chaseTime = 0.0f; // "ChaseTime"
    std::string chaseGiveUpSound;
    float sprintChance = 0.0f;

    SafePtr<Entity> enemy;
    ZonePosition lastEnemyPosition{-1, 0.0f, 0.0f};
    bool chasing = false;
    float chasedFor = 0.0f;
    GameTime lastFleeTime;
    bool gaveUp = false;
    Timer attackTimer;
    bool waitingOnAnimation = false;
    int attackAnimation = -1;

private:
    bool isFleeing(const Entity* target) const;
    void startChasing();
    void stopChasing();
    void attack();
};

#pragma once

#include "engine/core/ZonePosition.h"
#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

#include <string>

// Wanders between home and a patrol point near it while a player is about,
// resting at each end, plays idle calls that others of its call group
// answer, and faces whoever it deals with.
class BehaviorIdle : public BehaviorBase {
public:
    static constexpr float kPatrolHalfWidth = 250.0f;
    static constexpr float kPatrolHalfHeight = 200.0f;
    static constexpr float kArriveDistance = 0.5f;
    // Entity kinds that hear an idle call.
    static constexpr unsigned kCallMask = 0x51;

    BehaviorIdle();

    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    void loadStrings(const DatabaseEntry* monsterEntry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override;
    bool isUninterruptible() override { return walking && dontInterruptPatrol; }
    void start() override;
    void stop() override;
    void update(float dt) override;
    void notify(int code, int data) override;
    void onEvent(Event& event) override;

    // Parameters.
    float idleSoundChance = 0.0f;
    float idleSoundAnswerChance = 0.0f;
    float idleDistance = 1000.0f;
    bool dontRunWhenTargeted = false;
    bool dontMove = false;
    float minSoundDistance = 500.0f;
    float maxSoundDistance = 1000.0f;
    bool dontInterruptPatrol = false;
    std::string idleSound;
    std::string idleSoundAnimation;

    // State.
    Timer thinkTimer;
    Timer soundTimer;
    Timer stayStillTimer;
    bool walking = false;
    bool hasPatrolPoint = false;
    ZonePosition patrolPoint{-1, 0.0f, 0.0f};
    bool returning = false;
    bool answerCall = false;
    bool soundPlaying = false;

private:
    void think();
    void arrive();
    void choosePatrolPoint();
    void rollSound();
    bool isGuard() const;
};

#pragma once

#include "engine/object/SafePtr.h"
#include "game/ai/BehaviorBase.h"
#include "game/entities/Timer.h"

#include <string>
#include <vector>

class Actor;

// Walks to a body whose class may be eaten, eats it and grows with each
// meal: a surface of its model shown, a stronger feast effect, some health
// back. Stops for good after MaxCorpsesToEat meals.
class BehaviorEatCorpse : public BehaviorBase {
public:
    enum Phase { kWalking = 0, kArrived = 1, kEating = 2, kDone = 3 };
    static constexpr float kEffectValue = 5.0f;
    static constexpr float kSoundRadius = 400.0f;
    static constexpr float kOnBodyDistance = 0.1f;

    BehaviorEatCorpse();

    void copyFrom(const BehaviorBase& prototype) override;
    void loadData(const DatabaseEntry* entry) override;
    int getType() const override;
    bool canStart() override;
    bool canContinue() override;
    void start() override;
    void stop() override;
    void update(float dt) override;
    void notify(int code, int data) override;

    // The nearest dead body within maxRange, when its class may be eaten.
    Actor* findCorpse() const;
    // Surfaces of the owner's model: one past the highest surface number of
    // its loaded meshes, 0 without them.
    int getOwnerSurfaceCount() const;

    float maxRange = 0.0f;
    std::string animName;
    int maxCorpsesToEat = 0;
    const DatabaseEntry* statusEffect = nullptr;
    float healthRegen = 0.0f;
    std::vector<int> showSurface;
    bool canMove = false;
    std::string eatEffect;
    std::string victimEffect;
    std::string doneSoundName;

    Timer searchTimer;
    SafePtr<Actor> corpse;
    int phase = kWalking;
    int corpsesEaten = 0;

private:
    void eat(Actor* body);
};

#pragma once

#include "game/ai/BehaviorBase.h"
#include "game/entities/Actor.h"

#include <memory>
#include <utility>

// Gives an actor exactly one behaviour of the test's making, with the actor
// as its owner; returns the behaviour.
template <class B> B* giveOnlyBehavior(Actor* actor, std::unique_ptr<B> behavior)
{
    actor->clearBehaviors();
    behavior->setOwner(actor);
    B* raw = behavior.get();
    actor->getBehaviorList().push_back(std::move(behavior));
    return raw;
}

// An idle behaviour that runs with or without players about.
template <class Idle> class IdleWithoutPlayers : public Idle {
public:
    bool canStart() override { return true; }
    bool canContinue() override { return true; }
};

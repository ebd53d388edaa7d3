#pragma once

#include "engine/object/SafePtr.h"
#include "game/entities/Timer.h"

class Entity;

// One hostile entity of an actor's target list with its threat. A threat of
// -1 marks an entry that cannot be chosen this step. The reachability answer
// holds while pathCheck runs.
struct TargetEntry {
    SafePtr<Entity> entity;
    float threat = 0.0f;
    Timer pathCheck;
    bool reachable = true;

    explicit TargetEntry(Entity* target) : entity(target)
    {
        pathCheck.min = 0.9f;
        pathCheck.max = 1.1f;
        pathCheck.startRandom();
    }
};

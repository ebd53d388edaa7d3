#pragma once

#include "game/entities/Entity.h"

// A world object that counts the use calls made on it and by whom.
class UseCounter : public Entity {
public:
    void beginUse(Entity* user) override
    {
        ++begun;
        lastUser = user;
    }
    void use(Entity* user) override
    {
        ++used;
        lastUser = user;
    }
    void endUse(Entity* user) override
    {
        ++ended;
        lastUser = user;
    }

    int begun = 0;
    int used = 0;
    int ended = 0;
    Entity* lastUser = nullptr;
};

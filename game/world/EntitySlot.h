#pragma once

#include "engine/core/GameTime.h"

class Entity;

// One row of the Game's entity table: the entity (null when free) and the
// game time at which the slot was last freed.
struct EntitySlot {
    Entity* entity = nullptr;
    GameTime freedAt;
};

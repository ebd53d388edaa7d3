#pragma once

#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

// A monster of the type at the level, awake at home on the spot: not hidden
// (chance hiding would make a run depend on the draw) and active without a
// player to wake it. Null when the type is missing or the game has no room.
inline Actor* addAwakeMonster(Game& game, const MonsterType* type, int level, const ZonePosition& home)
{
    if (!type)
        return nullptr;
    auto* actor = new Actor();
    actor->initFromMonsterType(type, level);
    actor->setFlags(actor->getFlags() & ~Actor::kFlagHidden);
    actor->setChecksActivity(false);
    actor->setActiveNow(true);
    actor->setPosition(home);
    actor->setHomePosition(home);
    if (game.addEntity(actor) < 0) {
        delete actor;
        return nullptr;
    }
    return actor;
}

#pragma once

#include "game/entities/Player.h"
#include "game/world/Game.h"

// A player in the Game's table, nowhere in the world: levels are populated
// only once someone has joined.
inline Player* addStandInPlayer(Game& game)
{
    auto* player = new Player();
    if (game.addEntity(player) < 0) {
        delete player;
        return nullptr;
    }
    return player;
}

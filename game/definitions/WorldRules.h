#pragma once

#include "game/definitions/GameRules.h"

// The game's rules record, or the defaults while no game data is loaded.
const GameRules& worldRules();

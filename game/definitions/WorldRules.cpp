#include "game/definitions/WorldRules.h"

#include "game/definitions/GameData.h"

const GameRules& worldRules()
{
    static const GameRules defaults;
    GameData* data = GameData::instance();
    return data ? data->rules() : defaults;
}

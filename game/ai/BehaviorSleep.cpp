#include "game/ai/BehaviorSleep.h"

#include "game/definitions/GameEnums.h"

int BehaviorSleep::getType() const
{
    return static_cast<int>(ActorBehavior::Sleep);
}

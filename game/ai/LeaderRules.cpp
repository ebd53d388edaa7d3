#include "game/ai/LeaderRules.h"

#include "game/entities/Actor.h"

bool leaderRaidGate(const Actor* owner, const Entity* leader)
{
    return !owner->getCovenant() || (leader && leader->getPosition().zone == 0);
}

#include "game/ai/LeaderRules.h"

#include "game/covenants/Covenant.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

bool leaderRaidGate(const Actor* owner, const Entity* leader)
{
    const Covenant* covenant = owner->getCovenant();
    return !covenant || covenant->raidTarget == -1 || (leader && leader->getPosition().zone == 0);
}

bool isNearRaidTarget(const Entity* entity)
{
    const Covenant* covenant = entity ? entity->getCovenant() : nullptr;
    const Game* game = Game::instance();
    if (!covenant || !game || !covenant->isRaiding()) {
        return false;
    }
    const Covenant* raided = game->getCovenant(covenant->raidTarget);
    if (!raided || !covenant->takesPartInRaid(entity)) {
        return false;
    }
    return ZonePosition::distanceTo(entity->getPosition(), raided->housePosition) < kNearRaidDistance;
}

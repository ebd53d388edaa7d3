#include "game/ai/BehaviorTeleportToLeader.h"

#include "engine/core/Random.h"
#include "game/ai/BehaviorApproach.h"
#include "game/ai/LeaderRules.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

int BehaviorTeleportToLeader::getType() const
{
    return static_cast<int>(ActorBehavior::TeleportToLeader);
}

void BehaviorTeleportToLeader::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorTeleportToLeader>(prototype)) {
        maxRange = other->maxRange;
        maxOptimalRange = other->maxOptimalRange;
    }
}

void BehaviorTeleportToLeader::loadData(const DatabaseEntry* entry)
{
    readApproachRanges(entry, maxRange, maxOptimalRange);
}

bool BehaviorTeleportToLeader::canStart()
{
    Sentient* leader = m_owner->getLeader();
    if (!leader || !leaderRaidGate(m_owner, leader)) {
        return false;
    }
    // A raider at the raid only jumps to a leader who is at the raid too.
    if (isNearRaidTarget(m_owner) && !isNearRaidTarget(leader)) {
        return false;
    }
    return m_owner->distanceToEntity(leader, false) > maxRange;
}

void BehaviorTeleportToLeader::start()
{
    Sentient* leader = m_owner->getLeader();
    Game* game = Game::instance();
    if (!leader || !game) {
        return;
    }
    const ZonePosition& centre = leader->getPosition();
    for (int i = 0; i < kTries; ++i) {
        float dx = randomFloatBetween(0, -maxOptimalRange, maxOptimalRange);
        float dy = randomFloatBetween(0, -maxOptimalRange, maxOptimalRange);
        ZonePosition point(centre.zone, centre.x + dx, centre.y + dy);
        point.normalize();
        point = snapToGrid(point);
        point.normalize();
        if (point.zone == centre.zone && game->isPlaceFree(point, m_owner)) {
            m_owner->warp(point);
            m_owner->clearTargetList();
            return;
        }
    }
}

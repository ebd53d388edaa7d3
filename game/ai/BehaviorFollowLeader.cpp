#include "game/ai/BehaviorFollowLeader.h"

#include "game/ai/BehaviorApproach.h"
#include "game/ai/LeaderRules.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"

int BehaviorFollowLeader::getType() const
{
    return static_cast<int>(ActorBehavior::FollowLeader);
}

void BehaviorFollowLeader::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorFollowLeader>(prototype)) {
        maxRange = other->maxRange;
        maxOptimalRange = other->maxOptimalRange;
    }
}

void BehaviorFollowLeader::loadData(const DatabaseEntry* entry)
{
    readApproachRanges(entry, maxRange, maxOptimalRange);
}

bool BehaviorFollowLeader::canStart()
{
    Sentient* leader = m_owner->getLeader();
    return leader && leaderRaidGate(m_owner, leader) && m_owner->distanceToEntity(leader, false) > maxRange;
}

bool BehaviorFollowLeader::canContinue()
{
    Sentient* leader = m_owner->getLeader();
    return leader && leaderRaidGate(m_owner, leader) &&
           m_owner->distanceToEntity(leader, false) >= maxOptimalRange;
}

void BehaviorFollowLeader::start()
{
    m_owner->followEntity(m_owner->getLeader());
    setOwnerSprinting(true);
}

void BehaviorFollowLeader::stop()
{
    m_owner->stopMoving();
    setOwnerSprinting(false);
}

void BehaviorFollowLeader::update(float)
{
    m_owner->followEntity(m_owner->getLeader());
}

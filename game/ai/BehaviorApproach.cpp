#include "game/ai/BehaviorApproach.h"

#include "engine/data/Database.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"

void readApproachRanges(const DatabaseEntry* entry, float& maxRange, float& maxOptimalRange)
{
    const Database& db = Database::get();
    maxRange = db.getFloat(entry, "MaxRange");
    maxOptimalRange = db.getFloat(entry, "MaxOptimalRange");
}

int BehaviorApproach::getType() const
{
    return static_cast<int>(ActorBehavior::Approach);
}

void BehaviorApproach::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorApproach>(prototype)) {
        maxRange = other->maxRange;
        maxOptimalRange = other->maxOptimalRange;
    }
}

void BehaviorApproach::loadData(const DatabaseEntry* entry)
{
    readApproachRanges(entry, maxRange, maxOptimalRange);
}

bool BehaviorApproach::canStart()
{
    Entity* enemy = m_owner->getTarget();
    return enemy && m_owner->distanceToEntity(enemy, false) > maxRange;
}

bool BehaviorApproach::canContinue()
{
    Entity* enemy = m_owner->getTarget();
    return enemy && m_owner->distanceToEntity(enemy, false) >= maxOptimalRange;
}

void BehaviorApproach::start()
{
    m_owner->followEntity(m_owner->getTarget());
}

void BehaviorApproach::stop()
{
    m_owner->stopMoving();
}

void BehaviorApproach::update(float)
{
    m_owner->followEntity(m_owner->getTarget());
}

#include "game/ai/BehaviorSuicide.h"

#include "engine/data/Database.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"

int BehaviorSuicide::getType() const
{
    return static_cast<int>(ActorBehavior::Suicide);
}

void BehaviorSuicide::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorSuicide>(prototype)) {
        maxSuicideRange = other->maxSuicideRange;
    }
}

void BehaviorSuicide::loadStrings(const DatabaseEntry* monsterEntry)
{
    maxSuicideRange = Database::get().getFloat(monsterEntry, "MaxSuicideRange");
}

bool BehaviorSuicide::canStart()
{
    Entity* enemy = m_owner->getTarget();
    return enemy && m_owner->distanceToEntity(enemy, false) < maxSuicideRange;
}

void BehaviorSuicide::start()
{
    // The owner dies in its own next update.
    m_owner->setHealth(0);
    m_finished = true;
}

#include "game/ai/BehaviorLifestoneRegen.h"

#include "engine/data/Database.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"

namespace {
Entity* stoneOf(const Actor* owner)
{
    const Covenant* covenant = owner->getCovenant();
    return covenant ? covenant->getLifestone() : nullptr;
}
} // namespace

int BehaviorLifestoneRegen::getType() const
{
    return static_cast<int>(ActorBehavior::LifestoneRegen);
}

void BehaviorLifestoneRegen::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorLifestoneRegen>(prototype))
        maxDistance = other->maxDistance;
}

void BehaviorLifestoneRegen::loadData(const DatabaseEntry* entry)
{
    maxDistance = Database::get().getFloat(entry, "MaxDistance");
}

bool BehaviorLifestoneRegen::needsRest() const
{
    if (m_owner->getHealth() < m_owner->getMaxHealth())
        return true;
    const CharacterClass* cls = m_owner->getCharacterClass();
    return cls && cls->canRegenPower &&
           m_owner->getStat(toIndex(CharacterStat::Power)) <
               m_owner->getStat(toIndex(CharacterStat::MaxPower));
}

bool BehaviorLifestoneRegen::canContinue()
{
    // Taken out of the stone's reach (sent on an adventure, say), it stops:
    // it would walk for a stone on another level, its healing carried along.
    Entity* stone = stoneOf(m_owner);
    return stone && m_owner->distanceToEntity(stone, false) <= maxDistance && needsRest();
}

bool BehaviorLifestoneRegen::canStart()
{
    // A follower goes where its leader goes: a rest begun away from the
    // leader would only be broken off by the follow, then begun again.
    return !m_owner->getLeader() && canContinue();
}

void BehaviorLifestoneRegen::update(float)
{
    Entity* stone = stoneOf(m_owner);
    if (!stone)
        return;
    m_owner->followEntity(stone);
    if (!regenerating && m_owner->distanceToEntity(stone, false) < kUseDistance) {
        stone->beginUse(m_owner);
        regenerating = true;
    }
}

void BehaviorLifestoneRegen::stop()
{
    // A stone gone meanwhile has nothing to take back.
    if (Entity* stone = stoneOf(m_owner); stone && regenerating)
        stone->endUse(m_owner);
    regenerating = false;
}

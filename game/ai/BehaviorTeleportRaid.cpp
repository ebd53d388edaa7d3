#include "game/ai/BehaviorTeleportRaid.h"

#include "engine/data/Database.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

int BehaviorTeleportRaid::getType() const
{
    return static_cast<int>(ActorBehavior::TeleportRaid);
}

void BehaviorTeleportRaid::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorTeleportRaid>(prototype)) {
        maxRange = other->maxRange;
        maxRangeWithEnemy = other->maxRangeWithEnemy;
    }
}

void BehaviorTeleportRaid::loadData(const DatabaseEntry* entry)
{
    const Database& db = Database::get();
    maxRange = db.getFloat(entry, "MaxRange");
    maxRangeWithEnemy = db.getFloat(entry, "MaxRangeWithEnemy");
}

const Covenant* BehaviorTeleportRaid::findRaidedCovenant() const
{
    const Covenant* covenant = m_owner->getCovenant();
    const Game* game = Game::instance();
    if (!covenant || !game || !covenant->isRaiding()) {
        return nullptr;
    }
    if (!covenant->takesPartInRaid(m_owner) || !covenant->allowsRaidTeleport()) {
        return nullptr;
    }
    return game->getCovenant(covenant->raidTarget);
}

bool BehaviorTeleportRaid::canStart()
{
    const Covenant* raided = findRaidedCovenant();
    if (!raided) {
        return false;
    }
    // The raid is lost while more of its recruits lie dead than stand.
    int alive = 0;
    int dead = 0;
    m_owner->getCovenant()->countRaidParty(alive, dead);
    if (dead > alive) {
        return false;
    }
    // A raided covenant without a life stone has no spot to arrive at.
    if (raided->getPositionNearLifestone().zone < 0) {
        return false;
    }
    if (ZonePosition::distanceTo(m_owner->getPosition(), raided->housePosition) < maxRange) {
        return false;
    }
    Entity* enemy = m_owner->getTarget();
    return !enemy || m_owner->distanceToEntity(enemy, false) >= maxRangeWithEnemy;
}

void BehaviorTeleportRaid::start()
{
    const Covenant* raided = findRaidedCovenant();
    if (!raided) {
        return;
    }
    ZonePosition destination = raided->getPositionNearLifestone();
    if (destination.zone < 0) {
        return;
    }
    m_owner->warp(destination);
    m_owner->clearTargetList();
}

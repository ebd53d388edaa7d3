#include "game/ai/BehaviorTeleport.h"

#include "engine/core/MathUtil.h"
#include "engine/data/Database.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

BehaviorTeleport::BehaviorTeleport()
{
    addTimer(teleportTimer);
}

int BehaviorTeleport::getType() const
{
    return static_cast<int>(ActorBehavior::Teleport);
}

void BehaviorTeleport::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorTeleport>(prototype)) {
        minRange = other->minRange;
        teleportTimer.min = other->teleportTimer.min;
        teleportTimer.max = other->teleportTimer.max;
    }
}

void BehaviorTeleport::loadStrings(const DatabaseEntry* monsterEntry)
{
    const Database& db = Database::get();
    minRange = db.getFloat(monsterEntry, "MinRange");
    float time = db.getFloat(monsterEntry, "TeleportTime");
    teleportTimer.min = time;
    teleportTimer.max = 1.1f * time;
}

bool enemyNearerThan(Actor* owner, const Timer& pause, float range)
{
    Entity* enemy = owner ? owner->getTarget() : nullptr;
    if (!enemy || (pause.running && pause.remaining > 0.0f)) {
        return false;
    }
    return owner->distanceToEntity(enemy, false) < range;
}

bool BehaviorTeleport::canStart()
{
    return enemyNearerThan(m_owner, teleportTimer, minRange);
}

ZonePosition BehaviorTeleport::chooseDestination() const
{
    ZonePosition destination = m_owner->getPosition();
    Entity* enemy = m_owner->getTarget();
    if (!enemy) {
        return destination;
    }
    Vec2 away = ZonePosition::getOffset(enemy->getPosition(), destination);
    float length = vec2Length(away);
    // Sharing a spot gives no direction: stay rather than warp to NaN.
    if (!(length > 0.0f)) {
        return destination;
    }
    destination.x += kDistance * away.x / length;
    destination.y += kDistance * away.y / length;
    destination.normalize();
    // Past the world's edge there is no level to land in, and a warp falls
    // back onto its very spot even in rock: with no free ground it stays.
    ZonePosition landing;
    Game* game = Game::instance();
    if (destination.zone < 0 || !game ||
        !game->findFreeSpotNear(destination, worldRules().freeSpotRingLimit, landing, m_owner, false,
                                Entity::kWarpBlocking)) {
        return m_owner->getPosition();
    }
    return landing;
}

void BehaviorTeleport::start()
{
    m_owner->warp(chooseDestination());
}

void BehaviorTeleport::stop()
{
    teleportTimer.startRandom();
}

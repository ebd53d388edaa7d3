#include "game/ai/BehaviorRetreat.h"

#include "engine/core/MathUtil.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/object/Event.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

#include <cmath>

namespace {

constexpr int kFreeSpotRings = 3;

} // namespace

BehaviorRetreat::BehaviorRetreat()
{
    addTimer(retreatTimer);
}

int BehaviorRetreat::getType() const
{
    return static_cast<int>(ActorBehavior::Retreat);
}

void BehaviorRetreat::copyFrom(const BehaviorBase& prototype)
{
    const auto* other = behaviorAs<BehaviorRetreat>(prototype);
    if (!other) {
        return;
    }
    minRange = other->minRange;
    retreatTimer.min = other->retreatTimer.min;
    retreatTimer.max = other->retreatTimer.max;
    onHit = other->onHit;
    whenHidden = other->whenHidden;
    dontRunWhenTargeted = other->dontRunWhenTargeted;
    dontRunWhenHateEnemy = other->dontRunWhenHateEnemy;
    retreatDistance = other->retreatDistance;
    lowHealth = other->lowHealth;
}

void BehaviorRetreat::loadData(const DatabaseEntry* entry)
{
    const Database& db = Database::get();
    minRange = db.getFloat(entry, "MinRange");
    float time = db.getFloat(entry, "RetreatTime");
    retreatTimer.min = time;
    retreatTimer.max = 1.1f * time;
    onHit = db.getInt(entry, "OnHit") != 0;
    whenHidden = db.getInt(entry, "WhenHidden") != 0;
    dontRunWhenTargeted = db.getInt(entry, "DontRunWhenTargeted") != 0;
    dontRunWhenHateEnemy = db.getInt(entry, "DontRunWhenHateEnemy") != 0;
    retreatDistance = db.getFloat(entry, "RetreatDistance");
    lowHealth = db.getFloat(entry, "LowHealth");
}

bool BehaviorRetreat::canStart()
{
    Entity* enemy = m_owner->getTarget();
    if (!enemy) {
        return false;
    }
    if (dontRunWhenTargeted && enemy->getTarget() == m_owner) {
        return false;
    }
    if (dontRunWhenHateEnemy) {
        const TargetEntry* entry = m_owner->findTargetEntry(enemy);
        if (entry && entry->threat > 0.0f) {
            return false;
        }
    }
    if (retreatTimer.running && retreatTimer.remaining > 0.0f) {
        return false;
    }
    if (m_owner->distanceToEntity(enemy, false) < minRange || wasHit) {
        return true;
    }
    if (whenHidden && m_owner->hasFlag(Actor::kFlagHidden)) {
        return true;
    }
    int maxHealth = m_owner->getMaxHealth();
    return lowHealth > 0.0f && maxHealth > 0 &&
           static_cast<float>(m_owner->getHealth()) / static_cast<float>(maxHealth) < lowHealth;
}

bool BehaviorRetreat::canContinue()
{
    Entity* enemy = m_owner->getTarget();
    if (!enemy || m_finished) {
        return false;
    }
    return !(dontRunWhenTargeted && enemy->getTarget() == m_owner);
}

ZonePosition BehaviorRetreat::chooseRetreatSpot() const
{
    ZonePosition spot = m_owner->getPosition();
    Entity* enemy = m_owner->getTarget();
    if (!enemy) {
        return spot;
    }
    Vec2 away = ZonePosition::getOffset(enemy->getPosition(), spot);
    float length = vec2Length(away);
    // Sharing a spot gives no direction: stay put rather than run to NaN.
    if (!(length > 0.0f)) {
        return spot;
    }
    float angle = std::atan2(away.y, away.x) + degToRad(randomFloat(0) * 180.0f - 90.0f);
    ZonePosition point(spot.zone, spot.x + retreatDistance * std::cos(angle),
                       spot.y + retreatDistance * std::sin(angle));
    point.normalize();
    if (Game* game = Game::instance()) {
        game->findFreeSpotNear(point, kFreeSpotRings, point, m_owner, true);
    }
    return point;
}

void BehaviorRetreat::start()
{
    m_owner->moveAlongPathTo(chooseRetreatSpot());
}

void BehaviorRetreat::stop()
{
    m_owner->stopMoving();
    retreatTimer.startRandom();
    wasHit = false;
}

void BehaviorRetreat::notify(int code, int)
{
    if (code == static_cast<int>(SimpleEvent::PathFindingFailed) ||
        code == static_cast<int>(SimpleEvent::PathFindingSuccess)) {
        m_finished = true;
    }
}

void BehaviorRetreat::onEvent(Event& event)
{
    const EventType* hit = Sentient::getEventType(Sentient::SuccessfulHitEvent);
    if (onHit && hit && event.getTypeId() == hit->id) {
        wasHit = true;
    }
}

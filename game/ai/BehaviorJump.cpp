#include "game/ai/BehaviorJump.h"

#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/resources/ModelAnimation.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

#include <cmath>

BehaviorJump::BehaviorJump()
{
    attemptTimer.min = 5.0f;
    attemptTimer.max = 5.0f;
    addTimer(attemptTimer);
}

int BehaviorJump::getType() const
{
    return static_cast<int>(ActorBehavior::Jump);
}

void BehaviorJump::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorJump>(prototype)) {
        minRange = other->minRange;
        maxRange = other->maxRange;
        attemptChance = other->attemptChance;
        attemptTimer.min = other->attemptTimer.min;
        attemptTimer.max = other->attemptTimer.max;
    }
}

void BehaviorJump::loadData(const DatabaseEntry* entry)
{
    const Database& db = Database::get();
    minRange = db.getFloat(entry, "MinRange");
    maxRange = db.getFloat(entry, "MaxRange");
    attemptTimer.min = attemptTimer.max = db.getFloat(entry, "AttemptTime");
    attemptChance = db.getFloat(entry, "AttemptChance");
}

bool BehaviorJump::canStart()
{
    Entity* enemy = m_owner->getTarget();
    if (!enemy || (attemptTimer.running && attemptTimer.remaining > 0.0f)) {
        return false;
    }
    const float d = m_owner->distanceToEntity(enemy, false);
    if (d < minRange || d > maxRange) {
        return false;
    }
    // A failed roll still costs the pause.
    attemptTimer.startRandom();
    return randomFloat(0) < attemptChance;
}

void BehaviorJump::start()
{
    jumping = false;
    m_finished = false;
    Entity* enemy = m_owner->getTarget();
    Game* game = Game::instance();
    const ZonePosition from = m_owner->getPosition();
    const Vec2 d = enemy ? ZonePosition::getOffset(from, enemy->getPosition()) : Vec2{0.0f, 0.0f};
    const float length = vec2Length(d);
    // An enemy on the owner's own spot gives no direction to leap in.
    if (!game || !(length > 0.0f)) {
        m_finished = true;
        return;
    }
    const float reach = length - m_owner->getRadius() - enemy->getRadius();
    ZonePosition point(from.zone, from.x + d.x * reach / length, from.y + d.y * reach / length);
    point.normalize();
    point = snapToGrid(point);
    point.normalize();
    for (int ring = 0; ring <= kLandingRings; ++ring) {
        ZonePosition spot;
        if (game->findFreeSpotOnRing(point, ring, spot, m_owner)) {
            if (takeOff(spot)) {
                return;
            }
            break;
        }
    }
    m_finished = true;
}

bool BehaviorJump::takeOff(const ZonePosition& spot)
{
    if (!m_owner->isWalkLineClearTo(spot)) {
        return false;
    }
    const ModelAnimation* animation = m_owner->getAnimationByName("jump");
    const int startFrame = ModelAnimation::getEventFrame(animation, "startMarker");
    const int endFrame = ModelAnimation::getEventFrame(animation, "endMarker");
    // Markers missing or in reverse order give no flight; checked before the
    // animation starts so a refused jump leaves the owner as it was.
    if (endFrame <= startFrame) {
        return false;
    }
    if (!m_owner->playAnimation("jump", toIndex(AnimationPriority::SpecialAttack), kModeOnce, false)) {
        return false;
    }
    const float rate = static_cast<float>(m_owner->getFramesPerSecond());
    const Vec2 flight = ZonePosition::getOffset(m_owner->getPosition(), spot);
    if (!(rate > 0.0f) || !(vec2Length(flight) > 0.0f)) {
        m_owner->returnToIdle();
        return false;
    }
    jumpStartFrame = startFrame;
    jumpEndFrame = endFrame;
    jumpAnimation = m_owner->getAnimation();
    landingSpot = spot;
    m_owner->setSecondaryPosition(spot);
    m_owner->faceTowards(spot, false);
    const float duration = static_cast<float>(endFrame - startFrame) / rate;
    velocity = Vec2{flight.x / duration, flight.y / duration};
    // A step under way would go on during the flight and from the landing
    // spot towards its old node, across whatever stands between.
    m_owner->dropWalk();
    jumping = true;
    return true;
}

void BehaviorJump::update(float dt)
{
    if (!jumping || m_owner->getAnimation() != jumpAnimation || !m_owner->isAnimationPlaying()) {
        m_finished = true;
        return;
    }
    const int frame = static_cast<int>(std::floor(m_owner->getAnimationTime()));
    if (frame >= jumpEndFrame) {
        m_owner->setPosition(landingSpot);
    } else if (frame >= jumpStartFrame) {
        m_owner->setPosition(m_owner->getPosition().offset(Vec2{velocity.x * dt, velocity.y * dt}));
    }
}

void BehaviorJump::stop()
{
    if (jumping) {
        m_owner->setPosition(landingSpot);
        jumping = false;
    }
}

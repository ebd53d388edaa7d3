#include "game/ai/BehaviorIdle.h"

#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/object/Event.h"
#include "engine/object/EventSystem.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/GridPath.h"

namespace {

bool hasRunOut(const Timer& timer)
{
    return !timer.running || timer.remaining <= 0.0f;
}

// The entry id of the class's call group; -1 without one.
int callGroupId(const Actor* actor)
{
    const MonsterArchetype* monsterClass = actor ? actor->getMonsterClass() : nullptr;
    const Database* db = Database::instance();
    if (!monsterClass || !db || monsterClass->idleCallGroupName.empty()) {
        return -1;
    }
    const DatabaseEntry* entry = db->findEntry(monsterClass->idleCallGroupName);
    return entry ? entry->getId() : -1;
}

} // namespace

BehaviorIdle::BehaviorIdle()
{
    addTimer(thinkTimer);
    addTimer(soundTimer);
    addTimer(stayStillTimer);
}

int BehaviorIdle::getType() const
{
    return static_cast<int>(ActorBehavior::Idle);
}

void BehaviorIdle::copyFrom(const BehaviorBase& prototype)
{
    const auto* other = behaviorAs<BehaviorIdle>(prototype);
    if (!other) {
        return;
    }
    thinkTimer.min = other->thinkTimer.min;
    thinkTimer.max = other->thinkTimer.max;
    soundTimer.min = other->soundTimer.min;
    soundTimer.max = other->soundTimer.max;
    stayStillTimer.min = other->stayStillTimer.min;
    stayStillTimer.max = other->stayStillTimer.max;
    idleSoundChance = other->idleSoundChance;
    idleSoundAnswerChance = other->idleSoundAnswerChance;
    idleDistance = other->idleDistance;
    dontRunWhenTargeted = other->dontRunWhenTargeted;
    dontMove = other->dontMove;
    minSoundDistance = other->minSoundDistance;
    maxSoundDistance = other->maxSoundDistance;
    dontInterruptPatrol = other->dontInterruptPatrol;
    idleSound = other->idleSound;
    idleSoundAnimation = other->idleSoundAnimation;
}

void BehaviorIdle::loadData(const DatabaseEntry* entry)
{
    const Database& db = Database::get();
    thinkTimer.min = db.getFloat(entry, "MinIdleThinkTime");
    thinkTimer.max = db.getFloat(entry, "MaxIdleThinkTime");
    soundTimer.min = db.getFloat(entry, "MinIdleSoundTime");
    soundTimer.max = db.getFloat(entry, "MaxIdleSoundTime");
    stayStillTimer.min = db.getFloat(entry, "MinStayStillTime");
    stayStillTimer.max = db.getFloat(entry, "MaxStayStillTime");
    idleSoundChance = db.getFloat(entry, "IdleSoundChance");
    idleSoundAnswerChance = db.getFloat(entry, "IdleSoundAnswerChance");
    idleDistance = db.getFloat(entry, "IdleDistance");
    dontRunWhenTargeted = db.getInt(entry, "DontRunWhenTargeted") != 0;
    dontMove = db.getInt(entry, "DontMove") != 0;
    minSoundDistance = db.getFloat(entry, "MinSoundDistance");
    maxSoundDistance = db.getFloat(entry, "MaxSoundDistance");
    dontInterruptPatrol = db.getInt(entry, "DontInterruptPatrol") != 0;
}

void BehaviorIdle::loadStrings(const DatabaseEntry* monsterEntry)
{
    const Database& db = Database::get();
    idleSound = db.getString(monsterEntry, "IdleSound");
    idleSoundAnimation = db.getString(monsterEntry, "IdleSoundAnimation");
}

bool BehaviorIdle::isGuard() const
{
    return m_owner->isCovenantGuard();
}

bool BehaviorIdle::canStart()
{
    return m_owner->isInPlayerRange(idleDistance) && !m_owner->hasFlag(Actor::kFlagHidden);
}

bool BehaviorIdle::canContinue()
{
    return walking || returning || m_owner->isInPlayerRange(idleDistance);
}

void BehaviorIdle::start()
{
    walking = false;
    hasPatrolPoint = false;
    returning = false;
    thinkTimer.startRandom();
    soundTimer.startRandom();
    stayStillTimer.startRandom();
}

void BehaviorIdle::stop()
{
    thinkTimer.running = false;
    soundTimer.running = false;
    stayStillTimer.running = false;
    if (walking) {
        walking = false;
        m_owner->stopMoving();
    }
    soundPlaying = false;
}

void BehaviorIdle::update(float)
{
    if (hasRunOut(thinkTimer) && !soundPlaying) {
        think();
        thinkTimer.startRandom();
    }
    if (!walking) {
        if (!soundPlaying) {
            rollSound();
        } else if (!m_owner->isPlayingAnimation(idleSoundAnimation)) {
            soundPlaying = false;
        }
    }
    Entity* target = m_owner->getTarget();
    if (!walking && target && !dontMove && !isGuard()) {
        if (target != m_owner) {
            m_owner->faceEntity(target);
        }
        return;
    }
    // A friendly actor looks at the first player when it deals with it.
    const Game* game = Game::instance();
    const Player* player = game ? game->getFirstPlayer() : nullptr;
    if (m_owner->isFriendly() && player && player->getActionTarget() == m_owner) {
        m_owner->faceEntity(player);
    }
}

void BehaviorIdle::think()
{
    if (dontMove || isGuard() || m_owner->isFriendly()) {
        return;
    }
    Entity* enemy = m_owner->getTarget();
    if (enemy && dontRunWhenTargeted && enemy->getTarget() == m_owner) {
        if (walking) {
            m_owner->moveAlongPathTo(m_owner->getSecondaryPosition());
            walking = false;
        }
        return;
    }
    if (walking) {
        const ZonePosition& goal = returning ? m_owner->getHome() : patrolPoint;
        // Arrive, or else walk on: walking after arriving would arrive again
        // and turn the patrol back before it went home.
        if (ZonePosition::isWithinSquare(m_owner->getPosition(), goal, kArriveDistance)) {
            arrive();
        } else {
            m_owner->moveAlongPathTo(goal);
        }
        return;
    }
    if (!hasRunOut(stayStillTimer)) {
        return;
    }
    walking = true;
    if (!hasPatrolPoint) {
        choosePatrolPoint();
    }
    if (!hasPatrolPoint) {
        walking = false;
        return;
    }
    m_owner->moveAlongPathTo(returning ? m_owner->getHome() : patrolPoint);
}

void BehaviorIdle::arrive()
{
    walking = false;
    stayStillTimer.startRandom();
    returning = !returning;
    m_owner->playIdleAnimation(true);
}

void BehaviorIdle::choosePatrolPoint()
{
    Game* game = Game::instance();
    if (!game) {
        return;
    }
    const ZonePosition& home = m_owner->getHome();
    float dx = randomFloat(0) * 2.0f * kPatrolHalfWidth - kPatrolHalfWidth;
    float dy = randomFloat(0) * 2.0f * kPatrolHalfHeight - kPatrolHalfHeight;
    ZonePosition point(home.zone, home.x + dx, home.y + dy);
    point.normalize();
    point = snapToGrid(point);
    point.normalize();
    GridPath path;
    if (game->findPath(m_owner, home, point, nullptr, path)) {
        hasPatrolPoint = true;
        patrolPoint = point;
    }
}

void BehaviorIdle::rollSound()
{
    if (!soundTimer.isExpired()) {
        return;
    }
    soundTimer.startRandom();
    float chance = answerCall ? idleSoundAnswerChance : idleSoundChance;
    answerCall = false;
    if (isGuard()) {
        chance *= 0.5f;
    }
    switch (m_owner->getEnhancementRarity()) {
    case 1:
    case 2:
        chance *= 1.1f;
        break;
    case 3:
    case 4:
        chance *= 1.25f;
        break;
    case 5:
    case 6:
        chance *= 1.5f;
        break;
    default:
        break;
    }
    float r = randomFloat(0);
    if (chance < r || !m_owner->isInPlayerRange(maxSoundDistance)) {
        return;
    }
    m_owner->playSound(idleSound, maxSoundDistance, minSoundDistance);
    if (m_owner->playAnimation(idleSoundAnimation, static_cast<int>(AnimationPriority::IdleSound), 0,
                               false)) {
        soundPlaying = true;
    }
    int group = callGroupId(m_owner);
    Game* game = Game::instance();
    EventSystem* events = EventSystem::instance();
    const EventType* type = Actor::getEventType(Actor::PassToBehaviorEvent);
    if (group < 0 || !game || !events || !type) {
        return;
    }
    Event* event = events->newEventOfType(*type);
    if (!event) {
        return;
    }
    event->writeInt(0);
    event->writeInt(group);
    game->sendEventToEntitiesInRange(m_owner, event, idleDistance, kCallMask);
}

void BehaviorIdle::notify(int code, int)
{
    if (code == static_cast<int>(SimpleEvent::PathFindingFailed)) {
        if (walking) {
            hasPatrolPoint = false;
            choosePatrolPoint();
        }
    } else if (code == static_cast<int>(SimpleEvent::PathFindingSuccess)) {
        arrive();
    }
}

void BehaviorIdle::onEvent(Event& event)
{
    const EventType* type = Actor::getEventType(Actor::PassToBehaviorEvent);
    if (!type || event.getTypeId() != type->id) {
        return;
    }
    if (event.readInt() != 0) {
        return;
    }
    int group = event.readInt();
    if (!isGuard() && group >= 0 && group == callGroupId(m_owner)) {
        answerCall = true;
    }
}

#include "game/ai/BehaviorMelee.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/MathUtil.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

#include <cmath>

namespace {

bool animationEnded(const Actor* actor)
{
    return actor->isAnimationWrapped() || actor->isAnimationFinished() || !actor->isAnimationPlaying();
}

GameTime gameClock()
{
    Game* game = Game::instance();
    return game ? game->getClock() : GameTime();
}

} // namespace

BehaviorMelee::BehaviorMelee()
{
    addTimer(attackTimer);
}

int BehaviorMelee::getType() const
{
    return static_cast<int>(ActorBehavior::Melee);
}

void BehaviorMelee::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorMelee>(prototype)) {
        chaseTime = other->chaseTime;
        chaseGiveUpSound = other->chaseGiveUpSound;
        sprintChance = other->sprintChance;
    }
}

void BehaviorMelee::loadStrings(const DatabaseEntry* monsterEntry)
{
    const Database& db = Database::get();
    chaseTime = db.getFloat(monsterEntry, "ChaseTime");
    chaseGiveUpSound = db.getString(monsterEntry, "ChaseGiveUpSound");
    sprintChance = db.getFloat(monsterEntry, "SprintChance");
}

bool BehaviorMelee::canStart()
{
    return m_owner->getTarget() && !m_owner->hasFlag(Actor::kFlagHidden);
}

bool BehaviorMelee::canContinue()
{
    return !gaveUp && m_owner->getTarget();
}

void BehaviorMelee::start()
{
    chasedFor = 0.0f;
    enemy = nullptr;
    chasing = false;
    lastFleeTime = GameTime();
    gaveUp = false;
}

void BehaviorMelee::stop()
{
    if (gaveUp) {
        if (Game* game = Game::instance()) {
            game->playSound(chaseGiveUpSound, m_owner->getPosition(), m_owner->getEntityNumber(), 400.0f,
                            0.0f);
        }
        m_owner->clearTargetList();
        m_owner->setNoTargetScan(true);
    }
    setOwnerSprinting(false);
}

bool BehaviorMelee::isFleeing(const Entity* target) const
{
    if (lastEnemyPosition.zone < 0) {
        return false;
    }
    Vec2 moved = ZonePosition::getOffset(lastEnemyPosition, target->getPosition());
    if (vec2Length(moved) < 1.0f) {
        return false;
    }
    Vec2 toEnemy = ZonePosition::getOffset(m_owner->getPosition(), target->getPosition());
    float difference = vec2Angle(moved) - vec2Angle(toEnemy);
    while (difference > 180.0f) {
        difference -= 360.0f;
    }
    while (difference < -180.0f) {
        difference += 360.0f;
    }
    return std::fabs(difference) <= 90.0f;
}

void BehaviorMelee::startChasing()
{
    if (chasing) {
        return;
    }
    chasing = true;
    chasedFor = 0.0f;
    setOwnerSprinting(randomFloat(0) < sprintChance);
    m_owner->updateStats(false);
}

void BehaviorMelee::stopChasing()
{
    if (chasing) {
        chasing = false;
        m_owner->updateStats(false);
    }
}

void BehaviorMelee::update(float dt)
{
    if (waitingOnAnimation && (animationEnded(m_owner) || m_owner->getAnimation() != attackAnimation)) {
        waitingOnAnimation = false;
    }
    Entity* target = m_owner->getTarget();
    if (target != enemy.get()) {
        enemy = target;
        if (target) {
            lastEnemyPosition = target->getPosition();
        }
        stopChasing();
    }
    if (!target) {
        return;
    }
    if (isFleeing(target)) {
        startChasing();
        lastFleeTime = gameClock();
    } else if (gameClock().toSeconds() >= lastFleeTime.toSeconds() + kFleeMemory) {
        // Total seconds: a flee late in a minute still counts two seconds.
        stopChasing();
    }
    if (chasing) {
        chasedFor += dt;
        if (chasedFor > chaseTime) {
            gaveUp = true;
        }
    }
    m_owner->followEntity(target);
    attack();
    if (Entity* still = enemy.get()) {
        lastEnemyPosition = still->getPosition();
    }
}

void BehaviorMelee::attack()
{
    Entity* target = enemy.get();
    if (!target || target->isDead() || m_owner->distanceToEntity(target, false) >= kReach) {
        return;
    }
    if (attackTimer.running && attackTimer.remaining > 0.0f) {
        return;
    }
    m_owner->startAttack(target);
    float speed = static_cast<float>(m_owner->getStat(toIndex(CharacterStat::AttackSpeed)));
    float delay = 0.0f;
    if (m_owner->getItem(toIndex(InventoryGroupIndex::Equipment), toIndex(EquipedLocation::HandPrimary))) {
        delay = speed / 1000.0f;
    } else {
        const MonsterArchetype* monsterClass = m_owner->getMonsterClass();
        float factor = monsterClass ? monsterClass->attackTime : 1.0f;
        float spread = monsterClass ? monsterClass->attackTimeSpread : 0.0f;
        delay = speed / 1500.0f * factor * randomFloatBetween(0, 1.0f - spread, 1.0f + spread);
    }
    attackTimer.start(delay);
    if (m_owner->getAnimationPriority() == toIndex(AnimationPriority::Attack)) {
        waitingOnAnimation = true;
        attackAnimation = m_owner->getAnimation();
    }
}

void BehaviorMelee::printInfo() const
{
    BehaviorBase::printInfo();
    if (Entity* target = enemy.get()) {
        debugPrintRaw("  Current enemy: %d\n", target->getEntityNumber());
    } else {
        debugPrintRaw("  Current enemy: none\n");
    }
    if (chasing) {
        debugPrintRaw("  Chasing\n");
    }
    if (waitingOnAnimation) {
        debugPrintRaw("  WaitingOnAnimation\n");
    }
}

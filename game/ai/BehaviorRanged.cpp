#include "game/ai/BehaviorRanged.h"

#include "engine/data/Database.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"

namespace {

constexpr float kNoEnemy = 1.0e10f;

} // namespace

BehaviorRanged::BehaviorRanged()
{
    addTimer(shotTimer);
}

int BehaviorRanged::getType() const
{
    return static_cast<int>(ActorBehavior::Ranged);
}

void BehaviorRanged::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorRanged>(prototype)) {
        minFireRange = other->minFireRange;
        maxFireRange = other->maxFireRange;
        projName = other->projName;
        projAnim = other->projAnim;
        projDamage = other->projDamage;
        projAttackSpeed = other->projAttackSpeed;
    }
}

void BehaviorRanged::loadStrings(const DatabaseEntry* monsterEntry)
{
    const Database& db = Database::get();
    minFireRange = db.getFloat(monsterEntry, "MinFireRange");
    maxFireRange = db.getFloat(monsterEntry, "MaxFireRange");
    projName = db.getString(monsterEntry, "ProjName");
    projAnim = db.getString(monsterEntry, "ProjAnim");
    projDamage = db.getInt(monsterEntry, "ProjDamage");
    projAttackSpeed = db.getFloat(monsterEntry, "ProjAttackSpeed");
}

bool BehaviorRanged::canStart()
{
    Entity* target = m_owner->getTarget();
    return target && inBand(m_owner->distanceToEntity(target, false));
}

void BehaviorRanged::update(float)
{
    enemy = m_owner->getTarget();
    Entity* target = enemy.get();
    float distance = target ? m_owner->distanceToEntity(target, false) : kNoEnemy;
    if (!inBand(distance) || (shotTimer.running && shotTimer.remaining > 0.0f)) {
        return;
    }
    StatChangeList damage;
    if (projDamage != 0) {
        damage.add(toIndex(DamageType::Physical), projDamage, projDamage);
    }
    StatChangeList noRadiusDamage;
    Entity::spawnProjectile(projName, damage, true, false, m_owner, target, target->getPosition(), nullptr, 0,
                            0.0f, noRadiusDamage, nullptr);
    m_owner->playAnimation(projAnim, toIndex(AnimationPriority::Attack), 0, false);
    shotTimer.start(projAttackSpeed);
    if (target != m_owner) {
        m_owner->faceEntity(target);
    }
}

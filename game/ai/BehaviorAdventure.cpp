#include "game/ai/BehaviorAdventure.h"

#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/entities/Actor.h"
#include "game/entities/Recruit.h"
#include "game/world/Level.h"
#include "game/world/World.h"

#include <cmath>

int BehaviorAdventure::getType() const
{
    return static_cast<int>(ActorBehavior::Adventure);
}

void BehaviorAdventure::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorAdventure>(prototype)) {
        stepDistance = other->stepDistance;
        maxRandomOffset = other->maxRandomOffset;
        maxFailuresToChangeFinalGoal = other->maxFailuresToChangeFinalGoal;
    }
}

void BehaviorAdventure::loadData(const DatabaseEntry* entry)
{
    const Database& db = Database::get();
    stepDistance = db.getFloat(entry, "StepDistance");
    maxRandomOffset = db.getFloat(entry, "MaxRandomOffset");
    maxFailuresToChangeFinalGoal = db.getInt(entry, "MaxFailuresToChangeFinalGoal");
}

bool BehaviorAdventure::canStart()
{
    if (m_owner->getWander()) {
        return true;
    }
    const MonsterArchetype* monsterClass = m_owner->getMonsterClass();
    if (monsterClass && monsterClass->alwaysWander) {
        return true;
    }
    Covenant* covenant = m_owner->getCovenant();
    if (!covenant || covenant->getLeader() != m_owner || m_owner->getLeader()) {
        return false;
    }
    // The away flag also marks a raider: a hero on a raid stays at the stone
    // it was sent against instead of walking off.
    if (covenant->takesPartInRaid(m_owner)) {
        return false;
    }
    const Recruit* record = covenant->findRecruitByActor(m_owner);
    return record && record->away != 0;
}

bool BehaviorAdventure::covenantGoal(ZonePosition& out) const
{
    const Covenant* covenant = m_owner->getCovenant();
    if (!covenant || !covenant->isVisitingTown()) {
        return false;
    }
    out = covenant->getTownVisitPosition();
    return out.zone >= 0;
}

void BehaviorAdventure::stop()
{
    m_owner->stopMoving();
    hasStepGoal = false;
    needNewPath = true;
    ZonePosition goal;
    if (covenantGoal(goal)) {
        hasFinalGoal = false;
    }
}

void BehaviorAdventure::update(float)
{
    const ZonePosition& here = m_owner->getPosition();
    if (lastPosition.zone >= 0 && ZonePosition::isWithinSquare(here, lastPosition, kStuckDistance)) {
        if (++stuckCount > kMaxStuckSteps) {
            hasStepGoal = false;
            hasFinalGoal = false;
            stuckCount = 0;
        }
    } else {
        lastPosition = here;
    }
    // A goal drawn on the owner's level is drawn again once the owner has
    // left that level; the covenant's goal is walked to across levels.
    if (!hasFinalGoal || (!finalGoalFromCovenant && finalGoal.zone != here.zone)) {
        chooseFinalGoal();
    }
    if (hasFinalGoal && !hasStepGoal) {
        chooseStepGoal();
    }
    if (needNewPath && (hasStepGoal || hasFinalGoal)) {
        m_owner->moveAlongPathTo(hasStepGoal ? stepGoal : finalGoal);
        needNewPath = false;
    }
}

void BehaviorAdventure::chooseFinalGoal()
{
    ZonePosition goal;
    bool fromCovenant = covenantGoal(goal);
    if (!fromCovenant) {
        World* world = World::instance();
        Level* level = world ? world->getLevel(m_owner->getPosition().zone) : nullptr;
        if (!level) {
            return;
        }
        goal = level->randomPositionInArea();
    }
    finalGoal = goal;
    finalGoalFromCovenant = fromCovenant;
    hasFinalGoal = true;
    hasStepGoal = false;
    needNewPath = true;
}

void BehaviorAdventure::chooseStepGoal()
{
    const ZonePosition& here = m_owner->getPosition();
    const Vec2 d = ZonePosition::getOffset(here, finalGoal);
    const float length = vec2Length(d);
    // Near enough (or on the goal: no direction), the walk goes straight there.
    if (!(length > 0.0f) || length < stepDistance) {
        return;
    }
    ZonePosition goal(here.zone, here.x + stepDistance * d.x / length, here.y + stepDistance * d.y / length);
    goal.normalize();
    const float r = randomFloat(0) * maxRandomOffset;
    const Vec2 u = randomUnitVec2();
    goal.addOffset(u.x * r, u.y * r);
    goal.normalize();
    goal = snapToGrid(goal);
    goal.normalize();
    stepGoal = goal;
    hasStepGoal = true;
    needNewPath = true;
}

void BehaviorAdventure::notify(int code, int)
{
    if (code == static_cast<int>(SimpleEvent::PathFindingFailed)) {
        if (++failures > maxFailuresToChangeFinalGoal) {
            failures = 0;
            hasFinalGoal = false;
        } else {
            hasStepGoal = false;
        }
        needNewPath = true;
    } else if (code == static_cast<int>(SimpleEvent::PathFindingSuccess)) {
        failures = 0;
        if (hasStepGoal) {
            hasStepGoal = false;
        } else {
            hasFinalGoal = false;
        }
        needNewPath = true;
    }
}

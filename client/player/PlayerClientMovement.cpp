// The local player walks itself: click-to-move along grid paths, approach of
// the target, and where it may stand among the client's mirrors.
#include "client/player/PlayerClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/SkillListClient.h"
#include "engine/input/Input.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/world/PathFinder.h"
#include "game/world/World.h"

#include <cmath>

namespace {

constexpr uint32_t kGroupMask = 1;
constexpr int kFreeSpotRings = 6;

float gridSize()
{
    const GameData* data = GameData::instance();
    return data && data->rules().gridSize > 0.0f ? data->rules().gridSize : 32.0f;
}

ZonePosition gridPoint(const ZonePosition& position)
{
    ZonePosition snapped = snapToGrid(position);
    snapped.normalize();
    return snapped;
}

ZonePosition stepFrom(const ZonePosition& position, int dx, int dy)
{
    float size = gridSize();
    ZonePosition next(position.zone, position.x + static_cast<float>(dx) * size,
                      position.y + static_cast<float>(dy) * size);
    next.normalize();
    return next;
}

bool hiddenEntity(const EntityClient* entity)
{
    return entity && entity->hasFlag(EntityBase::kFlagHidden);
}

} // namespace

void PlayerClient::setDestination(const ZonePosition& position, bool findFreeSpot)
{
    m_destination = position;
    stopFollowing();
    m_pathGoal = gridPoint(position);
    if (findFreeSpot && !canStandAt(m_pathGoal, kGroupMask)) {
        ZonePosition free;
        if (findStandablePoint(m_pathGoal, kFreeSpotRings, free)) {
            m_pathGoal = free;
        }
    }
    m_hasDestination = true;
    m_needsPath = true;
}

bool PlayerClient::findStandablePoint(const ZonePosition& around, int rings, ZonePosition& out) const
{
    for (int r = 0; r <= rings; ++r) {
        for (int dy = -r; dy <= r; ++dy) {
            for (int dx = -r; dx <= r; ++dx) {
                if (std::abs(dx) != r && std::abs(dy) != r) {
                    continue; // inside the ring: searched already
                }
                ZonePosition candidate = stepFrom(around, dx, dy);
                if (canStandAt(candidate, kGroupMask)) {
                    out = candidate;
                    return true;
                }
            }
        }
    }
    return false;
}

void PlayerClient::approachTarget(EntityClient* entity)
{
    if (!entity) {
        return;
    }
    if (distanceToEntity(entity, true) < gridSize()) {
        stopFollowing();
        return;
    }
    setDestination(entity->getPosition(), false);
    m_followEntity = entity;
}

void PlayerClient::stopFollowing()
{
    m_followEntity = nullptr;
}

void PlayerClient::stopMoving()
{
    stopFollowing();
    m_hasDestination = false;
    m_needsPath = false;
    m_path.clear();
}

bool PlayerClient::isTargetInReach() const
{
    const EntityClient* current = target.get();
    if (!m_atWaypoint || !current) {
        return false;
    }
    // The approach's path ends within this reach of the target's grid point,
    // which may lie half a cell nearer than the target itself: that end
    // counts too, or the player would stand there short of it for good.
    const float reach = 1.5f * gridSize();
    return distanceToEntity(current, true) < reach ||
           ZonePosition::distanceTo(m_position, gridPoint(current->getPosition())) <
               reach + getRadius() + current->getRadius();
}

void PlayerClient::startStep(int code)
{
    GridStep step = gridStepOfCode(code);
    m_waypoint = stepFrom(gridPoint(m_position), step.dx, step.dy);
    m_walkingStep = true;
    m_atWaypoint = false;
    setDirection(code);
}

bool PlayerClient::followPath(float dt)
{
    movedThisFrame = false;
    EntityClient* mirror = serverMirror.get();
    if (!mirror || mirror->isDead()) {
        stopFollowing();
        m_atWaypoint = true;
        m_walkingStep = false;
        return false;
    }

    // Pushed onto a spot it cannot stand on: step to the nearest free grid point.
    if (!m_walkingStep && !canStandAt(m_position, kGroupMask)) {
        ZonePosition own = gridPoint(m_position);
        bool found = false;
        float best = 0.0f;
        int bestCode = -1;
        for (int code = 0; code < 8; ++code) {
            GridStep step = gridStepOfCode(code);
            ZonePosition candidate = stepFrom(own, step.dx, step.dy);
            float distance = ZonePosition::distanceTo(m_position, candidate);
            if (canStandAt(candidate, kGroupMask) && (!found || distance < best)) {
                found = true;
                best = distance;
                bestCode = code;
            }
        }
        if (found) {
            startStep(bestCode);
        }
    }

    EntityClient* current = target.get();
    if (current && !hiddenEntity(current) && (action == kActionAttack || action == kActionApproach)) {
        approachTarget(current);
    }

    if (m_atWaypoint && m_needsPath) {
        PathFinder* finder = PathFinder::instance();
        m_path.clear();
        if (!finder || !finder->findPath(this, m_position, m_pathGoal, m_followEntity.get(), m_path)) {
            m_path.clear();
            m_hasDestination = false;
            if (Client* client = Client::instance()) {
                int x = 0;
                int y = 0;
                if (const Input* input = Input::instance()) {
                    input->getMousePosition(x, y);
                }
                client->addTextEvent("Path blocked", static_cast<float>(x), static_cast<float>(y), 5.0f, 8,
                                     true, false);
            }
        }
        m_needsPath = false;
    }

    float budget = getMovement() * dt;
    ZonePosition position = m_position;
    while (budget > 0.0f) {
        if (m_walkingStep) {
            Vec2 offset = ZonePosition::getOffset(position, m_waypoint);
            float distance = vec2Length(offset);
            movedThisFrame = true;
            if (distance <= budget) {
                position = m_waypoint;
                budget -= distance;
                m_walkingStep = false;
                m_atWaypoint = true;
            } else {
                position = position.offset({offset.x * budget / distance, offset.y * budget / distance});
                position.normalize();
                budget = 0.0f;
            }
            continue;
        }
        if (m_needsPath) {
            break; // a new search waits for this waypoint
        }
        if (m_path.stepIndex >= m_path.stepCount) {
            stopFollowing();
            m_hasDestination = false;
            m_path.clear();
            break;
        }
        int code = m_path.codes[static_cast<size_t>(m_path.stepIndex++)];
        GridStep step = gridStepOfCode(code);
        ZonePosition next = stepFrom(gridPoint(position), step.dx, step.dy);
        if (!canStandAt(next, kGroupMask)) {
            m_hasDestination = false;
            m_path.clear();
            break;
        }
        m_waypoint = next;
        m_walkingStep = true;
        m_atWaypoint = false;
        setDirection(code);
    }

    setPosition(position);
    if (!movedThisFrame) {
        EntityClient* facing = nullptr;
        if (action == kActionAttack && current && current->isAlive() && !hiddenEntity(current)) {
            facing = current;
        } else if (action == kActionNone && autoAttackEntity >= 0) {
            GameClient* game = GameClient::instance();
            EntityClient* automatic = game ? game->getEntity(autoAttackEntity) : nullptr;
            if (automatic && automatic->isAlive() && !hiddenEntity(automatic)) {
                facing = automatic;
            }
        }
        if (facing && facing != this) {
            faceEntity(facing);
        }
        stopAnimation("walk");
    } else {
        playAnimation("walk", 0, 0, false);
    }
    return movedThisFrame;
}

void PlayerClient::warpTo(const ZonePosition& position)
{
    stopMoving();
    m_walkingStep = false;
    m_atWaypoint = true;
    setPosition(position);
    m_secondaryPosition = position;
}

bool PlayerClient::canStandAt(const ZonePosition& position, uint32_t groupMask) const
{
    if (hasFlag(kFlagNoCollision)) {
        return true;
    }
    ZonePosition snapped = gridPoint(position);
    World* world = World::instance();
    if (!world || !world->isLevelLoaded(snapped.zone) || world->isCircleBlocked(snapped, getRadius())) {
        return false;
    }
    GameClient* game = GameClient::instance();
    if (!game || (groupMask & kGroupMask) == 0) {
        return true;
    }
    for (int number = 0; number < GameClient::kEntityCount; ++number) {
        const EntityClient* other = number == getEntityNumber() ? nullptr : game->getEntity(number);
        if (other && other != this && other->isSolid() &&
            ZonePosition::distanceTo(snapped, other->getPosition()) < other->getRadius() + getRadius()) {
            return false;
        }
    }
    return true;
}

void PlayerClient::markObstacles(PathGrid& grid, float halfWidth, float halfHeight, uint32_t mask)
{
    GameClient* game = GameClient::instance();
    if (!game || (mask & kGroupMask) == 0) {
        return;
    }
    for (int number = 0; number < GameClient::kEntityCount; ++number) {
        EntityClient* other = number == getEntityNumber() ? nullptr : game->getEntity(number);
        if (other && other->isSolid() &&
            ZonePosition::isWithinBox(other->getPosition(), m_position, halfWidth, halfHeight)) {
            PathFinder::markObstacle(grid, other);
        }
    }
}

bool PlayerClient::isEnemy(const SkillEntity* other) const
{
    const auto* entity = dynamic_cast<const EntityClient*>(other);
    return entity && entity != this && entity->getMouseAction(true, true) == kActionAttack;
}

bool PlayerClient::isTargetFriendly() const
{
    const EntityClient* current = target.get();
    return current && current->isSelectable() && current->getCovenantIndex() == getCovenantIndex();
}

bool PlayerClient::meetsItemRequirement(int requirement) const
{
    if (requirement == 0) {
        return true;
    }
    const GameData* data = GameData::instance();
    const CharacterClass* characterClass =
        data ? data->findCharacterClassById(stats.get(kStatClass)) : nullptr;
    if (characterClass && characterClass->allowsItemRequirement(requirement)) {
        return true;
    }
    for (int tree = 0; tree < SkillBase::kTreeCount; ++tree) {
        for (int slot = 0; slot < SkillBase::kSlotCount; ++slot) {
            const SkillBase* skill = skills->findByTreeSlot(tree, slot);
            const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
            if (definition && definition->itemRequirement == requirement &&
                (definition->basicSkill || skill->getLevel() > 0)) {
                return true;
            }
        }
    }
    return false;
}

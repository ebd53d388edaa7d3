#include "game/ai/BehaviorAvoidLeader.h"

#include "engine/core/Direction.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"

#include <vector>

int BehaviorAvoidLeader::getType() const
{
    return static_cast<int>(ActorBehavior::AvoidLeader);
}

void BehaviorAvoidLeader::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorAvoidLeader>(prototype)) {
        minRange = other->minRange;
    }
}

void BehaviorAvoidLeader::loadData(const DatabaseEntry* entry)
{
    minRange = Database::get().getFloat(entry, "MinRange");
}

bool BehaviorAvoidLeader::canStart()
{
    Sentient* leader = m_owner->getLeader();
    if (!leader || m_owner->distanceToEntity(leader, false) > minRange) {
        return false;
    }
    // A player busy with this companion (action 4 on it) is not avoided.
    const auto* player = dynamic_cast<const Player*>(leader);
    return !(player && player->getActionTarget() == m_owner && player->getAction() == 4);
}

void BehaviorAvoidLeader::start()
{
    Sentient* leader = m_owner->getLeader();
    if (!leader) {
        m_finished = true;
        return;
    }
    const ZonePosition& from = m_owner->getPosition();
    Vec2 away = ZonePosition::getOffset(leader->getPosition(), from);
    int d = static_cast<int>(angleToDirection8(vec2Angle(away)));
    std::vector<ZonePosition> candidates;
    for (int step = -1; step <= 1; ++step) {
        int direction = (d + step + 8) % 8;
        ZonePosition candidate = from.offset(directionToVector2Scaled(direction));
        if (m_owner->isPlaceFree(candidate)) {
            candidates.push_back(candidate);
        }
    }
    if (candidates.empty()) {
        m_finished = true;
        return;
    }
    int count = static_cast<int>(candidates.size());
    int index = static_cast<int>(randomFloat(0) * static_cast<float>(count));
    if (index >= count) {
        index = count - 1;
    }
    m_owner->moveAlongPathTo(candidates[static_cast<size_t>(index)]);
}

void BehaviorAvoidLeader::stop()
{
    m_owner->stopMoving();
}

void BehaviorAvoidLeader::notify(int code, int)
{
    if (code == static_cast<int>(SimpleEvent::PathFindingFailed) ||
        code == static_cast<int>(SimpleEvent::PathFindingSuccess)) {
        m_finished = true;
    }
}

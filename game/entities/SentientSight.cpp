#include "game/entities/Sentient.h"

#include "game/definitions/WorldRules.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>

namespace {

// Distance from p to the segment a–b, all in one zone's coordinates.
float distanceToSegment(const Vec2& p, const Vec2& a, const Vec2& b)
{
    Vec2 ab{b.x - a.x, b.y - a.y};
    float len2 = ab.x * ab.x + ab.y * ab.y;
    float t = len2 > 0.0f ? ((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / len2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    float dx = a.x + ab.x * t - p.x;
    float dy = a.y + ab.y * t - p.y;
    return std::sqrt(dx * dx + dy * dy);
}

} // namespace

bool Sentient::isLineClear(const Entity* other, bool sight) const
{
    return other && isLineClearTo(other->getPosition(), other, sight);
}

bool Sentient::isWalkLineClearTo(const ZonePosition& position) const
{
    return isLineClearTo(position, nullptr, false);
}

bool Sentient::isLineClearTo(const ZonePosition& position, const Entity* other, bool sight) const
{
    Game* game = Game::instance();
    if (!game)
        return false;
    const GameRules& rules = worldRules();
    const Vec2 from{m_position.x, m_position.y};
    // Beyond the neighbouring zones nothing is in sight; the far stand-in
    // offset would walk the line across the whole world.
    ZonePosition there = position;
    if (!there.toZone(m_position.zone))
        return false;
    const Vec2 to{there.x, there.y};
    const Vec2 d{to.x - from.x, to.y - from.y};
    float ratio = std::fabs(d.x) >= std::fabs(d.y) ? d.x / rules.tileSize : d.y / rules.tileSize;
    int steps = static_cast<int>(std::floor(std::fabs(ratio) + 0.5f));
    for (int k = 1; k < steps; ++k) {
        float f = static_cast<float>(k) / static_cast<float>(steps);
        ZonePosition point(m_position.zone, from.x + d.x * f, from.y + d.y * f);
        point.normalize();
        if (sight ? game->isBlockedForSight(point) : game->isBlockedForMovement(point))
            return false;
    }
    // Solid world objects (doors, chests) standing on the line block it;
    // living characters never do.
    float length = std::sqrt(d.x * d.x + d.y * d.y);
    ZonePosition middle(m_position.zone, from.x + d.x * 0.5f, from.y + d.y * 0.5f);
    middle.normalize();
    std::vector<Entity*> around;
    game->queryEntitiesInRadius(middle, length * 0.5f + rules.tileSize, false, around);
    for (const Entity* e : around) {
        if (e == this || e == other || !e->isSolid() || dynamic_cast<const Sentient*>(e))
            continue;
        Vec2 p = ZonePosition::getLocal(e->getPosition(), m_position);
        if (distanceToSegment(p, from, to) < e->getRadius())
            return false;
    }
    return true;
}

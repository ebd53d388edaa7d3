#include "game/entities/Sentient.h"

#include "game/definitions/GameEnums.h"
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

// The centre of every collision cell the segment a–b passes through, in
// order, but for the cells of its two ends; false at the first for which
// `blocked` is. Through a cell corner both cells beside it count.
template <class Blocked> bool cellsBetweenClear(const Vec2& a, const Vec2& b, Blocked blocked)
{
    const GameRules& rules = worldRules();
    const float cell = rules.subCellSize > 0.0f ? rules.subCellSize : 1.0f;
    // In cell units a cell spans [k, k + 1).
    const float ax = (a.x - rules.tileOrigin.x) / cell + 0.5f;
    const float ay = (a.y - rules.tileOrigin.y) / cell + 0.5f;
    const float bx = (b.x - rules.tileOrigin.x) / cell + 0.5f;
    const float by = (b.y - rules.tileOrigin.y) / cell + 0.5f;
    // A point off the map (not a number) walks nowhere.
    if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by))
        return false;
    auto centre = [&](int x, int y) {
        return Vec2{rules.tileOrigin.x + static_cast<float>(x) * cell,
                    rules.tileOrigin.y + static_cast<float>(y) * cell};
    };
    int cx = static_cast<int>(std::floor(ax));
    int cy = static_cast<int>(std::floor(ay));
    const int endX = static_cast<int>(std::floor(bx));
    const int endY = static_cast<int>(std::floor(by));
    const int sx = endX > cx ? 1 : -1;
    const int sy = endY > cy ? 1 : -1;
    int nx = std::abs(endX - cx);
    int ny = std::abs(endY - cy);
    const float dx = std::fabs(bx - ax);
    const float dy = std::fabs(by - ay);
    // The line's share walked to its next crossing of each axis.
    float tx = nx > 0 ? (sx > 0 ? static_cast<float>(cx + 1) - ax : ax - static_cast<float>(cx)) / dx : 0.0f;
    float ty = ny > 0 ? (sy > 0 ? static_cast<float>(cy + 1) - ay : ay - static_cast<float>(cy)) / dy : 0.0f;
    while (nx + ny > 0) {
        if (nx > 0 && ny > 0 && tx == ty) {
            if (blocked(centre(cx + sx, cy)) || blocked(centre(cx, cy + sy)))
                return false;
            cx += sx;
            cy += sy;
            tx += 1.0f / dx;
            ty += 1.0f / dy;
            --nx;
            --ny;
        } else if (ny == 0 || (nx > 0 && tx < ty)) {
            cx += sx;
            tx += 1.0f / dx;
            --nx;
        } else {
            cy += sy;
            ty += 1.0f / dy;
            --ny;
        }
        if (nx + ny > 0 && blocked(centre(cx, cy)))
            return false;
    }
    return true;
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
    if (sight) {
        float ratio = std::fabs(d.x) >= std::fabs(d.y) ? d.x / rules.tileSize : d.y / rules.tileSize;
        int steps = static_cast<int>(std::floor(std::fabs(ratio) + 0.5f));
        for (int k = 1; k < steps; ++k) {
            float f = static_cast<float>(k) / static_cast<float>(steps);
            ZonePosition point(m_position.zone, from.x + d.x * f, from.y + d.y * f);
            point.normalize();
            if (game->isBlockedForSight(point))
                return false;
        }
    } else {
        // Samples a tile apart miss a blocked cell whose corner the line
        // cuts, and a walker on the line stands in it.
        const bool clear = cellsBetweenClear(from, to, [&](const Vec2& c) {
            ZonePosition point(m_position.zone, c.x, c.y);
            point.normalize();
            return game->isBlockedForMovement(point);
        });
        if (!clear)
            return false;
    }
    // Solid world objects (doors, chests) standing on the line block it;
    // living characters never do, nor what a walker passes through: a hit's
    // effect shown at the target, a lantern, a gate.
    float length = std::sqrt(d.x * d.x + d.y * d.y);
    ZonePosition middle(m_position.zone, from.x + d.x * 0.5f, from.y + d.y * 0.5f);
    middle.normalize();
    std::vector<Entity*> around;
    game->queryEntitiesInRadius(middle, length * 0.5f + rules.tileSize, false, around);
    for (const Entity* e : around) {
        if (e == this || e == other || !e->isSolid() || e->getSolidType() != toIndex(SolidType::Normal) ||
            e->hasFlag(kFlagTemporaryEffect) || dynamic_cast<const Sentient*>(e))
            continue;
        Vec2 p = ZonePosition::getLocal(e->getPosition(), m_position);
        if (distanceToSegment(p, from, to) < e->getRadius())
            return false;
    }
    return true;
}

#include "engine/core/ZonePosition.h"

#include "engine/core/ZoneTopology.h"

#include <cmath>

namespace {

// A position further away than this many zones is treated as lost.
constexpr double kMaxZoneSteps = 64.0;

int sign(int v)
{
    return (v > 0) - (v < 0);
}

// Keeps a coordinate inside [0, size) after a shift that rounding may push
// onto the border.
float clampInside(float v, float size)
{
    if (v < 0.0f) {
        return 0.0f;
    }
    if (v >= size) {
        return std::nextafter(size, 0.0f);
    }
    return v;
}

} // namespace

void ZonePosition::normalize()
{
    needsNormalizing = false;
    const ZoneTopology& topology = ZoneTopology::current();
    if (zone < 0 || !topology.hasSize()) {
        return;
    }
    if (!std::isfinite(x) || !std::isfinite(y)) {
        zone = -1;
        return;
    }
    double stepsX = std::floor(static_cast<double>(x) / topology.width);
    double stepsY = std::floor(static_cast<double>(y) / topology.height);
    if (stepsX == 0.0 && stepsY == 0.0) {
        return;
    }
    if (std::fabs(stepsX) > kMaxZoneSteps || std::fabs(stepsY) > kMaxZoneSteps) {
        zone = -1;
        return;
    }
    int sx = static_cast<int>(stepsX);
    int sy = static_cast<int>(stepsY);
    int z = zone;
    float nx = x;
    float ny = y;
    // Step diagonally while both axes are out, so a corner uses the diagonal
    // neighbour rather than passing through a side zone that may be missing.
    while (sx != 0 || sy != 0) {
        int dx = sign(sx);
        int dy = sign(sy);
        z = topology.neighbour(z, dx, dy);
        if (z < 0) {
            zone = -1;
            return;
        }
        nx -= static_cast<float>(dx) * topology.width;
        ny -= static_cast<float>(dy) * topology.height;
        sx -= dx;
        sy -= dy;
    }
    zone = z;
    x = clampInside(nx, topology.width);
    y = clampInside(ny, topology.height);
}

bool ZonePosition::toZone(int32_t targetZone)
{
    if (targetZone == zone) {
        return true;
    }
    const ZoneTopology& topology = ZoneTopology::current();
    if (zone < 0 || targetZone < 0 || !topology.hasSize()) {
        return false;
    }
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if ((dx != 0 || dy != 0) && topology.neighbour(zone, dx, dy) == targetZone) {
                zone = targetZone;
                x -= static_cast<float>(dx) * topology.width;
                y -= static_cast<float>(dy) * topology.height;
                return true;
            }
        }
    }
    return false;
}

ZonePosition ZonePosition::offset(const Vec2& v) const
{
    ZonePosition moved = *this;
    moved.addOffset(v.x, v.y);
    return moved;
}

void ZonePosition::addOffset(float dx, float dy)
{
    x += dx;
    y += dy;
    normalize();
}

Vec2 ZonePosition::getLocal(const ZonePosition& position, const ZonePosition& reference)
{
    ZonePosition p = position;
    if (!p.toZone(reference.zone)) {
        return {reference.x + kUnreachable, reference.y + kUnreachable};
    }
    return {p.x, p.y};
}

Vec2 ZonePosition::getOffset(const ZonePosition& a, const ZonePosition& b)
{
    Vec2 local = getLocal(a, b);
    return {b.x - local.x, b.y - local.y};
}

float ZonePosition::distanceTo(const ZonePosition& a, const ZonePosition& b)
{
    return vec2Length(getOffset(a, b));
}

bool ZonePosition::isWithinSquare(const ZonePosition& a, const ZonePosition& b, float r)
{
    Vec2 d = getOffset(a, b);
    return std::fabs(d.x) <= r && std::fabs(d.y) <= r;
}

bool ZonePosition::isWithinBox(const ZonePosition& position, const ZonePosition& centre, float ex, float ey)
{
    Vec2 d = getOffset(position, centre);
    return std::fabs(d.x) <= ex && std::fabs(d.y) <= ey;
}

ZonePosition snapToGrid(const ZonePosition& position)
{
    ZonePosition out = position;
    Vec2 snapped = snapToGrid(Vec2(position.x, position.y));
    out.x = snapped.x;
    out.y = snapped.y;
    return out;
}

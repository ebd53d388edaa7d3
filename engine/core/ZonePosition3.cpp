#include "engine/core/ZonePosition3.h"

ZonePosition3 ZonePosition3::fromZonePosition(const ZonePosition& p)
{
    ZonePosition3 out(p.zone, p.x, p.y, 0.0f);
    out.needsNormalizing = true;
    return out;
}

void ZonePosition3::normalize()
{
    ZonePosition flat(zone, x, y);
    flat.normalize();
    zone = flat.zone;
    x = flat.x;
    y = flat.y;
    needsNormalizing = false;
}

bool ZonePosition3::toZone(int32_t targetZone)
{
    ZonePosition flat(zone, x, y);
    if (!flat.toZone(targetZone)) {
        return false;
    }
    zone = flat.zone;
    x = flat.x;
    y = flat.y;
    return true;
}

void ZonePosition3::addOffset(float dx, float dy, float dz)
{
    x += dx;
    y += dy;
    z += dz;
    normalize();
}

Vec3 ZonePosition3::getLocal(const ZonePosition3& reference, const ZonePosition3& position)
{
    Vec2 ref = ZonePosition::getLocal(ZonePosition(reference.zone, reference.x, reference.y),
                                      ZonePosition(position.zone, position.x, position.y));
    return {position.x - ref.x, position.y - ref.y, position.z - reference.z};
}

#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"

#include <cstdint>

// A zone position with height; zones only divide x and y.
struct ZonePosition3 {
    int32_t zone = -1;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    bool needsNormalizing = true;

    ZonePosition3() = default;
    ZonePosition3(int32_t zn, float ax, float ay, float az) : zone(zn), x(ax), y(ay), z(az) {}

    // Same zone, x and y; z 0; needs normalising.
    static ZonePosition3 fromZonePosition(const ZonePosition& p);

    void normalize();
    // See ZonePosition::toZone.
    bool toZone(int32_t targetZone);
    void addOffset(float dx, float dy, float dz);

    // The position relative to the reference, with the reference re-expressed
    // in the position's zone.
    static Vec3 getLocal(const ZonePosition3& reference, const ZonePosition3& position);

    friend bool operator==(const ZonePosition3& a, const ZonePosition3& b)
    {
        return a.zone == b.zone && a.x == b.x && a.y == b.y && a.z == b.z;
    }
};

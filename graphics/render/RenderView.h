#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition3.h"

#include <vector>

// The camera as the queued surfaces see it: the zone positions are made
// relative to, the eye, its rotation (rows forward, left, up), the view
// matrix (column-major, with the axis conversion) and the planes of the view
// volume. A point p is inside a plane when normal · p − distance ≤ 0; with no
// planes nothing is culled.
struct RenderView {
    struct Plane {
        Vec3 normal;
        float distance = 0.0f;
    };

    int32_t referenceZone = -1;
    ZonePosition3 eye;
    Matrix3 rotation;
    float viewMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<Plane> planes;

    // A zone position as a point of the reference zone (as it is while no
    // reference zone is set, or for a position nowhere).
    Vec3 toLocal(const ZonePosition3& position) const
    {
        if (referenceZone < 0 || position.zone < 0 || position.zone == referenceZone) {
            return {position.x, position.y, position.z};
        }
        Vec2 p = ZonePosition::getLocal(ZonePosition(position.zone, position.x, position.y),
                                        ZonePosition(referenceZone, 0.0f, 0.0f));
        return {p.x, p.y, position.z};
    }
};

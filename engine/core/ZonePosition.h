#pragma once

#include "engine/core/MathUtil.h"

#include <cstdint>

// A point in the world: a zone (level) and x, y inside it, 0 <= x < zone
// width and 0 <= y < zone height once normalised. Zone -1 means nowhere.
// Stored and sent as i32 zone, f32 x, f32 y; the flag is not stored.
struct ZonePosition {
    int32_t zone = -1;
    float x = 0.0f;
    float y = 0.0f;
    bool needsNormalizing = true;

    ZonePosition() = default;
    ZonePosition(int32_t z, float ax, float ay) : zone(z), x(ax), y(ay) {}

    // How far away getLocal places a position whose zone cannot be reached
    // from the reference zone (no neighbour, or nowhere).
    static constexpr float kUnreachable = 1.0e9f;

    // Moves a position whose x or y left its zone into the neighbouring zone;
    // the zone becomes -1 when there is no neighbour.
    void normalize();
    // Re-expresses the position in the target zone, which must be this zone or
    // one of its eight neighbours. False (and unchanged) otherwise.
    bool toZone(int32_t targetZone);
    // Moved by a vector, then normalised.
    ZonePosition offset(const Vec2& v) const;
    void addOffset(float dx, float dy);

    // The position as a point in the reference's zone (not normalised).
    static Vec2 getLocal(const ZonePosition& position, const ZonePosition& reference);
    // The vector from a to b, taken in b's zone: b - getLocal(a, b).
    static Vec2 getOffset(const ZonePosition& a, const ZonePosition& b);
    static float distanceTo(const ZonePosition& a, const ZonePosition& b);
    // The offset between the two, taken in b's zone, lies within -r .. r on both axes.
    static bool isWithinSquare(const ZonePosition& a, const ZonePosition& b, float r);
    // |dx| <= ex and |dy| <= ey, taken in the centre's zone.
    static bool isWithinBox(const ZonePosition& position, const ZonePosition& centre, float ex, float ey);

    // Zone and coordinates; the flag is bookkeeping.
    friend bool operator==(const ZonePosition& a, const ZonePosition& b)
    {
        return a.zone == b.zone && a.x == b.x && a.y == b.y;
    }
};

// x and y moved to the nearest cell of the global grid; the zone is kept.
ZonePosition snapToGrid(const ZonePosition& position);

#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"

class EntityClient;
class GameClient;

// What the frame renderer tells the client each frame: the camera zoom, the
// vertical scale of the isometric view and the window size in pixels.
struct ViewParameters {
    float zoom = 1.0f;
    float verticalScale = 1.0f;
    int width = 640;
    int height = 480;
};

struct ScreenRect {
    float left = 0.0f;
    float bottom = 0.0f;
    float right = 0.0f;
    float top = 0.0f;
};

// The isometric projection between world positions and the 640 x 480
// virtual screen around a camera centre: offsets turned by 45 degrees and
// squashed vertically.
class ScreenProjection {
public:
    ScreenProjection(const ZonePosition& camera, const ViewParameters& view) : m_camera(camera), m_view(view)
    {
    }

    Vec2 worldToScreen(const ZonePosition& position, bool applyZoom) const;
    // worldToScreen with zoom, lifted by the height.
    Vec2 screenPositionOf(const ZonePosition& position, float height) const;
    Vec2 screenToWorldOffset(float x, float y, bool applyZoom) const;
    // The point under the screen position, normalised, carrying the flag
    // in its flag byte (needsNormalizing).
    ZonePosition screenToWorld(float x, float y, bool flag = true) const;
    ZonePosition screenToWorldFrom(const ZonePosition& position, float x, float y) const;
    // Width from the entity's radius (at least half a tile), height from its
    // model's bounds (at least 72); a model still loading counts as none.
    ScreenRect getEntityScreenRect(const EntityClient& entity) const;
    // The mirror under the point: ground items weigh less than creatures and
    // objects, then the nearest rectangle centre, then the lower number.
    EntityClient* pickEntity(const GameClient& game, float x, float y, const EntityClient* excluded,
                             int playerSlot) const;

    float aspectFactor() const;

private:
    ZonePosition m_camera;
    ViewParameters m_view;
};

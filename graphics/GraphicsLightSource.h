#pragma once

#include "graphics/StageDrawer.h"

class GraphicsSystem;

// The graphics system as the light source of the stage drawing: points of
// the camera's reference zone lit by the lighting system, and an entity's
// sphere colours worked out once per frame (white without a lighting system).
class GraphicsLightSource : public StageLightSource {
public:
    explicit GraphicsLightSource(GraphicsSystem& graphics) : m_graphics(graphics) {}
    Color lightAt(float x, float y) const override;
    void sphereColours(const LitEntity& entity, bool unlit, float out[6][3]) override;

private:
    GraphicsSystem& m_graphics;
};

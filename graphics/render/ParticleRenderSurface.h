#pragma once

#include "engine/core/ZonePosition3.h"
#include "graphics/RenderSurface.h"

struct RenderView;

// One camera-facing effect particle.
class ParticleRenderSurface : public RenderSurface {
public:
    explicit ParticleRenderSurface(const RenderView& view) : m_view(view) {}
    void draw(StageBatch& batch, bool withNormals) override;

    ZonePosition3 position;
    float rotation = 0.0f; // degrees about the view direction
    float size = 0.0f;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    float alpha = 1.0f;
    float age = 0.0f;

private:
    const RenderView& m_view;
};

#pragma once

#include "engine/core/ZonePosition3.h"
#include "graphics/RenderSurface.h"

#include <cstdint>

struct RenderView;

// A jagged beam between two points, the same shape until its seed changes.
class BeamRenderSurface : public RenderSurface {
public:
    explicit BeamRenderSurface(const RenderView& view) : m_view(view) {}
    void draw(StageBatch& batch, bool withNormals) override;

    ZonePosition3 start, end;
    int segments = 1;
    float size = 1.0f;
    float minOffset = 0.0f;
    float maxOffset = 0.0f;
    float startSize = 1.0f;
    float endSize = 1.0f;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    float alpha = 1.0f;
    uint32_t seed = 0;

private:
    const RenderView& m_view;
};

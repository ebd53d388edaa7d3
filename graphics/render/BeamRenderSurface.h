#pragma once

#include "engine/core/ZonePosition3.h"
#include "graphics/RenderSurface.h"
#include "graphics/render/BatchGeometry.h"

struct RenderView;

// A jagged beam between two points, the same shape until its seed changes.
class BeamRenderSurface : public RenderSurface, public BatchGeometry::BeamShape {
public:
    explicit BeamRenderSurface(const RenderView& view) : m_view(view) {}
    void draw(StageBatch& batch, bool withNormals) override;

    ZonePosition3 start, end;

private:
    const RenderView& m_view;
};

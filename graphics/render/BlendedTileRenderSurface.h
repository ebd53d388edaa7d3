#pragma once

#include "engine/core/MathUtil.h"
#include "graphics/RenderSurface.h"
#include "graphics/render/BatchGeometry.h"

// A transition tile: the tile quad with per-corner layer weights taken from
// the ground record, which stays valid for the frame.
class BlendedTileRenderSurface : public RenderSurface {
public:
    void draw(StageBatch& batch, bool withNormals) override;

    Vec3 cornerA, cornerB;
    const BlendCorners* corners = nullptr;
};

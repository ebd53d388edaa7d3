#pragma once

#include "engine/core/MathUtil.h"
#include "graphics/RenderSurface.h"

// A plain ground tile between two corners.
class TileRenderSurface : public RenderSurface {
public:
    void draw(StageBatch& batch, bool withNormals) override;

    Vec3 cornerA, cornerB;
    bool coloured = false;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    // The alpha of every corner.
    float alpha = 1.0f;
};

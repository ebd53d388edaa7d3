#include "graphics/render/BlendedTileRenderSurface.h"

void BlendedTileRenderSurface::draw(StageBatch& batch, bool withNormals)
{
    BatchGeometry::addBlendedTile(batch, cornerA, cornerB, corners, withNormals);
}

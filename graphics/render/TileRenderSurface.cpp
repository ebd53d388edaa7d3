#include "graphics/render/TileRenderSurface.h"

#include "graphics/render/BatchGeometry.h"

void TileRenderSurface::draw(StageBatch& batch, bool withNormals)
{
    BatchGeometry::addTile(batch, cornerA, cornerB, withNormals, coloured, colour, alpha);
}

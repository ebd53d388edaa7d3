#include "graphics/render/SwipeRenderSurface.h"

#include "graphics/render/BatchGeometry.h"

void SwipeRenderSurface::draw(StageBatch& batch, bool)
{
    if (points) {
        BatchGeometry::addSwipe(batch, m_view, *points, colour);
    }
}

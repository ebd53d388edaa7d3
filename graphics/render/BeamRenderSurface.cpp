#include "graphics/render/BeamRenderSurface.h"

#include "graphics/render/BatchGeometry.h"
#include "graphics/render/RenderView.h"

#include <algorithm>

void BeamRenderSurface::draw(StageBatch& batch, bool)
{
    BatchGeometry::Beam beam;
    beam.start = m_view.toLocal(start);
    beam.end = m_view.toLocal(end);
    beam.eye = m_view.toLocal(m_view.eye);
    beam.segments = segments;
    beam.size = size;
    beam.minOffset = minOffset;
    beam.maxOffset = maxOffset;
    beam.startSize = startSize;
    beam.endSize = endSize;
    std::copy(colour, colour + 3, beam.colour);
    beam.alpha = alpha;
    beam.seed = seed;
    BatchGeometry::addBeam(batch, beam);
}

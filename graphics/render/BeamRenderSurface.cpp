#include "graphics/render/BeamRenderSurface.h"

#include "graphics/render/RenderView.h"

void BeamRenderSurface::draw(StageBatch& batch, bool)
{
    BatchGeometry::Beam beam;
    static_cast<BatchGeometry::BeamShape&>(beam) = *this;
    beam.start = m_view.toLocal(start);
    beam.end = m_view.toLocal(end);
    beam.eye = m_view.toLocal(m_view.eye);
    BatchGeometry::addBeam(batch, beam);
}

#include "graphics/render/ParticleRenderSurface.h"

#include "graphics/render/BatchGeometry.h"
#include "graphics/render/RenderView.h"

void ParticleRenderSurface::draw(StageBatch& batch, bool)
{
    BatchGeometry::addParticle(batch, m_view, m_view.toLocal(position), rotation, size, colour, alpha, age);
}

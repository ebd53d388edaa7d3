// The graphics system as the light source of the stage drawing: points of
// the camera's reference zone lit by the lighting system, and an entity's
// sphere colours worked out once per frame.
#include "graphics/GraphicsLightSource.h"
#include "graphics/GraphicsSystem.h"

#include "engine/core/Direction.h"
#include "graphics/LightingSystem.h"
#include "graphics/StageDrawer.h"
#include "graphics/render/LitEntity.h"
#include "graphics/render/RenderView.h"

Color GraphicsLightSource::lightAt(float x, float y) const
{
    LightingSystem* lighting = LightingSystem::instance();
    if (!lighting) {
        return Color(1, 1, 1);
    }
    return lighting->lightAt(ZonePosition(m_graphics.getView().referenceZone, x, y));
}

void GraphicsLightSource::sphereColours(const LitEntity& entity, bool unlit, float out[6][3])
{
    const uint32_t frame = m_graphics.getFrameNumber();
    if (entity.sphereFrame != frame) {
        LightingSystem* lighting = LightingSystem::instance();
        if (unlit || !lighting) {
            for (auto& c : entity.sphereColours) {
                c[0] = c[1] = c[2] = 1.0f;
            }
        } else {
            const ZonePosition3& p = entity.position;
            lighting->computeSphereColors(ZonePosition(p.zone, p.x, p.y),
                                          directionToVector2(entity.direction), entity.sphereColours);
        }
        entity.sphereFrame = frame;
    }
    for (int i = 0; i < 6; ++i) {
        for (int ch = 0; ch < 3; ++ch) {
            out[i][ch] = entity.sphereColours[i][ch];
        }
    }
}

void GraphicsSystem::installLightSource()
{
    m_lightSource = std::make_unique<GraphicsLightSource>(*this);
    m_stageDrawer->setLightSource(m_lightSource.get());
}

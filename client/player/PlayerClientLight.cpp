#include "client/player/PlayerClient.h"

#include "engine/core/ColorSystem.h"
#include "graphics/LightingSystem.h"

void PlayerClient::addOwnLight()
{
    LightingSystem* lighting = LightingSystem::instance();
    const Vec3& c = getLightColor();
    const Color none = ColorSystem::getColor(ColorType::Black);
    if (!lighting || getLightFalloff() <= 0.0f || (c.x == none.r && c.y == none.g && c.z == none.b)) {
        return;
    }
    lighting->addLight(m_position, Color(c.x, c.y, c.z), getLightFalloff(), 0);
}

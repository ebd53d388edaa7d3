#include "game/world/Game.h"

void Game::getWeatherAt(const ZonePosition& position, float& rain, Vec2& wind) const
{
    rain = 0.0f;
    wind = Vec2(0.0f, 0.0f);
    if (m_hooks.weatherAt) {
        m_hooks.weatherAt(position, rain, wind);
    }
}

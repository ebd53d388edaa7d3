#include "game/entities/Torch.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/GameEnums.h"
#include "game/world/Game.h"

#include <cmath>
#include <vector>

Torch::Torch()
{
    m_maxHealth = 1;
    m_health = 1;
    m_timers.add(&m_flickerTimer);
    m_flickerTimer.listed = true;
    m_timers.add(&m_weatherTimer);
    m_weatherTimer.listed = true;
}

Torch::~Torch() = default;

void Torch::loadFromDatabase()
{
    Entity::loadFromDatabase();
    const Database* db = Database::instance();
    const DatabaseEntry* entry = getEntry();
    if (!db || !entry) {
        return;
    }
    // The entity load read "LightColor" and "LightFalloff" into the light.
    m_color = m_lightColor;
    m_falloff = m_lightFalloff;
    m_flickerTime = db->getFloat(entry, "FlickerTime");
    m_flickerIntensity = db->getFloat(entry, "FlickerIntensity");
    m_flickerMaxDistance = db->getFloat(entry, "FlickerMaxDistance");
    m_weatherTime = db->getFloat(entry, "WeatherTime");
    m_maxWind = db->getFloat(entry, "MaxWind");
    m_maxRain = db->getFloat(entry, "MaxRain");
    m_effectedByFire = db->getInt(entry, "EffectedByFire") != 0;
    m_effectedByIce = db->getInt(entry, "EffectedByIce") != 0;
    m_solid = db->getInt(entry, "Solid") != 0;
    setLit(m_lit);
}

void Torch::setLit(bool lit)
{
    m_lit = lit;
    float falloff = 0.0f;
    if (lit) {
        falloff = m_flickerIntensity > 0.0f ? randomRange(m_falloff, m_flickerIntensity) : m_falloff;
    }
    m_lightFalloff = falloff;
    m_lightColor = m_color;
    if (m_flickerMaxDistance > 0.0f) {
        const float angle = randomFloat(0) * 6.2831853f;
        const float distance = randomFloat(0) * m_flickerMaxDistance;
        m_lightOffset = Vec2(std::cos(angle) * distance, std::sin(angle) * distance);
    }
}

void Torch::update(float dt)
{
    Entity::update(dt);
    playAnimation(m_lit ? "idle" : "off", 14, 1, false);
    if (m_flickerIntensity > 0.0f && (!m_flickerTimer.running || m_flickerTimer.isExpired())) {
        setLit(m_lit);
        m_flickerTimer.start(m_flickerTime);
    }
    if ((m_maxWind > 0.0f || m_maxRain > 0.0f) && m_weatherTime > 0.0f &&
        (!m_weatherTimer.running || m_weatherTimer.isExpired())) {
        checkWeather();
        m_weatherTimer.start(m_weatherTime);
    }
}

void Torch::checkWeather()
{
    Game* game = Game::instance();
    if (!game) {
        return;
    }
    float rain = 0.0f;
    Vec2 wind{0.0f, 0.0f};
    game->getWeatherAt(m_position, rain, wind);
    const float speed = std::sqrt(wind.x * wind.x + wind.y * wind.y);
    if ((m_maxRain > 0.0f && rain >= m_maxRain) || (m_maxWind > 0.0f && speed >= m_maxWind)) {
        setLit(false);
    }
}

void Torch::use(Entity* user)
{
    setLit(!m_lit);
}

void Torch::hitByDamageType(int amount, int damageType)
{
    if (amount < 0) {
        return;
    }
    if (damageType == toIndex(DamageType::Fire) && m_effectedByFire) {
        setLit(true);
    } else if (damageType == toIndex(DamageType::Cold) && m_effectedByIce) {
        setLit(false);
    }
}

int Torch::extinguishNear(const ZonePosition& position, float radius, float windSpeed)
{
    Game* game = Game::instance();
    if (!game) {
        return 0;
    }
    std::vector<Entity*> found;
    game->queryEntitiesInRadius(position, radius, false, found);
    int count = 0;
    for (Entity* entity : found) {
        auto* torch = dynamic_cast<Torch*>(entity);
        if (torch && torch->m_maxWind > 0.0f && torch->m_maxWind <= windSpeed) {
            torch->setLit(false);
            ++count;
        }
    }
    return count;
}

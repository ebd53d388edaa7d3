#pragma once

#include "engine/core/MathUtil.h"
#include "game/entities/Entity.h"
#include "game/entities/Timer.h"

// A light source in a level: flickers, is lit or put out by use, by fire and
// cold, and by rain and wind at its spot. Lit red torches open secrets.
class Torch : public Entity {
public:
    Torch();
    ~Torch() override;

    void loadFromDatabase() override;
    void update(float dt) override;
    void use(Entity* user) override;
    void hitByDamageType(int amount, int damageType) override;

    // Stores the flag, then sets falloff (flickered), colour and offset of
    // the entity light.
    void setLit(bool lit);
    bool isLit() const { return m_lit; }
    const Vec3& getColor() const { return m_color; }
    // Whether the colour's red part is above both others.
    bool isRed() const { return m_color.x > m_color.y && m_color.x > m_color.z; }
    float getMaxWind() const { return m_maxWind; }
    float getMaxRain() const { return m_maxRain; }

    // Puts out every torch within the radius whose MaxWind is above 0 and at
    // most the wind speed; the number put out.
    static int extinguishNear(const ZonePosition& position, float radius, float windSpeed);

private:
    void checkWeather();

    bool m_lit = true;
    Vec3 m_color{0.0f, 0.0f, 0.0f};
    float m_falloff = 0.0f;
    Timer m_flickerTimer;
    float m_flickerTime = 0.0f;
    float m_flickerIntensity = 0.0f;
    float m_flickerMaxDistance = 0.0f;
    Timer m_weatherTimer;
    float m_weatherTime = 0.0f;
    float m_maxWind = 0.0f;
    float m_maxRain = 0.0f;
    bool m_effectedByFire = false;
    bool m_effectedByIce = false;
};

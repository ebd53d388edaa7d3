#include "game/world/WeatherFront.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "game/world/Weather.h"

#include <cmath>

namespace {

float drawBetween(float lo, float hi)
{
    return lo + randomFloat(0) * (hi - lo);
}

bool finite(float v)
{
    return std::isfinite(v);
}

} // namespace

void WeatherFront::update(float dt)
{
    const Weather::Settings& s = m_weather->settings();
    for (Timer* timer : {&fadeUpTimer, &holdTimer, &fadeDownTimer, &changeTimer}) {
        if (timer->running) {
            timer->remaining = std::max(0.0f, timer->remaining - dt);
        }
    }
    if (holdTimer.isExpired() && fadeDownTime > 0.0f && !fadeDownTimer.running) {
        fadeDownTimer.start(fadeDownTime);
    }
    if (changeTimer.isExpired()) {
        intensity = std::min(intensity + drawBetween(s.minIntensityChange, s.maxIntensityChange),
                             s.maxFrontIntensity);
        wind.x += drawBetween(s.minWindVelocityChange, s.maxWindVelocityChange);
        wind.y += drawBetween(s.minWindVelocityChange, s.maxWindVelocityChange);
        wind = m_weather->capWind(wind, s.maxFrontWindSpeed);
        changeTimer.startRandom();
    }
    // A front nowhere keeps its slot and phases but does not move.
    if (position.zone < 0) {
        return;
    }
    ZonePosition moved = position;
    moved.addOffset(velocity.x * dt, velocity.y * dt);
    if (moved.zone < 0) {
        const float speed = vec2Length(velocity);
        Vec2 direction = randomUnitVec2();
        velocity = Vec2(direction.x * speed, direction.y * speed);
    } else {
        position = moved;
    }
}

float WeatherFront::fade() const
{
    if (fadeUpTime > 0.0f && (!fadeUpTimer.running || fadeUpTimer.remaining > 0.0f)) {
        return fadeUpTimer.running ? 1.0f - fadeUpTimer.remaining / fadeUpTime : 1.0f;
    }
    if (fadeDownTimer.running && fadeDownTime > 0.0f) {
        return fadeDownTimer.remaining / fadeDownTime;
    }
    return !holdTimer.running || holdTimer.remaining > 0.0f ? 1.0f : 0.0f;
}

void WeatherFront::addAt(const ZonePosition& point, float& total, Vec2& totalWind) const
{
    if (position.zone < 0 || point.zone < 0) {
        return;
    }
    const Vec2 local = ZonePosition::getLocal(point, position);
    const float d = std::hypot(local.x - position.x, local.y - position.y);
    float k = 0.0f;
    if (d < minDistance) {
        k = 1.0f;
    } else if (d < maxDistance) {
        k = 1.0f - (d - minDistance) / (maxDistance - minDistance);
    } else {
        return;
    }
    const float f = k * fade();
    total += f * intensity;
    totalWind.x += f * wind.x;
    totalWind.y += f * wind.y;
}

bool WeatherFront::isFinished() const
{
    return intensity <= 0.0f || fadeDownTimer.isExpired() || (holdTimer.isExpired() && fadeDownTime <= 0.0f);
}

void WeatherFront::write(ByteBuffer& out) const
{
    fadeUpTimer.write(out);
    holdTimer.write(out);
    fadeDownTimer.write(out);
    changeTimer.write(out);
    out.writeFloat(intensity);
    out.writeVec2(wind);
    out.writeFloat(fadeUpTime);
    out.writeFloat(frontTime);
    out.writeFloat(fadeDownTime);
    out.writeZonePosition(position);
    out.writeFloat(minDistance);
    out.writeFloat(maxDistance);
    out.writeVec2(velocity);
}

bool WeatherFront::read(ByteBuffer& in)
{
    if (in.remaining() < kSavedBytes) {
        in.setReadPos(in.size());
        return false;
    }
    WeatherFront f(*m_weather);
    for (Timer* timer : {&f.fadeUpTimer, &f.holdTimer, &f.fadeDownTimer, &f.changeTimer}) {
        if (!timer->read(in) || !finite(timer->min) || !finite(timer->max) || !finite(timer->duration) ||
            !finite(timer->remaining)) {
            return false;
        }
    }
    f.intensity = in.readFloat();
    f.wind = in.readVec2();
    f.fadeUpTime = in.readFloat();
    f.frontTime = in.readFloat();
    f.fadeDownTime = in.readFloat();
    f.position = in.readZonePosition();
    f.minDistance = in.readFloat();
    f.maxDistance = in.readFloat();
    f.velocity = in.readVec2();
    const float values[] = {f.intensity,   f.wind.x,       f.wind.y,     f.fadeUpTime,
                            f.frontTime,   f.fadeDownTime, f.position.x, f.position.y,
                            f.minDistance, f.maxDistance,  f.velocity.x, f.velocity.y};
    for (float v : values) {
        if (!finite(v)) {
            return false;
        }
    }
    if (!in.ok()) {
        return false;
    }
    f.position.needsNormalizing = true;
    *this = f;
    return true;
}

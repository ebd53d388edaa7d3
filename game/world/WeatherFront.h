#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"
#include "game/entities/Timer.h"

class ByteBuffer;
class Weather;

// One moving rain front: it fades up, holds, fades down, drifts in strength
// and reaches a circle of one zone around its centre.
class WeatherFront {
public:
    // Bytes of the save form: four timers and 52 bytes of values.
    static constexpr size_t kSavedBytes = 4 * 20 + 52;

    explicit WeatherFront(const Weather& weather) : m_weather(&weather) {}

    // One step: timers, the fade-down start, the random drift, the move.
    void update(float dt);
    // 0 … 1: how far the front has faded up, or down.
    float fade() const;
    // Adds what the front gives at the point (taken in the front's zone).
    void addAt(const ZonePosition& point, float& intensity, Vec2& wind) const;
    // True once the front is to be removed.
    bool isFinished() const;

    void write(ByteBuffer& out) const;
    // False (front unchanged) for a short buffer or a non-finite value.
    bool read(ByteBuffer& in);

    Timer fadeUpTimer;
    Timer holdTimer;
    Timer fadeDownTimer;
    Timer changeTimer;
    float intensity = 0.0f;
    Vec2 wind;
    float fadeUpTime = 0.0f;
    float frontTime = 0.0f;
    float fadeDownTime = 0.0f;
    ZonePosition position;
    Vec2 velocity;
    float minDistance = 0.0f;
    float maxDistance = 0.0f;

private:
    const Weather* m_weather;
};

#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"
#include "game/entities/Timer.h"

#include <memory>
#include <vector>

class ByteBuffer;
class WeatherFront;

// The world's weather: a few rain fronts that start now and then on levels
// whose area lets it rain, move, and add up to rain and wind at a point.
// Random numbers come from stream 0.
class Weather {
public:
    static constexpr int kMaxFrontsLimit = 64;

    struct Settings {
        float minFrontStartTime = 0.0f, maxFrontStartTime = 0.0f;
        int maxFronts = 0;
        float minFrontIntensity = 0.0f, maxFrontIntensity = 0.0f;
        float maxTotalIntensity = 0.0f;
        float maxFrontWindSpeed = 0.0f, maxTotalWindSpeed = 0.0f;
        float minFrontFadeUpTime = 0.0f, maxFrontFadeUpTime = 0.0f;
        float minFrontTime = 0.0f, maxFrontTime = 0.0f;
        float minFrontFadeDownTime = 0.0f, maxFrontFadeDownTime = 0.0f;
        float minIntensityChange = 0.0f, maxIntensityChange = 0.0f;
        float minWindVelocityChange = 0.0f, maxWindVelocityChange = 0.0f;
        float randomChangeTime = 0.0f;
        float minFrontSpeed = 0.0f, maxFrontSpeed = 0.0f;
        float minFrontMinDistance = 0.0f, maxFrontMinDistance = 0.0f;
        float minFrontMaxDistance = 0.0f, maxFrontMaxDistance = 0.0f;
    };

    Weather();
    ~Weather();
    Weather(const Weather&) = delete;
    Weather& operator=(const Weather&) = delete;

    // Reads the "Weather" entry; every front is dropped.
    void load();
    // The settings as given (tests); the slots are resized, fronts dropped.
    void setSettings(const Settings& settings);
    const Settings& settings() const { return m_settings; }
    void clear();

    void update(float dt);
    // Summed rain and wind at the position, capped.
    void getIntensityAt(const ZonePosition& position, float& intensity, Vec2& wind) const;
    // f32 intensity and the wind vector at the position (0, 0, 0 without one).
    void writeUpdate(ByteBuffer& out, const ZonePosition* position) const;
    // Puts out torches within the radius whose MaxWind lies in (0, windSpeed].
    static int extinguishTorches(const ZonePosition& position, float radius, float windSpeed);

    // i32 count, then each front's 132 bytes in slot order.
    void write(ByteBuffer& out) const;
    // Fronts beyond the slots are read and dropped. False (nothing changed)
    // for a short block, a count beyond the bytes left or a non-finite value.
    bool read(ByteBuffer& in);

    // Starts a front now at the position, when a slot is free (tests and the
    // step); returns it or null.
    WeatherFront* startFront(const ZonePosition& position);
    ZonePosition pickStartPosition() const;
    int getActiveFronts() const { return m_activeFronts; }
    WeatherFront* getFront(int slot) const;
    int getSlotCount() const { return static_cast<int>(m_fronts.size()); }
    const Timer& getStartTimer() const { return m_startTimer; }

    // The wind shortened to the limit (maxFrontWindSpeed for a negative one).
    Vec2 capWind(const Vec2& wind, float limit) const;

private:
    void resizeSlots();

    Settings m_settings;
    Timer m_startTimer;
    int m_activeFronts = 0;
    std::vector<std::unique_ptr<WeatherFront>> m_fronts;
};

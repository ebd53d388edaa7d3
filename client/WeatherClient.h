#pragma once

#include "engine/resources/ResourceHandle.h"
#include "game/entities/Timer.h"

#include <string>
#include <vector>

// What the player hears and sees of the server's weather: a rain loop in
// three strengths that cross-fade, lightning flashes played from brightness
// patterns, and thunder that follows each flash sooner the stronger the
// weather. Owned by the client game state, which feeds it the game section's
// intensity and wind. Its random draws use stream 4, which only the client's
// visuals use, so the simulation never depends on what is shown.
class WeatherClient {
public:
    static constexpr int kRandomStream = 4;
    static constexpr int kFirstRainSoundId = 132;
    static constexpr int kSecondRainSoundId = 133;

    WeatherClient();
    ~WeatherClient();
    WeatherClient(const WeatherClient&) = delete;
    WeatherClient& operator=(const WeatherClient&) = delete;

    // Reads the "Weather" entry; without one nothing is read.
    void load();
    void update(float seconds);
    // Plays a brightness pattern from its first letter.
    void startFlash(const std::string& pattern)
    {
        m_lightningPattern = pattern;
        m_lightningElapsed = 0.0f;
    }

    // The server's values (game section).
    void setValues(float intensity, float windX, float windY)
    {
        m_intensity = intensity;
        m_windX = windX;
        m_windY = windY;
    }
    float getIntensity() const { return m_intensity; }
    float getWindX() const { return m_windX; }
    float getWindY() const { return m_windY; }
    float getLowestSunlightMult() const { return m_lowestSunlightMult; }
    float getLightningBrightness() const { return m_lightningBrightness; }
    const std::string& getLightningPattern() const { return m_lightningPattern; }
    const Timer& getLightningTimer() const { return m_lightningTimer; }
    const std::vector<float>& getThunderDelays() const { return m_thunderDelays; }
    int getRainSoundId() const { return m_rainSoundId; }
    const ResourceHandle& getCurrentRainSound() const { return m_currentRainSound; }

    // Tuning, as the entry gives it (also for tests).
    struct Settings {
        float lowestSunlightMult = 0.0f;
        float lightRainMinIntensity = 0.0f;
        float mediumRainMinIntensity = 0.0f;
        float hardRainMinIntensity = 0.0f;
        float rainSoundFadeTime = 0.0f;
        float lightningCheckTime = 0.0f;
        float baseLightningChance = 0.0f;
        float maxLightningIntensity = 0.0f;
        float maxThunderTime = 0.0f;
        std::vector<std::string> lightningPatterns;
    };
    void setSettings(const Settings& settings);
    void setSounds(ResourceHandle light, ResourceHandle medium, ResourceHandle hard, ResourceHandle thunder);

private:
    void playRainSound(const ResourceHandle& sound, int owner);
    void stopRainSound(int owner);
    void playThunder(int owner);
    void restartLightningTimer();

    float m_lowestSunlightMult = 0.0f;
    float m_intensity = 0.0f;
    float m_windX = 0.0f;
    float m_windY = 0.0f;
    ResourceHandle m_lightRainSound, m_mediumRainSound, m_hardRainSound, m_currentRainSound, m_thunderSound;
    float m_lightRainMinIntensity = 0.0f;
    float m_mediumRainMinIntensity = 0.0f;
    float m_hardRainMinIntensity = 0.0f;
    float m_rainSoundFadeTime = 0.0f;
    int m_rainSoundId = -1;
    float m_lightningCheckTime = 0.0f;
    float m_baseLightningChance = 0.0f;
    float m_maxLightningIntensity = 0.0f;
    Timer m_lightningTimer;
    std::vector<std::string> m_lightningPatterns;
    std::string m_lightningPattern;
    float m_lightningElapsed = 0.0f;
    float m_lightningBrightness = 0.0f;
    std::vector<float> m_thunderDelays;
    float m_maxThunderTime = 0.0f;
};

// The "WeatherIntensityMult" of the area of the level the local player
// mirror stands in; 0 without a player, a level or its area.
float getCurrentAreaWeatherIntensity();

#pragma once

#include "engine/resources/Resource.h"
#include "engine/resources/ResourceHandle.h"
#include "sound/SoundBankFile.h"

#include <memory>
#include <string>
#include <vector>

// A countdown of an ambient random sound.
struct AmbientCountdown {
    bool running = false;
    bool enabled = false;
    float duration = 0.0f;
    float remaining = 0.0f;

    void start(float seconds)
    {
        running = true;
        duration = seconds;
        remaining = seconds;
    }
    // Counts down, clamping at 0.
    void advance(float seconds);
    // Started and not yet at 0.
    bool isCounting() const { return running && remaining > 0.0f; }
};

// One random sound of a level's ambience.
struct LevelRandomSound {
    ResourceHandle sound;
    float quietTime = 0.0f;     // after playing, no new check for this long
    float checkInterval = 0.0f; // seconds between two chances
    float chance = 0.0f;        // probability of playing at each check
    float minRadius = 0.0f;
    float maxRadius = 0.0f;
    AmbientCountdown quietTimer;
    AmbientCountdown checkTimer;
};

// A level's ambient sound set (".lsb"): one looping base sound and any number
// of random sounds around the listener.
class LevelSoundBankResource : public Resource {
public:
    static std::unique_ptr<LevelSoundBankResource> create(const std::string& fileName, const uint8_t* data,
                                                          size_t size);
    void apply(const LevelSoundBankFile& file);

    std::vector<std::unique_ptr<LevelRandomSound>>& getRandomSounds() { return m_randomSounds; }
    const std::string& getBaseSoundName() const { return m_baseSoundName; }
    const ResourceHandle& getBaseSound() const { return m_baseSound; }

    std::string describe() const override;

private:
    std::vector<std::unique_ptr<LevelRandomSound>> m_randomSounds;
    std::string m_baseSoundName;
    ResourceHandle m_baseSound;
};

#pragma once

#include "engine/resources/ResourceHandle.h"
#include "sound/BaseSoundResource.h"
#include "sound/SoundBankFile.h"

#include <memory>
#include <string>
#include <vector>

class SoundResource;

// A sound bank (".snd"): several sounds with distance, volume and pitch
// settings; playing it plays one of them at random.
class SoundBankResource : public BaseSoundResource {
public:
    // Parses the text and loads every named sound through the resource
    // manager.
    static std::unique_ptr<SoundBankResource> create(const std::string& fileName, const uint8_t* data,
                                                     size_t size);
    void apply(const SoundBankFile& file);

    float getMinDist() const { return m_minDist; }
    float getMaxDist() const { return m_maxDist; }
    // value + u × 2·variation − variation with u from stream 0; exactly the
    // value (nothing drawn) without variation.
    float getVolume() const;
    float getPitch() const;
    // One of the sounds (one draw of stream 0); null without sounds or when
    // the picked one is not a sound.
    SoundResource* pickSound() const;
    const std::vector<ResourceHandle>& getSounds() const { return m_sounds; }

    float getVolumeBase() const { return m_volume; }
    float getVolumeVariation() const { return m_volumeVariation; }
    float getPitchBase() const { return m_pitch; }
    float getPitchVariation() const { return m_pitchVariation; }

    std::string describe() const override;

private:
    float m_minDist = 64.0f;
    float m_maxDist = 10000.0f;
    float m_volume = 1.0f;
    float m_volumeVariation = 0.0f;
    float m_pitch = 1.0f;
    float m_pitchVariation = 0.0f;
    std::vector<ResourceHandle> m_sounds;
};

#include "sound/SoundResource.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "sound/SoundDriver.h"
#include "sound/SoundSystem.h"
#include "sound/WaveFile.h"

SoundResource::~SoundResource()
{
    // After the driver closed its device every buffer is gone already.
    if (m_buffer != 0) {
        if (SoundDriver* driver = SoundSystem::getDriver()) {
            driver->deleteBuffer(m_buffer);
        }
    }
}

std::unique_ptr<SoundResource> SoundResource::create(const std::string& fileName, const uint8_t* data,
                                                     size_t size)
{
    PcmDescription pcm;
    std::string error;
    if (!parseWave(data, size, pcm, error)) {
        debugPrint(3, "%s: %s\n", fileName.c_str(), error.c_str());
        return nullptr;
    }
    auto sound = std::make_unique<SoundResource>();
    sound->m_sampleCount = pcm.sampleCount;
    sound->m_bitsPerSample = pcm.bitsPerSample;
    sound->m_sampleRate = pcm.sampleRate;
    sound->m_stereo = pcm.channels == 2;
    if (SoundDriver* driver = SoundSystem::getDriver()) {
        sound->m_buffer = driver->createBuffer(data, size, pcm);
    }
    return sound;
}

std::string SoundResource::describe() const
{
    return formatString("%s: %d samples, %d bits, %d Hz, %s%s", getFileName().c_str(), m_sampleCount,
                        m_bitsPerSample, m_sampleRate, m_stereo ? "stereo" : "mono",
                        isPlaceholder() ? " (placeholder)" : "");
}

#pragma once

#include "sound/BaseSoundResource.h"
#include "sound/SoundDriver.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// A WAVE sound ("wav"), decoded once into a driver buffer. The file image is
// not kept; the PCM lives on in the buffer.
class SoundResource : public BaseSoundResource {
public:
    ~SoundResource() override;

    // Parses the image and, while the sound system is initialized, makes the
    // driver buffer. Null after one level-3 line "file: what is wrong".
    static std::unique_ptr<SoundResource> create(const std::string& fileName, const uint8_t* data,
                                                 size_t size);

    int getSampleCount() const { return m_sampleCount; }
    bool isStreamed() const { return m_streamed; }
    int getBitsPerSample() const { return m_bitsPerSample; }
    int getSampleRate() const { return m_sampleRate; }
    bool isStereo() const { return m_stereo; }
    unsigned getBuffer() const { return m_buffer; }

    std::string describe() const override;

protected:
    int m_sampleCount = 0;
    bool m_streamed = false;
    int m_bitsPerSample = 0;
    int m_sampleRate = 0;
    bool m_stereo = false;
    unsigned m_buffer = 0;
};

#pragma once

#include "sound/SoundResource.h"

// An Ogg Vorbis file ("ogg"), kept whole in memory (the resource manager
// hands it the image) and streamed by the driver.
class MusicResource : public SoundResource {
public:
    MusicResource() { m_streamed = true; }
    ~MusicResource() override;

    // Checks the image once: it must open, have 1 or 2 channels and give
    // data on the first fill. Null after one level-3 line otherwise.
    static std::unique_ptr<MusicResource> create(const std::string& fileName, const uint8_t* data,
                                                 size_t size);

    int getChannels() const { return m_channels; }
    // The stream handle over the kept image, made at the first call while the
    // sound system is initialized; null otherwise. Main thread.
    SoundStream* getStream();

    std::string describe() const override;

private:
    int m_channels = 0;
    SoundStream* m_stream = nullptr;
};

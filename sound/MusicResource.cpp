#include "sound/MusicResource.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "sound/OggStreamDecoder.h"
#include "sound/SoundDriver.h"
#include "sound/SoundSystem.h"

#include <array>

MusicResource::~MusicResource()
{
    // The handle is plain memory; no driver call is needed to free it.
    delete m_stream;
}

std::unique_ptr<MusicResource> MusicResource::create(const std::string& fileName, const uint8_t* data,
                                                     size_t size)
{
    // The probe opens the library for itself: resources load on the loader
    // thread, whatever the driver holds.
    VorbisFileLibrary vorbis;
    if (!vorbis.open()) {
        debugPrint(3, "%s: libvorbisfile cannot be loaded: %s\n", fileName.c_str(),
                   vorbis.getError().c_str());
        return nullptr;
    }
    OggStreamDecoder decoder;
    if (!decoder.open(vorbis, data, size)) {
        debugPrint(3, "%s: not an Ogg Vorbis stream\n", fileName.c_str());
        return nullptr;
    }
    int channels = decoder.getChannels();
    if (channels != 1 && channels != 2) {
        debugPrint(3, "%s: unsupported channel count %d (1 or 2 play)\n", fileName.c_str(), channels);
        return nullptr;
    }
    std::array<uint8_t, 4096> probe;
    if (decoder.fill(probe.data(), static_cast<int>(probe.size())) <= 0) {
        debugPrint(3, "%s: no decodable sound data\n", fileName.c_str());
        return nullptr;
    }
    auto music = std::make_unique<MusicResource>();
    music->m_channels = channels;
    music->m_stereo = channels == 2;
    music->m_sampleRate = decoder.getRate();
    music->m_bitsPerSample = 16;
    return music;
}

SoundStream* MusicResource::getStream()
{
    if (!m_stream && getImage() && !isPlaceholder()) {
        if (SoundDriver* driver = SoundSystem::getDriver()) {
            m_stream = driver->createStream(getImage(), getImageSize());
        }
    }
    return m_stream;
}

std::string MusicResource::describe() const
{
    return formatString("%s: Ogg Vorbis, %d channels, %d Hz, %zu bytes%s", getFileName().c_str(), m_channels,
                        m_sampleRate, getImageSize(), isPlaceholder() ? " (placeholder)" : "");
}

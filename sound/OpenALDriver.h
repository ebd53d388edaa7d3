#pragma once

#include "engine/console/CommandRecord.h"
#include "sound/OggStreamDecoder.h"
#include "sound/SoundDriver.h"
#include "sound/VorbisFileLibrary.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

typedef struct ALCdevice_struct ALCdevice;
typedef struct ALCcontext_struct ALCcontext;

// The sound driver on OpenAL: one output device and context, a fixed pool of
// sources, buffers made from PCM, and Ogg Vorbis streamed from memory into
// four queued buffers per streaming source.
class OpenALDriver : public SoundDriver {
public:
    static constexpr int kMaxSources = 256;
    static constexpr int kStreamBuffers = 4;
    static constexpr int kDecodeBufferSize = 44100;

    OpenALDriver();
    ~OpenALDriver() override;
    OpenALDriver(const OpenALDriver&) = delete;
    OpenALDriver& operator=(const OpenALDriver&) = delete;

    bool init() override;
    void shutdown() override;
    int getSourceCount() const override { return m_sourceCount; }
    void postInit() override {}
    void setSpeakerType(int) override {}
    float getCpuUsage() const override { return 0.0f; }
    int getPlayingSourceCount() override;
    void updateStreams() override;
    void setMasterGain(float gain) override;
    void setListener(const ZonePosition3& position) override;
    void stopSource(int source, SoundStream* stream) override;
    void stopAndDetach(int source) override;
    void setSourceGain(int source, float gain) override;
    void setSourcePosition(int source, const ZonePosition3& position) override;
    void setReferenceDistance(int source, float minDist, float maxDist) override;
    void setPitch(int source, int sampleRate, float pitch) override;
    bool isPlaying(int source) override;
    void setLooping(int source, bool loop) override;
    void setStreamLooping(int source, SoundStream* stream, bool loop) override;
    unsigned createBuffer(const uint8_t* image, size_t size, const PcmDescription& pcm) override;
    SoundStream* createStream(const uint8_t* data, size_t size) override;
    int bindBufferSource(int source, unsigned buffer) override;
    void playBuffer(int source, unsigned buffer) override;
    int bindStreamSource(int source, SoundStream* stream) override;
    void playStream(int source, SoundStream* stream) override;
    void deleteBuffer(unsigned buffer) override;
    void freeStream(SoundStream* stream) override;
    bool pause(int source) override;
    bool resume(int source) override;
    void getSourceRange(int soundClass, int& first, int& count) const override;
    bool allowsSharedStreams() const override { return true; }
    bool isPositionalClass(int soundClass) const override;

    bool isOpen() const { return m_device != nullptr; }
    // After a failed init: what failed when another sound device would fail
    // the same way (a library that cannot be loaded), naming what mends it;
    // empty when the device was the trouble.
    const std::string& getFailureBeyondDevice() const { return m_failureBeyondDevice; }

    // OpenAL's position of a sound relative to the reference point: (dx, dz,
    // min(−|dy|, −16)), so that every sound lies in front of the listener.
    static Vec3 sourcePosition(const ZonePosition3& reference, const ZonePosition3& position);
    // The listener's: (dx, dz, −|dy|), the origin at the reference point.
    static Vec3 listenerPosition(const ZonePosition3& reference, const ZonePosition3& position);

    // Playback device names (UTF-8) and the default device's name.
    static std::vector<std::string> listPlaybackDevices();
    static std::string getDefaultDeviceName();
    // The device choices for menus: ("Default device", "0"), then the first
    // two other device names with "1" and "2".
    static void fillDeviceChoices(std::vector<ListEntry>& list);

    // Test seam: open an OpenAL Soft loopback device (stereo 16-bit at the
    // rate) instead of a playback device; mixing happens in renderSamples.
    void useLoopback(int frequency) { m_loopbackRate = frequency; }
    // Test seam: the file name init opens libvorbisfile by.
    void setVorbisFileName(const std::string& name) { m_vorbisFileName = name; }
    void renderSamples(int16_t* out, int frames);

    // Inspection for tests and benchmarks.
    unsigned getSourceName(int source) const;
    size_t getFreeBufferCount() const { return m_freeBuffers.size(); }
    bool isStreaming(int source) const;
    int getStreamBufferCount(int source) const; // non-zero buffer names held
    const std::string& getDeviceName() const { return m_deviceName; }

private:
    struct SourceRecord {
        unsigned source = 0;
        unsigned buffers[kStreamBuffers] = {};
        OggStreamDecoder decoder;
        int format = 0;
        int rate = 0;
        bool streaming = false;
        bool loop = false;
        SoundStream* stream = nullptr;
    };

    bool openDevice();
    SourceRecord* record(int source) const;
    int fillOne(SourceRecord& rec);
    unsigned takeBuffer();

    ALCdevice* m_device = nullptr;
    ALCcontext* m_context = nullptr;
    int m_sourceCount = 0;
    SourceRecord* m_records = nullptr;
    uint8_t* m_decodeBuffer = nullptr;
    int m_decodeBufferSize = 0;
    std::deque<unsigned> m_freeBuffers;
    // Opened by init, closed by shutdown once no decoder is left open.
    VorbisFileLibrary m_vorbis;
    std::string m_vorbisFileName = VorbisFileLibrary::kFileName;
    std::string m_failureBeyondDevice;
    ZonePosition3 m_reference;
    std::string m_deviceName;
    int m_loopbackRate = 0;
    void* m_renderSamples = nullptr;
};

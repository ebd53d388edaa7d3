#pragma once

#include "engine/core/ZonePosition3.h"

#include <cstddef>
#include <cstdint>

// Decoded PCM as the WAVE parser describes it: the data lies inside the file
// image. The sample count covers all channels together and holds whole
// frames only.
struct PcmDescription {
    int32_t formatTag = 0; // 1 PCM, 0xFFFE extensible (PCM sub-format)
    int32_t sampleRate = 0;
    int32_t bitsPerSample = 0;
    int32_t channels = 0;
    int32_t sampleCount = 0;
    const uint8_t* data = nullptr;

    size_t byteSize() const
    {
        return static_cast<size_t>(bitsPerSample / 8) * static_cast<size_t>(sampleCount);
    }
};

// An Ogg Vorbis image in memory that a source can stream. Plain memory: the
// image belongs to the caller and must outlive every play of the handle.
struct SoundStream {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Channel classes: what kind of sound a source plays.
enum SoundClass : int {
    kSoundClassPositional = 0, // buffered, placed in the world
    kSoundClassFlat = 1,       // buffered stereo, not placed
    kSoundClassStream = 2,     // streamed, placed in the world
    kSoundClassMusic = 3       // streamed music
};

// The audio back end as the sound system and the sound resources see it:
// sources by index (0 … count − 1), buffer names and stream handles.
class SoundDriver {
public:
    virtual ~SoundDriver() = default;

    virtual bool init() = 0;
    virtual void shutdown() = 0;
    virtual int getSourceCount() const = 0;
    virtual void postInit() = 0;
    virtual void setSpeakerType(int type) = 0;
    virtual float getCpuUsage() const = 0;
    virtual int getPlayingSourceCount() = 0;
    virtual void updateStreams() = 0;
    virtual void setMasterGain(float gain) = 0;
    virtual void setListener(const ZonePosition3& position) = 0;
    virtual void stopSource(int source, SoundStream* stream) = 0;
    virtual void stopAndDetach(int source) = 0;
    virtual void setSourceGain(int source, float gain) = 0;
    virtual void setSourcePosition(int source, const ZonePosition3& position) = 0;
    virtual void setReferenceDistance(int source, float minDist, float maxDist) = 0;
    virtual void setPitch(int source, int sampleRate, float pitch) = 0;
    virtual bool isPlaying(int source) = 0;
    virtual void setLooping(int source, bool loop) = 0;
    virtual void setStreamLooping(int source, SoundStream* stream, bool loop) = 0;
    // 0 when the description has no playable format. Called on the loader
    // thread.
    virtual unsigned createBuffer(const uint8_t* image, size_t size, const PcmDescription& pcm) = 0;
    virtual SoundStream* createStream(const uint8_t* data, size_t size) = 0;
    // The source index, or -1 when the bind is refused.
    virtual int bindBufferSource(int source, unsigned buffer) = 0;
    virtual void playBuffer(int source, unsigned buffer) = 0;
    virtual int bindStreamSource(int source, SoundStream* stream) = 0;
    virtual void playStream(int source, SoundStream* stream) = 0;
    virtual void deleteBuffer(unsigned buffer) = 0;
    virtual void freeStream(SoundStream* stream) = 0;
    virtual bool pause(int source) = 0;
    virtual bool resume(int source) = 0;
    // The sources a class may use, clamped to the sources that exist.
    virtual void getSourceRange(int soundClass, int& first, int& count) const = 0;
    virtual bool allowsSharedStreams() const = 0;
    virtual bool isPositionalClass(int soundClass) const = 0;
};

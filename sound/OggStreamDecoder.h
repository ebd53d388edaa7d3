#pragma once

#include "sound/VorbisFileLibrary.h"
#include <cstddef>
#include <cstdint>

#include <vorbis/vorbisfile.h>

// Decodes an Ogg Vorbis image in memory through libvorbisfile's callbacks
// (the entry points of an open VorbisFileLibrary, which must stay open while
// the decoder is):
// 16-bit signed little-endian samples, interleaved. The read position is
// 64-bit and every read stays inside the image. A zero-filled decoder is a
// valid closed one (clear() is safe on it), so records holding one may be
// zeroed in bulk; it must not move while open (libvorbisfile keeps its
// address as the data source).
class OggStreamDecoder {
public:
    OggStreamDecoder();
    ~OggStreamDecoder();
    OggStreamDecoder(const OggStreamDecoder&) = delete;
    OggStreamDecoder& operator=(const OggStreamDecoder&) = delete;

    // Opens the image (which must outlive the decoder's use of it). False
    // when the library is not open or libvorbisfile refuses the image.
    bool open(const VorbisFileLibrary& library, const uint8_t* data, size_t size);
    void clear();
    bool isOpen() const { return m_open; }

    // Channel count and sample rate of the stream; 0 when closed.
    int getChannels() const;
    int getRate() const;

    // Decodes into the buffer until it is full or a read gives 0 or less
    // (end of data or a damaged page). Returns the bytes written.
    int fill(uint8_t* buffer, int size);
    // Back to sample 0; false when the decoder refuses.
    bool rewind();
    bool seekPcm(int64_t sample);

    int64_t getReadPosition() const { return m_position; }

    // The memory callbacks, public for tests of their bounds.
    static size_t readCallback(void* out, size_t size, size_t count, void* self);
    static int seekCallback(void* self, ogg_int64_t offset, int whence);
    static int closeCallback(void* self);
    static long tellCallback(void* self);

private:
    VorbisFileApi m_api;
    OggVorbis_File m_file;
    const uint8_t* m_data;
    size_t m_size;
    int64_t m_position;
    bool m_open;
};

#include "sound/OggStreamDecoder.h"

#include <cstdio>
#include <cstring>
#include <limits>

OggStreamDecoder::OggStreamDecoder()
{
    std::memset(&m_file, 0, sizeof m_file);
    m_data = nullptr;
    m_size = 0;
    m_position = 0;
    m_open = false;
}

OggStreamDecoder::~OggStreamDecoder()
{
    clear();
}

size_t OggStreamDecoder::readCallback(void* out, size_t size, size_t count, void* self)
{
    auto* d = static_cast<OggStreamDecoder*>(self);
    if (!d || !d->m_data || size == 0 || d->m_position < 0 ||
        static_cast<uint64_t>(d->m_position) >= d->m_size) {
        return 0;
    }
    uint64_t remain = d->m_size - static_cast<uint64_t>(d->m_position);
    uint64_t want = static_cast<uint64_t>(count);
    if (want > std::numeric_limits<uint64_t>::max() / size) {
        want = std::numeric_limits<uint64_t>::max() / size;
    }
    want *= size;
    size_t bytes = static_cast<size_t>(want < remain ? want : remain) / size * size;
    std::memcpy(out, d->m_data + d->m_position, bytes);
    d->m_position += static_cast<int64_t>(bytes);
    // libvorbisfile counts in elements of `size`; it always asks for bytes.
    return bytes / size;
}

int OggStreamDecoder::seekCallback(void* self, ogg_int64_t offset, int whence)
{
    auto* d = static_cast<OggStreamDecoder*>(self);
    if (!d || !d->m_data) {
        return -1;
    }
    const int64_t size = static_cast<int64_t>(d->m_size);
    int64_t base;
    switch (whence) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = d->m_position;
        break;
    case SEEK_END:
        base = size;
        break;
    default:
        return -1;
    }
    // A refused seek leaves the position where it was.
    if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) || base + offset < 0) {
        return -1;
    }
    d->m_position = base + offset;
    return 0;
}

int OggStreamDecoder::closeCallback(void* self)
{
    auto* d = static_cast<OggStreamDecoder*>(self);
    return d && d->m_data ? 0 : -1;
}

long OggStreamDecoder::tellCallback(void* self)
{
    auto* d = static_cast<OggStreamDecoder*>(self);
    return d && d->m_data ? static_cast<long>(d->m_position) : 0;
}

bool OggStreamDecoder::open(const VorbisFileLibrary& library, const uint8_t* data, size_t size)
{
    clear();
    if (!library.isOpen()) {
        return false;
    }
    m_api = library.api();
    m_data = data;
    m_size = size;
    m_position = 0;
    if (!data || size == 0) {
        m_data = nullptr;
        return false;
    }
    ov_callbacks callbacks;
    callbacks.read_func = readCallback;
    callbacks.seek_func = seekCallback;
    callbacks.close_func = closeCallback;
    callbacks.tell_func = tellCallback;
    if (m_api.openCallbacks(this, &m_file, nullptr, 0, callbacks) != 0) {
        // ov_open_callbacks cleans up after itself on failure; the state is
        // zeroed again so that a later clear() stays safe.
        std::memset(&m_file, 0, sizeof m_file);
        m_data = nullptr;
        m_size = 0;
        return false;
    }
    m_open = true;
    return true;
}

void OggStreamDecoder::clear()
{
    if (m_open) {
        m_api.clear(&m_file);
    }
    std::memset(&m_file, 0, sizeof m_file);
    m_open = false;
    m_data = nullptr;
    m_size = 0;
    m_position = 0;
}

int OggStreamDecoder::getChannels() const
{
    if (!m_open) {
        return 0;
    }
    vorbis_info* info = m_api.info(const_cast<OggVorbis_File*>(&m_file), -1);
    return info ? info->channels : 0;
}

int OggStreamDecoder::getRate() const
{
    if (!m_open) {
        return 0;
    }
    vorbis_info* info = m_api.info(const_cast<OggVorbis_File*>(&m_file), -1);
    return info ? static_cast<int>(info->rate) : 0;
}

int OggStreamDecoder::fill(uint8_t* buffer, int size)
{
    if (!m_open || !buffer || size <= 0) {
        return 0;
    }
    int total = 0;
    while (total < size) {
        int section = 0;
        long got =
            m_api.read(&m_file, reinterpret_cast<char*>(buffer + total), size - total, 0, 2, 1, &section);
        if (got <= 0) {
            break;
        }
        total += static_cast<int>(got);
    }
    return total;
}

bool OggStreamDecoder::rewind()
{
    return seekPcm(0);
}

bool OggStreamDecoder::seekPcm(int64_t sample)
{
    return m_open && m_api.pcmSeek(&m_file, sample) == 0;
}

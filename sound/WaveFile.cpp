#include "sound/WaveFile.h"

#include <cstring>

namespace {

constexpr uint64_t kNotFound = ~uint64_t(0);

uint32_t readU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t readU16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

// Offset of the first chunk header with that id from `pos` on. Chunks are
// 8 header bytes, the body, and a pad byte after an odd body; the walk is in
// 64 bits and stops when fewer than 8 bytes remain.
uint64_t findChunk(const uint8_t* data, uint64_t size, uint64_t pos, const char* id)
{
    while (pos + 8 <= size) {
        if (std::memcmp(data + pos, id, 4) == 0) {
            return pos;
        }
        uint64_t body = readU32(data + pos + 4);
        pos += 8 + body + (body & 1);
    }
    return kNotFound;
}

// The tail of the PCM sub-format GUID after its 16-bit format code.
const uint8_t kPcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                  0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

} // namespace

bool parseWave(const uint8_t* data, size_t size, PcmDescription& out, std::string& error)
{
    out = PcmDescription();
    if (!data || size == 0) {
        error = "empty file";
        return false;
    }
    uint64_t riff = findChunk(data, size, 0, "RIFF");
    if (riff == kNotFound || riff + 12 > size || std::memcmp(data + riff + 8, "WAVE", 4) != 0) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    uint64_t fmt = findChunk(data, size, riff + 12, "fmt ");
    if (fmt == kNotFound) {
        error = "no \"fmt \" chunk";
        return false;
    }
    uint64_t fmtSize = readU32(data + fmt + 4);
    const uint64_t body = fmt + 8;
    if (fmtSize < 16 || body + 16 > size) {
        error = "\"fmt \" chunk too short";
        return false;
    }
    int tag = readU16(data + body);
    int channels = readU16(data + body + 2);
    uint32_t rate = readU32(data + body + 4);
    int bits = readU16(data + body + 14);
    if (tag == 0xFFFE) {
        // Extensible: the sub-format GUID sits at body offset 24.
        if (fmtSize < 40 || body + 40 > size) {
            error = "extensible \"fmt \" chunk too short";
            return false;
        }
        const uint8_t* guid = data + body + 24;
        if (readU16(guid) != 1 || std::memcmp(guid + 2, kPcmGuidTail, sizeof kPcmGuidTail) != 0) {
            error = "unsupported extensible sub-format (only PCM plays)";
            return false;
        }
    } else if (tag != 1) {
        error = "unsupported format tag " + std::to_string(tag) + " (only PCM plays)";
        return false;
    }
    if (bits != 8 && bits != 16) {
        error = "unsupported " + std::to_string(bits) + "-bit samples (8 or 16 play)";
        return false;
    }
    if (channels != 1 && channels != 2) {
        error = "unsupported channel count " + std::to_string(channels) + " (1 or 2 play)";
        return false;
    }
    if (rate < 1 || rate > 192000) {
        error = "unsupported sample rate " + std::to_string(rate);
        return false;
    }
    uint64_t chunk = findChunk(data, size, body + 16, "data");
    if (chunk == kNotFound) {
        chunk = findChunk(data, size, 12, "data");
    }
    if (chunk == kNotFound) {
        error = "no \"data\" chunk";
        return false;
    }
    uint64_t dataSize = readU32(data + chunk + 4);
    if (chunk + 8 + dataSize > size) {
        error = "\"data\" chunk runs past the end of the file";
        return false;
    }
    uint64_t frameBytes = uint64_t(bits / 8) * uint64_t(channels);
    uint64_t frames = dataSize / frameBytes;
    if (frames * static_cast<uint64_t>(channels) > 0x7FFFFFFF) {
        error = "\"data\" chunk too large";
        return false;
    }
    if (frames == 0) {
        error = "\"data\" chunk holds no whole sample frame";
        return false;
    }
    out.formatTag = tag;
    out.sampleRate = static_cast<int32_t>(rate);
    out.bitsPerSample = bits;
    out.channels = channels;
    out.sampleCount = static_cast<int32_t>(frames * static_cast<uint64_t>(channels));
    out.data = data + chunk + 8;
    return true;
}

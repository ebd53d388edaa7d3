#include "sound/SoundFileWriter.h"

#include <cstring>
#include <vorbis/vorbisenc.h>

namespace {

// Little-endian stores at a position the caller has made room for.
uint8_t* store32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
    return p + 4;
}

uint8_t* store16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    return p + 2;
}

uint8_t* storeTag(uint8_t* p, const char (&tag)[5])
{
    std::memcpy(p, tag, 4);
    return p + 4;
}

void appendPage(std::vector<uint8_t>& out, const ogg_page& page)
{
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

} // namespace

std::vector<uint8_t> SoundFileWriter::makeWave(const std::vector<int16_t>& samples, int channels, int rate,
                                               int bits)
{
    const uint32_t bytesPerSample = bits == 8 ? 1 : 2;
    const uint32_t dataSize = static_cast<uint32_t>(samples.size()) * bytesPerSample;
    // The whole image is sized once and filled in place: a 44-byte header,
    // the samples, a pad byte when the data size is odd.
    constexpr size_t kHeaderBytes = 44;
    std::vector<uint8_t> out(kHeaderBytes + dataSize + (dataSize & 1), 0);
    uint8_t* p = out.data();
    p = storeTag(p, "RIFF");
    p = store32(p, 36 + dataSize + (dataSize & 1));
    p = storeTag(p, "WAVE");
    p = storeTag(p, "fmt ");
    p = store32(p, 16);
    p = store16(p, 1);
    p = store16(p, static_cast<uint16_t>(channels));
    p = store32(p, static_cast<uint32_t>(rate));
    p = store32(p, static_cast<uint32_t>(rate) * static_cast<uint32_t>(channels) * bytesPerSample);
    p = store16(p, static_cast<uint16_t>(static_cast<uint32_t>(channels) * bytesPerSample));
    p = store16(p, static_cast<uint16_t>(bits));
    p = storeTag(p, "data");
    p = store32(p, dataSize);
    for (int16_t s : samples) {
        if (bits == 8) {
            // 8-bit WAVE is unsigned.
            *p++ = static_cast<uint8_t>((s >> 8) + 128);
        } else {
            p = store16(p, static_cast<uint16_t>(s));
        }
    }
    return out;
}

bool SoundFileWriter::makeOgg(const std::vector<int16_t>& samples, int channels, int rate, float quality,
                              int serial, std::vector<uint8_t>& out)
{
    out.clear();
    if (channels < 1 || channels > 2) {
        return false;
    }
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) {
        appendPage(out, page);
    }

    const size_t frames = samples.size() / static_cast<size_t>(channels);
    const size_t chunk = 1024;
    size_t done = 0;
    bool ended = false;
    while (!ended) {
        size_t n = frames - done < chunk ? frames - done : chunk;
        if (n == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i) {
                for (int c = 0; c < channels; ++c) {
                    buffer[c][i] =
                        samples[(done + i) * static_cast<size_t>(channels) + static_cast<size_t>(c)] /
                        32768.0f;
                }
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    appendPage(out, page);
                    if (ogg_page_eos(&page)) {
                        ended = true;
                    }
                }
            }
        }
        if (n == 0) {
            while (ogg_stream_flush(&stream, &page) != 0) {
                appendPage(out, page);
            }
            ended = true;
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}

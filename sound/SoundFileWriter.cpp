#include "sound/SoundFileWriter.h"

#include <cstring>
#include <vorbis/vorbisenc.h>

namespace {

void putU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void putU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void putTag(std::vector<uint8_t>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
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
    std::vector<uint8_t> out;
    out.reserve(44 + dataSize + 1);
    putTag(out, "RIFF");
    putU32(out, 36 + dataSize + (dataSize & 1));
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    putU32(out, 16);
    putU16(out, 1);
    putU16(out, static_cast<uint16_t>(channels));
    putU32(out, static_cast<uint32_t>(rate));
    putU32(out, static_cast<uint32_t>(rate) * static_cast<uint32_t>(channels) * bytesPerSample);
    putU16(out, static_cast<uint16_t>(static_cast<uint32_t>(channels) * bytesPerSample));
    putU16(out, static_cast<uint16_t>(bits));
    putTag(out, "data");
    putU32(out, dataSize);
    for (int16_t s : samples) {
        if (bits == 8) {
            // 8-bit WAVE is unsigned.
            out.push_back(static_cast<uint8_t>((s >> 8) + 128));
        } else {
            putU16(out, static_cast<uint16_t>(s));
        }
    }
    if (dataSize & 1) {
        out.push_back(0);
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

// WAVE parsing: the layouts that must find their data, and the files that
// must be refused with a reason and without reading outside the image.
#include "sound/WaveFile.h"
#include "sound/SoundFileWriter.h"

#include <AL/al.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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

struct Layout {
    uint16_t tag = 1;
    uint16_t channels = 2;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    uint32_t fmtSize = 16;       // 16, 18 or 40
    bool pcmSubFormat = true;    // for the extensible tag
    bool listBeforeData = false; // a "LIST" chunk between "fmt " and "data"
    uint32_t oddChunk = 0;       // an odd-sized "junk" chunk of this size first
    uint32_t dataBytes = 4000;   // body of the "data" chunk
    int64_t declaredData = -1;   // size written in the header, when different
};

std::vector<uint8_t> buildWave(const Layout& l)
{
    std::vector<uint8_t> body;
    putTag(body, "WAVE");
    if (l.oddChunk) {
        putTag(body, "junk");
        putU32(body, l.oddChunk);
        body.insert(body.end(), l.oddChunk, 0x11);
        if (l.oddChunk & 1) {
            body.push_back(0);
        }
    }
    putTag(body, "fmt ");
    putU32(body, l.fmtSize);
    putU16(body, l.tag);
    putU16(body, l.channels);
    putU32(body, l.rate);
    putU32(body, l.rate * l.channels * l.bits / 8);
    putU16(body, static_cast<uint16_t>(l.channels * l.bits / 8));
    putU16(body, l.bits);
    if (l.fmtSize >= 18) {
        putU16(body, static_cast<uint16_t>(l.fmtSize - 18));
    }
    if (l.fmtSize >= 40) {
        putU16(body, l.bits);
        putU32(body, 3);
        putU16(body, l.pcmSubFormat ? 1 : 3);
        const uint8_t tail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        body.insert(body.end(), tail, tail + 14);
    }
    if (l.listBeforeData) {
        putTag(body, "LIST");
        putU32(body, 10);
        body.insert(body.end(), 10, 'x');
    }
    putTag(body, "data");
    putU32(body, l.declaredData >= 0 ? static_cast<uint32_t>(l.declaredData) : l.dataBytes);
    for (uint32_t i = 0; i < l.dataBytes; ++i) {
        body.push_back(static_cast<uint8_t>(i * 7));
    }
    std::vector<uint8_t> out;
    putTag(out, "RIFF");
    putU32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

ALenum alFormatOf(const PcmDescription& pcm)
{
    if (pcm.channels == 1) {
        return pcm.bitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    }
    return pcm.bitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

// Parses a copy of exactly `size` bytes, so ASan sees any read past it.
bool parseCopy(const std::vector<uint8_t>& image, size_t size, PcmDescription& pcm, std::string& error)
{
    std::vector<uint8_t> copy(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
    bool ok = parseWave(copy.empty() ? nullptr : copy.data(), copy.size(), pcm, error);
    if (ok) {
        size_t offset = static_cast<size_t>(pcm.data - copy.data());
        EXPECT_LE(offset + pcm.byteSize(), copy.size());
    }
    return ok;
}

TEST(WaveFileTest, SampleCountsAndFormats)
{
    PcmDescription pcm;
    std::string error;
    auto stereo = buildWave(Layout{});
    ASSERT_TRUE(parseWave(stereo.data(), stereo.size(), pcm, error)) << error;
    EXPECT_EQ(pcm.sampleCount, 2000);
    EXPECT_EQ(pcm.byteSize(), 4000u);
    EXPECT_EQ(alFormatOf(pcm), AL_FORMAT_STEREO16);
    EXPECT_EQ(pcm.sampleRate, 22050);

    // 4002 bytes are not whole 4-byte frames: rounded down.
    Layout ragged;
    ragged.dataBytes = 4002;
    auto image = buildWave(ragged);
    ASSERT_TRUE(parseWave(image.data(), image.size(), pcm, error)) << error;
    EXPECT_EQ(pcm.sampleCount, 2000);
    EXPECT_EQ(pcm.byteSize(), 4000u);

    Layout mono8;
    mono8.channels = 1;
    mono8.bits = 8;
    mono8.dataBytes = 301;
    image = buildWave(mono8);
    ASSERT_TRUE(parseWave(image.data(), image.size(), pcm, error)) << error;
    EXPECT_EQ(alFormatOf(pcm), AL_FORMAT_MONO8);
    EXPECT_EQ(pcm.sampleCount, 301);
}

TEST(WaveFileTest, FindsDataAfterLongFormatChunksPaddingAndList)
{
    for (uint32_t fmtSize : {18u, 40u}) {
        Layout l;
        l.fmtSize = fmtSize;
        l.tag = fmtSize == 40 ? 0xFFFE : 1;
        auto image = buildWave(l);
        PcmDescription pcm;
        std::string error;
        ASSERT_TRUE(parseWave(image.data(), image.size(), pcm, error)) << fmtSize << ": " << error;
        EXPECT_EQ(pcm.sampleCount, 2000);
        EXPECT_EQ(pcm.data[0], 0);
        EXPECT_EQ(pcm.data[1], 7);
    }
    Layout odd;
    odd.oddChunk = 5;
    odd.listBeforeData = true;
    auto image = buildWave(odd);
    PcmDescription pcm;
    std::string error;
    ASSERT_TRUE(parseWave(image.data(), image.size(), pcm, error)) << error;
    EXPECT_EQ(pcm.sampleCount, 2000);
    EXPECT_EQ(pcm.data[1], 7);
}

TEST(WaveFileTest, RefusesWhatDoesNotPlayWithAReason)
{
    struct Case {
        const char* what;
        Layout layout;
        const char* reason;
    };
    std::vector<Case> cases;
    Layout l;
    l.bits = 24;
    cases.push_back({"24-bit", l, "24-bit"});
    l = Layout{};
    l.tag = 2;
    cases.push_back({"ADPCM", l, "format tag 2"});
    l = Layout{};
    l.tag = 3;
    l.bits = 32;
    cases.push_back({"float", l, "format tag 3"});
    l = Layout{};
    l.tag = 7;
    l.bits = 8;
    cases.push_back({"mu-law", l, "format tag 7"});
    l = Layout{};
    l.channels = 3;
    cases.push_back({"3 channels", l, "channel count 3"});
    l = Layout{};
    l.fmtSize = 40;
    l.tag = 0xFFFE;
    l.pcmSubFormat = false;
    cases.push_back({"extensible float", l, "sub-format"});
    l = Layout{};
    l.dataBytes = 60;
    l.declaredData = 1 << 20;
    cases.push_back({"1 MB data in a short file", l, "past the end"});
    l = Layout{};
    l.rate = 0;
    cases.push_back({"rate 0", l, "sample rate"});
    for (const auto& c : cases) {
        auto image = buildWave(c.layout);
        PcmDescription pcm;
        std::string error;
        EXPECT_FALSE(parseCopy(image, image.size(), pcm, error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(pcm.data, nullptr);
    }
}

TEST(WaveFileTest, HugeChunkSizeEndsTheWalk)
{
    // 0xFFFFFFF8 would wrap a 32-bit walk back onto the same chunk.
    std::vector<uint8_t> image;
    putTag(image, "RIFF");
    putU32(image, 100);
    putTag(image, "WAVE");
    putTag(image, "junk");
    putU32(image, 0xFFFFFFF8u);
    image.resize(100, 0);
    PcmDescription pcm;
    std::string error;
    EXPECT_FALSE(parseWave(image.data(), image.size(), pcm, error));
    EXPECT_EQ(error, "no \"fmt \" chunk");
}

TEST(WaveFileTest, EveryTruncationIsRefusedOrInside)
{
    for (const Layout& l : {Layout{}, [] {
                                Layout x;
                                x.fmtSize = 40;
                                x.tag = 0xFFFE;
                                x.listBeforeData = true;
                                x.dataBytes = 33;
                                return x;
                            }()}) {
        auto image = buildWave(l);
        for (size_t size = 0; size < image.size(); ++size) {
            PcmDescription pcm;
            std::string error;
            if (!parseCopy(image, size, pcm, error)) {
                EXPECT_FALSE(error.empty()) << size;
            }
        }
    }
}

TEST(WaveFileTest, WriterOutputReadsBack)
{
    std::vector<int16_t> samples = {0, 1000, -1000, 32767, -32768, 5};
    auto image = SoundFileWriter::makeWave(samples, 2, 44100, 16);
    PcmDescription pcm;
    std::string error;
    ASSERT_TRUE(parseWave(image.data(), image.size(), pcm, error)) << error;
    ASSERT_EQ(pcm.sampleCount, 6);
    int16_t third = 0;
    std::memcpy(&third, pcm.data + 4, 2);
    EXPECT_EQ(third, -1000);
    image = SoundFileWriter::makeWave(samples, 1, 8000, 8);
    ASSERT_TRUE(parseWave(image.data(), image.size(), pcm, error)) << error;
    EXPECT_EQ(pcm.sampleCount, 6);
    EXPECT_EQ(pcm.data[3], 255); // 32767 → 127 + 128
    EXPECT_EQ(pcm.data[4], 0);   // −32768 → −128 + 128
}

} // namespace

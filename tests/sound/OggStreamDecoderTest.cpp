// The Ogg decoder over memory: stream facts, whole decodes, rewinds, the
// bounds of its memory callbacks and images it must refuse.
#include "sound/OggStreamDecoder.h"
#include "sound/SoundFileWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

std::vector<int16_t> tone(int frames, int channels, float hz, int rate)
{
    std::vector<int16_t> samples(static_cast<size_t>(frames * channels));
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            samples[static_cast<size_t>(i * channels + c)] =
                static_cast<int16_t>(12000.0 * std::sin(2.0 * M_PI * hz * i / rate));
        }
    }
    return samples;
}

std::vector<uint8_t> makeOgg(int frames, int channels, int rate)
{
    std::vector<uint8_t> out;
    EXPECT_TRUE(
        SoundFileWriter::makeOgg(tone(frames, channels, 440.0f, rate), channels, rate, 0.3f, 77, out));
    return out;
}

// Opened once for every case; the decoders use its entry points.
const VorbisFileLibrary& vorbis()
{
    static VorbisFileLibrary library;
    if (!library.isOpen()) {
        EXPECT_TRUE(library.open()) << library.getError();
    }
    return library;
}

int decodeAll(OggStreamDecoder& decoder)
{
    std::vector<uint8_t> buffer(44100);
    int total = 0;
    for (int got; (got = decoder.fill(buffer.data(), static_cast<int>(buffer.size()))) > 0;) {
        total += got;
    }
    return total;
}

TEST(OggStreamDecoderTest, DecodesRewindsAndIsDeterministic)
{
    auto image = makeOgg(22050, 2, 44100);
    std::vector<uint8_t> again;
    ASSERT_TRUE(SoundFileWriter::makeOgg(tone(22050, 2, 440.0f, 44100), 2, 44100, 0.3f, 77, again));
    EXPECT_EQ(image, again);

    OggStreamDecoder decoder;
    ASSERT_TRUE(decoder.open(vorbis(), image.data(), image.size()));
    EXPECT_EQ(decoder.getChannels(), 2);
    EXPECT_EQ(decoder.getRate(), 44100);
    EXPECT_EQ(decodeAll(decoder), 22050 * 2 * 2);
    ASSERT_TRUE(decoder.rewind());
    EXPECT_EQ(decodeAll(decoder), 22050 * 2 * 2);
    decoder.clear();
    EXPECT_FALSE(decoder.isOpen());
    EXPECT_EQ(decoder.fill(nullptr, 10), 0);
}

TEST(OggStreamDecoderTest, RefusesWhatIsNotVorbis)
{
    OggStreamDecoder decoder;
    std::vector<uint8_t> junk(500, 0x4F);
    EXPECT_FALSE(decoder.open(vorbis(), junk.data(), junk.size()));
    EXPECT_FALSE(decoder.open(vorbis(), nullptr, 0));
    auto image = makeOgg(4000, 1, 22050);
    // Without the library nothing opens.
    VorbisFileLibrary closed;
    EXPECT_FALSE(decoder.open(closed, image.data(), image.size()));
    // Only the first page: the headers are incomplete.
    EXPECT_FALSE(decoder.open(vorbis(), image.data(), 60));
    decoder.clear();
}

TEST(OggStreamDecoderTest, CallbacksStayInsideTheImage)
{
    auto image = makeOgg(4000, 1, 22050);
    OggStreamDecoder decoder;
    ASSERT_TRUE(decoder.open(vorbis(), image.data(), image.size()));
    int64_t before = decoder.getReadPosition();
    // A refused seek leaves the position as it was.
    EXPECT_EQ(OggStreamDecoder::seekCallback(&decoder, -1, SEEK_SET), -1);
    EXPECT_EQ(OggStreamDecoder::seekCallback(&decoder, -static_cast<int64_t>(image.size()) - 1, SEEK_END),
              -1);
    EXPECT_EQ(decoder.getReadPosition(), before);
    // 64-bit offsets are not cut.
    EXPECT_EQ(OggStreamDecoder::seekCallback(&decoder, int64_t(1) << 33, SEEK_SET), 0);
    EXPECT_EQ(decoder.getReadPosition(), int64_t(1) << 33);
    uint8_t byte = 0;
    EXPECT_EQ(OggStreamDecoder::readCallback(&byte, 1, 1, &decoder), 0u);
    EXPECT_EQ(OggStreamDecoder::seekCallback(&decoder, -3, SEEK_END), 0);
    uint8_t tail[16] = {};
    EXPECT_EQ(OggStreamDecoder::readCallback(tail, 1, 16, &decoder), 3u);
    EXPECT_EQ(tail[2], image.back());
    EXPECT_EQ(OggStreamDecoder::tellCallback(&decoder), static_cast<long>(image.size()));
    EXPECT_EQ(OggStreamDecoder::readCallback(tail, 1, 16, nullptr), 0u);
    EXPECT_EQ(OggStreamDecoder::seekCallback(nullptr, 0, SEEK_SET), -1);
    EXPECT_EQ(OggStreamDecoder::closeCallback(nullptr), -1);
}

TEST(OggStreamDecoderTest, DamagedPageEndsTheFill)
{
    auto image = makeOgg(5 * 44100, 1, 44100);
    // Break a page in the middle: its checksum fails, and the decoder reports
    // a hole there, which ends the fill.
    for (size_t i = image.size() * 3 / 4; i < image.size() * 3 / 4 + 64; ++i) {
        image[i] ^= 0x5A;
    }
    OggStreamDecoder decoder;
    ASSERT_TRUE(decoder.open(vorbis(), image.data(), image.size()));
    int total = decodeAll(decoder);
    EXPECT_GT(total, 0);
    EXPECT_LT(total, 5 * 44100 * 2);
    // Cut in half the image is refused or decodes less than the whole.
    auto cut = makeOgg(44100, 1, 44100);
    cut.resize(cut.size() / 2);
    OggStreamDecoder second;
    if (second.open(vorbis(), cut.data(), cut.size())) {
        EXPECT_LT(decodeAll(second), 44100 * 2);
    }
}

} // namespace

#include "graphics/codecs/S3tc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

void fill(uint8_t block[16][4], uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    for (int i = 0; i < 16; ++i) {
        block[i][0] = r;
        block[i][1] = g;
        block[i][2] = b;
        block[i][3] = a;
    }
}

const bool kAll[16] = {true, true, true, true, true, true, true, true,
                       true, true, true, true, true, true, true, true};

} // namespace

TEST(S3tc, OneColourBlockDecodesToItsColourInEveryMode)
{
    uint8_t block[16][4];
    // Exactly representable in 5:6:5 without bit replication.
    fill(block, 200, 100, 48, 255);
    for (int mode : {s3tc::Dxt1, s3tc::Dxt3, s3tc::Dxt5}) {
        uint8_t coded[16];
        s3tc::encodeBlock(block, kAll, mode, coded);
        const uint8_t* colour = mode == s3tc::Dxt1 ? coded : coded + 8;
        EXPECT_EQ(colour[0] | (colour[1] << 8), colour[2] | (colour[3] << 8)) << "both endpoints equal";
        EXPECT_EQ(colour[4] | colour[5] | colour[6] | colour[7], 0) << "all indices 0";
        uint8_t out[16][4];
        s3tc::decodeBlock(coded, mode, out);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(out[i][0], 200);
            EXPECT_EQ(out[i][1], 100);
            EXPECT_EQ(out[i][2], 48);
            EXPECT_EQ(out[i][3], 255);
        }
    }
}

TEST(S3tc, Dxt1PixelBelowHalfAlphaBecomesTransparentBlack)
{
    uint8_t block[16][4];
    fill(block, 248, 0, 0, 255);
    for (int i = 8; i < 16; ++i) {
        block[i][0] = 0;
        block[i][2] = 248;
    }
    block[5][3] = 100;
    uint8_t coded[8];
    s3tc::encodeBlock(block, kAll, s3tc::Dxt1, coded);
    uint16_t c0 = coded[0] | (coded[1] << 8), c1 = coded[2] | (coded[3] << 8);
    EXPECT_LE(c0, c1) << "three-colour mode";
    uint32_t indices = coded[4] | (coded[5] << 8) | (coded[6] << 16) | (uint32_t(coded[7]) << 24);
    EXPECT_EQ((indices >> 10) & 3, 3u);
    uint8_t out[16][4];
    s3tc::decodeBlock(coded, s3tc::Dxt1, out);
    EXPECT_EQ(out[5][0], 0);
    EXPECT_EQ(out[5][1], 0);
    EXPECT_EQ(out[5][2], 0);
    EXPECT_EQ(out[5][3], 0);
    EXPECT_EQ(out[0][0], 248);
    EXPECT_EQ(out[0][3], 255);
    EXPECT_EQ(out[15][2], 248);
}

TEST(S3tc, AlphaModesKeepTheirValues)
{
    uint8_t block[16][4];
    fill(block, 10, 20, 30, 0);
    for (int i = 0; i < 16; i += 2) {
        block[i][3] = 255;
    }
    uint8_t coded[16];
    s3tc::encodeBlock(block, kAll, s3tc::Dxt5, coded);
    EXPECT_EQ(coded[0], 0);
    EXPECT_EQ(coded[1], 255);
    uint8_t out[16][4];
    s3tc::decodeBlock(coded, s3tc::Dxt5, out);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(out[i][3], i % 2 == 0 ? 255 : 0) << i;
    }

    // DXT3: four bits per pixel, widened by repeating the nibble.
    block[3][3] = 0x7C;
    s3tc::encodeBlock(block, kAll, s3tc::Dxt3, coded);
    EXPECT_EQ(coded[1], 0x70 | (255 >> 4)); // pixels 2 (low nibble) and 3 (high nibble)
    s3tc::decodeBlock(coded, s3tc::Dxt3, out);
    EXPECT_EQ(out[3][3], 0x77);
    EXPECT_EQ(out[2][3], 255);
}

TEST(S3tc, PixelsOutsideASmallLevelTakeNoPart)
{
    // A 2 × 2 level: only entries 0, 1, 4, 5 count.
    uint8_t pixels[2 * 2 * 3] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
    uint8_t coded[8];
    s3tc::encodeLevel(pixels, 2, 2, 3, s3tc::Dxt1, coded);
    uint8_t out[2 * 2 * 4];
    std::memset(out, 7, sizeof out);
    s3tc::decodeLevel(coded, 2, 2, 4, s3tc::Dxt1, out);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(out[i * 4], 248);
        EXPECT_EQ(out[i * 4 + 1], 0);
        EXPECT_EQ(out[i * 4 + 3], 255);
    }
    EXPECT_EQ(s3tc::levelBytes(2, 2, s3tc::Dxt1), 8u);
    EXPECT_EQ(s3tc::levelBytes(8, 8, s3tc::Dxt5), 64u);
    EXPECT_EQ(s3tc::levelBytes(5, 1, s3tc::Dxt1), 16u);
}

TEST(S3tc, Dxt5SixValueAlphaPaletteRoundsToNearest)
{
    // Alpha 0 = 0, alpha 1 = 3, every index 2: (4 * 0 + 3 + 2) / 5 = 1.
    uint8_t coded[16] = {0, 3};
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        bits |= uint64_t(2) << (3 * i);
    }
    for (int k = 0; k < 6; ++k) {
        coded[2 + k] = static_cast<uint8_t>(bits >> (8 * k));
    }
    uint8_t out[16][4];
    s3tc::decodeBlock(coded, s3tc::Dxt5, out);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(out[i][3], 1) << i;
    }
}

TEST(S3tc, Dxt5BlocksDecodeToTheNearestAlphaTheyCanHold)
{
    // Every pair of block extremes, the pixels spread between them: each
    // decoded alpha must be the nearest of the eight the coded block can give,
    // so the coder and the decoder agree on the palette.
    uint8_t block[16][4];
    fill(block, 0, 0, 0, 0);
    for (int lo = 0; lo < 256; ++lo) {
        for (int hi = lo; hi < 256; hi += 1 + (hi - lo) / 8) {
            for (int i = 0; i < 16; ++i) {
                block[i][3] = static_cast<uint8_t>(lo + (hi - lo) * i / 15);
            }
            uint8_t coded[16];
            s3tc::encodeBlock(block, kAll, s3tc::Dxt5, coded);
            uint8_t out[16][4];
            s3tc::decodeBlock(coded, s3tc::Dxt5, out);
            // What each of the eight indices decodes to in this block.
            int reachable[8];
            for (int e = 0; e < 8; ++e) {
                uint8_t forced[16];
                std::memcpy(forced, coded, sizeof forced);
                uint64_t bits = 0;
                for (int i = 0; i < 16; ++i) {
                    bits |= uint64_t(e) << (3 * i);
                }
                for (int k = 0; k < 6; ++k) {
                    forced[2 + k] = static_cast<uint8_t>(bits >> (8 * k));
                }
                uint8_t one[16][4];
                s3tc::decodeBlock(forced, s3tc::Dxt5, one);
                reachable[e] = one[0][3];
            }
            for (int i = 0; i < 16; ++i) {
                int best = 256;
                for (int value : reachable) {
                    best = std::min(best, std::abs(value - block[i][3]));
                }
                ASSERT_EQ(std::abs(out[i][3] - block[i][3]), best)
                    << "extremes " << lo << ".." << hi << ", pixel " << i;
            }
        }
    }
}

TEST(S3tc, SamplerDecodingWidensEndsAndWeighsThePaletteAsTheRendererSamples)
{
    // DXT1, four colours: white (0xFFFF) to a mid colour (0x8410: 16, 32, 16).
    const uint8_t four[8] = {0xFF, 0xFF, 0x10, 0x84, 0xE4, 0, 0, 0}; // indices 0 1 2 3
    uint8_t out[16][4];
    s3tc::decodeBlock(four, s3tc::Dxt1, out, s3tc::Decoding::Sampler);
    // Replicated ends: 31 -> 255, 16 -> 132, 63 -> 255, 32 -> 130.
    const int red[4] = {255, 132, 255 + (((132 - 255) * 85) >> 8), 255 + (((132 - 255) * 170) >> 8)};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(out[i][0], red[i]) << i;
        EXPECT_EQ(out[i][3], 255) << i;
    }
    EXPECT_EQ(out[2][0], 214); // one third of the way, rounded down by the shift
    EXPECT_EQ(out[1][1], 130);
    s3tc::decodeBlock(four, s3tc::Dxt1, out, s3tc::Decoding::Cache);
    EXPECT_EQ(out[0][0], 248) << "the caches' own decoding keeps its shifted ends";

    // Three colours (first end not above the second): the middle rounds up,
    // the last is transparent black.
    const uint8_t three[8] = {0x00, 0x00, 0x01, 0x00, 0xE4, 0, 0, 0}; // blue 0 and 1 (-> 8)
    s3tc::decodeBlock(three, s3tc::Dxt1, out, s3tc::Decoding::Sampler);
    EXPECT_EQ(out[2][2], 4);
    EXPECT_EQ(out[3][2], 0);
    EXPECT_EQ(out[3][3], 0);

    // DXT5 alpha: eight steps when the first end is larger, else six and 0, 255.
    uint8_t dxt5[16] = {200, 10};
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits |= static_cast<uint64_t>(i) << (3 * i);
    }
    for (int k = 0; k < 6; ++k) {
        dxt5[2 + k] = static_cast<uint8_t>(bits >> (8 * k));
    }
    s3tc::decodeBlock(dxt5, s3tc::Dxt5, out, s3tc::Decoding::Sampler);
    for (int k = 1; k < 7; ++k) {
        EXPECT_EQ(out[1 + k][3], 200 + (((10 - 200) * (255 * k / 7)) >> 8)) << k;
    }
    std::swap(dxt5[0], dxt5[1]);
    s3tc::decodeBlock(dxt5, s3tc::Dxt5, out, s3tc::Decoding::Sampler);
    EXPECT_EQ(out[0][3], 10);
    EXPECT_EQ(out[2][3], 10 + (((200 - 10) * 51) >> 8));
    EXPECT_EQ(out[6][3], 0);
    EXPECT_EQ(out[7][3], 255);
}

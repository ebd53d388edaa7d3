#include "graphics/codecs/MipChain.h"

#include <gtest/gtest.h>

TEST(MipChain, LevelCountsAndSizes)
{
    EXPECT_EQ(mip::levelCount(256, 256), 9);
    EXPECT_EQ(mip::levelCount(64, 32), 7);
    EXPECT_EQ(mip::levelCount(100, 64), 7);
    EXPECT_EQ(mip::levelCount(1, 1), 1);
    EXPECT_EQ(mip::levelCount(0, 4), 0);
    EXPECT_EQ(mip::chainBytes(256, 64, 4, 9),
              4u * (256 * 64 + 128 * 32 + 64 * 16 + 32 * 8 + 16 * 4 + 8 * 2 + 4 * 1 + 2 * 1 + 1 * 1));
    EXPECT_EQ(mip::levelWidth(3, 1), 1);
    EXPECT_EQ(mip::levelWidth(256, 40), 1);
}

// Pixel (0, 0) of a 4 × 4 single-channel level from a hand-made pattern.
TEST(MipChain, FilterWeightsOneTwoTwoOneClampedAndWrapped)
{
    uint8_t level[16];
    for (int i = 0; i < 16; ++i) {
        level[i] = static_cast<uint8_t>(10 * i + 5); // row y, column x at 4y + x
    }
    auto at = [&](int x, int y) { return int(level[4 * y + x]); };
    const int w[4] = {1, 2, 2, 1};

    uint8_t out[4];
    mip::filterLevel(level, 4, 4, 1, true, out);
    // Clamped: columns and rows 0…2 with weights 2, 2, 1 (sum 25).
    int sum = 0;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            sum += at(x, y) * w[x + 1] * w[y + 1];
        }
    }
    EXPECT_EQ(out[0], sum / 25);

    mip::filterLevel(level, 4, 4, 1, false, out);
    // Wrapped: column and row −1 are 3; all 16 samples over 36.
    sum = 0;
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            int x = (i - 1 + 4) % 4, y = (j - 1 + 4) % 4;
            sum += at(x, y) * w[i] * w[j];
        }
    }
    EXPECT_EQ(out[0], sum / 36);
    EXPECT_NE(sum / 36, 0);
}

TEST(MipChain, ChainOfAUniformImageStaysUniformDownToOnePixel)
{
    std::vector<uint8_t> level0(8 * 2 * 3);
    for (size_t i = 0; i < level0.size(); i += 3) {
        level0[i] = 10;
        level0[i + 1] = 200;
        level0[i + 2] = 255;
    }
    for (bool clamp : {false, true}) {
        auto chain = mip::buildChain(level0.data(), 8, 2, 3, clamp);
        ASSERT_EQ(chain.size(), mip::chainBytes(8, 2, 3, 4));
        for (size_t i = 0; i < chain.size(); i += 3) {
            EXPECT_EQ(chain[i], 10);
            EXPECT_EQ(chain[i + 1], 200);
            EXPECT_EQ(chain[i + 2], 255);
        }
    }
}

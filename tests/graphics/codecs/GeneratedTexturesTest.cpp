#include "graphics/codecs/GeneratedTextures.h"

#include "CodecTestSupport.h"
#include "engine/core/Random.h"
#include "graphics/codecs/TgaImage.h"

#include <gtest/gtest.h>

namespace {

// The grey byte at (row, column) of a written 24-bit file: rows in file order.
int filePixel(const std::vector<uint8_t>& file, int width, int row, int column)
{
    return file.at(18 + (static_cast<size_t>(row) * width + column) * 3);
}

TEST(GeneratedTextures, PixelValuesOfTheStockImages)
{
    GreyImage swipe = GeneratedTextures::whiteSwipe();
    ASSERT_EQ(swipe.width, 64);
    EXPECT_EQ(swipe.at(0, 0), 0);
    EXPECT_EQ(swipe.at(63, 63), 179);
    for (int r = 0; r < 64; ++r) {
        for (int c = 0; c < 64; ++c) {
            if (r + c <= 38) {
                EXPECT_EQ(swipe.at(r, c), 0) << r << "," << c;
            } else if (r + c == 39) {
                EXPECT_EQ(swipe.at(r, c), 2) << r << "," << c;
            }
        }
    }
    GreyImage square = GeneratedTextures::swipeSquare();
    for (int c = 0; c < 64; ++c) {
        EXPECT_EQ(square.at(32, c), 130);
    }
    EXPECT_EQ(square.at(63, 5), 255);
    GreyImage star = GeneratedTextures::whiteStar();
    ASSERT_EQ(star.width, 16);
    EXPECT_EQ(star.at(8, 8), 255);
    EXPECT_EQ(star.at(0, 8), 51);
    EXPECT_EQ(star.at(0, 0), 2);
    // Every pixel is grey.
    for (size_t i = 0; i < star.pixels.size(); i += 3) {
        EXPECT_TRUE(star.pixels[i] == star.pixels[i + 1] && star.pixels[i] == star.pixels[i + 2]);
    }
}

TEST(GeneratedTextures, CommandWritesFourFilesAndOnlyTheNoiseChanges)
{
    CodecFiles f;
    Random random;
    ASSERT_TRUE(GeneratedTextures::generateTextures());
    const char* names[] = {"whiteSwipe.tga", "swipeSquare.tga", "whiteStar.tga", "noise.tga"};
    std::vector<std::vector<uint8_t>> first;
    for (const char* n : names) {
        first.push_back(f.readUser(n));
        ASSERT_FALSE(first.back().empty()) << n;
    }
    // Written from row 0 on, 24 bits, 18-byte header.
    EXPECT_EQ(first[0].size(), 18u + 64 * 64 * 3);
    EXPECT_EQ(first[0][16], 24);
    EXPECT_EQ(filePixel(first[0], 64, 63, 63), 179);
    EXPECT_EQ(filePixel(first[1], 64, 32, 10), 130);
    EXPECT_EQ(filePixel(first[2], 16, 8, 8), 255);
    for (size_t i = 18; i < first[3].size(); ++i) {
        EXPECT_GE(first[3][i], 128);
    }
    ASSERT_TRUE(GeneratedTextures::generateTextures());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f.readUser(names[i]), first[i]) << names[i];
    }
    EXPECT_NE(f.readUser(names[3]), first[3]);
    // Nothing went into the game data.
    EXPECT_FALSE(f.files->fileExists("noise.tga"));
}

} // namespace

#include "graphics/TextureTools.h"

#include "codecs/CodecTestSupport.h"
#include "engine/console/CommandSystem.h"
#include "graphics/codecs/TgaImage.h"

#include <gtest/gtest.h>

namespace {

// A 24-bit image of one colour with the key colour in its first pixel.
std::vector<uint8_t> keyedImage(int w, int h)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = 200;
        rgb[i + 1] = 100;
        rgb[i + 2] = 50;
    }
    rgb[0] = rgb[1] = rgb[2] = 170;
    return encodeTga(w, h, 3, rgb.data());
}

TEST(TextureTools, ConvertPlacesImagesInTheMiddleOfATransparentCanvas)
{
    for (int side : {30, 31}) {
        CodecFiles f;
        f.writeData("Effects/a.tga", keyedImage(side, side));
        ASSERT_TRUE(TextureTools::resizeImage("Effects/a.tga", 64, 64)) << side;
        std::vector<uint8_t> out = f.readUser("Effects/a.tga");
        TgaImage image;
        ASSERT_TRUE(readTgaImage(image, out.data(), out.size()));
        EXPECT_EQ(image.width, 64);
        EXPECT_EQ(image.bytesPerPixel, 4);
        auto pixel = [&](int x, int y) {
            return image.pixels.data() + (static_cast<size_t>(y) * 64 + x) * 4;
        };
        // (17, 17) held the key colour: transparent; its neighbour is the image.
        EXPECT_EQ(pixel(17, 17)[3], 0) << side;
        EXPECT_EQ(pixel(18, 17)[3], 255) << side;
        EXPECT_EQ(pixel(18, 17)[2], 200) << side; // B, G, R, A in the file
        EXPECT_EQ(pixel(16, 17)[3], 0) << side;
        EXPECT_EQ(pixel(17 + side - 1, 17 + side - 1)[3], 255) << side;
        EXPECT_EQ(pixel(17 + side, 17)[3], 0) << side;
        // The game data keeps the original.
        EXPECT_EQ(f.files->readFile("Effects/a.tga")->size(), keyedImage(side, side).size());
    }
}

TEST(TextureTools, ConvertRefusesToShrinkWithTheWidthMessageOnly)
{
    CodecFiles f;
    f.writeData("a.tga", keyedImage(40, 20));
    EXPECT_FALSE(TextureTools::resizeImage("a.tga", 32, 64));
    EXPECT_TRUE(f.log.contains("New width (32) smaller than old width (40) \n"));
    EXPECT_FALSE(f.log.contains("New height"));
    EXPECT_FALSE(f.files->fileExists("a.tga", true));
    // Not a Targa at all: a line, nothing written.
    f.dir.write("data/b.tga", "not an image");
    EXPECT_FALSE(TextureTools::resizeImage("b.tga", 64, 64));
    EXPECT_TRUE(f.log.contains("b.tga: not a Targa image", 2));
}

TEST(TextureTools, DirectoryConversionNumbersTheFiles)
{
    CodecFiles f;
    for (int i = 0; i < 3; ++i) {
        f.writeData("Effects/fire/fire00" + std::to_string(i) + ".tga", keyedImage(8, 8));
    }
    EXPECT_EQ(TextureTools::convertTextureDirectory("Effects", "fire", 3, 16, 16), 3);
    EXPECT_TRUE(f.files->fileExists("Effects/fire/fire002.tga", true));
}

TEST(TextureTools, CompressAndUncompressTakeTheirFile)
{
    CodecFiles f;
    CommandSystem commands;
    TextureTools::registerCommands(commands);
    commands.execute("compressTexture", nullptr, false, false);
    EXPECT_TRUE(f.log.contains("usage: compressTexture"));
    f.writeData("Textures/t.tga", encodeTga(8, 8, 3, patternPixels(8, 8, 3).data()));
    commands.execute("compressTexture Textures/t.tga", nullptr, false, false);
    EXPECT_TRUE(f.files->fileExists("TextureCache/Textures/t.ctx", true));
    commands.execute("uncompressTexture Textures/t.ctx", nullptr, false, false);
    std::vector<uint8_t> back = f.readUser("Textures/t-test.tga");
    TgaImage image;
    ASSERT_TRUE(readTgaImage(image, back.data(), back.size()));
    EXPECT_EQ(image.width, 8);
}

TEST(TextureTools, UsageCounts)
{
    EXPECT_EQ(TextureTools::textureUsageBytes(256, 256, 32, true, false), 348651u);
    EXPECT_EQ(TextureTools::textureUsageBytes(256, 256, 32, true, true), 87162u);
    EXPECT_EQ(TextureTools::textureUsageBytes(256, 256, 24, false, false), 196608u);
    EXPECT_EQ(TextureTools::textureUsageBytes(256, 256, 24, true, true), 261488u / 6);
}

} // namespace

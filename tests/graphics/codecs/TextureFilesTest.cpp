#include "graphics/codecs/CodecFiles.h"
#include "graphics/codecs/CodecTestSupport.h"
#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/TextureCtx.h"
#include "graphics/codecs/TextureFile.h"
#include "graphics/codecs/TextureRtx.h"
#include "graphics/codecs/TgaImage.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> tgaFile(int width, int height, int depth, int idLength = 0, int type = 2,
                             int colorMap = 0)
{
    TgaHeader h;
    h.idLength = static_cast<uint8_t>(idLength);
    h.colorMapType = static_cast<uint8_t>(colorMap);
    h.imageType = static_cast<uint8_t>(type);
    h.width = static_cast<uint16_t>(width);
    h.height = static_cast<uint16_t>(height);
    h.pixelDepth = static_cast<uint8_t>(depth);
    std::vector<uint8_t> out;
    h.write(out);
    out.resize(out.size() + idLength, 0xEE);
    auto pixels = patternPixels(width, height, depth / 8);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

} // namespace

TEST(TgaFiles, SizeChecksCountTheIdFieldAndRefuseHugeSizes)
{
    TgaHeader h;
    auto file = tgaFile(64, 32, 24);
    ASSERT_EQ(file.size(), 6162u);
    EXPECT_EQ(checkTga(file.data(), file.size(), h), 0);
    EXPECT_EQ(checkTga(file.data(), 6161, h), kTgaShortData);

    auto withId = tgaFile(4, 4, 32, 10);
    EXPECT_EQ(checkTga(withId.data(), withId.size(), h), 0);
    EXPECT_EQ(h.pixelOffset(), 28u);
    EXPECT_EQ(checkTga(withId.data(), withId.size() - 1, h), kTgaShortData);

    auto rle = tgaFile(4, 4, 24, 0, 10, 1);
    EXPECT_EQ(checkTga(rle.data(), rle.size(), h), kTgaBadType | kTgaBadColorMap);

    // A width field of 40000 is not a negative size.
    auto wide = tgaFile(1, 1, 24);
    wide[12] = 40000 & 0xFF;
    wide[13] = 40000 >> 8;
    EXPECT_EQ(checkTga(wide.data(), wide.size(), h), kTgaBadSize);
    wide[12] = wide[13] = 0;
    EXPECT_EQ(checkTga(wide.data(), wide.size(), h), kTgaBadSize);
    EXPECT_EQ(checkTga(wide.data(), 17, h), kTgaShortData);
    auto sixteen = tgaFile(2, 2, 16);
    EXPECT_EQ(checkTga(sixteen.data(), sixteen.size(), h), kTgaBadDepth);
}

TEST(TgaFiles, ReaderSkipsTheIdFieldAndWriterRoundTrips)
{
    CodecFiles fs;
    auto withId = tgaFile(2, 1, 24, 10);
    withId[28] = 1; // B
    withId[29] = 2; // G
    withId[30] = 3; // R
    fs.writeData("Textures/id.tga", withId);
    TgaImage image;
    ASSERT_TRUE(readTgaHeader(image, "Textures/id.rtx")); // extension replaced by ".tga"
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.bytesPerPixel, 3);
    EXPECT_EQ(image.pixels[0], 1);
    swapRedBlue(image);
    EXPECT_EQ(image.pixels[0], 3);
    EXPECT_EQ(image.pixels[2], 1);

    auto rgba = patternPixels(3, 2, 4);
    ASSERT_TRUE(writeTga(3, 2, 4, rgba.data(), "out/a.tga"));
    auto written = fs.readUser("out/a.tga");
    ASSERT_EQ(written.size(), 18u + 24u);
    EXPECT_EQ(written[2], 2);
    EXPECT_EQ(written[16], 32);
    EXPECT_EQ(written[17], 0);
    EXPECT_EQ(written[18], rgba[2]); // stored B, G, R, A
    EXPECT_EQ(written[20], rgba[0]);
    EXPECT_EQ(written[21], rgba[3]);
    EXPECT_FALSE(writeTga(0, 2, 4, rgba.data(), "out/b.tga"));
    EXPECT_FALSE(readTgaHeader(image, "missing.tga"));
}

TEST(RtxFiles, TargaToRtxAndBackGivesTheSameBytes)
{
    CodecFiles fs;
    fs.writeData("Textures/wall.tga", tgaFile(16, 8, 32));
    TgaImage image;
    ASSERT_TRUE(readTgaHeader(image, "Textures/wall.tga"));
    swapRedBlue(image);
    buildMipChain(image);
    EXPECT_EQ(image.levelCount, 5);
    ASSERT_TRUE(writeRtxFile(image, "Textures/wall.tga"));

    // The file system reads user files only with the flag; copy it across.
    fs.writeData("Textures/wall.rtx", fs.readUser("Textures/wall.rtx"));
    TextureRtx rtx;
    ASSERT_TRUE(rtx.load("Textures/wall"));
    EXPECT_EQ(rtx.width, 16);
    EXPECT_EQ(rtx.height, 8);
    EXPECT_EQ(rtx.bytesPerPixel, 4);
    EXPECT_EQ(rtx.levelCount, 5);
    EXPECT_EQ(rtx.mipChain, image.mipChain);

    // TextureRtx's own path: Targa → chain → save → load.
    TextureRtx source;
    ASSERT_TRUE(source.loadTga("Textures/wall"));
    source.swapRedBlue();
    source.buildMipChain();
    ASSERT_TRUE(source.save("copy.rtx"));
    EXPECT_EQ(fs.readUser("copy.rtx"), fs.readUser("Textures/wall.rtx"));
}

TEST(RtxFiles, HeaderValidation)
{
    std::vector<uint8_t> chain(mip::chainBytes(8, 8, 3, 4));
    auto file = encodeRtx(8, 8, 3, 4, chain);
    RtxHeader h;
    std::string why;
    EXPECT_TRUE(parseRtxHeader(file.data(), file.size(), h, why));
    EXPECT_FALSE(parseRtxHeader(file.data(), file.size() - 1, h, why));
    EXPECT_EQ(why, "cut short");
    auto tooMany = encodeRtx(8, 8, 3, 5, chain);
    EXPECT_FALSE(parseRtxHeader(tooMany.data(), tooMany.size(), h, why));
    auto none = encodeRtx(8, 8, 3, 0, chain);
    EXPECT_FALSE(parseRtxHeader(none.data(), none.size(), h, why));
    auto odd = encodeRtx(8, 8, 7, 1, chain); // bytes per pixel other than 4 read as 3
    EXPECT_TRUE(parseRtxHeader(odd.data(), odd.size(), h, why));
    EXPECT_EQ(h.bytesPerPixel, 3);
    EXPECT_FALSE(parseRtxHeader(file.data(), 15, h, why));
}

TEST(CtxFiles, SizesLevelsAndTail)
{
    CodecFiles fs;
    int levels = mip::levelCount(256, 256);
    auto level0 = patternPixels(256, 256, 3);
    auto chain = mip::buildChain(level0.data(), 256, 256, 3, false);
    TextureCtx ctx;
    ASSERT_TRUE(ctx.save(chain.data(), 3, 256, 256, levels, "big.ctx"));
    EXPECT_EQ(fs.readUser("big.ctx").size(), 43787u);
    EXPECT_EQ(20u + 8u * 5463u + 63u, 43787u);

    auto small = patternPixels(64, 32, 4);
    auto smallChain = mip::buildChain(small.data(), 64, 32, 4, false);
    ASSERT_TRUE(ctx.save(smallChain.data(), 4, 64, 32, 7, "small.ctx"));
    auto bytes = fs.readUser("small.ctx");
    CtxHeader h;
    std::string why;
    ASSERT_TRUE(parseCtxHeader(bytes.data(), bytes.size(), h, why));
    EXPECT_EQ(h.levels, 7);
    EXPECT_EQ(h.tailPixels, 0u);
    EXPECT_EQ(h.mode, 2);
    EXPECT_EQ(bytes.size(), 20u + h.blockBytes);
    EXPECT_EQ(std::string(bytes.begin() + 16, bytes.begin() + 20), "DXT5");

    std::vector<uint8_t> hundred(100 * 64 * 3);
    EXPECT_FALSE(ctx.save(hundred.data(), 3, 100, 64, 7, "npot.ctx"));
    EXPECT_TRUE(fs.readUser("npot.ctx").empty());
}

TEST(CtxFiles, DecodeFollowsTheCodeAndIgnoresTheTail)
{
    CodecFiles fs;
    // A one-colour 8 × 8 RGBA texture survives compression exactly.
    std::vector<uint8_t> level0(8 * 8 * 4);
    for (size_t i = 0; i < level0.size(); i += 4) {
        level0[i] = 200;
        level0[i + 1] = 100;
        level0[i + 2] = 48;
        level0[i + 3] = 255;
    }
    auto chain = mip::buildChain(level0.data(), 8, 8, 4, false);
    TextureCtx ctx;
    ASSERT_TRUE(ctx.save(chain.data(), 4, 8, 8, 4, "Textures/c.ctx", 1));
    fs.writeData("Textures/c.ctx", fs.readUser("Textures/c.ctx"));
    TextureCtx loaded;
    ASSERT_TRUE(loaded.load("Textures/c"));
    EXPECT_EQ(loaded.mode, 1);
    EXPECT_EQ(loaded.width, 8);
    EXPECT_EQ(loaded.levelCount, 4);
    EXPECT_EQ(loaded.mipChain, chain);

    auto bytes = fs.readUser("Textures/c.ctx");
    bytes[0] = 0; // height 0
    bytes[1] = 0;
    EXPECT_FALSE(loaded.decode(bytes.data(), bytes.size()));
    EXPECT_TRUE(loaded.mipChain.empty());
    EXPECT_FALSE(loaded.load("nothing.ctx"));
}

TEST(TextureDecode, TargaFilesForTheResource)
{
    LogCapture log;
    DecodedTexture t;
    auto file = tgaFile(64, 32, 24);
    ASSERT_TRUE(decodeTgaTexture(file.data(), file.size(), "a.tga", t));
    EXPECT_EQ(t.width, 64);
    EXPECT_EQ(t.levels, 1);
    EXPECT_EQ(t.format, DecodedTexture::Format::Rgb);
    EXPECT_EQ(t.data[0], file[20]); // R from the file's third byte
    EXPECT_EQ(t.data[2], file[18]);

    EXPECT_FALSE(decodeTgaTexture(file.data(), 6161, "short.tga", t));
    EXPECT_TRUE(log.contains("Not enough pixel data in file short.tga\n", 3));

    auto rle = tgaFile(4, 4, 24, 0, 10, 1);
    log.clear();
    EXPECT_FALSE(decodeTgaTexture(rle.data(), rle.size(), "rle.tga", t));
    EXPECT_TRUE(log.contains("Incorrect image type in file rle.tga\n", 3));
    EXPECT_TRUE(log.contains("Incorrect color map type in file rle.tga\n", 3));

    auto wide = tgaFile(1, 1, 24);
    wide[12] = 40000 & 0xFF;
    wide[13] = 40000 >> 8;
    log.clear();
    EXPECT_FALSE(decodeTgaTexture(wide.data(), wide.size(), "wide.tga", t));
    EXPECT_TRUE(log.contains("Incorrect image size in file wide.tga\n", 3));

    auto withId = tgaFile(2, 2, 32, 10);
    ASSERT_TRUE(decodeTgaTexture(withId.data(), withId.size(), "id.tga", t));
    EXPECT_EQ(t.data[0], withId[28 + 2]);
    auto kept = makeNormalisedTga(t);
    ASSERT_EQ(kept.size(), 18u + 16u);
    EXPECT_EQ(kept[0], 0);           // no ID field
    EXPECT_EQ(kept[17], 0);          // descriptor 0
    EXPECT_EQ(kept[18], withId[30]); // R first
    EXPECT_EQ(kept[21], withId[31]);
}

TEST(TextureDecode, CachesFillTheSmallLevels)
{
    LogCapture log;
    DecodedTexture t;
    std::vector<uint8_t> square(mip::chainBytes(256, 256, 3, 9), 9);
    auto rtx = encodeRtx(256, 256, 3, 9, square);
    ASSERT_TRUE(decodeRtxTexture(rtx.data(), rtx.size(), "a.rtx", t));
    for (int i = 0; i < 3; ++i) {
        int side = 4 >> i;
        ASSERT_EQ(t.smallLevels[i].size(), size_t(side * side * 4)) << i;
        EXPECT_EQ(t.smallLevels[i][0], 9);
        EXPECT_EQ(t.smallLevels[i][3], 255);
    }
    std::vector<uint8_t> wide(mip::chainBytes(256, 128, 3, 9), 9);
    auto rtxWide = encodeRtx(256, 128, 3, 9, wide);
    ASSERT_TRUE(decodeRtxTexture(rtxWide.data(), rtxWide.size(), "b.rtx", t));
    for (const auto& level : t.smallLevels) {
        EXPECT_TRUE(level.empty());
    }
    EXPECT_FALSE(decodeRtxTexture(rtx.data(), rtx.size() - 100, "cut.rtx", t));
    EXPECT_TRUE(log.contains("cut.rtx", 3));

    // ".ctx": the code picks the format; a 2 × 2 texture has a 5-pixel tail.
    std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    auto ctx = TextureCtx::encode(pixels.data(), 3, 2, 2, 2, 1);
    ASSERT_TRUE(decodeCtxTexture(ctx.data(), ctx.size(), "t.ctx", t));
    EXPECT_EQ(t.format, DecodedTexture::Format::Dxt3);
    EXPECT_EQ(t.pixelDepth, 32);
    EXPECT_EQ(t.smallLevels[0].size(), 0u);
    ASSERT_EQ(t.smallLevels[1].size(), 16u);
    ASSERT_EQ(t.smallLevels[2].size(), 4u);
    EXPECT_EQ(t.smallLevels[1][4], 4);
    EXPECT_EQ(t.smallLevels[1][7], 255);
    EXPECT_EQ(t.smallLevels[2][0], 13);
    ctx[19] = '9';
    ASSERT_TRUE(decodeCtxTexture(ctx.data(), ctx.size(), "t.ctx", t));
    EXPECT_EQ(t.format, DecodedTexture::Format::Dxt5);
    EXPECT_FALSE(decodeCtxTexture(ctx.data(), ctx.size() - 1, "t.ctx", t));

    auto missing = makeMissingTextureImage();
    ASSERT_EQ(missing.data.size(), 16u * 16u * 3u);
    auto pixel = [&](int row, int column) { return &missing.data[(row * 16 + column) * 3]; };
    EXPECT_EQ(pixel(3, 3)[1], 0);
    EXPECT_EQ(pixel(3, 13)[1], 0);
    EXPECT_EQ(pixel(3, 13)[0], 255);
    EXPECT_EQ(pixel(3, 4)[1], 255);
    EXPECT_EQ(pixel(0, 0)[1], 0);
}

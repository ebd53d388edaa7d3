#include "graphics/TextureResource.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/codecs/CodecTestSupport.h"
#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/TextureRtx.h"

#include <gtest/gtest.h>

namespace {

// Texture types over a file system, without a display: decoded, not uploaded.
class TextureResourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resources.readThroughFileSystem();
        TextureResource::registerTypes(resources);
    }
    TextureResource* texture(const ResourceHandle& h) { return resources.getAs<TextureResource>(h); }
    size_t problemLines() const { return fs.log.count(2) + fs.log.count(3); }

    CodecFiles fs;
    ResourceSystem resources;
};

std::vector<uint8_t> tga(int width, int height, int depth)
{
    std::vector<uint8_t> pixels = patternPixels(width, height, depth / 8);
    return encodeTga(width, height, depth / 8, pixels.data());
}

} // namespace

TEST_F(TextureResourceTest, TargaLoadsOrBecomesThePlaceholder)
{
    auto file = tga(64, 32, 24);
    ASSERT_EQ(file.size(), 6162u);
    fs.writeData("Textures/ok.tga", file);
    file.pop_back();
    fs.writeData("Textures/short.tga", file);

    ResourceHandle ok = resources.load("Textures/ok.tga");
    ASSERT_NE(texture(ok), nullptr);
    EXPECT_FALSE(texture(ok)->isPlaceholder());
    EXPECT_EQ(texture(ok)->width, 64);
    EXPECT_EQ(texture(ok)->pixelDepth, 24);
    EXPECT_FALSE(texture(ok)->keepsImage());

    ResourceHandle bad = resources.load("Textures/short.tga");
    ASSERT_NE(texture(bad), nullptr);
    EXPECT_TRUE(texture(bad)->isPlaceholder());
    EXPECT_EQ(texture(bad)->width, 16);
    EXPECT_TRUE(fs.log.contains("Not enough pixel data in file Textures/short.tga\n", 3));
}

TEST_F(TextureResourceTest, KeepFlagKeepsTheNormalisedImage)
{
    TgaHeader h;
    h.idLength = 3;
    h.imageType = 2;
    h.width = 1;
    h.height = 1;
    h.pixelDepth = 32;
    h.descriptor = 8;
    std::vector<uint8_t> file;
    h.write(file);
    file.insert(file.end(), {'i', 'd', '!', 30, 20, 10, 40}); // B, G, R, A
    fs.writeData("cursor.tga", file);
    ResourceHandle c = resources.load("cursor.tga", ResourceSystem::kKeepImage);
    ASSERT_NE(texture(c), nullptr);
    ASSERT_TRUE(texture(c)->keepsImage());
    ASSERT_EQ(texture(c)->getImageSize(), 22u);
    const uint8_t* image = texture(c)->getImage();
    EXPECT_EQ(image[0], 0);
    EXPECT_EQ(image[17], 0);
    EXPECT_EQ(image[16], 32);
    EXPECT_EQ(image[18], 10);
    EXPECT_EQ(image[19], 20);
    EXPECT_EQ(image[20], 30);
    EXPECT_EQ(image[21], 40);
}

TEST_F(TextureResourceTest, CachesComeFromTheUserDirectoryAndFallBackToTheTarga)
{
    std::vector<uint8_t> chain(mip::chainBytes(8, 8, 3, 4), 1);
    auto rtx = encodeRtx(8, 8, 3, 4, chain);
    // The cache in the user directory wins over one in the game data.
    fs.dir.write("user/TextureCache/Textures/a.rtx", std::string(rtx.begin(), rtx.end()));
    fs.writeData("Textures/a.rtx", encodeRtx(4, 4, 3, 3, std::vector<uint8_t>(mip::chainBytes(4, 4, 3, 3))));
    fs.writeData("Textures/a.tga", tga(2, 2, 24));
    ResourceHandle a = resources.load("Textures/a.rtx");
    ASSERT_NE(texture(a), nullptr);
    EXPECT_EQ(texture(a)->width, 8);
    EXPECT_EQ(texture(a)->smallLevels[0].size(), 64u);

    // A cache cut short: one line, and the Targa under the cache's name.
    rtx.resize(rtx.size() - 10);
    fs.dir.write("user/TextureCache/Textures/b.rtx", std::string(rtx.begin(), rtx.end()));
    fs.writeData("Textures/b.tga", tga(2, 4, 32));
    size_t before = problemLines();
    ResourceHandle b = resources.load("Textures/b.rtx");
    ASSERT_NE(texture(b), nullptr);
    EXPECT_FALSE(texture(b)->isPlaceholder());
    EXPECT_EQ(texture(b)->height, 4);
    EXPECT_EQ(texture(b)->getFileName(), "Textures/b.rtx");
    EXPECT_EQ(problemLines() - before, 1u);
    EXPECT_TRUE(fs.log.contains("Damaged texture file Textures/b.rtx", 3));

    // No cache: the Targa. Neither: the placeholder.
    fs.writeData("Textures/c.tga", tga(4, 2, 24));
    ResourceHandle c = resources.load("Textures/c.ctx");
    ASSERT_NE(texture(c), nullptr);
    EXPECT_EQ(texture(c)->width, 4);
    ResourceHandle d = resources.load("Textures/d.ctx");
    ASSERT_NE(texture(d), nullptr);
    EXPECT_TRUE(texture(d)->isPlaceholder());
    EXPECT_EQ(texture(d)->width, 16);
}

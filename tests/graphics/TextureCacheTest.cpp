#include "graphics/TextureCache.h"

#include "codecs/CodecTestSupport.h"
#include "graphics/codecs/TextureCtx.h"
#include "graphics/codecs/TextureRtx.h"
#include "graphics/codecs/TgaImage.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

namespace fs = std::filesystem;

class TextureCacheTest : public ::testing::Test {
protected:
    void writeTarga(const std::string& name, int w, int h, int bpp)
    {
        f.writeData(name, encodeTga(w, h, bpp, patternPixels(w, h, bpp).data()));
    }
    fs::path data(const std::string& name) const { return f.dir.path() / "data" / name; }
    fs::path user(const std::string& name) const { return f.dir.path() / "user" / name; }
    void setTime(const fs::path& p, int secondsFromNow)
    {
        fs::last_write_time(p, fs::file_time_type::clock::now() + std::chrono::seconds(secondsFromNow));
    }

    CodecFiles f;
};

TEST_F(TextureCacheTest, RtxBuildFollowsTheSourceTime)
{
    writeTarga("Textures/a.tga", 16, 8, 3);
    EXPECT_EQ(TextureCache::buildRtxFiles(), 1);
    fs::path cache = user("TextureCache/Textures/a.rtx");
    ASSERT_TRUE(fs::exists(cache));
    // The source is older than its cache: nothing to do.
    setTime(data("Textures/a.tga"), -100);
    EXPECT_EQ(TextureCache::buildRtxFiles(), 0);
    // Touched later: built again.
    setTime(data("Textures/a.tga"), 100);
    EXPECT_EQ(TextureCache::buildRtxFiles(), 1);
    TextureRtx rtx;
    std::vector<uint8_t> bytes = f.readUser("TextureCache/Textures/a.rtx");
    ASSERT_TRUE(rtx.decode(bytes.data(), bytes.size()));
    EXPECT_EQ(rtx.width, 16);
    EXPECT_EQ(rtx.levelCount, 5);
    // Red and blue swapped into the cache's R, G, B order.
    std::vector<uint8_t> source = patternPixels(16, 8, 3);
    EXPECT_EQ(rtx.pixels[0], source[0]);
}

TEST_F(TextureCacheTest, CtxSourceGivesAnRtxAndOddSizesGetNoCtx)
{
    std::vector<uint8_t> pixels = patternPixels(8, 8, 4);
    f.writeData("Textures/c.ctx", TextureCtx::encode(pixels.data(), 4, 8, 8, 1, 2));
    writeTarga("Textures/odd.tga", 100, 64, 3);
    EXPECT_EQ(TextureCache::buildRtxFiles(), 2);
    std::vector<uint8_t> decoded = f.readUser("TextureCache/Textures/c.rtx");
    TextureRtx rtx;
    ASSERT_TRUE(rtx.decode(decoded.data(), decoded.size()));
    EXPECT_EQ(rtx.width, 8);
    EXPECT_EQ(rtx.bytesPerPixel, 4);
    EXPECT_EQ(rtx.levelCount, 4); // a new chain from the decoded level 0
    EXPECT_TRUE(fs::exists(user("TextureCache/Textures/odd.rtx")));

    TextureCache::buildCtxFiles();
    EXPECT_TRUE(f.log.contains("Failed to compress/save texture TextureCache/Textures/odd.ctx\n", 3));
    EXPECT_FALSE(fs::exists(user("TextureCache/Textures/odd.ctx")));
    // Caches in the user directory are no sources: only the Targa was tried.
    EXPECT_FALSE(f.log.contains("Textures/c.ctx"));
}

TEST_F(TextureCacheTest, GameDataStaysUntouchedAndUserFilesAreNoSources)
{
    writeTarga("Textures/a.tga", 8, 8, 3);
    // A Targa in the user directory (a screenshot, say) is no source.
    f.dir.write("user/Screenshots/ss0000.tga",
                std::string(encodeTga(8, 8, 3, patternPixels(8, 8, 3).data()).size(), 'x'));
    std::vector<std::string> before;
    for (auto& e : fs::recursive_directory_iterator(f.dir.path() / "data")) {
        before.push_back(e.path().string());
    }
    TextureCache::buildRtxFiles();
    TextureCache::buildCtxFiles();
    std::vector<std::string> after;
    for (auto& e : fs::recursive_directory_iterator(f.dir.path() / "data")) {
        after.push_back(e.path().string());
    }
    EXPECT_EQ(before, after);
    EXPECT_TRUE(fs::exists(user("TextureCache/Textures/a.ctx")));
    EXPECT_FALSE(fs::exists(user("TextureCache/Screenshots/ss0000.rtx")));
}

TEST(TextureCacheSources, AUserDirectoryInsideTheDataIsSkipped)
{
    TempDir dir;
    dir.write("data/Textures/a.tga", "x");
    dir.write("data/User/TextureCache/Textures/b.tga", "x");
    LogCapture log;
    FileSystem files(dir.file("data"), dir.file("data/User"), false);
    EXPECT_EQ(TextureCache::listSources("tga"), std::vector<std::string>{"Textures/a.tga"});
}

} // namespace

// Runs the image generator (tools/gen/texgen.cpp) on small descriptions.
#include "graphics/codecs/TgaImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

ToolRun runTexgen(const TempDir& dir, const std::string& description)
{
    return runGenerator("texgen", dir, "desc.texsrc", description);
}

TEST(TexgenTool, DrawsTopDownIntoBottomFirstTargaFiles)
{
    TempDir dir;
    ToolRun run = runTexgen(dir, "# a test\n"
                                 "image Textures/t.tga 4 4 32\n"
                                 "rect 0 0 3 0 255 0 0      # top row red\n"
                                 "disc 3 3 0.8 0 0 255 128\n"
                                 "image grey.tga 16 16 24\n"
                                 "stock whiteStar\n");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    std::vector<uint8_t> file = readFileBytes(dir.path() / "out/Textures/t.tga");
    LogCapture log;
    TgaImage image;
    ASSERT_TRUE(readTgaImage(image, file.data(), file.size()));
    ASSERT_EQ(image.width, 4);
    ASSERT_EQ(image.bytesPerPixel, 4);
    // File row 3 is the top row; pixels are B, G, R, A in the file.
    const uint8_t* top = file.data() + 18 + 3 * 4 * 4;
    EXPECT_EQ(top[2], 255);
    EXPECT_EQ(top[3], 255);
    const uint8_t* bottomRight = file.data() + 18 + 3 * 4;
    EXPECT_EQ(bottomRight[0], 255);
    EXPECT_EQ(bottomRight[3], 128);
    EXPECT_EQ(file[18 + 3], 0); // bottom-left untouched: transparent
    std::vector<uint8_t> star = readFileBytes(dir.path() / "out/grey.tga");
    ASSERT_EQ(star.size(), 18u + 16 * 16 * 3);
    EXPECT_EQ(star[18 + (8 * 16 + 8) * 3], 255);

    // Run again: the same bytes, the file is left alone.
    auto before = std::filesystem::last_write_time(dir.path() / "out/grey.tga");
    ASSERT_EQ(runTexgen(dir, "image grey.tga 16 16 24\nstock whiteStar\n").exitCode, 0);
    EXPECT_EQ(std::filesystem::last_write_time(dir.path() / "out/grey.tga"), before);
}

TEST(TexgenTool, BadLinesStopWithFileAndLine)
{
    TempDir dir;
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"fill 1 2 3\n", ":1: \"fill\" before the first image line"},
        {"image a.tga 8 8 24\nrect 0 0 x 4 1 2 3\n", ":2: \"x\" is not a number"},
        {"image a.tga 8 8 24\ndisc 1 1\n", ":2: a value is missing after \"disc\""},
        {"image a.tga 8 8 16\n", ":1: the depth is 24 or 32"},
        {"image ../a.tga 8 8 24\n", ":1: the image path must stay below the output root"},
        {"image a.tga 8 8 24\nfill 300 0 0\n", ":2: a colour byte must be a whole number"},
        {"image a.tga 8 8 24\nsparkle\n", ":2: unknown operation \"sparkle\""},
        {"image a.tga 8 8 24\nstock whiteStar\n", ":2: the stock image is 16 x 16"},
        {"image a.tga 99999 8 24\n", ":1: image sizes are whole numbers"},
        {"image a.tga 96 24 24\n", ":1: image sizes are powers of two"},
    };
    for (const Case& c : cases) {
        ToolRun run = runTexgen(dir, c.text);
        EXPECT_EQ(run.exitCode, 1) << c.text;
        EXPECT_NE(run.output.find(std::string("desc.texsrc") + c.message), std::string::npos)
            << c.text << " gave " << run.output;
    }
}

} // namespace

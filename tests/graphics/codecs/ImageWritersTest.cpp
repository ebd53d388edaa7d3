#include "graphics/codecs/ImageWriters.h"
#include "graphics/codecs/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <png.h>

namespace {

// RGB rows top first, read back with libpng's simplified API.
bool readPng(const std::vector<uint8_t>& file, int& width, int& height, std::vector<uint8_t>& rgb)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    bool ok = png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

struct JpegErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

bool readJpeg(const std::vector<uint8_t>& file, int& width, int& height, std::vector<uint8_t>& rgb)
{
    jpeg_decompress_struct info{};
    JpegErrorJump error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegErrorJump*>(c->err)->jump, 1);
    };
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    width = static_cast<int>(info.output_width);
    height = static_cast<int>(info.output_height);
    rgb.resize(static_cast<size_t>(width) * height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb.data() + static_cast<size_t>(info.output_scanline) * width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// Buffer rows bottom first: the bottom half red, the top half blue.
std::vector<uint8_t> halves(int width, int height)
{
    std::vector<uint8_t> p(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* q = &p[(static_cast<size_t>(y) * width + x) * 3];
            bool top = y >= height / 2;
            q[0] = top ? 0 : 255;
            q[2] = top ? 255 : 0;
        }
    }
    return p;
}

} // namespace

TEST(ImageWriters, PngAndJpegAreUprightAndReadBack)
{
    CodecFiles fs;
    // 798 wide: rows of 2394 bytes, not a multiple of four.
    for (int width : {798, 1}) {
        int height = width == 1 ? 1 : 6;
        auto pixels = width == 1 ? std::vector<uint8_t>{10, 200, 30} : halves(width, height);
        ASSERT_TRUE(writePng(pixels.data(), width, height, "Screenshots/a.png"));
        ASSERT_TRUE(writeJpeg(pixels.data(), width, height, "Screenshots/a.jpg"));
        int w = 0, h = 0;
        std::vector<uint8_t> rgb;
        ASSERT_TRUE(readPng(fs.readUser("Screenshots/a.png"), w, h, rgb));
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        if (width == 1) {
            EXPECT_EQ(rgb, pixels);
        } else {
            // The last buffer row is the picture's top row: blue.
            EXPECT_EQ(rgb[2], 255);
            EXPECT_EQ(rgb[0], 0);
            size_t last = (static_cast<size_t>(h - 1) * w + 797) * 3;
            EXPECT_EQ(rgb[last], 255);
            EXPECT_EQ(rgb[last + 2], 0);
        }
        ASSERT_TRUE(readJpeg(fs.readUser("Screenshots/a.jpg"), w, h, rgb));
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        if (width != 1) {
            EXPECT_GT(rgb[2], 200);
            EXPECT_LT(rgb[0], 60);
            size_t last = (static_cast<size_t>(h - 1) * w + 400) * 3;
            EXPECT_GT(rgb[last], 200);
        } else {
            EXPECT_NEAR(rgb[1], 200, 12);
        }
    }
    uint8_t pixel[3] = {};
    EXPECT_FALSE(writePng(pixel, 0, 1, "Screenshots/none.png"));
    EXPECT_FALSE(writeJpeg(nullptr, 1, 1, "Screenshots/none.jpg"));
    EXPECT_TRUE(fs.readUser("Screenshots/none.png").empty());
}

TEST(ImageWriters, NumberedNamesCountPerExtensionAndFailuresReport)
{
    {
        CodecFiles fs;
        fs.dir.write("user/Screenshots/ss0000.jpg", "x");
        fs.dir.write("user/Screenshots/ss0001.jpg", "x");
        EXPECT_EQ(fs.files->makeNumberedFileName("Screenshots/ss", "jpg"), "Screenshots/ss0002.jpg");
        EXPECT_EQ(fs.files->makeNumberedFileName("Screenshots/ss", "png"), "Screenshots/ss0000.png");
    }

    // A file where the directory should be: nothing written, false.
    CodecFiles blocked;
    blocked.dir.write("user/Screenshots", "not a directory");
    uint8_t pixel[3] = {1, 2, 3};
    EXPECT_FALSE(writePng(pixel, 1, 1, "Screenshots/ss0000.png"));
}

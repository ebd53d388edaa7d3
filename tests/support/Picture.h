#pragma once

// A screenshot read back as RGB rows, top row first, for the window tests.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <png.h>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // rows top first
    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

inline bool readPng(const std::string& path, Picture& out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    bool ok = png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

// Each channel within 1 of the expected colour.
inline void expectColour(const Picture& p, int x, int y, int r, int g, int b)
{
    const uint8_t* c = p.at(x, y);
    EXPECT_NEAR(c[0], r, 1) << "(" << x << ", " << y << ")";
    EXPECT_NEAR(c[1], g, 1) << "(" << x << ", " << y << ")";
    EXPECT_NEAR(c[2], b, 1) << "(" << x << ", " << y << ")";
}

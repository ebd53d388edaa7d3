#include "graphics/GlStageBackend.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// A right triangle from the window origin whose legs run `right` and `up`
// pixels along x and y, the texture's u along the first and v along the
// second.
struct LevelCase {
    const char* name;
    float window[3][2];
    int width, height;
    unsigned filter;
    bool fixed;
    float lod;
};

// Sides giving a level of detail of exactly `lambda` for 64 texels.
float side(double lambda)
{
    return static_cast<float>(64.0 / std::exp2(lambda));
}

TEST(GlStageBackendTest, OneLevelForAFlatTriangleOnlyWhereTheRendererWouldFindItToo)
{
    const float halfway = side(1.5), beyond = side(2.6), below = side(0.4);
    const float diagonal = 32.0f / std::sqrt(2.0f);
    const LevelCase cases[] = {
        {"two texels a pixel", {{0, 0}, {32, 0}, {0, 32}}, 64, 64, GL_LINEAR_MIPMAP_NEAREST, true, 1.0f},
        {"nearest texel filter", {{0, 0}, {32, 0}, {0, 32}}, 64, 64, GL_NEAREST_MIPMAP_NEAREST, true, 1.0f},
        {"magnified", {{0, 0}, {128, 0}, {0, 128}}, 64, 64, GL_LINEAR_MIPMAP_NEAREST, true, 0.0f},
        {"under half a level",
         {{0, 0}, {below, 0}, {0, below}},
         64,
         64,
         GL_LINEAR_MIPMAP_NEAREST,
         true,
         0.0f},
        {"rounded up", {{0, 0}, {beyond, 0}, {0, beyond}}, 64, 64, GL_LINEAR_MIPMAP_NEAREST, true, 3.0f},
        {"halfway is left alone",
         {{0, 0}, {halfway, 0}, {0, halfway}},
         64,
         64,
         GL_LINEAR_MIPMAP_NEAREST,
         false,
         0},
        {"the steeper side counts", {{0, 0}, {64, 0}, {0, 16}}, 64, 64, GL_LINEAR_MIPMAP_NEAREST, true, 2.0f},
        {"wide texture", {{0, 0}, {32, 0}, {0, 32}}, 128, 32, GL_LINEAR_MIPMAP_NEAREST, true, 2.0f},
        {"turned an eighth",
         {{0, 0}, {diagonal, diagonal}, {-diagonal, diagonal}},
         64,
         64,
         GL_LINEAR_MIPMAP_NEAREST,
         true,
         1.0f},
        {"flipped upside down", {{0, 100}, {32, 100}, {0, 68}}, 64, 64, GL_LINEAR_MIPMAP_NEAREST, true, 1.0f},
        {"degenerate", {{0, 0}, {10, 10}, {20, 20}}, 64, 64, GL_LINEAR_MIPMAP_NEAREST, false, 0},
        {"no mipmaps", {{0, 0}, {32, 0}, {0, 32}}, 64, 64, GL_LINEAR, false, 0},
        {"between two levels", {{0, 0}, {32, 0}, {0, 32}}, 64, 64, GL_LINEAR_MIPMAP_LINEAR, false, 0},
        {"no texture", {{0, 0}, {32, 0}, {0, 32}}, 0, 0, GL_LINEAR_MIPMAP_NEAREST, false, 0},
    };
    const float uv[3][2] = {{0, 0}, {1, 0}, {0, 1}};
    for (const LevelCase& c : cases) {
        float lod = -7.0f;
        EXPECT_EQ(triangleLevelOfDetail(c.window, uv, c.width, c.height, c.filter, lod), c.fixed) << c.name;
        if (c.fixed) {
            EXPECT_FLOAT_EQ(lod, c.lod) << c.name;
        } else {
            EXPECT_EQ(lod, -7.0f) << c.name << ": left as it was";
        }
    }
    // Whole repeats of the texture across the triangle scale the level.
    const float repeated[3][2] = {{3, 5}, {7, 5}, {3, 9}};
    const float window[3][2] = {{0, 0}, {128, 0}, {0, 128}};
    float lod = 0.0f;
    ASSERT_TRUE(triangleLevelOfDetail(window, repeated, 64, 64, GL_LINEAR_MIPMAP_NEAREST, lod));
    EXPECT_FLOAT_EQ(lod, 1.0f); // 256 texels over 128 pixels
}

} // namespace

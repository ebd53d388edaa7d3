// The main menu left alone is not drawn again; what changes it still is.
#include "graphics/GraphicsSystem.h"
#include "support/Picture.h"
#include "support/WindowedGame.h"

#include <gtest/gtest.h>

namespace {

// Frames until none was shown for `frames` in a row (images may still come
// in from the loader on a slow machine).
bool waitUntilQuiet(WindowedGame& window, int frames = 30)
{
    GraphicsSystem& graphics = GraphicsSystem::get();
    uint64_t last = graphics.getShownFrames();
    int still = 0;
    return window.frameUntil(
        [&] {
            const uint64_t now = graphics.getShownFrames();
            still = now == last ? still + 1 : 0;
            last = now;
            return still >= frames;
        },
        3000);
}

// Pixels that differ between two shots inside a box of the interface.
int differing(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const uint8_t* p = pixelAt(a, x, y);
            const uint8_t* q = pixelAt(b, x, y);
            n += p[0] != q[0] || p[1] != q[1] || p[2] != q[2];
        }
    }
    return n;
}

TEST(QuietMenuXvfbTest, AnIdleMenuIsNotDrawnAgainButAHoverIs)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\nfps 0\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    GraphicsSystem& graphics = GraphicsSystem::get();
    window.moveTo(20, 460); // over no button
    ASSERT_TRUE(waitUntilQuiet(window)) << window.logTail();
    const Picture plain = window.shot();

    // An input event draws; the Options button shows its hover image.
    ASSERT_TRUE(waitUntilQuiet(window)) << window.logTail();
    const uint64_t before = graphics.getShownFrames();
    window.moveTo(320, 294);
    EXPECT_GT(graphics.getShownFrames(), before);
    ASSERT_TRUE(waitUntilQuiet(window)) << window.logTail();
    const Picture hovered = window.shot();
    const int button = 160 * 32;
    EXPECT_GT(differing(plain, hovered, 240, 278, 400, 310), button / 4) << "no hover drawn";
    EXPECT_EQ(differing(plain, hovered, 0, 0, 640, 270), 0) << "above the buttons";

    // Moved off again: drawn as at first.
    window.moveTo(20, 460);
    ASSERT_TRUE(waitUntilQuiet(window)) << window.logTail();
    EXPECT_EQ(differing(plain, window.shot(), 0, 0, 640, 480), 0);
}

} // namespace

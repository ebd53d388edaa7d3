// The windows of play in the whole program, windowed under Xvfb on the
// shipped data.
#include "engine/app/Application.h"
#include "support/WindowedGame.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"

#include <gtest/gtest.h>

namespace {

// Pixels inside a box of the interface that are near the colour.
int nearColour(const Picture& shot, int x0, int y0, int x1, int y1, int r, int g, int b, int tolerance)
{
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const uint8_t* c = pixelAt(shot, x, y);
            n += std::abs(c[0] - r) <= tolerance && std::abs(c[1] - g) <= tolerance &&
                 std::abs(c[2] - b) <= tolerance;
        }
    }
    return n;
}

// A help topic's buttons carry their words: the labels are drawn over the
// button images, not under them.
TEST(WindowsOfPlayXvfbTest, TheHelpTopicsButtonsShowTheirLabels)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    window.frame();
    UIMenu* topic = UISystem::get().findMenu("helpTopic");
    ASSERT_NE(topic, nullptr);
    UISystem::get().pushMenu(topic);
    window.frame();
    ASSERT_TRUE(topic->isActive());
    window.moveTo(2, 2);
    ASSERT_TRUE(window.waitForLoads(30));
    const Picture shot = window.stillShot();
    for (const char* name : {"Read", "Later"}) {
        UIWidget* button = topic->findWidget(name);
        ASSERT_NE(button, nullptr) << name;
        const Vec2 at = button->getScreenPosition();
        const Vec2 size = button->getSize();
        // Inside the button's bevel, which is light along its top edge.
        const int x0 = static_cast<int>(at.x) + 4, y0 = static_cast<int>(at.y) + 4;
        const int x1 = static_cast<int>(at.x + size.x) - 4, y1 = static_cast<int>(at.y + size.y) - 4;
        const int lit = nearColour(shot, x0, y0, x1, y1, 215, 215, 215, 65);
        EXPECT_GT(lit, 10) << name << ": no label pixels inside the button";
    }
}

} // namespace

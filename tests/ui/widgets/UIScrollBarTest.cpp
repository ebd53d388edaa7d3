#include "support/UITestBench.h"

#include "ui/widgets/UIScrollBar.h"

#include <gtest/gtest.h>

namespace {

// A vertical bar 16 × 116 at the menu's corner: arrows 16, track 84.
struct ScrollBarTest : ::testing::Test {
    ScrollBarTest()
    {
        UISettings& s = bench.ui.editSettings();
        s.scrollbarUp = "UI/up";
        s.scrollbarDown = "UI/down";
        s.scrollbarBar = "UI/bar";
        s.scrollbarBackground = "UI/track";
        menu = bench.loadMenu("name M\nvisible 1\nScrollBar\n{\n basicSetup 0 0 16 116\n}\n");
        bar = static_cast<UIScrollBar*>(menu->getWidgets().front().get());
    }
    void press(int y)
    {
        bench.input.setMousePosition(8, y);
        bench.ui.onMouseButton(0, true, 8, y);
    }
    void release() { bench.ui.sendToHeldWidget(0, false); }

    UITestBench bench;
    UIMenu* menu = nullptr;
    UIScrollBar* bar = nullptr;
};

TEST_F(ScrollBarTest, RangeClicksAndDrags)
{
    bar->setRange(10, 4);
    EXPECT_NEAR(bar->getThumbLength(), 33.6f, 1e-4f);
    EXPECT_NEAR(bar->getPixelsPerItem(), 5.04f, 1e-4f);
    bench.ui.update(0.0f);
    EXPECT_FLOAT_EQ(bar->getThumbStart(), 16.0f);

    // The track below the thumb pages down; the last item is the limit.
    press(80);
    release();
    EXPECT_EQ(bar->getFirstVisible(), 4);
    bar->scrollTo(9);
    press(110);
    release();
    EXPECT_EQ(bar->getFirstVisible(), 9);

    // An empty run: the thumb fills the track and nothing moves.
    bar->setRange(0, 4);
    EXPECT_FLOAT_EQ(bar->getThumbLength(), 84.0f);
    EXPECT_FLOAT_EQ(bar->getPixelsPerItem(), 0.0f);
    press(110);
    release();
    EXPECT_EQ(bar->getFirstVisible(), 0);
    bar->dragBy(50.0f, false);
    EXPECT_EQ(bar->getFirstVisible(), 0);

    // Less than one item's span neither scrolls nor moves the reference.
    bar->setRange(10, 4);
    bench.ui.update(0.0f);
    press(30);
    ASSERT_EQ(bar->getPressedPart(), 5);
    bench.input.setMousePosition(8, 35);
    bench.ui.update(0.016f);
    EXPECT_EQ(bar->getFirstVisible(), 0);
    EXPECT_FLOAT_EQ(bar->getDragReference(), 30.0f);
    release();
    bar->dragBy(10.1f, false);
    EXPECT_EQ(bar->getFirstVisible(), 2);
    EXPECT_NEAR(bar->getDragReference(), 30.0f + 2 * 5.04f, 1e-4f);
}

TEST_F(ScrollBarTest, AHeldArrowRepeatsAndEveryReleaseEndsTheHold)
{
    bar->setRange(100, 4);
    press(110);
    std::vector<int> seen;
    for (int frame = 0; frame < 7; ++frame) {
        bench.ui.update(0.05f);
        seen.push_back(bar->getFirstVisible());
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 1, 1, 1, 2, 3, 4}));

    // Hidden while held: the release still reaches it and ends the hold.
    bar->setVisible(false);
    release();
    EXPECT_EQ(bench.ui.getHeldWidget(), nullptr);
    EXPECT_FALSE(bar->isRepeating());
    bar->setVisible(true);
    for (int frame = 0; frame < 10; ++frame) {
        bench.ui.update(0.05f);
    }
    EXPECT_EQ(bar->getFirstVisible(), 4);
}

TEST_F(ScrollBarTest, ABarThatIsNotNeededNeitherDrawsNorReacts)
{
    bar->setHideIfNotNeeded(true);
    bar->setRange(3, 4);
    bench.drawing.calls.clear();
    bench.ui.draw();
    EXPECT_TRUE(bench.drawing.calls.empty());
    press(110);
    EXPECT_EQ(bench.ui.getHeldWidget(), nullptr);
    bench.input.setMousePosition(8, 60);
    EXPECT_FALSE(bench.ui.handleMouseScroll(false));

    // Needed again, it draws its four parts and takes the wheel over it.
    bar->setRange(30, 4);
    bench.ui.draw();
    EXPECT_EQ(bench.drawing.calls.size(), 4u);
    EXPECT_TRUE(bench.ui.handleMouseScroll(false));
    EXPECT_EQ(bar->getFirstVisible(), 1);
    bench.input.setMousePosition(300, 300);
    EXPECT_FALSE(bench.ui.handleMouseScroll(false));
}

} // namespace

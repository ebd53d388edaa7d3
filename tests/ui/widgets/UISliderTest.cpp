#include "support/UITestBench.h"

#include "ui/widgets/UISlider.h"

#include <gtest/gtest.h>

namespace {

// A slider 200 wide at (100, 40) over 0 … 100.
struct SliderTest : ::testing::Test {
    SliderTest()
    {
        menu = bench.loadMenu("name M\nvisible 1\nSlider\n{\n position 100 40\n size 200 20\n minValue 0\n"
                              " maxValue 100\n userVar volume 25\n}\n");
        slider = static_cast<UISlider*>(menu->getWidgets().front().get());
        menu->show();
    }
    std::string value() { return bench.vars.getVar("volume", "", 0).getString(); }

    UITestBench bench;
    UIMenu* menu = nullptr;
    UISlider* slider = nullptr;
};

TEST_F(SliderTest, TheNotchShowsTheValueAndClicksSetIt)
{
    ASSERT_EQ(value(), "25");
    bench.ui.draw();
    ASSERT_EQ(bench.drawing.calls.size(), 2u);
    EXPECT_FLOAT_EQ(bench.drawing.calls[1].x0, 100.0f + 50.0f - 4.0f);

    bench.ui.onMouseButton(0, true, 100, 50);
    EXPECT_EQ(value(), "0.000000");
    slider->onClick(0, true, 400, 50);
    EXPECT_EQ(value(), "100.000000");

    // The notch follows the mouse until the release comes through the capture.
    bench.vars.getVar("volume", "", 0).setString("25");
    bench.input.setMousePosition(150, 50);
    bench.ui.onMouseButton(0, true, 150, 50);
    ASSERT_TRUE(slider->isDragging());
    EXPECT_EQ(bench.ui.getHeldWidget(), slider);
    bench.input.setMousePosition(200, 50);
    bench.ui.update(0.016f);
    EXPECT_EQ(value(), "50.000000");
    bench.ui.sendToHeldWidget(0, false);
    EXPECT_FALSE(slider->isDragging());
    bench.input.setMousePosition(250, 50);
    bench.ui.update(0.016f);
    EXPECT_EQ(value(), "50.000000");
}

TEST_F(SliderTest, EqualLimitsAndNoWidthChangeNothing)
{
    TextReader reader("{\n minValue 5\n maxValue 5\n size 0 20\n userVar volume\n}", "s.mnu");
    UISlider flat;
    flat.parseBlock(reader);
    EXPECT_FLOAT_EQ(flat.getFraction(), 0.5f);
    flat.onClick(0, true, 10, 10);
    EXPECT_EQ(value(), "25");
}

} // namespace

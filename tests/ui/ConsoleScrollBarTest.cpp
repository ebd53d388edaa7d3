#include "support/UITestBench.h"

#include "ui/ConsoleScrollBar.h"

#include <gtest/gtest.h>

TEST(ConsoleScrollBarTest, TheBarAndTheConsoleScrollTogether)
{
    UITestBench bench;
    ConsoleScrollBar console;
    // 100 lines, 20 shown, the newest at the bottom: the bar shows from 80.
    EXPECT_EQ(console.frame(100, 20, 0, 0.0f), 0);
    EXPECT_EQ(console.getBar().getFirstVisible(), 80);
    EXPECT_EQ(console.frame(100, 20, 5, 0.0f), 5);
    EXPECT_EQ(console.getBar().getFirstVisible(), 75);

    // The up arrow at the console's right edge scrolls one line further back;
    // a new line keeps the place.
    EXPECT_FALSE(console.mouseButton(0, true, 300, 100));
    EXPECT_TRUE(console.mouseButton(0, true, 632, 8));
    bench.ui.sendToHeldWidget(0, false);
    EXPECT_EQ(console.frame(100, 20, 5, 0.016f), 6);
    EXPECT_EQ(console.frame(101, 20, 6, 0.016f), 6);
    EXPECT_EQ(console.getBar().getFirstVisible(), 75);

    // Fewer lines than fit: nothing to scroll.
    EXPECT_EQ(console.frame(3, 20, 0, 0.016f), 0);
    EXPECT_EQ(console.getBar().getFirstVisible(), 0);
}

#include "engine/app/FramePacer.h"

#include <gtest/gtest.h>

TEST(FramePacer, SleepsTheRestOfOneRefresh)
{
    double now = 1000.0;
    std::vector<double> sleeps;
    FramePacer pacer([&] { return now; },
                     [&](double ms) {
                         sleeps.push_back(ms);
                         now += ms;
                     });
    pacer.beginFrame();
    now += 4.0;
    EXPECT_NEAR(pacer.endFrame(50), 16.0, 1e-9);
    // 0 Hz (Xvfb reports none): 60 Hz.
    pacer.beginFrame();
    now += 6.0;
    EXPECT_NEAR(pacer.endFrame(0), 1000.0 / 60.0 - 6.0, 1e-9);
    // A swap that already waited for the display: nothing left to sleep.
    pacer.beginFrame();
    now += 17.0;
    EXPECT_EQ(pacer.endFrame(60), 0.0);
    // monitorSync 0: a quick pass is not held back.
    pacer.beginFrame();
    now += 2.0;
    EXPECT_EQ(pacer.endFrame(60, false), 0.0);
    EXPECT_EQ(sleeps.size(), 2u);
    EXPECT_DOUBLE_EQ(FramePacer::frameMs(-3), 1000.0 / 60.0);
}

#pragma once

#include <functional>

// Paces the windowed main loop while the swap is meant to wait for the
// display (monitorSync on): a pass lasts at least one display refresh. When
// the buffer swap waits itself the remaining sleep is about zero; where the
// swap interval is refused (Mesa under Xvfb) this keeps an idle window from
// spinning a core. With monitorSync 0 frames are not held back.
class FramePacer {
public:
    using Now = std::function<double()>; // milliseconds, monotonic
    using Sleep = std::function<void(double ms)>;
    static constexpr int kDefaultRefreshHz = 60; // when the display reports 0

    FramePacer();
    FramePacer(Now now, Sleep sleep);

    // The start of a pass.
    void beginFrame();
    // With sync set, sleeps until 1 / refresh s have passed since
    // beginFrame; returns the milliseconds slept.
    double endFrame(int refreshHz, bool sync = true);

    static double frameMs(int refreshHz);

private:
    Now m_now;
    Sleep m_sleep;
    double m_start = 0.0;
};

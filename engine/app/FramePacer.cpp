#include "engine/app/FramePacer.h"

#include "engine/platform/MonotonicTime.h"

#include <chrono>
#include <thread>

FramePacer::FramePacer()
    : FramePacer(monotonicMilliseconds, [](double ms) {
          std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
      })
{
}

FramePacer::FramePacer(Now now, Sleep sleep) : m_now(std::move(now)), m_sleep(std::move(sleep)) {}

double FramePacer::frameMs(int refreshHz)
{
    return 1000.0 / (refreshHz > 0 ? refreshHz : kDefaultRefreshHz);
}

void FramePacer::beginFrame()
{
    m_start = m_now();
}

double FramePacer::endFrame(int refreshHz, bool sync)
{
    if (!sync) {
        return 0.0;
    }
    double elapsed = m_now() - m_start;
    double rest = frameMs(refreshHz) - elapsed;
    if (rest <= 0.0) {
        return 0.0;
    }
    m_sleep(rest);
    return rest;
}

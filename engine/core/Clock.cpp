#include "engine/core/Clock.h"

#include <cmath>
#include <ctime>
#include <thread>

Clock::Clock() : Clock(Source(&Clock::monotonicNanoseconds)) {}

Clock::Clock(Source source) : m_clock(std::move(source))
{
    m_startNs = m_clock();
    m_lastNs = m_startNs;
}

int64_t Clock::monotonicNanoseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void Clock::sleepMs(int ms)
{
    if (ms <= 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

void Clock::update()
{
    int64_t now = m_clock();
    // A clock replaced by a test could step back; never report negative time.
    m_frameNs = now > m_lastNs ? now - m_lastNs : 0;
    if (now > m_lastNs) {
        m_lastNs = now;
    }
    m_gameTime = toGameTime(m_lastNs - m_startNs);
}

int64_t Clock::getTimeMs() const
{
    int64_t elapsed = m_clock() - m_startNs;
    return elapsed > 0 ? elapsed / 1000000 : 0;
}

GameTime Clock::toGameTime(int64_t ns)
{
    if (ns < 0) {
        ns = 0;
    }
    constexpr int64_t kMinuteNs = 60LL * 1000000000LL;
    int64_t totalMinutes = ns / kMinuteNs;
    int64_t restNs = ns % kMinuteNs;
    GameTime t;
    t.days = static_cast<int32_t>(totalMinutes / (24 * 60));
    t.hours = static_cast<int32_t>(totalMinutes / 60 % 24);
    t.minutes = static_cast<int32_t>(totalMinutes % 60);
    float seconds = static_cast<float>(static_cast<double>(restNs) / 1e9);
    // Rounding to float can reach 60 just before the minute turns.
    t.seconds = seconds < 60.0f ? seconds : std::nextafter(60.0f, 0.0f);
    return t;
}

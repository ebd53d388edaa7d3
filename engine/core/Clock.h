#pragma once

#include "engine/core/GameTime.h"
#include "engine/core/Singleton.h"

#include <cstdint>
#include <functional>

// The engine clock: real time since start-up from a monotonic clock (no
// wrap-around), sampled once per frame by update().
class Clock : public Singleton<Clock> {
public:
    // Nanoseconds of a monotonic clock; replaceable for tests.
    using Source = std::function<int64_t()>;

    Clock();
    explicit Clock(Source source);

    static int64_t monotonicNanoseconds();
    // Sleeps the milliseconds; 0 or less only yields the thread.
    static void sleepMs(int ms);

    // Samples the clock: the frame time becomes the time since the last
    // update (since start-up for the first), and the game time the time since
    // start-up.
    void update();

    // Milliseconds since start-up, read now.
    int64_t getTimeMs() const;
    // Time since start-up as of the last update (zero before it).
    const GameTime& getGameTime() const { return m_gameTime; }
    // Seconds field of that time, 0 <= t < 60 (the shader waves' phase).
    float getSecondsField() const { return m_gameTime.seconds; }
    // Last frame time; 0 before the first update.
    double getFrameTimeMs() const { return static_cast<double>(m_frameNs) / 1e6; }
    double getFrameTimeSeconds() const { return static_cast<double>(m_frameNs) / 1e9; }

    // Splits nanoseconds into days, hours, minutes and seconds (0 <= s < 60).
    static GameTime toGameTime(int64_t ns);

private:
    Source m_clock;
    int64_t m_startNs = 0;
    int64_t m_lastNs = 0;
    int64_t m_frameNs = 0;
    GameTime m_gameTime;
};

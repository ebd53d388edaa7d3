#pragma once

#include <cstddef>
#include <vector>

struct Timer;

// Timers advanced together; the list does not own them. Null entries are
// allowed and skipped.
class TimerList {
public:
    // Appends the timer; the owner then sets its listed flag.
    void add(Timer* timer);
    // Advances every timer, in list order.
    void update(float dt);

    size_t size() const { return m_timers.size(); }
    Timer* at(size_t i) const { return i < m_timers.size() ? m_timers[i] : nullptr; }

private:
    std::vector<Timer*> m_timers;
};

#include "game/entities/TimerList.h"

#include "game/entities/Timer.h"

void TimerList::add(Timer* timer)
{
    m_timers.push_back(timer);
}

void TimerList::update(float dt)
{
    for (Timer* timer : m_timers) {
        if (timer) {
            timer->advance(dt);
        }
    }
}

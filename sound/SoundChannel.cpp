#include "sound/SoundChannel.h"

#include "engine/core/Clock.h"

namespace {

GameTime now()
{
    Clock* clock = Clock::instance();
    return clock ? clock->getGameTime() : GameTime();
}

} // namespace

void SoundChannel::fadeOut(float seconds)
{
    fadingOut = true;
    fadingIn = false;
    fadeStamp = now();
    fadeRate = seconds <= 0.0f ? -volume : -volume / seconds;
}

void SoundChannel::reset()
{
    minDist = 64.0f;
    maxDist = 10000.0f;
    volume = 1.0f;
    pitch = 1.0f;
    sampleRate = 0;
    soundClass = 0;
    buffer = 0;
    stream = nullptr;
}

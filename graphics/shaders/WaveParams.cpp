#include "graphics/shaders/WaveParams.h"

#include "engine/core/Clock.h"
#include "engine/core/TextReader.h"

#include <cmath>
#include <numbers>

float evaluateWave(const WaveParams& wave, float offset, float seconds)
{
    double turns = static_cast<double>(wave.frequency) * seconds / 60.0 + wave.phase + offset;
    return static_cast<float>(wave.base + wave.amplitude * std::sin(2.0 * std::numbers::pi * turns));
}

float currentWaveSeconds()
{
    Clock* clock = Clock::instance();
    return clock ? clock->getSecondsField() : 0.0f;
}

float evaluateWave(const WaveParams& wave, float offset)
{
    return evaluateWave(wave, offset, currentWaveSeconds());
}

WaveParams readWaveParams(TextReader& reader)
{
    WaveParams wave;
    wave.base = reader.getFloat();
    wave.amplitude = reader.getFloat();
    wave.frequency = reader.getFloat();
    wave.phase = reader.getFloat();
    return wave;
}

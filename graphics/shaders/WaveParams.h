#pragma once

class TextReader;

// A periodic value: base + amplitude × sin(2π × (frequency × t / 60 + phase
// + offset)), frequency in cycles per minute.
struct WaveParams {
    float base = 0.0f;
    float amplitude = 1.0f;
    float frequency = 1.0f;
    float phase = 0.0f;

    friend bool operator==(const WaveParams&, const WaveParams&) = default;
};

// The wave's value at `seconds` (the clock's seconds field, 0 <= t < 60).
float evaluateWave(const WaveParams& wave, float offset, float seconds);
// The same at the engine clock's current seconds field (0 without a clock).
float evaluateWave(const WaveParams& wave, float offset);
// The seconds field that the waves and scrolls use now.
float currentWaveSeconds();

// Reads base, amplitude, frequency and phase from the rest of the current
// line; a number the line does not have reads as 0.
WaveParams readWaveParams(TextReader& reader);

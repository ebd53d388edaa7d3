#pragma once

#include <cstdint>
#include <vector>

// Writes sound files from 16-bit samples (interleaved when stereo): plain
// PCM WAVE and Ogg Vorbis. The content generator and the tests share it.
class SoundFileWriter {
public:
    // A RIFF/WAVE image, format 1, at 8 or 16 bits.
    static std::vector<uint8_t> makeWave(const std::vector<int16_t>& samples, int channels, int rate,
                                         int bits);
    // An Ogg Vorbis image at a quality of −0.1 to 1.0. The serial number fixes
    // the stream's bytes, so one library version repeats them exactly. False
    // when the encoder refuses the settings.
    static bool makeOgg(const std::vector<int16_t>& samples, int channels, int rate, float quality,
                        int serial, std::vector<uint8_t>& out);
};

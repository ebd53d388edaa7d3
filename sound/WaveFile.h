#pragma once

#include "sound/SoundDriver.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Reads a RIFF/WAVE image: PCM (format 1, or extensible with the PCM
// sub-format) at 8 or 16 bits, 1 or 2 channels, 1 to 192000 Hz. The chunk
// walk is bounded by the image, and the described data lies inside it. False
// with a short reason in `error` for anything else.
bool parseWave(const uint8_t* data, size_t size, PcmDescription& out, std::string& error);

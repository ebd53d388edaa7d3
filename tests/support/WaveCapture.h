#pragma once

// Reading back what OpenAL Soft's wave-file writer captured (44.1 kHz, stereo,
// 16-bit), for the tests that listen to the real sound path.
#include "sound/WaveFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

constexpr int kCaptureRate = 44100;

struct Capture {
    std::vector<float> left, right;
};

// The OpenAL Soft configuration that sends all output to the wave file.
inline std::string waveWriterConfig(const std::string& wavePath)
{
    return "[general]\ndrivers = wave\nfrequency = 44100\nchannels = stereo\n"
           "sample-type = int16\n[wave]\nfile = " +
           wavePath + "\n";
}

inline bool readCapture(const std::string& path, Capture& out)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    PcmDescription pcm;
    std::string error;
    if (!parseWave(image.data(), image.size(), pcm, error)) {
        ADD_FAILURE() << path << ": " << error;
        return false;
    }
    EXPECT_EQ(pcm.formatTag, 0xFFFE); // the writer's extensible header
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.bitsPerSample, 16);
    EXPECT_EQ(pcm.sampleRate, kCaptureRate);
    for (int i = 0; i + 1 < pcm.sampleCount; i += 2) {
        int16_t l, r;
        std::memcpy(&l, pcm.data + 2 * i, 2);
        std::memcpy(&r, pcm.data + 2 * i + 2, 2);
        out.left.push_back(l / 32768.0f);
        out.right.push_back(r / 32768.0f);
    }
    return true;
}

inline double rms(const std::vector<float>& s, size_t begin, size_t end)
{
    end = std::min(end, s.size());
    double sum = 0;
    for (size_t i = begin; i < end; ++i) {
        sum += double(s[i]) * s[i];
    }
    return end > begin ? std::sqrt(sum / double(end - begin)) : 0.0;
}

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Screenshot writers. Input: width × height RGB pixels, rows bottom first
// (as OpenGL reads them back), no padding. The files show the picture
// upright (the last buffer row on top) and are written through the file
// system; false when anything fails (nothing is left behind).
bool writeJpeg(const uint8_t* pixels, int width, int height, const std::string& fileName);
bool writePng(const uint8_t* pixels, int width, int height, const std::string& fileName);

// The encoders alone, into memory.
bool encodeJpeg(const uint8_t* pixels, int width, int height, int quality, std::vector<uint8_t>& out);
bool encodePng(const uint8_t* pixels, int width, int height, std::vector<uint8_t>& out);

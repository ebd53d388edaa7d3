#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Mip chains: level 0 is the image; each next level halves both sides (a side
// that reaches 0 stays 1) down to 1 × 1; the levels lie one after the other.
namespace mip {

// ⌊log2(max(width, height))⌋ + 1 for positive sizes, 0 otherwise.
int levelCount(int width, int height);
int levelWidth(int width, int level);
size_t levelBytes(int width, int height, int level, int bytesPerPixel);
// Bytes of the first `levels` levels.
size_t chainBytes(int width, int height, int bytesPerPixel, int levels);

// One level from the previous (w × h) with the 4 × 4 filter of weights
// 1, 2, 2, 1 per axis. With `clamp` samples outside the level are left out
// with their weights; otherwise coordinates wrap around.
void filterLevel(const uint8_t* source, int width, int height, int bytesPerPixel, bool clamp, uint8_t* out);

// The whole chain from level 0.
std::vector<uint8_t> buildChain(const uint8_t* level0, int width, int height, int bytesPerPixel, bool clamp);

} // namespace mip

#include "graphics/codecs/MipChain.h"

#include <algorithm>
#include <cstring>

namespace mip {

int levelCount(int width, int height)
{
    int side = std::max(width, height);
    if (width <= 0 || height <= 0) {
        return 0;
    }
    int levels = 1;
    while (side > 1) {
        side >>= 1;
        ++levels;
    }
    return levels;
}

int levelWidth(int width, int level)
{
    return level >= 31 ? 1 : std::max(1, width >> level);
}

size_t levelBytes(int width, int height, int level, int bytesPerPixel)
{
    return static_cast<size_t>(levelWidth(width, level)) * static_cast<size_t>(levelWidth(height, level)) *
           static_cast<size_t>(bytesPerPixel);
}

size_t chainBytes(int width, int height, int bytesPerPixel, int levels)
{
    size_t total = 0;
    for (int i = 0; i < levels; ++i) {
        total += levelBytes(width, height, i, bytesPerPixel);
    }
    return total;
}

namespace {

// A true positive remainder: −1 wraps to n − 1.
inline int wrap(int v, int n)
{
    int r = v % n;
    return r < 0 ? r + n : r;
}

} // namespace

void filterLevel(const uint8_t* source, int width, int height, int bytesPerPixel, bool clamp, uint8_t* out)
{
    static const int kWeights[4] = {1, 2, 2, 1};
    int outWidth = std::max(1, width / 2);
    int outHeight = std::max(1, height / 2);
    for (int y = 0; y < outHeight; ++y) {
        for (int x = 0; x < outWidth; ++x) {
            int sums[4] = {};
            int weightSum = 0;
            for (int j = 0; j < 4; ++j) {
                int row = 2 * y - 1 + j;
                if (clamp && (row < 0 || row >= height)) {
                    continue;
                }
                row = wrap(row, height);
                for (int i = 0; i < 4; ++i) {
                    int column = 2 * x - 1 + i;
                    if (clamp && (column < 0 || column >= width)) {
                        continue;
                    }
                    column = wrap(column, width);
                    int weight = kWeights[i] * kWeights[j];
                    const uint8_t* p = source + (static_cast<size_t>(row) * width + column) * bytesPerPixel;
                    for (int c = 0; c < bytesPerPixel; ++c) {
                        sums[c] += p[c] * weight;
                    }
                    weightSum += weight;
                }
            }
            uint8_t* q = out + (static_cast<size_t>(y) * outWidth + x) * bytesPerPixel;
            for (int c = 0; c < bytesPerPixel; ++c) {
                q[c] = static_cast<uint8_t>(weightSum > 0 ? sums[c] / weightSum : 0);
            }
        }
    }
}

std::vector<uint8_t> buildChain(const uint8_t* level0, int width, int height, int bytesPerPixel, bool clamp)
{
    int levels = levelCount(width, height);
    std::vector<uint8_t> chain(chainBytes(width, height, bytesPerPixel, levels));
    if (chain.empty()) {
        return chain;
    }
    std::memcpy(chain.data(), level0, levelBytes(width, height, 0, bytesPerPixel));
    size_t offset = 0;
    for (int i = 1; i < levels; ++i) {
        size_t next = offset + levelBytes(width, height, i - 1, bytesPerPixel);
        filterLevel(chain.data() + offset, levelWidth(width, i - 1), levelWidth(height, i - 1), bytesPerPixel,
                    clamp, chain.data() + next);
        offset = next;
    }
    return chain;
}

} // namespace mip

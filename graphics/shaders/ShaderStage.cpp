#include "graphics/shaders/ShaderStage.h"

#include "engine/core/Clock.h"

#include <cmath>
#include <cstdint>

size_t ShaderStage::frameIndex(float rate, double seconds, size_t n)
{
    if (n <= 1) {
        return 0;
    }
    double product = std::floor(static_cast<double>(rate) * seconds);
    // 2^63: the first value a 64-bit integer cannot hold.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(product) || product >= kLimit || product < -kLimit) {
        return 0;
    }
    int64_t f = static_cast<int64_t>(product);
    int64_t count = static_cast<int64_t>(n);
    int64_t r = f % count;
    return static_cast<size_t>(r < 0 ? r + count : r);
}

const ResourceHandle& ShaderStage::getFrameTexture(double seconds) const
{
    if (frames.empty()) {
        return texture;
    }
    return frames[frameIndex(animationRate, seconds, frames.size())];
}

const ResourceHandle& ShaderStage::getFrameTexture() const
{
    Clock* clock = Clock::instance();
    return getFrameTexture(clock ? clock->getGameTime().toSeconds() : 0.0);
}

#include "graphics/BloomPlan.h"

#include <algorithm>

int BloomPlan::textureSide(int requested, int largest)
{
    largest = std::max(1, largest);
    const int wanted = std::clamp(requested, 1, largest);
    int side = 1;
    while (side < wanted && side <= largest / 2) {
        side *= 2;
    }
    return side;
}

std::vector<BloomPlan::Quad> BloomPlan::blurPass(int n, float distance, float intensity, float viewportSize)
{
    std::vector<Quad> quads;
    if (n <= 0 || !(viewportSize > 0.0f)) {
        return quads;
    }
    n = std::min(n, kMaxBlur);
    const float nn = static_cast<float>(n) * static_cast<float>(n);
    for (int i = -n; i <= n; ++i) {
        const float fi = static_cast<float>(i);
        const float weight = (1.0f - fi * fi / nn) * intensity / static_cast<float>(2 * n + 1);
        if (weight < 0.01f) {
            continue;
        }
        quads.push_back(Quad{fi * distance / viewportSize, weight, quads.empty()});
    }
    return quads;
}

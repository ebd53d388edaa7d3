#pragma once

#include <vector>

// What a bloom frame does apart from OpenGL: the side of its texture and the
// quads of each blur pass.
class BloomPlan {
public:
    // A typed blur of billions of steps would never end.
    static constexpr int kMaxBlur = 256;

    struct Quad {
        float offset = 0.0f;   // texture-coordinate shift of this quad
        float weight = 0.0f;   // its grey level
        bool replaces = false; // the pass's first quad replaces, later ones add
    };

    // `r_bloomTextureSize` kept within 1 … the driver's largest texture, then
    // rounded up to a power of two that is not larger.
    static int textureSide(int requested, int largest);
    // i = −n … n: offset i·d / size, weight (1 − i²/n²)·I / (2n + 1), only the
    // quads of weight 0.01 or more; nothing for n ≤ 0; n at most kMaxBlur.
    static std::vector<Quad> blurPass(int n, float distance, float intensity, float viewportSize);
};

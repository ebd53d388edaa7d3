#pragma once

#include <cstdint>

// The key the queued surfaces are sorted by. Opaque surfaces (fade exactly 1)
// order by sort type, then shader number, then a 10-bit value; faded ones all
// come in category 3 (transparent), ordered by value, pass and shader.
struct SortKey {
    uint32_t key = 0;
    int category = 0;

    // Value used by surfaces that batch with every other surface of their
    // shader (tiles, particles, beams, swipes).
    static constexpr uint32_t kShared = 1023;
    static constexpr uint32_t kShaderBits = 0x1FFFF; // 17 bits of the shader number

    // sortType: the shader's "SortType" value; shaderNumber: its index.
    static constexpr SortKey make(int sortType, int32_t shaderNumber, uint32_t value, float fade, int pass)
    {
        const uint32_t s = static_cast<uint32_t>(shaderNumber) & kShaderBits;
        const uint32_t v = value & 0x3FF;
        if (fade == 1.0f) {
            const uint32_t t = static_cast<uint32_t>(sortType);
            return {((t << 19 | s) << 10) | v, sortType};
        }
        const uint32_t p = static_cast<uint32_t>(pass) & 3;
        return {((((v | 0xC00) << 2) | p) << 17) | s, 3};
    }
};

#include "graphics/codecs/S3tc.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace s3tc {

namespace {

struct Rgb {
    int r, g, b;
};

uint16_t pack565(const uint8_t* p)
{
    return static_cast<uint16_t>(((p[0] & 0xF8) << 8) | ((p[1] & 0xFC) << 3) | (p[2] >> 3));
}

Rgb expand565(uint16_t c)
{
    return {((c >> 11) & 0x1F) * 8, ((c >> 5) & 0x3F) * 4, (c & 0x1F) * 8};
}

Rgb expand565Replicated(uint16_t c)
{
    const int r = (c >> 11) & 0x1F, g = (c >> 5) & 0x3F, b = c & 0x1F;
    return {(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

int distance2(const Rgb& a, const Rgb& b)
{
    int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

void put16(uint8_t* out, uint16_t v)
{
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
}

uint16_t get16(const uint8_t* in)
{
    return static_cast<uint16_t>(in[0] | (in[1] << 8));
}

// The colour half of a block (8 bytes). `dxt1Alpha`: three-colour mode with
// index 3 for pixels of alpha 127 or less, when any pixel is below 128.
void encodeColour(const uint8_t rgba[16][4], const bool present[16], bool dxt1, uint8_t* out)
{
    uint16_t colour[16] = {};
    Rgb expanded[16] = {};
    int first = -1;
    bool transparent = false;
    for (int i = 0; i < 16; ++i) {
        if (!present[i]) {
            continue;
        }
        colour[i] = pack565(rgba[i]);
        expanded[i] = expand565(colour[i]);
        if (first < 0) {
            first = i;
        }
        if (dxt1 && rgba[i][3] < 128) {
            transparent = true;
        }
    }
    if (first < 0) {
        std::memset(out, 0, 8);
        return;
    }
    int e0 = first, e1 = first, best = 0;
    for (int i = 0; i < 16; ++i) {
        if (!present[i]) {
            continue;
        }
        for (int j = i + 1; j < 16; ++j) {
            if (!present[j]) {
                continue;
            }
            int d = distance2(expanded[i], expanded[j]);
            if (d > best) {
                best = d;
                e0 = i;
                e1 = j;
            }
        }
    }
    uint16_t c0 = colour[e0], c1 = colour[e1];
    bool threeColour = transparent;
    if (threeColour ? c1 < c0 : c0 < c1) {
        std::swap(c0, c1);
    }
    Rgb a = expand565(c0), b = expand565(c1);
    float palette[4][3];
    int entries = threeColour ? 3 : 4;
    float ca[3] = {float(a.r), float(a.g), float(a.b)};
    float cb[3] = {float(b.r), float(b.g), float(b.b)};
    for (int k = 0; k < 3; ++k) {
        palette[0][k] = ca[k];
        palette[1][k] = cb[k];
        if (threeColour) {
            palette[2][k] = (ca[k] + cb[k]) / 2.0f;
            palette[3][k] = 0.0f;
        } else {
            palette[2][k] = (2.0f * ca[k] + cb[k]) / 3.0f;
            palette[3][k] = (ca[k] + 2.0f * cb[k]) / 3.0f;
        }
    }
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        if (!present[i]) {
            continue;
        }
        int index = 0;
        if (threeColour && rgba[i][3] <= 127) {
            index = 3;
        } else {
            int bestDistance = -1;
            for (int e = 0; e < entries; ++e) {
                float dr = expanded[i].r - palette[e][0];
                float dg = expanded[i].g - palette[e][1];
                float db = expanded[i].b - palette[e][2];
                int d = static_cast<int>(dr * dr + dg * dg + db * db);
                if (bestDistance < 0 || d < bestDistance) {
                    bestDistance = d;
                    index = e;
                }
            }
        }
        indices |= static_cast<uint32_t>(index) << (2 * i);
    }
    put16(out, c0);
    put16(out + 2, c1);
    for (int k = 0; k < 4; ++k) {
        out[4 + k] = static_cast<uint8_t>(indices >> (8 * k));
    }
}

// The DXT5 palette for alpha 0 <= alpha 1: the two ends, four values between
// them rounded to nearest, then 0 and 255. Coder and decoder share it, so a
// block decodes to exactly the values the coder chose.
void sixAlphaPalette(int a0, int a1, int palette[8])
{
    palette[0] = a0;
    palette[1] = a1;
    for (int k = 1; k <= 4; ++k) {
        palette[1 + k] = ((5 - k) * a0 + k * a1 + 2) / 5;
    }
    palette[6] = 0;
    palette[7] = 255;
}

void encodeAlphaDxt5(const uint8_t rgba[16][4], const bool present[16], uint8_t* out)
{
    int lo = 255, hi = 0;
    bool any = false;
    for (int i = 0; i < 16; ++i) {
        if (present[i]) {
            lo = std::min<int>(lo, rgba[i][3]);
            hi = std::max<int>(hi, rgba[i][3]);
            any = true;
        }
    }
    if (!any) {
        lo = hi = 0;
    }
    int a0 = lo, a1 = hi;
    int palette[8];
    sixAlphaPalette(a0, a1, palette);
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        if (!present[i]) {
            continue;
        }
        int index = 0, best = 256;
        for (int e = 0; e < 8; ++e) {
            int d = std::abs(rgba[i][3] - palette[e]);
            if (d < best) {
                best = d;
                index = e;
            }
        }
        bits |= static_cast<uint64_t>(index) << (3 * i);
    }
    out[0] = static_cast<uint8_t>(a0);
    out[1] = static_cast<uint8_t>(a1);
    for (int k = 0; k < 6; ++k) {
        out[2 + k] = static_cast<uint8_t>(bits >> (8 * k));
    }
}

void decodeColour(const uint8_t* in, bool dxt1, uint8_t rgba[16][4], Decoding decoding)
{
    uint16_t c0 = get16(in), c1 = get16(in + 2);
    const bool replicated = decoding == Decoding::Sampler;
    Rgb a = replicated ? expand565Replicated(c0) : expand565(c0);
    Rgb b = replicated ? expand565Replicated(c1) : expand565(c1);
    int palette[4][4] = {{a.r, a.g, a.b, 255}, {b.r, b.g, b.b, 255}, {}, {}};
    if (replicated) {
        // Weights of 255/3 and shifts, the rounding the sampling renderer uses.
        auto lerp = [](int from, int to, int weight) { return from + (((to - from) * weight) >> 8); };
        const bool four = !dxt1 || c0 > c1;
        for (int k = 0; k < 3; ++k) {
            const int ends[2] = {(&a.r)[k], (&b.r)[k]};
            palette[2][k] = four ? lerp(ends[0], ends[1], 85) : (ends[0] + ends[1] + 1) >> 1;
            palette[3][k] = four ? lerp(ends[0], ends[1], 170) : 0;
        }
        palette[2][3] = 255;
        palette[3][3] = four ? 255 : 0;
    } else if (!dxt1 || c0 > c1) {
        palette[2][0] = (2 * a.r + b.r) / 3;
        palette[2][1] = (2 * a.g + b.g) / 3;
        palette[2][2] = (2 * a.b + b.b) / 3;
        palette[2][3] = 255;
        palette[3][0] = (a.r + 2 * b.r) / 3;
        palette[3][1] = (a.g + 2 * b.g) / 3;
        palette[3][2] = (a.b + 2 * b.b) / 3;
        palette[3][3] = 255;
    } else {
        palette[2][0] = (a.r + b.r) / 2;
        palette[2][1] = (a.g + b.g) / 2;
        palette[2][2] = (a.b + b.b) / 2;
        palette[2][3] = 255;
        // palette[3] stays transparent black.
    }
    uint32_t indices = static_cast<uint32_t>(in[4]) | (static_cast<uint32_t>(in[5]) << 8) |
                       (static_cast<uint32_t>(in[6]) << 16) | (static_cast<uint32_t>(in[7]) << 24);
    for (int i = 0; i < 16; ++i) {
        const int* p = palette[(indices >> (2 * i)) & 3];
        for (int k = 0; k < 4; ++k) {
            rgba[i][k] = static_cast<uint8_t>(p[k]);
        }
    }
}

} // namespace

size_t levelBytes(int width, int height, int mode)
{
    size_t bw = (static_cast<size_t>(std::max(width, 1)) + 3) / 4;
    size_t bh = (static_cast<size_t>(std::max(height, 1)) + 3) / 4;
    return bw * bh * static_cast<size_t>(blockBytes(mode));
}

void encodeBlock(const uint8_t rgba[16][4], const bool present[16], int mode, uint8_t* out)
{
    if (mode == Dxt1) {
        encodeColour(rgba, present, true, out);
        return;
    }
    if (mode == Dxt3) {
        for (int k = 0; k < 8; ++k) {
            uint8_t lo = present[2 * k] ? rgba[2 * k][3] >> 4 : 0;
            uint8_t hi = present[2 * k + 1] ? rgba[2 * k + 1][3] & 0xF0 : 0;
            out[k] = static_cast<uint8_t>(lo | hi);
        }
    } else {
        encodeAlphaDxt5(rgba, present, out);
    }
    encodeColour(rgba, present, false, out + 8);
}

void decodeBlock(const uint8_t* in, int mode, uint8_t rgba[16][4], Decoding decoding)
{
    if (mode == Dxt1) {
        decodeColour(in, true, rgba, decoding);
        return;
    }
    decodeColour(in + 8, false, rgba, decoding);
    if (mode == Dxt3) {
        for (int i = 0; i < 16; ++i) {
            int nibble = (in[i / 2] >> ((i & 1) * 4)) & 0xF;
            rgba[i][3] = static_cast<uint8_t>(nibble * 17);
        }
        return;
    }
    int a0 = in[0], a1 = in[1];
    int palette[8] = {a0, a1};
    if (decoding == Decoding::Sampler) {
        // Weights of 255 k / 7 (or / 5) and shifts, as for the colours.
        const int steps = a0 > a1 ? 7 : 5;
        for (int k = 1; k < steps; ++k) {
            palette[1 + k] = a0 + (((a1 - a0) * (255 * k / steps)) >> 8);
        }
        if (steps == 5) {
            palette[6] = 0;
            palette[7] = 255;
        }
    } else if (a0 > a1) {
        for (int k = 1; k <= 6; ++k) {
            palette[1 + k] = ((7 - k) * a0 + k * a1) / 7;
        }
    } else {
        sixAlphaPalette(a0, a1, palette);
    }
    uint64_t bits = 0;
    for (int k = 0; k < 6; ++k) {
        bits |= static_cast<uint64_t>(in[2 + k]) << (8 * k);
    }
    for (int i = 0; i < 16; ++i) {
        rgba[i][3] = static_cast<uint8_t>(palette[(bits >> (3 * i)) & 7]);
    }
}

void encodeLevel(const uint8_t* pixels, int width, int height, int bytesPerPixel, int mode, uint8_t* out)
{
    for (int by = 0; by < height; by += 4) {
        for (int bx = 0; bx < width; bx += 4) {
            uint8_t block[16][4] = {};
            bool present[16] = {};
            for (int y = 0; y < 4 && by + y < height; ++y) {
                for (int x = 0; x < 4 && bx + x < width; ++x) {
                    const uint8_t* p =
                        pixels + (static_cast<size_t>(by + y) * width + (bx + x)) * bytesPerPixel;
                    uint8_t* q = block[x + 4 * y];
                    q[0] = p[0];
                    q[1] = p[1];
                    q[2] = p[2];
                    q[3] = bytesPerPixel == 4 ? p[3] : 255;
                    present[x + 4 * y] = true;
                }
            }
            encodeBlock(block, present, mode, out);
            out += blockBytes(mode);
        }
    }
}

void decodeLevel(const uint8_t* blocks, int width, int height, int bytesPerPixel, int mode, uint8_t* out,
                 Decoding decoding)
{
    for (int by = 0; by < height; by += 4) {
        for (int bx = 0; bx < width; bx += 4) {
            uint8_t block[16][4];
            decodeBlock(blocks, mode, block, decoding);
            blocks += blockBytes(mode);
            for (int y = 0; y < 4 && by + y < height; ++y) {
                for (int x = 0; x < 4 && bx + x < width; ++x) {
                    uint8_t* q = out + (static_cast<size_t>(by + y) * width + (bx + x)) * bytesPerPixel;
                    std::memcpy(q, block[x + 4 * y], static_cast<size_t>(bytesPerPixel));
                }
            }
        }
    }
}

} // namespace s3tc

#pragma once

#include <cstddef>
#include <cstdint>

// S3TC (DXT1, DXT3, DXT5) block coder and decoder for 4 × 4 pixel blocks.
// Colours expand from 5:6:5 without bit replication, as the texture caches
// have always been written.
namespace s3tc {

enum Mode { Dxt1 = 0, Dxt3 = 1, Dxt5 = 2 };

// How blocks decode. `Cache`: 5:6:5 end colours shifted up, palettes
// divided (the caches' own decoding). `Sampler`: end colours with their top
// bits replicated (0x1F gives 255) and each palette entry the first end plus
// the difference times 255 k / n, shifted right by 8, exactly as the
// processor-side renderer samples a compressed texture.
enum class Decoding { Cache, Sampler };

constexpr int blockBytes(int mode)
{
    return mode == Dxt1 ? 8 : 16;
}

// Bytes of one level of w × h pixels: ceil(w/4) × ceil(h/4) blocks.
size_t levelBytes(int width, int height, int mode);

// One block of 16 RGBA pixels, entry = column + 4 × row. Entries whose
// `present` flag is clear (outside a level smaller than a block) take no part
// in the choices. Writes blockBytes(mode) bytes.
void encodeBlock(const uint8_t rgba[16][4], const bool present[16], int mode, uint8_t* out);

// Decodes blockBytes(mode) bytes into 16 RGBA pixels.
void decodeBlock(const uint8_t* in, int mode, uint8_t rgba[16][4], Decoding decoding = Decoding::Cache);

// Whole level: pixels of `bytesPerPixel` (3 or 4), rows top first as stored.
void encodeLevel(const uint8_t* pixels, int width, int height, int bytesPerPixel, int mode, uint8_t* out);
void decodeLevel(const uint8_t* blocks, int width, int height, int bytesPerPixel, int mode, uint8_t* out,
                 Decoding decoding = Decoding::Cache);

} // namespace s3tc

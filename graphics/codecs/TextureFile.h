#pragma once

#include "graphics/codecs/TgaImage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A texture file decoded and validated, ready for upload: the texture
// resources read every format into this record first (no OpenGL here).
struct DecodedTexture {
    enum class Format { Rgb, Rgba, Dxt1, Dxt3, Dxt5 };

    Format format = Format::Rgb;
    int width = 0;
    int height = 0;
    int levels = 0;
    int pixelDepth = 24;       // 24 or 32 (.ctx: 32)
    TgaHeader header;          // Targa files only; zero otherwise
    std::vector<uint8_t> data; // every level, level 0 first
    // RGBA copies of the 4 × 4, 2 × 2 and 1 × 1 levels of square caches;
    // empty when absent.
    std::array<std::vector<uint8_t>, 3> smallLevels;

    bool isCompressed() const
    {
        return format == Format::Dxt1 || format == Format::Dxt3 || format == Format::Dxt5;
    }
    // Bytes of level i in `data`.
    size_t levelBytes(int level) const;
};

// Targa: the checks of the Targa reader, each failing one logged with the
// file name; pixels swapped to R, G, B(, A), rows as stored.
bool decodeTgaTexture(const uint8_t* data, size_t size, const std::string& fileName, DecodedTexture& out);
// ".rtx" and ".ctx": validated; a bad file is logged in one line.
bool decodeRtxTexture(const uint8_t* data, size_t size, const std::string& fileName, DecodedTexture& out);
bool decodeCtxTexture(const uint8_t* data, size_t size, const std::string& fileName, DecodedTexture& out);
// The 16 × 16 stand-in: white, red where the column equals the row or 16
// minus the row.
DecodedTexture makeMissingTextureImage();

// The kept image of a Targa texture: an 18-byte header (ID length 0,
// descriptor 0) and the pixels in R, G, B(, A) order, bottom row first.
std::vector<uint8_t> makeNormalisedTga(const DecodedTexture& texture);

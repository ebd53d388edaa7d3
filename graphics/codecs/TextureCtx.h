#pragma once

#include "graphics/codecs/TextureBase.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ".ctx": height, width, source bytes per pixel, level count (little-endian
// 32-bit words; sizes in the low 16 bits), the code "DXT1"/"DXT3"/"DXT5",
// the S3TC levels from level 0, and for square textures a raw tail of the
// last levels (21, 5 or 1 pixels of the source's bytes per pixel).
struct CtxHeader {
    static constexpr size_t kSize = 20;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0; // of the source: 3 or 4
    int levels = 0;
    int mode = 2; // s3tc::Mode: "DXT1" 0, "DXT3" 1, anything else DXT5
    uint32_t code = 0;
    size_t blockBytes = 0; // all levels
    size_t tailPixels = 0; // 0 unless square
};
// Validates a whole file image: sizes 1…32767, bytes per pixel 3 or 4,
// 1 ≤ levels ≤ full chain, the file long enough for the levels and the tail.
bool parseCtxHeader(const uint8_t* data, size_t size, CtxHeader& header, std::string& problem);
size_t ctxTailPixels(int width, int height, int levels);

// Compressed texture (build tools).
class TextureCtx : public TextureBase {
public:
    int height = 0;
    int width = 0;
    int bytesPerPixel = 0;
    int levelCount = 0;
    uint32_t formatCode = 0;
    int mode = 0;                  // 0 DXT1, 1 DXT3, 2 DXT5
    std::vector<uint8_t> mipChain; // decompressed levels

    // Compresses a chain (levels one after the other) and writes it through
    // the file system. False for sizes that are not powers of two, a short
    // chain or a failed write. `forceMode` ≥ 0 picks the mode (DXT3 is only
    // made that way); otherwise 3-byte pixels give DXT1 and others DXT5.
    bool save(const uint8_t* pixels, int bytesPerPixel, int width, int height, int levelCount,
              const std::string& fileName, int forceMode = -1);
    // Reads and decompresses a ".ctx" (".ctx" appended when the extension
    // differs); the raw tail is ignored.
    bool load(const std::string& fileName);
    bool decode(const uint8_t* data, size_t size);

    static std::vector<uint8_t> encode(const uint8_t* pixels, int bytesPerPixel, int width, int height,
                                       int levelCount, int mode);
};

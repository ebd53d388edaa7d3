#pragma once

#include "graphics/codecs/TextureBase.h"
#include "graphics/codecs/TgaImage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ".rtx": width, height, bytes per pixel, level count (four little-endian
// 32-bit words; sizes in the low 16 bits), then the levels from level 0.
struct RtxHeader {
    static constexpr size_t kSize = 16;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 3; // 4 when the file says 4, else 3
    int levels = 0;
    size_t chainBytes = 0;
};
// Validates a whole file image: sizes 1…32767, 1 ≤ levels ≤ full chain, and
// the file long enough for every level. On failure `problem` says why.
bool parseRtxHeader(const uint8_t* data, size_t size, RtxHeader& header, std::string& problem);
std::vector<uint8_t> encodeRtx(int width, int height, int bytesPerPixel, int levels,
                               const std::vector<uint8_t>& chain);

// Raw texture with its mip chain (build tools).
class TextureRtx : public TextureBase {
public:
    std::string name;
    bool clamp = false; // set: samples outside the image are left out when filtering
    TgaHeader header;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
    int levelCount = 0;
    std::vector<uint8_t> pixels;   // level 0
    std::vector<uint8_t> mipChain; // all levels

    // Targa source: ".tga" appended when the extension differs.
    bool loadTga(const std::string& fileName);
    // ".rtx" file: ".rtx" appended when the extension differs; validated.
    bool load(const std::string& fileName);
    bool decode(const uint8_t* data, size_t size);
    void swapRedBlue();
    void buildMipChain();
    // To `fileName`, or with an empty name to the texture's name with the
    // extension ".rtx"; through the file system.
    bool save(const std::string& fileName = std::string()) const;
};

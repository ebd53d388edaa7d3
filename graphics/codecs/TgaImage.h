#pragma once

#include "graphics/codecs/TextureBase.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The 18-byte Targa header, field by field (little-endian on disk).
struct TgaHeader {
    static constexpr size_t kSize = 18;
    static constexpr int kMaxSide = 32767;

    uint8_t idLength = 0;
    uint8_t colorMapType = 0;
    uint8_t imageType = 0;
    uint16_t colorMapOrigin = 0;
    uint16_t colorMapLength = 0;
    uint8_t colorMapDepth = 0;
    uint16_t xOrigin = 0;
    uint16_t yOrigin = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t pixelDepth = 0;
    uint8_t descriptor = 0;

    int bytesPerPixel() const { return pixelDepth / 8; }
    size_t pixelOffset() const { return kSize + idLength; }
    void write(std::vector<uint8_t>& out) const;
};

// What is wrong with a Targa file (bits; 0 = usable). Only uncompressed
// true-colour images (type 2, no colour map, 24 or 32 bits) are read; the
// pixels start after the image-ID field; rows are taken as stored and the
// descriptor is not read.
enum TgaProblem {
    kTgaBadType = 1,
    kTgaBadColorMap = 2,
    kTgaBadDepth = 4,
    kTgaShortData = 8,
    kTgaBadSize = 16,
};
int checkTga(const uint8_t* data, size_t size, TgaHeader& header);
// One level-3 line per problem, naming the file.
void logTgaProblems(int problems, const std::string& fileName);

// The Targa image record of the conversion tools: level 0 and its chain.
class TgaImage : public TextureBase {
public:
    std::string name;
    bool clamp = false; // set: samples outside the image are left out when filtering
    TgaHeader header;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
    std::vector<uint8_t> pixels; // level 0, as stored (B, G, R until swapped)
    size_t imageSize = 0;
    std::vector<uint8_t> mipChain;
    int levelCount = 0;
};

// Reads the file named by `name` with its extension replaced by ".tga"
// and checks it; false (no message) when unreadable or not a usable Targa.
bool readTgaHeader(TgaImage& image, const std::string& name);
// The same checks on a file image in memory.
bool readTgaImage(TgaImage& image, const uint8_t* data, size_t size);
// Exchanges the first and third byte of every pixel of level 0.
void swapRedBlue(TgaImage& image);
void swapRedBlue(uint8_t* pixels, size_t pixelCount, int bytesPerPixel);
void buildMipChain(TgaImage& image);
// Writes the ".rtx" layout of the chain (built first when missing) to `name`
// with its extension replaced by ".rtx"; through the file system.
bool writeRtxFile(const TgaImage& image, const std::string& name);

// Writes a Targa file (type 2, descriptor 0) of R, G, B(, A) pixels, rows in
// the order given, through the file system. bytesPerPixel is 3 or 4.
bool writeTga(int width, int height, int bytesPerPixel, const uint8_t* pixels, const std::string& fileName);
std::vector<uint8_t> encodeTga(int width, int height, int bytesPerPixel, const uint8_t* pixels);

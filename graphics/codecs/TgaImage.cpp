#include "graphics/codecs/TgaImage.h"

#include "engine/core/DebugSystem.h"
#include "graphics/codecs/CodecFiles.h"
#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/TextureRtx.h"

#include <cstring>

void TgaHeader::write(std::vector<uint8_t>& out) const
{
    out.push_back(idLength);
    out.push_back(colorMapType);
    out.push_back(imageType);
    codec::put16(out, colorMapOrigin);
    codec::put16(out, colorMapLength);
    out.push_back(colorMapDepth);
    codec::put16(out, xOrigin);
    codec::put16(out, yOrigin);
    codec::put16(out, width);
    codec::put16(out, height);
    out.push_back(pixelDepth);
    out.push_back(descriptor);
}

int checkTga(const uint8_t* data, size_t size, TgaHeader& h)
{
    h = TgaHeader();
    if (size < TgaHeader::kSize) {
        return kTgaShortData;
    }
    h.idLength = data[0];
    h.colorMapType = data[1];
    h.imageType = data[2];
    h.colorMapOrigin = codec::get16(data + 3);
    h.colorMapLength = codec::get16(data + 5);
    h.colorMapDepth = data[7];
    h.xOrigin = codec::get16(data + 8);
    h.yOrigin = codec::get16(data + 10);
    h.width = codec::get16(data + 12);
    h.height = codec::get16(data + 14);
    h.pixelDepth = data[16];
    h.descriptor = data[17];

    int problems = 0;
    if (h.imageType != 2) {
        problems |= kTgaBadType;
    }
    if (h.colorMapType != 0) {
        problems |= kTgaBadColorMap;
    }
    if (h.pixelDepth != 24 && h.pixelDepth != 32) {
        problems |= kTgaBadDepth;
    }
    if (h.width == 0 || h.height == 0 || h.width > TgaHeader::kMaxSide || h.height > TgaHeader::kMaxSide) {
        problems |= kTgaBadSize;
    }
    if (!(problems & (kTgaBadDepth | kTgaBadSize))) {
        uint64_t need = static_cast<uint64_t>(h.width) * h.height * static_cast<uint64_t>(h.bytesPerPixel()) +
                        h.pixelOffset();
        if (size < need) {
            problems |= kTgaShortData;
        }
    }
    return problems;
}

void logTgaProblems(int problems, const std::string& fileName)
{
    const char* name = fileName.c_str();
    if (problems & kTgaBadType) {
        debugPrint(3, "Incorrect image type in file %s\n", name);
    }
    if (problems & kTgaBadColorMap) {
        debugPrint(3, "Incorrect color map type in file %s\n", name);
    }
    if (problems & kTgaBadDepth) {
        debugPrint(3, "Incorrect pixel size in file %s\n", name);
    }
    if (problems & kTgaBadSize) {
        debugPrint(3, "Incorrect image size in file %s\n", name);
    }
    if (problems & kTgaShortData) {
        debugPrint(3, "Not enough pixel data in file %s\n", name);
    }
}

bool readTgaHeader(TgaImage& image, const std::string& name)
{
    std::vector<uint8_t> file;
    if (!codec::readWholeFile(codec::replaceExtension(name, "tga"), file)) {
        return false;
    }
    image.name = name;
    return readTgaImage(image, file.data(), file.size());
}

bool readTgaImage(TgaImage& image, const uint8_t* data, size_t size)
{
    TgaHeader h;
    if (checkTga(data, size, h) != 0) {
        return false;
    }
    image.header = h;
    image.width = h.width;
    image.height = h.height;
    image.bytesPerPixel = h.bytesPerPixel();
    image.imageSize = static_cast<size_t>(h.width) * h.height * static_cast<size_t>(image.bytesPerPixel);
    const uint8_t* start = data + h.pixelOffset();
    image.pixels.assign(start, start + image.imageSize);
    image.mipChain.clear();
    image.levelCount = 0;
    return true;
}

void swapRedBlue(uint8_t* pixels, size_t pixelCount, int bytesPerPixel)
{
    for (size_t i = 0; i < pixelCount; ++i) {
        uint8_t* p = pixels + i * static_cast<size_t>(bytesPerPixel);
        std::swap(p[0], p[2]);
    }
}

void swapRedBlue(TgaImage& image)
{
    if (image.bytesPerPixel >= 3) {
        swapRedBlue(image.pixels.data(), image.pixels.size() / image.bytesPerPixel, image.bytesPerPixel);
    }
}

void buildMipChain(TgaImage& image)
{
    image.levelCount = mip::levelCount(image.width, image.height);
    image.mipChain =
        mip::buildChain(image.pixels.data(), image.width, image.height, image.bytesPerPixel, image.clamp);
}

bool writeRtxFile(const TgaImage& image, const std::string& name)
{
    if (image.pixels.empty()) {
        return false;
    }
    std::vector<uint8_t> chain = image.mipChain;
    int levels = image.levelCount;
    if (chain.empty()) {
        levels = mip::levelCount(image.width, image.height);
        chain =
            mip::buildChain(image.pixels.data(), image.width, image.height, image.bytesPerPixel, image.clamp);
    }
    std::vector<uint8_t> out = encodeRtx(image.width, image.height, image.bytesPerPixel, levels, chain);
    return codec::writeWholeFile(codec::replaceExtension(name, "rtx"), out.data(), out.size());
}

std::vector<uint8_t> encodeTga(int width, int height, int bytesPerPixel, const uint8_t* pixels)
{
    TgaHeader h;
    h.imageType = 2;
    h.width = static_cast<uint16_t>(width);
    h.height = static_cast<uint16_t>(height);
    h.pixelDepth = static_cast<uint8_t>(bytesPerPixel == 4 ? 32 : 24);
    std::vector<uint8_t> out;
    size_t bytes = static_cast<size_t>(width) * height * bytesPerPixel;
    out.reserve(TgaHeader::kSize + bytes);
    h.write(out);
    out.insert(out.end(), pixels, pixels + bytes);
    swapRedBlue(out.data() + TgaHeader::kSize, static_cast<size_t>(width) * height, bytesPerPixel);
    return out;
}

bool writeTga(int width, int height, int bytesPerPixel, const uint8_t* pixels, const std::string& fileName)
{
    if (width <= 0 || height <= 0 || width > TgaHeader::kMaxSide || height > TgaHeader::kMaxSide ||
        (bytesPerPixel != 3 && bytesPerPixel != 4) || !pixels) {
        return false;
    }
    std::vector<uint8_t> out = encodeTga(width, height, bytesPerPixel, pixels);
    return codec::writeWholeFile(fileName, out.data(), out.size());
}

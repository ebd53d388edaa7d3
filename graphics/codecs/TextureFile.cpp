#include "graphics/codecs/TextureFile.h"

#include "engine/core/DebugSystem.h"
#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/S3tc.h"
#include "graphics/codecs/TextureCtx.h"
#include "graphics/codecs/TextureRtx.h"

#include <cstring>

namespace {

void copyAsRgba(const uint8_t* source, size_t pixels, int bytesPerPixel, std::vector<uint8_t>& out)
{
    out.resize(pixels * 4);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = source + i * static_cast<size_t>(bytesPerPixel);
        out[i * 4] = p[0];
        out[i * 4 + 1] = p[1];
        out[i * 4 + 2] = p[2];
        out[i * 4 + 3] = bytesPerPixel == 4 ? p[3] : 255;
    }
}

int smallLevelSlot(int side)
{
    return side == 4 ? 0 : side == 2 ? 1 : side == 1 ? 2 : -1;
}

} // namespace

size_t DecodedTexture::levelBytes(int level) const
{
    int w = mip::levelWidth(width, level), h = mip::levelWidth(height, level);
    switch (format) {
    case Format::Dxt1:
        return s3tc::levelBytes(w, h, s3tc::Dxt1);
    case Format::Dxt3:
    case Format::Dxt5:
        return s3tc::levelBytes(w, h, s3tc::Dxt5);
    case Format::Rgba:
        return static_cast<size_t>(w) * h * 4;
    case Format::Rgb:
        break;
    }
    return static_cast<size_t>(w) * h * 3;
}

bool decodeTgaTexture(const uint8_t* data, size_t size, const std::string& fileName, DecodedTexture& out)
{
    out = DecodedTexture();
    TgaHeader h;
    int problems = checkTga(data, size, h);
    if (problems != 0) {
        logTgaProblems(problems, fileName);
        return false;
    }
    out.header = h;
    out.width = h.width;
    out.height = h.height;
    out.levels = 1;
    out.pixelDepth = h.pixelDepth;
    int bpp = h.bytesPerPixel();
    out.format = bpp == 4 ? DecodedTexture::Format::Rgba : DecodedTexture::Format::Rgb;
    size_t bytes = static_cast<size_t>(h.width) * h.height * static_cast<size_t>(bpp);
    const uint8_t* start = data + h.pixelOffset();
    out.data.assign(start, start + bytes);
    swapRedBlue(out.data.data(), static_cast<size_t>(h.width) * h.height, bpp);
    return true;
}

bool decodeRtxTexture(const uint8_t* data, size_t size, const std::string& fileName, DecodedTexture& out)
{
    out = DecodedTexture();
    RtxHeader h;
    std::string problem;
    if (!parseRtxHeader(data, size, h, problem)) {
        debugPrint(3, "Damaged texture file %s: %s\n", fileName.c_str(), problem.c_str());
        return false;
    }
    out.width = h.width;
    out.height = h.height;
    out.levels = h.levels;
    out.pixelDepth = h.bytesPerPixel == 4 ? 32 : 24;
    out.format = h.bytesPerPixel == 4 ? DecodedTexture::Format::Rgba : DecodedTexture::Format::Rgb;
    const uint8_t* chain = data + RtxHeader::kSize;
    out.data.assign(chain, chain + h.chainBytes);
    if (h.width == h.height) {
        size_t offset = mip::levelBytes(h.width, h.height, 0, h.bytesPerPixel);
        for (int i = 1; i < h.levels; ++i) {
            int side = mip::levelWidth(h.width, i);
            int slot = smallLevelSlot(side);
            if (slot >= 0) {
                copyAsRgba(chain + offset, static_cast<size_t>(side) * side, h.bytesPerPixel,
                           out.smallLevels[slot]);
            }
            offset += mip::levelBytes(h.width, h.height, i, h.bytesPerPixel);
        }
    }
    return true;
}

bool decodeCtxTexture(const uint8_t* data, size_t size, const std::string& fileName, DecodedTexture& out)
{
    out = DecodedTexture();
    CtxHeader h;
    std::string problem;
    if (!parseCtxHeader(data, size, h, problem)) {
        debugPrint(3, "Damaged texture file %s: %s\n", fileName.c_str(), problem.c_str());
        return false;
    }
    out.width = h.width;
    out.height = h.height;
    out.levels = h.levels;
    out.pixelDepth = 32;
    out.format = h.mode == s3tc::Dxt1   ? DecodedTexture::Format::Dxt1
                 : h.mode == s3tc::Dxt3 ? DecodedTexture::Format::Dxt3
                                        : DecodedTexture::Format::Dxt5;
    const uint8_t* blocks = data + CtxHeader::kSize;
    out.data.assign(blocks, blocks + h.blockBytes);
    if (h.tailPixels > 0) {
        const uint8_t* tail = blocks + h.blockBytes;
        int firstSide = h.levels >= 3 ? 4 : h.levels == 2 ? 2 : 1;
        for (int side = firstSide; side >= 1; side /= 2) {
            size_t pixels = static_cast<size_t>(side) * side;
            copyAsRgba(tail, pixels, h.bytesPerPixel, out.smallLevels[smallLevelSlot(side)]);
            tail += pixels * static_cast<size_t>(h.bytesPerPixel);
        }
    }
    return true;
}

DecodedTexture makeMissingTextureImage()
{
    DecodedTexture t;
    t.width = 16;
    t.height = 16;
    t.levels = 1;
    t.pixelDepth = 24;
    t.format = DecodedTexture::Format::Rgb;
    t.header.imageType = 2;
    t.header.width = 16;
    t.header.height = 16;
    t.header.pixelDepth = 24;
    t.data.resize(16 * 16 * 3);
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 16; ++column) {
            uint8_t* p = &t.data[(row * 16 + column) * 3];
            bool red = column == row || column == 16 - row;
            p[0] = 255;
            p[1] = red ? 0 : 255;
            p[2] = red ? 0 : 255;
        }
    }
    return t;
}

std::vector<uint8_t> makeNormalisedTga(const DecodedTexture& texture)
{
    TgaHeader h = texture.header;
    h.idLength = 0;
    h.descriptor = 0;
    std::vector<uint8_t> out;
    out.reserve(TgaHeader::kSize + texture.levelBytes(0));
    h.write(out);
    out.insert(out.end(), texture.data.begin(),
               texture.data.begin() + static_cast<long>(texture.levelBytes(0)));
    return out;
}

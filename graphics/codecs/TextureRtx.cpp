#include "graphics/codecs/TextureRtx.h"

#include "graphics/codecs/CodecFiles.h"
#include "graphics/codecs/MipChain.h"

#include <algorithm>

bool parseRtxHeader(const uint8_t* data, size_t size, RtxHeader& h, std::string& problem)
{
    h = RtxHeader();
    if (size < RtxHeader::kSize) {
        problem = "shorter than its header";
        return false;
    }
    h.width = codec::get32(data) & 0xFFFF;
    h.height = codec::get32(data + 4) & 0xFFFF;
    h.bytesPerPixel = codec::get32(data + 8) == 4 ? 4 : 3;
    uint32_t levels = codec::get32(data + 12);
    if (h.width < 1 || h.height < 1 || h.width > TgaHeader::kMaxSide || h.height > TgaHeader::kMaxSide) {
        problem = "bad image size";
        return false;
    }
    if (levels < 1 || levels > static_cast<uint32_t>(mip::levelCount(h.width, h.height))) {
        problem = "bad level count";
        return false;
    }
    h.levels = static_cast<int>(levels);
    h.chainBytes = mip::chainBytes(h.width, h.height, h.bytesPerPixel, h.levels);
    if (size - RtxHeader::kSize < h.chainBytes) {
        problem = "cut short";
        return false;
    }
    return true;
}

std::vector<uint8_t> encodeRtx(int width, int height, int bytesPerPixel, int levels,
                               const std::vector<uint8_t>& chain)
{
    std::vector<uint8_t> out;
    out.reserve(RtxHeader::kSize + chain.size());
    codec::put32(out, static_cast<uint32_t>(width));
    codec::put32(out, static_cast<uint32_t>(height));
    codec::put32(out, static_cast<uint32_t>(bytesPerPixel));
    codec::put32(out, static_cast<uint32_t>(levels));
    out.insert(out.end(), chain.begin(), chain.end());
    return out;
}

bool TextureRtx::loadTga(const std::string& fileName)
{
    TgaImage image;
    if (!readTgaHeader(image, codec::withExtension(fileName, "tga"))) {
        return false;
    }
    name = fileName;
    header = image.header;
    width = image.width;
    height = image.height;
    bytesPerPixel = image.bytesPerPixel;
    pixels = std::move(image.pixels);
    mipChain.clear();
    levelCount = 0;
    return true;
}

bool TextureRtx::load(const std::string& fileName)
{
    std::vector<uint8_t> file;
    if (!codec::readWholeFile(codec::withExtension(fileName, "rtx"), file)) {
        return false;
    }
    if (!decode(file.data(), file.size())) {
        return false;
    }
    name = fileName;
    return true;
}

bool TextureRtx::decode(const uint8_t* data, size_t size)
{
    RtxHeader h;
    std::string problem;
    if (!parseRtxHeader(data, size, h, problem)) {
        return false;
    }
    header = TgaHeader();
    width = h.width;
    height = h.height;
    bytesPerPixel = h.bytesPerPixel;
    levelCount = h.levels;
    const uint8_t* start = data + RtxHeader::kSize;
    mipChain.assign(start, start + h.chainBytes);
    pixels.assign(start, start + mip::levelBytes(width, height, 0, bytesPerPixel));
    return true;
}

void TextureRtx::swapRedBlue()
{
    if (bytesPerPixel >= 3) {
        ::swapRedBlue(pixels.data(), pixels.size() / bytesPerPixel, bytesPerPixel);
    }
}

void TextureRtx::buildMipChain()
{
    levelCount = mip::levelCount(width, height);
    mipChain = mip::buildChain(pixels.data(), width, height, bytesPerPixel, clamp);
}

bool TextureRtx::save(const std::string& fileName) const
{
    if (mipChain.empty() || levelCount < 1) {
        return false;
    }
    std::string target = fileName.empty() ? codec::replaceExtension(name, "rtx") : fileName;
    std::vector<uint8_t> out = encodeRtx(width, height, bytesPerPixel, levelCount, mipChain);
    return codec::writeWholeFile(target, out.data(), out.size());
}

#include "graphics/codecs/TextureCtx.h"

#include "graphics/codecs/CodecFiles.h"
#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/S3tc.h"
#include "graphics/codecs/TgaImage.h"

#include <cstring>

namespace {

constexpr uint32_t fourCc(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

constexpr uint32_t kDxt1 = fourCc('D', 'X', 'T', '1');
constexpr uint32_t kDxt3 = fourCc('D', 'X', 'T', '3');
constexpr uint32_t kDxt5 = fourCc('D', 'X', 'T', '5');

bool isPowerOfTwo(int v)
{
    return v > 0 && (v & (v - 1)) == 0;
}

// Offset of the tail's first pixel in the chain.
size_t tailStart(int width, int height, int bytesPerPixel, int levels)
{
    return levels >= 3 ? mip::chainBytes(width, height, bytesPerPixel, levels - 3) : 0;
}

} // namespace

size_t ctxTailPixels(int width, int height, int levels)
{
    if (width != height || levels < 1) {
        return 0;
    }
    return levels >= 3 ? 21 : levels == 2 ? 5 : 1;
}

bool parseCtxHeader(const uint8_t* data, size_t size, CtxHeader& h, std::string& problem)
{
    h = CtxHeader();
    if (size < CtxHeader::kSize) {
        problem = "shorter than its header";
        return false;
    }
    h.height = codec::get32(data) & 0xFFFF;
    h.width = codec::get32(data + 4) & 0xFFFF;
    uint32_t bpp = codec::get32(data + 8);
    uint32_t levels = codec::get32(data + 12);
    h.code = codec::get32(data + 16);
    h.mode = h.code == kDxt1 ? s3tc::Dxt1 : h.code == kDxt3 ? s3tc::Dxt3 : s3tc::Dxt5;
    if (h.width < 1 || h.height < 1 || h.width > TgaHeader::kMaxSide || h.height > TgaHeader::kMaxSide) {
        problem = "bad image size";
        return false;
    }
    if (bpp != 3 && bpp != 4) {
        problem = "bad bytes per pixel";
        return false;
    }
    h.bytesPerPixel = static_cast<int>(bpp);
    if (levels < 1 || levels > static_cast<uint32_t>(mip::levelCount(h.width, h.height))) {
        problem = "bad level count";
        return false;
    }
    h.levels = static_cast<int>(levels);
    for (int i = 0; i < h.levels; ++i) {
        h.blockBytes += s3tc::levelBytes(mip::levelWidth(h.width, i), mip::levelWidth(h.height, i), h.mode);
    }
    h.tailPixels = ctxTailPixels(h.width, h.height, h.levels);
    if (size - CtxHeader::kSize < h.blockBytes + h.tailPixels * static_cast<size_t>(h.bytesPerPixel)) {
        problem = "cut short";
        return false;
    }
    return true;
}

std::vector<uint8_t> TextureCtx::encode(const uint8_t* pixels, int bytesPerPixel, int width, int height,
                                        int levelCount, int mode)
{
    std::vector<uint8_t> out;
    codec::put32(out, static_cast<uint32_t>(height));
    codec::put32(out, static_cast<uint32_t>(width));
    codec::put32(out, static_cast<uint32_t>(bytesPerPixel));
    codec::put32(out, static_cast<uint32_t>(levelCount));
    codec::put32(out, mode == s3tc::Dxt1 ? kDxt1 : mode == s3tc::Dxt3 ? kDxt3 : kDxt5);
    size_t offset = 0;
    for (int i = 0; i < levelCount; ++i) {
        int w = mip::levelWidth(width, i), h = mip::levelWidth(height, i);
        size_t at = out.size();
        out.resize(at + s3tc::levelBytes(w, h, mode));
        s3tc::encodeLevel(pixels + offset, w, h, bytesPerPixel, mode, out.data() + at);
        offset += mip::levelBytes(width, height, i, bytesPerPixel);
    }
    size_t tail = ctxTailPixels(width, height, levelCount) * static_cast<size_t>(bytesPerPixel);
    if (tail > 0) {
        const uint8_t* start = pixels + tailStart(width, height, bytesPerPixel, levelCount);
        out.insert(out.end(), start, start + tail);
    }
    return out;
}

bool TextureCtx::save(const uint8_t* pixels, int bpp, int w, int h, int levels, const std::string& fileName,
                      int forceMode)
{
    if (!pixels || !isPowerOfTwo(w) || !isPowerOfTwo(h) || w > TgaHeader::kMaxSide ||
        h > TgaHeader::kMaxSide || (bpp != 3 && bpp != 4) || levels < 1 || levels > mip::levelCount(w, h)) {
        return false;
    }
    int chosen = forceMode >= 0 ? forceMode : (bpp == 3 ? s3tc::Dxt1 : s3tc::Dxt5);
    // The tail of a short chain must lie inside it.
    size_t chain = mip::chainBytes(w, h, bpp, levels);
    size_t tail = ctxTailPixels(w, h, levels) * static_cast<size_t>(bpp);
    if (tail > 0 && tailStart(w, h, bpp, levels) + tail > chain) {
        return false;
    }
    std::vector<uint8_t> out = encode(pixels, bpp, w, h, levels, chosen);
    return codec::writeWholeFile(fileName, out.data(), out.size());
}

bool TextureCtx::decode(const uint8_t* data, size_t size)
{
    CtxHeader h;
    std::string problem;
    mipChain.clear();
    if (!parseCtxHeader(data, size, h, problem)) {
        return false;
    }
    height = h.height;
    width = h.width;
    bytesPerPixel = h.bytesPerPixel;
    levelCount = h.levels;
    formatCode = h.code;
    mode = h.mode;
    mipChain.resize(mip::chainBytes(width, height, bytesPerPixel, levelCount));
    const uint8_t* blocks = data + CtxHeader::kSize;
    size_t offset = 0;
    for (int i = 0; i < levelCount; ++i) {
        int w = mip::levelWidth(width, i), hh = mip::levelWidth(height, i);
        s3tc::decodeLevel(blocks, w, hh, bytesPerPixel, mode, mipChain.data() + offset);
        blocks += s3tc::levelBytes(w, hh, mode);
        offset += mip::levelBytes(width, height, i, bytesPerPixel);
    }
    return true;
}

bool TextureCtx::load(const std::string& fileName)
{
    std::vector<uint8_t> file;
    if (!codec::readWholeFile(codec::withExtension(fileName, "ctx"), file)) {
        mipChain.clear();
        return false;
    }
    return decode(file.data(), file.size());
}

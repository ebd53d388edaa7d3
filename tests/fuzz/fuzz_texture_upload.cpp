// A texture file as the resource reads it (the first byte picks Targa, ".rtx"
// or ".ctx"; the rest is the file), then its levels walked as the upload
// walks them: the same stride per level, and compressed levels decoded to
// RGBA the way the upload does for an OpenGL without texture compression.
// Every level the upload reads must lie inside the decoded data.
#include "FuzzSupport.h"
#include "engine/core/DebugSystem.h"
#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/S3tc.h"
#include "graphics/codecs/TextureFile.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    if (size < 1) {
        return 0;
    }
    DecodedTexture texture;
    bool decoded = false;
    switch (data[0] % 3) {
    case 0:
        decoded = decodeTgaTexture(data + 1, size - 1, "fuzz.tga", texture);
        break;
    case 1:
        decoded = decodeRtxTexture(data + 1, size - 1, "fuzz.rtx", texture);
        break;
    default:
        decoded = decodeCtxTexture(data + 1, size - 1, "fuzz.ctx", texture);
        break;
    }
    if (decoded) {
        FUZZ_CHECK(texture.width > 0 && texture.height > 0 && texture.levels >= 1);
        const bool compressed = texture.isCompressed();
        const int mode = texture.format == DecodedTexture::Format::Dxt1   ? s3tc::Dxt1
                         : texture.format == DecodedTexture::Format::Dxt3 ? s3tc::Dxt3
                                                                          : s3tc::Dxt5;
        const int bytesPerPixel = texture.format == DecodedTexture::Format::Rgba ? 4 : 3;
        size_t offset = 0;
        std::vector<uint8_t> rgba;
        for (int i = 0; i < texture.levels; ++i) {
            const int w = mip::levelWidth(texture.width, i);
            const int h = mip::levelWidth(texture.height, i);
            const size_t bytes = compressed ? s3tc::levelBytes(w, h, mode)
                                            : static_cast<size_t>(w) * h * static_cast<size_t>(bytesPerPixel);
            FUZZ_CHECK(bytes == texture.levelBytes(i));
            FUZZ_CHECK(offset + bytes <= texture.data.size());
            if (compressed) {
                rgba.assign(static_cast<size_t>(w) * h * 4, 0);
                s3tc::decodeLevel(texture.data.data() + offset, w, h, 4, mode, rgba.data(),
                                  s3tc::Decoding::Sampler);
            }
            offset += bytes;
        }
    }
    debug->clearRecentLines();
    return 0;
}

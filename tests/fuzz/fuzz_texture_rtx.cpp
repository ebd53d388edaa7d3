// Fuzzes both ".rtx" readers: the texture resource's decode and the build
// tools' loader; accepted files have every level inside the buffers.
#include "FuzzSupport.h"
#include "engine/core/DebugSystem.h"
#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/TextureFile.h"
#include "graphics/codecs/TextureRtx.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    DecodedTexture texture;
    bool decoded = decodeRtxTexture(data, size, "fuzz.rtx", texture);
    TextureRtx rtx;
    bool loaded = rtx.decode(data, size);
    FUZZ_CHECK(decoded == loaded);
    if (decoded) {
        FUZZ_CHECK(texture.levels >= 1 && texture.levels <= mip::levelCount(texture.width, texture.height));
        size_t total = 0;
        for (int i = 0; i < texture.levels; ++i) {
            total += texture.levelBytes(i);
        }
        FUZZ_CHECK(total == texture.data.size());
        FUZZ_CHECK(rtx.mipChain == texture.data);
        FUZZ_CHECK(16 + total <= size);
        for (const auto& level : texture.smallLevels) {
            FUZZ_CHECK(level.empty() || level.size() == 64 || level.size() == 16 || level.size() == 4);
        }
    }
    debug->clearRecentLines();
    return 0;
}

// Fuzzes both ".ctx" readers: the texture resource's decode (blocks and raw
// tail) and the build tools' decompressor; what one accepts the other does.
#include "FuzzSupport.h"
#include "engine/core/DebugSystem.h"
#include "graphics/codecs/MipChain.h"
#include "graphics/codecs/TextureCtx.h"
#include "graphics/codecs/TextureFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    DecodedTexture texture;
    bool decoded = decodeCtxTexture(data, size, "fuzz.ctx", texture);
    TextureCtx ctx;
    // The decompressor's output is large for big headers; the size check
    // comes first, so only files that hold their blocks get that far.
    bool loaded = ctx.decode(data, size);
    FUZZ_CHECK(decoded == loaded);
    if (decoded) {
        size_t total = 0;
        for (int i = 0; i < texture.levels; ++i) {
            total += texture.levelBytes(i);
        }
        FUZZ_CHECK(total == texture.data.size());
        FUZZ_CHECK(20 + total <= size);
        FUZZ_CHECK(ctx.mipChain.size() ==
                   mip::chainBytes(ctx.width, ctx.height, ctx.bytesPerPixel, ctx.levelCount));
        FUZZ_CHECK(texture.isCompressed());
    }
    debug->clearRecentLines();
    return 0;
}

// A texture file as the resource reads it (the first byte picks Targa, ".rtx"
// or ".ctx"; the rest is the file), then its levels walked by the upload's
// own walk, compressed levels decoded to RGBA as for an OpenGL without
// texture compression. Every level the upload reads must lie inside the
// decoded data.
#include "FuzzSupport.h"
#include "engine/core/DebugSystem.h"
#include "graphics/codecs/TextureFile.h"
#include "graphics/codecs/UploadLevels.h"

#include <cstdint>

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
        // Compressed levels decoded as for an OpenGL without texture compression.
        UploadLevels walk(texture.data.data(), texture.data.size(), texture.width, texture.height,
                          texture.format, texture.levels, true);
        UploadLevels::Level level;
        while (walk.next(level)) {
            FUZZ_CHECK(level.bytes == texture.levelBytes(level.index));
            FUZZ_CHECK(level.pixels != nullptr && !level.compressed);
        }
        FUZZ_CHECK(walk.complete());
    }
    debug->clearRecentLines();
    return 0;
}

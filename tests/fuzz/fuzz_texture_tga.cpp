// Fuzzes both Targa readers: the texture resource's decode and the build
// tools' reader. What one accepts the other accepts, with consistent sizes.
#include "FuzzSupport.h"
#include "engine/core/DebugSystem.h"
#include "graphics/codecs/TextureFile.h"
#include "graphics/codecs/TgaImage.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    DecodedTexture texture;
    bool decoded = decodeTgaTexture(data, size, "fuzz.tga", texture);
    TgaImage image;
    bool read = readTgaImage(image, data, size);
    FUZZ_CHECK(decoded == read);
    if (decoded) {
        FUZZ_CHECK(texture.width >= 1 && texture.width <= 32767 && texture.height >= 1 &&
                   texture.height <= 32767);
        FUZZ_CHECK(texture.levels == 1);
        FUZZ_CHECK(texture.data.size() == texture.levelBytes(0));
        FUZZ_CHECK(image.pixels.size() == texture.data.size());
        FUZZ_CHECK(makeNormalisedTga(texture).size() == 18 + texture.data.size());
    }
    debug->clearRecentLines();
    return 0;
}

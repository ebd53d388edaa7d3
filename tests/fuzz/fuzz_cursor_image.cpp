// Arbitrary bytes as a cursor's Targa file. What decodes is at most the
// largest cursor either way, holds four bytes a pixel, and every pixel is
// fully opaque or fully transparent.
#include "FuzzSupport.h"
#include "engine/core/DebugSystem.h"
#include "ui/UICursors.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    CursorImage image;
    if (UICursors::decode(data, size, "fuzz.tga", image)) {
        FUZZ_CHECK(image.width > 0 && image.width <= UICursors::kMaxSide);
        FUZZ_CHECK(image.height > 0 && image.height <= UICursors::kMaxSide);
        FUZZ_CHECK(image.rgba.size() == static_cast<size_t>(image.width) * image.height * 4);
        for (size_t i = 3; i < image.rgba.size(); i += 4) {
            FUZZ_CHECK(image.rgba[i] == 0 || image.rgba[i] == 255);
        }
    }
    debug->clearRecentLines();
    return 0;
}

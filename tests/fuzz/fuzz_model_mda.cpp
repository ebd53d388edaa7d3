// Fuzzes the animation reader (.mda) and the frame queries.
#include "engine/core/DebugSystem.h"
#include "engine/resources/AnimationResource.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    auto anim = AnimationResource::parse("fuzz.mda", data, size);
    if (anim) {
        for (int f = -1; f <= anim->getNumFrames(); ++f) {
            anim->getFrameBoundsMin(f);
            anim->getFrameBoundsMax(f);
            anim->getFrameRadius(f);
            anim->getKey(f, anim->getNumBones() - 1);
        }
        std::vector<uint8_t> written = anim->serialize();
        auto again = AnimationResource::parse("again.mda", written.data(), written.size());
        if (!again || again->serialize() != written) {
            __builtin_trap();
        }
    }
    debug->clearRecentLines();
    return 0;
}

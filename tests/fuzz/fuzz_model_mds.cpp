// Fuzzes the skeleton reader (.mds); what it accepts must write back and read
// again unchanged.
#include "engine/core/DebugSystem.h"
#include "engine/resources/SkeletonResource.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    auto skeleton = SkeletonResource::parse("fuzz.mds", data, size);
    if (skeleton) {
        for (int i = 0; i < skeleton->getNumBones(); ++i) {
            int parent = skeleton->getBone(i)->parent;
            if (parent >= i || parent < -1) {
                __builtin_trap();
            }
        }
        std::vector<uint8_t> written = skeleton->serialize();
        auto again = SkeletonResource::parse("again.mds", written.data(), written.size());
        if (!again || again->serialize() != written) {
            __builtin_trap();
        }
    }
    debug->clearRecentLines();
    return 0;
}

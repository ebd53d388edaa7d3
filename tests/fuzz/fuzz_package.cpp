// Zip package reader over arbitrary bytes: open from memory, look members up
// and read (inflate and verify) every one.
#include "engine/core/DebugSystem.h"
#include "engine/files/ZipPackage.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    (void)debug;
    ZipPackage package;
    if (!package.openMemory(std::vector<uint8_t>(data, data + size), "fuzz.zip")) {
        return 0;
    }
    std::vector<uint8_t> bytes;
    int count = 0;
    for (const ZipPackage::Member& member : package.getMembers()) {
        if (package.find(member.name) == nullptr) {
            __builtin_trap();
        }
        package.read(member, bytes);
        if (++count >= 64) {
            break;
        }
    }
    package.hasDirectory("textures");
    return 0;
}

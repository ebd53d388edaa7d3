// Fuzzes the mesh set reader (.mdm); every index it accepts must be inside
// its mesh, and what it accepts must write back unchanged.
#include "engine/core/DebugSystem.h"
#include "engine/resources/MeshSetResource.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    auto set = MeshSetResource::parse("fuzz.mdm", data, size);
    if (set) {
        for (const Mesh& m : set->meshes()) {
            for (const MeshVertex& v : m.vertices) {
                if (static_cast<uint64_t>(v.firstWeight) + v.weightCount > m.weights.size()) {
                    __builtin_trap();
                }
            }
            for (uint32_t t : m.triangles) {
                if (t >= m.vertices.size()) {
                    __builtin_trap();
                }
            }
        }
        std::vector<uint8_t> written = set->serialize();
        auto again = MeshSetResource::parse("again.mdm", written.data(), written.size());
        if (!again || again->serialize() != written) {
            __builtin_trap();
        }
    }
    debug->clearRecentLines();
    return 0;
}

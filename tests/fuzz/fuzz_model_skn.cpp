// Fuzzes the skin reader (.skn) and its surface queries.
#include "engine/core/DebugSystem.h"
#include "engine/resources/Skin.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    auto skin = Skin::parse("fuzz.skn", data, size);
    Skin copy;
    Skin::copySurfaces(copy, *skin);
    for (const SkinSurface& s : skin->getSurfaces()) {
        const SkinSurface* found = copy.findSurface(s.surface);
        if (!found || found->shaderName != s.shaderName || copy.getSurfaceShader(s.surface) != s.shader.getIndex()) {
            __builtin_trap();
        }
    }
    debug->clearRecentLines();
    return 0;
}

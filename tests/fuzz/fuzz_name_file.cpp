// Arbitrary bytes as a name file's text ("Names/<list>.txt"), then names drawn
// from it on a few seeds. A name is made of the file's own lines, at most one
// first, one last and the largest middle count of middles, and the same seed
// gives the same name.
#include "FuzzSupport.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/NameGenerator.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    static NameGenerator* names = new NameGenerator();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    names->clear();
    names->addList("fuzz", text);
    const size_t longest = size * (NameGenerator::kMaxMiddleSyllables + 2);
    for (uint32_t seed : {0u, 1u, 7u, 0x9e3779b9u, 0xffffffffu}) {
        const std::string name = names->generateName("fuzz", seed);
        FUZZ_CHECK(name.size() <= longest);
        FUZZ_CHECK(name == names->generateName("Fuzz", seed));
    }
    debug->clearRecentLines();
    return 0;
}

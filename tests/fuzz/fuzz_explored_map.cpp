// Reads arbitrary bytes as a character's explored map (levels of 8 tiles,
// grids of 4 × 4 cells, four levels in the world). A file that is taken is
// written again, read again and written a second time alike; one that is
// refused changes nothing. Nothing may crash or read past the end.
#include "engine/core/ByteBuffer.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/FakeClientView.h"
#include "tests/support/FakeMapWorld.h"
#include "ui/maps/WorldMap.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem debug;
    static FakeMapWorld* world = [] {
        auto* w = new FakeMapWorld(8);
        for (int i = 0; i < 4; ++i) {
            w->addLevel(i, 0, "L");
        }
        return w;
    }();
    static FakeClientView view;
    // The first byte chooses whether a world is loaded (level indices are
    // then held to its four levels).
    world->loaded = size > 0 && (data[0] & 1);
    WorldMap map(*world, view);
    map.getExploredLevel(1, true);
    ByteBuffer in(data, size);
    std::string field;
    if (!map.readExplored(in, field)) {
        FUZZ_CHECK(!field.empty());
        FUZZ_CHECK(map.getExploredLevel(1, false) != nullptr);
        return 0;
    }
    ByteBuffer first;
    map.writeExplored(first);
    ByteBuffer again(first.data(), first.size());
    FUZZ_CHECK(map.readExplored(again, field));
    ByteBuffer second;
    map.writeExplored(second);
    FUZZ_CHECK(first.bytes() == second.bytes());
    return 0;
}

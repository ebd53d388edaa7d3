// Parses arbitrary bytes as an area block file, checks that every cell names
// an entry of its lists, and that the written text reads back the same.
#include "engine/core/DebugSystem.h"
#include "engine/core/TextReader.h"
#include "game/world/AreaResource.h"
#include "tests/fuzz/FuzzSupport.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void checkCells(const AreaResource& area)
{
    const int tiles = static_cast<int>(area.getTiles().size());
    const int types = static_cast<int>(area.getObjectTypes().size());
    for (const auto& block : area.getBlocks()) {
        FUZZ_CHECK(block->tiles.size() == 64u && block->objects.size() == 64u);
        for (int t : block->tiles) {
            FUZZ_CHECK(t >= -1 && t < tiles);
        }
        for (const AreaCellObject& o : block->objects) {
            FUZZ_CHECK(o.type >= -1 && o.type < types);
        }
        FUZZ_CHECK(block->openSides >= 0 && block->openSides <= 15);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem debug;
    // Small blocks keep each run short; the reader does not depend on the size.
    TextReader reader(std::string_view(reinterpret_cast<const char*>(data), size), "Levels/fuzz.ara");
    std::unique_ptr<AreaResource> area = AreaResource::parse(reader, 8, 8);
    checkCells(*area);

    std::vector<int> uses;
    std::array<int, 4> wanted{-1, -1, -1, -1};
    for (int i = 0; i < 4 && i < static_cast<int>(size); ++i) {
        wanted[i] = static_cast<int>(static_cast<int8_t>(data[i])) % 8;
    }
    int chosen = area->chooseBlock(wanted, uses);
    FUZZ_CHECK(chosen >= -1 && chosen < area->getBlockCount());

    std::string text = area->buildText();
    TextReader again(text, "Levels/fuzz-saved.ara");
    std::unique_ptr<AreaResource> copy = AreaResource::parse(again, 8, 8);
    checkCells(*copy);
    FUZZ_CHECK(copy->getBlockCount() == area->getBlockCount());
    FUZZ_CHECK(copy->getTiles().size() == area->getTiles().size());
    FUZZ_CHECK(copy->getEdgeKinds() == area->getEdgeKinds());
    for (int b = 0; b < area->getBlockCount(); ++b) {
        const AreaBlock& x = *area->getBlock(b);
        const AreaBlock& y = *copy->getBlock(b);
        FUZZ_CHECK(x.name == y.name && x.tiles == y.tiles && x.edges == y.edges);
        FUZZ_CHECK(x.openSides == y.openSides && x.maxUses == y.maxUses);
        FUZZ_CHECK(x.alwaysMonsters == y.alwaysMonsters && x.alwaysChests == y.alwaysChests);
        for (size_t i = 0; i < x.objects.size(); ++i) {
            FUZZ_CHECK(x.objects[i].type == y.objects[i].type);
            if (x.objects[i].type >= 0) {
                FUZZ_CHECK(x.objects[i].direction == y.objects[i].direction);
            }
        }
    }
    return 0;
}

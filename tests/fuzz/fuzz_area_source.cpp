// Reads arbitrary bytes as an area description and builds what it reads with
// small blocks; every block must hold indices of its own lists.
#include "engine/core/DebugSystem.h"
#include "game/world/AreaResource.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tools/areagen/AreaSource.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem debug;
    AreaSource source;
    source.blockWidth = 4;
    source.blockHeight = 4;
    std::string error;
    if (!source.parse(std::string_view(reinterpret_cast<const char*>(data), size), "Levels/src/fuzz.areasrc",
                      error)) {
        FUZZ_CHECK(error.rfind("Levels/src/fuzz.areasrc:", 0) == 0);
        return 0;
    }
    AreaSourceData game;
    game.blocksCollision = [](const std::string& shader) { return !shader.empty() && shader[0] == 'W'; };
    game.footprint = [](const std::string& model, int facing) {
        std::vector<std::array<int, 2>> cells;
        if (!model.empty() && model[0] == 'B') {
            cells.push_back({-1, 0});
            cells.push_back({0, facing % 2});
        }
        return cells;
    };
    AreaResource area(4, 4);
    if (!buildAreaFromSource(source, game, area, error)) {
        FUZZ_CHECK(error.rfind("Levels/src/fuzz.areasrc:", 0) == 0);
        return 0;
    }
    const int tiles = static_cast<int>(area.getTiles().size());
    const int types = static_cast<int>(area.getObjectTypes().size());
    const int kinds = static_cast<int>(area.getEdgeKinds().size());
    for (const auto& block : area.getBlocks()) {
        for (int t : block->tiles) {
            FUZZ_CHECK(t >= 0 && t < tiles);
        }
        for (const AreaCellObject& o : block->objects) {
            FUZZ_CHECK(o.type >= -1 && o.type < types);
        }
        for (int e : block->edges) {
            FUZZ_CHECK(e >= 0 && e < kinds);
        }
    }
    return 0;
}

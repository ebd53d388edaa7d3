// The faction block of the world save over arbitrary bytes, against the
// shipped factions. A block that reads must hold finite reputations and
// write back into bytes that read again to the same image; a refused block
// must leave every reputation as it was.
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "game/world/FactionSystem.h"

#include "FuzzSupport.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace {

std::vector<uint8_t> imageOf(const FactionSystem& factions)
{
    ByteBuffer out;
    factions.write(out);
    return out.bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool loaded = (loadShippedDatabase("gloam-fuzz-factions"), true);
    (void)loaded;
    FactionSystem factions;
    int count = factions.getFactionCount();
    std::vector<uint8_t> before = imageOf(factions);
    ByteBuffer buffer(data, size);
    if (!factions.read(buffer)) {
        FUZZ_CHECK(imageOf(factions) == before);
        return 0;
    }
    FUZZ_CHECK(factions.getFactionCount() == count);
    for (int i = 0; i < count; ++i) {
        const Faction* faction = factions.getFaction(i);
        FUZZ_CHECK(faction && faction->id == i);
        for (const FactionReputation& entry : faction->reputations) {
            FUZZ_CHECK(factions.getFaction(entry.factionId) != nullptr);
            FUZZ_CHECK(std::isfinite(entry.value));
        }
    }
    std::vector<uint8_t> image = imageOf(factions);
    FactionSystem copy;
    ByteBuffer again(image);
    FUZZ_CHECK(copy.read(again) && again.atEnd());
    FUZZ_CHECK(imageOf(copy) == image);
    return 0;
}

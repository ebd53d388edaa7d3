// The join's character section over arbitrary bytes, on the shipped data.
// A section that reads gives a player whose state section the client's
// scanner consumes exactly; a refused one names its field.
#include "FuzzSupport.h"
#include "client/StateSectionScanner.h"
#include "engine/core/ByteBuffer.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GateList.h"
#include "game/entities/Player.h"
#include "game/world/FightingServices.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"

#include <cstdint>
#include <memory>

namespace {

// Three gates, as a small world has.
class Gates : public GateSource {
public:
    void collectGates(std::vector<GateLocation>& out) const override { out = {{5, 1}, {5, 3}, {5, 4}}; }
};

struct World {
    World()
    {
        loadShippedDatabase("gloam-fuzz-player-join");
        startUpGameData(data);
        registerFightingServices();
        registerGameClasses();
        classes.declareAllEvents();
        classes.bindAllHandlers();
        game = std::make_unique<Game>();
        GateList::setWorldSource(&gates);
    }
    EventSystem events;
    ClassRegistry classes;
    std::unique_ptr<GameData> data;
    std::unique_ptr<Game> game;
    Gates gates;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static World* world = new World();
    ByteBuffer in(bytes, size);
    Player player;
    std::string field;
    if (!player.initNewCharacter(in, field)) {
        FUZZ_CHECK(!field.empty());
        return 0;
    }
    ByteBuffer out;
    player.writePlayerSection(out);
    ByteBuffer scan(out.bytes());
    ByteRange range;
    FUZZ_CHECK(StateSectionScanner::scanPlayerSection(scan, StateSectionScanner::worldGateFlagCount(), range,
                                                      field));
    FUZZ_CHECK(range.end == out.size());
    FUZZ_CHECK(player.getFlags65().size() == static_cast<size_t>(Player::kFlagCount));
    FUZZ_CHECK(player.getHealth() <= player.getMaxHealth() || player.getMaxHealth() == 0);
    (void)world;
    return 0;
}

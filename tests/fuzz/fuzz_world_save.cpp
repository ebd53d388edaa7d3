// The world save reader over arbitrary bytes, on the shipped data. A file
// that is refused names its field and an offset inside the file and leaves
// no covenant behind; one that reads stands whole.
#include "engine/core/ByteBuffer.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/definitions/GameData.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/FactionSystem.h"
#include "game/world/FightingServices.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"
#include "game/world/World.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

struct Fixture {
    Fixture()
    {
        loadShippedDatabase("gloam-fuzz-world-save");
        registerSkillLoaders();
        registerCovenantLoaders();
        startUpGameData(data);
        registerFightingServices();
        registerGameClasses();
        classes.declareAllEvents();
        classes.bindAllHandlers();
        world = std::make_unique<World>();
        game = std::make_unique<Game>();
        createFactionSystem();
    }
    EventSystem events;
    ClassRegistry classes;
    std::unique_ptr<GameData> data;
    std::unique_ptr<World> world;
    std::unique_ptr<Game> game;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static Fixture* fixture = new Fixture();
    Game& game = *fixture->game;
    game.clear();
    ByteBuffer in(bytes, size);
    std::string what;
    size_t offset = 0;
    if (!game.loadWorld(in, what, offset)) {
        FUZZ_CHECK(!what.empty());
        FUZZ_CHECK(offset <= size);
    } else {
        FUZZ_CHECK(game.getAiCovenantCount() == game.getCovenantCount());
        FUZZ_CHECK(game.getTownNpcCount() == static_cast<int>(game.settings().npcTypes.size()));
    }
    game.clear();
    return 0;
}

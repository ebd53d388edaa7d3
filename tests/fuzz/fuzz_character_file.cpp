// A character file and a covenant history over arbitrary bytes, on the
// shipped data. What reads is written again and must read back; what is
// refused names its field.
#include "FuzzSupport.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "game/definitions/GameData.h"

#include <cstdint>
#include <memory>

namespace {

struct World {
    World()
    {
        loadShippedDatabase("gloam-fuzz-character-file");
        startUpGameData(data);
        GameClient::registerCommands();
    }
    EventSystem events;
    ClassRegistry classes;
    CommandSystem commands;
    UserVarSystem vars;
    std::unique_ptr<GameData> data;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static World* world = new World();
    (void)world;
    {
        ByteBuffer in(bytes, size);
        PlayerCovenantClient covenant;
        PlayerClient player;
        std::string field;
        if (player.readFile(in, &covenant, field)) {
            ByteBuffer out;
            player.writeFile(out, &covenant);
            ByteBuffer again(out.bytes());
            PlayerCovenantClient covenant2;
            PlayerClient player2;
            FUZZ_CHECK(player2.readFile(again, &covenant2, field));
        } else {
            FUZZ_CHECK(!field.empty());
        }
    }
    {
        ByteBuffer in(bytes, size);
        PlayerCovenantClient covenant;
        std::string field;
        if (covenant.readHistory(in, field)) {
            FUZZ_CHECK(covenant.history.size() <= PlayerCovenantClient::kMaxHistorySamples);
        } else {
            FUZZ_CHECK(!field.empty());
        }
    }
    return 0;
}

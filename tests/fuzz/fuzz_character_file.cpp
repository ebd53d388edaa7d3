// A character file, a covenant history, the global save and the global
// statistics over arbitrary bytes, on the shipped data. What reads is written
// again and must read back; what is refused names its field.
#include "FuzzSupport.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "client/stats/GlobalStats.h"
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
    {
        ByteBuffer in(bytes, size);
        PlayerCovenantClient covenant;
        std::string field;
        if (covenant.parseGlobal(in, field)) {
            ByteBuffer out;
            covenant.writeGlobal(out);
            ByteBuffer again(out.bytes());
            PlayerCovenantClient covenant2;
            FUZZ_CHECK(covenant2.parseGlobal(again, field));
            FUZZ_CHECK(again.atEnd());
        } else {
            FUZZ_CHECK(!field.empty() && !covenant.globalLoaded);
        }
    }
    {
        ByteBuffer in(bytes, size);
        std::vector<GlobalStats::Record> records;
        std::string field;
        size_t offset = 0;
        if (GlobalStats::parse(in, records, field, offset)) {
            GlobalStats::records() = records;
            ByteBuffer out;
            GlobalStats::write(out);
            ByteBuffer again(out.bytes());
            std::vector<GlobalStats::Record> reread;
            FUZZ_CHECK(GlobalStats::parse(again, reread, field, offset));
            FUZZ_CHECK(reread.size() == records.size());
            GlobalStats::clear();
        } else {
            FUZZ_CHECK(!field.empty() && offset <= size);
        }
    }
    return 0;
}

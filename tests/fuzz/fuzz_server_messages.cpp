// Arbitrary datagrams from known and unknown addresses through the server's
// dispatch. The input is a run of records: one byte choosing the sender
// (bit 0: the joined client, else a stranger; bit 1: run a server frame
// afterwards; bit 2: a two-byte length follows, low byte first, else one
// byte), the length, then that many bytes of datagram. A saved covenant's
// join is longer than one length byte can say.
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/net/SocketLayer.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/definitions/GameData.h"
#include "game/world/FightingServices.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"
#include "server/Server.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// The join makes a real character and founds its covenant on "Human", so the
// shipped data is loaded first, with the covenant definitions.
struct ShippedData {
    ShippedData()
    {
        registerCovenantLoaders();
        loadShippedDatabase("gloam-fuzz-server-messages");
    }
};

struct World {
    World()
    {
        startUpGameData(data);
        registerFightingServices();
        registerGameClasses();
        classes.declareAllEvents();
        classes.bindAllHandlers();
        server.registerCommands();
        server.start(false, 0, 1, 1, 0);
        getLocalAddress(known, 5003);
        getLocalAddress(stranger, 5004);
        knownEndpoint = openUdpSocket(known);
        strangerEndpoint = openUdpSocket(stranger);
        // A new character of the first class: covenant section, then character section.
        ByteBuffer join;
        join.writeInt(uint32_t(4));
        join.writeInt(uint32_t(0));
        join.writeString("Fuzz's covenant");
        join.writeInt(uint32_t(0));
        join.writeString("Fuzz");
        join.writeInt(uint32_t(0));
        server.dispatch(join, known);
    }

    void drain()
    {
        ByteBuffer in;
        NetAddress from;
        for (int endpoint : {knownEndpoint, strangerEndpoint}) {
            while (receiveDatagram(endpoint, in, from)) {
            }
        }
    }

    ShippedData shipped;
    EventSystem events;
    ClassRegistry classes;
    ResourceSystem resources;
    CommandSystem commands;
    UserVarSystem vars;
    SocketLayer sockets;
    Server server;
    Game game;
    std::unique_ptr<GameData> data;
    NetAddress known;
    NetAddress stranger;
    int knownEndpoint = -1;
    int strangerEndpoint = -1;
};

World& world()
{
    static World* w = new World();
    return *w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    World& w = world();
    size_t pos = 0;
    while (pos + 2 <= size) {
        uint8_t control = data[pos];
        size_t length = data[pos + 1];
        pos += 2;
        if ((control & 4) && pos < size) {
            length |= static_cast<size_t>(data[pos]) << 8;
            ++pos;
        }
        if (length > size - pos) {
            length = size - pos;
        }
        ByteBuffer message(data + pos, length);
        pos += length;
        w.server.dispatch(message, (control & 1) ? w.known : w.stranger);
        if (control & 2) {
            w.server.receiveMessages(60, false);
            w.server.update();
        }
    }
    // The joined client always keeps exactly its one record.
    FUZZ_CHECK(w.server.getClientCount() >= 1);
    FUZZ_CHECK(w.server.findClient(w.known) != nullptr);
    w.drain();
    return 0;
}

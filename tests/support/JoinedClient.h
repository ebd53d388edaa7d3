#pragma once

#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/net/NetAddress.h"

// A client with both command tables, for the mirror tests: `join` hands it an
// empty join (zone 0, no world, no names); destruction takes the game state
// down before the client.
class JoinedClient : public Client {
public:
    JoinedClient()
    {
        registerCommands();
        GameClient::registerCommands();
    }
    ~JoinedClient()
    {
        GameClient::destroy();
        shutdown();
    }
    JoinedClient(const JoinedClient&) = delete;
    JoinedClient& operator=(const JoinedClient&) = delete;

    void join()
    {
        ByteBuffer joined;
        joined.writeInt(uint32_t(5));
        for (int i = 0; i < 4; ++i) {
            joined.writeInt(uint32_t(0));
        }
        joined.writeInt(0xFFFFFFFFu);
        dispatchMessage(joined, NetAddress());
    }
};

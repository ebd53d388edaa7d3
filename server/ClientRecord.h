#pragma once

#include "engine/net/NetAddress.h"
#include "engine/object/SafePtr.h"

class Entity;

// One joined client: its address and, once the player code makes them, its
// player and covenant. Both are held through safe pointers so that a Game
// clear cannot leave the record pointing at freed objects.
struct ClientRecord {
    NetAddress address;
    // The client's player entity (its viewer in the state message).
    SafePtr<Entity> player;
    int playerNumber = -1;
    // The client's player covenant.
    SafePtr<SafeClass> covenant;
    // Input messages and their command lines received from this client.
    unsigned inputMessages = 0;
    unsigned linesReceived = 0;
};

#pragma once

#include "engine/net/MessageTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ByteBuffer;

// The client's readers of the server's messages 2, 5 and 6. Each reads a
// whole message into a record with checked reads before anything of it is
// applied; a message that does not fit its fields or breaks a bound is
// refused, naming the field and the byte offset where it failed.
//
// These readers are kept apart from the scripted test client's: the two are
// written independently so that the cross-test between them means something.

struct MessageError {
    std::string field;
    size_t offset = 0;
};

struct ResourceNameEntry {
    uint32_t index = 0;
    std::string name;
};

struct WorldInfoMessage {
    uint32_t worldSize = 0;
    uint32_t layoutSeed = 0;
};

struct JoinAcceptedMessage {
    uint32_t playerLevel = 0;
    uint32_t worldSize = 0;
    uint32_t layoutSeed = 0;
    uint32_t secretSeed = 0;
    std::vector<ResourceNameEntry> names;
};

struct NewWorldMessage {
    uint32_t worldSize = 0;
    uint32_t layoutSeed = 0;
    uint32_t secretSeed = 0;
};

// Each reads the body after the type word and wants the message to end there.
bool readWorldInfoMessage(ByteBuffer& in, WorldInfoMessage& out, MessageError& error);
bool readJoinAcceptedMessage(ByteBuffer& in, JoinAcceptedMessage& out, MessageError& error);
bool readNewWorldMessage(ByteBuffer& in, NewWorldMessage& out, MessageError& error);
// Index and name pairs up to the end mark; an index at or past
// kMaxResourceNames is refused.
bool readResourceNameEntries(ByteBuffer& in, std::vector<ResourceNameEntry>& out, MessageError& error);

// Records the failure (field, offset) when the buffer failed; true when it did not.
bool checkRead(ByteBuffer& in, const char* field, MessageError& error);
bool failRead(ByteBuffer& in, const std::string& field, MessageError& error);
// True at the end of the buffer; otherwise the trailing bytes are the failure.
bool checkEnd(ByteBuffer& in, MessageError& error);

#include "client/ServerMessages.h"

#include "engine/core/ByteBuffer.h"

bool checkRead(ByteBuffer& in, const char* field, MessageError& error)
{
    if (!in.failed()) {
        return true;
    }
    error.field = field;
    error.offset = in.getReadPos();
    return false;
}

bool failRead(ByteBuffer& in, const std::string& field, MessageError& error)
{
    error.field = field;
    error.offset = in.getReadPos();
    return false;
}

bool checkEnd(ByteBuffer& in, MessageError& error)
{
    if (in.atEnd()) {
        return true;
    }
    return failRead(in, "end of message (trailing bytes)", error);
}

bool readResourceNameEntries(ByteBuffer& in, std::vector<ResourceNameEntry>& out, MessageError& error)
{
    out.clear();
    for (;;) {
        size_t at = in.getReadPos();
        uint32_t index = in.readUInt();
        if (!checkRead(in, "resource name index", error)) {
            return false;
        }
        if (index == kMessageEndMark) {
            return true;
        }
        if (index >= kMaxResourceNames) {
            error.field = "resource name index (past 65535)";
            error.offset = at;
            return false;
        }
        ResourceNameEntry entry;
        entry.index = index;
        entry.name = in.readString();
        if (!checkRead(in, "resource name", error)) {
            return false;
        }
        out.push_back(std::move(entry));
    }
}

bool readWorldInfoMessage(ByteBuffer& in, WorldInfoMessage& out, MessageError& error)
{
    out.worldSize = in.readUInt();
    out.layoutSeed = in.readUInt();
    return checkRead(in, "world values", error) && checkEnd(in, error);
}

bool readJoinAcceptedMessage(ByteBuffer& in, JoinAcceptedMessage& out, MessageError& error)
{
    out.playerLevel = in.readUInt();
    out.worldSize = in.readUInt();
    out.layoutSeed = in.readUInt();
    out.secretSeed = in.readUInt();
    return checkRead(in, "level and world values", error) && readResourceNameEntries(in, out.names, error) &&
           checkEnd(in, error);
}

bool readNewWorldMessage(ByteBuffer& in, NewWorldMessage& out, MessageError& error)
{
    out.worldSize = in.readUInt();
    out.layoutSeed = in.readUInt();
    out.secretSeed = in.readUInt();
    return checkRead(in, "world values", error) && checkEnd(in, error);
}

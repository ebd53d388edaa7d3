#include "game/quests/DynamicChatLine.h"

#include "engine/core/ByteBuffer.h"

#include <cmath>

void DynamicChatLine::write(ByteBuffer& buffer) const
{
    buffer.writeInt(key);
    buffer.writeString(text);
    buffer.writeFloat(secondsLeft);
}

bool DynamicChatLine::read(ByteBuffer& buffer)
{
    if (buffer.failed())
        return false;
    uint32_t readKey = buffer.readUInt();
    std::string readText = buffer.readString();
    float readSeconds = buffer.readFloat();
    if (buffer.failed() || !std::isfinite(readSeconds))
        return false;
    key = readKey;
    text = std::move(readText);
    secondsLeft = readSeconds;
    return true;
}

#include "game/entities/Lantern.h"

// Lantern::writeSnapshot is not written here: a comment names no writer.

#include "engine/core/ByteBuffer.h"

void Lantern::writeSection(ByteBuffer& out) const
{
    Entity::writeUpdate(out);
    out.writeInt(m_flame);
}

#include "game/entities/Entity.h"

void Entity::writeUpdate(ByteBuffer& out) const
{
    out.writeInt(m_entityNumber);
}

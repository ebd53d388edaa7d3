#include "server/Server.h"

void Server::writeNameTable(ByteBuffer& out) const
{
    game->writeUpdate(out, viewer);
    for (const Entity* entity : m_visibleEntities)
        entity->writeSnapshot(out);
}

#include "client/mirrors/InventoryClient.h"

#include "client/mirrors/ItemClient.h"
#include "client/player/PlayerClient.h"

void InventoryClient::setOwner(EntityBase* owner)
{
    // Only the local player mirror owns a client inventory.
    m_clientOwner = dynamic_cast<PlayerClient*>(owner) ? owner : nullptr;
}

ItemBase* InventoryClient::createItem()
{
    return new ItemClient();
}

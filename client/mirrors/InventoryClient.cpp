#include "client/mirrors/InventoryClient.h"

#include "client/mirrors/ItemClient.h"

void InventoryClient::setOwner(EntityBase* owner)
{
    // The local player mirror's class comes with that mirror; until then no
    // entity qualifies.
    (void)owner;
    m_clientOwner = nullptr;
}

ItemBase* InventoryClient::createItem()
{
    return new ItemClient();
}

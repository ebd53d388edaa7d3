#pragma once

#include "game/definitions/InventoryBase.h"

class EntityBase;

// An inventory the client mirrors; every item it makes is an ItemClient.
// Its owner is the local player mirror, or none.
class InventoryClient : public InventoryBase {
public:
    InventoryClient() = default;

    // Kept only for the local player mirror's class; anything else leaves
    // the inventory without owner.
    void setOwner(EntityBase* owner);
    using InventoryBase::setOwner;
    EntityBase* getClientOwner() const { return m_clientOwner; }
    ItemBase* createItem() override;

private:
    EntityBase* m_clientOwner = nullptr;
};

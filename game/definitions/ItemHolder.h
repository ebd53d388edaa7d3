#pragma once

#include "game/definitions/GameEnums.h"

#include <string>

class InventoryBase;
class ItemBase;

// What the item rules ask of the character that holds or would hold an item:
// the server's sentients and the client's player mirror implement it.
class ItemHolder {
public:
    virtual ~ItemHolder() = default;

    // May this holder put the item at (group, entry) at all (its own groups,
    // a container it may use, …)?
    virtual bool allowsItemPlacement(const ItemBase& item, int group, int entry) const = 0;
    virtual bool meetsItemRequirement(ItemRequirement requirement) const = 0;
    // The character level compared with an item's "MinLevel".
    virtual int getItemHolderLevel() const = 0;
    // The holder's inventory (for bag places), null when none.
    virtual const InventoryBase* getItemHolderInventory() const = 0;
    // The name of the holder's power ("Mana", "Rage" …), so that an item
    // speaks of it as the class's skills do; empty for plain "power".
    virtual std::string getItemHolderPowerName() const { return {}; }
};

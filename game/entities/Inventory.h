#pragma once

#include "game/definitions/InventoryBase.h"

class Sentient;
class StatChangeList;

// The server's inventory: makes Item objects, answers held groups through
// its sentient and sums what equipped items give.
class Inventory : public InventoryBase {
public:
    Inventory() = default;

    // A held group is the owner's record; the own record otherwise. Null
    // outside 0 … 26.
    InventoryGroup* getSlot(int group) override;
    // The owner is kept only when it is a Sentient.
    void setOwner(Entity* owner) override;
    ItemBase* createItem() override;
    // An Equipment or Bookshelf change makes the sentient recompute at its
    // next update.
    void onItemChanged(int group, int slot) override;

    Sentient* getSentient() const { return m_sentient; }

    // Uses the item at (group, entry); a used-up item leaves its place and
    // is deleted.
    void removeUsedItem(int group, int entry, Sentient* user);
    // statType 0 (Normal): the items' own values; 1 (Fun): armour, defence
    // and damage from their item fields.
    void addStatFromItems(int statType, int stat, int& total);
    // The damage lines of every equipped item (flag 1).
    void addEquippedDamage(StatChangeList& list, int flag);

private:
    Sentient* m_sentient = nullptr;
};

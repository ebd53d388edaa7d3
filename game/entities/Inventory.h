#pragma once

#include "game/definitions/InventoryBase.h"

#include <vector>

class Sentient;
class StatChangeList;

// The server's inventory: makes Item objects, answers held groups through
// its sentient and sums what equipped items give.
class Inventory : public InventoryBase {
public:
    Inventory() = default;

    // A held group is the owner's record; the own record otherwise. Null
    // outside 0 … 26. The owner is not part of the inventory: reading a held
    // group asks it as the other does (a vendor shown stocks for its customer).
    InventoryGroup* getSlot(int group) override;
    const InventoryGroup* getSlot(int group) const override;
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
    // What the items of Equipment and Bookshelf add to a stat in a
    // recompute group: in group 0 their own bonuses; in group 1 armour,
    // defence and damage from their item fields and other stats from their
    // bonuses; nothing in other groups.
    void addStatFromItems(int group, int stat, int& total) const;
    // The same for every stat below totals.size() in one pass over the items.
    void addStatsFromItems(int group, std::vector<int>& totals) const;
    // The damage lines of every equipped item.
    void addEquippedDamage(StatChangeList& list) const;

private:
    // The own record marks a group the owner holds.
    bool ownerHolds(const InventoryGroup* own) const { return own && own->isHeldByOwner() && m_sentient; }

    Sentient* m_sentient = nullptr;
};

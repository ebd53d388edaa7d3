#pragma once

#include <memory>
#include <vector>

class ItemBase;

// One group of an inventory: a fixed number of places, each empty or holding
// an item the group owns.
class InventoryGroup {
public:
    InventoryGroup() = default;
    ~InventoryGroup();
    InventoryGroup(const InventoryGroup&) = delete;
    InventoryGroup& operator=(const InventoryGroup&) = delete;

    // The capacity. Shrinking destroys the items in the places that go.
    int getSize() const { return static_cast<int>(m_items.size()); }
    void setSize(int size);

    // The item at index; null for an empty place or an index outside.
    ItemBase* getItem(int index) const;
    int countItems() const;
    bool hasRoom() const { return findFreeIndex() >= 0; }
    int findFreeIndex() const;
    // The place of the item, -1 when it is not in this group.
    int findItem(const ItemBase* item) const;

    // Places the item in the first free place; the group then owns it.
    // False (item untouched) when no place is free.
    [[nodiscard]] bool addItem(ItemBase* item);
    // Merges the item's quantity into the stacks of equal items, up to each
    // stack's limit. True when all of it was merged (the caller then deletes
    // the emptied item); a partial merge leaves the rest in the item.
    [[nodiscard]] bool stackItem(ItemBase* item);
    // Puts the item at index (the group owns it), destroying what was there;
    // an item already in another place of this group moves. Nothing for an
    // index outside.
    void setItem(int index, ItemBase* item);
    // Takes the item out of the place without destroying it: the caller owns it
    // (its group becomes -1).
    [[nodiscard]] ItemBase* releaseItem(int index);
    // Destroys the item at index and empties the place; nothing for an index
    // outside or an empty place.
    void destroyItemAt(int index);
    void destroyAll();

    // Set when the owner's own group answers for this one.
    bool isHeldByOwner() const { return m_heldByOwner; }
    void setHeldByOwner(bool held) { m_heldByOwner = held; }

    // The group number items placed here take.
    int getIndex() const { return m_index; }
    void setIndex(int index) { m_index = index; }

private:
    std::vector<std::unique_ptr<ItemBase>> m_items;
    int m_index = -1;
    bool m_heldByOwner = false;
};

#pragma once

#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryGroup.h"

#include <array>
#include <memory>
#include <string>

class ByteBuffer;
class Entity;
class ItemBase;

// The 27 groups of items a character, container or covenant holds, with the
// bag chain, stacking, moves, equipping and the byte images of saves and
// messages (docs/formats.md, "Inventory and item images").
//
// Ownership: an item placed in a group belongs to that group, which destroys
// it when the place is overwritten (InventoryGroup::setItem destroys what was
// there), the group shrinks or the inventory is cleared or dies. An item
// taken out (clearEntry, InventoryGroup::releaseItem) belongs to the caller,
// who must place or delete it. An item handed to addItem or stackItem stays
// the caller's unless the result says it was placed; a fully merged item
// (kAddStacked, stackItem true) is empty and the caller deletes it. Those
// results are [[nodiscard]]: ignoring one leaks or double-frees an item.
class InventoryBase {
public:
    static constexpr int kMaxGroupCapacity = 256;
    static constexpr int kImageVersion = 1;
    static constexpr int kBagCount = 4;

    // The item slot type an equipment location (an `EquipedLocation`) takes.
    static ItemSlotType slotTypeOfLocation(int location);
    // The other place an item of two places (rings, jewelry, either hand)
    // may go; None for the rest.
    static EquipedLocation secondEquipLocation(const ItemBase& item);
    static constexpr int kStashBagCount = 8;
    static constexpr int kHouseGuardPlaces = 4;

    // addItem results.
    static constexpr int kAddPlaced = 0;
    static constexpr int kAddNoRoom = 1;
    static constexpr int kAddStacked = 2;

    // 27 groups at their starting capacities, all empty.
    InventoryBase();
    virtual ~InventoryBase();
    InventoryBase(const InventoryBase&) = delete;
    InventoryBase& operator=(const InventoryBase&) = delete;

    // Virtual slots. getSlot: the group record, null outside 0 … 26. The
    // const one reads the same group, for images of the inventory.
    virtual InventoryGroup* getSlot(int group);
    virtual const InventoryGroup* getSlot(int group) const;
    virtual void setOwner(Entity* owner) { m_owner = owner; }
    virtual Entity* getOwner() const { return m_owner; }
    // A new item of the inventory's item class (every item it makes).
    virtual ItemBase* createItem();
    // Told when a move or clearEntry placed or took an item at (group, slot).
    virtual void onItemChanged(int group, int slot) {}

    // This inventory's own group record (never the owner's), null outside.
    InventoryGroup* getOwnGroup(int group);
    const InventoryGroup* getOwnGroup(int group) const;

    ItemBase* getItem(int group, int slot) { return getItemAt(group, slot); }
    // Null for an unknown group or an index outside the group's capacity.
    ItemBase* getItemAt(int group, int slot);
    int countItemsInGroup(int group);
    // Empties the place; the item is handed to the caller (null when none).
    [[nodiscard]] ItemBase* clearEntry(int group, int slot);
    // The place of the item in a group, -1 when not there.
    int findItem(int group, const ItemBase* item);
    // The group and place of the item over all groups.
    bool findItem(const ItemBase* item, int& group, int& slot);

    // Adds down the bag chain from firstBag to Bag4: merges into stacks first,
    // then takes the first free place (a stack above its limit is split).
    // kAddPlaced, kAddStacked (fully merged: the caller deletes the item), or
    // kAddNoRoom (the caller keeps the item with what was not merged).
    [[nodiscard]] int addItem(ItemBase* item, int firstBag = toIndex(InventoryGroupIndex::Bag1));
    // Merges into stacks of the first bagCount bags; true when fully merged.
    [[nodiscard]] bool stackItem(ItemBase* item, int bagCount = kBagCount);

    // Moves the item at (fromGroup, fromSlot) to (toGroup, toSlot): into an
    // empty place, merged into an equal stack, or swapped. False when refused.
    bool moveItem(int fromGroup, int fromSlot, int toGroup, int toSlot);
    // Whether the item may lie at (group, slot) by the inventory's own rules
    // (equipment locations, two hands, house places, bookshelf, bags).
    bool canHoldAt(const ItemBase& item, int group, int slot);
    // Equips the item at (group, slot) at its equipment place.
    bool equipItem(int group, int slot);
    // The equipment place for the item: an empty fitting one first, else the
    // first fitting one; None when it is not equipment.
    EquipedLocation findEquipSlot(const ItemBase& item);
    bool hasRoom(int group);
    // Makes this inventory a copy of other (items copied through createItem).
    void copyFrom(const InventoryBase& other);
    // Sizes every bag group from the bag lying in its place.
    void updateBagGroups();
    // Copper to identify every item outside the loot groups that needs it.
    int getIdentifyAllCost();
    void clear();

    void write(ByteBuffer& buffer, bool fileForm) const;
    // network: the image came in a message; fileForm: file image of the data
    // version given. False (inventory untouched, level-3 line naming source)
    // for a truncated or invalid image.
    bool read(ByteBuffer& buffer, bool network, bool fileForm, int version,
              const char* source = "inventory image");

    // Starting capacity of a group ("MainInventorySize" … from GameSystem).
    static int getStartingGroupSize(int group);
    // The bag group opened by the bag at (group, slot), -1 when none.
    static int getBagGroupOf(int group, int slot);

private:
    bool placeInGroup(InventoryGroup& group, ItemBase* item);
    void resizeBagGroup(int group, int size);

    std::array<InventoryGroup, kInventoryGroupCount> m_groups;
    Entity* m_owner = nullptr;
};

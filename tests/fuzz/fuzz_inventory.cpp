// Inventory and item image reader over arbitrary bytes. The first byte picks
// the form: bit 0 file form, bit 1 data version 37 (entries by id) instead of
// 39. A read that succeeds must write back an image that reads again to the
// same bytes; the bytes left after the image then drive moves (five bytes
// each: operation, from group, from place, to group, to place).
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"

#include <cstdint>
#include <map>
#include <set>
#include <vector>

namespace {

// One field per line: the database reads a line as one key and its items.
const char* const kItems = R"(
ItemBase {
    Type Item
    BaseOnly 1
    MaxStack 1
}
Dagger {
    Base ItemBase
    ItemType HandEither
    MinDamage 2
    MaxDamage 5
    MinDamagePerLevel 0.6
    MaxDamagePerLevel 1.2
    MinArmor 0
    MaxArmor 2
    Value 40
    ValuePerLevel 12
    MagicRequirement Weapon
}
Potion {
    Base ItemBase
    ItemType Drink
    MaxStack 5
    CanBeUsed 1
    Value 12
}
Pouch {
    Base ItemBase
    ItemType Bag
    BagSize 6
}
Helm {
    Base ItemBase
    ItemType Head
    MinArmor 2
    MaxArmor 6
    ItemSet HelmSet
    ItemSetSize 2
}
HelmSet {
    Type Info
}
Money {
    Type Money
    Amount 1
}
Letter {
    Type QuestItem
}
ModSharp {
    Type MagicModifier
    Name Sharp
    Prefix 1
    MinDamageBonus 10
    MaxDamageBonus 30
    Worth 0.4
}
ModBear {
    Type MagicModifier
    Name "of the Bear"
    MinStrength 1
    MaxStrength 5
    Worth 0.3
}
)";

// Every item once, in the group it names; the quantity of each entry.
std::map<const DatabaseEntry*, long long> census(InventoryBase& inventory)
{
    std::map<const DatabaseEntry*, long long> quantities;
    std::set<const ItemBase*> seen;
    for (int g = 0; g < kInventoryGroupCount; ++g)
        for (int i = 0; i < inventory.getSlot(g)->getSize(); ++i)
            if (const ItemBase* item = inventory.getItemAt(g, i)) {
                if (!seen.insert(item).second || item->getGroup() != g)
                    __builtin_trap();
                quantities[item->getItemEntry()] += item->getQuantity();
            }
    return quantities;
}

Database* makeDatabase()
{
    auto* database = new Database();
    database->addSubDatabase("Item", "items.dbl", kItems);
    database->resolveBases();
    return database;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    static Database* database = makeDatabase();
    (void)debug;
    (void)database;
    if (size < 1)
        return 0;
    const bool fileForm = (data[0] & 1) != 0;
    const int version = (data[0] & 2) != 0 ? 37 : 39;
    ByteBuffer input(data + 1, size - 1);
    InventoryBase inventory;
    if (!inventory.read(input, !fileForm, fileForm, version))
        return 0;

    // What was accepted must survive a round trip unchanged.
    const bool writeByName = fileForm && version >= 38;
    ByteBuffer first;
    inventory.write(first, writeByName);
    InventoryBase copy;
    ByteBuffer again(first.bytes());
    if (!copy.read(again, !writeByName, writeByName, 39))
        __builtin_trap();
    ByteBuffer second;
    copy.write(second, writeByName);
    if (first.bytes() != second.bytes())
        __builtin_trap();
    // The bytes after the image drive moves and equips, which must neither
    // lose nor duplicate an item (bag groups first sized from their bags).
    copy.updateBagGroups();
    const auto before = census(copy);
    while (input.remaining() >= 5) {
        const int op = input.readByte();
        const int fromGroup = input.readByte() % kInventoryGroupCount;
        const int fromSlot = input.readByte();
        const int toGroup = input.readByte() % kInventoryGroupCount;
        const int toSlot = input.readByte();
        if (op % 8 == 0)
            copy.equipItem(fromGroup, fromSlot);
        else
            copy.moveItem(fromGroup, fromSlot, toGroup, toSlot);
        if (census(copy) != before)
            __builtin_trap();
    }
    copy.getIdentifyAllCost();
    for (int g = 0; g < 27; ++g)
        for (int i = 0; i < copy.getSlot(g)->getSize(); ++i)
            if (ItemBase* item = copy.getItemAt(g, i)) {
                item->getPrice(item->getQuantity());
                item->getDisplayName(true);
            }
    return 0;
}

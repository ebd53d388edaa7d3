#include "game/definitions/InventoryBase.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/ItemData.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kMain = toIndex(InventoryGroupIndex::Main);
constexpr int kEquipment = toIndex(InventoryGroupIndex::Equipment);
constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);
constexpr int kBag4 = toIndex(InventoryGroupIndex::Bag4);
constexpr int kStash = toIndex(InventoryGroupIndex::Stash);
constexpr int kStashBag1 = toIndex(InventoryGroupIndex::StashBag1);
constexpr int kLoot = toIndex(InventoryGroupIndex::Loot);
constexpr int kLootBag1 = toIndex(InventoryGroupIndex::LootBag1);
constexpr int kLootBag8 = toIndex(InventoryGroupIndex::LootBag8);
constexpr int kHouse = toIndex(InventoryGroupIndex::House);
constexpr int kBookshelf = toIndex(InventoryGroupIndex::Bookshelf);
constexpr int kBackup = toIndex(InventoryGroupIndex::Backup);

// The "GameSystem" group sizes, read once per database: every inventory
// made (each actor has one) would otherwise search that long entry by name.
struct StartingSizes : DatabaseEntry::Derived {
    int stash = 0;
    int loot = 0;
    int bookshelf = 0;
};

StartingSizes readStartingSizes()
{
    StartingSizes sizes;
    sizes.stash = std::clamp(gameSystemInt("StashSize", InventoryBase::kStashBagCount), 0,
                             InventoryBase::kMaxGroupCapacity);
    sizes.loot = std::clamp(gameSystemInt("LootSize", 48), 0, InventoryBase::kMaxGroupCapacity);
    sizes.bookshelf = std::clamp(gameSystemInt("BookshelfSize", 16), 0, InventoryBase::kMaxGroupCapacity);
    return sizes;
}

StartingSizes startingSizes()
{
    const DatabaseEntry* entry = DefinitionReader::findEntry("GameSystem");
    if (!entry)
        return readStartingSizes();
    return entry->derived<StartingSizes>([](const DatabaseEntry&) { return readStartingSizes(); });
}

int startingGroupSize(int group, const StartingSizes& sizes)
{
    switch (group) {
    case kMain:
        return InventoryBase::kBagCount;
    case kEquipment:
        return kEquipedLocationCount;
    case kStash:
        return sizes.stash;
    case kLoot:
        return sizes.loot;
    case kHouse:
        return 2 * InventoryBase::kHouseGuardPlaces;
    case kBookshelf:
        return sizes.bookshelf;
    case kBackup:
        return 2;
    default:
        return 0; // bag groups open with their bags
    }
}

bool isBagItem(const ItemBase* item)
{
    return item && item->getItemType() == ItemType::Bag;
}

} // namespace

ItemSlotType InventoryBase::slotTypeOfLocation(int location)
{
    switch (static_cast<EquipedLocation>(location)) {
    case EquipedLocation::Ring1:
    case EquipedLocation::Ring2:
        return ItemSlotType::Ring;
    case EquipedLocation::Jewelry1:
    case EquipedLocation::Jewelry2:
        return ItemSlotType::Jewelry;
    case EquipedLocation::HandPrimary:
        return ItemSlotType::HandPrimary;
    case EquipedLocation::HandSecondary:
        return ItemSlotType::HandSecondary;
    case EquipedLocation::Ranged:
        return ItemSlotType::Ranged;
    case EquipedLocation::None:
        return ItemSlotType::None;
    default:
        return static_cast<ItemSlotType>(location); // Head … Feet share their numbers
    }
}

InventoryBase::InventoryBase()
{
    // The sizes are looked up once for all the groups (every body has an
    // inventory, and a save's members make several).
    const StartingSizes sizes = startingSizes();
    for (int g = 0; g < kInventoryGroupCount; ++g) {
        m_groups[static_cast<size_t>(g)].setIndex(g);
        m_groups[static_cast<size_t>(g)].setSize(startingGroupSize(g, sizes));
    }
}

InventoryBase::~InventoryBase() = default;

int InventoryBase::getStartingGroupSize(int group)
{
    const bool fromData = group == kStash || group == kLoot || group == kBookshelf;
    return startingGroupSize(group, fromData ? startingSizes() : StartingSizes{});
}

int InventoryBase::getBagGroupOf(int group, int slot)
{
    if (group == kMain && slot >= 0 && slot < kBagCount)
        return kBag1 + slot;
    if (group == kStash && slot >= 0 && slot < kStashBagCount)
        return kStashBag1 + slot;
    if (group == kLoot && slot >= 0 && slot < kStashBagCount)
        return kLootBag1 + slot;
    return -1;
}

InventoryGroup* InventoryBase::getSlot(int group)
{
    return getOwnGroup(group);
}

const InventoryGroup* InventoryBase::getSlot(int group) const
{
    return getOwnGroup(group);
}

ItemBase* InventoryBase::createItem()
{
    return new ItemBase();
}

InventoryGroup* InventoryBase::getOwnGroup(int group)
{
    if (group < 0 || group >= kInventoryGroupCount)
        return nullptr;
    return &m_groups[static_cast<size_t>(group)];
}

const InventoryGroup* InventoryBase::getOwnGroup(int group) const
{
    if (group < 0 || group >= kInventoryGroupCount)
        return nullptr;
    return &m_groups[static_cast<size_t>(group)];
}

ItemBase* InventoryBase::getItemAt(int group, int slot)
{
    InventoryGroup* g = getSlot(group);
    return g ? g->getItem(slot) : nullptr;
}

int InventoryBase::countItemsInGroup(int group)
{
    InventoryGroup* g = getSlot(group);
    return g ? g->countItems() : 0;
}

ItemBase* InventoryBase::clearEntry(int group, int slot)
{
    InventoryGroup* g = getSlot(group);
    ItemBase* item = g ? g->releaseItem(slot) : nullptr;
    if (item)
        onItemChanged(group, slot);
    return item;
}

int InventoryBase::findItem(int group, const ItemBase* item)
{
    InventoryGroup* g = getSlot(group);
    return g ? g->findItem(item) : -1;
}

bool InventoryBase::findItem(const ItemBase* item, int& group, int& slot)
{
    for (int g = 0; g < kInventoryGroupCount; ++g) {
        int s = findItem(g, item);
        if (s >= 0) {
            group = g;
            slot = s;
            return true;
        }
    }
    return false;
}

bool InventoryBase::placeInGroup(InventoryGroup& group, ItemBase* item)
{
    // A stack above its limit goes in as several full stacks.
    while (item->isStack() && item->getQuantity() > item->getMaxStack() && group.hasRoom()) {
        ItemBase* part = createItem();
        part->copyFrom(*item);
        part->setQuantity(item->getMaxStack());
        if (!group.addItem(part)) {
            delete part; // cannot happen: the group had room
            break;
        }
        item->setQuantity(item->getQuantity() - item->getMaxStack());
    }
    if (item->isStack() && item->getQuantity() > item->getMaxStack())
        return false;
    return group.addItem(item);
}

int InventoryBase::addItem(ItemBase* item, int firstBag)
{
    if (!item)
        return kAddNoRoom;
    if (firstBag < kBag1 || firstBag > kBag4)
        firstBag = kBag1;
    if (item->isStack()) {
        for (int g = firstBag; g <= kBag4; ++g) {
            InventoryGroup* group = getSlot(g);
            if (group && group->stackItem(item))
                return kAddStacked;
        }
    }
    for (int g = firstBag; g <= kBag4; ++g) {
        InventoryGroup* group = getSlot(g);
        if (group && placeInGroup(*group, item))
            return kAddPlaced;
    }
    return kAddNoRoom;
}

bool InventoryBase::stackItem(ItemBase* item, int bagCount)
{
    if (!item)
        return false;
    int last = std::min(kBag1 + bagCount - 1, kBag4);
    for (int g = kBag1; g <= last; ++g) {
        InventoryGroup* group = getSlot(g);
        if (group && group->stackItem(item))
            return true;
    }
    return false;
}

bool InventoryBase::canHoldAt(const ItemBase& item, int group, int slot)
{
    InventoryGroup* g = getSlot(group);
    if (!g || slot < 0 || slot >= g->getSize())
        return false;

    // A bag never goes into the group it opens itself.
    int here = -1, herePlace = -1;
    if (isBagItem(&item) && findItem(&item, here, herePlace)) {
        int bagGroup = getBagGroupOf(here, herePlace);
        if (bagGroup == group)
            return false;
        // A bag holding items stays where it is.
        if (bagGroup >= 0 && (here != group || herePlace != slot) && countItemsInGroup(bagGroup) > 0)
            return false;
    }

    if (group == kEquipment) {
        if (!item.fitsSlotType(slotTypeOfLocation(slot)))
            return false;
        const int primary = toIndex(EquipedLocation::HandPrimary);
        const int secondary = toIndex(EquipedLocation::HandSecondary);
        if (slot == primary && item.getItemType() == ItemType::HandBoth) {
            ItemBase* other = g->getItem(secondary);
            if (other && other != &item)
                return false;
        }
        if (slot == secondary) {
            ItemBase* other = g->getItem(primary);
            if (other && other != &item && other->getItemType() == ItemType::HandBoth)
                return false;
        }
        return true;
    }
    if (group == kHouse) {
        if (slot < kHouseGuardPlaces)
            return item.getGuardType() != nullptr || item.getItemType() == ItemType::Guard;
        return item.getItemType() == ItemType::Relic;
    }
    if (group == kBookshelf)
        return item.getItemType() == ItemType::Tome;
    return true;
}

bool InventoryBase::moveItem(int fromGroup, int fromSlot, int toGroup, int toSlot)
{
    InventoryGroup* from = getSlot(fromGroup);
    InventoryGroup* to = getSlot(toGroup);
    if (!from || !to || toSlot < 0 || toSlot >= to->getSize())
        return false;
    ItemBase* item = from->getItem(fromSlot);
    if (!item)
        return false;
    if (from == to && fromSlot == toSlot)
        return true;
    ItemBase* other = to->getItem(toSlot);

    if (other && other->isStack() && other->canStackWith(*item)) {
        int room = other->getMaxStack() - other->getQuantity();
        if (room <= 0)
            return false;
        int moved = std::min(room, item->getQuantity());
        other->setQuantity(other->getQuantity() + moved);
        item->setQuantity(item->getQuantity() - moved);
        if (item->getQuantity() <= 0)
            from->destroyItemAt(fromSlot);
        onItemChanged(fromGroup, fromSlot);
        onItemChanged(toGroup, toSlot);
        return true;
    }

    if (!canHoldAt(*item, toGroup, toSlot))
        return false;
    if (other && !canHoldAt(*other, fromGroup, fromSlot))
        return false;

    ItemBase* moving = from->releaseItem(fromSlot);
    ItemBase* displaced = to->releaseItem(toSlot);
    to->setItem(toSlot, moving);
    from->setItem(fromSlot, displaced);
    onItemChanged(fromGroup, fromSlot);
    onItemChanged(toGroup, toSlot);
    if (fromGroup == kMain || toGroup == kMain || fromGroup == kStash || toGroup == kStash ||
        fromGroup == kLoot || toGroup == kLoot)
        updateBagGroups();
    return true;
}

EquipedLocation InventoryBase::secondEquipLocation(const ItemBase& item)
{
    switch (item.getItemType()) {
    case ItemType::Ring:
        return EquipedLocation::Ring2;
    case ItemType::Jewelry:
        return EquipedLocation::Jewelry2;
    case ItemType::HandEither:
        return EquipedLocation::HandSecondary;
    default:
        return EquipedLocation::None;
    }
}

EquipedLocation InventoryBase::findEquipSlot(const ItemBase& item)
{
    EquipedLocation first = item.getDefaultEquipLocation();
    if (first == EquipedLocation::None)
        return first;
    const EquipedLocation second = secondEquipLocation(item);
    if (second != EquipedLocation::None && getItemAt(kEquipment, toIndex(first)) &&
        !getItemAt(kEquipment, toIndex(second)))
        return second;
    return first;
}

bool InventoryBase::equipItem(int group, int slot)
{
    ItemBase* item = getItemAt(group, slot);
    if (!item || group == kEquipment)
        return false;
    EquipedLocation location = findEquipSlot(*item);
    if (location == EquipedLocation::None)
        return false;
    // A two-handed weapon first sends the off-hand item to the bags.
    const int secondary = toIndex(EquipedLocation::HandSecondary);
    if (item->getItemType() == ItemType::HandBoth && getItemAt(kEquipment, secondary)) {
        InventoryGroup* equipment = getSlot(kEquipment);
        ItemBase* offHand = equipment->releaseItem(secondary);
        int result = addItem(offHand);
        if (result == kAddStacked)
            delete offHand;
        else if (result == kAddNoRoom) {
            equipment->setItem(secondary, offHand);
            return false;
        }
    }
    return moveItem(group, slot, kEquipment, toIndex(location));
}

bool InventoryBase::hasRoom(int group)
{
    InventoryGroup* g = getSlot(group);
    return g && g->hasRoom();
}

void InventoryBase::resizeBagGroup(int group, int size)
{
    InventoryGroup& g = m_groups[static_cast<size_t>(group)];
    size = std::clamp(size, 0, kMaxGroupCapacity);
    if (size < g.getSize()) {
        // Keep the items of the places that go by moving them down first.
        for (int i = size; i < g.getSize(); ++i) {
            if (!g.getItem(i))
                continue;
            int free = g.findFreeIndex();
            if (free >= 0 && free < size) {
                g.setItem(free, g.releaseItem(i));
            } else {
                debugPrint(2, "Inventory group %s shrank to %d places: an item was lost\n",
                           getInventoryGroupIndexName(group).c_str(), size);
            }
        }
    }
    g.setSize(size);
}

void InventoryBase::updateBagGroups()
{
    struct Chain {
        int holder;
        int firstBag;
        int count;
    };
    const Chain chains[] = {
        {kMain, kBag1, kBagCount}, {kStash, kStashBag1, kStashBagCount}, {kLoot, kLootBag1, kStashBagCount}};
    for (const Chain& chain : chains) {
        for (int n = 0; n < chain.count; ++n) {
            const ItemBase* bag = m_groups[static_cast<size_t>(chain.holder)].getItem(n);
            resizeBagGroup(chain.firstBag + n, isBagItem(bag) ? bag->getBagSize() : 0);
        }
    }
}

int InventoryBase::getIdentifyAllCost()
{
    long long cost = 0;
    for (int g = 0; g < kInventoryGroupCount; ++g) {
        if (g >= kLoot && g <= kLootBag8)
            continue;
        InventoryGroup* group = getSlot(g);
        if (!group)
            continue;
        for (int i = 0; i < group->getSize(); ++i)
            if (const ItemBase* item = group->getItem(i))
                cost += item->getIdentifyCost();
    }
    return static_cast<int>(std::min<long long>(cost, 0x7FFFFFFF));
}

void InventoryBase::clear()
{
    for (InventoryGroup& g : m_groups)
        g.destroyAll();
}

void InventoryBase::copyFrom(const InventoryBase& other)
{
    if (&other == this)
        return;
    for (int g = 0; g < kInventoryGroupCount; ++g) {
        InventoryGroup& mine = m_groups[static_cast<size_t>(g)];
        const InventoryGroup& theirs = *other.getOwnGroup(g);
        mine.destroyAll();
        mine.setSize(theirs.getSize());
        mine.setHeldByOwner(theirs.isHeldByOwner());
        for (int i = 0; i < theirs.getSize(); ++i) {
            if (const ItemBase* source = theirs.getItem(i)) {
                ItemBase* copy = createItem();
                copy->copyFrom(*source);
                mine.setItem(i, copy);
            }
        }
    }
}

void InventoryBase::write(ByteBuffer& buffer, bool fileForm) const
{
    buffer.writeInt(static_cast<int32_t>(kImageVersion));
    buffer.writeInt(static_cast<int32_t>(kInventoryGroupCount));
    for (int index = 0; index < kInventoryGroupCount; ++index) {
        // A group its owner holds shows what the owner deals with (a
        // vendor's goods, a body's loot); with nothing there it is empty.
        const InventoryGroup* shown = getSlot(index);
        if (!shown) {
            buffer.writeInt(static_cast<int32_t>(m_groups[static_cast<size_t>(index)].getSize()));
            buffer.writeInt(static_cast<int32_t>(0));
            continue;
        }
        const InventoryGroup& g = *shown;
        buffer.writeInt(static_cast<int32_t>(g.getSize()));
        buffer.writeInt(static_cast<int32_t>(g.countItems()));
        for (int i = 0; i < g.getSize(); ++i) {
            if (const ItemBase* item = g.getItem(i)) {
                buffer.writeInt(static_cast<int32_t>(i));
                item->writeImage(buffer, fileForm);
            }
        }
    }
}

bool InventoryBase::read(ByteBuffer& buffer, bool network, bool fileForm, int version, const char* source)
{
    // Network images are never file images, whatever the caller passed.
    bool byFile = fileForm && !network;
    struct GroupImage {
        int size = 0;
        std::vector<std::pair<int, std::unique_ptr<ItemBase>>> items;
    };
    std::vector<GroupImage> groups(kInventoryGroupCount);
    std::string error;

    auto reject = [&](const std::string& reason) {
        debugPrint(3, "%s: inventory image rejected: %s\n", source ? source : "inventory image",
                   reason.c_str());
        return false;
    };

    int imageVersion = buffer.readInt();
    int groupCount = buffer.readInt();
    if (buffer.failed())
        return reject("truncated header");
    if (imageVersion != kImageVersion)
        return reject(formatString("unknown image version %d", imageVersion));
    if (groupCount != kInventoryGroupCount)
        return reject(formatString("group count %d instead of %d", groupCount, kInventoryGroupCount));

    for (int g = 0; g < kInventoryGroupCount; ++g) {
        GroupImage& image = groups[static_cast<size_t>(g)];
        image.size = buffer.readInt();
        int count = buffer.readInt();
        if (buffer.failed())
            return reject(formatString("truncated at group %d", g));
        if (image.size < 0 || image.size > kMaxGroupCapacity)
            return reject(formatString("group %d capacity %d out of range", g, image.size));
        if (count < 0 || count > image.size)
            return reject(formatString("group %d holds %d items in %d places", g, count, image.size));
        int lastPlace = -1;
        for (int n = 0; n < count; ++n) {
            int place = buffer.readInt();
            if (buffer.failed())
                return reject(formatString("truncated in group %d", g));
            if (place <= lastPlace || place >= image.size)
                return reject(formatString("group %d place %d out of order or range", g, place));
            lastPlace = place;
            std::unique_ptr<ItemBase> item(createItem());
            if (!item->readImage(buffer, byFile, version, error))
                return reject(formatString("group %d place %d: %s", g, place, error.c_str()));
            image.items.emplace_back(place, std::move(item));
        }
    }

    for (int g = 0; g < kInventoryGroupCount; ++g) {
        InventoryGroup& group = m_groups[static_cast<size_t>(g)];
        GroupImage& image = groups[static_cast<size_t>(g)];
        group.destroyAll();
        group.setSize(image.size);
        for (auto& [place, item] : image.items)
            group.setItem(place, item.release());
    }
    return true;
}

// The player's side of items: trade with vendors, pickups, moves, weapon
// sets, identifying and handing items to others. Every item has exactly one
// owner at every step: whatever leaves a place is handed on, put back or
// destroyed.
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemData.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Player.h"
#include "game/entities/Vendor.h"
#include "game/world/Game.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int kLoot = toIndex(InventoryGroupIndex::Loot);
constexpr int kLootBag8 = toIndex(InventoryGroupIndex::LootBag8);
constexpr int kEquipment = toIndex(InventoryGroupIndex::Equipment);
constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);
constexpr int kBag4 = toIndex(InventoryGroupIndex::Bag4);
constexpr int kHouse = toIndex(InventoryGroupIndex::House);
constexpr int kBookshelf = toIndex(InventoryGroupIndex::Bookshelf);
constexpr int kBackup = toIndex(InventoryGroupIndex::Backup);
constexpr int kMoneyStat = toIndex(CharacterStat::Money);
constexpr int kCrystals = toIndex(CovenantStat::Money);

bool isBound(const ItemBase& item)
{
    return item.getBool("Bound");
}

bool isShield(const ItemBase* item)
{
    return item && item->getItemType() == ItemType::HandSecondary &&
           item->getItemRequirement() == ItemRequirement::Shield;
}

std::string noRoomText(const ItemBase& item)
{
    return item.getEntryType() == kEntryTypeQuestItem ? "Already have all we need!" : "No room in inventory!";
}

} // namespace

int Player::handOver(Item* item)
{
    InventoryBase* inventory = getInventory();
    if (!item || !inventory)
        return InventoryBase::kAddNoRoom;
    // Onto an equal stack of the first bag, then of any bag, then a free
    // place of Bag1 and down the bag chain.
    if (inventory->stackItem(item, 1) || inventory->stackItem(item))
        return InventoryBase::kAddStacked;
    int result = inventory->addItem(item, kBag1);
    if (result == InventoryBase::kAddPlaced)
        item->setOwner(this);
    return result;
}

int Player::getFunds(bool bound) const
{
    if (!bound)
        return getStat(kMoneyStat);
    const Covenant* covenant = getCovenant();
    return covenant ? covenant->stats.get(kCrystals) : 0;
}

void Player::spendFunds(bool bound, int amount)
{
    if (!bound) {
        m_stats.subtractFloored(kMoneyStat, amount);
    } else if (Covenant* covenant = getCovenant()) {
        covenant->stats.subtractFloored(kCrystals, amount);
    }
}

Vendor* Player::getTradingVendor() const
{
    return dynamic_cast<Vendor*>(m_actionTarget.get());
}

void Player::buyItem(int group, int slot)
{
    Vendor* vendor = getTradingVendor();
    if (!vendor || group != kLoot)
        return;
    if (vendor->isDead())
        sendMessage(4, "Vendor is dead!");
    const float factor = vendor->getSlotPriceFactor(slot);
    InventoryGroup* goods = getInventoryGroup(group);
    auto* shown = goods ? dynamic_cast<Item*>(goods->getItem(slot)) : nullptr;
    if (!shown || shown != vendor->getStockItem(slot))
        return;
    const bool gamble = vendor->isGambler() && !vendor->isBuyBackSlot(slot);
    const int price =
        gamble ? shown->getGamblePrice()
               : static_cast<int>(std::min(std::floor(shown->getPrice(1) * static_cast<double>(factor)),
                                           static_cast<double>(INT_MAX)));
    const bool bound = isBound(*shown);
    // A bound item is paid in covenant crystals: no covenant, no purchase.
    if (bound && !getCovenant())
        return;
    if (price > getFunds(bound))
        return;

    bool newUnit = false;
    Item* taken = vendor->takeFromSlot(slot, newUnit);
    if (!taken)
        return;
    Item* handed = taken;
    bool won = false;
    const int chance = taken->getQuantity();
    if (gamble) {
        won = rollPercent() < chance;
        if (won) {
            taken->setQuantity(1);
            taken->setIdentified(true);
        } else {
            // A lost gamble gives a plain item of the base entry.
            const DatabaseEntry* base = taken->getBaseEntry() ? taken->getBaseEntry() : taken->getItemEntry();
            handed = new Item();
            handed->setItemEntry(base);
            handed->generate(taken->getLevel());
            handed->updateStackValue();
        }
    }
    const int result = handOver(handed);
    if (result == InventoryBase::kAddNoRoom) {
        sendMessage(4, noRoomText(*handed));
        if (handed != taken)
            delete handed;
        else if (gamble) {
            taken->setQuantity(chance);
            taken->setIdentified(false);
        }
        vendor->putBack(slot, taken, newUnit);
        return;
    }
    if (gamble) {
        onItemFound(handed);
        playSound(won && handed->getRarity() != ItemRarity::Normal ? "Sounds/gamblingSuccess.ogg"
                                                                   : "Sounds/gamblingFailure.ogg");
    }
    if (result == InventoryBase::kAddStacked)
        delete handed;
    if (handed != taken)
        delete taken; // the lost gamble's item left the slot for good
    spendFunds(bound, price);
    if (newUnit)
        vendor->consumeUnit(slot);
    updateStats(false);
}

void Player::sellItem(int group, int slot)
{
    Vendor* vendor = getTradingVendor();
    if (!vendor)
        return;
    if (vendor->isDead())
        sendMessage(4, "Vendor is dead!");
    if (group >= kLoot && group <= kLootBag8)
        return;
    InventoryGroup* from = getInventoryGroup(group);
    auto* item = from ? dynamic_cast<Item*>(from->getItem(slot)) : nullptr;
    if (!item || item->isNoSale())
        return;
    const bool bound = isBound(*item);
    if (bound != vendor->isGuardVendor())
        return;
    Covenant* covenant = getCovenant();
    if (bound && !covenant)
        return;
    const int proceeds = item->getSellValue(1);
    if (item->isStack() && item->getQuantity() > 1) {
        vendor->addBuyBack(item, 1);
        item->setQuantity(item->getQuantity() - 1);
    } else {
        InventoryBase* inventory = getInventory();
        int g = -1;
        int s = -1;
        if (!inventory || !inventory->findItem(item, g, s))
            return;
        auto* released = static_cast<Item*>(inventory->clearEntry(g, s));
        // A sold guard contract takes its guard along; a sold relic its display.
        itemRemoved(released, g, s);
        vendor->addBuyBack(released, 0);
    }
    if (bound)
        covenant->addCrystals(proceeds);
    else
        m_stats.add(kMoneyStat, proceeds);
    updateStats(false);
}

void Player::pickupEntity(int number)
{
    Game* game = Game::instance();
    if (!game || isDead() || static_cast<unsigned>(number) >= static_cast<unsigned>(Game::kMaxEntities))
        return;
    auto* ground = dynamic_cast<ItemGround*>(game->getEntity(number));
    if (!ground || ground->isItemTaken() || !ground->getGroundItem())
        return;
    Item* item = ground->getGroundItem();
    const int type = item->getEntryType();
    if (type == kEntryTypeMoney) {
        const int amount = std::max(0, item->getQuantity());
        m_stats.add(kMoneyStat, amount);
        if (m_statistics.size() > MoneyPickedUp)
            m_statistics[MoneyPickedUp] += amount;
        game->deleteEntity(ground, true);
        return;
    }
    // The soul stone of this player's death: its quantity is experience.
    if (isBound(*item) && item->getOwner() == this) {
        m_stats.subtractFloored(toIndex(CharacterStat::XpDebt), std::max(0, item->getQuantity()));
        game->deleteEntity(ground, true);
        return;
    }
    // A quest item is counted by the first quest that wants it, or stays.
    if (type == kEntryTypeQuestItem) {
        if (!offerToQuests(ground))
            sendMessage(4, noRoomText(*item));
        return;
    }
    // A stranger's bound item stays where it lies.
    if (isBound(*item) && item->getOwner() && item->getOwner() != ground)
        return;
    Item* taken = ground->takeItem();
    const int result = handOver(taken);
    if (result == InventoryBase::kAddNoRoom) {
        // Back on the ground object, which owns it again.
        ground->putItemBack(taken);
        sendMessage(4, noRoomText(*taken));
        return;
    }
    onItemFound(taken);
    if (result == InventoryBase::kAddStacked)
        delete taken;
    game->deleteEntity(ground, true);
    updateStats(false);
}

void Player::canEquip(const ItemBase* twoHanded, const ItemBase* shield)
{
    if (twoHanded && shield)
        sendMessage(4, "Can't equip a 2 handed weapon and shield at the same time!");
}

void Player::moveItem(int oldGroup, int oldSlot, int newGroup, int newSlot)
{
    InventoryBase* inventory = getInventory();
    if (!inventory)
        return;
    Vendor* vendor = getTradingVendor();
    const bool touchesLoot = oldGroup == kLoot || newGroup == kLoot;
    // A covenant's inventory shown as the loot changes hands only by trading.
    if (touchesLoot && showsCovenantInventory())
        return;
    if (!vendor && touchesLoot) {
        const Sentient* other = m_targetSentient.get();
        if (other && other->getCovenant() != getCovenant())
            return;
    }
    bool direct = false;
    if (vendor && oldGroup == kLoot && newGroup == kLoot) {
        if (newSlot < 1 || !vendor->canSwapSlots(oldSlot, newSlot))
            return;
        direct = true;
    } else if (vendor && touchesLoot) {
        // Goods change hands only by buying and selling.
        return;
    }
    InventoryGroup* from = getInventoryGroup(oldGroup);
    ItemBase* moving = from ? from->getItem(oldSlot) : nullptr;
    if (!moving)
        return;
    if (!direct && newGroup == kBookshelf && oldGroup != kBookshelf) {
        InventoryGroup* shelf = getInventoryGroup(kBookshelf);
        if (!shelf)
            return;
        int place = entryInt(moving->getItemEntry(), "ShelfIndex", -1);
        if (place < 0 || place >= shelf->getSize() || shelf->getItem(place))
            place = shelf->findFreeIndex();
        if (place < 0) {
            sendMessage(4, "Can't move item here!");
            return;
        }
        newSlot = place;
    } else if (!direct && oldGroup == kBookshelf) {
        InventoryGroup* to = getInventoryGroup(newGroup);
        if (to && to->getItem(newSlot))
            return;
    }
    // What comes into the equipment is worn only by a class that may wear
    // it, from its level on; a swap brings the other item there too.
    const ItemBase* arriving[2] = {newGroup == kEquipment ? moving : nullptr, nullptr};
    if (oldGroup == kEquipment && newGroup != kEquipment)
        if (InventoryGroup* to = getInventoryGroup(newGroup))
            arriving[1] = to->getItem(newSlot);
    for (const ItemBase* item : arriving) {
        if (!item)
            continue;
        if (std::string refusal = wearRefusal(*item); !refusal.empty()) {
            sendMessage(4, refusal);
            return;
        }
    }
    if (newGroup == kEquipment) {
        // A two-handed weapon and a shield never share the hands.
        const ItemBase* primary = inventory->getItemAt(kEquipment, toIndex(EquipedLocation::HandPrimary));
        const ItemBase* secondary = inventory->getItemAt(kEquipment, toIndex(EquipedLocation::HandSecondary));
        if (moving->getItemType() == ItemType::HandBoth && isShield(secondary))
            canEquip(moving, secondary);
        else if (isShield(moving) && primary && primary->getItemType() == ItemType::HandBoth)
            canEquip(primary, moving);
    }
    const bool book = newGroup == kBookshelf && moving->getItemType() == ItemType::Tome;
    const std::string title = moving->getName();
    InventoryGroup* to = getInventoryGroup(newGroup);
    ItemBase* displaced = to ? to->getItem(newSlot) : nullptr;
    if (!inventory->moveItem(oldGroup, oldSlot, newGroup, newSlot)) {
        sendMessage(4, "Can't move item here!");
        return;
    }
    // The house hears of what left and what arrived in its places.
    if (oldGroup == kHouse)
        itemRemoved(moving, oldGroup, oldSlot);
    if (newGroup == kHouse && displaced && displaced != moving)
        itemRemoved(displaced, newGroup, newSlot);
    if (newGroup == kHouse && inventory->getItemAt(newGroup, newSlot) == moving)
        itemAdded(moving, newGroup, newSlot);
    if (oldGroup == kHouse && displaced && inventory->getItemAt(oldGroup, oldSlot) == displaced)
        itemAdded(displaced, oldGroup, oldSlot);
    // A piece of a set put on may complete the set's bonuses; they end by
    // themselves when the set is broken. What lies in the place now: a move
    // may have merged the item away.
    if (newGroup == kEquipment)
        if (auto* item = dynamic_cast<Item*>(inventory->getItemAt(kEquipment, newSlot)))
            item->applySetBonuses(this);
    updateStats(false);
    if (touchesLoot)
        if (Sentient* other = m_targetSentient.get(); other && other != this)
            other->updateStats(false);
    if (book && oldGroup != kBookshelf)
        sendMessage(2, title + " added to bookshelf!");
}

void Player::applyWornSetBonuses()
{
    const InventoryGroup* worn = getInventoryGroup(kEquipment);
    for (int i = 0; worn && i < worn->getSize(); ++i)
        if (auto* item = dynamic_cast<Item*>(worn->getItem(i)))
            item->applySetBonuses(this);
}

void Player::itemAdded(ItemBase* item, int group, int slot)
{
    Covenant* covenant = getCovenant();
    if (!item || !covenant || group != kHouse)
        return;
    if (item->getItemType() == ItemType::Guard && !item->hasBrokenFree())
        covenant->createGuard(item, slot);
    else if (item->getItemType() == ItemType::Relic && slot >= InventoryBase::kHouseGuardPlaces)
        covenant->createRelicDisplay(item, slot);
}

void Player::itemRemoved(ItemBase* item, int group, int slot)
{
    Covenant* covenant = getCovenant();
    if (!item || !covenant || group != kHouse)
        return;
    if (item->getItemType() == ItemType::Guard && !item->hasBrokenFree())
        covenant->dismissGuard(slot);
    else if (item->getItemType() == ItemType::Relic)
        covenant->removeRelicDisplay(slot);
}

void Player::restoreHouse()
{
    InventoryGroup* house = getCovenant() ? getInventoryGroup(kHouse) : nullptr;
    for (int slot = 0; house && slot < house->getSize(); ++slot)
        itemAdded(house->getItem(slot), kHouse, slot);
}

void Player::checkHouseGuards()
{
    Covenant* covenant = getCovenant();
    InventoryGroup* house = covenant ? getInventoryGroup(kHouse) : nullptr;
    bool changed = false;
    for (int slot = 0; house && slot < InventoryBase::kHouseGuardPlaces && slot < house->getSize(); ++slot) {
        ItemBase* item = house->getItem(slot);
        if (!item || item->getItemType() != ItemType::Guard || item->hasBrokenFree())
            continue;
        const Entity* guard = covenant->getGuard(slot);
        if (!guard || guard->isDead()) {
            // The guard it stood for has died: its kept health and value go.
            item->setBrokenFree(true);
            item->setGuardHealth(-1);
            item->setLinkedValue(-1);
            changed = true;
        }
    }
    // Its upkeep ends at once, not at the covenant's next refresh.
    if (changed)
        covenant->updateStats();
}

void Player::switchItemSet()
{
    InventoryBase* inventory = getInventory();
    InventoryGroup* equipment = inventory ? inventory->getSlot(kEquipment) : nullptr;
    InventoryGroup* backup = inventory ? inventory->getSlot(kBackup) : nullptr;
    if (!equipment || !backup || backup->getSize() < 2)
        return;
    const int hands[2] = {toIndex(EquipedLocation::HandPrimary), toIndex(EquipedLocation::HandSecondary)};
    ItemBase* worn[2] = {equipment->releaseItem(hands[0]), equipment->releaseItem(hands[1])};
    ItemBase* spare[2] = {backup->releaseItem(0), backup->releaseItem(1)};
    // A two-handed weapon coming in sends the incoming off-hand item to the bags.
    if (spare[0] && spare[0]->getItemType() == ItemType::HandBoth && spare[1]) {
        int result = inventory->addItem(spare[1], kBag1);
        if (result == InventoryBase::kAddStacked) {
            delete spare[1];
            spare[1] = nullptr;
        } else if (result == InventoryBase::kAddPlaced) {
            spare[1] = nullptr;
        }
        // With no room the off-hand item stays in the backup set.
    }
    for (int i = 0; i < 2; ++i) {
        equipment->setItem(hands[i], nullptr);
        if (spare[i] && !(i == 1 && spare[0] && spare[0]->getItemType() == ItemType::HandBoth)) {
            equipment->setItem(hands[i], spare[i]);
            spare[i] = nullptr;
        }
        backup->setItem(i, worn[i]);
    }
    // An off-hand item that found no bag waits in the free backup place.
    if (spare[1]) {
        if (!backup->getItem(1))
            backup->setItem(1, spare[1]);
        else if (inventory->addItem(spare[1], kBag1) == InventoryBase::kAddStacked)
            delete spare[1];
    }
    updateStats(false);
}

void Player::identifyAll()
{
    InventoryBase* inventory = getInventory();
    if (!inventory)
        return;
    const int cost = inventory->getIdentifyAllCost();
    if (cost <= 0)
        return;
    if (getStat(kMoneyStat) < cost) {
        sendMessage(4, "Don't have enough money to identify everything!");
        return;
    }
    m_stats.subtractFloored(kMoneyStat, cost);
    for (int g = 0; g < kInventoryGroupCount; ++g) {
        if (g >= kLoot && g <= kLootBag8)
            continue;
        InventoryGroup* items = getInventoryGroup(g);
        for (int i = 0; items && i < items->getSize(); ++i) {
            ItemBase* item = items->getItem(i);
            if (item && item->needsIdentify()) {
                item->setIdentified(true);
                onItemFound(item);
            }
        }
    }
}

void Player::forceUse(int number, int group, int slot)
{
    Game* game = Game::instance();
    if (!game || isDead() || static_cast<unsigned>(number) >= static_cast<unsigned>(Game::kMaxEntities))
        return;
    auto* target = dynamic_cast<Sentient*>(game->getEntity(number));
    if (!target || !target->isAlive())
        return;
    if (const auto* actor = dynamic_cast<const Actor*>(target); actor && !actor->isNpc()) {
        sendMessage(4, "$$InvalidCantGiveItemsMonsters$$");
        return;
    }
    if (isEnemy(target)) {
        sendMessage(4, "$$InvalidCantGiveItemsEnemies$$");
        return;
    }
    // Goods shown as the loot (a vendor's, a covenant's) are not the player's to use.
    if (group >= kLoot && group <= kLootBag8 && (getTradingVendor() || showsCovenantInventory()))
        return;
    InventoryGroup* items = getInventoryGroup(group);
    auto* item = items ? dynamic_cast<Item*>(items->getItem(slot)) : nullptr;
    if (!item)
        return;
    if (const DatabaseEntry* e = item->getItemEntry()) {
        const std::string sound = entryString(e, "UseSound");
        if (!sound.empty())
            playSound(sound);
    }
    // The item is used on the target; a used-up one leaves the giver's place.
    if (item->use(target))
        if (ItemBase* gone = items->releaseItem(slot))
            delete gone;
    updateStats(false);
}

void Player::forceFromBags(int number, const char* baseName)
{
    const Database* db = Database::instance();
    const DatabaseEntry* base = db ? db->findEntry(baseName) : nullptr;
    if (!base)
        return;
    int bestGroup = -1;
    int bestSlot = -1;
    int bestLevel = INT_MIN;
    for (int g = kBag1; g <= kBag4; ++g) {
        InventoryGroup* bag = getInventoryGroup(g);
        for (int i = 0; bag && i < bag->getSize(); ++i) {
            const ItemBase* item = bag->getItem(i);
            const DatabaseEntry* e = item ? item->getItemEntry() : nullptr;
            if (e && e->isDerivedFrom(base) && item->getLevel() > bestLevel) {
                bestLevel = item->getLevel();
                bestGroup = g;
                bestSlot = i;
            }
        }
    }
    if (bestGroup >= 0)
        forceUse(number, bestGroup, bestSlot);
}

void Player::forceFood(int number)
{
    forceFromBags(number, "BaseFood");
}

void Player::forcePotion(int number)
{
    forceFromBags(number, "BasePotionHealth");
}

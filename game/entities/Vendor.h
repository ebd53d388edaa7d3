#pragma once

#include "game/definitions/ItemBase.h"
#include "game/entities/Actor.h"
#include "game/entities/Timer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class ByteBuffer;
class Item;
class ItemBase;
class Player;

// A shopkeeper: an actor whose Loot group is its stock. Most slots hold
// random items made for the customer's level, the first four endless basic
// goods, the last two what the customer sold (buy-back). A gambler's random
// items may fail when bought; a guard vendor sells guard contracts.
// The player's half of trading is in PlayerItems.cpp.
class Vendor : public Actor {
public:
    static constexpr int kSlotCount = 24;
    // Guard contracts are endless like base goods; the stack shown is the
    // largest an item image holds.
    static constexpr int kGuardStack = ItemBase::kMaxQuantity;

    enum SlotKind {
        GuardItem = 0,
        HealthPotion = 1,
        Food = 2,
        ManaPotion = 3,
        Drink = 4,
        RandomItem = 5,
        NotStocked = 6,
        BuyBack = 7,
        Dropped = 8,
    };

    Vendor();
    ~Vendor() override;

    // Actor's load, then the vendor keys of the same entry and the slot kinds.
    void loadFromDatabase() override;
    void update(float dt) override;

    // The first customer fixes the stock's level and fills every slot; the
    // vendor turns to each customer.
    void setCustomer(Sentient* customer);
    void restockAll();
    void stockSlot(int slot);
    // The slot's old item is destroyed; unless a gambler's, the new one is
    // identified.
    void placeInSlot(int slot, Item* item);
    // The item a buyer takes from the slot, out of the vendor's hands (the
    // caller owns it): a new unit of base goods or of a stack (newUnit set),
    // else the slot's own item. Null for an empty slot.
    Item* takeFromSlot(int slot, bool& newUnit);
    // A refused purchase: a new unit is destroyed, the slot's own item goes
    // back into the slot.
    void putBack(int slot, Item* item, bool newUnit);
    // A sold unit leaves the slot's stack; base goods stay endless.
    void consumeUnit(int slot);
    // The newest sale goes to the last slot, the previous one moves down.
    // quantity > 0: a new item of the sold entry with that many; else the
    // sold item itself, which the vendor then owns.
    void addBuyBack(Item* item, int quantity);
    bool isBuyBackSlot(int slot) const { return slotKind(slot) == BuyBack; }
    float getSlotPriceFactor(int slot) const;
    bool canSwapSlots(int a, int b) const;
    bool hasRandomStock();
    // Up to n random items taken out of the stock; their worth is added up.
    int stealRandomItems(int n, int& total);
    void clearStock();

    // A guard contract of the spawn system's "GuardItem" for a guard type
    // fit for the level; null when there is none.
    static std::unique_ptr<Item> createGuardItem(int level);

    // The world save: Actor's, then the stock level and the stock.
    void write(ByteBuffer& out) const override;
    bool read(ByteBuffer& in, int version) override;

    int slotKind(int slot) const;
    int getVendorLevel() const { return m_vendorLevel; }
    bool isGuardVendor() const { return m_guardVendor; }
    bool isGambler() const { return m_gambler; }
    int getRandomItemsTarget() const { return m_randomItemsTarget; }
    void setRandomItemsTarget(int target) { m_randomItemsTarget = target; }
    int getRandomItemsGenerated() const { return m_randomItemsGenerated; }
    const Timer& getRestockTimer() const { return m_restockTimer; }
    ItemBase* getStockItem(int slot) const;

private:
    void assignSlotKinds();
    Item* makeRandomItem();
    bool keepsRandomItem(const Item& item) const;
    InventoryGroup* stock() const;

    int m_vendorLevel = -1;
    bool m_guardVendor = false;
    bool m_gambler = false;
    std::vector<int> m_slotKinds;
    Timer m_restockTimer;
    int m_magicChance = 0;
    int m_minSpread = 0;
    int m_maxSpread = 0;
    float m_aboveLevelChance = 0.0f;
    int m_aboveLevelSpread = 0;
    float m_classSkewChance = 0.0f;
    bool m_useVendorLevel = false;
    int m_maxItemGenerationTries = 0;
    bool m_allowWeapons = false;
    bool m_allowArmor = false;
    bool m_allowMisc = false;
    int m_minGambleChance = 0;
    int m_maxGambleChance = 0;
    int m_randomItemsTarget = 0;
    int m_randomItemsGenerated = 0;
};

// The armour-weight test of vendor stock: the entity can use the item's
// requirement at all, and an armour piece is of the heaviest kind it wears
// or the one below.
bool canUseArmourWeight(const Sentient* entity, const ItemBase* item);

#pragma once

#include "engine/object/SafeClass.h"
#include "game/definitions/GameEnums.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

class ByteBuffer;
class DatabaseEntry;
class GameBase;
class InventoryBase;
class ItemBase;
class ItemHolder;

// One magic property: a "MagicModifier" entry and its rolled strength in [0, 1).
struct MagicProperty {
    const DatabaseEntry* modifier = nullptr;
    float value = 0.0f;
};

struct DamageRange {
    int min = 0;
    int max = 0;
};

// A link of an item to an item set: the set entry and the item count of the set.
struct ItemSetLink {
    const DatabaseEntry* set = nullptr;
    int size = 0;
};

// A status effect an item set grants with at least itemsNeeded equipped items.
struct ItemSetBonus {
    const DatabaseEntry* effect = nullptr;
    int itemsNeeded = 0;
};

// Option bits of ItemBase::getTooltip.
enum TooltipOption : unsigned {
    TooltipForeignOwner = 1u << 0,    // the item belongs to another covenant's character
    TooltipAtVendor = 1u << 1,        // trading with a vendor
    TooltipRepurchase = 1u << 2,      // a buy-back place
    TooltipGambleHidden = 1u << 3,    // a gambler's stock: show the base item only
    TooltipDescriptionOnly = 1u << 4, // no interaction hints, sell value always shown
    TooltipVendorStock = 1u << 5,     // the vendor's own goods
    TooltipInLoot = 1u << 6,          // lies in a container the player loots
    TooltipShowComparison = 1u << 7,  // add differences to the comparison item
};

struct TooltipContext {
    unsigned options = 0;
    const ItemBase* compareWith = nullptr;
    bool has(TooltipOption option) const { return (options & option) != 0; }
};

// Status-effect services items need (subsystem 4 installs them); without them
// set bonuses are described by their "Name" and have no worth.
struct ItemStatusEffectHooks {
    std::string (*describe)(const DatabaseEntry* effect) = nullptr;
    float (*worth)(const DatabaseEntry* effect) = nullptr;
};

// The item shared by server and client: its entry, rolled properties, stack,
// value and texts. Rules are documented in docs/formats.md, "Item rules".
// Safe pointers may hold items (ground items, quests).
class ItemBase : public SafeClass {
public:
    static constexpr int kMaxMagicProperties = 64;
    static constexpr int kMaxRolls = 64;
    static constexpr int kMaxItemLevel = 1000;
    static constexpr int kMaxQuantity = 1000000;

    ItemBase();
    ~ItemBase() override;

    // Virtual slots after SimpleData's getters.
    void loadFromDatabase() override;
    virtual bool isUsable() const;
    virtual float getTypeMultiplier() const { return 1.0f; }
    virtual GameBase* getGameBase() const { return nullptr; }
    // Back to a fresh item without entry (item type Other).
    virtual void clear();

    // Sets the entry and loads it (rarity, stack limit, set links …).
    void setItemEntry(const DatabaseEntry* entry);
    const DatabaseEntry* getItemEntry() const;
    // The entry without enchantments (failed gambles); the entry itself when unset.
    const DatabaseEntry* getBaseEntry() const { return m_baseEntry; }
    void setBaseEntry(const DatabaseEntry* entry) { m_baseEntry = entry; }
    int getEntryType() const; // DatabaseEntryType of the entry (0 without)

    // ---- Identity
    ItemType getItemType() const { return m_itemType; }
    ItemRarity getRarity() const { return m_rarity; }
    void setRarity(ItemRarity rarity) { m_rarity = rarity; }
    int getLevel() const { return m_level; }
    void setLevel(int level);
    int getMinLevel() const { return m_minLevel; }
    void setMinLevel(int level); // clamped to 0 … kMaxItemLevel
    int getGroup() const { return m_group; }
    void setGroup(int group) { m_group = group; }
    bool isIdentified() const { return m_identified; }
    void setIdentified(bool identified) { m_identified = identified; }
    bool isAlwaysIdentified() const;
    const DatabaseEntry* getLinkedEntry() const { return m_linkedEntry; }
    void setLinkedEntry(const DatabaseEntry* entry) { m_linkedEntry = entry; }
    int getLinkedValue() const { return m_linkedValue; }
    void setLinkedValue(int value) { m_linkedValue = value; }

    // ---- Stack
    int getQuantity() const { return m_quantity; }
    // Sets the stack count and clears the cached value and upkeep.
    void setQuantity(int quantity);
    int getMaxStack() const { return m_maxStack; }
    bool isStack() const { return m_maxStack > 1; }
    // Same entry and rarity, no magic properties, same identified state.
    bool canStackWith(const ItemBase& other) const;
    int getAmount() const { return m_amount; }
    void setAmount(int amount); // negative counts as 0
    int getBagSize() const { return m_bagSize; }

    // ---- Use
    bool needsIdentify() const;
    bool isEquippableInBag() const;
    bool isWeapon() const;
    bool isArmor() const;
    ItemRequirement getItemRequirement() const { return m_requirement; }
    // Entry flags: "NoDrop", "NoSale", "CanForceUse", "VendorStock" (vendors may stock it).
    bool isNoDrop() const { return getBool("NoDrop"); }
    bool isNoSale() const { return getBool("NoSale"); }
    bool canForceUse() const { return getBool("CanForceUse"); }
    bool isVendorStock() const { return getBool("VendorStock"); }
    // Set while the item belongs to a covenant's house or stash.
    bool isKeptByCovenant() const { return m_keptByCovenant; }
    void setKeptByCovenant(bool kept) { m_keptByCovenant = kept; }
    EquipedLocation getDefaultEquipLocation() const;
    bool fitsSlotType(ItemSlotType slotType) const;
    bool canPlaceInSlot(const ItemHolder* owner, int group, int entry, ItemSlotType slotType) const;

    // ---- Combat
    int getMinDamage(DamageType type) const { return m_damage[static_cast<int>(type)].min; }
    int getMaxDamage(DamageType type) const { return m_damage[static_cast<int>(type)].max; }
    int getArmor() const { return m_armor; }
    int getDefenseBonus() const { return m_defenseBonus; }
    float getWeaponSpeed() const { return m_weaponSpeed; }
    float getWeaponSpeedBonus() const { return m_weaponSpeedBonus; }
    // The item's bonus to a stat (0 when none).
    int getStatBonus(CharacterStat stat) const;
    const std::vector<std::pair<CharacterStat, int>>& getStatBonuses() const { return m_statBonuses; }
    // Adds each bonus to totals[stat index] but where skip(index) holds; a
    // stat listed twice gives its first value, as getStatBonus reads it.
    template <class Skip> void addStatBonuses(std::vector<int>& totals, Skip skip) const
    {
        const size_t count = std::min(totals.size(), static_cast<size_t>(kCharacterStatCount));
        for (size_t b = 0; b < m_statBonuses.size(); ++b) {
            const int s = static_cast<int>(m_statBonuses[b].first);
            if (s < 0 || static_cast<size_t>(s) >= count || skip(s))
                continue;
            bool earlier = false;
            for (size_t e = 0; e < b && !earlier; ++e)
                earlier = m_statBonuses[e].first == m_statBonuses[b].first;
            if (!earlier)
                totals[static_cast<size_t>(s)] += m_statBonuses[b].second;
        }
    }
    const ItemSetLink& getSetLink(int index) const { return m_setLinks[index & 1]; }
    const ItemSetBonus& getPartialSetBonus() const { return m_partialSetBonus; }
    const ItemSetBonus& getFullSetBonus() const { return m_fullSetBonus; }

    // ---- Magic
    bool acceptsMagicRequirement(MagicRequirement requirement) const;
    void addMagicProperty(const DatabaseEntry* modifier, float value);
    // Prefix/suffix bookkeeping for one more modifier: more than two modifiers
    // show neither name.
    void applyModifierName(const DatabaseEntry* modifier);
    const std::vector<MagicProperty>& getMagicProperties() const { return m_properties; }
    int getPrefixCount() const { return m_prefixCount; }
    int getSuffixCount() const { return m_suffixCount; }
    const std::string& getPrefixName() const { return m_prefixName; }
    const std::string& getSuffixName() const { return m_suffixName; }
    const std::vector<float>& getRolls() const { return m_rolls; }

    // Rolls the level-dependent properties at level (below 1: the entry's
    // "MinLevel") from random stream 0, then recomputes.
    void generate(int level = 0);
    // Re-derives damage, armour, bonuses from entry, rolls and properties.
    void recompute();

    // ---- Value
    int calculateValue() const;
    void updateStackValue();
    int getCachedValue() const { return m_value; }
    int getPrice(int quantity = 1) const;
    int getSellValue(int quantity = 1) const;
    int getGamblePrice() const;
    int getUpkeep() const;
    int getIdentifyCost() const;
    int getGuardPrice() const { return m_guardPrice; }
    const DatabaseEntry* getGuardType() const { return m_guardType; }
    // A contract for any monster type: the type is kept as the linked entry,
    // which the image saves.
    void setGuardType(const DatabaseEntry* type);
    int getGuardHealth() const { return m_guardHealth; }
    void setGuardHealth(int health) { m_guardHealth = health; }
    bool hasBrokenFree() const { return m_brokeFree; }
    void setBrokenFree(bool brokeFree) { m_brokeFree = brokeFree; }
    float getCovenantMultiplier(CovenantMultiplier which) const;

    // ---- Texts
    std::string getName() const;
    std::string getDisplayName(bool colored) const;
    void getTooltip(const ItemHolder* owner, const TooltipContext& context, std::string& out) const;
    // Appends a further part (the comparison with what is worn) to a
    // tooltip: a blank line between them when both have text.
    static void appendTooltipPart(std::string& tooltip, std::string_view part);

    // ---- Images (see docs/formats.md "Inventory and item images")
    void writeImage(ByteBuffer& buffer, bool fileForm) const;
    // Reads one image; false (with a reason) when it is truncated or invalid.
    bool readImage(ByteBuffer& buffer, bool fileForm, int version, std::string& error);

    // Copies everything but the group.
    void copyFrom(const ItemBase& other);

    static void setStatusEffectHooks(const ItemStatusEffectHooks& hooks);
    // The rarity's colour index ("ItemRarityColor" + rarity name).
    static int getRarityColor(ItemRarity rarity);
    // An entry whose "ItemSet" names an entry: a set item.
    static bool isSetEntry(const DatabaseEntry* entry);

private:
    void loadEntryFields();
    int familyAmount(const DatabaseEntry* entry, int family, float roll, bool whole) const;
    float familyFloat(const DatabaseEntry* entry, int family, float roll) const;
    bool familyVaries(const DatabaseEntry* entry, int family) const;
    int baseValueOf(const DatabaseEntry* entry) const;

    const DatabaseEntry* m_baseEntry = nullptr;
    const DatabaseEntry* m_linkedEntry = nullptr;
    const DatabaseEntry* m_guardType = nullptr;
    ItemType m_itemType = ItemType::Other;
    ItemRarity m_rarity = ItemRarity::Normal;
    ItemRequirement m_requirement = ItemRequirement::None;
    int m_level = 1;
    int m_minLevel = 0;
    int m_group = -1;
    bool m_identified = false;
    int m_linkedValue = 0;

    int m_quantity = 1;
    int m_maxStack = 1;
    int m_amount = 0;
    int m_bagSize = 0;

    std::array<DamageRange, kDamageTypeCount> m_damage{};
    int m_armor = 0;
    int m_defenseBonus = 0;
    float m_weaponSpeed = 0.0f;
    float m_weaponSpeedBonus = 0.0f;
    std::vector<std::pair<CharacterStat, int>> m_statBonuses;
    std::array<ItemSetLink, 2> m_setLinks{};
    ItemSetBonus m_partialSetBonus;
    ItemSetBonus m_fullSetBonus;

    std::vector<MagicProperty> m_properties;
    std::vector<float> m_rolls; // one per family of the entry, see generate
    int m_prefixCount = 0;
    int m_suffixCount = 0;
    std::string m_prefixName;
    std::string m_suffixName;

    // Caches filled on demand; -1 = not computed.
    mutable int m_value = -1;
    mutable int m_upkeep = -1;
    int m_guardPrice = 0;
    int m_guardHealth = 0;
    bool m_brokeFree = false;
    bool m_keptByCovenant = false;
    // Set while an image is read: its last step recomputes.
    bool m_recomputeHeld = false;
};

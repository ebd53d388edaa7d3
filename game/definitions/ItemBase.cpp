#include "game/definitions/ItemBase.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/Localization.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemData.h"
#include "game/definitions/ItemHolder.h"
#include "game/definitions/Money.h"
#include "game/skills/Saturate.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace {

ItemStatusEffectHooks g_statusEffectHooks;

// Rolled families, in roll order (docs/formats.md "Item rules").
enum FamilyIndex { kFamilyArmor, kFamilyDefense, kFamilySpeedBonus, kFamilyDamageBonus, kFirstStatFamily };

struct StatFamily {
    const char* name;
    CharacterStat stat;
};

const StatFamily kStatFamilies[] = {
    {"Strength", CharacterStat::Strength},
    {"Dexterity", CharacterStat::Dexterity},
    {"Vitality", CharacterStat::Vitality},
    {"Intelligence", CharacterStat::Intelligence},
    {"Spirit", CharacterStat::Spirit},
    {"MaxHealth", CharacterStat::MaxHealth},
    {"MaxPower", CharacterStat::MaxPower},
    {"HealthRegen", CharacterStat::HealthRegen},
    {"PowerRegen", CharacterStat::PowerRegen},
    {"Attack", CharacterStat::Attack},
    {"Block", CharacterStat::Block},
    {"Parry", CharacterStat::Parry},
    {"Dodge", CharacterStat::Dodge},
    {"Movement", CharacterStat::Movement},
    {"ResistancePhysical", CharacterStat::ResistancePhysical},
    {"ResistanceFire", CharacterStat::ResistanceFire},
    {"ResistanceCold", CharacterStat::ResistanceCold},
    {"ResistancePoison", CharacterStat::ResistancePoison},
    {"ResistanceLightning", CharacterStat::ResistanceLightning},
    {"ResistanceMagic", CharacterStat::ResistanceMagic},
    {"ExtraMoney", CharacterStat::ExtraMoney},
    {"ItemsChance", CharacterStat::ItemsChance},
    {"MagicChance", CharacterStat::MagicChance},
    {"LightIntensity", CharacterStat::LightIntensity},
};
constexpr int kStatFamilyCount = static_cast<int>(sizeof(kStatFamilies) / sizeof(kStatFamilies[0]));
constexpr int kFamilyCount = kFirstStatFamily + kStatFamilyCount;
constexpr float kMaxWeaponSpeedBonus = 0.75f;
// Longest prefix or suffix name an item image carries.
constexpr size_t kMaxModifierNameLength = 256;

const char* familyName(int family)
{
    switch (family) {
    case kFamilyArmor:
        return "Armor";
    case kFamilyDefense:
        return "Defense";
    case kFamilySpeedBonus:
        return "WeaponSpeedBonus";
    case kFamilyDamageBonus:
        return "DamageBonus";
    default:
        return kStatFamilies[family - kFirstStatFamily].name;
    }
}

const float kDefaultRarityValueMult[kItemRarityCount] = {1.0f, 1.25f, 1.5f, 2.0f, 3.0f, 4.0f, 5.0f, 8.0f};
const int kDefaultRarityColor[kItemRarityCount] = {145, 145, 2, 5, 9, 2, 61, 26};

// Key of the minimum or maximum damage of a type: "MinDamage", "MinFireDamage" …
std::string damageKey(const char* bound, int type)
{
    if (type == 0)
        return std::string(bound) + "Damage";
    return std::string(bound) + getDamageTypeName(type) + "Damage";
}

bool isInGroupRange(int group, InventoryGroupIndex first, InventoryGroupIndex last)
{
    return group >= toIndex(first) && group <= toIndex(last);
}

void appendLine(std::string& out, const std::string& line)
{
    out += line;
    out += '\n';
}

void appendColored(std::string& out, int color, const std::string& text)
{
    out += formatColorCode(color);
    out += text;
    out += formatColorCode(kPopColor);
    out += '\n';
}

// A key's value and its "PerLevel" value, added for every level above the first.
struct LevelValue {
    float base = 0.0f;
    float perLevel = 0.0f;

    float at(float levels) const { return base + perLevel * levels; }
};

struct LevelRange {
    LevelValue min;
    LevelValue max;
};

LevelValue readLevelValue(const DatabaseEntry& entry, const std::string& key)
{
    return {entryFloat(&entry, key), entryFloat(&entry, key + "PerLevel")};
}

// The keys an item copies from its entry when it takes the entry.
struct ItemEntryFields {
    ItemType itemType = ItemType::Other;
    int maxStack = 1;
    int bagSize = 0;
    ItemRequirement requirement = ItemRequirement::None;
    int minLevel = 0;
    int amount = 0;
    bool money = false;
    std::array<ItemSetLink, 2> setLinks{};
    ItemSetBonus partialSetBonus;
    int fullSetItems = 1;
    const DatabaseEntry* fullSetEffect = nullptr;
    bool artifact = false;
    bool unique = false;
    bool setItem = false;
    const DatabaseEntry* guardType = nullptr;
    int guardPrice = 0;
    float weaponSpeed = 0.0f;
};

ItemEntryFields readEntryFields(const DatabaseEntry& entry);

// Every damage and family range of an entry (item or magic modifier), and
// its copied keys, read once per entry: taking an entry or recomputing an
// item then needs no lookups by name.
struct ItemLevelTable : DatabaseEntry::Derived {
    std::array<LevelRange, kDamageTypeCount> damage;
    std::array<LevelRange, kFamilyCount> families;
    ItemEntryFields fields;
};

const ItemLevelTable& levelTableOf(const DatabaseEntry* entry)
{
    static const ItemLevelTable kEmpty;
    if (!entry)
        return kEmpty;
    return entry->derived<ItemLevelTable>([](const DatabaseEntry& e) {
        ItemLevelTable table;
        for (int t = 0; t < kDamageTypeCount; ++t)
            table.damage[static_cast<size_t>(t)] = {readLevelValue(e, damageKey("Min", t)),
                                                    readLevelValue(e, damageKey("Max", t))};
        for (int f = 0; f < kFamilyCount; ++f) {
            std::string name = familyName(f);
            table.families[static_cast<size_t>(f)] = {readLevelValue(e, "Min" + name),
                                                      readLevelValue(e, "Max" + name)};
        }
        table.fields = readEntryFields(e);
        return table;
    });
}

} // namespace

ItemBase::ItemBase()
{
    m_rolls.assign(kFamilyCount, 0.0f);
}

ItemBase::~ItemBase() = default;

void ItemBase::setStatusEffectHooks(const ItemStatusEffectHooks& hooks)
{
    g_statusEffectHooks = hooks;
}

bool ItemBase::isSetEntry(const DatabaseEntry* entry)
{
    if (!entry)
        return false;
    std::string setName = entryString(entry, "ItemSet");
    return !setName.empty() && findEntryByName(setName) != nullptr;
}

int ItemBase::getRarityColor(ItemRarity rarity)
{
    int r = std::clamp(toIndex(rarity), 0, kItemRarityCount - 1);
    return gameSystemInt("ItemRarityColor" + getItemRarityName(r), kDefaultRarityColor[r]);
}

void ItemBase::clear()
{
    setEntry(nullptr, "");
    m_baseEntry = nullptr;
    m_linkedEntry = nullptr;
    m_guardType = nullptr;
    m_itemType = ItemType::Other;
    m_rarity = ItemRarity::Normal;
    m_requirement = ItemRequirement::None;
    m_level = 1;
    m_minLevel = 0;
    m_group = -1;
    m_identified = false;
    m_linkedValue = 0;
    m_quantity = 1;
    m_maxStack = 1;
    m_amount = 0;
    m_bagSize = 0;
    m_damage = {};
    m_armor = 0;
    m_defenseBonus = 0;
    m_weaponSpeed = 0.0f;
    m_weaponSpeedBonus = 0.0f;
    m_statBonuses.clear();
    m_setLinks = {};
    m_partialSetBonus = {};
    m_fullSetBonus = {};
    m_properties.clear();
    m_rolls.assign(kFamilyCount, 0.0f);
    m_prefixCount = 0;
    m_suffixCount = 0;
    m_prefixName.clear();
    m_suffixName.clear();
    m_value = -1;
    m_upkeep = -1;
    m_guardPrice = 0;
    m_guardHealth = 0;
    m_brokeFree = false;
    m_keptByCovenant = false;
}

void ItemBase::setItemEntry(const DatabaseEntry* entry)
{
    setEntry(entry, entryNameOf(entry));
    loadFromDatabase();
}

const DatabaseEntry* ItemBase::getItemEntry() const
{
    return getEntry();
}

int ItemBase::getEntryType() const
{
    return entryTypeOf(getEntry());
}

void ItemBase::loadFromDatabase()
{
    loadEntryFields();
}

namespace {

ItemEntryFields readEntryFields(const DatabaseEntry& entry)
{
    const DatabaseEntry* e = &entry;
    ItemEntryFields f;
    std::string type = entryString(e, "ItemType");
    f.itemType = type.empty() ? ItemType::Other : parseItemType(type);
    // A stack never holds more than a quantity can be, and a bag never stacks
    // (a merged-away bag would leave its group behind).
    f.maxStack =
        f.itemType == ItemType::Bag ? 1 : std::clamp(entryInt(e, "MaxStack", 1), 1, ItemBase::kMaxQuantity);
    f.bagSize = std::clamp(entryInt(e, "BagSize"), 0, InventoryBase::kMaxGroupCapacity);
    f.requirement = parseItemRequirement(entryString(e, "ItemRequirement"));
    f.minLevel = entryInt(e, "MinLevel");
    f.amount = std::max(0, entryInt(e, "Amount"));
    f.money = entryTypeOf(e) == kEntryTypeMoney;
    for (int i = 0; i < 2; ++i) {
        std::string key = i == 0 ? "ItemSet" : "ItemSet2";
        std::string setName = entryString(e, key);
        f.setLinks[static_cast<size_t>(i)].set = setName.empty() ? nullptr : findEntryByName(setName);
        f.setLinks[static_cast<size_t>(i)].size = std::max(0, entryInt(e, key + "Size"));
    }
    std::string partial = entryString(e, "SetBonusPartial");
    f.partialSetBonus.effect = partial.empty() ? nullptr : findEntryByName(partial);
    f.partialSetBonus.itemsNeeded = std::max(1, entryInt(e, "SetBonusPartialItems", 1));
    std::string full = entryString(e, "SetBonusFull");
    f.fullSetEffect = full.empty() ? nullptr : findEntryByName(full);
    f.fullSetItems = std::max(1, f.setLinks[0].size);
    f.artifact = entryInt(e, "Artifact") != 0;
    f.unique = entryInt(e, "Unique") != 0;
    f.setItem = ItemBase::isSetEntry(e);
    std::string guard = entryString(e, "GuardType");
    f.guardType = guard.empty() ? nullptr : findEntryByName(guard);
    f.guardPrice = std::max(0, entryInt(e, "GuardPrice"));
    f.weaponSpeed = entryFloat(e, "WeaponSpeed");
    return f;
}

} // namespace

void ItemBase::loadEntryFields()
{
    const DatabaseEntry* e = getEntry();
    if (!e)
        return;
    const ItemEntryFields& f = levelTableOf(e).fields;
    m_itemType = f.itemType;
    m_maxStack = f.maxStack;
    m_bagSize = f.bagSize;
    m_requirement = f.requirement;
    setMinLevel(f.minLevel);
    if (m_level < 1)
        m_level = std::max(1, m_minLevel);
    if (m_amount == 0)
        m_amount = f.amount;
    if (f.money && m_amount > 0)
        m_quantity = std::min(m_amount, kMaxQuantity);

    m_setLinks = f.setLinks;
    m_partialSetBonus = f.partialSetBonus;
    m_fullSetBonus.effect = f.fullSetEffect;
    m_fullSetBonus.itemsNeeded = f.fullSetItems;

    if (f.artifact)
        m_rarity = ItemRarity::Artifact;
    else if (f.unique)
        m_rarity = ItemRarity::Unique;
    else if (f.setItem)
        m_rarity = ItemRarity::Set;

    m_guardType = f.guardType;
    // A guard never hired stores the largest health: it is hired whole.
    if (m_guardType)
        m_guardHealth = INT_MAX;
    m_guardPrice = f.guardPrice;
    m_weaponSpeed = f.weaponSpeed;
    if (static_cast<int>(m_rolls.size()) != kFamilyCount)
        m_rolls.resize(kFamilyCount, 0.0f);
    if (!m_recomputeHeld)
        recompute();
}

void ItemBase::setGuardType(const DatabaseEntry* type)
{
    m_guardType = type;
    m_linkedEntry = type;
    if (type)
        m_guardHealth = INT_MAX;
}

void ItemBase::setLevel(int level)
{
    m_level = std::clamp(level, 1, kMaxItemLevel);
}

bool ItemBase::isAlwaysIdentified() const
{
    return entryInt(getEntry(), "AlwaysIdentified") != 0;
}

void ItemBase::setMinLevel(int level)
{
    m_minLevel = std::clamp(level, 0, kMaxItemLevel);
}

void ItemBase::setQuantity(int quantity)
{
    m_quantity = std::clamp(quantity, 0, kMaxQuantity);
    m_value = -1;
    m_upkeep = -1;
}

void ItemBase::setAmount(int amount)
{
    m_amount = std::max(0, amount);
    if (getEntryType() == kEntryTypeMoney)
        setQuantity(m_amount);
    m_value = -1;
}

bool ItemBase::canStackWith(const ItemBase& other) const
{
    return getEntry() != nullptr && getEntry() == other.getEntry() && isStack() &&
           m_rarity == other.m_rarity && m_properties.empty() && other.m_properties.empty() &&
           m_identified == other.m_identified && m_linkedEntry == other.m_linkedEntry &&
           m_linkedValue == other.m_linkedValue;
}

// ---- Use -----------------------------------------------------------------

bool ItemBase::needsIdentify() const
{
    return !m_identified && !m_properties.empty() && !isAlwaysIdentified();
}

bool ItemBase::isEquippableInBag() const
{
    if (!isInGroupRange(m_group, InventoryGroupIndex::Bag1, InventoryGroupIndex::Bag4) &&
        !isInGroupRange(m_group, InventoryGroupIndex::StashBag1, InventoryGroupIndex::StashBag8))
        return false;
    switch (m_itemType) {
    case ItemType::Tome:
    case ItemType::Relic:
    case ItemType::TreasureMap:
    case ItemType::Food:
    case ItemType::Drink:
    case ItemType::Other:
        return false;
    default:
        return true;
    }
}

bool ItemBase::isUsable() const
{
    if (m_group == toIndex(InventoryGroupIndex::Stash) || m_group == toIndex(InventoryGroupIndex::Loot))
        return true;
    if (!getEntry() || m_quantity <= 0)
        return false;
    return getBool("CanBeUsed") || isEquippableInBag() || needsIdentify();
}

bool ItemBase::isWeapon() const
{
    switch (m_itemType) {
    case ItemType::HandPrimary:
    case ItemType::HandEither:
    case ItemType::HandBoth:
    case ItemType::Ranged:
        return true;
    case ItemType::HandSecondary:
        return m_requirement != ItemRequirement::Shield && m_damage[0].max > 0;
    default:
        return false;
    }
}

bool ItemBase::isArmor() const
{
    switch (m_itemType) {
    case ItemType::Head:
    case ItemType::Shoulders:
    case ItemType::Back:
    case ItemType::Chest:
    case ItemType::Wrists:
    case ItemType::Hands:
    case ItemType::Waist:
    case ItemType::Legs:
    case ItemType::Feet:
        return true;
    case ItemType::HandSecondary:
        return m_requirement == ItemRequirement::Shield;
    default:
        return false;
    }
}

EquipedLocation ItemBase::getDefaultEquipLocation() const
{
    int type = toIndex(m_itemType);
    if (type <= toIndex(ItemType::Feet))
        return static_cast<EquipedLocation>(type);
    switch (m_itemType) {
    case ItemType::Ring:
        return EquipedLocation::Ring1;
    case ItemType::Jewelry:
        return EquipedLocation::Jewelry1;
    case ItemType::HandPrimary:
    case ItemType::HandEither:
    case ItemType::HandBoth:
        return EquipedLocation::HandPrimary;
    case ItemType::HandSecondary:
        return EquipedLocation::HandSecondary;
    case ItemType::Ranged:
        return EquipedLocation::Ranged;
    default:
        return EquipedLocation::None;
    }
}

bool ItemBase::fitsSlotType(ItemSlotType slotType) const
{
    int slot = toIndex(slotType);
    if (slot <= toIndex(ItemSlotType::Jewelry))
        return toIndex(m_itemType) == slot; // Head … Jewelry share their numbers
    switch (slotType) {
    case ItemSlotType::HandPrimary:
        return m_itemType == ItemType::HandPrimary || m_itemType == ItemType::HandEither ||
               m_itemType == ItemType::HandBoth;
    case ItemSlotType::HandSecondary:
        return m_itemType == ItemType::HandSecondary || m_itemType == ItemType::HandEither;
    case ItemSlotType::Ranged:
        return m_itemType == ItemType::Ranged;
    case ItemSlotType::Bag:
        return m_itemType == ItemType::Bag;
    case ItemSlotType::Guard:
        return m_itemType == ItemType::Guard;
    case ItemSlotType::Relic:
        return m_itemType == ItemType::Relic;
    case ItemSlotType::Tome:
        return m_itemType == ItemType::Tome;
    case ItemSlotType::General:
        return true;
    default:
        return false;
    }
}

bool ItemBase::canPlaceInSlot(const ItemHolder* owner, int group, int entry, ItemSlotType slotType) const
{
    if (slotType == ItemSlotType::General)
        return true;
    if (!owner || !owner->allowsItemPlacement(*this, group, entry))
        return false;
    if (!owner->meetsItemRequirement(m_requirement) || owner->getItemHolderLevel() < m_minLevel)
        return false;
    if (fitsSlotType(slotType))
        return true;
    // Any other item may be dropped on a bag: it goes into that bag.
    if (slotType == ItemSlotType::Bag && m_itemType != ItemType::Bag) {
        const InventoryBase* inventory = owner->getItemHolderInventory();
        if (inventory) {
            const InventoryGroup* g = inventory->getOwnGroup(group);
            const ItemBase* there = g ? g->getItem(entry) : nullptr;
            return there && there->getItemType() == ItemType::Bag;
        }
    }
    return false;
}

int ItemBase::getStatBonus(CharacterStat stat) const
{
    for (const auto& [s, value] : m_statBonuses)
        if (s == stat)
            return value;
    return 0;
}

float ItemBase::getCovenantMultiplier(CovenantMultiplier which) const
{
    return entryFloat(getEntry(),
                      "CovenantMult" + getGameEnumName(GameEnum::CovenantMultiplier, toIndex(which)), 1.0f);
}

// ---- Magic and generation ---------------------------------------------------

bool ItemBase::acceptsMagicRequirement(MagicRequirement requirement) const
{
    if (requirement == MagicRequirement::None)
        return true;
    for (const std::string& name : entryStringList(getEntry(), "MagicRequirement"))
        if (parseMagicRequirement(name) == requirement)
            return true;
    return false;
}

void ItemBase::addMagicProperty(const DatabaseEntry* modifier, float value)
{
    if (!modifier || static_cast<int>(m_properties.size()) >= kMaxMagicProperties)
        return;
    // NaN counts as 0: an image must never carry a value its reader refuses.
    m_properties.push_back({modifier, std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f)});
    recompute();
}

void ItemBase::applyModifierName(const DatabaseEntry* modifier)
{
    if (!modifier)
        return;
    std::string name = entryString(modifier, "Name").substr(0, kMaxModifierNameLength);
    if (entryInt(modifier, "Prefix") != 0) {
        m_prefixCount = std::min(m_prefixCount + 1, kMaxMagicProperties);
        m_prefixName = name;
    } else {
        m_suffixCount = std::min(m_suffixCount + 1, kMaxMagicProperties);
        m_suffixName = name;
    }
    if (m_prefixCount + m_suffixCount > 2) {
        m_prefixName.clear();
        m_suffixName.clear();
    }
}

bool ItemBase::familyVaries(const DatabaseEntry* entry, int family) const
{
    const LevelRange& range = levelTableOf(entry).families[static_cast<size_t>(family)];
    float levels = static_cast<float>(m_level - 1);
    return range.max.at(levels) != range.min.at(levels);
}

float ItemBase::familyFloat(const DatabaseEntry* entry, int family, float roll) const
{
    const LevelRange& range = levelTableOf(entry).families[static_cast<size_t>(family)];
    float levels = static_cast<float>(m_level - 1);
    float lo = range.min.at(levels);
    float hi = range.max.at(levels);
    return lo + roll * (hi - lo);
}

int ItemBase::familyAmount(const DatabaseEntry* entry, int family, float roll, bool whole) const
{
    float value = familyFloat(entry, family, roll);
    return whole ? saturateRound(value) : saturateFloor(value);
}

void ItemBase::generate(int level)
{
    const DatabaseEntry* e = getEntry();
    if (level < 1)
        level = std::max(1, entryInt(e, "MinLevel"));
    setLevel(level);
    setMinLevel(std::max(m_minLevel, entryInt(e, "MinLevel")));
    m_rolls.assign(kFamilyCount, 0.0f);
    for (int f = 0; f < kFamilyCount; ++f)
        if (e && familyVaries(e, f))
            m_rolls[static_cast<size_t>(f)] = randomFloat(0);
    recompute();
}

void ItemBase::recompute()
{
    m_damage = {};
    m_armor = 0;
    m_defenseBonus = 0;
    m_weaponSpeedBonus = 0.0f;
    m_statBonuses.clear();
    m_value = -1;
    m_upkeep = -1;
    const DatabaseEntry* e = getEntry();
    if (!e)
        return;

    const float levels = static_cast<float>(m_level - 1);
    const ItemLevelTable& table = levelTableOf(e);
    for (int t = 0; t < kDamageTypeCount; ++t) {
        const LevelRange& range = table.damage[static_cast<size_t>(t)];
        double lo = range.min.at(levels);
        double hi = range.max.at(levels);
        for (const MagicProperty& p : m_properties) {
            double scale = 0.5 + p.value;
            const LevelRange& added = levelTableOf(p.modifier).damage[static_cast<size_t>(t)];
            lo += scale * added.min.at(levels);
            hi += scale * added.max.at(levels);
        }
        // Most types deal nothing: 0 rounds to 0.
        m_damage[static_cast<size_t>(t)] = {lo == 0.0 ? 0 : saturateRound(lo),
                                            hi == 0.0 ? 0 : saturateRound(hi)};
    }

    // The tables are looked up once for all the families; a range that is
    // 0 at every level gives 0 whatever the roll.
    std::vector<const ItemLevelTable*> propertyTables;
    propertyTables.reserve(m_properties.size());
    for (const MagicProperty& p : m_properties)
        propertyTables.push_back(&levelTableOf(p.modifier));
    auto valueAt = [levels](const LevelRange& range, float roll) {
        float lo = range.min.at(levels);
        float hi = range.max.at(levels);
        return lo + roll * (hi - lo);
    };
    auto amountAt = [&](const LevelRange& range, float roll) {
        const bool zero = range.min.base == 0.0f && range.min.perLevel == 0.0f && range.max.base == 0.0f &&
                          range.max.perLevel == 0.0f;
        return zero ? 0 : saturateRound(valueAt(range, roll));
    };
    int damageBonus = 0;
    for (int f = 0; f < kFamilyCount; ++f) {
        const auto family = static_cast<size_t>(f);
        float roll = f < static_cast<int>(m_rolls.size()) ? m_rolls[family] : 0.0f;
        if (f == kFamilySpeedBonus) {
            float bonus = valueAt(table.families[family], roll);
            for (size_t i = 0; i < m_properties.size(); ++i)
                bonus += valueAt(propertyTables[i]->families[family], m_properties[i].value);
            m_weaponSpeedBonus = std::clamp(bonus, 0.0f, kMaxWeaponSpeedBonus);
            continue;
        }
        // Summed wide: the entry and 64 properties may each give the int limit.
        long long sum = amountAt(table.families[family], roll);
        for (size_t i = 0; i < m_properties.size(); ++i)
            sum += amountAt(propertyTables[i]->families[family], m_properties[i].value);
        int amount = static_cast<int>(std::clamp<long long>(sum, INT_MIN, INT_MAX));
        switch (f) {
        case kFamilyArmor:
            m_armor = amount;
            break;
        case kFamilyDefense:
            m_defenseBonus = amount;
            break;
        case kFamilyDamageBonus:
            damageBonus = amount;
            break;
        default:
            if (amount != 0)
                m_statBonuses.emplace_back(kStatFamilies[f - kFirstStatFamily].stat, amount);
            break;
        }
    }

    DamageRange& physical = m_damage[0];
    if (damageBonus != 0) {
        double factor = 1.0 + damageBonus / 100.0;
        physical.min = saturateFloor(physical.min * factor);
        physical.max = saturateFloor(physical.max * factor);
    }
    for (DamageRange& range : m_damage) {
        range.min = std::max(range.min, 0);
        range.max = std::max(range.max, range.min);
    }
}

// ---- Value -------------------------------------------------------------------

int ItemBase::baseValueOf(const DatabaseEntry* entry) const
{
    return saturateFloor(entryFloat(entry, "Value") +
                         entryFloat(entry, "ValuePerLevel") * static_cast<float>(m_level - 1));
}

int ItemBase::calculateValue() const
{
    if (m_value >= 0)
        return m_value;
    const DatabaseEntry* e = getEntry();
    int type = entryTypeOf(e);
    if (!e || type == kEntryTypeQuestItem) {
        m_value = 0;
    } else if (type == kEntryTypeMoney) {
        m_value = std::max(0, m_amount);
    } else {
        double worth = 0.0;
        for (const MagicProperty& p : m_properties)
            worth += entryFloat(p.modifier, "Worth") * (0.5 + p.value);
        if (g_statusEffectHooks.worth) {
            if (m_partialSetBonus.effect)
                worth += g_statusEffectHooks.worth(m_partialSetBonus.effect);
            if (m_fullSetBonus.effect)
                worth += g_statusEffectHooks.worth(m_fullSetBonus.effect);
        }
        int r = std::clamp(toIndex(m_rarity), 0, kItemRarityCount - 1);
        float rarityMult =
            gameSystemFloat("ItemRarityValueMult" + getItemRarityName(r), kDefaultRarityValueMult[r]);
        double value = baseValueOf(e) * static_cast<double>(getTypeMultiplier()) * (1.0 + worth) * rarityMult;
        m_value = std::max(0, saturateFloor(value));
    }
    return m_value;
}

void ItemBase::updateStackValue()
{
    m_value = -1;
    m_upkeep = -1;
    calculateValue();
}

int ItemBase::getPrice(int quantity) const
{
    if (quantity <= 0)
        return 0;
    long long price = static_cast<long long>(calculateValue()) * quantity;
    return static_cast<int>(std::min<long long>(price, INT_MAX));
}

int ItemBase::getSellValue(int quantity) const
{
    int price = getPrice(quantity);
    return std::max(0, saturateFloor(price * static_cast<double>(sellFactorForPrice(price))));
}

int ItemBase::getGamblePrice() const
{
    const DatabaseEntry* base = m_baseEntry ? m_baseEntry : getEntry();
    if (!base)
        return 0;
    double value = baseValueOf(base) * static_cast<double>(getTypeMultiplier());
    return std::max(0, saturateFloor(gameSystemFloat("GamblePriceMult", 3.0f) * value));
}

int ItemBase::getUpkeep() const
{
    if (m_upkeep < 0) {
        const DatabaseEntry* e = getEntry();
        m_upkeep = std::max(0, saturateFloor(entryFloat(e, "Upkeep") + entryFloat(e, "UpkeepPerLevel") *
                                                                           static_cast<float>(m_level - 1)));
    }
    return m_upkeep;
}

int ItemBase::getIdentifyCost() const
{
    if (!needsIdentify())
        return 0;
    long long cost = static_cast<long long>(gameSystemInt("IdentifyCostPerLevel", 10)) * m_level;
    return static_cast<int>(std::clamp<long long>(cost, 0, INT_MAX));
}

// ---- Texts -------------------------------------------------------------------

std::string ItemBase::getName() const
{
    const DatabaseEntry* e = getEntry();
    std::string name = entryString(e, "Name");
    if (name.empty())
        name = getEntryName();
    return name;
}

std::string ItemBase::getDisplayName(bool colored) const
{
    std::string name = getName();
    if (!needsIdentify()) {
        if (!m_prefixName.empty())
            name = m_prefixName + " " + name;
        if (!m_suffixName.empty())
            name += " " + m_suffixName;
    }
    if (!colored)
        return name;
    return formatColorCode(getRarityColor(m_rarity)) + name + formatColorCode(kPopColor);
}

void ItemBase::appendTooltipPart(std::string& tooltip, std::string_view part)
{
    if (part.empty()) {
        return;
    }
    if (!tooltip.empty()) {
        while (!tooltip.empty() && tooltip.back() == '\n') {
            tooltip.pop_back();
        }
        tooltip += "\n\n";
    }
    tooltip += part;
}

void ItemBase::getTooltip(const ItemHolder* owner, const TooltipContext& context, std::string& out) const
{
    const DatabaseEntry* e = getEntry();
    if (!e)
        return;
    const bool hidden = context.has(TooltipGambleHidden);
    const bool unidentified = needsIdentify();
    const ItemBase* other = context.has(TooltipShowComparison) ? context.compareWith : nullptr;
    // The tooltip of a gambler's stock shows the plain base item.
    ItemBase plain;
    if (hidden) {
        plain.setLevel(m_level); // before the entry, which then computes at this level
        plain.setItemEntry(m_baseEntry ? m_baseEntry : e);
    }
    const ItemBase& shown = hidden ? plain : *this;
    // The holder's class names its power as its skills do.
    const std::string powerName = owner ? owner->getItemHolderPowerName() : std::string();
    auto statName = [&](CharacterStat stat) {
        if (!powerName.empty() && stat == CharacterStat::MaxPower)
            return "Maximum " + powerName;
        if (!powerName.empty() && stat == CharacterStat::PowerRegen)
            return powerName + " Regen";
        return getCharacterStatName(toIndex(stat), true);
    };

    // 1-3: name, quantity or money, identification.
    appendLine(out, shown.getDisplayName(true));
    if (getEntryType() == kEntryTypeMoney)
        appendLine(out, formatMoney(m_amount));
    else if (isStack())
        appendLine(out, formatString("Quantity: %d", m_quantity));
    if (unidentified && !hidden)
        appendColored(out, 1, "Unidentified");

    // 4: combat values.
    for (int t = 0; t < kDamageTypeCount; ++t) {
        const DamageRange& range = shown.m_damage[static_cast<size_t>(t)];
        if (range.max <= 0)
            continue;
        std::string line = t == 0 ? formatString("%d - %d damage", range.min, range.max)
                                  : formatString("%d - %d %s damage", range.min, range.max,
                                                 wrapText(getDamageTypeName(t).c_str()).c_str());
        if (other)
            appendFormat(line, " (%+d)", range.max - other->m_damage[static_cast<size_t>(t)].max);
        appendLine(out, line);
    }
    if (shown.isWeapon() && m_weaponSpeed > 0.0f)
        appendLine(out, formatString("Speed: %.1f", static_cast<double>(m_weaponSpeed)));
    if (shown.m_armor != 0) {
        std::string line = formatString("Armor: %d", shown.m_armor);
        if (other)
            appendFormat(line, " (%+d)", shown.m_armor - other->m_armor);
        appendLine(out, line);
    }
    if (shown.m_defenseBonus != 0)
        appendLine(out, formatString("Defense: %+d", shown.m_defenseBonus));

    // 5: bonuses, only once known.
    if (!unidentified) {
        for (const auto& [stat, value] : shown.m_statBonuses)
            appendLine(out, formatString("%+d %s", value, statName(stat).c_str()));
        if (shown.m_weaponSpeedBonus > 0.0f)
            appendLine(out,
                       formatString("+%d%% weapon speed", saturateRound(shown.m_weaponSpeedBonus * 100.0)));
    }

    // 6: requirements.
    if (m_minLevel > 1) {
        std::string line = formatString("Requires level %d", m_minLevel);
        if (owner && owner->getItemHolderLevel() < m_minLevel)
            appendColored(out, 1, line);
        else
            appendLine(out, line);
    }
    if (m_requirement != ItemRequirement::None) {
        std::string name = getGameEnumName(GameEnum::ItemRequirement, toIndex(m_requirement));
        std::string line = "Requires " + wrapText(name.c_str());
        if (owner && !owner->meetsItemRequirement(m_requirement))
            appendColored(out, 1, line);
        else
            appendLine(out, line);
    }

    // 7: use effects.
    const float levels = static_cast<float>(m_level - 1);
    // "<gain>Base" plus "<gain>PerLevel" for every level above the first.
    auto gainAtLevel = [&](const std::string& gain) {
        return saturateRound(entryFloat(e, gain + "Base") + entryFloat(e, gain + "PerLevel") * levels);
    };
    int healMin = gainAtLevel("MinHealthGain");
    int healMax = gainAtLevel("MaxHealthGain");
    if (healMax > 0)
        appendLine(out, formatString("Heals %d - %d", healMin, healMax));
    int powerMin = gainAtLevel("MinPowerGain");
    int powerMax = gainAtLevel("MaxPowerGain");
    if (powerMax > 0)
        appendLine(out, formatString("Restores %d - %d %s", powerMin, powerMax,
                                     powerName.empty() ? "power" : toLowerCopy(powerName).c_str()));

    // 8: set bonuses.
    for (const ItemSetBonus* bonus : {&m_partialSetBonus, &m_fullSetBonus}) {
        if (!bonus->effect)
            continue;
        appendFormat(out, "\nWith %d items:\n", bonus->itemsNeeded);
        std::string text = g_statusEffectHooks.describe ? g_statusEffectHooks.describe(bonus->effect)
                                                        : entryString(bonus->effect, "Name");
        out += text;
        if (!text.empty() && text.back() != '\n')
            out += '\n';
    }

    // 9: description.
    std::string description = entryString(hidden ? shown.getEntry() : e, "Description");
    if (!description.empty())
        appendLine(out, description);

    // 10: hints.
    if (!context.has(TooltipDescriptionOnly) && !context.has(TooltipForeignOwner)) {
        if (context.has(TooltipVendorStock))
            out += "\nRight click to buy";
        else if (context.has(TooltipInLoot))
            out += "\nRight click to loot";
        else if (unidentified)
            out += "\nRight click to identify";
        else if (m_itemType == ItemType::Bag)
            out += "\nRight click to open";
        else if (m_itemType == ItemType::Tome)
            out += "\nRight click to read";
        else if (m_itemType == ItemType::Guard && isEquippableInBag())
            out += "\nGoes into a guard place at your house's pedestal";
        else if (isEquippableInBag())
            out += "\nRight click to equip";
        else if (getBool("CanBeUsed"))
            out += "\nRight click to use";
    }

    // 11: prices. An item with a guard price is bought and sold for the
    // covenant's crystals, not the character's money: say so.
    auto price = [this](int amount) {
        return m_guardPrice > 0 ? formatCrystals(amount) : formatMoney(amount);
    };
    if (context.has(TooltipVendorStock)) {
        if (context.has(TooltipRepurchase))
            out += "\nPrice: " + price(getSellValue(1));
        else if (hidden)
            out += "\nPrice: " + price(getGamblePrice());
        else
            out += "\nPrice: " + price(getPrice(1));
    } else if (context.has(TooltipDescriptionOnly) || context.has(TooltipAtVendor)) {
        out += "\nSell value: " + price(getSellValue(std::max(1, m_quantity)));
    }
}

// ---- Images ------------------------------------------------------------------

void ItemBase::writeImage(ByteBuffer& buffer, bool fileForm) const
{
    writeEntryRef(buffer, getEntry(), fileForm);
    writeEntryRef(buffer, m_baseEntry, fileForm);
    buffer.writeInt(static_cast<int32_t>(m_level));
    buffer.writeInt(static_cast<int32_t>(m_minLevel));
    buffer.writeInt(static_cast<int32_t>(toIndex(m_rarity)));
    buffer.writeInt(static_cast<int32_t>(m_quantity));
    buffer.writeInt(static_cast<int32_t>(m_amount));
    buffer.writeInt(static_cast<int32_t>(m_identified ? 1 : 0));
    buffer.writeInt(static_cast<int32_t>(m_prefixCount));
    buffer.writeInt(static_cast<int32_t>(m_suffixCount));
    buffer.writeString(m_prefixName);
    buffer.writeString(m_suffixName);
    buffer.writeInt(static_cast<uint32_t>(m_rolls.size()));
    for (float roll : m_rolls)
        buffer.writeFloat(roll);
    buffer.writeInt(static_cast<uint32_t>(m_properties.size()));
    for (const MagicProperty& p : m_properties) {
        writeEntryRef(buffer, p.modifier, fileForm);
        buffer.writeFloat(p.value);
    }
    buffer.writeInt(static_cast<int32_t>(m_guardHealth));
    buffer.writeInt(static_cast<int32_t>(m_brokeFree ? 1 : 0));
    writeEntryRef(buffer, m_linkedEntry, fileForm);
    buffer.writeInt(static_cast<int32_t>(m_linkedValue));
}

bool ItemBase::readImage(ByteBuffer& buffer, bool fileForm, int version, std::string& error)
{
    auto fail = [&](const char* what) {
        error = buffer.failed() ? std::string("truncated image (") + what + ")" : std::string(what);
        return false;
    };
    auto validFraction = [](float v) { return v >= 0.0f && v <= 1.0f; }; // false for NaN too

    bool missing = false;
    const DatabaseEntry* entry = readEntryRef(buffer, fileForm, version, missing);
    if (buffer.failed())
        return fail("entry");
    if (!entry)
        return fail("unknown item entry");
    int type = entryTypeOf(entry);
    if (type != kEntryTypeItem && type != kEntryTypeMoney && type != kEntryTypeQuestItem)
        return fail("entry is not an item");
    const DatabaseEntry* baseEntry = readEntryRef(buffer, fileForm, version, missing);
    if (buffer.failed() || missing)
        return fail("unknown base entry");

    int level = buffer.readInt();
    int minLevel = buffer.readInt();
    int rarity = buffer.readInt();
    int quantity = buffer.readInt();
    int amount = buffer.readInt();
    int identified = buffer.readInt();
    int prefixCount = buffer.readInt();
    int suffixCount = buffer.readInt();
    std::string prefixName = buffer.readString();
    std::string suffixName = buffer.readString();
    if (buffer.failed())
        return fail("fields");
    if (level < 1 || level > kMaxItemLevel || minLevel < 0 || minLevel > kMaxItemLevel)
        return fail("level out of range");
    if (rarity < 0 || rarity >= kItemRarityCount)
        return fail("rarity out of range");
    if (quantity < 0 || quantity > kMaxQuantity)
        return fail("quantity out of range");
    if (amount < 0)
        return fail("negative amount");
    if (identified != 0 && identified != 1)
        return fail("identified flag not 0 or 1");
    if (prefixCount < 0 || prefixCount > kMaxMagicProperties || suffixCount < 0 ||
        suffixCount > kMaxMagicProperties)
        return fail("modifier count out of range");
    if (prefixName.size() > kMaxModifierNameLength || suffixName.size() > kMaxModifierNameLength)
        return fail("modifier name too long");

    uint32_t rollCount = buffer.readUInt();
    if (buffer.failed() || rollCount > static_cast<uint32_t>(kMaxRolls) ||
        rollCount * 4u > buffer.remaining())
        return fail("roll count");
    std::vector<float> rolls(rollCount);
    for (float& roll : rolls) {
        roll = buffer.readFloat();
        if (!validFraction(roll))
            return fail("roll out of range");
    }
    uint32_t propertyCount = buffer.readUInt();
    if (buffer.failed() || propertyCount > static_cast<uint32_t>(kMaxMagicProperties) ||
        propertyCount * 5u > buffer.remaining())
        return fail("property count");
    std::vector<MagicProperty> properties;
    for (uint32_t i = 0; i < propertyCount; ++i) {
        const DatabaseEntry* modifier = readEntryRef(buffer, fileForm, version, missing);
        float value = buffer.readFloat();
        if (buffer.failed())
            return fail("property");
        if (!modifier || entryTypeOf(modifier) != kEntryTypeMagicModifier)
            return fail("unknown magic modifier");
        if (!validFraction(value))
            return fail("property value out of range");
        properties.push_back({modifier, value});
    }
    int guardHealth = buffer.readInt();
    int brokeFree = buffer.readInt();
    const DatabaseEntry* linked = readEntryRef(buffer, fileForm, version, missing);
    if (buffer.failed())
        return fail("tail");
    if (missing)
        return fail("unknown linked entry");
    int linkedValue = buffer.readInt();
    if (buffer.failed())
        return fail("linked value");
    if (brokeFree != 0 && brokeFree != 1)
        return fail("broke-free flag not 0 or 1");

    clear();
    m_level = level;
    // The saved fields replace what the entry's own would compute: one
    // recompute below, once they are all in.
    m_recomputeHeld = true;
    setItemEntry(entry);
    m_recomputeHeld = false;
    m_amount = amount;
    m_baseEntry = baseEntry;
    m_minLevel = minLevel;
    m_rarity = static_cast<ItemRarity>(rarity);
    m_quantity = quantity;
    m_identified = identified != 0;
    m_prefixCount = prefixCount;
    m_suffixCount = suffixCount;
    m_prefixName = std::move(prefixName);
    m_suffixName = std::move(suffixName);
    m_rolls = std::move(rolls);
    m_rolls.resize(kFamilyCount, 0.0f);
    m_properties = std::move(properties);
    m_guardHealth = guardHealth;
    m_brokeFree = brokeFree != 0;
    m_linkedEntry = linked;
    m_linkedValue = linkedValue;
    // A contract whose entry names no type carries it as the linked entry.
    if (!m_guardType && m_itemType == ItemType::Guard && linked)
        m_guardType = linked;
    recompute();
    return true;
}

void ItemBase::copyFrom(const ItemBase& other)
{
    if (&other == this)
        return;
    int group = m_group;
    setEntry(other.getEntry(), other.getEntryName());
    m_baseEntry = other.m_baseEntry;
    m_linkedEntry = other.m_linkedEntry;
    m_guardType = other.m_guardType;
    m_itemType = other.m_itemType;
    m_rarity = other.m_rarity;
    m_requirement = other.m_requirement;
    m_level = other.m_level;
    m_minLevel = other.m_minLevel;
    m_identified = other.m_identified;
    m_linkedValue = other.m_linkedValue;
    m_quantity = other.m_quantity;
    m_maxStack = other.m_maxStack;
    m_amount = other.m_amount;
    m_bagSize = other.m_bagSize;
    m_damage = other.m_damage;
    m_armor = other.m_armor;
    m_defenseBonus = other.m_defenseBonus;
    m_weaponSpeed = other.m_weaponSpeed;
    m_weaponSpeedBonus = other.m_weaponSpeedBonus;
    m_statBonuses = other.m_statBonuses;
    m_setLinks = other.m_setLinks;
    m_partialSetBonus = other.m_partialSetBonus;
    m_fullSetBonus = other.m_fullSetBonus;
    m_properties = other.m_properties;
    m_rolls = other.m_rolls;
    m_prefixCount = other.m_prefixCount;
    m_suffixCount = other.m_suffixCount;
    m_prefixName = other.m_prefixName;
    m_suffixName = other.m_suffixName;
    m_value = -1;
    m_upkeep = -1;
    m_guardPrice = other.m_guardPrice;
    m_guardHealth = other.m_guardHealth;
    m_brokeFree = other.m_brokeFree;
    m_keptByCovenant = other.m_keptByCovenant;
    m_group = group;
}

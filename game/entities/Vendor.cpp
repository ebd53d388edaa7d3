#include "game/entities/Vendor.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Item.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLoot = toIndex(InventoryGroupIndex::Loot);

const char* const kBaseGoods[] = {"BasePotionHealth", "BaseFood", "BasePotionMana", "BaseDrink"};

// Base goods and guard contracts never run out.
bool isBaseGoods(int kind)
{
    return kind >= Vendor::GuardItem && kind <= Vendor::Drink;
}

bool isShield(const ItemBase& item)
{
    return item.getItemType() == ItemType::HandSecondary &&
           item.getItemRequirement() == ItemRequirement::Shield;
}

int req(ItemRequirement r)
{
    return toIndex(r);
}

// A new item of the same entry and make, one unit.
Item* newUnitOf(const ItemBase& item, int quantity)
{
    auto* unit = new Item();
    unit->copyFrom(item);
    unit->setQuantity(quantity);
    return unit;
}

} // namespace

bool canUseArmourWeight(const Sentient* entity, const ItemBase* item)
{
    if (!entity || !item)
        return false;
    const int kind = req(item->getItemRequirement());
    if (!entity->meetsItemRequirement(kind))
        return false;
    const int cloth = req(ItemRequirement::ArmorCloth);
    const int leather = req(ItemRequirement::ArmorLeather);
    const int mail = req(ItemRequirement::ArmorMail);
    const int plate = req(ItemRequirement::ArmorPlate);
    if ((kind < cloth || kind > plate) && kind != req(ItemRequirement::Cape))
        return true;
    if (entity->meetsItemRequirement(plate))
        return kind == mail || kind == plate;
    if (entity->meetsItemRequirement(mail))
        return kind == leather || kind == mail;
    if (entity->meetsItemRequirement(leather))
        return kind == cloth || kind == leather;
    return kind == cloth;
}

Vendor::Vendor()
{
    if (InventoryGroup* loot = stock())
        loot->setSize(kSlotCount);
    m_slotKinds.assign(kSlotCount, NotStocked);
    m_timers.add(&m_restockTimer);
    m_restockTimer.listed = true;
}

Vendor::~Vendor()
{
    clearStock();
}

InventoryGroup* Vendor::stock() const
{
    return m_inventory ? m_inventory->getOwnGroup(kLoot) : nullptr;
}

ItemBase* Vendor::getStockItem(int slot) const
{
    InventoryGroup* loot = stock();
    return loot ? loot->getItem(slot) : nullptr;
}

int Vendor::slotKind(int slot) const
{
    return slot >= 0 && slot < static_cast<int>(m_slotKinds.size()) ? m_slotKinds[static_cast<size_t>(slot)]
                                                                    : NotStocked;
}

void Vendor::loadFromDatabase()
{
    Actor::loadFromDatabase();
    const Database* db = Database::instance();
    const DatabaseEntry* e = getEntry();
    if (!db || !e)
        return;
    m_guardVendor = db->getInt(e, "GuardVendor") != 0;
    m_gambler = db->getInt(e, "Gambler") != 0;
    float changeTime = db->getFloat(e, "ItemChangeTime");
    m_restockTimer.min = changeTime;
    m_restockTimer.max = changeTime;
    m_magicChance = db->getInt(e, "MagicChance");
    m_minSpread = db->getInt(e, "MinSpread");
    m_maxSpread = db->getInt(e, "MaxSpread");
    m_aboveLevelChance = db->getFloat(e, "AboveLevelChance");
    m_aboveLevelSpread = db->getInt(e, "AboveLevelSpread");
    m_classSkewChance = db->getFloat(e, "ClassSkewChance");
    m_useVendorLevel = db->getInt(e, "UseVendorLevel") != 0;
    // Each try makes and may destroy an item: kept within reason.
    m_maxItemGenerationTries = std::clamp(db->getInt(e, "MaxItemGenerationTries"), 0, 1000);
    m_allowWeapons = db->getInt(e, "AllowWeapons") != 0;
    m_allowArmor = db->getInt(e, "AllowArmor") != 0;
    m_allowMisc = db->getInt(e, "AllowMisc") != 0;
    m_minGambleChance = db->getInt(e, "MinGambleSucessChance");
    m_maxGambleChance = db->getInt(e, "MaxGambleSucessChance");
    int lo = db->getInt(e, "MinRandomItemsToGenerate");
    int hi = db->getInt(e, "MaxRandomItemsToGenerate");
    m_randomItemsTarget = randomIntInclusive(std::min(lo, hi), std::max(lo, hi));
    assignSlotKinds();
}

void Vendor::assignSlotKinds()
{
    const int n = kSlotCount;
    m_slotKinds.assign(static_cast<size_t>(n), NotStocked);
    for (int i = 0; i < n - 4; ++i) {
        if (m_guardVendor)
            m_slotKinds[static_cast<size_t>(i)] = GuardItem;
        else if (!m_gambler && i < 4)
            m_slotKinds[static_cast<size_t>(i)] = HealthPotion + i;
        else
            m_slotKinds[static_cast<size_t>(i)] = RandomItem;
    }
    m_slotKinds[static_cast<size_t>(n - 2)] = BuyBack;
    m_slotKinds[static_cast<size_t>(n - 1)] = BuyBack;
}

void Vendor::setCustomer(Sentient* customer)
{
    if (!customer)
        return;
    if (m_vendorLevel == -1) {
        m_vendorLevel = std::max(1, customer->getStat(toIndex(CharacterStat::Level)));
        restockAll();
    }
    faceEntity(customer);
}

void Vendor::restockAll()
{
    for (int i = 0; i < kSlotCount; ++i)
        stockSlot(i);
    m_restockTimer.startRandom();
}

std::unique_ptr<Item> Vendor::createGuardItem(int level)
{
    const SpawnSystem* spawns = SpawnSystem::instance();
    const Database* db = Database::instance();
    const DatabaseEntry* settings = db ? db->findEntry("SpawnSystem") : nullptr;
    const std::string name = settings ? db->getString(settings, "GuardItem") : std::string();
    const DatabaseEntry* entry = name.empty() ? nullptr : db->findEntry(name);
    const MonsterType* type = spawns ? spawns->pickGuardType(level) : nullptr;
    if (!entry || !type || !type->getEntry())
        return nullptr;
    auto item = std::make_unique<Item>();
    item->setItemEntry(entry);
    item->generate(std::max(1, level));
    item->setGuardType(type->getEntry());
    return item;
}

bool Vendor::keepsRandomItem(const Item& item) const
{
    const bool weapon = item.isWeapon();
    const bool armour = item.isArmor() || isShield(item);
    if (weapon && !m_allowWeapons)
        return false;
    if (armour && !m_allowArmor)
        return false;
    if (!weapon && !armour && !m_allowMisc)
        return false;
    const Game* game = Game::instance();
    const Player* first = game ? game->getFirstPlayer() : nullptr;
    if (!canUseArmourWeight(first, &item) && randomFloat(0) < m_classSkewChance)
        return false;
    return item.isVendorStock();
}

Item* Vendor::makeRandomItem()
{
    const SpawnSystem* spawns = SpawnSystem::instance();
    if (!spawns)
        return nullptr;
    for (int attempt = 0; attempt < m_maxItemGenerationTries; ++attempt) {
        std::unique_ptr<Item> item = spawns->createRandomItem(
            m_vendorLevel, m_magicChance, m_minSpread, m_maxSpread, m_aboveLevelChance, m_aboveLevelSpread,
            false, 0, nullptr, ItemRarity::Normal);
        if (!item || !keepsRandomItem(*item))
            continue;
        if (m_gambler) {
            // The quantity of a gamble is its success chance in percent.
            item->setQuantity(std::clamp(randomIntInclusive(std::min(m_minGambleChance, m_maxGambleChance),
                                                            std::max(m_minGambleChance, m_maxGambleChance)),
                                         0, ItemBase::kMaxQuantity));
        } else if (item->getMaxStack() > 1) {
            item->setQuantity(randomIntInclusive(1, item->getMaxStack()));
        }
        return item.release();
    }
    return nullptr;
}

void Vendor::stockSlot(int slot)
{
    InventoryGroup* loot = stock();
    if (!loot || slot < 0 || slot >= loot->getSize())
        return;
    const int kind = slotKind(slot);
    switch (kind) {
    case GuardItem: {
        std::unique_ptr<Item> item = createGuardItem(m_vendorLevel);
        if (item)
            item->setQuantity(kGuardStack);
        placeInSlot(slot, item.release());
        break;
    }
    case HealthPotion:
    case Food:
    case ManaPotion:
    case Drink: {
        const SpawnSystem* spawns = SpawnSystem::instance();
        const Database* db = Database::instance();
        const DatabaseEntry* base = db ? db->findEntry(kBaseGoods[kind - HealthPotion]) : nullptr;
        std::unique_ptr<Item> item =
            spawns && base ? spawns->createBestItemOfKind(m_vendorLevel, base) : nullptr;
        placeInSlot(slot, item.release());
        break;
    }
    case RandomItem: {
        if (m_randomItemsTarget >= 1 && m_randomItemsGenerated >= m_randomItemsTarget)
            return;
        const Game* game = Game::instance();
        if (!game || !game->getFirstPlayer())
            return;
        placeInSlot(slot, makeRandomItem());
        ++m_randomItemsGenerated;
        break;
    }
    case Dropped:
        loot->destroyItemAt(slot);
        break;
    default:
        break;
    }
}

void Vendor::placeInSlot(int slot, Item* item)
{
    InventoryGroup* loot = stock();
    if (!loot || slot < 0 || slot >= loot->getSize()) {
        delete item;
        return;
    }
    if (item) {
        if (!m_gambler)
            item->setIdentified(true);
        item->setOwner(this);
    }
    loot->setItem(slot, item);
}

Item* Vendor::takeFromSlot(int slot, bool& newUnit)
{
    newUnit = false;
    InventoryGroup* loot = stock();
    auto* item = loot ? dynamic_cast<Item*>(loot->getItem(slot)) : nullptr;
    if (!item)
        return nullptr;
    // A gamble's quantity is its chance, never a count.
    const bool gamble = m_gambler && slotKind(slot) == RandomItem;
    if (isBaseGoods(slotKind(slot)) || (!gamble && item->getQuantity() >= 2)) {
        newUnit = true;
        Item* unit = newUnitOf(*item, 1);
        unit->setOwner(nullptr);
        return unit;
    }
    auto* taken = static_cast<Item*>(loot->releaseItem(slot));
    taken->setOwner(nullptr);
    return taken;
}

void Vendor::putBack(int slot, Item* item, bool newUnit)
{
    InventoryGroup* loot = stock();
    if (newUnit || !loot || loot->getItem(slot)) {
        delete item;
        return;
    }
    item->setOwner(this);
    loot->setItem(slot, item);
}

void Vendor::consumeUnit(int slot)
{
    if (isBaseGoods(slotKind(slot)))
        return;
    ItemBase* item = getStockItem(slot);
    if (!item)
        return;
    if (item->getQuantity() >= 2)
        item->setQuantity(item->getQuantity() - 1);
    else if (InventoryGroup* loot = stock())
        loot->destroyItemAt(slot);
}

void Vendor::addBuyBack(Item* item, int quantity)
{
    InventoryGroup* loot = stock();
    if (!item)
        return;
    if (!loot) {
        if (quantity <= 0)
            delete item;
        return;
    }
    const int newest = kSlotCount - 1;
    const int older = kSlotCount - 2;
    loot->setItem(older, loot->releaseItem(newest));
    Item* placed = quantity > 0 ? newUnitOf(*item, quantity) : item;
    if (!m_gambler)
        placed->setIdentified(true);
    placed->setOwner(this);
    loot->setItem(newest, placed);
}

float Vendor::getSlotPriceFactor(int slot) const
{
    if (!isBuyBackSlot(slot))
        return 1.0f;
    const ItemBase* item = getStockItem(slot);
    return item ? lerpByLevel(static_cast<float>(item->getPrice(1))) : 1.0f;
}

bool Vendor::canSwapSlots(int a, int b) const
{
    for (int s : {a, b})
        if (isBuyBackSlot(s) || (slotKind(s) >= HealthPotion && slotKind(s) <= Drink))
            return false;
    return true;
}

bool Vendor::hasRandomStock()
{
    if (m_vendorLevel == -1) {
        if (Game* game = Game::instance())
            setCustomer(game->getFirstPlayer());
    }
    for (int i = 0; i < kSlotCount; ++i)
        if (slotKind(i) == RandomItem && getStockItem(i))
            return true;
    return false;
}

int Vendor::stealRandomItems(int n, int& total)
{
    InventoryGroup* loot = stock();
    int stolen = 0;
    for (int attempt = 0; loot && attempt < n; ++attempt) {
        std::vector<int> filled;
        for (int i = 0; i < kSlotCount; ++i)
            if (slotKind(i) == RandomItem && loot->getItem(i))
                filled.push_back(i);
        if (filled.empty())
            break;
        int pick = std::min(static_cast<int>(randomFloat(0) * static_cast<float>(filled.size())),
                            static_cast<int>(filled.size()) - 1);
        const ItemBase* item = loot->getItem(filled[static_cast<size_t>(pick)]);
        double price = item->calculateValue() * static_cast<double>(item->getTypeMultiplier());
        if (item->isStack())
            price *= item->getQuantity();
        total += static_cast<int>(std::min(std::ceil(price), 1.0e9));
        loot->destroyItemAt(filled[static_cast<size_t>(pick)]);
        ++stolen;
    }
    return stolen;
}

void Vendor::clearStock()
{
    if (InventoryGroup* loot = stock())
        for (int i = 0; i < loot->getSize(); ++i)
            loot->destroyItemAt(i);
}

void Vendor::update(float dt)
{
    Actor::update(dt);
    Game* game = Game::instance();
    if (!game || m_entityNumber < 0 || m_entityNumber >= Game::kMaxEntities ||
        game->getEntity(m_entityNumber) != this || m_vendorLevel == -1)
        return;
    const Player* first = game->getFirstPlayer();
    if (!first)
        return;
    const int level = std::max(1, m_useVendorLevel ? getStat(toIndex(CharacterStat::Level))
                                                   : first->getStat(toIndex(CharacterStat::Level)));
    if (level != m_vendorLevel) {
        m_vendorLevel = level;
        if (!m_guardVendor)
            for (int i = 0; i < 4; ++i)
                stockSlot(i);
    }
    if (first->getActionTarget() != this && m_restockTimer.isExpired()) {
        m_restockTimer.startRandom();
        stockSlot(std::min(static_cast<int>(randomFloat(0) * kSlotCount), kSlotCount - 1));
    }
}

void Vendor::write(ByteBuffer& out) const
{
    Actor::write(out);
    out.writeInt(m_vendorLevel);
    if (m_inventory)
        m_inventory->write(out, true);
}

bool Vendor::read(ByteBuffer& in, int version)
{
    if (!Actor::read(in, version))
        return false;
    int32_t level = in.readInt();
    if (in.failed())
        return false;
    if (level != -1 && (level < 1 || level > ItemBase::kMaxItemLevel)) {
        debugPrint(2, "Vendor %s: stock level %d out of range\n", getName().c_str(), level);
        return false;
    }
    if (!m_inventory || !m_inventory->read(in, false, true, version, "vendor stock"))
        return false;
    m_vendorLevel = level;
    // The stock read back may not fit the slot count of this build.
    if (InventoryGroup* loot = stock())
        loot->setSize(kSlotCount);
    for (int i = 0; i < kSlotCount; ++i)
        if (auto* item = dynamic_cast<Item*>(getStockItem(i)))
            item->setOwner(this);
    m_restockTimer.startRandom();
    return true;
}

#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemData.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

bool isSpecialRarity(ItemRarity rarity)
{
    return rarity == ItemRarity::Set || rarity == ItemRarity::Unique || rarity == ItemRarity::Artifact;
}

// Modifier slots of a rolled rarity.
int modifierSlots(ItemRarity rarity)
{
    switch (rarity) {
    case ItemRarity::Common:
        return 1;
    case ItemRarity::Uncommon:
        return 2;
    case ItemRarity::Rare:
        return 3;
    case ItemRarity::VeryRare:
        return 4;
    default:
        return 0;
    }
}

std::unique_ptr<Item> makeItem(const DatabaseEntry* entry)
{
    auto item = std::make_unique<Item>();
    item->setItemEntry(entry);
    return item;
}

MagicRequirement requirementOf(const DatabaseEntry* modifier)
{
    const std::string name = entryString(modifier, "MagicRequirement");
    return name.empty() ? MagicRequirement::None : parseMagicRequirement(name);
}

} // namespace

std::array<float, kItemRarityCount> SpawnSystem::adjustedRarityChances(int increasedMagicChance) const
{
    std::array<float, kItemRarityCount> adjusted{};
    // The increase carries over the cap of a rarity into the next one.
    float f = 1.0f + static_cast<float>(increasedMagicChance) * 0.01f;
    for (int k = 1; k < kItemRarityCount; ++k) {
        const float c = static_cast<float>(m_itemRarityChance[static_cast<size_t>(k)]);
        float value = c;
        if (f > 1.0f) {
            const float cap = std::max(c, 75.0f);
            const float v = f * c;
            if (v > cap) {
                value = cap;
                f = v / cap;
            } else {
                value = v;
                f = 1.0f;
            }
        }
        adjusted[static_cast<size_t>(k)] = value;
    }
    return adjusted;
}

ItemRarity SpawnSystem::rollItemRarity(int increasedMagicChance, ItemRarity startRarity) const
{
    const std::array<float, kItemRarityCount> adjusted = adjustedRarityChances(increasedMagicChance);
    int rarity = std::clamp(static_cast<int>(startRarity), 0, kItemRarityCount - 1);
    for (int k = rarity + 1; k < kItemRarityCount; ++k) {
        const float x = randomFloat(0) * 100.0f;
        if (!(adjusted[static_cast<size_t>(k)] > x)) {
            break;
        }
        rarity = k;
    }
    return static_cast<ItemRarity>(rarity);
}

int SpawnSystem::rollItemLevel(int baseLevel, int minSpread, int maxSpread, ItemRarity rarity,
                               float aboveBaseChance, int maxAboveBase) const
{
    baseLevel = boundedLevel(baseLevel);
    minSpread = boundedLevel(minSpread);
    maxSpread = boundedLevel(maxSpread);
    maxAboveBase = boundedLevel(maxAboveBase);
    const int r = rollPercent();
    int low = 0;
    int high = 0;
    if (aboveBaseChance > static_cast<float>(r)) {
        low = baseLevel + 1;
        high = baseLevel + maxAboveBase;
    } else {
        int s = 0;
        if (m_spreads.maxNormalItemLevel > 0) {
            const float share =
                static_cast<float>(baseLevel) / static_cast<float>(m_spreads.maxNormalItemLevel);
            s = floorToInt(share * static_cast<float>(maxSpread - minSpread) + 0.5f);
        }
        const float mult = m_levelSpreadMult[static_cast<size_t>(std::clamp(static_cast<int>(rarity), 0, 7))];
        const int d = floorToInt(static_cast<float>(s + m_spreads.minLevelSpread) * mult);
        low = baseLevel - d;
        high = baseLevel;
    }
    low = std::clamp(low, LevelTable::kMinLevel, LevelTable::kMaxLevel);
    high = std::clamp(high, low, LevelTable::kMaxLevel);
    const int n = high - low + 1;
    const int k = static_cast<int>(randomFloat(0) * static_cast<float>(n));
    return k >= n ? high : low + k;
}

float SpawnSystem::rollModifierValue()
{
    const float r = randomFloat(0);
    if (r >= 0.66f) {
        return 0.5f + randomFloat(0) * 0.5f;
    }
    return randomFloat(0) * 0.5f;
}

int SpawnSystem::rollExtraCount(int minimum, int maximum, float bonus)
{
    int count = minimum;
    for (int i = 0; i < maximum - minimum; ++i) {
        if (randomFloat(0) < 0.5f + 0.005f * bonus) {
            ++count;
        }
    }
    return count;
}

const DatabaseEntry* SpawnSystem::pickModifier(const Item& item, int baseLevel) const
{
    const int level = rollItemLevel(baseLevel, m_spreads.minModifierLevelSpread,
                                    m_spreads.maxModifierLevelSpread, ItemRarity::Normal,
                                    m_spreads.itemDropAboveBaseLevel, m_spreads.maxItemDropLevelAboveBase);
    Table table = Prefixes;
    if (item.getPrefixCount() > 0 && item.getSuffixCount() == 0) {
        table = Suffixes;
    } else if (item.getSuffixCount() > 0 && item.getPrefixCount() == 0) {
        table = Prefixes;
    } else if (static_cast<int>(randomFloat(0) * 100.0f) < 50) {
        table = Suffixes;
    }
    const LevelEntry* row = getLevelEntry(table, level);
    return row ? row->entry : nullptr;
}

std::unique_ptr<Item> SpawnSystem::createRandomItem(int baseLevel, int increasedMagicChance, int minSpread,
                                                    int maxSpread, float aboveBaseChance, int maxAboveBase,
                                                    bool allowMoney, int moneyBonus,
                                                    const DatabaseEntry* specificEntry,
                                                    ItemRarity startRarity) const
{
    ItemRarity rarity = rollItemRarity(increasedMagicChance, startRarity);
    if (minSpread < 0) {
        minSpread = m_spreads.minItemDropLevelSpread;
    }
    if (maxSpread < 0) {
        maxSpread = m_spreads.maxItemDropLevelSpread;
    }
    if (aboveBaseChance < 0.0f) {
        aboveBaseChance = m_spreads.itemDropAboveBaseLevel;
    }
    if (maxAboveBase < 0) {
        maxAboveBase = m_spreads.maxItemDropLevelAboveBase;
    }
    const int level = rollItemLevel(baseLevel, minSpread, maxSpread, rarity, aboveBaseChance, maxAboveBase);

    if (allowMoney && rarity == ItemRarity::Normal) {
        const GameData* data = GameData::instance();
        int amount = data ? data->rollMoney(level) : 0;
        if (amount > 0 && m_money) {
            if (moneyBonus > 0) {
                // Saturated: a huge bonus gives the most money, not a negative sum.
                const int bonus =
                    floorToInt(static_cast<float>(moneyBonus) * 0.01f * static_cast<float>(amount));
                amount = bonus > INT_MAX - amount ? INT_MAX : amount + bonus;
            }
            std::unique_ptr<Item> money = makeItem(m_money);
            money->setAmount(amount);
            return money;
        }
    }

    std::unique_ptr<Item> item;
    if (specificEntry) {
        item = makeItem(specificEntry);
        rarity = std::min(rarity, ItemRarity::VeryRare);
    } else {
        Table table = NormalItems;
        if (rarity == ItemRarity::Unique) {
            table = UniqueItems;
        } else if (rarity == ItemRarity::Artifact) {
            table = Artifacts;
        } else if (rarity == ItemRarity::Set) {
            table = SetItems;
        }
        if (const LevelEntry* row = getLevelEntry(table, level)) {
            item = makeItem(row->entry);
        }
        // A magic roll for an item that takes no modifiers picks once more.
        if (item && table == NormalItems && rarity != ItemRarity::Normal &&
            !item->getBool("ModifiersAllowed")) {
            item.reset();
            if (const LevelEntry* row = getLevelEntry(NormalItems, level)) {
                item = makeItem(row->entry);
            }
        }
    }
    if (!item) {
        return nullptr;
    }
    if (!isSpecialRarity(item->getRarity())) {
        item->setRarity(rarity);
    }

    int slots = modifierSlots(rarity);
    const bool alwaysMagic = item->getBool("AlwaysMagic");
    if (alwaysMagic && slots < 1 && rarity <= ItemRarity::VeryRare) {
        slots = 1;
    }
    int added = 0;
    for (int attempt = 0; attempt < 4 * slots && added < slots; ++attempt) {
        const DatabaseEntry* modifier = pickModifier(*item, baseLevel);
        if (!modifier || !item->getBool("ModifiersAllowed")) {
            continue;
        }
        if (!item->acceptsMagicRequirement(requirementOf(modifier))) {
            continue;
        }
        const float value = rollModifierValue();
        item->applyModifierName(modifier);
        item->addMagicProperty(modifier, value);
        ++added;
        if (!isSpecialRarity(item->getRarity())) {
            item->setMinLevel(std::max(item->getMinLevel(), entryInt(modifier, "MinLevel")));
            const int required = floorToInt(static_cast<float>(entryInt(modifier, "ItemLevel")) *
                                            item->getFloat("ModifierLevelRequirement"));
            item->setMinLevel(std::max(item->getMinLevel(), required));
        }
    }
    if (alwaysMagic && added == 0 && rarity < ItemRarity::Set) {
        return nullptr;
    }
    item->generate(level);
    if (item->getItemType() == ItemType::TreasureMap) {
        item->setAmount(level);
    }
    return item;
}

void SpawnSystem::dropItems(const ZonePosition& position, float itemChance, int minItems, int maxItems,
                            int level, float countBonus, int increasedMagicChance, int moneyBonus,
                            float groundChance, Entity* container) const
{
    if (itemChance < randomFloat(0)) {
        return;
    }
    const int count = rollExtraCount(minItems, maxItems, countBonus);
    for (int i = 0; i < count; ++i) {
        Entity* target = container;
        if (groundChance > 0.0f && randomFloat(0) < groundChance) {
            target = nullptr;
        }
        dropItem(position, level, increasedMagicChance, moneyBonus, target);
    }
}

void SpawnSystem::dropItem(const ZonePosition& position, int level, int increasedMagicChance, int moneyBonus,
                           Entity* container) const
{
    std::unique_ptr<Item> item = createRandomItem(level, increasedMagicChance, -1, -1, -1.0f, -1, true,
                                                  moneyBonus, nullptr, ItemRarity::Normal);
    if (!item) {
        return;
    }
    if (container) {
        // Into the Loot group: merged into a stack, else the first free
        // place. An item that finds neither is dropped, not kept by nobody.
        InventoryBase* inventory = container->getInventory();
        InventoryGroup* loot = inventory ? inventory->getSlot(toIndex(InventoryGroupIndex::Loot)) : nullptr;
        if (!loot || loot->stackItem(item.get())) {
            return;
        }
        item->setOwner(container);
        if (loot->addItem(item.get())) {
            item.release();
        }
        return;
    }
    Item* loose = item.get();
    ItemGround* ground = dropItemOnGround(loose, false, true, position);
    if (!ground) {
        return;
    }
    item.release();
    if (isSpecialRarity(loose->getRarity())) {
        if (Game* game = Game::instance()) {
            game->playSound("Sounds/Items/uniqueSpawn.ogg", ground->getPosition(), ground->getEntityNumber(),
                            150.0f);
        }
    }
}

void SpawnSystem::dropMonsterLoot(Actor* monster, float groundChance, int moneyBonus, float countBonus,
                                  int increasedMagicChance) const
{
    if (!monster) {
        return;
    }
    const int rarity = std::clamp(monster->getEnhancementRarity(), 0, kMonsterRarityCount - 1);
    const MonsterDrops& drops = m_monsterDrops[static_cast<size_t>(rarity)];
    const int level =
        boundedLevel(monster->getStat(static_cast<int>(CharacterStat::Level))) + drops.levelIncrease;
    const long long magic = static_cast<long long>(increasedMagicChance) + drops.increasedMagicChance;
    dropItems(monster->getPosition(), drops.itemChance, drops.minItems, drops.maxItems, level, countBonus,
              static_cast<int>(std::clamp<long long>(magic, INT_MIN, INT_MAX)), moneyBonus, groundChance,
              monster);
    // The quest drop: only for a first player whose quest asks for it.
    const MonsterArchetype* cls = monster->getMonsterClass();
    if (groundChance <= 0.0f || !cls || !cls->questItem || cls->questItemDropChance <= 0.0f) {
        return;
    }
    const Game* game = Game::instance();
    const Player* first = game ? game->getFirstPlayer() : nullptr;
    // The draw only when a quest asks: other kills keep the stream as it was.
    if (first && first->hasOpenCountQuest(monster) && cls->questItemDropChance > randomFloat()) {
        const MonsterType* type = monster->getMonsterType();
        createItemOnGround(cls->questItem, monster->getPosition(), type ? type->getEntryId() : 0, true);
    }
}

Item* SpawnSystem::dropRandomItemAt(const DatabaseEntry* entry, const ZonePosition& position) const
{
    std::unique_ptr<Item> item =
        createRandomItem(0, 0, -1, -1, -1.0f, -1, false, 0, entry, ItemRarity::Normal);
    if (!item) {
        return nullptr;
    }
    item->generate();
    if (!dropItemOnGround(item.get(), false, true, position)) {
        return nullptr;
    }
    return item.release();
}

Item* SpawnSystem::createItemOnGround(const DatabaseEntry* entry, const ZonePosition& position,
                                      int linkedValue, bool nearSearch) const
{
    if (!entry) {
        return nullptr;
    }
    std::unique_ptr<Item> item = makeItem(entry);
    if (linkedValue != 0) {
        // The value is the id of the entry the item stands for (a quest
        // item: the monster type that let it fall), which the quests asking
        // for it look for.
        item->setLinkedValue(linkedValue);
        if (const DatabaseEntry* linked = findEntryById(static_cast<uint32_t>(linkedValue))) {
            item->setLinkedEntry(linked);
        }
    }
    item->generate();
    if (!dropItemOnGround(item.get(), false, nearSearch, position)) {
        return nullptr;
    }
    return item.release();
}

const DatabaseEntry* SpawnSystem::findBestItemOfKind(int level, const DatabaseEntry* baseEntry) const
{
    const LevelTable& table = getTable(NormalItems);
    const LevelEntry* best = nullptr;
    for (int i = 0; i < table.size(); ++i) {
        const LevelEntry& row = table.row(i);
        const DatabaseEntry* base = row.entry ? row.entry->getBase() : nullptr;
        if (!base || !base->isDerivedFrom(baseEntry) || row.minLevel > level) {
            continue;
        }
        if (!best || row.minLevel > best->minLevel) {
            best = &row;
        }
    }
    return best ? best->entry : nullptr;
}

std::unique_ptr<Item> SpawnSystem::createBestItemOfKind(int level, const DatabaseEntry* baseEntry) const
{
    const DatabaseEntry* entry = findBestItemOfKind(level, baseEntry);
    if (!entry) {
        return nullptr;
    }
    std::unique_ptr<Item> item = makeItem(entry);
    item->generate();
    return item;
}

void SpawnSystem::installGameHooks(Game& game)
{
    game.hooks().dropMonsterLoot = [](Actor* monster, float share, int extraMoney, float extraItemsChance,
                                      float extraMagicChance) {
        if (const SpawnSystem* spawns = SpawnSystem::instance()) {
            spawns->dropMonsterLoot(monster, share, extraMoney, extraItemsChance,
                                    floorToInt(std::trunc(extraMagicChance)));
        }
    };
}

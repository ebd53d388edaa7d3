#pragma once

#include "engine/core/Singleton.h"
#include "game/definitions/GameEnums.h"
#include "game/world/LevelTable.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <string>

class Actor;
class Chest;
class DatabaseEntry;
class Entity;
class Game;
class Item;
class MonsterType;
class ResourceHandle;
class TrapGround;
struct ZonePosition;

// The server's one source of random content: which items, magic modifiers,
// monster enhancements and traps may appear at a level, how often, and the
// drop settings, all read once from the "SpawnSystem" entry and the database.
class SpawnSystem : public Singleton<SpawnSystem> {
public:
    // The level tables, in the order they are kept.
    enum Table {
        NormalItems,
        SetItems,
        UniqueItems,
        Artifacts,
        Prefixes,
        Suffixes,
        MinorEnhancements,
        OrdinaryEnhancements,
        MajorEnhancements,
        NpcOnlyEnhancements,
        Traps,
        kTableCount
    };
    // Items beyond this many eligible ones are not spawnable.
    static constexpr int kMaxSpawnItems = 978;

    // Drop settings of one monster rarity.
    struct MonsterDrops {
        float itemChance = 0.0f;
        int minItems = 0;
        int maxItems = 0;
        int increasedMagicChance = 0; // percent
        int levelIncrease = 0;
        std::string effectModel;
    };

    // The level spreads.
    struct Spreads {
        int minLevelSpread = 0;
        int maxLevelSpread = 0;
        int minItemDropLevelSpread = 0;
        int maxItemDropLevelSpread = 0;
        int maxItemDropLevelAboveBase = 0;
        float itemDropAboveBaseLevel = 0.0f; // percent
        int minModifierLevelSpread = 0;
        int maxModifierLevelSpread = 0;
        int maxNormalItemLevel = 0;
    };

    SpawnSystem();
    ~SpawnSystem();

    // Reads the settings, builds the tables and registers the two console
    // commands. Once, after the database and the game data.
    void load();

    // A weighted row of the table for the level (stream 0), or null.
    const LevelEntry* getLevelEntry(Table table, int level) const;
    // The top of an item's or modifier's level window from its item level.
    int getWindowTop(int itemLevel) const;

    // ---- Random items (SpawnItems.cpp)
    // Negative spreads, above-base chance and maximum above base take the
    // drop settings. Null when nothing fits.
    std::unique_ptr<Item> createRandomItem(int baseLevel, int increasedMagicChance, int minSpread,
                                           int maxSpread, float aboveBaseChance, int maxAboveBase,
                                           bool allowMoney, int moneyBonus,
                                           const DatabaseEntry* specificEntry, ItemRarity startRarity) const;
    // A modifier that may go on the item, rolled around the base level.
    const DatabaseEntry* pickModifier(const Item& item, int baseLevel) const;
    static float rollModifierValue();
    // minimum plus one for each of the (maximum − minimum) tries that the
    // bonus (percent) improves from even odds.
    static int rollExtraCount(int minimum, int maximum, float bonus);
    // With the item chance, a rolled count of random items into the
    // container's Loot group, or onto the ground for those the ground chance
    // sends there (all of them without a container).
    void dropItems(const ZonePosition& position, float itemChance, int minItems, int maxItems, int level,
                   float countBonus, int increasedMagicChance, int moneyBonus, float groundChance,
                   Entity* container) const;
    void dropItem(const ZonePosition& position, int level, int increasedMagicChance, int moneyBonus,
                  Entity* container) const;
    // A dead monster's loot by its rarity's row, into its corpse.
    void dropMonsterLoot(Actor* monster, float groundChance, int moneyBonus, float countBonus,
                         int increasedMagicChance) const;
    // A chest's items on the ground around it: its item chance, counts and
    // level, with the opener's count and money bonuses, and its own magic
    // chance raised by the opener's (SpawnObjects.cpp).
    void dropChestItems(const Chest* chest, float countBonus, int moneyBonus, int magicChance) const;
    // ---- Level objects (SpawnObjects.cpp)
    // The object entry whose "ModelName" is the model file (the first one,
    // from a table built once per load of the data); null for none.
    const DatabaseEntry* findObjectEntry(const std::string& modelFile) const;
    // A Door, Torch or Secret by the loaded model's "ObjectType", with the
    // model's entry, at the position and facing, in the game. Null for any
    // other model, and for one without an entry (reported once per file).
    Entity* createObject(const ResourceHandle& model, const ZonePosition& position, int facing) const;
    // createObject for every cell of a block, from its first tile; the
    // number of objects made.
    int createBlockObjects(int levelIndex, int firstTileX, int firstTileY) const;
    // The area's chest (or the entry) at the level (or one rolled around the
    // level's depth), set up for the level; not placed.
    Chest* createChest(int levelIndex, const DatabaseEntry* entry = nullptr, int level = 0) const;
    // createChest for the level under the position, on a free spot near it;
    // null (nothing left behind) without an entry or a spot.
    Chest* placeChest(const ZonePosition& position, const DatabaseEntry* entry = nullptr,
                      int level = 0) const;
    // The area's trap at a level rolled around the given one; not placed.
    TrapGround* createTrap(int levelIndex, int level) const;
    // Level index -1: the level under the position; level 0: its depth.
    TrapGround* placeTrap(const ZonePosition& position, int levelIndex = -1, int level = 0) const;

    Item* dropRandomItemAt(const DatabaseEntry* entry, const ZonePosition& position) const;
    Item* createItemOnGround(const DatabaseEntry* entry, const ZonePosition& position, int linkedValue,
                             bool nearSearch) const;
    // The normal item of the kind (derived from the base entry) with the
    // highest minimum level not above the level.
    const DatabaseEntry* findBestItemOfKind(int level, const DatabaseEntry* baseEntry) const;
    std::unique_ptr<Item> createBestItemOfKind(int level, const DatabaseEntry* baseEntry) const;
    // ---- Monsters (SpawnMonsters.cpp)
    // A monster of the type at the level with the rarity (Legend and Unique
    // fall back to the versions the type has), its rarity enhancement and
    // random ones; not placed yet. Null for no type.
    Actor* spawnMonster(const MonsterType* type, int levelIndex, MonsterRarity rarity, int level,
                        bool noEnhancements = false) const;
    // A monster of a random type usable at the level, its rarity rolled up
    // from the given one; not placed yet. Null when no type is usable there.
    Actor* spawnMonster(int levelIndex, MonsterRarity minRarity, int level) const;
    // spawnMonster with the type's own rarity, else one rolled for the level.
    Actor* createMonster(const MonsterType* type, int levelIndex, int level) const;
    // Steps up from the start rarity by the chances of the level's area, by
    // day or by night.
    MonsterRarity rollRarity(MonsterRarity start, const MonsterType* type, int levelIndex) const;
    const DatabaseEntry* pickEnhancement(const Actor* actor, MonsterRarity rarity, int level) const;
    // A plain actor of recruit type number n (8 … 11); null for any other
    // number or an empty slot.
    Actor* createRecruitActor(int number, int level) const;
    // One of the four recruit types with its rarity and the basic recruit
    // enhancement.
    Actor* spawnPotentialRecruit(int levelIndex, int level) const;
    // A monster whose type keeps its spacing may not stand within it of
    // another of its type.
    bool canPlaceMonster(const Actor* actor, const ZonePosition& position) const;
    // Onto a free spot near the position and into the game; false (the
    // actor still the caller's) when there is no free spot or no room.
    bool placeMonster(Actor* actor, const ZonePosition& position, const MonsterType* previous) const;
    // While set, a monster put into a level not built yet stands where it
    // was put and finds free ground when the level is built (a quest's
    // people in a far level); otherwise such a level has no free spot.
    void setPlaceInUnbuiltLevels(bool allow) { m_placeInUnbuiltLevels = allow; }
    bool placesInUnbuiltLevels() const { return m_placeInUnbuiltLevels; }
    // Level -1: the type's own, raised by the world's difficulty. The placed
    // monster, or null (nothing is left behind).
    Actor* spawnMonsterAt(int level, const MonsterType* type, const ZonePosition& position,
                          int levelIndex) const;

    // A guard-capable type (neither unique nor legendary) for the level,
    // drawn uniformly; null when none fits.
    const MonsterType* pickGuardType(int level) const;

    // ---- Population (SpawnPopulation.cpp)
    // A potential recruit by the area's NPC chance (× multiplier), else a
    // monster the level's area picks at the level's monster level; not
    // placed yet.
    Actor* spawnMonsterForLevel(int levelIndex, float recruitMultiplier) const;
    // spawnMonsterForLevel, placed when it may stand there; null otherwise.
    Actor* spawnAndPlaceMonster(int levelIndex, const ZonePosition& position) const;
    // The block origin plus a random share of a block on each axis.
    static ZonePosition randomPositionInBlock(const ZonePosition& origin);
    // Places a block's monsters once: blocks are numbered row × blocks per
    // row + column. 0 while the block cannot be populated yet (no such
    // block, level not built), 1 when it is done or needs nothing.
    int populateBlock(int levelIndex, int block) const;

    // The Game's loot hook: a dying monster's loot comes from here.
    static void installGameHooks(Game& game);

    ItemRarity rollItemRarity(int increasedMagicChance, ItemRarity startRarity) const;
    // The adjusted step chances of the rarities (index 0 unused).
    std::array<float, kItemRarityCount> adjustedRarityChances(int increasedMagicChance) const;
    int rollItemLevel(int baseLevel, int minSpread, int maxSpread, ItemRarity rarity, float aboveBaseChance,
                      int maxAboveBase) const;

    // ---- Settings
    const LevelTable& getTable(Table table) const { return m_tables[static_cast<size_t>(table)]; }
    LevelTable& getTable(Table table) { return m_tables[static_cast<size_t>(table)]; }
    int getItemRarityChance(int rarity) const { return m_itemRarityChance[static_cast<size_t>(rarity & 7)]; }
    float getLevelSpreadMult(int rarity) const { return m_levelSpreadMult[static_cast<size_t>(rarity & 7)]; }
    const MonsterDrops& getMonsterDrops(int rarity) const
    {
        return m_monsterDrops[static_cast<size_t>(rarity & 7)];
    }
    const Spreads& getSpreads() const { return m_spreads; }
    int getEnchantmentNormalChance() const { return m_enchantmentNormalChance; }
    int getEnchantmentMajorChance() const { return m_enchantmentMajorChance; }
    const DatabaseEntry* getMoneyEntry() const { return m_money; }
    bool isLoaded() const { return m_loaded; }

    // The settings themselves, for tests and tools.
    void setItemRarityChance(int rarity, int chance)
    {
        m_itemRarityChance[static_cast<size_t>(rarity & 7)] = chance;
    }
    void setLevelSpreadMult(int rarity, float mult)
    {
        m_levelSpreadMult[static_cast<size_t>(rarity & 7)] = mult;
    }
    Spreads& mutableSpreads() { return m_spreads; }
    MonsterDrops& mutableMonsterDrops(int rarity) { return m_monsterDrops[static_cast<size_t>(rarity & 7)]; }

private:
    bool m_placeInUnbuiltLevels = false;
    // Levels and spreads are kept within ±420 before any arithmetic on them:
    // far beyond 1 … 105, yet unable to overflow.
    static int boundedLevel(int level)
    {
        return std::clamp(level, -4 * LevelTable::kMaxLevel, 4 * LevelTable::kMaxLevel);
    }
    void readSettings(const DatabaseEntry* entry);
    void buildTables();
    void registerCommands();
    void printRandomModifiers(int level, int count) const;
    void printRandomEnchantments(int level, int count) const;

    std::array<int, kItemRarityCount> m_itemRarityChance{};
    std::array<LevelTable, kTableCount> m_tables;
    int m_enchantmentNormalChance = 0;
    int m_enchantmentMajorChance = 0;
    const DatabaseEntry* m_money = nullptr;
    std::array<MonsterDrops, kMonsterRarityCount> m_monsterDrops;
    std::array<float, kItemRarityCount> m_levelSpreadMult{};
    Spreads m_spreads;
    bool m_loaded = false;
    // Model file (lower case) → object entry; rebuilt after each load, since
    // a new database holds new entries.
    mutable std::map<std::string, const DatabaseEntry*> m_objectEntries;
    mutable bool m_objectEntriesBuilt = false;
    bool m_commandsRegistered = false;
};

#include "game/world/SpawnSystem.h"

#include "engine/console/CommandSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"

#include <algorithm>

namespace {

int typeOf(DatabaseEntryType type)
{
    return static_cast<int>(type);
}

} // namespace

SpawnSystem::SpawnSystem() = default;

SpawnSystem::~SpawnSystem()
{
    for (MonsterDrops& drops : m_monsterDrops) {
        drops.effectModel.clear();
    }
    for (int t = kTableCount - 1; t >= 0; --t) {
        m_tables[static_cast<size_t>(t)].clear();
    }
    if (m_commandsRegistered) {
        if (CommandSystem* commands = CommandSystem::instance()) {
            commands->unregisterCommand("randomModifier");
            commands->unregisterCommand("randomEnchantment");
        }
    }
}

void SpawnSystem::load()
{
    m_objectEntries.clear();
    m_objectEntriesBuilt = false;
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("SpawnSystem") : nullptr;
    if (!entry) {
        debugPrint(3, "SpawnSystem database entry not found!\n");
        return;
    }
    readSettings(entry);
    buildTables();
    m_money = db->findEntry("Money");
    registerCommands();
    m_loaded = true;
}

void SpawnSystem::readSettings(const DatabaseEntry* entry)
{
    const Database& db = Database::get();
    // A whole-number setting outside its range is logged and clamped: a huge
    // item count would hang every kill, a huge spread overflow the rolls.
    auto bounded = [&](const std::string& key, int low, int high) {
        const int value = db.getInt(entry, key);
        const int kept = std::clamp(value, low, high);
        if (kept != value) {
            debugPrint(2, "%s:%d: SpawnSystem %s %d is outside %d ... %d; %d is used\n",
                       entry->getFileName().c_str(), entry->getLine(), key.c_str(), value, low, high, kept);
        }
        return kept;
    };
    auto spread = [&](const std::string& key) {
        return bounded(key, -LevelTable::kMaxLevel, LevelTable::kMaxLevel);
    };
    m_enchantmentNormalChance = db.getInt(entry, "MonsterEnchantmentNormalChance");
    m_enchantmentMajorChance = db.getInt(entry, "MonsterEnchantmentMajorChance");
    for (int r = 0; r < kMonsterRarityCount; ++r) {
        const std::string key = "Monster" + getMonsterRarityName(r);
        MonsterDrops& drops = m_monsterDrops[static_cast<size_t>(r)];
        drops.itemChance = db.getFloat(entry, key + "ItemChance");
        drops.minItems = bounded(key + "MinItems", 0, InventoryBase::kMaxGroupCapacity);
        drops.maxItems = bounded(key + "MaxItems", 0, InventoryBase::kMaxGroupCapacity);
        drops.increasedMagicChance = db.getInt(entry, key + "IncreasedMagicChance");
        drops.levelIncrease = spread(key + "LevelIncrease");
        drops.effectModel = db.getString(entry, key + "EffectModel");
    }
    for (int r = 0; r < kItemRarityCount; ++r) {
        const std::string key = "Item" + getItemRarityName(r);
        const float mult = db.getFloat(entry, key + "LevelSpreadMult");
        m_levelSpreadMult[static_cast<size_t>(r)] =
            std::clamp(mult, 0.0f, static_cast<float>(LevelTable::kMaxLevel));
        if (m_levelSpreadMult[static_cast<size_t>(r)] != mult) {
            debugPrint(2, "%s:%d: SpawnSystem %sLevelSpreadMult %g is outside 0 ... %d; %g is used\n",
                       entry->getFileName().c_str(), entry->getLine(), key.c_str(), static_cast<double>(mult),
                       LevelTable::kMaxLevel, static_cast<double>(m_levelSpreadMult[static_cast<size_t>(r)]));
        }
        m_itemRarityChance[static_cast<size_t>(r)] = db.getInt(entry, key + "Chance");
    }
    m_spreads.minLevelSpread = spread("MinLevelSpread");
    m_spreads.maxLevelSpread = spread("MaxLevelSpread");
    m_spreads.minItemDropLevelSpread = spread("MinItemDropLevelSpread");
    m_spreads.maxItemDropLevelSpread = spread("MaxItemDropLevelSpread");
    m_spreads.maxItemDropLevelAboveBase = spread("MaxItemDropLevelAboveBase");
    m_spreads.itemDropAboveBaseLevel = db.getFloat(entry, "ItemDropAboveBaseLevel");
    m_spreads.minModifierLevelSpread = spread("MinModifierLevelSpread");
    m_spreads.maxModifierLevelSpread = spread("MaxModifierLevelSpread");
    m_spreads.maxNormalItemLevel = db.getInt(entry, "MaxNormalItemLevel");
    if (m_spreads.maxNormalItemLevel <= 0) {
        debugPrint(
            2,
            "%s:%d: SpawnSystem MaxNormalItemLevel %d is not positive; level windows and rolls do not grow "
            "with the level\n",
            entry->getFileName().c_str(), entry->getLine(), m_spreads.maxNormalItemLevel);
    }
}

int SpawnSystem::getWindowTop(int itemLevel) const
{
    itemLevel = boundedLevel(itemLevel);
    int growth = 0;
    if (m_spreads.maxNormalItemLevel > 0) {
        const float share = static_cast<float>(itemLevel) / static_cast<float>(m_spreads.maxNormalItemLevel);
        const float product = share * static_cast<float>(m_spreads.maxLevelSpread - m_spreads.minLevelSpread);
        growth = floorToInt(product + 0.5f);
    }
    return itemLevel + m_spreads.minLevelSpread + growth;
}

void SpawnSystem::buildTables()
{
    const Database& db = Database::get();
    for (LevelTable& table : m_tables) {
        table.clear();
    }
    auto eachOfType = [&db](DatabaseEntryType type, auto&& visit) {
        for (const DatabaseEntry* e = db.findFirstEntryOfType(typeOf(type)); e;
             e = db.findNextEntryOfType(e)) {
            visit(e);
        }
    };

    eachOfType(DatabaseEntryType::MagicModifier, [&](const DatabaseEntry* e) {
        LevelEntry row;
        row.entry = e;
        row.weight = db.getFloat(e, "SpawnChance");
        const int itemLevel = db.getInt(e, "ItemLevel");
        row.minLevel = itemLevel;
        row.maxLevel =
            db.getInt(e, "AvailableAtMaxLevel") != 0 ? LevelTable::kMaxLevel : getWindowTop(itemLevel);
        getTable(db.getInt(e, "Prefix") != 0 ? Prefixes : Suffixes).addEntry(row);
    });

    int entered = 0;
    int leftOut = 0;
    const DatabaseEntry* firstLeftOut = nullptr;
    eachOfType(DatabaseEntryType::Item, [&](const DatabaseEntry* e) {
        const float chance = db.getFloat(e, "SpawnChance");
        if (!(chance > 0.0f) || db.getInt(e, "NoDrop") != 0) {
            return;
        }
        if (entered >= kMaxSpawnItems) {
            if (!firstLeftOut) {
                firstLeftOut = e;
            }
            ++leftOut;
            return;
        }
        ++entered;
        LevelEntry row;
        row.entry = e;
        row.weight = chance;
        row.minLevel = db.getInt(e, "MinLevel");
        row.maxLevel = db.getInt(e, "MaxLevel");
        if (row.minLevel == 0 && row.maxLevel == 0) {
            const int itemLevel = db.getInt(e, "ItemLevel");
            row.minLevel = itemLevel;
            row.maxLevel = getWindowTop(itemLevel);
        }
        Table table = NormalItems;
        if (db.getInt(e, "Artifact") != 0) {
            table = Artifacts;
        } else if (db.getInt(e, "Unique") != 0) {
            table = UniqueItems;
        } else if (ItemBase::isSetEntry(e)) {
            table = SetItems;
        }
        getTable(table).addEntry(row);
    });
    if (firstLeftOut) {
        debugPrint(2,
                   "SpawnSystem: only the first %d spawnable items are used; %d more are left out, the first "
                   "%s (%s:%d)\n",
                   kMaxSpawnItems, leftOut, firstLeftOut->getName().c_str(),
                   firstLeftOut->getFileName().c_str(), firstLeftOut->getLine());
    }

    eachOfType(DatabaseEntryType::MonsterEnhancement, [&](const DatabaseEntry* e) {
        LevelEntry row{e, db.getFloat(e, "SpawnChance"), db.getInt(e, "MinLevel"), db.getInt(e, "MaxLevel")};
        Table table = OrdinaryEnhancements;
        const std::string kind = db.getString(e, "EnhancementType");
        if (db.getInt(e, "NpcOnly") != 0) {
            table = NpcOnlyEnhancements;
        } else if (equalsNoCase(kind, "Minor")) {
            table = MinorEnhancements;
        } else if (equalsNoCase(kind, "Major")) {
            table = MajorEnhancements;
        }
        getTable(table).addEntry(row);
    });

    eachOfType(DatabaseEntryType::Trap, [&](const DatabaseEntry* e) {
        getTable(Traps).addEntry(
            {e, db.getFloat(e, "SpawnChance"), db.getInt(e, "MinLevel"), db.getInt(e, "MaxLevel")});
    });
}

const LevelEntry* SpawnSystem::getLevelEntry(Table table, int level) const
{
    const float roll = randomFloat(0);
    return getTable(table).pick(level, roll);
}

// ---- Console commands

void SpawnSystem::registerCommands()
{
    CommandSystem* commands = CommandSystem::instance();
    if (!commands) {
        return;
    }
    // At most 1,000 lines a command: a huge count would stall the server.
    auto countOf = [](const CommandArgs& args) {
        return args.size() > 1 ? std::clamp(std::atoi(args[1].c_str()), 0, 1000) : 1;
    };
    commands->registerCommand(
        [this, countOf](const CommandArgs& args) {
            printRandomModifiers(args.empty() ? 0 : std::atoi(args[0].c_str()), countOf(args));
        },
        "randomModifier", "Gets a random magic modifier", "level numItems", "iI", false, 0);
    commands->registerCommand(
        [this, countOf](const CommandArgs& args) {
            printRandomEnchantments(args.empty() ? 0 : std::atoi(args[0].c_str()), countOf(args));
        },
        "randomEnchantment", "Gets a random monster enchantment", "level numEnchantments", "iI", false, 0);
    m_commandsRegistered = true;
}

void SpawnSystem::printRandomModifiers(int level, int count) const
{
    for (int i = 0; i < count; ++i) {
        const int rolled = rollItemLevel(
            level, m_spreads.minModifierLevelSpread, m_spreads.maxModifierLevelSpread, ItemRarity::Normal,
            m_spreads.itemDropAboveBaseLevel, m_spreads.maxItemDropLevelAboveBase);
        const int r = static_cast<int>(randomFloat(0) * 100.0f);
        const LevelEntry* row = getLevelEntry(r < 50 ? Suffixes : Prefixes, rolled);
        if (row) {
            debugPrintRaw("\tMagicModifier\t%s\n", row->entry->getName().c_str());
        } else {
            debugPrintRaw("Couldn't find a modifier!\n");
        }
    }
}

void SpawnSystem::printRandomEnchantments(int level, int count) const
{
    auto percent = [] { return std::min(static_cast<int>(randomFloat(0) * 100.0f), 99); };
    for (int i = 0; i < count; ++i) {
        Table table = MajorEnhancements;
        if (percent() < m_enchantmentNormalChance) {
            table = MinorEnhancements;
        } else if (percent() < m_enchantmentMajorChance) {
            table = OrdinaryEnhancements;
        }
        const LevelEntry* row = getLevelEntry(table, level);
        if (row) {
            debugPrintRaw("\tEnhancement\t%s\n", row->entry->getName().c_str());
        } else {
            debugPrintRaw("Couldn't find an enchantment!\n");
        }
    }
}

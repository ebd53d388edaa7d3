#include "game/world/SpawnSystem.h"

#include "engine/console/CommandSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/InventoryBase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

namespace {

const char* kSettings = R"(
SpawnSystem {
    MinLevelSpread 2
    MaxLevelSpread 10
    MinModifierLevelSpread 2
    MaxModifierLevelSpread 10
    MaxItemDropLevelAboveBase 4
    MaxNormalItemLevel 50
    MonsterEnchantmentNormalChance 50
    MonsterEnchantmentMajorChance 50
    MonsterBossMinItems 4
    MonsterBossItemChance 1.0
    ItemCommonChance 80
    ItemUncommonChance 30
    ItemNormalLevelSpreadMult 1.0
    ItemRareLevelSpreadMult 1.5
}
Money { Type Money }
)";

// Entries written on one line, "Name { Key value; Key value }", as the
// database reads them: one key per line.
std::string entries(std::string text)
{
    std::string out;
    for (char c : text) {
        if (c == ';' || c == '{' || c == '}')
            out += c == ';' ? std::string("\n") : std::string("\n") + c + "\n";
        else
            out += c;
    }
    return out;
}

// A database of the test's own entries with the spawn system over it.
class SpawnSystemTest : public ::testing::Test {
protected:
    void loadWith(const std::string& text, const std::string& settings = kSettings)
    {
        database.addSubDatabase("Spawn", "spawns.dbl", entries(settings));
        database.addSubDatabase("Test", "test.dbl", entries(text));
        database.resolveBases();
        spawns.load();
    }
    std::set<std::string> namesOf(SpawnSystem::Table table) const
    {
        std::set<std::string> names;
        const LevelTable& t = spawns.getTable(table);
        for (int i = 0; i < t.size(); ++i)
            names.insert(t.row(i).entry->getName());
        return names;
    }
    const LevelEntry* rowOf(SpawnSystem::Table table, const std::string& name) const
    {
        const LevelTable& t = spawns.getTable(table);
        for (int i = 0; i < t.size(); ++i)
            if (t.row(i).entry->getName() == name)
                return &t.row(i);
        return nullptr;
    }

    LogCapture log;
    Random random;
    CommandSystem commands;
    Database database;
    SpawnSystem spawns;
};

TEST(LevelTableTest, RowsAreClampedAndPickedByWeight)
{
    LevelTable table;
    const LevelEntry& wide = table.addEntry({nullptr, 2.0f, 0, 200});
    EXPECT_EQ(wide.minLevel, 1);
    EXPECT_EQ(wide.maxLevel, 105);
    const LevelEntry& turned = table.addEntry({nullptr, 1.0f, 50, 20});
    EXPECT_EQ(turned.minLevel, 20);
    EXPECT_EQ(turned.maxLevel, 20);
    const LevelEntry& first = table.addEntry({nullptr, 4.0f, -3, 1});
    const LevelEntry& last = table.addEntry({nullptr, 8.0f, 105, 300});
    EXPECT_EQ(table.total(20), 3.0f);
    EXPECT_EQ(table.total(1), 6.0f);
    EXPECT_EQ(table.total(105), 10.0f);

    // Level 0 and below read as 1, above 105 as 105.
    EXPECT_EQ(table.pick(0, 0.9f), &first);
    EXPECT_EQ(table.pick(-20, 0.9f), &first);
    EXPECT_EQ(table.pick(300, 0.9f), &last);
    EXPECT_EQ(table.pick(300, 0.1f), &wide);
    // Each row takes the share of its weight, walked in order.
    EXPECT_EQ(table.pick(20, 0.0f), &wide);
    EXPECT_EQ(table.pick(20, 0.66f), &wide);
    EXPECT_EQ(table.pick(20, 0.67f), &turned);
    EXPECT_EQ(table.pick(50, 0.99f), &wide);

    LevelTable empty;
    EXPECT_EQ(empty.pick(10, 0.5f), nullptr);
}

TEST_F(SpawnSystemTest, TablesTakeTheirEntriesByKind)
{
    loadWith(R"(
Sword { Type Item; SpawnChance 5; ItemLevel 25 }
Axe { Type Item; SpawnChance 5; MinLevel 3; MaxLevel 9 }
Kept { Type Item; SpawnChance 0 }
Bound { Type Item; SpawnChance 5; NoDrop 1 }
Crown { Type Item; SpawnChance 1; Artifact 1; Unique 1 }
Ring { Type Item; SpawnChance 1; Unique 1 }
WardSet { Type Info }
WardHelm { Type Item; SpawnChance 1; ItemSet WardSet; ItemSetSize 2 }
NamedOnly { Type Item; SpawnChance 1; Set "Ward" }
Keen { Type MagicModifier; Prefix 1; SpawnChance 3; ItemLevel 25 }
OfAges { Type MagicModifier; SpawnChance 0; ItemLevel 10; AvailableAtMaxLevel 1 }
Tough { Type MonsterEnhancement; EnhancementType minor; SpawnChance 1; MinLevel 1; MaxLevel 30 }
Huge { Type MonsterEnhancement; EnhancementType MAJOR; SpawnChance 1; MinLevel 5; MaxLevel 200 }
Swift { Type MonsterEnhancement; SpawnChance 1; MinLevel 1; MaxLevel 50 }
Loyal { Type MonsterEnhancement; EnhancementType Major; NpcOnly 1; SpawnChance 1 }
Snare { Type Trap; SpawnChance 2; MinLevel 1; MaxLevel 20 }
)");
    ASSERT_TRUE(spawns.isLoaded());
    EXPECT_EQ(namesOf(SpawnSystem::NormalItems), (std::set<std::string>{"Sword", "Axe", "NamedOnly"}));
    EXPECT_EQ(namesOf(SpawnSystem::Artifacts), (std::set<std::string>{"Crown"}));
    EXPECT_EQ(namesOf(SpawnSystem::UniqueItems), (std::set<std::string>{"Ring"}));
    EXPECT_EQ(namesOf(SpawnSystem::SetItems), (std::set<std::string>{"WardHelm"}));
    EXPECT_EQ(namesOf(SpawnSystem::Prefixes), (std::set<std::string>{"Keen"}));
    EXPECT_EQ(namesOf(SpawnSystem::Suffixes), (std::set<std::string>{"OfAges"}));
    EXPECT_EQ(namesOf(SpawnSystem::MinorEnhancements), (std::set<std::string>{"Tough"}));
    EXPECT_EQ(namesOf(SpawnSystem::MajorEnhancements), (std::set<std::string>{"Huge"}));
    EXPECT_EQ(namesOf(SpawnSystem::OrdinaryEnhancements), (std::set<std::string>{"Swift"}));
    EXPECT_EQ(namesOf(SpawnSystem::NpcOnlyEnhancements), (std::set<std::string>{"Loyal"}));
    EXPECT_EQ(namesOf(SpawnSystem::Traps), (std::set<std::string>{"Snare"}));

    // 25 + 2 + floor(25 / 50 × 8 + 0.5): 25 … 31.
    EXPECT_EQ(rowOf(SpawnSystem::NormalItems, "Sword")->minLevel, 25);
    EXPECT_EQ(rowOf(SpawnSystem::NormalItems, "Sword")->maxLevel, 31);
    EXPECT_EQ(rowOf(SpawnSystem::NormalItems, "Axe")->maxLevel, 9);
    EXPECT_EQ(rowOf(SpawnSystem::Prefixes, "Keen")->maxLevel, 31);
    EXPECT_EQ(rowOf(SpawnSystem::Suffixes, "OfAges")->maxLevel, 105);
    EXPECT_EQ(rowOf(SpawnSystem::MajorEnhancements, "Huge")->maxLevel, 105);
    // No levels and no window: level 1 only.
    EXPECT_EQ(rowOf(SpawnSystem::NpcOnlyEnhancements, "Loyal")->maxLevel, 1);
    EXPECT_EQ(spawns.getMoneyEntry(), database.findEntry("Money"));
    EXPECT_EQ(log.count(2), 0u);
    EXPECT_EQ(log.count(3), 0u);
}

TEST_F(SpawnSystemTest, OnlyTheFirst978SpawnableItemsAreUsed)
{
    std::string text = "Unused { Type Item; SpawnChance 0 }\n";
    for (int i = 1; i <= 981; ++i)
        text += "Thing" + std::to_string(i) + " { Type Item; SpawnChance 1; MinLevel 1; MaxLevel 105 }\n";
    loadWith(text);
    EXPECT_EQ(spawns.getTable(SpawnSystem::NormalItems).size(), 978);
    EXPECT_EQ(spawns.getTable(SpawnSystem::NormalItems).row(977).entry->getName(), "Thing978");
    EXPECT_EQ(log.count(2), 1u);
    EXPECT_TRUE(log.contains("3 more are left out, the first Thing979", 2));
    for (int i = 0; i < 3000; ++i) {
        const LevelEntry* row = spawns.getLevelEntry(SpawnSystem::NormalItems, 1 + i % 105);
        ASSERT_NE(row, nullptr);
        ASSERT_NE(row->entry->getName(), "Thing979");
    }
}

TEST_F(SpawnSystemTest, RarityStepsCarryTheExtraMagicChance)
{
    loadWith("");
    auto same = spawns.adjustedRarityChances(0);
    EXPECT_EQ(same[1], 80.0f);
    EXPECT_EQ(same[2], 30.0f);
    // Common's 160 is capped at 80 and carries 2.0 on: Uncommon 60.
    auto raised = spawns.adjustedRarityChances(100);
    EXPECT_EQ(raised[1], 80.0f);
    EXPECT_EQ(raised[2], 60.0f);
    EXPECT_EQ(raised[3], 0.0f);

    // A step chance of 0 stops the walk there.
    for (int i = 0; i < 500; ++i) {
        ItemRarity r = spawns.rollItemRarity(100, ItemRarity::Normal);
        ASSERT_LE(static_cast<int>(r), static_cast<int>(ItemRarity::Uncommon));
        EXPECT_EQ(spawns.rollItemRarity(0, ItemRarity::Rare), ItemRarity::Rare);
    }
    spawns.setItemRarityChance(1, 0);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(spawns.rollItemRarity(500, ItemRarity::Normal), ItemRarity::Normal);
}

TEST_F(SpawnSystemTest, RolledLevelsSpreadBelowOrAboveTheBase)
{
    loadWith("");
    std::set<int> below, above;
    for (int i = 0; i < 2000; ++i) {
        below.insert(spawns.rollItemLevel(20, 2, 10, ItemRarity::Normal, 0.0f, 4));
        above.insert(spawns.rollItemLevel(20, 2, 10, ItemRarity::Normal, 100.0f, 4));
    }
    EXPECT_EQ(below, (std::set<int>{15, 16, 17, 18, 19, 20}));
    EXPECT_EQ(above, (std::set<int>{21, 22, 23, 24}));
    // The rarity's multiplier widens the fall: floor((3 + 2) × 1.5) = 7.
    std::set<int> rare;
    for (int i = 0; i < 2000; ++i)
        rare.insert(spawns.rollItemLevel(20, 2, 10, ItemRarity::Rare, 0.0f, 4));
    EXPECT_EQ(*rare.begin(), 13);
    for (int i = 0; i < 2000; ++i) {
        for (int base : {0, -5, 200}) {
            for (float chance : {0.0f, 100.0f}) {
                int level = spawns.rollItemLevel(base, 2, 10, ItemRarity::Artifact, chance, 30);
                ASSERT_GE(level, 1);
                ASSERT_LE(level, 105);
            }
        }
    }
}

TEST_F(SpawnSystemTest, ZeroMaxNormalItemLevelLoadsAndRolls)
{
    loadWith("Sword { Type Item; SpawnChance 5; ItemLevel 25 }\n",
             "SpawnSystem { MinLevelSpread 2; MaxLevelSpread 10; MaxNormalItemLevel 0; "
             "ItemNormalLevelSpreadMult 1 }\n");
    EXPECT_TRUE(log.contains("MaxNormalItemLevel 0", 2));
    EXPECT_TRUE(log.contains("spawns.dbl", 2));
    EXPECT_EQ(rowOf(SpawnSystem::NormalItems, "Sword")->maxLevel, 27);
    std::set<int> levels;
    for (int i = 0; i < 500; ++i)
        levels.insert(spawns.rollItemLevel(20, 2, 10, ItemRarity::Normal, 0.0f, 0));
    EXPECT_EQ(levels, (std::set<int>{18, 19, 20}));
}

TEST_F(SpawnSystemTest, OutOfRangeSettingsAreClampedAndLogged)
{
    loadWith("", "SpawnSystem { MonsterBossMinItems -5; MonsterBossMaxItems 2000000000; "
                 "MonsterBossLevelIncrease 99999; MinLevelSpread -2147483648; MaxLevelSpread 2147483647; "
                 "MaxNormalItemLevel 1; ItemRareLevelSpreadMult 1e30 }\n");
    const SpawnSystem::MonsterDrops& boss = spawns.getMonsterDrops(static_cast<int>(MonsterRarity::Boss));
    EXPECT_EQ(boss.minItems, 0);
    EXPECT_EQ(boss.maxItems, InventoryBase::kMaxGroupCapacity);
    EXPECT_EQ(boss.levelIncrease, 105);
    EXPECT_EQ(spawns.getSpreads().minLevelSpread, -105);
    EXPECT_EQ(spawns.getSpreads().maxLevelSpread, 105);
    EXPECT_EQ(spawns.getLevelSpreadMult(static_cast<int>(ItemRarity::Rare)), 105.0f);
    EXPECT_TRUE(log.contains("MonsterBossMaxItems 2000000000", 2));
    EXPECT_TRUE(log.contains("ItemRareLevelSpreadMult", 2));
    EXPECT_TRUE(log.contains("spawns.dbl", 2));
    // Extreme levels and spreads roll without overflowing, into 1 … 105.
    for (int base : {INT_MIN, -1000, 1000, INT_MAX}) {
        for (float chance : {0.0f, 100.0f}) {
            const int level = spawns.rollItemLevel(base, INT_MIN, INT_MAX, ItemRarity::Rare, chance, INT_MAX);
            ASSERT_GE(level, 1);
            ASSERT_LE(level, 105);
        }
    }
    EXPECT_GE(spawns.getWindowTop(INT_MAX), 105);
}

TEST_F(SpawnSystemTest, ConsoleCommandsPrintFromTheTables)
{
    loadWith(R"(
Keen { Type MagicModifier; Prefix 1; SpawnChance 1; ItemLevel 1; AvailableAtMaxLevel 1 }
OfAges { Type MagicModifier; SpawnChance 1; ItemLevel 1; AvailableAtMaxLevel 1 }
Tough { Type MonsterEnhancement; EnhancementType Minor; SpawnChance 1; MinLevel 1; MaxLevel 105 }
Swift { Type MonsterEnhancement; SpawnChance 1; MinLevel 1; MaxLevel 105 }
Huge { Type MonsterEnhancement; EnhancementType Major; SpawnChance 1; MinLevel 1; MaxLevel 105 }
)");
    log.clear();
    ASSERT_TRUE(commands.execute("randomModifier 20 5", nullptr, false, false));
    size_t modifiers = 0;
    for (const auto& line : log.lines())
        modifiers += line.text == "\tMagicModifier\tKeen\n" || line.text == "\tMagicModifier\tOfAges\n";
    EXPECT_EQ(modifiers, 5u);
    // A huge count prints 1,000 lines rather than stalling the server.
    log.clear();
    ASSERT_TRUE(commands.execute("randomModifier 20 2000000000", nullptr, false, false));
    EXPECT_EQ(log.lines().size(), 1000u);
    log.clear();
    ASSERT_TRUE(commands.execute("randomEnchantment 30 3", nullptr, false, false));
    size_t enhancements = 0;
    for (const auto& line : log.lines())
        enhancements += line.text.rfind("\tEnhancement\t", 0) == 0;
    EXPECT_EQ(enhancements, 3u);
    log.clear();
    ASSERT_TRUE(commands.execute("randomModifier 7", nullptr, false, false));
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST_F(SpawnSystemTest, EmptyTablesFindNothing)
{
    loadWith("");
    log.clear();
    ASSERT_TRUE(commands.execute("randomModifier 20 2", nullptr, false, false));
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_EQ(log.lines()[0].text, "Couldn't find a modifier!\n");
    log.clear();
    ASSERT_TRUE(commands.execute("randomEnchantment 5", nullptr, false, false));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].text, "Couldn't find an enchantment!\n");
}

TEST_F(SpawnSystemTest, WithoutItsEntryNothingIsReadOrRegistered)
{
    database.addSubDatabase("Test", "test.dbl", entries("Sword { Type Item; SpawnChance 5 }\n"));
    database.resolveBases();
    spawns.load();
    EXPECT_TRUE(log.contains("SpawnSystem database entry not found!", 3));
    EXPECT_FALSE(spawns.isLoaded());
    EXPECT_TRUE(spawns.getTable(SpawnSystem::NormalItems).empty());
    EXPECT_EQ(commands.findCommand("randomModifier"), nullptr);
    EXPECT_EQ(spawns.getLevelEntry(SpawnSystem::NormalItems, 5), nullptr);
}

// The shipped data: read without complaint, and a prefix and a suffix for
// every level.
TEST(SpawnSystemDataTest, ShippedTablesCoverEveryLevel)
{
    LogCapture log;
    TempDir temp;
    FileSystem files(gameDataPath(), temp.path().string());
    Random random;
    CommandSystem commands;
    Database database;
    ASSERT_TRUE(database.load(Database::kMasterFile, false));
    SpawnSystem spawns;
    spawns.load();
    ASSERT_TRUE(spawns.isLoaded());
    EXPECT_EQ(log.count(2), 0u);
    EXPECT_EQ(log.count(3), 0u);
    EXPECT_NE(spawns.getMoneyEntry(), nullptr);
    EXPECT_GT(spawns.getSpreads().maxNormalItemLevel, 0);
    for (int level = 1; level <= 105; ++level) {
        EXPECT_GT(spawns.getTable(SpawnSystem::Prefixes).total(level), 0.0f) << level;
        EXPECT_GT(spawns.getTable(SpawnSystem::Suffixes).total(level), 0.0f) << level;
        EXPECT_GT(spawns.getTable(SpawnSystem::NormalItems).total(level), 0.0f) << level;
    }
}

} // namespace

namespace {

// The model-to-entry table of level objects belongs to one load of the data:
// after the database is replaced, a reload names the new entries (the old
// ones are freed, which the sanitizer build would catch).
TEST(SpawnSystemDataTest, ObjectModelsNameTheEntriesOfTheDataLoadedLast)
{
    LogCapture log;
    TempDir temp;
    FileSystem files(gameDataPath(), temp.path().string());
    Random random;
    CommandSystem commands;
    SpawnSystem spawns;
    {
        Database first;
        ASSERT_TRUE(first.load(Database::kMasterFile, false));
        spawns.load();
        EXPECT_EQ(spawns.findObjectEntry("Models/Objects/torch.mdl"), first.findEntry("TorchWall"));
    }
    Database second;
    ASSERT_TRUE(second.load(Database::kMasterFile, false));
    spawns.load();
    const DatabaseEntry* torch = spawns.findObjectEntry("models/objects/TORCH.mdl");
    ASSERT_NE(torch, nullptr);
    EXPECT_EQ(torch, second.findEntry("TorchWall"));
    EXPECT_EQ(spawns.findObjectEntry("Models/Objects/door.mdl"), second.findEntry("DoorWooden"));
    EXPECT_EQ(spawns.findObjectEntry("Models/Objects/nothing.mdl"), nullptr);
}

} // namespace

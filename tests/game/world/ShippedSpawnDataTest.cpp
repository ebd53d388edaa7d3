// The shipped data the world draws its random content from: monsters for
// every level of a world at each difficulty, modifiers, enhancements, traps
// and item level windows.
#include "engine/console/CommandSystem.h"
#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/world/LevelFixture.h"
#include "game/world/SpawnSystem.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

const uint32_t kSeeds[] = {1u, 2u, 3u, 4242u, 0x7FFFFFFFu};

class ShippedSpawnDataTest : public LevelFixture {
protected:
    ShippedSpawnDataTest() { spawns.load(); }
    ~ShippedSpawnDataTest() override { data->setWorldDifficulty(0); }

    // Regular types of the area's pool that stand at some level of the
    // level's window (the desired classes' window where it differs).
    static std::vector<MonsterType*> typesFor(const AreaDefinition& area, int monsterLevel)
    {
        std::vector<MonsterType*> out;
        for (MonsterArchetype* archetype : area.getMonsterPool()) {
            const bool desired = area.isDesired(archetype);
            const int lo =
                monsterLevel + (desired ? area.minDesiredMonsterLevelOffset : area.minMonsterLevelOffset);
            const int hi =
                monsterLevel + (desired ? area.maxDesiredMonsterLevelOffset : area.maxMonsterLevelOffset);
            for (int lv = std::max(lo, 1); lv <= std::max(hi, 1); ++lv)
                archetype->collectTypesForLevel(lv, out);
        }
        return out;
    }

    std::set<const DatabaseEntry*> rowsAt(SpawnSystem::Table table, int level) const
    {
        std::set<const DatabaseEntry*> out;
        const LevelTable& t = spawns.getTable(table);
        for (int i = 0; i < t.size(); ++i)
            if (t.row(i).minLevel <= level && level <= t.row(i).maxLevel)
                out.insert(t.row(i).entry);
        return out;
    }

    CommandSystem commands;
    SpawnSystem spawns;
};

TEST_F(ShippedSpawnDataTest, EveryLevelOfAWorldFindsMonstersAtEachDifficulty)
{
    const GameRules& rules = data->rules();
    ASSERT_EQ(rules.startingMonsterLevels.size(), static_cast<size_t>(kWorldDifficultyCount));
    for (int difficulty = 0; difficulty < kWorldDifficultyCount; ++difficulty) {
        SCOPED_TRACE(difficulty);
        // A new world loads with its difficulty as the start index.
        data->setWorldDifficulty(difficulty);
        world->setStartLevelIndex(difficulty);

        // No monster rises above the game's highest level.
        for (const auto& type : data->getMonsterTypes()) {
            if (type->isRegularSpawn()) {
                EXPECT_LE(type->getMaxLevel(), rules.maxLevel) << type->getEntryName();
            }
        }

        for (uint32_t seed : kSeeds) {
            SCOPED_TRACE(seed);
            world->setWorldSeed(seed);
            world->load();
            world->setSecretSeed(seed);
            world->createSecretLevels();
            ASSERT_GT(world->getLevelCount(), 1);
            EXPECT_EQ(world->getLevel(0)->monsterLevel,
                      rules.startingMonsterLevels[static_cast<size_t>(difficulty)]);
            EXPECT_GE(world->getMinMonsterLevel(),
                      rules.worldDifficultyMinLevel[static_cast<size_t>(difficulty)]);

            int withMonsters = 0;
            for (int i = 0; i < world->getLevelCount(); ++i) {
                const Level* level = world->getLevel(i);
                const AreaDefinition* area = level->definition;
                if (area->monsterChancePerBlock <= 0.0f)
                    continue;
                ++withMonsters;
                SCOPED_TRACE(world->getLevelName(i) + " level " + std::to_string(i) + " monsters " +
                             std::to_string(level->monsterLevel));
                EXPECT_TRUE(area->isPrepared());
                EXPECT_FALSE(area->getActiveTypes().empty());
                for (const MonsterType* type : area->getActiveTypes())
                    EXPECT_FALSE(type->unique || type->legend) << type->getEntryName();
                // The level's own window, not only the area's first level's.
                EXPECT_FALSE(typesFor(*area, level->monsterLevel).empty());
            }
            EXPECT_GT(withMonsters, 10);
        }
    }
}

TEST_F(ShippedSpawnDataTest, EveryMagicRequirementHasModifiersAndEveryLevelAPrefixAndASuffix)
{
    std::set<int> used;
    for (SpawnSystem::Table table : {SpawnSystem::Prefixes, SpawnSystem::Suffixes}) {
        const LevelTable& t = spawns.getTable(table);
        for (int i = 0; i < t.size(); ++i) {
            const DatabaseEntry* modifier = t.row(i).entry;
            const std::string name = database.getString(modifier, "MagicRequirement");
            const MagicRequirement requirement =
                name.empty() ? MagicRequirement::None : parseMagicRequirement(name);
            // A misspelt requirement would read as none and fit every item.
            if (!name.empty()) {
                EXPECT_NE(requirement, MagicRequirement::None) << modifier->getName();
            }
            used.insert(static_cast<int>(requirement));
            EXPECT_GT(t.row(i).weight, 0.0f) << modifier->getName();
            EXPECT_FALSE(database.getString(modifier, "Name").empty()) << modifier->getName();
        }
    }
    for (int r = 0; r < kMagicRequirementCount; ++r)
        EXPECT_TRUE(used.count(r)) << "requirement " << r;

    for (int level = LevelTable::kMinLevel; level <= LevelTable::kMaxLevel; ++level) {
        EXPECT_GT(spawns.getTable(SpawnSystem::Prefixes).total(level), 0.0f) << level;
        EXPECT_GT(spawns.getTable(SpawnSystem::Suffixes).total(level), 0.0f) << level;
    }
    // Stronger modifiers come later: not every one is open from level 1.
    EXPECT_FALSE(rowsAt(SpawnSystem::Prefixes, 70) == rowsAt(SpawnSystem::Prefixes, 2));
    EXPECT_FALSE(rowsAt(SpawnSystem::Suffixes, 70) == rowsAt(SpawnSystem::Suffixes, 2));
}

// A magic item of any kind can be given a prefix and a suffix at every level
// it drops at.
TEST_F(ShippedSpawnDataTest, EveryMagicItemTakesAPrefixAndASuffixAtEveryLevelItDrops)
{
    auto requirementOf = [&](const DatabaseEntry* modifier) {
        const std::string name = database.getString(modifier, "MagicRequirement");
        return name.empty() ? MagicRequirement::None : parseMagicRequirement(name);
    };
    auto accepts = [&](const DatabaseEntry* item, MagicRequirement requirement) {
        if (requirement == MagicRequirement::None)
            return true;
        for (const std::string& name : database.getStringList(item, "MagicRequirement"))
            if (parseMagicRequirement(name) == requirement)
                return true;
        return false;
    };
    const LevelTable& normal = spawns.getTable(SpawnSystem::NormalItems);
    int magicItems = 0;
    for (int i = 0; i < normal.size(); ++i) {
        const LevelEntry& item = normal.row(i);
        if (database.getInt(item.entry, "ModifiersAllowed") == 0)
            continue;
        ++magicItems;
        for (int level = item.minLevel; level <= item.maxLevel; ++level) {
            for (SpawnSystem::Table table : {SpawnSystem::Prefixes, SpawnSystem::Suffixes}) {
                bool found = false;
                for (const DatabaseEntry* modifier : rowsAt(table, level))
                    found = found || accepts(item.entry, requirementOf(modifier));
                EXPECT_TRUE(found) << item.entry->getName()
                                   << (table == SpawnSystem::Prefixes ? " prefix" : " suffix") << " at "
                                   << level;
            }
        }
    }
    EXPECT_GT(magicItems, 20);
}

TEST_F(ShippedSpawnDataTest, EnhancementsCoverEveryLevelAndTheMarksExist)
{
    for (SpawnSystem::Table table : {SpawnSystem::MinorEnhancements, SpawnSystem::OrdinaryEnhancements,
                                     SpawnSystem::MajorEnhancements, SpawnSystem::NpcOnlyEnhancements}) {
        for (int level = LevelTable::kMinLevel; level <= LevelTable::kMaxLevel; ++level)
            EXPECT_GT(spawns.getTable(table).total(level), 0.0f) << table << " at " << level;
    }
    // The rarity marks and the recruit's mark are status effects given by
    // name, never drawn at random.
    std::set<const DatabaseEntry*> drawn;
    for (int t = SpawnSystem::MinorEnhancements; t <= SpawnSystem::NpcOnlyEnhancements; ++t) {
        const LevelTable& table = spawns.getTable(static_cast<SpawnSystem::Table>(t));
        for (int i = 0; i < table.size(); ++i)
            drawn.insert(table.row(i).entry);
    }
    std::vector<std::string> marks{"EnhancementRecruitBasic"};
    for (int r = static_cast<int>(MonsterRarity::Common); r < kMonsterRarityCount; ++r)
        marks.push_back("EnhancementRarity" + getMonsterRarityName(r));
    for (const std::string& mark : marks) {
        const DatabaseEntry* entry = database.findEntry(mark);
        ASSERT_NE(entry, nullptr) << mark;
        EXPECT_EQ(entry->getTypeInherited(), static_cast<int>(DatabaseEntryType::StatusEffect)) << mark;
        EXPECT_FALSE(drawn.count(entry)) << mark;
    }
}

TEST_F(ShippedSpawnDataTest, TwoTrapsLoadIntoTheTrapTable)
{
    const LevelTable& traps = spawns.getTable(SpawnSystem::Traps);
    ASSERT_GE(traps.size(), 2);
    for (int i = 0; i < traps.size(); ++i) {
        EXPECT_EQ(traps.row(i).entry->getTypeInherited(), static_cast<int>(DatabaseEntryType::Trap));
        EXPECT_GT(traps.row(i).weight, 0.0f);
        EXPECT_LE(traps.row(i).minLevel, traps.row(i).maxLevel);
    }
    for (int level = LevelTable::kMinLevel; level <= LevelTable::kMaxLevel; ++level)
        EXPECT_GT(traps.total(level), 0.0f) << level;
    // Not every trap is open from level 1.
    EXPECT_LT(rowsAt(SpawnSystem::Traps, 1).size(), rowsAt(SpawnSystem::Traps, 40).size());
}

TEST_F(ShippedSpawnDataTest, ItemsComeInLevelWindows)
{
    const LevelTable& normal = spawns.getTable(SpawnSystem::NormalItems);
    for (int level = LevelTable::kMinLevel; level <= LevelTable::kMaxLevel; ++level)
        EXPECT_GT(normal.total(level), 0.0f) << level;

    // The levels a drop at base 2 and at base 40 may roll, over the rarities
    // the normal table serves, drawn with the shipped spreads.
    Random::setState(0, 20261207u);
    auto rolledLevels = [&](int base) {
        std::set<int> levels;
        for (int rarity = 0; rarity <= static_cast<int>(ItemRarity::VeryRare); ++rarity)
            for (int n = 0; n < 400; ++n)
                levels.insert(spawns.rollItemLevel(base, spawns.getSpreads().minItemDropLevelSpread,
                                                   spawns.getSpreads().maxItemDropLevelSpread,
                                                   static_cast<ItemRarity>(rarity),
                                                   spawns.getSpreads().itemDropAboveBaseLevel,
                                                   spawns.getSpreads().maxItemDropLevelAboveBase));
        return levels;
    };
    auto rowsFor = [&](const std::set<int>& levels) {
        std::set<const DatabaseEntry*> rows;
        for (int level : levels) {
            std::set<const DatabaseEntry*> at = rowsAt(SpawnSystem::NormalItems, level);
            rows.insert(at.begin(), at.end());
        }
        return rows;
    };
    const std::set<int> low = rolledLevels(2);
    const std::set<int> high = rolledLevels(40);
    ASSERT_TRUE(low.count(2));
    ASSERT_TRUE(high.count(40));
    // The spreads reach well below the base at 40.
    EXPECT_LT(*high.begin(), 33);
    const std::set<const DatabaseEntry*> lowRows = rowsFor(low);
    const std::set<const DatabaseEntry*> highRows = rowsFor(high);
    EXPECT_FALSE(lowRows.empty());
    EXPECT_FALSE(highRows.empty());
    for (const DatabaseEntry* row : lowRows)
        EXPECT_FALSE(highRows.count(row)) << row->getName() << " drops at 2 and at 40";

    // Unique items, an artifact and treasure maps are there to be found.
    EXPECT_GE(spawns.getTable(SpawnSystem::UniqueItems).size(), 2);
    EXPECT_GE(spawns.getTable(SpawnSystem::Artifacts).size(), 1);
    std::set<int> mapLevels;
    for (int i = 0; i < normal.size(); ++i)
        if (database.getString(normal.row(i).entry, "ItemType") == "TreasureMap")
            for (int level = normal.row(i).minLevel; level <= normal.row(i).maxLevel; ++level)
                mapLevels.insert(level);
    EXPECT_FALSE(mapLevels.empty());
    EXPECT_TRUE(mapLevels.count(40));
}

} // namespace

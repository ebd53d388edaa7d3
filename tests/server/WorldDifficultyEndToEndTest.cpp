// The shipped world at the hardest difficulty, through the program's own
// start-up on data/: the same layout as at Normal with higher monster levels,
// and monsters for every level with monsters. Drops at a low and a high level
// come from different items.
#include "engine/app/Application.h"
#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/platform/LaunchOptions.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "support/HeadlessServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

const uint32_t kSeeds[] = {1u, 2u, 3u, 4242u, 0x7FFFFFFFu};
constexpr int kLegendary = 3;

// The headless program on data/, with the world set back to Normal when it goes.
class Program : public HeadlessServer {
public:
    ~Program()
    {
        if (GameData::instance())
            GameData::get().setWorldDifficulty(0);
    }

    // A new world of the seed at the difficulty, loaded with the difficulty
    // as its start index, as a new game loads it.
    void loadWorld(uint32_t seed, int difficulty)
    {
        GameData::get().setWorldDifficulty(difficulty);
        world->setStartLevelIndex(difficulty);
        world->setWorldSeed(seed);
        world->load();
        world->setSecretSeed(777);
        world->createSecretLevels();
        game->resizeForWorld(world->getLevelCount());
    }

    struct LevelFacts {
        std::string area;
        int column = 0;
        int row = 0;
        int monsterLevel = 0;
    };
    std::vector<LevelFacts> facts() const
    {
        std::vector<LevelFacts> out;
        for (int i = 0; i < world->getLevelCount(); ++i) {
            const Level* l = world->getLevel(i);
            out.push_back({l->definition->entryName, l->gridColumn, l->gridRow, l->monsterLevel});
        }
        return out;
    }
};

TEST(WorldDifficultyEndToEnd, TheSameWorldAtLegendaryFindsMonstersOnEveryLevelWithMonsters)
{
    Program program;
    ASSERT_NE(program.world, nullptr);
    ASSERT_NE(program.game, nullptr);
    ASSERT_NE(program.spawns, nullptr);
    const GameRules& rules = GameData::get().rules();
    ASSERT_EQ(rules.startingMonsterLevels.size(), static_cast<size_t>(kWorldDifficultyCount));
    const int shift = rules.startingMonsterLevels[kLegendary] - rules.startingMonsterLevels[0];
    const int minLevel = rules.worldDifficultyMinLevel[kLegendary];

    for (uint32_t seed : kSeeds) {
        SCOPED_TRACE(seed);
        program.loadWorld(seed, 0);
        const std::vector<Program::LevelFacts> normal = program.facts();
        program.loadWorld(seed, kLegendary);
        const std::vector<Program::LevelFacts> legendary = program.facts();

        // The same layout; every level, the secret ones too, is harder by
        // the difference of the starting levels.
        ASSERT_EQ(legendary.size(), normal.size());
        for (size_t i = 0; i < normal.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(legendary[i].area, normal[i].area);
            EXPECT_EQ(legendary[i].column, normal[i].column);
            EXPECT_EQ(legendary[i].row, normal[i].row);
            EXPECT_EQ(legendary[i].monsterLevel, normal[i].monsterLevel + shift);
        }

        Random::setState(0, seed * 7u + 1u);
        int levelsWithMonsters = 0;
        for (int i = 0; i < program.world->getLevelCount(); ++i) {
            const Level* level = program.world->getLevel(i);
            const AreaDefinition* area = level->definition;
            if (area->monsterChancePerBlock <= 0.0f)
                continue;
            ++levelsWithMonsters;
            SCOPED_TRACE(program.world->getLevelName(i) + " level " + std::to_string(i));
            EXPECT_GE(level->monsterLevel, minLevel);
            EXPECT_FALSE(area->getActiveTypes().empty());
            // The level's monsters (no recruits: multiplier 0) are the area's
            // types at Legendary levels.
            for (int n = 0; n < 8; ++n) {
                std::unique_ptr<Actor> monster(program.spawns->spawnMonsterForLevel(i, 0.0f));
                ASSERT_NE(monster, nullptr);
                ASSERT_NE(monster->getMonsterType(), nullptr);
                EXPECT_TRUE(level->isMonsterOfArea(monster->getMonsterType()))
                    << monster->getMonsterType()->getEntryName();
                const int monsterLevel = monster->getStat(toIndex(CharacterStat::Level));
                EXPECT_GE(monsterLevel, minLevel) << monster->getMonsterType()->getEntryName();
                EXPECT_LE(monsterLevel, rules.maxLevel) << monster->getMonsterType()->getEntryName();
            }
        }
        EXPECT_GT(levelsWithMonsters, 10);
    }
}

TEST(WorldDifficultyEndToEnd, DropsAtLevelTwoAndAtLevelFortyComeFromDifferentItems)
{
    Program program;
    ASSERT_NE(program.spawns, nullptr);
    Random::setState(0, 4242u);
    // Plain drops with the shipped spreads (negative: the settings), no money.
    auto dropped = [&](int base) {
        std::set<std::string> names;
        for (int n = 0; n < 600; ++n) {
            std::unique_ptr<Item> item = program.spawns->createRandomItem(base, 0, -1, -1, -1.0f, -1, false,
                                                                          0, nullptr, ItemRarity::Normal);
            // Set, unique and artifact drops come from their own tables.
            if (item && item->getRarity() <= ItemRarity::VeryRare)
                names.insert(item->getEntry()->getName());
        }
        return names;
    };
    const std::set<std::string> low = dropped(2);
    const std::set<std::string> high = dropped(40);
    EXPECT_GE(low.size(), 10u);
    EXPECT_GE(high.size(), 10u);
    for (const std::string& name : low)
        EXPECT_FALSE(high.count(name)) << name << " drops at level 2 and at level 40";
}

} // namespace

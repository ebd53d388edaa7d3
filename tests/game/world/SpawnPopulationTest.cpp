#include "engine/console/CommandSystem.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "game/entities/Actor.h"
#include "game/world/FightingServices.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"
#include "game/world/LevelFixture.h"
#include "game/world/LevelLayout.h"
#include "game/world/SpawnSystem.h"
#include "support/StandInPlayer.h"

#include <cmath>
#include <vector>

namespace {

// A built forest level in the World, with the Game and the spawn system.
class SpawnPopulationTest : public LevelFixture {
protected:
    SpawnPopulationTest()
    {
        registerFightingServices();
        registerGameClasses();
        classes.declareAllEvents();
        classes.bindAllHandlers();
        game = std::make_unique<Game>();
        spawns.load();
        level = builtLevel(definition("AreaDarkwood"), 4242);
        level->monsterLevel = 6;
        game->resizeForWorld(world->getLevelCount());
        addStandInPlayer(*game);
    }
    ~SpawnPopulationTest() override
    {
        game->clear();
        game.reset();
    }

    std::vector<Actor*> monsters() const
    {
        std::vector<Actor*> out;
        for (int i = 0; i < Game::kMaxEntities; ++i)
            if (auto* a = dynamic_cast<Actor*>(game->getEntity(i)))
                out.push_back(a);
        return out;
    }
    bool reached(int place) const
    {
        const LevelLayout* layout = level->getLayout();
        return layout->places[static_cast<size_t>(place)] >= 0 &&
               (layout->reached.empty() || layout->reached[static_cast<size_t>(place)]);
    }

    EventSystem events;
    ClassRegistry classes;
    CommandSystem commands;
    std::unique_ptr<Game> game;
    SpawnSystem spawns;
    Level* level = nullptr;
};

TEST_F(SpawnPopulationTest, ABlockIsPopulatedWhereItsNumberSaysAndOnlyOnce)
{
    const GameRules& rules = data->rules();
    const int columns = rules.blocksAcross;
    const float blockSize = static_cast<float>(rules.blockTileWidth) * rules.tileSize;
    const float margin = static_cast<float>(rules.freeSpotRingLimit + 1) * rules.gridSize;
    int placed = 0;
    // Blocks off the diagonal whose transposed block lies elsewhere.
    for (int row = 0; row < rules.blocksDown && placed < 12; ++row) {
        for (int column = 0; column < columns && placed < 12; ++column) {
            const int block = row * columns + column;
            if (row == column || !reached(block))
                continue;
            EXPECT_EQ(spawns.populateBlock(level->zone, block), 1);
            EXPECT_TRUE(game->isBlockPopulated(level->zone, block));
            for (Actor* a : monsters()) {
                const ZonePosition& p = a->getPosition();
                EXPECT_EQ(p.zone, level->zone);
                EXPECT_FALSE(world->isBlockedForMovement(p)) << "on a free cell";
                EXPECT_GE(p.x, column * blockSize - margin);
                EXPECT_LT(p.x, (column + 1) * blockSize + margin);
                EXPECT_GE(p.y, row * blockSize - margin);
                EXPECT_LT(p.y, (row + 1) * blockSize + margin);
                ++placed;
            }
            // Again: already done, nothing more.
            const size_t before = monsters().size();
            EXPECT_EQ(spawns.populateBlock(level->zone, block), 1);
            EXPECT_EQ(monsters().size(), before);
            // The monsters go; the level records come back empty.
            game->clear();
            game->resizeForWorld(world->getLevelCount());
            addStandInPlayer(*game);
        }
    }
    EXPECT_GT(placed, 0);

    // Before anyone has joined nothing is placed, and the block waits.
    game->clear();
    game->resizeForWorld(world->getLevelCount());
    int block = 0;
    while (!reached(block))
        ++block;
    EXPECT_EQ(spawns.populateBlock(level->zone, block), 0);
    EXPECT_TRUE(monsters().empty());
    addStandInPlayer(*game);
    EXPECT_EQ(spawns.populateBlock(level->zone, block), 1);

    // Blocks the level does not have, and levels not built, wait.
    EXPECT_EQ(spawns.populateBlock(level->zone, columns * rules.blocksDown), 0);
    EXPECT_EQ(spawns.populateBlock(level->zone, -1), 0);
    EXPECT_EQ(spawns.populateBlock(level->zone + 5, 1), 0);
    Level* unbuilt = addLevel(definition("AreaDarkwood"), 9);
    game->resizeForWorld(world->getLevelCount());
    EXPECT_EQ(spawns.populateBlock(unbuilt->zone, 1), 0);
    EXPECT_FALSE(game->isBlockPopulated(unbuilt->zone, 1));
    // Before anyone has joined nothing is placed.
    game->clear();
    game->resizeForWorld(world->getLevelCount());
    EXPECT_EQ(spawns.populateBlock(level->zone, columns + 2), 0);
    EXPECT_FALSE(game->isBlockPopulated(level->zone, columns + 2));
}

} // namespace

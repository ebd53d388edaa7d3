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

TEST_F(SpawnPopulationTest, MonstersPutInBeforeTheLevelWasBuiltMoveToTheNearestGround)
{
    const GameRules& rules = data->rules();
    const float cell = rules.gridSize;
    const float blockSize = static_cast<float>(rules.blockTileWidth) * rules.tileSize;
    const MonsterType* type = data->findMonsterType("GoblinScout");
    ASSERT_NE(type, nullptr);
    // The three east block columns become rock: a band far wider than the
    // ring limit, as a level's walled edge can be.
    LevelLayout* layout = level->getLayout();
    ASSERT_NE(layout, nullptr);
    if (layout->reached.empty())
        layout->reached.assign(layout->places.size(), true);
    const int firstRock = rules.blocksAcross - 3;
    for (int row = 0; row < rules.blocksDown; ++row)
        for (int column = firstRock; column < rules.blocksAcross; ++column)
            layout->reached[static_cast<size_t>(row * rules.blocksAcross + column)] = false;
    const float bandEdge = static_cast<float>(firstRock) * blockSize;
    const float lastGround = bandEdge - cell * 0.5f; // the column of cells just west of the band
    const float lastColumn = static_cast<float>(rules.blocksAcross) * blockSize - cell * 0.5f;

    auto make = [&](const ZonePosition& at, bool relocated) {
        Actor* actor = spawns.createMonster(type, level->zone, 3);
        actor->relocated = relocated;
        actor->setPosition(at);
        actor->setSecondaryPosition(at);
        EXPECT_GE(game->addEntity(actor), 0);
        return actor;
    };
    // A row whose last cell before the band is ground for this monster.
    float row = -1.0f;
    {
        Actor* probe = make(ZonePosition(level->zone, 0.0f, 0.0f), false);
        for (float y = cell * 0.5f; y < rules.levelHeight && row < 0.0f; y += cell)
            if (game->isPlaceFree(ZonePosition(level->zone, lastGround, y), probe, 3))
                row = y;
        game->removeEntity(probe);
        delete probe;
    }
    ASSERT_GE(row, 0.0f);
    const int deep = static_cast<int>((lastColumn - lastGround) / cell);
    ASSERT_GT(deep, rules.freeSpotRingLimit) << "the band must outreach the ring limit";

    struct Case {
        const char* what;
        float x;
        bool relocated;
        bool moves;
    };
    const Case cases[] = {
        {"in the level's last column, deep in the band", lastColumn, true, true},
        {"just inside the band, within the ring limit", bandEdge + 2.5f * cell, true, true},
        {"already on ground", lastGround, true, false},
        {"in the band but never marked for moving", lastColumn, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ZonePosition start(level->zone, c.x, row);
        Actor* actor = make(start, c.relocated);
        game->relocateBlockedEntities(level->zone);
        const ZonePosition& p = actor->getPosition();
        if (!c.moves) {
            EXPECT_EQ(p, start);
        } else {
            EXPECT_TRUE(game->isPlaceFree(p, actor, 3)) << p.x << " " << p.y;
            EXPECT_EQ(p.zone, level->zone);
            // No ground lies east of the band's edge, so the nearest ring
            // that holds any meets it in the last column before the band.
            EXPECT_FLOAT_EQ(p.x, lastGround);
            EXPECT_LE(std::fabs(p.y - row), c.x - lastGround + 0.5f);
            EXPECT_EQ(p, actor->getSecondaryPosition());
        }
        game->removeEntity(actor);
        delete actor;
    }

    // A level with no ground at all: the monster stays and the log says so.
    std::fill(layout->reached.begin(), layout->reached.end(), false);
    const ZonePosition start(level->zone, lastColumn, row);
    Actor* stuck = make(start, true);
    game->relocateBlockedEntities(level->zone);
    EXPECT_EQ(stuck->getPosition(), start);
    EXPECT_TRUE(log.contains("has no free ground"));
    game->removeEntity(stuck);
    delete stuck;
}

} // namespace

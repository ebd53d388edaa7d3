#include "engine/console/UserVarSystem.h"
#include "engine/core/ZoneTopology.h"
#include "game/entities/Entity.h"
#include "game/world/AreaResource.h"
#include "game/world/Game.h"
#include "game/world/LevelFixture.h"

namespace {

// Two meadow levels side by side, open to each other.
class WorldCellsTest : public LevelFixture {
protected:
    WorldCellsTest()
    {
        west = addLevel(definition("AreaMeadows"), 31, {1, 1, 2, 1});
        east = addLevel(definition("AreaMeadows"), 32, {1, 2, 1, 1});
        west->neighbours[3] = east->zone;
        east->neighbours[7] = west->zone;
        for (Level* l : {west, east}) {
            l->acquire(7);
            l->ensureLayout();
        }
    }
    Level* west = nullptr;
    Level* east = nullptr;
};

TEST_F(WorldCellsTest, CellsWrapIntoTheNeighbour)
{
    EXPECT_EQ(world->getNeighbourLevel(west->zone, 1, 0), east->zone);
    EXPECT_EQ(world->getNeighbourLevel(west->zone, -1, 1), -1);
    EXPECT_EQ(ZoneTopology::current().neighbour(east->zone, -1, 0), west->zone);
    int x = 130, y = 5, level = west->zone;
    EXPECT_TRUE(world->wrapCell(x, y, level));
    EXPECT_EQ(x, 2);
    EXPECT_EQ(level, east->zone);
    x = -1, y = 5, level = west->zone;
    EXPECT_FALSE(world->wrapCell(x, y, level));
    x = 5, y = 5, level = -1;
    EXPECT_FALSE(world->wrapCell(x, y, level));
    EXPECT_EQ(world->getBuildCell(128, 40, west->zone), &east->getGroundCell(0, 40));
    EXPECT_EQ(world->getBuildCell(-1, 40, west->zone), nullptr);
    EXPECT_EQ(world->getCellShader(129, 7, west->zone).getIndex(), east->getCellTile(1, 7).getIndex());
    EXPECT_TRUE(world->isLevelLoaded(west->zone));
    EXPECT_FALSE(world->isLevelLoaded(5));
    EXPECT_FALSE(world->isLevelLoaded(-1));
}

TEST_F(WorldCellsTest, APlaceIsFreeOnlyWhenTheBodyClearsTheWalls)
{
    // A free cell with a wall east of it and nothing else within one ring.
    int fx = -1, fy = -1;
    for (int cy = 10; cy < 118 && fx < 0; ++cy) {
        for (int cx = 10; cx < 118 && fx < 0; ++cx) {
            int walls = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    walls += west->isCellBlockedForMovement(cx + dx, cy + dy) ? 1 : 0;
            if (walls == 1 && west->isCellBlockedForMovement(cx + 1, cy)) {
                fx = cx, fy = cy;
            }
        }
    }
    ASSERT_GE(fx, 0);
    const ZonePosition centre(west->zone, fx * 32.0f + 16.0f, fy * 32.0f + 16.0f);
    Game game;
    Entity body;
    body.setRadius(16.0f); // within its own cell
    EXPECT_TRUE(game.isPlaceFree(centre, &body));
    body.setRadius(31.9f);
    EXPECT_TRUE(game.isPlaceFree(centre, &body));
    body.setRadius(32.0f); // reaches the wall's ring
    EXPECT_FALSE(game.isPlaceFree(centre, &body));
    EXPECT_FALSE(world->isCircleBlocked(centre, 31.9f));
    EXPECT_TRUE(world->isCircleBlocked(centre, 32.0f));
}

TEST_F(WorldCellsTest, AChangedGroundDetailReachesTheBuiltLevels)
{
    UserVarSystem vars;
    AreaResource* area = west->getArea();
    ASSERT_NE(area, nullptr);
    ASSERT_EQ(area, east->getArea());
    ASSERT_GE(area->getTiles().size(), 2u);
    // A drawn tile of the west level and another tile of its area.
    int tx = -1, ty = -1;
    for (int y = 0; y < 128 && tx < 0; ++y)
        for (int x = 0; x < 128 && tx < 0; ++x)
            if (west->getCellTile(x, y).isValid()) {
                tx = x, ty = y;
            }
    ASSERT_GE(tx, 0);
    const int drawnBefore = west->getCellTile(tx, ty).getIndex();
    const AreaTile* from = nullptr;
    const AreaTile* to = nullptr;
    for (const AreaTile& tile : area->getTiles()) {
        (tile.shader.getIndex() == drawnBefore && !from ? from : to) = &tile;
    }
    ASSERT_NE(from, nullptr);
    ASSERT_NE(to, nullptr);
    database.addSubDatabase("Detail", "detail.dbl",
                            "GroundDetailwildernessLow {\n    Replace " + from->name + "\n    With " +
                                to->name + "\n}\n");
    database.resolveBases();
    const int cellBefore = west->getGroundCell(tx, ty).shader.getIndex();

    vars.setVar("r_groundDetail", "1"); // "Low"
    world->applyGroundDetail();
    EXPECT_EQ(west->getCellTile(tx, ty).getIndex(), to->baseShader.getIndex());
    EXPECT_EQ(world->getCellShader(tx, ty, west->zone).getIndex(), to->baseShader.getIndex());
    const GroundCell& rebuilt = west->getGroundCell(tx, ty);
    EXPECT_TRUE(rebuilt.built);
    EXPECT_NE(rebuilt.shader.getIndex(), cellBefore);

    // Back to normal detail: the tile's own shader again.
    vars.setVar("r_groundDetail", "2");
    world->applyGroundDetail();
    EXPECT_EQ(west->getCellTile(tx, ty).getIndex(), drawnBefore);
    EXPECT_EQ(west->getGroundCell(tx, ty).shader.getIndex(), cellBefore);
}

TEST_F(WorldCellsTest, BlockedCellsAcrossLevelEdges)
{
    // Cell floor((x - 16) / 32 + 0.5) is floor(x / 32).
    for (int cy = 20; cy < 100; cy += 7) {
        for (int cx = 120; cx < 136; ++cx) {
            ZonePosition p(west->zone, cx * 32.0f + 5.0f, cy * 32.0f + 20.0f);
            const bool expected = cx < 128 ? west->isCellBlockedForMovement(cx, cy)
                                           : east->isCellBlockedForMovement(cx - 128, cy);
            EXPECT_EQ(world->isBlockedForMovement(p), expected) << cx << " " << cy;
        }
    }
    EXPECT_TRUE(world->isBlockedForMovement(ZonePosition(-1, 100.0f, 100.0f)));
    EXPECT_TRUE(world->isBlockedForSight(ZonePosition(west->zone, -40.0f, 100.0f)));
    // The bottom row is walled: a circle reaching it is blocked.
    int freeX = -1;
    for (int cx = 20; cx < 100 && freeX < 0; ++cx) {
        bool clear = true;
        for (int dy = -2; dy <= 2 && clear; ++dy)
            for (int dx = -2; dx <= 2 && clear; ++dx)
                clear = !west->isCellBlockedForMovement(cx + dx, 60 + dy);
        if (clear) {
            freeX = cx;
        }
    }
    ASSERT_GE(freeX, 0);
    ZonePosition p(west->zone, freeX * 32.0f + 16.0f, 60 * 32.0f + 16.0f);
    EXPECT_FALSE(world->isCircleBlocked(p, 0.0f));
    EXPECT_FALSE(world->isCircleBlocked(p, 60.0f));
    EXPECT_TRUE(world->isCircleBlocked(ZonePosition(west->zone, freeX * 32.0f + 16.0f, 48.0f), 40.0f));

    int mx = 0, my = 0;
    positionToMapCell(100.0f, 65.0f, mx, my);
    EXPECT_EQ(mx, 3);
    EXPECT_EQ(my, 2);
}

} // namespace

#include "engine/core/ZoneTopology.h"
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

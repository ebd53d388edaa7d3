#include "game/world/LevelFixture.h"
#include "game/world/PathFinder.h"
#include "support/TileTerrain.h"

#include <random>

namespace {

// Searches on a built forest level read its walls through the World.
class PathFinderLevelTest : public LevelFixture {
protected:
    PathFinderLevelTest() { level = builtLevel(definition("AreaDarkwood"), 4242); }

    static ZonePosition tileCentre(int zone, int tx, int ty)
    {
        return {zone, 16.0f + 32.0f * tx, 16.0f + 32.0f * ty};
    }
    bool walkable(int zone, int tx, int ty) { return !world->isBlockedForMovement(tileCentre(zone, tx, ty)); }

    Level* level = nullptr;
    PathFinder finder;
    ObstacleMover mover;
};

TEST_F(PathFinderLevelTest, WalksKeepToOpenTilesAndReachTheGoal)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> along(30, 97);
    int searched = 0, found = 0;
    for (int round = 0; round < 300 && searched < 60; ++round) {
        const int sx = along(rng), sy = along(rng);
        const int gx = sx + (round % 2 ? 20 : -20), gy = sy + (round % 3) * 7 - 7;
        if (!walkable(level->zone, sx, sy) || !walkable(level->zone, gx, gy))
            continue;
        ++searched;
        mover.setRadius(round % 4 == 0 ? 12.0f : 0.0f);
        mover.setPosition(tileCentre(level->zone, sx, sy));
        GridPath path;
        if (!finder.findPath(&mover, mover.getPosition(), tileCentre(level->zone, gx, gy), nullptr, path))
            continue;
        ++found;
        int x = sx, y = sy;
        for (int i = 0; i < path.stepCount; ++i) {
            GridStep s = gridStepOfCode(path.codes[static_cast<size_t>(i)]);
            x += s.dx;
            y += s.dy;
            ASSERT_TRUE(walkable(level->zone, x, y)) << round << " step " << i;
        }
        EXPECT_EQ(x, gx) << round;
        EXPECT_EQ(y, gy) << round;
    }
    EXPECT_GE(searched, 60);
    EXPECT_GT(found, searched / 2);

    // Nothing walks on a level that is not built.
    mover.setPosition(tileCentre(level->zone + 1, 60, 60));
    GridPath path;
    EXPECT_FALSE(
        finder.findPath(&mover, mover.getPosition(), tileCentre(level->zone + 1, 62, 60), nullptr, path));
}

} // namespace

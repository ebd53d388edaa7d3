#include "game/world/PathFinder.h"

#include "engine/app/AppHooks.h"
#include "engine/core/MathUtil.h"
#include "engine/core/ZoneTopology.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/ListPathSearch.h"
#include "game/world/WorldHooks.h"
#include "support/TestSupport.h"
#include "support/TileTerrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace {

constexpr int kZone = 0;

// Tiles of 32 centred on 16 + 32k, one open zone of 128 × 128 tiles; the mover
// stands on tile (60, 60).
class PathFinderTest : public ::testing::Test {
protected:
    PathFinderTest()
    {
        data.mutableRules().tileSize = 32.0f;
        setGrid(32.0f, 32.0f, 16.0f, 16.0f);
        ZoneTopology::setSize(4096.0f, 4096.0f);
        terrain.openZone(kZone);
        finder.setTerrain(&terrain);
        mover.setPosition(terrain.tileCentre(kZone, 60, 60));
    }
    ~PathFinderTest() override
    {
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
    }

    ZonePosition tile(int dx, int dy) const { return terrain.tileCentre(kZone, 60 + dx, 60 + dy); }
    // The tile offsets the walk passes, from the mover's tile.
    std::vector<std::pair<int, int>> walk(const GridPath& path) const
    {
        std::vector<std::pair<int, int>> cells;
        int x = 0, y = 0;
        for (int i = 0; i < path.stepCount; ++i) {
            GridStep s = gridStepOfCode(path.codes[static_cast<size_t>(i)]);
            x += s.dx;
            y += s.dy;
            cells.emplace_back(x, y);
        }
        return cells;
    }
    static int turns(const GridPath& path)
    {
        int n = 0;
        for (int i = 1; i < path.stepCount; ++i)
            n += path.codes[static_cast<size_t>(i)] != path.codes[static_cast<size_t>(i - 1)];
        return n;
    }

    LogCapture log;
    GameData data;
    TileTerrain terrain;
    PathFinder finder;
    ObstacleMover mover;
};

TEST_F(PathFinderTest, GoalsOffTheGridAndMissingMoversFailAtOnce)
{
    GridPath path;
    path.stepCount = 7;
    EXPECT_FALSE(finder.findPath(&mover, mover.getPosition(), tile(26, 0), nullptr, path));
    EXPECT_FALSE(finder.findPath(&mover, mover.getPosition(), tile(3, -26), nullptr, path));
    EXPECT_EQ(finder.getPopCount(), 0);
    EXPECT_FALSE(finder.findPath(nullptr, mover.getPosition(), tile(1, 0), nullptr, path));
    EXPECT_EQ(path.stepCount, 7) << "a failure leaves the path alone";

    ASSERT_TRUE(finder.findPath(&mover, mover.getPosition(), tile(25, -25), nullptr, path));
    EXPECT_EQ(path.stepCount, 25);
    EXPECT_EQ(walk(path).back(), std::make_pair(25, -25));
    EXPECT_EQ(finder.getFreeNodeCount(), PathFinder::kPoolSize);

    // The goal cell is taken from the from position, not from the mover.
    ASSERT_TRUE(finder.findPath(&mover, tile(-5, 0), tile(-2, 0), nullptr, path));
    EXPECT_EQ(walk(path).back(), std::make_pair(3, 0));
}

TEST_F(PathFinderTest, BlockedGoalIsApproachedWithinRange)
{
    terrain.block(kZone, 70, 60);
    GridPath path;
    ASSERT_TRUE(finder.findPath(&mover, mover.getPosition(), tile(10, 0), nullptr, path));
    EXPECT_EQ(walk(path).back(), std::make_pair(9, 0)) << "1.5 tiles: the first neighbouring tile";

    // A goal walled in on all eight sides is only approached, and 1.5 tiles
    // reach no open tile; a target entity's radius and the mover's do.
    terrain.clear();
    for (int d = 0; d < 8; ++d) {
        GridStep s = gridStepOfCode(d);
        terrain.block(kZone, 70 + s.dx, 60 + s.dy);
    }
    EXPECT_FALSE(finder.findPath(&mover, mover.getPosition(), tile(10, 0), nullptr, path));
    Entity target;
    target.setRadius(40.0f);
    mover.setRadius(8.0f);
    ASSERT_TRUE(finder.findPath(&mover, mover.getPosition(), tile(10, 0), &target, path));
    EXPECT_EQ(walk(path).back(), std::make_pair(8, 0))
        << "within 48 + 48 units, strictly: 3 tiles are too far";

    terrain.clear();
    ASSERT_TRUE(finder.findPath(&mover, mover.getPosition(), tile(10, 0), &target, path));
    EXPECT_EQ(walk(path).back(), std::make_pair(8, 0));
}

TEST_F(PathFinderTest, StraightRoutesWinAndEveryTurnCosts)
{
    GridPath path;
    ASSERT_TRUE(finder.findPath(&mover, mover.getPosition(), tile(6, 0), nullptr, path));
    EXPECT_EQ(path.stepCount, 6);
    EXPECT_EQ(turns(path), 0);
    ASSERT_TRUE(finder.findPath(&mover, mover.getPosition(), tile(-4, -4), nullptr, path));
    EXPECT_EQ(path.stepCount, 4);
    EXPECT_EQ(path.codes[0], 5);
    EXPECT_EQ(turns(path), 0);
    // Diagonals and straight steps in any order cost the same; the turns
    // decide: one bend.
    ASSERT_TRUE(finder.findPath(&mover, mover.getPosition(), tile(7, 3), nullptr, path));
    EXPECT_EQ(path.stepCount, 7);
    EXPECT_EQ(turns(path), 1);
    EXPECT_EQ(walk(path).back(), std::make_pair(7, 3));
}

TEST_F(PathFinderTest, NoCollisionMoversWalkThroughEverythingButStayOnTheGrid)
{
    for (int y = 40; y < 80; ++y)
        terrain.block(kZone, 63, y);
    terrain.block(kZone, 85, 60);
    mover.setFlags(EntityBase::kFlagNoCollision);
    GridPath path;
    ASSERT_TRUE(finder.findPath(&mover, mover.getPosition(), tile(25, 0), nullptr, path));
    EXPECT_EQ(path.stepCount, 25);
    EXPECT_EQ(turns(path), 0);
    EXPECT_EQ(mover.markCalls, 0) << "nothing to mark for a mover that ignores collisions";
    EXPECT_FALSE(finder.isCellBlocked(-1, 3, true));
    EXPECT_FALSE(finder.findPath(&mover, mover.getPosition(), tile(26, 0), nullptr, path));

    mover.setFlags(0);
    EXPECT_FALSE(finder.findPath(&mover, mover.getPosition(), tile(10, 0), nullptr, path))
        << "a wall of 40 tiles leaves no way within 500 expansions";
    EXPECT_EQ(finder.getPopCount(), PathFinder::kMaxPops);
    EXPECT_EQ(mover.markCalls, 1);
}

TEST_F(PathFinderTest, ObstaclesAndTheMoversRadiusKeepTheWalkClear)
{
    Entity other;
    other.setRadius(20.0f);
    other.setPosition(tile(4, 0));
    Entity farAway;
    farAway.setPosition(tile(0, 15)); // outside the 320 × 240 box
    mover.nearby = {&other, &farAway};
    mover.setRadius(20.0f);
    GridPath path;
    ASSERT_TRUE(finder.findPath(&mover, mover.getPosition(), tile(8, 0), nullptr, path));
    EXPECT_EQ(finder.getGrid().obstacles.size(), 1u);
    EXPECT_EQ(finder.getGrid().cells[static_cast<size_t>(PathGrid::indexOf(29, 25))], PathGrid::kObstacle);
    for (auto [x, y] : walk(path)) {
        ZonePosition p = tile(x, y);
        EXPECT_GT(ZonePosition::distanceTo(p, other.getPosition()), 40.0f) << x << " " << y;
    }

    // A radius of one tile and more keeps a ring of tiles off walls: a gap of
    // one tile no longer lets the mover through.
    mover.nearby.clear();
    for (int y = 30; y < 90; ++y)
        if (y != 60)
            terrain.block(kZone, 64, y);
    mover.setRadius(10.0f);
    ASSERT_TRUE(finder.findPath(&mover, mover.getPosition(), tile(8, 0), nullptr, path));
    EXPECT_EQ(path.stepCount, 8);
    mover.setRadius(40.0f);
    EXPECT_FALSE(finder.findPath(&mover, mover.getPosition(), tile(8, 0), nullptr, path));
    // Also when the walls beside the gap were met first, as steps.
    terrain.unblock(kZone, 64, 59);
    terrain.unblock(kZone, 64, 61);
    terrain.block(kZone, 65, 59);
    terrain.block(kZone, 65, 61);
    terrain.block(kZone, 64, 60);
    terrain.unblock(kZone, 65, 60);
    mover.setPosition(tile(3, 0));
    EXPECT_FALSE(finder.findPath(&mover, mover.getPosition(), tile(8, 0), nullptr, path));
    mover.setPosition(tile(0, 0));
    finder.buildGrid(&mover);

    // Marking a position off the grid does nothing.
    PathGrid& grid = finder.getGrid();
    PathFinder::markCellBlocked(tile(30, 0), grid);
    PathFinder::markCellBlocked(tile(-1, 25), grid);
    EXPECT_EQ(grid.cells[static_cast<size_t>(PathGrid::indexOf(24, 50))], PathGrid::kObstacle);
    int obstacles = 0;
    for (int c : grid.cells)
        obstacles += c == PathGrid::kObstacle;
    EXPECT_EQ(obstacles, 1);
}

TEST_F(PathFinderTest, UnbuiltLevelsAreWalls)
{
    // Zone 0 ends at tile 127 and has no neighbour: nothing beyond it.
    mover.setPosition(terrain.tileCentre(kZone, 120, 60));
    GridPath path;
    EXPECT_FALSE(
        finder.findPath(&mover, mover.getPosition(), terrain.tileCentre(kZone, 130, 60), nullptr, path));
}

// A corridor winding over the grid: the walk to its end is longer than a
// path holds. The first 250 steps come back, the way out of the mover's tile.
TEST_F(PathFinderTest, LongWalksKeepTheirFirstSteps)
{
    for (int y = 35; y <= 85; ++y)
        for (int x = 35; x <= 85; ++x)
            terrain.block(kZone, x, y);
    auto open = [&](int gx, int gy) { terrain.unblock(kZone, 35 + gx, 35 + gy); };
    // Rows 25, 27, … 41 of the grid run from x 5 to 45, joined at alternate ends.
    for (int row = 0; row < 9; ++row) {
        int y = 25 + 2 * row;
        for (int x = 5; x <= 45; ++x)
            open(x, y);
        if (row < 8)
            open(row % 2 == 0 ? 45 : 5, y + 1);
    }
    GridPath path;
    ListPathSearch list(finder);
    const ZonePosition goal = terrain.tileCentre(kZone, 35 + 45, 35 + 41);
    ListPathResult full = list.findPath(&mover, mover.getPosition(), goal, nullptr);
    ASSERT_TRUE(full.found);
    ASSERT_GT(full.codes.size(), 300u);
    ASSERT_TRUE(finder.findPath(&mover, mover.getPosition(), goal, nullptr, path));
    EXPECT_EQ(path.stepCount, GridPath::kMaxSteps);
    EXPECT_EQ(path.stepIndex, 0);
    for (int i = 0; i < GridPath::kMaxSteps; ++i)
        ASSERT_EQ(path.codes[static_cast<size_t>(i)], full.codes[static_cast<size_t>(i)]) << i;
    for (auto [x, y] : walk(path))
        ASSERT_FALSE(terrain.isTileBlocked(kZone, 60 + x, 60 + y));
}

// The heap gives exactly what the plain list search gives, on seeded grids
// with walls, obstacle entities, radii and targets.
TEST_F(PathFinderTest, HeapSearchMatchesThePlainListSearch)
{
    std::mt19937 rng(1234);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    ListPathSearch list(finder);
    std::vector<std::unique_ptr<Entity>> others;
    int found = 0, approached = 0;
    for (int round = 0; round < 1000; ++round) {
        terrain.clear();
        const int density = uniform(5, 40);
        for (int y = 35; y <= 85; ++y)
            for (int x = 35; x <= 85; ++x)
                if (uniform(0, 99) < density && !(x == 60 && y == 60))
                    terrain.block(kZone, x, y);
        // Obstacles cut across whole rows now and then, for long detours.
        if (uniform(0, 3) == 0) {
            int x = uniform(55, 70);
            for (int y = 36; y <= 84; ++y)
                if (uniform(0, 9) != 0)
                    terrain.block(kZone, x, y);
        }
        static const float kRadii[] = {0.0f, 10.0f, 20.0f, 32.0f, 40.0f, 47.0f};
        mover.setRadius(kRadii[uniform(0, 5)]);
        others.clear();
        mover.nearby.clear();
        for (int n = uniform(0, 4); n > 0; --n) {
            others.push_back(std::make_unique<Entity>());
            others.back()->setRadius(static_cast<float>(uniform(0, 30)));
            others.back()->setPosition(
                ZonePosition(kZone, 16.0f + 32.0f * 60 + static_cast<float>(uniform(-300, 300)),
                             16.0f + 32.0f * 60 + static_cast<float>(uniform(-220, 220))));
            mover.nearby.push_back(others.back().get());
        }
        Entity target;
        target.setRadius(static_cast<float>(uniform(0, 40)));
        Entity* goalEntity = uniform(0, 2) == 0 ? &target : nullptr;
        const ZonePosition to = tile(uniform(-27, 27), uniform(-27, 27));

        ListPathResult expected = list.findPath(&mover, mover.getPosition(), to, goalEntity);
        GridPath path;
        const bool ok = finder.findPath(&mover, mover.getPosition(), to, goalEntity, path);
        ASSERT_EQ(ok, expected.found) << "round " << round;
        if (!ok)
            continue;
        ++found;
        ASSERT_EQ(static_cast<size_t>(path.stepCount), std::min<size_t>(expected.codes.size(), 250)) << round;
        for (int i = 0; i < path.stepCount; ++i)
            ASSERT_EQ(path.codes[static_cast<size_t>(i)], expected.codes[static_cast<size_t>(i)]) << round;
        // The walk keeps to open tiles and ends on the goal tile or near it.
        auto cells = walk(path);
        for (auto [x, y] : cells)
            ASSERT_FALSE(terrain.isTileBlocked(kZone, 60 + x, 60 + y)) << round;
        int gx = terrain.tileOf(to.x) - 60, gy = terrain.tileOf(to.y) - 60;
        std::pair<int, int> end = cells.empty() ? std::make_pair(0, 0) : cells.back();
        if (end != std::make_pair(gx, gy)) {
            ++approached;
            float range = 1.5f * 32.0f + (goalEntity ? mover.getRadius() + target.getRadius() : 0.0f);
            EXPECT_LT(std::hypot(32.0f * (end.first - gx), 32.0f * (end.second - gy)), range) << round;
        }
    }
    EXPECT_GT(found, 300);
    EXPECT_GT(approached, 20);
}

TEST(PathFinderHooksTest, MadeAfterTheGameClassesAndGoneWhenTheGamesStop)
{
    LogCapture log;
    ResourceSystem resources;
    AppHooks hooks;
    bool existedAtStop = true;
    hooks.stopGames = [&] { existedAtStop = PathFinder::instance() != nullptr; };
    installWorldHooks(hooks);
    EXPECT_EQ(PathFinder::instance(), nullptr);
    hooks.registerGameClasses();
    PathFinder* made = PathFinder::instance();
    ASSERT_NE(made, nullptr);
    hooks.registerGameClasses();
    EXPECT_EQ(PathFinder::instance(), made) << "made once";
    hooks.stopGames();
    EXPECT_EQ(PathFinder::instance(), nullptr);
    EXPECT_FALSE(existedAtStop);
}

} // namespace

// Nine levels around the town, built on the loader thread and walked across.
#include "game/world/LevelFixture.h"

#include <chrono>
#include <deque>
#include <thread>

namespace {

class WorldLevelsTest : public LevelFixture {
protected:
    // Grid (x lateral, y depth) of 3 x 3 levels: the town in the middle,
    // meadows west and north, the darkwood east and south.
    WorldLevelsTest()
    {
        AreaDefinition* town = definition("AreaTown");
        AreaDefinition* meadows = definition("AreaMeadows");
        AreaDefinition* darkwood = definition("AreaDarkwood");
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 3; ++x) {
                AreaDefinition* def = x == 1 && y == 1                 ? town
                                      : (x == 0 || (x == 1 && y == 2)) ? meadows
                                                                       : darkwood;
                grid[y][x] = addLevel(def, 1000u + 77u * (y * 3 + x));
            }
        }
        static constexpr int kStep[8][2] = {{-1, 1}, {0, 1},  {1, 1},   {1, 0},
                                            {1, -1}, {0, -1}, {-1, -1}, {-1, 0}};
        static constexpr int kSideStep[4][2] = {{0, 1}, {-1, 0}, {1, 0}, {0, -1}};
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 3; ++x) {
                Level* l = grid[y][x];
                for (int d = 0; d < 8; ++d) {
                    const int nx = x + kStep[d][0];
                    const int ny = y + kStep[d][1];
                    l->neighbours[d] = nx >= 0 && nx < 3 && ny >= 0 && ny < 3 ? grid[ny][nx]->zone : -1;
                }
                for (int side = 0; side < 4; ++side) {
                    const int nx = x + kSideStep[side][0];
                    const int ny = y + kSideStep[side][1];
                    if (nx < 0 || nx >= 3 || ny < 0 || ny >= 3) {
                        l->borderKinds[side] = Level::kBorderClosed;
                    } else if (grid[ny][nx]->definition == l->definition) {
                        l->borderKinds[side] = Level::kBorderContinuous;
                    } else {
                        l->borderKinds[side] = Level::kBorderPassage;
                        l->borderOpenings[side] = 3;
                    }
                }
            }
        }
    }

    std::array<std::array<Level*, 3>, 3> grid{};
};

TEST_F(WorldLevelsTest, BuiltOnTheLoaderWalkedAcrossAndReleased)
{
    std::vector<int> before;
    for (int i = 0; i < resources.getEntryCount(); ++i) {
        before.push_back(resources.getRefCount(i));
    }
    resources.startLoader();
    for (int zone = 0; zone < world->getLevelCount(); ++zone) {
        world->getLevel(zone)->acquire(Level::kDrawingKey);
    }
    int frames = 0;
    auto loaded = [&] {
        for (int zone = 0; zone < world->getLevelCount(); ++zone) {
            if (!world->isLevelLoaded(zone)) {
                return false;
            }
        }
        return true;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!loaded() && std::chrono::steady_clock::now() < deadline) {
        world->completePendingBuilds();
        ++frames;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(loaded());
    EXPECT_GE(frames, 1);

    // A walk over free cells from the town centre reaches every level.
    const GameRules& r = data->rules();
    Level* town = grid[1][1];
    const int startX = static_cast<int>(r.townCenterPosition.x / 32.0f);
    const int startY = static_cast<int>(r.townCenterPosition.y / 32.0f);
    ASSERT_FALSE(world->isBlockedForMovement(
        ZonePosition(town->zone, r.townCenterPosition.x, r.townCenterPosition.y)));
    std::vector<std::vector<bool>> seen(world->getLevelCount(), std::vector<bool>(128 * 128, false));
    std::deque<std::array<int, 3>> queue{{town->zone, startX, startY}};
    seen[town->zone][startY * 128 + startX] = true;
    std::vector<int> reachedCells(world->getLevelCount(), 0);
    while (!queue.empty()) {
        auto [zone, cx, cy] = queue.front();
        queue.pop_front();
        ++reachedCells[zone];
        static constexpr int kDirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (const auto& d : kDirs) {
            int nx = cx + d[0], ny = cy + d[1], nz = zone;
            if (!world->wrapCollisionCell(nx, ny, nz) || seen[nz][ny * 128 + nx]) {
                continue;
            }
            seen[nz][ny * 128 + nx] = true;
            if (!world->isBlockedForMovement(ZonePosition(nz, nx * 32.0f + 16.0f, ny * 32.0f + 16.0f))) {
                queue.push_back({nz, nx, ny});
            }
        }
    }
    for (int zone = 0; zone < world->getLevelCount(); ++zone) {
        EXPECT_GT(reachedCells[zone], 1000) << world->getLevel(zone)->getName();
    }
    // The town wall blocks sight; the town's gate stands open.
    EXPECT_TRUE(world->isBlockedForSight(ZonePosition(town->zone, 16.0f, 40 * 32.0f + 16.0f)));
    EXPECT_FALSE(world->isBlockedForMovement(ZonePosition(town->zone, 16.0f, 55 * 32.0f + 16.0f)));

    // A ground cell at a level corner is built from four levels.
    Level* corner = grid[0][0];
    const GroundCell* cell = world->getBuildCell(127, 127, corner->zone);
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->shader.isValid());
    EXPECT_EQ(world->getBuildCell(128, 128, corner->zone), &grid[1][1]->getGroundCell(0, 0));

    for (int zone = 0; zone < world->getLevelCount(); ++zone) {
        world->getLevel(zone)->release(Level::kDrawingKey);
        EXPECT_EQ(world->getLevel(zone)->getLayout(), nullptr);
    }
    resources.stopLoader();
    for (int i = 0; i < resources.getEntryCount(); ++i) {
        EXPECT_EQ(resources.getRefCount(i), i < static_cast<int>(before.size()) ? before[i] : 0)
            << resources.getFileName(i);
    }
}

// A pass over the pending builds while the loader has not read the files:
// on its own pace the levels wait for a later pass; while the server plays
// the pass waits for the files, and every level is built, in level order.
TEST_F(WorldLevelsTest, APassWaitsForTheFilesOnlyWhileTheServerPlays)
{
    struct Case {
        bool waitForFiles;
        bool builtAfterOnePass;
    };
    for (const Case& c : {Case{false, false}, Case{true, true}}) {
        SCOPED_TRACE(c.waitForFiles ? "server playing" : "loader's pace");
        std::vector<int> built;
        const int listener =
            world->addLevelListener(World::kFirstBuilt, [&](int level) { built.push_back(level); });
        world->setBuildsWaitForFiles(c.waitForFiles);
        for (int zone = 0; zone < world->getLevelCount(); ++zone) {
            world->getLevel(zone)->acquire(Level::kDrawingKey);
        }
        world->completePendingBuilds();
        std::vector<int> expected;
        for (int zone = 0; zone < world->getLevelCount(); ++zone) {
            EXPECT_EQ(world->isLevelLoaded(zone), c.builtAfterOnePass) << "level " << zone;
            if (c.builtAfterOnePass) {
                expected.push_back(zone);
            }
        }
        EXPECT_EQ(built, expected);
        EXPECT_EQ(world->hasPendingBuilds(), !c.builtAfterOnePass);
        for (int zone = 0; zone < world->getLevelCount(); ++zone) {
            world->getLevel(zone)->release(Level::kDrawingKey);
        }
        world->removeLevelListener(listener);
        world->setBuildsWaitForFiles(false);
    }
}

} // namespace

#include "game/world/LevelFixture.h"
#include "game/world/ObjectFootprint.h"

#include <algorithm>

namespace {

class LevelCollisionTest : public LevelFixture {
protected:
    // The first level tile whose object model or tile shader name holds
    // the text; false when none.
    bool findTile(Level* level, const std::string& text, bool object, int& tileX, int& tileY)
    {
        AreaResource* area = level->getArea();
        for (int ty = 0; ty < 128; ++ty) {
            for (int tx = 0; tx < 128; ++tx) {
                const int block = level->getPlace(tx / 16, ty / 16);
                const AreaBlock* b = area->getBlock(block);
                if (!b || !level->isPlaceReachable(tx / 16, ty / 16)) {
                    continue;
                }
                const int e = b->cellElement(tx % 16, ty % 16);
                const std::string name =
                    object ? (b->objects[e].type >= 0 ? area->getObjectTypes()[b->objects[e].type].name
                                                      : std::string())
                           : area->getTiles()[b->tiles[e]].name;
                if (name.find(text) != std::string::npos) {
                    tileX = tx;
                    tileY = ty;
                    return true;
                }
            }
        }
        return false;
    }
};

TEST_F(LevelCollisionTest, UnbuiltOutsideAndUnusableCellsAreBlocked)
{
    Level* level = addLevel(definition("AreaMeadows"), 1);
    level->acquire(7);
    EXPECT_TRUE(level->isCellBlockedForMovement(40, 40)); // not built yet
    level->ensureLayout();
    int free = 0;
    for (int i = 0; i < 128; ++i) {
        free += !level->isCellBlockedForMovement(i, 64);
    }
    EXPECT_GT(free, 64);
    EXPECT_TRUE(level->isCellBlockedForMovement(-1, 5));
    EXPECT_TRUE(level->isCellBlockedForMovement(5, -1));
    EXPECT_TRUE(level->isCellBlockedForSight(128, 5));
    EXPECT_TRUE(level->isCellBlockedForSight(5, 128));

    Level* barrows = builtLevel(definition("AreaBarrows"), 2);
    for (int y = 0; y < 128; y += 5) {
        EXPECT_TRUE(barrows->isCellBlockedForMovement(5 * 16, y));
        EXPECT_TRUE(barrows->isCellBlockedForMovement(3, 5 * 16 + y % 16));
    }
}

TEST_F(LevelCollisionTest, EdgeWallsFollowTheBorderKinds)
{
    // Left side: an opening at place 3; right side open to the next level.
    Level* level = builtLevel(definition("AreaMeadows"), 3, {1, 0, 2, 1}, {-1, 3, -1, -1});
    for (int y = 0; y < 128; ++y) {
        const int place = y / 16;
        if (place != 3) {
            EXPECT_TRUE(level->isCellBlockedForMovement(0, y)) << y;
            EXPECT_TRUE(level->isCellBlockedForSight(0, y)) << y;
        }
        EXPECT_TRUE(level->isCellBlockedForMovement(5, 0)); // bottom wall
    }
    // The gap of the bottleneck band is free; so is the open right side
    // wherever its ground is.
    for (int y = 3 * 16 + 6; y <= 3 * 16 + 9; ++y) {
        EXPECT_FALSE(level->isCellBlockedForMovement(0, y)) << y;
    }
    int freeRight = 0;
    for (int y = 16; y < 112; ++y) {
        freeRight += !level->isCellBlockedForMovement(127, y);
    }
    EXPECT_GT(freeRight, 80);
}

TEST_F(LevelCollisionTest, ObjectsAndTilesBlockWhatTheySay)
{
    Level* level = nullptr;
    int bx = -1, by = -1, tx = -1, ty = -1, wx = -1, wy = -1;
    for (uint32_t seed = 1; seed < 40 && (bx < 0 || tx < 0 || wx < 0); ++seed) {
        level = builtLevel(definition("AreaMeadows"), seed, {2, 2, 2, 2});
        if (!findTile(level, "boulder", true, bx, by) || !findTile(level, "tree.mdl", true, tx, ty) ||
            !findTile(level, "water", false, wx, wy)) {
            bx = tx = wx = -1;
        }
    }
    ASSERT_GE(bx, 0);
    // The boulder's two cells: its tile and the one to its left.
    EXPECT_TRUE(level->isCellBlockedForMovement(bx, by));
    EXPECT_TRUE(level->isCellBlockedForMovement(bx - 1, by));
    EXPECT_TRUE(level->isCellBlockedForSight(bx, by));
    EXPECT_TRUE(level->isCellBlockedForSight(bx - 1, by));
    EXPECT_FALSE(level->isCellBlockedForMovement(bx + 1, by));
    EXPECT_TRUE(level->isCellBlockedForMovement(tx, ty));
    EXPECT_FALSE(level->isCellBlockedForSight(tx, ty));
    EXPECT_TRUE(level->isCellBlockedForMovement(wx, wy));
    EXPECT_FALSE(level->isCellBlockedForSight(wx, wy));

    // A tile made to block counts after the grids are cleared.
    AreaResource* area = level->getArea();
    int gx = -1, gy = -1;
    ASSERT_TRUE(findTile(level, "grass01", false, gx, gy));
    const int grass = area->findTileByName("Textures/areas/meadow/grass01.tga");
    ASSERT_GE(grass, 0);
    EXPECT_FALSE(level->isCellBlockedForMovement(gx, gy) && level->isCellBlockedForSight(gx, gy));
    ResourceHandle old = area->getTiles()[grass].shader;
    area->getTiles()[grass].shader = acquireShader("Textures/areas/meadow/rock01.tga", 1);
    EXPECT_FALSE(level->isCellBlockedForSight(gx, gy)); // still the old grid
    level->clearGrids();
    EXPECT_TRUE(level->isCellBlockedForMovement(gx, gy));
    EXPECT_TRUE(level->isCellBlockedForSight(gx, gy));
    area->getTiles()[grass].shader = old;
}

TEST_F(LevelCollisionTest, ObjectsThatAreEntitiesKeepTheirGroundButNotTheirFootprint)
{
    // A wall torch and a secret stand in the barrows' walls; a door on the
    // floor blocks only as a closed body, never by its cell.
    Level* level = nullptr;
    int lx = -1, ly = -1, sx = -1, sy = -1, dx = -1, dy = -1;
    for (uint32_t seed = 1; seed < 60 && (lx < 0 || dx < 0); ++seed) {
        level = builtLevel(definition("AreaBarrows"), seed);
        if (!findTile(level, "torch.mdl", true, lx, ly) || !findTile(level, "secret.mdl", true, sx, sy) ||
            !findTile(level, "door.mdl", true, dx, dy)) {
            lx = dx = -1;
        }
    }
    ASSERT_GE(lx, 0) << "some barrows hold a shrine and a hall";
    EXPECT_TRUE(level->isCellBlockedForMovement(lx, ly));
    EXPECT_TRUE(level->isCellBlockedForSight(lx, ly));
    EXPECT_TRUE(level->isCellBlockedForMovement(sx, sy));
    EXPECT_FALSE(level->isCellBlockedForMovement(dx, dy));
    EXPECT_FALSE(level->isCellBlockedForSight(dx, dy));
}

TEST_F(LevelCollisionTest, FootprintsTurnAndCentreOnTheirTile)
{
    const std::string text = "footprint 3 1\n###\n";
    auto model =
        ModelResource::parse("strip.mdl", reinterpret_cast<const uint8_t*>(text.data()), text.size());
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(objectFootprintCells(*model, 0), (std::vector<std::array<int, 2>>{{-1, 0}, {0, 0}, {1, 0}}));
    // Facing 2: a 1 x 3 strip.
    auto turned = objectFootprintCells(*model, 2);
    std::sort(turned.begin(), turned.end());
    EXPECT_EQ(turned, (std::vector<std::array<int, 2>>{{0, -1}, {0, 0}, {0, 1}}));
    const std::string boulder = "footprint 2 1\n##\n";
    model = ModelResource::parse("b.mdl", reinterpret_cast<const uint8_t*>(boulder.data()), boulder.size());
    EXPECT_EQ(objectFootprintCells(*model, 0), (std::vector<std::array<int, 2>>{{-1, 0}, {0, 0}}));
    // Two cells per tile: the boulder fills its tile's cells.
    EXPECT_EQ(objectFootprintCells(*model, 0, 2), (std::vector<std::array<int, 2>>{{0, 0}, {1, 0}}));
}

} // namespace

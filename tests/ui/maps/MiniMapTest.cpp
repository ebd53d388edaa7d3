// The mini-map's picture: zoom, fog and floor colours, moving by tiles,
// crossing into another level, and when nothing is drawn.
#include "ui/maps/MiniMap.h"
#include "support/FakeMapWorld.h"
#include "support/TestEntityMirror.h"
#include "support/UITestBench.h"
#include "ui/maps/WorldMap.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct MiniMapTest : ::testing::Test {
    MiniMapTest()
    {
        world.addLevel(0, 0, "Town", 100, 150, 50);
        world.addLevel(1, 0, "Fields", 20, 40, 60);
        worldMap.registerCommands(nullptr);
        miniMap.registerVars(nullptr);
    }
    // Every cell of both levels seen with that alpha.
    void exploreAll(int alpha)
    {
        for (int level = 0; level < 2; ++level) {
            for (int cy = 0; cy < 64; ++cy) {
                for (int cx = 0; cx < 64; ++cx) {
                    worldMap.setExploredCell(level, cx, cy, alpha);
                }
            }
        }
    }
    // The picture pixel of tile (column, row) of the picture, pixel (px, py) in it.
    const uint8_t* tilePixel(int column, int row, int px = 0, int py = 0) const
    {
        int ppt = miniMap.getPixelsPerTile();
        int x = (miniMap.getOffsetX() + column * ppt + px) % 128;
        int y = (miniMap.getOffsetY() + row * ppt + py) % 128;
        return miniMap.pixel(x, y);
    }

    UITestBench bench;
    FakeMapWorld world;
    WorldMap worldMap{world, bench.view};
    MiniMap miniMap{world, bench.view, worldMap};
};

TEST_F(MiniMapTest, ZoomFogAndFloorColours)
{
    setUserVar("miniMapZoom", "12");
    world.levels[0].bareColumns = 52;
    exploreAll(255);
    miniMap.updatePicture({0, 2048.0f, 2048.0f});
    EXPECT_EQ(miniMap.getZoom(), 8) << "12 is taken as 8";
    EXPECT_EQ(miniMap.getTilesPerSide(), 32);
    EXPECT_EQ(miniMap.getRefreshedTiles(), 32 * 32);
    // Tile (64, 64) is column 16 of the picture: its 4 × 4 level unchanged.
    for (int p = 0; p < 16; ++p) {
        const uint8_t* pixel = tilePixel(16, 16, p % 4, p / 4);
        EXPECT_EQ(pixel[0], 100 + p);
        EXPECT_EQ(pixel[2], 50 + 2 * p);
        EXPECT_EQ(pixel[3], 200 + p);
    }
    // Tiles 48 … 51 (columns 0 … 3) have no map shader: opaque black.
    EXPECT_EQ(std::vector<uint8_t>(tilePixel(0, 5), tilePixel(0, 5) + 4),
              (std::vector<uint8_t>{0, 0, 0, 255}));
    world.levels[0].bareColumns = 0;

    // Zoom 32: 1 × 1 levels; half explored halves the colours, keeps alpha.
    setUserVar("miniMapZoom", "32");
    exploreAll(128);
    miniMap.updatePicture({0, 2048.0f, 2048.0f});
    EXPECT_EQ(miniMap.getPixelsPerTile(), 1);
    const uint8_t* half = tilePixel(64, 64);
    float v = 128.0f / 255.0f;
    EXPECT_EQ(half[0], static_cast<int>(std::lround(100 * v)));
    EXPECT_EQ(half[1], static_cast<int>(std::lround(150 * v)));
    EXPECT_EQ(half[3], 255);

    // Never explored: opaque black.
    worldMap.resetForWorld(7, 1234);
    miniMap.invalidate();
    miniMap.updatePicture({0, 2048.0f, 2048.0f});
    EXPECT_EQ(std::vector<uint8_t>(tilePixel(64, 64), tilePixel(64, 64) + 4),
              (std::vector<uint8_t>{0, 0, 0, 255}));
}

TEST_F(MiniMapTest, SmallMovesEqualAFullRefresh)
{
    // A fog with a pattern, so a misplaced column shows.
    for (int cy = 0; cy < 64; ++cy) {
        for (int cx = 0; cx < 64; ++cx) {
            worldMap.setExploredCell(0, cx, cy, (cx * 7 + cy * 13) % 256);
        }
    }
    ZonePosition at{0, 1500.0f, 1700.0f};
    miniMap.updatePicture(at);
    const int moves[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {1, 1}};
    for (int i = 0; i < 40; ++i) {
        at.x += 32.0f * static_cast<float>(moves[i % 4][0]);
        at.y += 32.0f * static_cast<float>(moves[i % 4][1]);
        miniMap.updatePicture(at);
        ASSERT_LT(miniMap.getRefreshedTiles(), 2 * 32) << "one row or column, move " << i;
    }
    std::vector<uint8_t> moved = miniMap.unwrapped();
    miniMap.invalidate();
    miniMap.updatePicture(at);
    EXPECT_EQ(miniMap.getRefreshedTiles(), 32 * 32);
    EXPECT_EQ(miniMap.unwrapped(), moved);
}

TEST_F(MiniMapTest, GroundExploredWhileStandingStillIsShown)
{
    // Drawn before anything was seen, then the town is seen whole without a
    // step: the picture shows it, and a later still frame redraws nothing.
    const ZonePosition at{0, 2048.0f, 2048.0f};
    miniMap.updatePicture(at);
    ASSERT_EQ(tilePixel(16, 16)[0], 0);
    exploreAll(255);
    miniMap.updatePicture(at);
    EXPECT_EQ(tilePixel(16, 16)[0], 100);
    miniMap.updatePicture(at);
    EXPECT_EQ(miniMap.getRefreshedTiles(), 0);
}

TEST_F(MiniMapTest, AStepIntoTheNextLevelRefreshesEverything)
{
    exploreAll(255);
    setUserVar("miniMapZoom", "32");
    miniMap.updatePicture({0, 4090.0f, 2048.0f});
    miniMap.updatePicture({1, 5.0f, 2048.0f});
    EXPECT_EQ(miniMap.getRefreshedTiles(), 128 * 128) << "cells of two levels are not compared";
    std::vector<uint8_t> stepped = miniMap.unwrapped();
    miniMap.invalidate();
    miniMap.updatePicture({1, 5.0f, 2048.0f});
    EXPECT_EQ(miniMap.unwrapped(), stepped);
}

TEST_F(MiniMapTest, NothingIsDrawnWhileSwitchedOff)
{
    miniMap.registerVars(&bench.drawing);
    TestEntityMirror player;
    bench.view.localPlayer = &player;
    bench.view.gameRunning = true;
    struct Row {
        const char* drawUI;
        const char* on;
        bool drawn;
    } rows[] = {{"1", "1", true}, {"0", "1", false}, {"1", "0", false}};
    for (const Row& row : rows) {
        setUserVar("drawUI", row.drawUI);
        setUserVar("miniMapOn", row.on);
        bench.drawing.calls.clear();
        miniMap.draw();
        EXPECT_EQ(!bench.drawing.calls.empty(), row.drawn) << row.drawUI << row.on;
        EXPECT_EQ(miniMap.isShown(), row.drawn);
    }
    bench.view.localPlayer = nullptr;
}

} // namespace

// The cursors: decoding their Targa images, the busy hold and the choice by
// what lies under the mouse.
#include "ui/UICursors.h"
#include "engine/input/KeyCodes.h"
#include "graphics/codecs/TgaImage.h"
#include "support/FakeMapWorld.h"
#include "support/UITestBench.h"
#include "ui/maps/WorldMap.h"

#include <gtest/gtest.h>

namespace {

// A Targa file of w × h R, G, B, A pixels given top row first, stored bottom
// row first, or top row first with the descriptor's origin bit.
std::vector<uint8_t> targa(int w, int h, const std::vector<uint8_t>& topFirst, bool topOrigin = false)
{
    std::vector<uint8_t> rows;
    for (int y = 0; y < h; ++y) {
        int from = topOrigin ? y : h - 1 - y;
        rows.insert(rows.end(), topFirst.begin() + from * w * 4, topFirst.begin() + (from + 1) * w * 4);
    }
    std::vector<uint8_t> file = encodeTga(w, h, 4, rows.data());
    if (topOrigin) {
        file[17] |= 0x20;
    }
    return file;
}

TEST(CursorImage, DecodedUprightWithTrueColoursAndHardAlpha)
{
    LogCapture log;
    // Top row: opaque blue, alpha-1 red; bottom row: transparent green, opaque white.
    const std::vector<uint8_t> pixels = {0, 0, 255, 255, 255, 0, 0, 1, 0, 255, 0, 0, 255, 255, 255, 255};
    for (bool topOrigin : {false, true}) {
        std::vector<uint8_t> file = targa(2, 2, pixels, topOrigin);
        CursorImage image;
        ASSERT_TRUE(UICursors::decode(file.data(), file.size(), "c.tga", image)) << topOrigin;
        const std::vector<uint8_t> expected = {0, 0, 255, 255, 255, 0,   0,   255,
                                               0, 0, 0,   0,   255, 255, 255, 255};
        EXPECT_EQ(image.rgba, expected) << "top origin " << topOrigin;
    }

    std::vector<uint8_t> full(32 * 32 * 4, 255);
    std::vector<uint8_t> file = targa(32, 32, full);
    CursorImage image;
    EXPECT_TRUE(UICursors::decode(file.data(), file.size(), "big.tga", image));
    std::vector<uint8_t> wide(33 * 32 * 4, 255);
    file = targa(33, 32, wide);
    EXPECT_FALSE(UICursors::decode(file.data(), file.size(), "wide.tga", image));
    EXPECT_TRUE(log.contains("wide.tga", 3));
    // A cut file is refused by the codec, not read past its end.
    file = targa(2, 2, pixels);
    EXPECT_FALSE(UICursors::decode(file.data(), file.size() - 3, "cut.tga", image));
    EXPECT_TRUE(log.contains("cut.tga", 3));
}

struct CursorTest : ::testing::Test {
    CursorTest()
    {
        bench.ui.registerCommands();
        bench.ui.editSettings().minBusyFrames = 3;
    }
    UITestBench bench;
};

TEST_F(CursorTest, TheBusyCursorIsHeldForItsFrames)
{
    executeCommandLine("uiBusy");
    ASSERT_EQ(bench.ui.getCurrentCursor(), 7);
    for (int i = 0; i < 5; ++i) {
        bench.ui.setCursor(1, false);
    }
    EXPECT_EQ(bench.ui.getCurrentCursor(), 7) << "uncounted calls never end it";
    for (int i = 0; i < 3; ++i) {
        bench.ui.setCursor(1, true);
        EXPECT_EQ(bench.ui.getCurrentCursor(), 7) << i;
    }
    bench.ui.setCursor(1, true);
    EXPECT_EQ(bench.ui.getCurrentCursor(), 1);
    bench.ui.setCursor(7, false);
    bench.ui.setCursor(7, true);
    EXPECT_EQ(bench.ui.getCurrentCursor(), 7);
}

TEST_F(CursorTest, TheCursorFollowsWhatIsUnderTheMouse)
{
    bench.loadMenu("name Help\nHelp {\n internalName Help\n}\n");
    bench.ui.loadMenuList("", "menus.lst", false);
    FakeMapWorld world;
    world.addLevel(0, 0, "Town");
    WorldMap map(world, bench.view);
    map.registerCommands(nullptr);

    struct Row {
        int action;
        int cursor;
    } rows[] = {{0, 1}, {2, 2}, {10, 3}, {23, 3}, {14, 4}, {19, 4}, {24, 6}, {5, 6}, {3, 1}};
    for (const Row& row : rows) {
        bench.view.hoverAction = row.action;
        EXPECT_EQ(bench.ui.chooseCursor(), row.cursor) << row.action;
    }
    bench.view.hoverAction = 0;

    // Alt held over a label: loot.
    bench.view.labels = {{4, "Sword", {300.0f, 300.0f}}};
    bench.input.queueKey(DIK_LMENU, true, false);
    bench.input.poll();
    bench.input.setMousePosition(300, 250); // in the box 20 above the label's anchor
    EXPECT_EQ(bench.ui.chooseCursor(), 3);
    bench.input.setMousePosition(10, 10);
    EXPECT_EQ(bench.ui.chooseCursor(), 1);

    // The world map: normal, grabbed while dragged.
    setUserVar("drawWorldMap", "1");
    bench.view.hoverAction = 2;
    EXPECT_EQ(bench.ui.chooseCursor(), 1);
    map.onClick(0, true, 100, 100);
    EXPECT_EQ(bench.ui.chooseCursor(), 5);

    // Something dragged comes first.
    UIMenu* menu = bench.loadMenu("name Bag\nWidget {\n internalName Item\n}\n");
    bench.ui.setDragWidget(menu->findWidget("Item"));
    EXPECT_EQ(bench.ui.chooseCursor(), 8);
    bench.ui.setDragWidget(nullptr);
}

} // namespace

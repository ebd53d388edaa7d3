#include "support/EditorBench.h"

#include "game/world/AreaBlock.h"
#include "game/world/Level.h"
#include "graphics/shaders/ShaderSystem.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct AreaEditorTest : ::testing::Test {
    AreaResource& area() { return *e.editor.getArea(); }
    AreaBlock& block() { return *e.editor.currentBlock(); }
    // A point of the interface over the cell, found through the editor's own projection.
    bool pointOver(int column, int row, int& x, int& y)
    {
        for (y = 0; y < 480; y += 2) {
            for (x = 0; x < 440; x += 2) {
                int c = -1, r = -1;
                if (e.editor.findCell(static_cast<float>(x), static_cast<float>(y), c, r) && c == column &&
                    r == row) {
                    return true;
                }
            }
        }
        return false;
    }
    EditorBench e;
};

TEST_F(AreaEditorTest, ANewAreaHasTheFourEdgeKindsAndBlocksStepRound)
{
    EXPECT_EQ(e.listed("getConnectionNames"),
              (std::vector<std::string>{"open", "levelEdgeClosed", "levelBottleneck", "levelEdgeOpen"}));
    e.run("EditorNextBlock");
    e.run("EditorPrevBlock");
    EXPECT_EQ(e.editor.getCurrentBlock(), -1) << "nothing to step through";
    EXPECT_EQ(e.var("EditorBlockIndex"), "");

    for (int i = 0; i < 3; ++i) {
        e.run("EditorNewBlock");
    }
    EXPECT_EQ(e.editor.getCurrentBlock(), 2);
    EXPECT_EQ(e.var("EditorBlockIndex"), "") << "the index keeps its text";
    EXPECT_EQ(e.var("EditorBlockName"), "unnamed");
    EXPECT_EQ(e.var("EditorBlockOpenEdges"), "1111");
    EXPECT_EQ(e.var("EditorTopConnection"), "open");
    EXPECT_EQ(e.listed("EditorGetBlocks").size(), 3u);

    e.set("EditorBlockIndex", "2");
    e.run("EditorNextBlock");
    EXPECT_EQ(e.editor.getCurrentBlock(), 0) << "past the last comes the first";
    EXPECT_EQ(e.var("EditorBlockIndex"), "0");
    e.run("EditorPrevBlock");
    EXPECT_EQ(e.editor.getCurrentBlock(), 2) << "before the first comes the last";
    e.set("EditorBlockIndex", "7");
    e.run("EditorChangeBlock");
    EXPECT_EQ(e.editor.getCurrentBlock(), 2) << "an index outside the list changes nothing";
}

TEST_F(AreaEditorTest, BlockFieldsFollowTheirVariables)
{
    e.run("EditorNewBlock");
    e.run("editor 1");
    e.run("EditorSave"); // no name: asks, and nothing counts as saved
    e.set("EditorAreaFileName", "fields.ara");
    e.run("EditorSave");
    ASSERT_TRUE(e.editor.isSaved());

    struct Case {
        const char* text;
        int bits;
    };
    // A text that is not four characters long leaves the bits; the area
    // still counts as changed.
    for (const Case& c : {Case{"101", 15}, Case{"1010", 5}, Case{"0001", 8}, Case{"", 8}}) {
        e.set("EditorBlockOpenEdges", c.text);
        e.editor.update();
        EXPECT_EQ(block().openSides, c.bits) << c.text;
        EXPECT_FALSE(e.editor.isSaved()) << c.text;
    }
    e.set("EditorBlockWeight", "2.5");
    e.set("EditorBlockMaxUse", "3");
    e.set("EditorBlockAlwaysHasChest", "1");
    e.set("EditorLeftConnection", "levelBottleneck");
    e.set("EditorRightConnection", "no such edge");
    e.set("EditorBlockName", "bad\"name");
    e.editor.update();
    EXPECT_FLOAT_EQ(block().weight, 2.5f);
    EXPECT_EQ(block().maxUses, 3);
    EXPECT_TRUE(block().alwaysChests);
    EXPECT_FALSE(block().alwaysMonsters);
    EXPECT_EQ(block().edges[1], area().findEdgeKind("levelBottleneck"));
    EXPECT_EQ(block().edges[2], 0) << "an unknown edge name leaves the side";
    EXPECT_EQ(block().name, "unnamed");
    EXPECT_EQ(e.var("EditorBlockName"), "unnamed") << "a name the file cannot hold is set back";
}

TEST_F(AreaEditorTest, FourTurnsRestoreABlockAndLargeObjectsStayInside)
{
    e.run("EditorNewBlock");
    const int n = block().getWidth();
    ASSERT_EQ(n, block().getHeight());
    ResourceHandle cobbles = acquireShader("Textures/areas/town/cobbles01.tga", 1);
    ResourceHandle crate = e.bench.resources.load("Models/Objects/crate.mdl");
    ResourceHandle boulder = e.bench.resources.load("Models/Objects/boulder.mdl");
    area().setCellTile(0, 1, 0, cobbles);
    area().setCellTile(0, n - 1, n - 2, cobbles);
    for (int facing = 0; facing < 8; ++facing) {
        area().setCellObject(0, facing, 3, crate, facing);
    }
    block().edges = {0, 1, 2, 3};
    block().setFlagsFromText("1100");
    const AreaBlock before = block();

    // A two-cell boulder in the last stored column turns onto a row that
    // would lie past the table.
    area().setCellObject(0, n - 1, n - 1, boulder, 4);
    e.run("EditorRotateBlock");
    const AreaBlock& turned = block();
    EXPECT_EQ(turned.edges, (std::array<int, 4>{1, 3, 0, 2}));
    EXPECT_EQ(e.var("EditorTopConnection"), "levelEdgeClosed");
    int boulders = 0;
    for (const AreaCellObject& object : turned.objects) {
        boulders += object.type == area().findObjectType(boulder) ? 1 : 0;
    }
    EXPECT_EQ(boulders, 1) << "the boulder stays in the table";
    EXPECT_EQ(turned.objects.size(), static_cast<size_t>(n * n));

    for (AreaCellObject& object : block().objects) {
        if (object.type == area().findObjectType(boulder)) {
            object = AreaCellObject{};
        }
    }
    // Three more turns: back where it started but for the boulder, cleared above.
    const AreaBlock& expected = before;
    e.run("EditorRotateBlock");
    e.run("EditorRotateBlock");
    e.run("EditorRotateBlock");
    EXPECT_EQ(block().tiles, expected.tiles);
    EXPECT_EQ(block().objects, expected.objects);
    EXPECT_EQ(block().edges, expected.edges);
    EXPECT_EQ(block().flagsText(), "1100");
    EXPECT_FALSE(e.editor.isSaved());
}

TEST_F(AreaEditorTest, BlocksThatAreNotSquareAreNotTurned)
{
    e.data->mutableRules().blockTileWidth = 8;
    e.run("EditorNew");
    e.run("EditorNewBlock");
    ASSERT_EQ(block().getWidth(), 8);
    ResourceHandle cobbles = acquireShader("Textures/areas/town/cobbles01.tga", 1);
    area().setCellTile(0, 7, 0, cobbles);
    block().edges = {0, 1, 2, 3};
    const AreaBlock before = block();
    e.bench.log.clear();
    e.run("EditorRotateBlock");
    EXPECT_TRUE(block() == before);
    EXPECT_TRUE(e.bench.log.contains("cannot be turned"));
}

TEST_F(AreaEditorTest, DeletingTheOnlyBlockLeavesNone)
{
    e.run("EditorDeleteBlock");
    e.run("EditorNewBlock");
    e.run("EditorDuplicateBlock");
    EXPECT_EQ(e.var("EditorBlockName"), "unnamed-dup");
    EXPECT_EQ(e.editor.getCurrentBlock(), 1);
    e.run("EditorDeleteBlock");
    e.set("EditorBlockIndex", "0");
    e.run("EditorChangeBlock");
    e.run("EditorDeleteBlock");
    EXPECT_EQ(e.editor.getCurrentBlock(), -1);
    EXPECT_TRUE(e.listed("EditorGetBlocks").empty());
    EXPECT_EQ(e.var("EditorTopConnection"), "");
}

TEST_F(AreaEditorTest, LeavingAsksUntilAWriteHasWorked)
{
    e.run("editor 1");
    ASSERT_TRUE(e.editor.isActive());
    EXPECT_TRUE(e.onStack("Editor"));
    e.run("editor 0");
    EXPECT_FALSE(e.editor.isActive()) << "nothing changed: it leaves";
    e.run("editor 1");
    e.run("EditorNewBlock");
    e.run("editor 0");
    EXPECT_TRUE(e.editor.isActive());
    EXPECT_TRUE(e.onStack("EditorExitConfirm"));
    e.bench.ui.removeFromMenuStackByName("EditorExitConfirm");

    // Save as, then cancelled: still asks.
    e.run("EditorSaveAs");
    EXPECT_TRUE(e.onStack("EditorSaveAs"));
    e.bench.ui.removeFromMenuStackByName("EditorSaveAs");
    e.run("editor 0");
    EXPECT_TRUE(e.editor.isActive());
    e.bench.ui.removeFromMenuStackByName("EditorExitConfirm");

    // A "Levels" that is a file: the write fails, the old state is kept.
    e.user.write("Levels", "not a directory");
    e.set("EditorAreaFileName", "mine.ara");
    e.bench.log.clear();
    e.run("EditorSave");
    EXPECT_TRUE(e.bench.log.contains("could not be written; the old file is kept"));
    e.run("editor 0");
    EXPECT_TRUE(e.editor.isActive());
    e.bench.ui.removeFromMenuStackByName("EditorExitConfirm");

    for (const char* unsafe : {"../escape.ara", "/tmp/x.ara"}) {
        e.set("EditorAreaFileName", unsafe);
        e.run("EditorSave");
        EXPECT_FALSE(e.editor.isSaved()) << unsafe;
    }
    std::filesystem::remove(e.user.file("Levels"));
    e.set("EditorAreaFileName", "mine.ara");
    e.run("EditorSave");
    EXPECT_TRUE(std::filesystem::exists(e.user.file("Levels/mine.ara")));
    e.run("editor 0");
    EXPECT_FALSE(e.editor.isActive());
    EXPECT_FALSE(e.onStack("Editor"));
}

TEST_F(AreaEditorTest, ButtonsPaintCellsAndHoldTheCapture)
{
    int captures = 0, releases = 0;
    e.editor.setCaptureHook([&](bool on) { (on ? captures : releases)++; });
    EXPECT_FALSE(e.editor.handleMouseButton(0, true, 100, 100)) << "inactive";
    e.run("editor 1");
    EXPECT_FALSE(e.editor.handleMouseButton(2, true, 100, 100));
    EXPECT_TRUE(e.editor.handleMouseButton(0, false, 100, 100)) << "a release while not painting";
    EXPECT_EQ(releases, 0);

    e.run("EditorNewBlock");
    e.run("EditorTextureMode");
    int x = 0, y = 0;
    ASSERT_TRUE(pointOver(3, 2, x, y));
    EXPECT_FALSE(e.editor.handleMouseButton(0, true, x, y)) << "no texture chosen";
    e.set("EditorTexture", "Textures/areas/town/cobbles01.sdr");
    EXPECT_FALSE(e.editor.handleMouseButton(1, true, x, y)) << "button 1 paints no tiles";
    EXPECT_TRUE(e.editor.handleMouseButton(0, true, x, y));
    EXPECT_TRUE(e.editor.isPainting());
    EXPECT_EQ(captures, 1);
    ResourceHandle painted = area().getCellTile(0, 3, 2);
    ASSERT_TRUE(painted.isValid());
    EXPECT_NE(painted.getFileName().find("cobbles01"), std::string::npos);
    EXPECT_FALSE(area().getCellTile(0, 4, 2).isValid()) << "the neighbour keeps no tile";
    e.bench.input.setMousePosition(x, y);
    e.editor.update();
    EXPECT_NE(e.var("EditorHighlightInfo").find("cobbles01"), std::string::npos)
        << e.var("EditorHighlightInfo");
    EXPECT_TRUE(e.editor.handleMouseButton(0, false, x, y));
    EXPECT_FALSE(e.editor.isPainting());
    EXPECT_EQ(releases, 1);

    e.run("EditorObjectMode");
    e.run("EditorObjectsRotateCCW");
    e.run("EditorObjectsRotateCCW");
    e.set("EditorObject", "Models/Objects/crate.mdl");
    EXPECT_TRUE(e.editor.handleMouseButton(0, true, x, y));
    ResourceHandle model;
    int facing = -1;
    EXPECT_GE(area().getCellObject(0, 3, 2, model, facing), 0);
    EXPECT_EQ(facing, 2);
    e.editor.handleMouseButton(0, false, x, y);
    EXPECT_TRUE(e.editor.handleMouseButton(1, true, x, y)) << "button 1 erases";
    EXPECT_LT(area().getCellObject(0, 3, 2, model, facing), 0);
    EXPECT_FALSE(e.editor.handleMouseButton(0, true, 639, 2)) << "outside the block";
}

} // namespace

// The help box's placement, the entity labels and the key-binding input.
#include "ui/widgets/UIHelp.h"
#include "engine/console/KeyNames.h"
#include "engine/input/KeyCodes.h"
#include "support/TestEntityMirror.h"
#include "support/UITestBench.h"
#include "ui/widgets/UIVirtualKeyInput.h"

#include <gtest/gtest.h>

namespace {

struct HelpBoxTest : ::testing::Test {
    HelpBoxTest()
    {
        bench.drawing.charWidth = 10.0f;
        bench.drawing.lineHeight = 10.0f;
        // Keywords in another case than their names: they compare without it.
        menu = bench.loadMenu("name Help\nHelp {\n internalName Help\n BASEPOSITION 600 380\n}\n");
        help = static_cast<UIHelp*>(menu->findWidget("Help"));
    }
    void holdAlt(bool held)
    {
        bench.input.queueKey(DIK_LMENU, held, false);
        bench.input.poll();
    }
    // The background boxes drawn ("UIBlack"), as {x0, y0, x1, y1}.
    std::vector<HelpBox> drawnBoxes() const
    {
        std::vector<HelpBox> out;
        for (const auto& call : bench.drawing.calls) {
            if (call.kind == RecordingUIDrawing::Call::Image &&
                bench.drawing.pathOf.at(call.handle) == "UIBlack") {
                out.push_back({{call.x0, call.y0}, {call.x1 - call.x0, call.y1 - call.y0}});
            }
        }
        return out;
    }

    UITestBench bench;
    UIMenu* menu = nullptr;
    UIHelp* help = nullptr;
};

TEST_F(HelpBoxTest, BoxesKeepToTheScreen)
{
    ASSERT_NE(help, nullptr);
    // 10 × 10 of text is a 20 × 20 box.
    const Vec2 text{10.0f, 10.0f};
    HelpBox free = help->placeBox(text, {}, {});
    EXPECT_EQ(free.position.x, 600.0f) << "it fits at the base position";
    free = help->placeBox({40.0f, 10.0f}, {}, {});
    EXPECT_EQ(free.position.x + free.size.x, UIHelp::kRightEdge) << "from 600 it would end at 650";
    free = help->placeBox({100.0f, 10.0f}, {}, {});
    EXPECT_EQ(free.position.x, 635.0f - 110.0f);

    struct Row {
        Vec2 anchor;
        float x, y;
    } rows[] = {
        {{300.0f, 200.0f}, 306.0f, 160.0f}, // 20 above the anchor, centred on it
        {{300.0f, 10.0f}, 306.0f, 62.0f},   // no room above: 20 below
        {{630.0f, 200.0f}, 615.0f, 160.0f}, // kept left of 635
        {{-10.0f, 200.0f}, 5.0f, 160.0f},   // kept right of 5
    };
    for (const Row& row : rows) {
        HelpBox box = help->placeBox(text, row.anchor, {32.0f, 32.0f});
        EXPECT_EQ(box.position.x, row.x) << row.anchor.x << "," << row.anchor.y;
        EXPECT_EQ(box.position.y, row.y) << row.anchor.x << "," << row.anchor.y;
    }
    // Too tall for above and below: centred on the middle line.
    HelpBox tall = help->placeBox({10.0f, 200.0f}, {300.0f, 150.0f}, {32.0f, 100.0f});
    EXPECT_EQ(tall.position.y, 240.0f - 105.0f);

    // The second box tied to a point: right of it, left near the edge.
    HelpBox tied = help->placeAtPoint(text, {300.0f, 200.0f});
    EXPECT_EQ(tied.position.x, 305.0f);
    EXPECT_EQ(tied.position.y, 180.0f);
    tied = help->placeAtPoint(text, {625.0f, 10.0f});
    EXPECT_EQ(tied.position.x, 600.0f);
    EXPECT_EQ(tied.position.y, 42.0f);
}

TEST_F(HelpBoxTest, TheTooltipIsDrawnInOneBox)
{
    bench.view.hoverText = "Rat";
    bench.view.hoverOnScreen = false;
    bench.input.setMousePosition(10, 10);
    help->draw();
    std::vector<HelpBox> boxes = drawnBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].position.x + boxes[0].size.x, 635.0f);
    int borders = 0;
    for (const auto& call : bench.drawing.calls) {
        borders += call.kind == RecordingUIDrawing::Call::Image &&
                   bench.drawing.pathOf.at(call.handle).starts_with("Textures/helpBorder");
    }
    EXPECT_EQ(borders, 8);
}

TEST_F(HelpBoxTest, LabelsStandApartAndTakeClicks)
{
    TestEntityMirror player;
    bench.view.localPlayer = &player;
    // Two labels at almost the same point, one off screen.
    bench.view.labels = {
        {7, "Sword", {300.0f, 300.0f}}, {9, "Chest", {304.0f, 302.0f}}, {11, "Far", {700.0f, 10.0f}}};
    holdAlt(true);
    help->draw();
    std::vector<HelpBox> boxes = drawnBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_FALSE(boxes[0].overlaps(boxes[1]));

    Vec2 second = boxes[1].position;
    bench.input.setMousePosition(static_cast<int>(second.x) + 2, static_cast<int>(second.y) + 2);
    EXPECT_EQ(help->findLabelAtMouse(), 9);
    EXPECT_TRUE(
        help->handleMouseButton(0, true, static_cast<int>(second.x) + 2, static_cast<int>(second.y) + 2));
    EXPECT_EQ(bench.view.selected, std::vector<int>{9});
    EXPECT_FALSE(help->handleMouseButton(0, true, 5, 5)) << "no label there";

    holdAlt(false);
    EXPECT_EQ(help->findLabelAtMouse(), -1) << "labels only while Alt or Ctrl is held";
    bench.view.localPlayer = nullptr;
}

TEST_F(HelpBoxTest, AvoidanceEndsWhenNothingIsFree)
{
    // A column of placed boxes everywhere the search may look.
    for (int i = -9; i <= 9; ++i) {
        for (int j = 0; j <= 9; ++j) {
            help->avoidPlaced(
                {{100.0f + 20.0f * static_cast<float>(j), 200.0f + 20.0f * static_cast<float>(i)},
                 {20.0f, 20.0f}});
        }
    }
    HelpBox last = help->avoidPlaced({{100.0f, 200.0f}, {20.0f, 20.0f}});
    EXPECT_EQ(last.position.x, 100.0f + 8 * 20.0f) << "the last try (eight widths right) stands";
}

struct KeyInputTest : ::testing::Test {
    KeyInputTest()
    {
        bench.keys.declareAction("questScreen", keyNameToCode("q"), false, "");
        bench.keys.declareAction("characterScreen", keyNameToCode("c"), false, "");
        bench.loadMenu("name KeyAlreadyBound\n");
        menu = bench.loadMenu("name OptionsControls\nvisible 1\nVirtualKeyInput {\n internalName KeyInput\n"
                              " size 640 480\n showUserVar BindKeyShown\n VIRTUALKEYUSERVAR BindKeyAction\n"
                              " duplicatemenuname KeyAlreadyBound\n}\n");
        menu->show();
        setUserVar("BindKeyAction", "questScreen");
        setUserVar("BindKeyShown", "1");
    }
    UITestBench bench;
    UIMenu* menu = nullptr;
};

TEST_F(KeyInputTest, BindsOneKeyAndHides)
{
    EXPECT_TRUE(bench.ui.handleKey(DIK_ESCAPE, true, false));
    EXPECT_EQ(getUserVarString("BindKeyShown"), "0");
    EXPECT_EQ(bench.keys.getAction(bench.keys.findKey("questScreen", false))->code, keyNameToCode("q"))
        << "Escape binds nothing";
    EXPECT_FALSE(bench.ui.handleKey(keyNameToCode("j"), true, false)) << "hidden: keys pass by";

    setUserVar("BindKeyShown", "1");
    EXPECT_TRUE(bench.ui.handleKey(keyNameToCode("j"), true, false));
    EXPECT_EQ(bench.keys.getAction(bench.keys.findKey("questScreen", false))->code, keyNameToCode("j"));
    EXPECT_EQ(getUserVarString("BindKeyShown"), "0");
    EXPECT_TRUE(bench.ui.getMenuStack().empty());

    // A key of another action is refused and tells the player.
    setUserVar("BindKeyShown", "1");
    EXPECT_TRUE(bench.ui.handleKey(keyNameToCode("c"), true, false));
    EXPECT_EQ(bench.keys.getAction(bench.keys.findKey("questScreen", false))->code, keyNameToCode("j"));
    EXPECT_EQ(bench.keys.getAction(bench.keys.findKey("characterScreen", false))->code, keyNameToCode("c"));
    ASSERT_EQ(bench.ui.getMenuStack().size(), 1u);
    EXPECT_EQ(bench.ui.getMenuStack()[0]->getName(), "KeyAlreadyBound");

    // A mouse button binds as a button.
    setUserVar("BindKeyShown", "1");
    EXPECT_TRUE(bench.ui.onMouseButton(2, true, 10, 10));
    const VirtualKeys::Action* quest = bench.keys.getAction(bench.keys.findKey("questScreen", false));
    EXPECT_TRUE(quest->isMouse);
    EXPECT_EQ(quest->code, 2);
}

} // namespace

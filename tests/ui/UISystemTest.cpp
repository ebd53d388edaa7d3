#include "support/RecordingWidget.h"
#include "support/UITestBench.h"

#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameEnums.h"
#include "ui/UIValueTables.h"

#include <gtest/gtest.h>

namespace {

template <class W = UIWidget> W* addWidget(UIMenu* menu, const std::string& block)
{
    auto widget = std::make_unique<W>();
    TextReader reader(block, "w.mnu");
    widget->parseBlock(reader);
    W* raw = static_cast<W*>(menu->addWidget(std::move(widget)));
    raw->setMenu(menu);
    return raw;
}

std::vector<std::string> drawnTexts(const RecordingUIDrawing& drawing)
{
    std::vector<std::string> out;
    for (const auto& call : drawing.texts()) {
        out.push_back(call.text);
    }
    return out;
}

struct SystemTest : ::testing::Test {
    UITestBench bench;
};

TEST_F(SystemTest, TheActiveMenusDecideDrawingAndInput)
{
    UIMenu* top =
        bench.loadMenu("name Top\nalwaysOnTop 1\nvisible 1\n"
                       "Widget {\n text OnTop\n size 640 20\n canClick 1\n addCommand \"rec top\"\n}\n");
    UIMenu* main =
        bench.loadMenu("name Main\nvisible 1\n"
                       "Widget {\n text Main\n size 640 480\n canClick 1\n addCommand \"rec main\"\n}\n");
    UIMenu* full = bench.loadMenu("name Full\nfullScreen 1\nWidget {\n text Full\n}\n");
    bench.ui.pushMenu(full);
    bench.ui.draw();
    EXPECT_EQ(drawnTexts(bench.drawing), (std::vector<std::string>{"Full", "OnTop"}));
    EXPECT_TRUE(bench.ui.onMouseButton(0, true, 10, 10));
    EXPECT_FALSE(bench.ui.onMouseButton(0, true, 10, 100)) << "the menu below the blocking one hears nothing";
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"top"});
    EXPECT_TRUE(bench.ui.isMouseOverMenu());
    EXPECT_TRUE(bench.ui.isFullScreenMenuShown());
    (void)top;
    (void)main;

    // Hidden but always handling input: keys, buttons and the wheel, never drawn.
    bench.ui.popMenu();
    UIMenu* input = bench.loadMenu("name Input\nalwaysHandleInput 1\nfullScreen 1\n"
                                   "Widget {\n text Hidden\n hotKey h\n addCommand \"rec key\"\n}\n");
    bench.recorded.clear();
    bench.drawing.calls.clear();
    EXPECT_TRUE(bench.ui.handleKey(getKeyCodeByName("h"), true, false));
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"key"});
    bench.ui.draw();
    EXPECT_EQ(drawnTexts(bench.drawing), (std::vector<std::string>{"Main", "OnTop"}));
    EXPECT_FALSE(bench.ui.isMouseOverMenu());
    EXPECT_FALSE(input->isActive());
}

// A press on a window's panel stays with it; a thin track of a bar is no
// panel, and a press there reaches what lies under the menus.
TEST_F(SystemTest, PanelsKeepPressesThinTracksDoNot)
{
    bench.loadMenu("name Status\nvisible 1\n"
                   "Widget {\n texture UI/panel.tga\n position 170 140\n size 300 160\n drawOrder -1\n}\n"
                   "Widget {\n texture UI/track.tga\n position 260 32\n size 120 5\n drawOrder -1\n}\n");
    EXPECT_TRUE(bench.ui.onMouseButton(0, true, 200, 200));
    EXPECT_TRUE(bench.ui.onMouseButton(1, true, 200, 200));
    EXPECT_FALSE(bench.ui.onMouseButton(0, true, 300, 34));
    EXPECT_FALSE(bench.ui.onMouseButton(0, false, 200, 200)) << "the release is left alone";
}

TEST_F(SystemTest, ModesDragsAndHeldButtons)
{
    UIMenu* menu = bench.loadMenu("name M\nvisible 1\n");
    auto* target = addWidget<RecordingWidget>(menu, "{\n size 100 100\n canClick 1\n}");
    bench.ui.setUIMode(UIMode::IncreaseSkill);
    bench.ui.onMouseButton(0, false, 500, 500);
    EXPECT_EQ(bench.ui.getUIMode(), UIMode::IncreaseSkill) << "a release keeps the mode";
    EXPECT_FALSE(bench.ui.onMouseButton(0, true, 500, 500));
    EXPECT_EQ(bench.ui.getUIMode(), UIMode::Normal) << "a press ends it, taken or not";

    // A press while dragging onto a widget that refuses the drop.
    RecordingWidget dragged;
    bench.ui.setDragWidget(&dragged);
    bench.input.setMousePosition(300, 300);
    EXPECT_TRUE(bench.ui.onMouseButton(0, true, 300, 300));
    EXPECT_EQ(dragged.dragsEnded, 1);
    UIMenu* blocker = bench.loadMenu("name Blocker\nfullScreen 1\nvisible 1\n");
    EXPECT_FALSE(bench.ui.onMouseButton(0, true, 300, 300));
    EXPECT_EQ(dragged.dragsEnded, 1);
    blocker->setVisible(false);
    dragged.accepts = true;
    EXPECT_TRUE(bench.ui.onMouseButton(0, true, 300, 300));
    EXPECT_EQ(dragged.dragsEnded, 1);
    bench.ui.setDragWidget(nullptr);

    // Held: the first repeat past 0.5 s, then one a frame past 0.1 s.
    bench.ui.editSettings().mouseFirstRepeatTime = 0.5f;
    bench.ui.editSettings().mouseOtherRepeatTime = 0.1f;
    bench.ui.setRepeatWidget(target, 0);
    std::vector<int> repeats;
    for (int frame = 1; frame <= 5; ++frame) {
        target->held = 0;
        bench.ui.update(0.2f);
        repeats.push_back(target->held);
    }
    EXPECT_EQ(repeats, (std::vector<int>{0, 0, 1, 1, 1}));
}

TEST_F(SystemTest, TheTooltipOfTheMomentComesFromAWidgetElseTheEntityUnderThePointer)
{
    UIMenu* menu = bench.loadMenu("name M\nvisible 1\n");
    addWidget(menu, "{\n size 100 100\n canClick 1\n highlightText Button\n highlightBackgroundAlpha 0.5\n}");
    bench.view.hoverText = "Rat";
    bench.view.hoverOnScreen = true;
    bench.view.hoverScreen = {300.0f, 200.0f};
    UITooltip tip;
    bench.input.setMousePosition(50, 50);
    EXPECT_TRUE(bench.ui.getTooltip(tip));
    EXPECT_EQ(tip.text, "Button");
    EXPECT_FLOAT_EQ(tip.alpha, 0.5f);
    bench.input.setMousePosition(300, 300);
    EXPECT_TRUE(bench.ui.getTooltip(tip));
    EXPECT_EQ(tip.text, "Rat");
    EXPECT_FLOAT_EQ(tip.position.y, 136.0f);
    EXPECT_FLOAT_EQ(tip.size.x, 32.0f);
}

struct LoadingTest : SystemTest {
    LoadingTest() : files(dir.path().string(), user.path().string())
    {
        bench.ui.registerCommands();
        dir.write("UI/Main.mnu", "name Main\nfullScreen 1\nWidget {\n internalName Button\n canClick 1\n"
                                 " size 100 100\n addCommand reloadMenus\n addCommand \"rec clicked\"\n}\n");
        dir.write("UI/Options.mnu", "name Options\nWidget {\n internalName Tab\n}\n");
        dir.write("UI/Kept.mnu", "name Kept\nallowedToReload 0\nWidget {\n internalName Keep\n"
                                 " parentWidget Main::Button\n}\n");
        dir.write("UI/Linked.mnu", "name Linked\nvisible 1\nWidget {\n internalName Child\n"
                                   " parentWidget Main::Button\n parentLinked 1 1\n}\n");
    }
    TempDir dir;
    TempDir user;
    FileSystem files;
};

TEST_F(LoadingTest, TheListNamesTypesAndFiles)
{
    dir.write("UI/menus.lst", "menu Main\nMenu Missing\nBagOfTricks Options\n");
    bench.ui.loadMenus(false);
    ASSERT_EQ(bench.ui.getMenus().size(), 1u);
    EXPECT_EQ(bench.ui.getMenus()[0]->getPath(), "UI/Main.mnu");
    EXPECT_TRUE(bench.log.contains("Couldn't load menu UI/Missing.mnu", 1));
    EXPECT_TRUE(bench.log.contains("menus.lst:3: Unknown menu type BagOfTricks", 1));
    size_t listLines = 0;
    for (const auto& line : bench.log.lines()) {
        listLines += line.text.find("UI/menus.lst:") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(listLines, 2u);
}

TEST_F(LoadingTest, AReloadKeepsTheStackAndClearsEveryBorrowedPointer)
{
    dir.write("UI/menus.lst", "Menu Main\nMenu Options\nMenu Kept\nMenu Linked\n");
    bench.ui.loadMenus(false);
    bench.ui.pushMenuByName("Main");
    bench.ui.pushMenuByName("Options");
    UIWidget* kept = bench.ui.findWidget("Kept::Keep");
    ASSERT_NE(kept->getParent(), nullptr);
    UIWidget* button = bench.ui.findWidget("Main::Button");
    UIWidget* child = bench.ui.findWidget("Linked::Child");
    ASSERT_NE(child->getParent(), nullptr);
    bench.input.setMousePosition(10, 10);
    bench.ui.update(0.0f);
    bench.ui.popMenu();
    bench.ui.update(0.0f);
    ASSERT_EQ(bench.ui.getHoveredWidget(), button);
    bench.ui.pushMenuByName("Options");
    bench.ui.setFocusWidget(button);
    bench.ui.setDragWidget(button);
    bench.ui.setRepeatWidget(button, 0);

    executeCommandLine("reloadMenus");
    EXPECT_EQ(bench.ui.getHoveredWidget(), nullptr);
    EXPECT_EQ(bench.ui.getFocusWidget(), nullptr);
    EXPECT_EQ(bench.ui.getDragWidget(), nullptr);
    EXPECT_EQ(bench.ui.getHeldWidget(), nullptr);
    EXPECT_EQ(bench.ui.findWidget("Kept::Keep"), kept);
    EXPECT_EQ(kept->getParent(), nullptr) << "its parent was in a replaced menu";
    std::vector<UIMenu*> stack = bench.ui.getMenuStack();
    ASSERT_EQ(stack.size(), 2u);
    EXPECT_EQ(stack[0]->getName(), "Main");
    EXPECT_EQ(stack[1]->getName(), "Options");
    EXPECT_TRUE(stack[1]->isOnStack());
    EXPECT_TRUE(bench.ui.findMenu("Linked")->isVisible());
    // The linked widget was read again after Main, so it points at the new button.
    EXPECT_EQ(bench.ui.findWidget("Linked::Child")->getParent(), bench.ui.findWidget("Main::Button"));

    // A reload asked by a button waits until the click has run.
    bench.ui.popMenu();
    bench.recorded.clear();
    EXPECT_TRUE(bench.ui.onMouseButton(0, true, 10, 10));
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"clicked"});
    EXPECT_NE(bench.ui.findWidget("Main::Button"), nullptr);
}

TEST_F(SystemTest, Commands)
{
    bench.ui.registerCommands();
    UIMenu* menu = bench.loadMenu("name Save\nvisible 1\n");
    auto* picker = addWidget<RecordingWidget>(menu, "{\n internalName Picker\n position 7 100\n}");
    struct {
        int level;
        const char* method;
        const char* before;
        const char* after;
    } rows[] = {{37, "ParsedCharacterLevel", "", "35"},
                {38, "ParsedCharacterLevel", "", "40"},
                {37, "ParsedCharacterLevelNewMin", "40", "40"},
                {42, "ParsedCharacterLevelNewMin", "35", "40"}};
    for (auto row : rows) {
        setUserVar("Target", row.before);
        setUserVar("ParsedCharacterLevel", std::to_string(row.level));
        executeCommandLine(std::string("calculateUserVar Target ") + row.method);
        EXPECT_EQ(getUserVarString("Target"), row.after) << row.level << " " << row.method;
    }
    setUserVar("ParsedCharacterLevel", "50");
    executeCommandLine("moveWidgetY Save::Picker 100 300 ParsedCharacterLevel");
    EXPECT_FLOAT_EQ(picker->getPosition().y, 200.0f);
    EXPECT_FLOAT_EQ(picker->getPosition().x, 7.0f);
    executeCommandLine("moveWidgetY Save::Picker 100 300 Other");
    EXPECT_FLOAT_EQ(picker->getPosition().y, 100.0f);

    UIMenu* options =
        bench.loadMenu("name Options\nWidget {\n text Keep\n selectable 1\n startsSelected\n}\n");
    bench.ui.pushMenu(menu);
    executeCommandLine("popMenu Options");
    EXPECT_EQ(bench.ui.getMenuStack(), std::vector<UIMenu*>{menu});
    bench.ui.popMenu();
    executeCommandLine("popMenu");
    EXPECT_TRUE(bench.ui.getMenuStack().empty());
    executeCommandLine("sendCommandToMenu Options");
    executeCommandLine("sendCommandToMenu Options menuCommand unselectAll");
    EXPECT_FALSE(options->getWidgets()[0]->isSelected());

    executeCommandLine("setUIMode increaseskill");
    EXPECT_EQ(bench.ui.getUIMode(), UIMode::IncreaseSkill);
    executeCommandLine("setUIMode sideways");
    EXPECT_EQ(bench.ui.getUIMode(), UIMode::Normal);
    EXPECT_TRUE(bench.log.contains("Unknown UIMode name sideways", 3));

    executeCommandLine("widgetCommand Save::Picker ok");
    EXPECT_EQ(picker->lines, std::vector<std::string>{"widgetCommand ok"});

    setUserVar("CovenantName", "Fen Wardens");
    executeCommandLine("setCovenantDir");
    EXPECT_EQ(getUserVarString("CovenantDir"), "chars/Fen Wardens");
    setUserVar("CovenantName", "../x");
    executeCommandLine("setCovenantDir");
    EXPECT_EQ(getUserVarString("CovenantDir"), "chars/Fen Wardens");
}

TEST_F(SystemTest, SettingsFromTheEntry)
{
    bench.loadMenu("name Hud\nvisible 1\naddShowCommand \"rec hud\"\n");
    bench.loadMenu("name Other\naddShowCommand \"rec other\"\n");
    {
        Database empty;
        bench.ui.loadSettings();
        EXPECT_FLOAT_EQ(bench.ui.getSettings().mouseFirstRepeatTime, 0.0f);
        EXPECT_TRUE(bench.ui.getSettings().gameMenu.empty());
    }
    auto db = std::make_unique<Database>();
    db->addSubDatabase("Interface", "interface.dbl",
                       "UIBase {\n MouseFirstRepeatTime 0.5\n}\n"
                       "UISystem {\n Base UIBase\n WorldMapKeyFontName key\n GameMenu Hud Other\n"
                       " EventsTextPosition \"12 400\"\n}\n");
    db->resolveBases();
    bench.ui.loadSettings();
    EXPECT_FLOAT_EQ(bench.ui.getSettings().mouseFirstRepeatTime, 0.5f);
    EXPECT_EQ(bench.ui.getSettings().worldMapKeyFontName, "Fonts/key.fnt");
    EXPECT_FLOAT_EQ(bench.ui.getSettings().eventsTextPosition.y, 400.0f);
    bench.recorded.clear();
    bench.ui.showGameMenus();
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"other"}) << "a visible menu is not shown again";

    db.reset();
    db = std::make_unique<Database>();
    db->addSubDatabase("Interface", "interface.dbl", "UISystem {\n WorldMapKeyFontName Fonts/key.fnt\n}\n");
    db->resolveBases();
    bench.ui.loadSettings();
    EXPECT_EQ(bench.ui.getSettings().worldMapKeyFontName, "Fonts/key.fnt");
}

} // namespace

#include "support/ProgramRunner.h"
#include "support/RecordingWidget.h"
#include "support/UITestBench.h"

#include "engine/console/UserVar.h"
#include "ui/WidgetFactory.h"
#include "ui/widgets/UICheckBox.h"

#include <gtest/gtest.h>

#include <typeinfo>

namespace {

struct MenuTest : ::testing::Test {
    UITestBench bench;
};

TEST_F(MenuTest, EveryKeywordOfBothTablesIsKnown)
{
    bench.loadMenu("name Root\n");
    bench.loadMenu("name Page\nsubMenu 1\n");
    std::string text = readFile(testDataPath("UI/EveryKeyword.mnu"));
    ASSERT_FALSE(text.empty());
    bench.log.clear();
    UIMenu* menu = bench.loadMenu(text, "EveryKeyword.mnu");
    for (const auto& line : bench.log.lines()) {
        ADD_FAILURE() << line.text;
    }
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"shown"});
    EXPECT_EQ(menu->getParent(), bench.ui.findMenu("Root"));
    EXPECT_EQ(menu->getSubMenuCount(), 1);
    EXPECT_TRUE(menu->isInGameOnly());
    UIWidget* every = menu->findWidget("Every");
    ASSERT_NE(every, nullptr);
    EXPECT_EQ(every->getParent(), menu->findWidget("Target"));
    EXPECT_EQ(every->getTextSources().size(), 3u);
    EXPECT_TRUE(every->isSelected());
    EXPECT_EQ(menu->getWidgets().back().get(), every) << "draw order 2 stands last";
}

TEST_F(MenuTest, EqualDrawOrdersPutTheLaterWidgetFirst)
{
    UIMenu* menu =
        bench.loadMenu("name M\nvisible 1\n"
                       "Widget {\n text First\n size 100 20\n canClick 1\n addCommand \"rec first\"\n}\n"
                       "Widget {\n text Second\n size 100 20\n canClick 1\n addCommand \"rec second\"\n}\n"
                       "Widget {\n text Behind\n drawOrder -1\n}\n");
    ASSERT_EQ(menu->getWidgets().size(), 3u);
    bench.ui.draw();
    std::vector<std::string> drawn;
    for (const auto& call : bench.drawing.texts()) {
        drawn.push_back(call.text);
    }
    EXPECT_EQ(drawn, (std::vector<std::string>{"Behind", "Second", "First"}));
    EXPECT_TRUE(bench.ui.onMouseButton(0, true, 10, 10));
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"second"});
}

TEST_F(MenuTest, ShowCommandsPagesAndTabs)
{
    UIMenu* early = bench.loadMenu("name Early\nvisible 1\naddShowCommand \"rec early\"\n");
    EXPECT_TRUE(early->isVisible());
    EXPECT_TRUE(bench.recorded.empty()) << "the command came after \"visible 1\"";

    UIMenu* page0 =
        bench.loadMenu("name P0\nsubMenu 1\nexternalName Video\n"
                       "Widget {\n text P0\n size 50 50\n canClick 1\n addCommand \"menuCommand hide\"\n}\n");
    bench.loadMenu("name P1\nsubMenu 1\nWidget {\n text P1\n}\n");
    UIMenu* top =
        bench.loadMenu("name Top\naddSubMenu P0\naddSubMenu P1\n"
                       "Widget {\n text Tab0\n subMenuTab 1\n subMenuIndex 0\n position 0 200\n"
                       " textSource SubmenuName 0\n}\n"
                       "Widget {\n text Tab1\n subMenuTab 1\n subMenuIndex 1\n position 0 300\n}\n");
    EXPECT_EQ(page0->getParent(), top);
    bench.ui.pushMenu(top);
    top->selectSubMenu(0);
    bench.ui.draw();
    bool videoTab = false, pageDrawn = false;
    for (const auto& call : bench.drawing.texts()) {
        videoTab = videoTab || call.text == "Video";
        pageDrawn = pageDrawn || call.text == "P0";
    }
    EXPECT_TRUE(videoTab);
    EXPECT_TRUE(pageDrawn);
    EXPECT_TRUE(top->getWidgets()[0]->isSelected() || top->getWidgets()[1]->isSelected());

    // A page's "menuCommand hide" hides the menu it belongs to.
    EXPECT_TRUE(bench.ui.onMouseButton(0, true, 10, 10));
    EXPECT_FALSE(top->isOnStack());
    EXPECT_FALSE(top->isActive());

    top->selectSubMenu(5);
    bench.ui.pushMenu(top);
    bench.drawing.calls.clear();
    bench.ui.draw();
    for (const auto& call : bench.drawing.texts()) {
        EXPECT_NE(call.text, "P0");
        EXPECT_NE(call.text, "P1");
    }
    for (const auto& widget : top->getWidgets()) {
        EXPECT_FALSE(widget->isSelected());
    }
}

TEST_F(MenuTest, RememberedVariablesRestartApplyAndRestore)
{
    bench.commands.registerCommand([this](const CommandArgs&) { bench.recorded.push_back("vidRestart"); },
                                   "vidRestart", "", "", "", false, 0);
    UserVarRef width = bench.vars.getVar("r_width", "800", UserVarSystem::kCreate);
    width->setNeedsRestart(true);
    UserVarRef volume = bench.vars.getVar("s_volume", "1", UserVarSystem::kCreate);
    UIMenu* menu = bench.loadMenu(
        "name Opt\nvisible 1\n"
        "Widget {\n text 1024\n userVar r_width\n}\nWidget {\n text 0.5\n userVar s_volume\n}\n");
    menu->handleCommand("menuCommand saveUserVars");
    volume.setString("0.5");
    menu->handleCommand("menuCommand applyUserVars");
    EXPECT_TRUE(bench.recorded.empty());
    width.setString("1024");
    menu->handleCommand("menuCommand applyUserVars");
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"vidRestart"});
    // Applied values are the new reference: going back to the size the
    // page was opened with restarts again, and Cancel keeps what was applied.
    width.setString("800");
    menu->handleCommand("menuCommand applyUserVars");
    EXPECT_EQ(bench.recorded, (std::vector<std::string>{"vidRestart", "vidRestart"}));
    width.setString("640");
    volume.setString("0.25");
    menu->handleCommand("menuCommand restoreUserVars");
    EXPECT_EQ(width.getString(), "800");
    EXPECT_EQ(volume.getString(), "0.5");
}

TEST_F(MenuTest, TheMenuStack)
{
    UIMenu* a = bench.loadMenu("name A\naddHideCommand \"rec hideA\"\n");
    bench.ui.pushMenu(a);
    bench.ui.pushMenu(a);
    EXPECT_EQ(bench.ui.getMenuStack(), (std::vector<UIMenu*>{a, a}));
    bench.ui.removeFromMenuStack(a);
    EXPECT_EQ(bench.ui.getMenuStack(), (std::vector<UIMenu*>{a}));
    EXPECT_FALSE(a->isOnStack());
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"hideA"});

    // Shown only through the stack: toggling leaves it alone.
    bench.ui.pushMenu(a);
    bench.recorded.clear();
    bench.ui.toggleMenu(a);
    EXPECT_TRUE(a->isOnStack());
    EXPECT_TRUE(bench.recorded.empty());

    bench.ui.popMenu();
    bench.ui.popMenu();
    bench.ui.popMenu();
    EXPECT_TRUE(bench.ui.getMenuStack().empty());

    UIMenu* page = bench.loadMenu("name Page\nsubMenu 1\nvisible 1\n");
    UIMenu* plain = bench.loadMenu("name Plain\nvisible 1\n");
    bench.ui.hideAllMenus();
    EXPECT_TRUE(page->isVisible());
    EXPECT_FALSE(plain->isVisible());
}

TEST_F(MenuTest, ACycleOfMenusIsRefused)
{
    UIMenu* a = bench.loadMenu("name A\nparent A\n", "a.mnu");
    EXPECT_EQ(a->getParent(), nullptr);
    EXPECT_TRUE(bench.log.contains("a.mnu:2: menu A cannot be its own parent", 3));
    UIMenu* b = bench.loadMenu("name B\nparent A\n", "b.mnu");
    EXPECT_EQ(b->getParent(), a);
    bench.loadMenu("name C\naddSubMenu C\n", "c.mnu");
    EXPECT_TRUE(bench.log.contains("c.mnu:2: menu C cannot be its own parent", 3));
    TextReader reader("addSubMenu B\n", "a2.mnu");
    a->parse(reader);
    EXPECT_EQ(a->getSubMenuCount(), 1);
    TextReader back("addSubMenu A\n", "b2.mnu");
    b->parse(back);
    EXPECT_EQ(b->getSubMenuCount(), 0);
    EXPECT_TRUE(bench.log.contains("b2.mnu:1: menu B cannot be its own parent", 3));
    // Nothing walks for ever.
    a->handleCommand("rec done");
    a->draw();
    a->refreshWidgets();
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"done"});
}

TEST_F(MenuTest, ClonesHoldTheirOwnReferences)
{
    bench.loadMenu("name Other\nWidget {\n internalName Target\n}\n");
    auto owned = std::make_unique<UIMenu>();
    UIMenu* tmpl = owned.get();
    TextReader reader("name T\nWidget {\n texture UI/a.tga\n hoverTexture UI/b.tga\n font small\n"
                      " clickSound Sounds/c.ogg\n parentWidget Other::Target\n internalName W\n}\n",
                      "t.mnu");
    tmpl->parse(reader);
    const UIWidget& source = *tmpl->getWidgets()[0];
    int handles[4] = {source.getImage().getIndex(), source.getHoverImage().getIndex(),
                      source.getFont().getIndex(), source.getClickSound().getIndex()};
    UIMenu* copy = bench.ui.addMenu(std::make_unique<UIMenu>());
    copy->copyWidgetsFrom(*tmpl);
    for (int index : handles) {
        ASSERT_GE(index, 0);
        EXPECT_EQ(bench.resources.getRefCount(index), 2) << index;
    }
    owned.reset();
    UIWidget* clone = copy->findWidget("W");
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->getMenu(), copy);
    for (int index : handles) {
        EXPECT_EQ(bench.resources.getRefCount(index), 1) << index;
    }
    EXPECT_NE(clone->getParent(), nullptr) << "the clone follows the template's parent";
    TextReader missing("Widget {\n parentWidget Other::Nobody\n}\n", "m.mnu");
    copy->parse(missing);
    EXPECT_TRUE(bench.log.contains("m.mnu:2: Could not find widget Nobody", 3));
    bench.ui.findMenu("Other");
    UIMenu* other = bench.ui.findMenu("Other");
    std::unique_ptr<UIWidget> gone = other->removeWidget(other->findWidget("Target"));
    gone.reset();
    EXPECT_EQ(clone->getParent(), nullptr);
}

// A bag's copy of its template: a decrease slot and a model widget become
// plain widgets that keep what they show, a check box stays a check box.
TEST_F(MenuTest, ClonesOfDecreaseSlotsAndModelWidgetsArePlainWidgets)
{
    auto owned = std::make_unique<UIMenu>();
    TextReader reader("name T\nSkillSlotDecrease {\n internalName D\n text Less\n position 4 6\n}\n"
                      "ModelWidget {\n internalName M\n text Look\n size 40 50\n}\n"
                      "CheckBox {\n internalName C\n}\n",
                      "t.mnu");
    owned->parse(reader);
    UIMenu* copy = bench.ui.addMenu(std::make_unique<UIMenu>());
    copy->copyWidgetsFrom(*owned);
    const std::pair<const char*, const std::type_info*> cases[] = {
        {"D", &typeid(UIWidget)}, {"M", &typeid(UIWidget)}, {"C", &typeid(UICheckBox)}};
    for (const auto& [name, type] : cases) {
        const UIWidget* clone = copy->findWidget(name);
        ASSERT_NE(clone, nullptr) << name;
        const UIWidget& widget = *clone;
        EXPECT_EQ(typeid(widget), *type) << name;
    }
    EXPECT_EQ(copy->findWidget("D")->getTextValue(), "Less");
    EXPECT_EQ(copy->findWidget("D")->getPosition().x, 4.0f);
    EXPECT_EQ(copy->findWidget("M")->getSize().y, 50.0f);
}

} // namespace

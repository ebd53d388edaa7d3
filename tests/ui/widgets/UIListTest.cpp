#include "support/UITestBench.h"

#include "engine/files/FileSystem.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIListButton.h"
#include "ui/widgets/UIScrollBar.h"

#include <gtest/gtest.h>

namespace {

// A list at the menu's corner over the provider "rows", whose items the test
// sets; a "Go" button records its clicks.
struct ListTest : ::testing::Test {
    ListTest()
    {
        bench.commands.registerListFunction("rows", [this](std::vector<ListEntry>& out) {
            for (const std::string& value : rows) {
                out.push_back({"Row " + value, value, "title " + value, "text " + value, value != "off"});
            }
        });
        menu = bench.loadMenu("name M\nvisible 1\nWidget\n{\n internalName Go\n position 300 0\n size 10 10\n"
                              " canClick 1\n addCommand \"rec go\"\n}\n");
    }
    UIList* addList(const std::string& keywords)
    {
        TextReader reader("List\n{\n size 100 100\n canClick 1\n infoProc rows\n userVar picked\n " +
                              keywords + "\n}\n",
                          "l.mnu");
        menu->parse(reader);
        UIList* list = nullptr;
        for (const auto& widget : menu->getWidgets()) {
            if (auto* found = dynamic_cast<UIList*>(widget.get())) {
                list = found;
            }
        }
        list->initialize(true);
        return list;
    }
    void click(int x, int y)
    {
        bench.ui.onMouseButton(0, true, x, y);
        bench.ui.onMouseButton(0, false, x, y);
    }
    std::string picked() { return bench.vars.getVar("picked", "", 0).getString(); }

    UITestBench bench;
    UIMenu* menu = nullptr;
    std::vector<std::string> rows{"a", "b", "c", "d", "e"};
};

TEST_F(ListTest, RowsSelectionAndDoubleClicks)
{
    UIList* list = addList("itemHeight 30\n doubleClickRedirect M::Go\n userVarHoldsName 0");
    EXPECT_EQ(list->getVisibleRows(), 3);
    EXPECT_EQ(list->getScrollBar()->getCount(), 5);
    EXPECT_EQ(list->getScrollBar()->getVisibleCount(), 3);
    // The bar lies inside the list: its arrow still takes the click.
    bench.ui.onMouseButton(0, true, 92, 95);
    bench.ui.sendToHeldWidget(0, false);
    EXPECT_EQ(list->getScrollBar()->getFirstVisible(), 1);
    list->getScrollBar()->scrollTo(0);

    struct Step {
        int64_t ms;
        int y;
        int clicks;
    };
    // Same row 0.3 s apart: one redirect; 0.6 s apart or another row: none.
    const Step steps[] = {{1000, 5, 0}, {1300, 5, 1}, {3000, 40, 1}, {3600, 40, 1}, {3700, 5, 1}};
    for (const Step& step : steps) {
        bench.setTimeMs(step.ms);
        click(10, step.y);
        EXPECT_EQ(static_cast<int>(bench.recorded.size()), step.clicks) << step.ms;
    }
    EXPECT_EQ(list->getSelectedIndex(), 0);
    EXPECT_EQ(picked(), "a");

    // Rows of the disabled item or below the last do nothing; drawn rows
    // carry the selected and disabled prefixes.
    rows = {"a", "off"};
    list->refresh();
    click(10, 40);
    click(10, 70);
    EXPECT_EQ(list->getSelectedIndex(), 0);
    bench.drawing.calls.clear();
    list->draw();
    auto texts = bench.drawing.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "^c001^l000Row a");
    EXPECT_EQ(texts[1].text, "^c004Row off");
    EXPECT_EQ(texts[1].y0, 30.0f);

    // The bar shows only while rows are left out: one row, or as many as
    // fit, stand without a bar (one quest on offer showed a lone bar).
    for (const auto& [count, shown] : {std::pair{0, false}, {1, false}, {3, false}, {4, true}}) {
        rows.assign(static_cast<size_t>(count), "r");
        list->refresh();
        EXPECT_EQ(list->getScrollBar()->isVisible(), shown) << count << " rows";
    }
}

TEST_F(ListTest, ZeroHeightMultipleSelectionAndShrinkingLists)
{
    UIList* tens = addList("itemHeight 0");
    EXPECT_EQ(tens->getItemHeight(), 10);
    menu->removeWidget(tens);

    UIList* multi = addList("canSelectMultiple 1");
    click(10, 35);
    click(10, 5);
    click(10, 15);
    click(10, 15);
    std::vector<std::string> values;
    multi->getSelectedValues(values);
    EXPECT_EQ(values, (std::vector<std::string>{"a", "d"}));
    EXPECT_EQ(multi->getSelectedIndex(), -1);
    menu->removeWidget(multi);

    UIList* list = addList("refreshEachFrame 1");
    list->selectItem(2);
    EXPECT_EQ(picked(), "Row c");
    rows = {"x", "y"};
    bench.ui.update(0.016f);
    EXPECT_EQ(list->getSelectedIndex(), 0);
    EXPECT_EQ(picked(), "Row x");
    rows.clear();
    bench.ui.update(0.016f);
    EXPECT_EQ(list->getSelectedIndex(), -1);
    std::string value;
    EXPECT_FALSE(list->getSelectedValue(value));
}

TEST_F(ListTest, AListButtonRunsItsCommandWithTheSelectedValue)
{
    TextReader reader(
        "List\n{\n internalName L\n size 100 100\n canClick 1\n infoProc rows\n}\n"
        "ListButton\n{\n position 200 0\n size 20 20\n canClick 1\n list M::L\n listCommand rec\n}\n"
        "ListButton\n{\n position 200 50\n size 20 20\n canClick 1\n list M::Go\n listCommand rec\n}\n",
        "b.mnu");
    menu->parse(reader);
    auto* list = dynamic_cast<UIList*>(menu->findWidget("L"));
    ASSERT_NE(list, nullptr);
    list->initialize(true);
    click(210, 10);
    EXPECT_TRUE(bench.recorded.empty());
    list->selectItem(1);
    click(210, 10);
    click(210, 60);
    EXPECT_EQ(bench.recorded, (std::vector<std::string>{"b"}));

    // Refilled empty, the button runs nothing.
    rows.clear();
    list->refresh();
    click(210, 10);
    EXPECT_EQ(bench.recorded.size(), 1u);
}

TEST(ListFilesTest, AUserDirectoryListsNamesWithoutExtension)
{
    UITestBench bench;
    TempDir data;
    TempDir user;
    user.write("Characters/Orla Fen.chr", "x");
    user.write("Characters/Bram.chr", "x");
    user.write("Characters/notes.txt", "x");
    FileSystem files(data.path().string(), user.path().string());
    UIMenu* menu = bench.loadMenu("name M\nvisible 1\nList\n{\n size 100 100\n directory Characters\n"
                                  " extension chr\n fileType user\n}\n");
    auto* list = static_cast<UIList*>(menu->getWidgets().front().get());
    list->initialize(true);
    std::vector<std::string> names;
    for (const ListEntry& item : list->getItems()) {
        names.push_back(item.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Bram", "Orla Fen"}));
}

} // namespace

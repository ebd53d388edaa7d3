#include "support/UITestBench.h"

#include "ui/widgets/UIDropDownBox.h"
#include "ui/widgets/UIDropDownMenu.h"
#include "ui/widgets/UIScrollBar.h"

#include <gtest/gtest.h>

namespace {

struct DropDownTest : ::testing::Test {
    DropDownTest()
    {
        bench.commands.registerListFunction("modes", [this](std::vector<ListEntry>& out) {
            for (const auto& [name, value] : modes) {
                out.push_back({name, value, "", "", true});
            }
        });
        menu = bench.loadMenu("name M\nvisible 1\n");
    }
    template <class W> W* add(const std::string& block)
    {
        TextReader reader(block, "d.mnu");
        menu->parse(reader);
        for (const auto& widget : menu->getWidgets()) {
            if (auto* found = dynamic_cast<W*>(widget.get())) {
                return found;
            }
        }
        return nullptr;
    }
    void click(int x, int y)
    {
        bench.ui.onMouseButton(0, true, x, y);
        bench.ui.onMouseButton(0, false, x, y);
    }
    std::string mode() { return bench.vars.getVar("r_mode", "", 0).getString(); }

    UITestBench bench;
    UIMenu* menu = nullptr;
    std::vector<std::pair<std::string, std::string>> modes{
        {"640x480", "0"}, {"800x600", "1"}, {"Window", ""}};
};

// An open box shows its bar only for more entries than its rows hold (the
// new game's four covenant counts in four rows need none).
TEST_F(DropDownTest, TheBarOnlyForMoreEntriesThanRows)
{
    struct Case {
        size_t entries;
        bool bar;
    };
    auto* box = add<UIDropDownBox>("DropDownBox\n{\n baseSize 100 20\n maxSize 100 100\n infoProc modes\n"
                                   " userVar r_mode\n}\n");
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->getVisibleRows(), 4);
    for (const Case c : {Case{0, false}, Case{3, false}, Case{4, false}, Case{5, true}, Case{9, true}}) {
        SCOPED_TRACE(c.entries);
        modes.clear();
        for (size_t i = 0; i < c.entries; ++i) {
            modes.push_back({"Mode " + std::to_string(i), std::to_string(i)});
        }
        box->refresh();
        EXPECT_FALSE(box->getScrollBar()->isVisible()) << "closed";
        click(10, 10);
        ASSERT_TRUE(box->isOpen());
        EXPECT_EQ(box->getScrollBar()->isVisible(), c.bar);
        click(10, 10);
        ASSERT_FALSE(box->isOpen());
    }
}

TEST_F(DropDownTest, ABoxShowsAndWritesTheValueOfItsEntries)
{
    auto* box = add<UIDropDownBox>("DropDownBox\n{\n baseSize 100 20\n maxSize 100 80\n infoProc modes\n"
                                   " userVar r_mode 1\n}\n");
    ASSERT_NE(box, nullptr);
    box->initialize(true);
    EXPECT_EQ(box->getVisibleRows(), 3);
    EXPECT_EQ(box->getCurrentText(), "800x600");
    bench.vars.getVar("r_mode", "", 0).setString("7");
    EXPECT_EQ(box->getCurrentText(), "");

    // Open, the rows start one closed height below; an entry without a
    // value writes its name.
    click(10, 10);
    ASSERT_TRUE(box->isOpen());
    EXPECT_EQ(box->getSize().y, 80.0f);
    click(10, 65);
    EXPECT_FALSE(box->isOpen());
    EXPECT_EQ(box->getSize().y, 20.0f);
    EXPECT_EQ(mode(), "Window");
    click(10, 10);
    click(10, 25);
    EXPECT_EQ(mode(), "0");

    // A provider that changes is followed every frame, also while closed.
    modes = {{"1024x768", "0"}};
    bench.ui.update(0.0f);
    EXPECT_EQ(box->getCurrentText(), "640x480");
    auto* live = add<UIDropDownBox>("DropDownBox\n{\n position 200 0\n baseSize 100 20\n maxSize 100 80\n"
                                    " infoProc modes\n refreshEachFrame 1\n userVar r_mode\n}\n");
    ASSERT_NE(live, nullptr);
    bench.ui.update(0.0f);
    EXPECT_EQ(live->getCurrentText(), "1024x768");
}

TEST_F(DropDownTest, BoxesWithoutEntriesOrRowHeightPickNothing)
{
    auto* empty =
        add<UIDropDownBox>("DropDownBox\n{\n baseSize 100 20\n maxSize 100 80\n userVar r_mode 1\n}\n");
    empty->initialize(true);
    click(10, 10);
    EXPECT_TRUE(empty->isOpen());
    EXPECT_TRUE(empty->getEntries().empty());
    click(10, 25);
    EXPECT_FALSE(empty->isOpen());
    EXPECT_EQ(mode(), "1");
    menu->removeWidget(empty);

    auto* flat = add<UIDropDownBox>("DropDownBox\n{\n size 100 80\n maxSize 100 80\n infoProc modes\n"
                                    " userVar r_mode 1\n}\n");
    flat->initialize(true);
    flat->setSize({100.0f, 80.0f});
    flat->onClick(0, true, 10, 10);
    EXPECT_EQ(flat->rowAt(10.0f, 30.0f), -1);
    flat->onClick(0, true, 10, 30);
    EXPECT_EQ(mode(), "1");
}

TEST_F(DropDownTest, AMenuOpensRunsAChoiceAndCloses)
{
    auto* game = add<UIDropDownMenu>("DropDownMenu\n{\n text Game\n baseSize 60 20\n choiceSize 60 15\n"
                                     " addChoice Options \"rec options\"\n addChoice Save \"rec save\"\n"
                                     " addChoice Quit \"rec quit\"\n}\n");
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->getSize().y, 20.0f);
    click(10, 10);
    EXPECT_TRUE(game->isOpen());
    EXPECT_EQ(game->getSize().y, 65.0f);
    // The header row closes it without a command.
    click(10, 10);
    EXPECT_FALSE(game->isOpen());
    EXPECT_TRUE(bench.recorded.empty());
    click(10, 10);
    click(10, 40);
    EXPECT_FALSE(game->isOpen());
    EXPECT_EQ(game->getSize().y, 20.0f);
    EXPECT_EQ(bench.recorded, (std::vector<std::string>{"save"}));
}

// The open list is as wide as its longest label and room at both ends of
// it, however narrow the header; a click anywhere across a row runs its
// choice. Without an image of its own it lies on the blank image.
TEST_F(DropDownTest, AnOpenMenuHoldsItsLongestLabelWithRoomAtBothEnds)
{
    auto* game = add<UIDropDownMenu>(
        "DropDownMenu\n{\n text Game\n baseSize 60 20\n choiceSize 60 15\n"
        " addChoice Options \"rec options\"\n addChoice \"Save and exit\" \"rec save\"\n}\n");
    ASSERT_NE(game, nullptr);
    click(10, 10);
    ASSERT_TRUE(game->isOpen());
    bench.drawing.calls.clear();
    game->draw();
    const std::vector<RecordingUIDrawing::Call> images =
        bench.drawing.imagesOf(*bench.drawing.standardImage(0));
    ASSERT_EQ(images.size(), 1u);
    int rows = 0;
    for (const auto& text : bench.drawing.texts()) {
        if (text.y0 < images[0].y0) {
            continue; // the header
        }
        ++rows;
        EXPECT_GE(text.x0 - images[0].x0, 4.0f) << text.text;
        EXPECT_GE(images[0].x1 - text.x1, 4.0f) << text.text;
    }
    EXPECT_EQ(rows, 2);
    EXPECT_GT(images[0].x1, 60.0f);
    click(static_cast<int>(images[0].x1) - 2, 40);
    EXPECT_EQ(bench.recorded, (std::vector<std::string>{"save"}));
}

} // namespace

namespace {

// An open box of the first row lies over the closed box below it and over a
// window drawn above its menu: only the list is drawn after them, the rest
// of its menu keeps its place. A click there still chooses in the list.
TEST_F(DropDownTest, AnOpenListIsDrawnOverTheRowBelow)
{
    add<UIDropDownBox>("DropDownBox\n{\n internalName Upper\n baseSize 100 20\n maxSize 100 80\n"
                       " infoProc modes\n userVar r_mode\n drawOrder 2\n}\n");
    add<UIDropDownBox>(
        "DropDownBox\n{\n internalName Lower\n position 0 30\n baseSize 100 20\n maxSize 100 80\n"
        " infoProc modes\n userVar r_other\n drawOrder 3\n}\n");
    add<UIWidget>("Widget\n{\n text Bars\n position 0 400\n}\n");
    bench.loadMenu("name Over\nalwaysOnTop 1\nvisible 1\nWidget {\n text Over\n position 0 60\n}\n");
    auto* upper = dynamic_cast<UIDropDownBox*>(menu->findWidget("Upper"));
    auto* lower = dynamic_cast<UIDropDownBox*>(menu->findWidget("Lower"));
    ASSERT_TRUE(upper && lower);
    upper->initialize(true);
    lower->initialize(true);
    click(10, 10);
    ASSERT_TRUE(upper->isOpen());
    bench.drawing.calls.clear();
    bench.ui.draw();
    // The lower box's closed image, the menu's text and the window come
    // before the list's image.
    int lastLower = -1, lastUpper = -1, bars = -1, window = -1;
    for (size_t i = 0; i < bench.drawing.calls.size(); ++i) {
        const auto& call = bench.drawing.calls[i];
        const int at = static_cast<int>(i);
        if (call.kind == RecordingUIDrawing::Call::Text) {
            bars = call.text == "Bars" ? at : bars;
            window = call.text == "Over" ? at : window;
        }
        if (call.kind != RecordingUIDrawing::Call::Image) {
            continue;
        }
        if (call.y0 == 30.0f && call.y1 == 50.0f) {
            lastLower = at;
        }
        if (call.y0 == 0.0f && call.y1 == 80.0f) {
            lastUpper = at;
        }
    }
    ASSERT_GE(lastLower, 0);
    ASSERT_GE(lastUpper, 0);
    EXPECT_GT(lastUpper, lastLower);
    EXPECT_LT(bars, window) << "the list's menu stays under the window";
    EXPECT_GT(lastUpper, window);
    click(10, 45);
    EXPECT_FALSE(upper->isOpen());
    EXPECT_FALSE(lower->isOpen());
    EXPECT_EQ(mode(), "1");
}

// One list is open at a time; a press outside the open list closes it and
// does nothing else there.
TEST_F(DropDownTest, APressOutsideAnOpenListOnlyClosesIt)
{
    auto* box = add<UIDropDownBox>("DropDownBox\n{\n baseSize 100 20\n maxSize 100 80\n infoProc modes\n"
                                   " userVar r_mode 1\n}\n");
    auto* game = add<UIDropDownMenu>("DropDownMenu\n{\n position 200 0\n text Game\n baseSize 60 20\n"
                                     " choiceSize 60 15\n addChoice Save \"rec save\"\n}\n");
    add<UIWidget>("Widget\n{\n position 300 300\n size 50 50\n canClick 1\n addCommand \"rec under\"\n}\n");
    ASSERT_TRUE(box && game);
    box->initialize(true);
    click(10, 10);
    ASSERT_TRUE(box->isOpen());
    for (const auto& [x, y] : {std::pair{210, 10}, std::pair{320, 320}}) {
        click(x, y);
        EXPECT_FALSE(box->isOpen()) << x;
        EXPECT_FALSE(game->isOpen()) << x;
        EXPECT_TRUE(bench.recorded.empty()) << x;
        click(10, 10);
    }
    // Opened by a hot key or the program, the other list closes too.
    game->onClick(0, true, 210, 10);
    EXPECT_TRUE(game->isOpen());
    EXPECT_FALSE(box->isOpen());
    EXPECT_EQ(mode(), "1");
}

} // namespace

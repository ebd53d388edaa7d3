#include "support/UITestBench.h"

#include "ui/widgets/UIScrollBar.h"
#include "ui/widgets/UIText.h"
#include "ui/widgets/UITextInput.h"

#include <gtest/gtest.h>

namespace {

// 6 × 10 pixels a character: a text 144 wide holds 20 characters a line,
// 40 high shows four lines.
struct TextTest : ::testing::Test {
    TextTest() { menu = bench.loadMenu("name M\nvisible 1\nText\n{\n size 144 40\n keyboardControl 1\n}\n"); }
    UIText* text() { return static_cast<UIText*>(menu->getWidgets().front().get()); }

    UITestBench bench;
    UIMenu* menu = nullptr;
};

TEST_F(TextTest, LinesWrapAtBlanksAndCutOnlyOverLongWords)
{
    struct Case {
        std::string in;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"one\ntwo\nthree", {"one", "two", "three"}},
        {"one\r\ntwo\r\nthree", {"one", "two", "three"}},
        {"one two three four five six", {"one two three four ", "five six"}},
        {std::string(30, 'x'), {std::string(20, 'x'), std::string(10, 'x')}},
        {"ab " + std::string(30, 'x'), {"ab ", std::string(20, 'x'), std::string(10, 'x')}},
        {"", {}},
    };
    for (const Case& c : cases) {
        text()->layoutLines(c.in);
        EXPECT_EQ(text()->getLines(), c.lines) << c.in;
    }
    EXPECT_EQ(text()->getVisibleLineCount(), 4);
}

// A "text" keyword before "size" is wrapped at the size given after it, as
// when it comes last (laid out at once, it was cut into one-letter lines).
TEST(TextOrderTest, TheTextKeywordWrapsAtTheBlocksSizeWhereverItStands)
{
    for (const char* block : {" text \"one two three four five six\"\n size 144 40\n",
                              " size 144 40\n text \"one two three four five six\"\n"}) {
        SCOPED_TRACE(block);
        UITestBench bench;
        UIMenu* menu = bench.loadMenu(std::string("name M\nvisible 1\nText\n{\n") + block + "}\n");
        auto* t = static_cast<UIText*>(menu->getWidgets().front().get());
        EXPECT_EQ(t->getLines(), (std::vector<std::string>{"one two three four ", "five six"}));
        EXPECT_EQ(t->getVisibleLineCount(), 4);
        t->prepareDraw();
        EXPECT_EQ(t->getTextValue(), "one two three four \nfive six\n");
    }
}

// The bar stands beside a text only while its lines do not all fit (an empty
// text, such as a reply not yet given, shows none).
TEST_F(TextTest, TheBarOnlyForMoreLinesThanFit)
{
    struct Case {
        const char* text;
        bool bar;
    };
    for (const Case c : {Case{"", false}, Case{"a\\nb\\nc\\nd", false}, Case{"a\\nb\\nc\\nd\\ne", true}}) {
        SCOPED_TRACE(c.text);
        text()->setText(c.text);
        text()->prepareDraw();
        ASSERT_NE(text()->getScrollBar(), nullptr);
        EXPECT_EQ(text()->getScrollBar()->isVisible(), c.bar);
    }
}

TEST_F(TextTest, KeysAndWheelScrollWithinTheLines)
{
    UIText* t = text();
    t->setText("a\\nb\\nc\\nd\\ne\\nf\\ng\\nh\\ni\\nj");
    ASSERT_EQ(t->getLines().size(), 10u);
    t->prepareDraw();
    EXPECT_EQ(t->getTextValue(), "a\nb\nc\nd\n");
    UIScrollBar* bar = t->getScrollBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->getDrawOrder(), t->getDrawOrder() + 1.0f);

    const int pageDown = 209, end = 207, home = 199, up = 200;
    EXPECT_TRUE(t->onKey(pageDown, true));
    EXPECT_EQ(bar->getFirstVisible(), 3);
    t->onKey(end, true);
    EXPECT_EQ(bar->getFirstVisible(), 9);
    t->prepareDraw();
    EXPECT_EQ(t->getTextValue(), "j\n");
    t->onKey(home, true);
    t->onKey(up, true);
    EXPECT_EQ(bar->getFirstVisible(), 0);
    EXPECT_FALSE(t->onKey(pageDown, false));

    // The wheel: a visible text under the pointer takes it; one away from
    // the pointer or hidden leaves it (to another text, or the camera).
    bench.input.setMousePosition(300, 300);
    EXPECT_FALSE(bench.ui.handleMouseScroll(false));
    EXPECT_EQ(bar->getFirstVisible(), 0);
    bench.input.setMousePosition(20, 20);
    EXPECT_TRUE(bench.ui.handleMouseScroll(false));
    EXPECT_EQ(bar->getFirstVisible(), 1);
    t->setVisible(false);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(bench.ui.handleMouseScroll(false));
    EXPECT_EQ(bar->getFirstVisible(), 1);
}

// A text rebuilt every frame from its sources is laid out again only when it
// changes: the reader's place stays while it reads the same, and while the
// text begins as before (a time further on runs on); another text shows
// from its top.
TEST_F(TextTest, ARebuiltTextKeepsTheReadersPlace)
{
    struct Case {
        const char* next;
        int first;
    };
    const std::string ten = "a\\nb\\nc\\nd\\ne\\nf\\ng\\nh\\ni\\nj";
    const Case cases[] = {
        {"a\\nb\\nc\\nd\\ne\\nf\\ng\\nh\\ni\\nj", 7},
        {"a\\nb\\nc\\nd\\ne\\nf\\ng\\nh\\ni\\nj\\nk", 7},
        {"a\\nb\\nc", 0},
        {"z\\nb\\nc\\nd\\ne\\nf\\ng\\nh\\ni\\nj", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.next);
        UIText* t = text();
        t->setText("x");
        t->setText(ten);
        t->prepareDraw();
        t->getScrollBar()->scrollTo(7);
        t->prepareDraw();
        t->setText(c.next);
        t->prepareDraw();
        EXPECT_EQ(t->getScrollBar()->getFirstVisible(), c.first);
    }
}

// A press on the bar of a text hidden by its show condition is left to what
// lies below, as a press on the hidden text is.
TEST(TextBarTest, APressOnTheBarOfAHiddenTextIsNotTaken)
{
    struct Case {
        const char* condition;
        bool taken;
    };
    for (const Case c : {Case{"", true}, Case{" showCondition WonGame\n", false}}) {
        UITestBench bench;
        UIMenu* menu =
            bench.loadMenu(std::string("name M\nvisible 1\nText\n{\n size 144 40\n") + c.condition + "}\n");
        UIText* t = static_cast<UIText*>(menu->getWidgets().front().get());
        t->setText("a\\nb\\nc\\nd\\ne\\nf");
        t->prepareDraw();
        UIScrollBar* bar = t->getScrollBar();
        ASSERT_NE(bar, nullptr);
        const Vec2 at = bar->getScreenPosition() + bar->getSize() * 0.5f;
        EXPECT_EQ(bench.ui.onMouseButton(0, true, static_cast<int>(at.x), static_cast<int>(at.y)), c.taken)
            << c.condition;
        bench.ui.onMouseButton(0, false, static_cast<int>(at.x), static_cast<int>(at.y));
    }
}

TEST_F(TextTest, ACopyHasItsOwnBar)
{
    text()->setText("a\\nb\\nc\\nd\\ne\\nf");
    UIMenu* copy = bench.loadMenu("name C\nvisible 1\n");
    copy->copyWidgetsFrom(*menu);
    // The template's bar was copied too: two bars, one of them the text's.
    ASSERT_EQ(copy->getWidgets().size(), 3u);
    auto* cloned = dynamic_cast<UIText*>(copy->getWidgets().front().get());
    ASSERT_NE(cloned, nullptr);
    ASSERT_NE(cloned->getScrollBar(), nullptr);
    EXPECT_EQ(cloned->getScrollBar()->getMenu(), copy);
    EXPECT_EQ(cloned->getLines().size(), 6u);
    cloned->prepareDraw();
    cloned->onKey(207, true);
    cloned->prepareDraw();
    EXPECT_EQ(cloned->getTextValue(), "f\n");
    EXPECT_EQ(text()->getScrollBar()->getFirstVisible(), 0);
}

struct InputCase {
    const char* block;
    std::vector<int> keys;
    const char* expected;
};

TEST(TextInputTest, TypingFiltersAndKeepsTheVariable)
{
    UITestBench bench;
    UIMenu* menu = bench.loadMenu("name M\nvisible 1\nWidget\n{\n internalName Go\n size 10 10\n"
                                  " canClick 1\n addCommand \"rec go\"\n}\n");
    // Scan codes: a 30, b 48, c 46, d 32, 1 2, 2 3, - 12, . 52, Tab 15, Backspace 14.
    const InputCase cases[] = {
        {"maxCharacters 3", {30, 48, 46, 32}, "abc"},
        {"maxCharacters 3", {30, 48, 46, 32, 14, 32}, "abd"},
        {"onlyAllowNumbers 1", {2, 12, 52, 3, 30}, "12"},
        {"tabRedirect M::Nothing\n allowTabs 1", {30, 15, 48}, "ab"},
        {"allowTabs 1", {30, 15}, "a\t"},
        {"", {30, 15}, "a"},
    };
    for (const InputCase& c : cases) {
        TextReader reader(std::string("{\n userVar typed\n ") + c.block + "\n}", "t.mnu");
        UITextInput input;
        input.parseBlock(reader);
        bench.vars.getVar("typed", "", 0).setString("");
        for (int key : c.keys) {
            EXPECT_TRUE(input.onKey(key, true));
            EXPECT_EQ(input.getInputText(), bench.vars.getVar("typed", "", 0).getString());
        }
        EXPECT_EQ(input.getInputText(), c.expected) << c.block;
    }

    // Escape is left to the menus; Enter clicks the redirect once.
    TextReader reader("{\n enterRedirect M::Go\n}", "t.mnu");
    UITextInput input;
    input.parseBlock(reader);
    EXPECT_FALSE(input.onKey(1, true));
    EXPECT_TRUE(input.onKey(28, true));
    EXPECT_EQ(bench.recorded, (std::vector<std::string>{"go"}));
    (void)menu;
}

} // namespace

#include "support/RecordingWidget.h"
#include "support/TestEntityMirror.h"
#include "support/UITestBench.h"

#include "engine/console/KeyNames.h"
#include "engine/core/ColorSystem.h"
#include "game/definitions/GameEnums.h"
#include "ui/UIValueTables.h"

#include <gtest/gtest.h>

namespace {

// A widget read from one block, standing in a menu at (100, 40).
template <class W = UIWidget> W* addWidget(UITestBench& bench, UIMenu* menu, const std::string& block)
{
    auto widget = std::make_unique<W>();
    TextReader reader(block, "w.mnu");
    widget->parseBlock(reader);
    W* raw = static_cast<W*>(menu->addWidget(std::move(widget)));
    raw->setMenu(menu);
    return raw;
}

struct WidgetTest : ::testing::Test {
    WidgetTest()
    {
        menu = bench.loadMenu("name M\nposition 100 40\nvisible 1\n");
        bench.drawing.sizes["UI/panel.tga"] = {64.0f, 32.0f};
    }
    UITestBench bench;
    UIMenu* menu = nullptr;
};

TEST_F(WidgetTest, ValueNamesAndKeywordsConfigureTheWidget)
{
    EXPECT_EQ(lookupUICondition("alwaystrue"), 55);
    EXPECT_EQ(lookupUICondition("EliteMonster"), 16);
    EXPECT_EQ(lookupUITextSource("CovenantShortName"), 16);
    EXPECT_EQ(lookupUIMode("increaseskill"), UIMode::IncreaseSkill);
    EXPECT_EQ(statConversionTypeTable().count(), 10);

    // An unknown name gives 0 and names its line.
    UIWidget* w = addWidget(bench, menu, "{\n showCondition AlwaysTrue\n\n hideCondition Sometimes\n}");
    EXPECT_TRUE(bench.log.contains("w.mnu:4: Unknown UICondition name Sometimes", 3));
    EXPECT_TRUE(w->isVisible());

    w = addWidget(bench, menu, "{\n textSource PlayerName Text \"a b\" EntityLevel 3\n}");
    std::vector<UITextSourceRecord> expected = {{UITextSource::PlayerName, -1, ""},
                                                {UITextSource::Text, -1, "a b"},
                                                {UITextSource::EntityLevel, 3, ""}};
    EXPECT_EQ(w->getTextSources(), expected);

    // The tiled flag counts only once it is read.
    bench.drawing.acquired.clear();
    addWidget(bench, menu, "{\n texture A\n tiled 1\n}");
    addWidget(bench, menu, "{\n tiled 1\n texture B\n}");
    ASSERT_EQ(bench.drawing.acquired.size(), 2u);
    EXPECT_EQ(bench.drawing.acquired[0].flags, 6);
    EXPECT_EQ(bench.drawing.acquired[1].flags, 7);

    // "text" takes the default hover colour over a custom one before it.
    bench.ui.editSettings().defaultHoverColor = ColorSystem::getColor(5);
    bench.ui.setDrawing(&bench.drawing);
    bench.input.setMousePosition(105, 45);
    UIWidget* after = addWidget(bench, menu, "{\n canClick 1\n size 50 20\n hoverColor red\n text T\n}");
    bench.ui.update(0.0f);
    bench.ui.draw();
    ASSERT_EQ(bench.ui.getHoveredWidget(), after);
    ASSERT_FALSE(bench.drawing.texts().empty());
    EXPECT_FLOAT_EQ(bench.drawing.texts().back().colour[0], ColorSystem::getColor(5).r);
    EXPECT_FLOAT_EQ(bench.drawing.texts().back().colour[1], ColorSystem::getColor(5).g);

    // "startsSelected" takes no value: the value is read as a keyword.
    addWidget(bench, menu, "{\n startsSelected 1\n}");
    EXPECT_TRUE(bench.log.contains("w.mnu:2: Unknown widget parm 1", 1));
}

TEST_F(WidgetTest, TheSameImageIsAcquiredOnceAndAnEmptyNameReleasesIt)
{
    UIWidget* w = addWidget(bench, menu, "{\n texture UI/panel.tga\n texture UI/panel.tga\n}");
    int index = w->getImage().getIndex();
    ASSERT_GE(index, 0);
    EXPECT_EQ(bench.drawing.acquired.size(), 1u);
    EXPECT_EQ(bench.resources.getRefCount(index), 1);
    w->setTexture("");
    EXPECT_FALSE(w->getImage().isValid());
    EXPECT_EQ(bench.resources.getRefCount(index), 0);
}

TEST_F(WidgetTest, DrawingPlacesTextsImagesHoverGlowAndBlink)
{
    bench.drawing.charWidth = 6.0f;
    bench.drawing.lineHeight = 12.0f;
    addWidget(bench, menu, "{\n position 20 10\n size 200 40\n text 0123456789\n textAlignment Center\n}");
    bench.ui.draw();
    ASSERT_EQ(bench.drawing.texts().size(), 1u);
    EXPECT_FLOAT_EQ(bench.drawing.texts()[0].x0, 190.0f);
    EXPECT_FLOAT_EQ(bench.drawing.texts()[0].y0, 64.0f);

    // Size 0, 0 takes the image's size once and keeps it.
    UIWidget* image = addWidget(bench, menu,
                                "{\n position 0 100\n texture UI/panel.tga\n hoverTexture UI/hover.tga\n"
                                " canClick 1\n}");
    bench.drawing.calls.clear();
    bench.ui.draw();
    EXPECT_FLOAT_EQ(image->getSize().x, 64.0f);
    bench.drawing.sizes["UI/panel.tga"] = {8.0f, 8.0f};
    bench.ui.draw();
    EXPECT_FLOAT_EQ(image->getSize().x, 64.0f);
    EXPECT_TRUE(bench.drawing.imagesOf(image->getHoverImage()).empty());

    // The hover image replaces the image, at alpha 1 untiled, only while hovered.
    bench.input.setMousePosition(110, 150);
    bench.ui.update(0.0f);
    bench.drawing.calls.clear();
    bench.ui.draw();
    ASSERT_EQ(bench.drawing.imagesOf(image->getHoverImage()).size(), 1u);
    EXPECT_FLOAT_EQ(bench.drawing.imagesOf(image->getHoverImage())[0].alpha, 1.0f);
    EXPECT_TRUE(bench.drawing.imagesOf(image->getImage()).empty());

    // Glow: sin(2t) of the clock's seconds, never below 0.
    UIMenu* other = bench.loadMenu("name G\nvisible 1\n");
    addWidget(bench, other, "{\n texture UI/panel.tga\n glowCondition AlwaysTrue\n}");
    addWidget(bench, other, "{\n glowCondition AlwaysTrue\n}");
    struct {
        int ms;
        float alpha;
    } glows[] = {{400, 0.717f}, {2000, 0.0f}};
    for (auto glow : glows) {
        bench.setTimeMs(glow.ms);
        bench.drawing.calls.clear();
        other->draw();
        std::vector<RecordingUIDrawing::Call> drawn = bench.drawing.imagesOf(bench.drawing.standard[3]);
        ASSERT_EQ(drawn.size(), 1u) << "only the widget with an image glows";
        EXPECT_NEAR(drawn[0].alpha, glow.alpha, 0.001f) << glow.ms;
    }
}

TEST_F(WidgetTest, ABlinkingWidgetShowsWhileTheHalfSecondsAreEven)
{
    UIMenu* blink = bench.loadMenu("name B\nvisible 1\n");
    addWidget(bench, blink, "{\n text Blink\n blinkCondition AlwaysTrue\n}");
    for (auto [ms, drawn] : std::vector<std::pair<int, bool>>{{400, true}, {600, false}, {1200, true}}) {
        bench.setTimeMs(ms);
        bench.drawing.calls.clear();
        blink->draw();
        EXPECT_EQ(bench.drawing.texts().size(), drawn ? 1u : 0u) << ms;
    }
}

TEST_F(WidgetTest, ButtonsRunTheirCommandsInTheirOrder)
{
    auto* w =
        addWidget<RecordingWidget>(bench, menu,
                                   "{\n size 50 50\n canClick 1\n addCommand \"rec click\"\n"
                                   " addRightClickCommand \"rec right\"\n addFailCommand \"rec fail\"\n}");
    EXPECT_TRUE(bench.ui.onMouseButton(1, true, 110, 50));
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"right"});
    EXPECT_EQ(w->clicks, std::vector<int>{1});

    // A check function that does not exist refuses the click.
    auto* checked = addWidget<RecordingWidget>(bench, menu,
                                               "{\n position 0 100\n size 50 50\n canClick 1\n"
                                               " verifyProc nothingLikeThis\n addCommand \"rec click\"\n"
                                               " addFailCommand \"rec fail\"\n}");
    bench.recorded.clear();
    EXPECT_TRUE(bench.ui.onMouseButton(0, true, 110, 150));
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"fail"});
    EXPECT_TRUE(checked->clicks.empty());

    // A hot key bound to a mouse button clicks without the pointer on it.
    bench.keys.declareAction("menuAction", 1, true, "");
    addWidget(bench, menu, "{\n position 0 300\n hotKey menuAction\n addCommand \"rec hot\"\n}");
    bench.recorded.clear();
    EXPECT_TRUE(bench.ui.onMouseButton(1, true, 600, 470));
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"hot"});
}

TEST_F(WidgetTest, AHeldButtonEndsWithItsReleaseEvenWhenHidden)
{
    auto* w = addWidget<RecordingWidget>(bench, menu,
                                         "{\n size 50 50\n canClick 1\n mouseCanRepeat 1\n"
                                         " addCommand \"rec click\"\n}");
    EXPECT_TRUE(bench.ui.onMouseButton(0, true, 110, 50));
    EXPECT_EQ(bench.ui.getHeldWidget(), w);
    EXPECT_TRUE(w->isRepeating());
    bench.ui.sendToHeldWidget(0, false);
    EXPECT_EQ(bench.ui.getHeldWidget(), nullptr);
    EXPECT_FALSE(w->isRepeating());

    // Hidden while held: the release through the capture still ends the
    // hold, and no click repeats when it shows again.
    bench.ui.editSettings().mouseFirstRepeatTime = 0.5f;
    bench.ui.editSettings().mouseOtherRepeatTime = 0.1f;
    EXPECT_TRUE(bench.ui.onMouseButton(0, true, 110, 50));
    w->setVisible(false);
    bench.ui.sendToHeldWidget(0, false);
    EXPECT_EQ(bench.ui.getHeldWidget(), nullptr);
    w->setVisible(true);
    bench.recorded.clear();
    for (int frame = 0; frame < 10; ++frame) {
        bench.ui.update(0.2f);
    }
    EXPECT_TRUE(bench.recorded.empty());
}

TEST_F(WidgetTest, KeysGoToHotKeysThenTheFocus)
{
    auto* w = addWidget<RecordingWidget>(bench, menu, "{\n hotKey f\n addCommand \"rec key\"\n}");
    int f = getKeyCodeByName("f");
    EXPECT_FALSE(bench.ui.handleKey(f, true, true)) << "a repeat is ignored";
    EXPECT_TRUE(bench.recorded.empty());
    EXPECT_TRUE(bench.ui.handleKey(f, true, false));
    EXPECT_EQ(bench.recorded, std::vector<std::string>{"key"});
    EXPECT_FALSE(bench.ui.handleKey(getKeyCodeByName("g"), true, false));
    bench.ui.setFocusWidget(w);
    EXPECT_TRUE(bench.ui.handleKey(getKeyCodeByName("g"), true, false));
    EXPECT_EQ(w->keys, std::vector<int>{getKeyCodeByName("g")});
}

TEST_F(WidgetTest, Tooltips)
{
    TestEntityMirror player, monster;
    bench.view.localPlayer = &player;
    bench.view.target = &monster;
    bench.view.playerStats[static_cast<int>(CharacterStat::Level)] = 20;
    UIWidget* level = addWidget(bench, menu, "{\n textSource EntityLevel\n entityType Selected\n}");
    struct {
        int d;
        const char* word;
    } rows[] = {{-5, "Very easy"}, {-4, "Easy"}, {-2, "Easy"},     {-1, "Average"},  {2, "Average"},
                {3, "Hard"},       {4, "Hard"},  {5, "Very hard"}, {6, "Impossible"}};
    for (auto row : rows) {
        bench.view.levels[&monster] = 20 + row.d;
        UITooltip tip;
        EXPECT_TRUE(level->getTooltip(tip));
        EXPECT_EQ(tip.text, row.word) << row.d;
    }
    UIWidget* quiet = addWidget(bench, menu, "{\n textSource EntityLevel\n blocksMouse 0\n}");
    UITooltip tip;
    EXPECT_FALSE(quiet->getTooltip(tip));

    bench.keys.declareAction("openThing", keyNameToCode("i"), false, "");
    UIWidget* named = addWidget(bench, menu, "{\n name Bag\n hotKey openThing\n internalName N\n}");
    tip = {};
    EXPECT_TRUE(named->getTooltip(tip));
    EXPECT_EQ(tip.text,
              "Bag\n^c008$$Press the$$ " + keyCodeToName(keyNameToCode("i")) + " $$key to$$ $$open$$^c145");

    // Redirects that come back end with a widget's own tooltip.
    UIWidget* self =
        addWidget(bench, menu, "{\n internalName S\n highlightRedirect M::S\n highlightText Own\n}");
    tip = {};
    EXPECT_TRUE(self->getTooltip(tip));
    EXPECT_EQ(tip.text, "Own");
    UIWidget* a =
        addWidget(bench, menu, "{\n internalName A\n highlightRedirect M::B\n highlightText TextA\n}");
    addWidget(bench, menu, "{\n internalName B\n highlightRedirect M::A\n blocksMouse 0\n}");
    tip = {};
    EXPECT_TRUE(a->getTooltip(tip));
    EXPECT_EQ(tip.text, "TextA");
}

} // namespace

#include "support/TestEntityMirror.h"
#include "support/TestWorld.h"
#include "support/UITestBench.h"

#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameEnums.h"
#include "ui/widgets/UIStatBar.h"
#include "ui/widgets/UIStatWidget.h"
#include "ui/widgets/UIStatusEffectIcons.h"

#include <gtest/gtest.h>

namespace {

template <class T> T& widgetOf(UITestBench& bench, const std::string& type, const std::string& keywords)
{
    UIMenu* menu = bench.loadMenu("name M\nvisible 1\n" + type + "\n{\n internalName W\n" + keywords + "}\n");
    auto* widget = dynamic_cast<T*>(menu->findWidget("W"));
    EXPECT_NE(widget, nullptr) << type;
    return *widget;
}

TEST(StatValueTest, ValuesTextsAndConversions)
{
    UITestBench bench;
    TestEntityMirror target;
    target.setMaxHealth(100);
    target.setHealth(75);
    bench.view.target = &target;
    auto& health =
        widgetOf<UIStatValue>(bench, "StatValue",
                              " entityType Selected\n stat Other Health MaxHealth\n divider \" / \"\n"
                              " maxedColor Yellow\n");
    EXPECT_EQ(health.buildText(false), "75 / 100");
    EXPECT_FALSE(health.isStatMaxed());
    target.setHealth(100);
    EXPECT_TRUE(health.isStatMaxed());
    EXPECT_EQ(health.buildText(false), "^c005100 / 100^c145");
    EXPECT_EQ(health.buildText(true), "^c005100 / 100 (maxed)^c145");

    struct Case {
        const char* conversion;
        int value, second;
        const char* text;
    };
    const Case cases[] = {{"Percent", 3, 4, "75%"},
                          {"Percent", 3, 0, "0%"},
                          {"Float", 1234, 1, "12.3"},
                          {"Level", 7, 1, "lvl 7"}};
    for (const Case& c : cases) {
        target.setHealth(c.value);
        target.setMaxHealth(c.second);
        auto& widget = widgetOf<UIStatValue>(
            bench, "StatValue",
            std::string(" entityType Selected\n stat Other Health MaxHealth\n conversionType ") +
                c.conversion + "\n");
        EXPECT_EQ(widget.buildText(false), c.text) << c.conversion << c.second;
    }
    // The covenant index is never set, so "Covenant" stats read nothing.
    auto& covenant =
        widgetOf<UIStatValue>(bench, "StatValue", " entityType PlayerClient\n stat Covenant Money\n");
    bench.view.localPlayer = &target;
    EXPECT_EQ(covenant.buildText(false), "0");
    // The days of a time in two stats are the stat after the chosen one; past
    // the table there is none.
    bench.view.funStats[static_cast<int>(CharacterFunStat::TimePlayedMilliSeconds)] = 90000;
    bench.view.funStats[static_cast<int>(CharacterFunStat::TimePlayedDays)] = 2;
    auto& played = widgetOf<UIStatValue>(bench, "StatValue",
                                         " entityType PlayerClient\n stat Fun TimePlayedMilliSeconds\n"
                                         " conversionType TimeInTwoStats\n");
    EXPECT_EQ(played.buildText(false), formatDuration(2, 90000));
    bench.view.funStats[static_cast<int>(CharacterFunStat::BestTrapDisarmed)] = 5000;
    auto& last = widgetOf<UIStatValue>(bench, "StatValue",
                                       " entityType PlayerClient\n stat Fun BestTrapDisarmed\n"
                                       " conversionType TimeInTwoStats\n");
    EXPECT_EQ(last.buildText(false), formatDuration(0, 5000));
}

TEST(StatValueTest, MarkersSlideAlongTheirLine)
{
    UITestBench bench;
    TestEntityMirror target;
    target.setMaxHealth(1);
    target.setHealth(250);
    bench.view.target = &target;
    struct Case {
        const char* keywords;
        float fraction;
        float x;
    };
    const Case cases[] = {
        {" statMultiplier 100\n statWraps 1\n", 0.5f, 55.0f},
        {" statMultiplier 100\n", 1.0f, 105.0f},
        {" statMultiplier 0\n", 0.0f, 5.0f},
    };
    for (const Case& c : cases) {
        auto& marker =
            widgetOf<UIStatWidget>(bench, "StatWidget",
                                   std::string(" entityType Selected\n stat Other Health\n size 10 10\n"
                                               " startPosition 10 20\n endPosition 110 20\n"
                                               " statControlsPosition 1\n") +
                                       c.keywords);
        EXPECT_FLOAT_EQ(marker.getFraction(), c.fraction) << c.keywords;
        marker.update(0.0f);
        EXPECT_FLOAT_EQ(marker.getPosition().x, c.x) << c.keywords;
    }
}

TEST(StatValueTest, AttributeTooltipShowsThisAndTheNextPoint)
{
    UITestBench bench;
    auto& strength =
        widgetOf<UIStatValue>(bench, "StatValue", " entityType PlayerClient\n stat Normal Strength\n");
    UITooltip tip;
    EXPECT_FALSE(strength.getTooltip(tip));

    CharacterClass type;
    type.damageMultPerStr = 0.02f;
    TestEntityMirror player;
    bench.view.localPlayer = &player;
    bench.view.playerClass = &type;
    bench.view.playerStats[static_cast<int>(CharacterStat::Strength)] = 10;
    bench.view.playerStats[static_cast<int>(CharacterStat::BaseStrength)] = 8;
    ASSERT_TRUE(strength.getTooltip(tip));
    size_t now = tip.text.find("  +20.0% damage\n");
    size_t next = tip.text.find("At 11 $$Strength$$:\n  +22.0% damage\n");
    EXPECT_NE(now, std::string::npos) << tip.text;
    EXPECT_NE(next, std::string::npos) << tip.text;
    EXPECT_LT(now, next);
    EXPECT_NE(tip.text.find("Base amount: 8\nCurrent amount: 10\n"), std::string::npos) << tip.text;
}

TEST(StatValueTest, BarsFillWithinTheirWidth)
{
    UITestBench bench;
    bench.drawing.sizes["bar.tga"] = {1, 1};
    TestEntityMirror target;
    bench.view.target = &target;
    auto& bar = widgetOf<UIStatBar>(bench, "StatBar",
                                    " entityType Selected\n stat Other Health MaxHealth\n position 10 10\n"
                                    " size 120 8\n texture bar.tga\n");
    struct Case {
        int value, maximum;
        float right; // −1: nothing drawn
    };
    const Case cases[] = {{30, 120, 40.0f}, {150, 120, 130.0f}, {-20, 120, 10.0f}, {30, 0, -1.0f}};
    for (const Case& c : cases) {
        target.setHealth(c.value);
        target.setMaxHealth(c.maximum);
        bench.drawing.calls.clear();
        bar.draw();
        if (c.right < 0.0f) {
            EXPECT_TRUE(bench.drawing.calls.empty()) << c.value << "/" << c.maximum;
            continue;
        }
        ASSERT_EQ(bench.drawing.calls.size(), 1u) << c.value;
        EXPECT_FLOAT_EQ(bench.drawing.calls[0].x0, 10.0f);
        EXPECT_FLOAT_EQ(bench.drawing.calls[0].x1, c.right) << c.value << "/" << c.maximum;
    }
    target.setHealth(30);
    target.setMaxHealth(120);
    UITooltip tip;
    ASSERT_TRUE(bar.getTooltip(tip));
    EXPECT_EQ(tip.text, "30 / 120");
    // The figures follow the bar's own text as it is written: a text that
    // wants them on a line of their own ends in a line break.
    auto& named = widgetOf<UIStatBar>(bench, "StatBar",
                                      " entityType Selected\n stat Other Health MaxHealth\n"
                                      " highlightText \"Health: \"\n");
    UITooltip sameLine;
    ASSERT_TRUE(named.getTooltip(sameLine));
    EXPECT_EQ(sameLine.text, "Health: 30 / 120");
}

TEST(StatValueTest, EffectIconsTakeTheFirstTen)
{
    TestWorld world{true, false};
    Clock clock{[] { return int64_t(0); }};
    VirtualKeys keys;
    Input input;
    RecordingUIDrawing drawing{world.resources};
    FakeClientView view;
    UISystem ui;
    ui.setClientView(&view);
    ui.setDrawing(&drawing);
    auto icons = [&](const char* keywords) -> UIStatusEffectIcons& {
        UIMenu* menu = ui.addMenu(std::make_unique<UIMenu>());
        TextReader reader(
            std::string("name M\nvisible 1\nStatusEffectIcons\n{\n internalName W\n entityType Selected\n") +
                keywords + "}\n",
            "test.mnu");
        menu->parse(reader);
        return *dynamic_cast<UIStatusEffectIcons*>(menu->findWidget("W"));
    };
    TestEntityMirror target;
    view.target = &target;
    const DatabaseEntry* plain = world.database.findEntry("StatusEffectBasicFire");
    const DatabaseEntry* enhancement = world.database.findEntry("EnhancementChief");
    ASSERT_TRUE(plain && enhancement);
    for (int i = 0; i < 10; ++i) {
        target.addStatusEffect(i == 3 ? enhancement : plain);
    }
    target.addStatusEffect(enhancement);
    target.addStatusEffect(plain);

    UIStatusEffectIcons& all = icons("");
    all.refresh();
    ASSERT_EQ(all.getIconCount(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(all.getIcon(i).effect, target.getStatusEffects()[static_cast<size_t>(i)].get()) << i;
    }
    // Only the first ten effects are looked at: the eleventh enhancement is not shown.
    UIStatusEffectIcons& enhancements = icons(" enhancementsOnly 1\n");
    enhancements.refresh();
    ASSERT_EQ(enhancements.getIconCount(), 1);
    EXPECT_EQ(enhancements.getIcon(0).id, enhancement->getId());
    // An entity that goes away clears every icon.
    view.target = nullptr;
    all.refresh();
    EXPECT_EQ(all.getIconCount(), 0);
    EXPECT_EQ(all.getIcon(0).effect, nullptr);
}

} // namespace

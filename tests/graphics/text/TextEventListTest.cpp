#include "graphics/text/TextEventList.h"

#include "graphics/text/TextEvent.h"

#include "engine/core/ByteBuffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int kLog = TextEventList::kLogKind;

void addLog(TextEventList& list, const std::string& text, double now, double duration = 30.0)
{
    list.add(text, 10, 420, duration, kLog, 0, 1, now);
}

TextEventList::Plan planAt(TextEventList& list, double now, bool logPass, int maxShown = 10)
{
    TextEventList::DrawContext c;
    c.logPass = logPass;
    c.now = now;
    c.maxShown = maxShown;
    c.logLineHeight = 12;
    c.defaultLineHeight = 14;
    return list.plan(c);
}

TEST(TextEventListTest, NoticesReplaceEachOtherFadeAndGo)
{
    TextEventList list;
    list.add("Entering A", 1, 2, 3.0, 2, 0, 0, 0.0);
    list.add("Entering B", 3, 4, 3.0, 2, 0, 0, 0.0);
    addLog(list, "one", 0.0);
    addLog(list, "two", 0.0);
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.events().front().text, "Entering B");
    EXPECT_EQ(list.getSavedCount(), 2);
    // Kind 0 is never reused.
    list.add("a", 0, 0, 1.0, 0, 0, 0, 0.0);
    list.add("b", 0, 0, 1.0, 0, 0, 0, 0.0);
    EXPECT_EQ(list.size(), 5);

    // Opaque for 3 s, half way through the fade at 3.5 s, gone after 4 s.
    auto alphaOfNotice = [&](double now) {
        for (const auto& item : planAt(list, now, false).items) {
            if (item.event->kind == 2) {
                return item.alpha;
            }
        }
        return -1.0f;
    };
    EXPECT_FLOAT_EQ(alphaOfNotice(2.9), 1.0f);
    EXPECT_NEAR(alphaOfNotice(3.5), 0.5f, 1e-5);
    list.update(3.99, 100);
    EXPECT_NEAR(alphaOfNotice(3.99), 0.01f, 1e-4);
    list.update(4.01, 100);
    EXPECT_EQ(alphaOfNotice(4.01), -1.0f);
    // Log lines fade but stay in the list, invisible.
    list.update(40.0, 100);
    EXPECT_EQ(list.size(), 2);
    EXPECT_EQ(list.getVisibleCount(), 0);
    EXPECT_EQ(list.getSavedCount(), 2);
}

TEST(TextEventListTest, TheLogKeepsItsLimitAndDrawsTheNewestLinesStacked)
{
    TextEventList list;
    for (int i = 0; i < 120; ++i) {
        addLog(list, "line " + std::to_string(i), 0.0);
    }
    list.update(1.0, 100);
    EXPECT_EQ(list.getSavedCount(), 100);
    EXPECT_EQ(list.events().front().text, "line 20");
    // The lines pushed out were still shown: the shown count follows.
    EXPECT_EQ(list.getVisibleCount(), 100);

    TextEventList::Plan plan = planAt(list, 1.0, true, 10);
    ASSERT_EQ(plan.items.size(), 10u);
    EXPECT_EQ(plan.items.front().event->text, "line 110");
    EXPECT_EQ(plan.items.back().event->text, "line 119");
    EXPECT_TRUE(plan.items.front().logFont);
    // Each later line one log line higher.
    EXPECT_FLOAT_EQ(plan.items[0].y, 420.0f);
    EXPECT_FLOAT_EQ(plan.items[3].y, 420.0f - 3 * 12.0f);
    EXPECT_EQ(plan.logTexts.size(), 10u);
    EXPECT_EQ(plan.backgroundLines, 10);
    // The other pass draws no log line.
    EXPECT_TRUE(planAt(list, 1.0, false).items.empty());
}

TEST(TextEventListTest, ScrollingBackAndForward)
{
    TextEventList list;
    for (int i = 0; i < 5; ++i) {
        addLog(list, "old " + std::to_string(i), 0.0, 1.0);
    }
    // All five shown: nothing to go back to.
    list.scrollBack(0.5, 30.0);
    EXPECT_EQ(list.getScroll(), 0);

    list.update(3.0, 100); // the five have faded
    addLog(list, "new", 3.0);
    list.scrollBack(3.0, 30.0);
    list.scrollBack(3.0, 30.0);
    EXPECT_EQ(list.getScroll(), 2);
    TextEventList::Plan plan = planAt(list, 4.0, true);
    ASSERT_EQ(plan.items.size(), 3u);
    EXPECT_EQ(plan.items[0].event->text, "old 3");
    EXPECT_FLOAT_EQ(plan.items[0].alpha, 1.0f); // scrolled lines are opaque
    EXPECT_EQ(plan.backgroundLines, 3);
    // The hold runs out: back to the newest line.
    plan = planAt(list, 33.5, true);
    EXPECT_EQ(list.getScroll(), 0);
    ASSERT_EQ(plan.items.size(), 1u);
    EXPECT_EQ(plan.items[0].event->text, "new");

    // Forward past the newest hides the oldest shown line, once.
    list.scrollForward(34.0, 30.0);
    EXPECT_EQ(list.getVisibleCount(), 0);
    list.scrollForward(34.0, 30.0);
    EXPECT_EQ(list.getVisibleCount(), 0);
    EXPECT_EQ(list.getScroll(), 0);
    EXPECT_TRUE(planAt(list, 34.0, true).items.empty());
    list.scrollBack(34.0, 30.0);
    EXPECT_EQ(list.getScroll(), 1);
    list.resetScroll();
    EXPECT_EQ(list.getScroll(), 0);
}

TEST(TextEventListTest, PauseMenuAndStackedNotices)
{
    TextEventList list;
    list.add("^c004Paused", 300, 40, 0.0, TextEventList::kPauseKind, 1, 0, 0.0);
    list.add("first", 50, 100, 5.0, 8, 0, 1, 0.0);
    list.add("second", 50, 100, 5.0, 8, 0, 1, 0.0);
    addLog(list, "log", 0.0, 0.0);
    TextEventList::DrawContext c;
    c.now = 2.0;
    c.defaultLineHeight = 14;
    c.mouseOverMenu = true;
    c.paused = true;
    c.frameSeconds = 0.5;
    TextEventList::Plan plan = list.plan(c);
    ASSERT_EQ(plan.items.size(), 3u);
    // The banner stands where it was put, over a window or not.
    EXPECT_FLOAT_EQ(plan.items[0].x, 300.0f);
    EXPECT_FLOAT_EQ(plan.items[0].y, 40.0f);
    EXPECT_FLOAT_EQ(plan.items[2].y, 100.0f - 14.0f);
    // While paused the texts do not age.
    EXPECT_DOUBLE_EQ(list.events().front().fadeStart, 0.5);
    // Over a menu the log is not drawn and waits.
    c.logPass = true;
    EXPECT_TRUE(list.plan(c).items.empty());
    EXPECT_DOUBLE_EQ(list.events().back().removeAt, 1.5);

    // Over a full-screen window the world's news (a quest, an area, the
    // life stone) waits with the log, keeping its time for when the window
    // closes; what answers the player there (a refusal, a relation's
    // change, an export) is drawn.
    struct Case {
        int kind;
        bool drawn;
    };
    for (const Case k :
         {Case{0, true}, Case{1, false}, Case{2, false}, Case{5, false}, Case{7, true}, Case{8, true}}) {
        TextEventList notices;
        notices.add("Entering Town", 320, 100, 5.0, k.kind, 1, 0, 0.0);
        TextEventList::DrawContext over;
        over.mouseOverMenu = true;
        over.now = 1.0;
        over.frameSeconds = 0.5;
        EXPECT_EQ(notices.plan(over).items.size(), k.drawn ? 1u : 0u) << "kind " << k.kind;
        EXPECT_DOUBLE_EQ(notices.events().front().removeAt, k.drawn ? 6.0 : 6.5) << "kind " << k.kind;
    }
}

TEST(TextEventListTest, TheLogIsSavedAndDamagedListsAreRefused)
{
    TextEventList list;
    list.add("notice", 0, 0, 3.0, 2, 0, 0, 0.0);
    addLog(list, "^c003first", 0.0);
    addLog(list, "second", 0.0);
    ByteBuffer saved;
    list.write(saved);

    TextEventList restored;
    std::string error;
    ASSERT_TRUE(restored.read(saved, 17, 10, 420, 100.0, error)) << error;
    ASSERT_EQ(restored.size(), 2);
    EXPECT_EQ(restored.events().front().text, "^c003first");
    EXPECT_EQ(restored.getSavedCount(), 2);
    // Already fading when loaded.
    EXPECT_DOUBLE_EQ(restored.events().front().fadeStart, 100.0);

    // An older file restores no lines and reads nothing.
    ByteBuffer old = saved;
    old.setReadPos(0);
    EXPECT_TRUE(restored.read(old, 16, 10, 420, 0.0, error));
    EXPECT_EQ(restored.size(), 0);
    EXPECT_EQ(old.getReadPos(), 0u);

    // A count of four billion lines is refused before anything is made.
    ByteBuffer huge;
    huge.writeInt(0xFFFFFFF0u);
    huge.writeString("x");
    EXPECT_FALSE(restored.read(huge, 17, 0, 0, 0.0, error));
    EXPECT_EQ(restored.size(), 0);
    // A line cut short as well.
    ByteBuffer cut;
    cut.writeInt(2u);
    cut.writeString("whole");
    cut.writeByte('h');
    cut.writeByte('a');
    EXPECT_FALSE(restored.read(cut, 17, 0, 0, 0.0, error));
    EXPECT_EQ(restored.size(), 0);
    EXPECT_FALSE(error.empty());
}

// The counters follow the lines through any order of adds, ageing, the
// three commands and drawing passes.
TEST(TextEventListTest, CountersMatchTheLinesThroughMixedSteps)
{
    enum Step { kAddLog, kAddNotice, kAddStacked, kAge, kTrim, kBack, kForward, kReset, kPlan };
    const Step order[] = {kAddLog, kAddLog, kAddNotice, kForward, kAge,        kBack,   kAddLog,
                          kTrim,   kPlan,   kForward,   kForward, kAddStacked, kBack,   kBack,
                          kAge,    kAddLog, kReset,     kPlan,    kAge,        kForward};
    TextEventList list;
    double now = 0.0;
    for (int i = 0; i < 50; ++i) {
        const Step step = order[(i * 7) % 20];
        switch (step) {
        case kAddLog:
            addLog(list, "log " + std::to_string(i), now, 1.0 + i % 3);
            break;
        case kAddNotice:
            list.add("notice", 320, 240, 2.0, 2, 1, 0, now);
            break;
        case kAddStacked:
            list.add("stacked", 320, 200, 1.5, 3, 0, 1, now);
            break;
        case kAge:
            now += 1.3;
            list.update(now, 100);
            break;
        case kTrim:
            list.update(now, 2);
            break;
        case kBack:
            list.scrollBack(now, 2.0);
            break;
        case kForward:
            list.scrollForward(now, 2.0);
            break;
        case kReset:
            list.resetScroll();
            break;
        case kPlan:
            planAt(list, now, true);
            break;
        }
        int saved = 0, visible = 0;
        for (const TextEvent& e : list.events()) {
            saved += e.kind == kLog;
            visible += e.kind == kLog && e.visible;
        }
        ASSERT_EQ(list.getSavedCount(), saved) << "step " << i;
        ASSERT_EQ(list.getVisibleCount(), visible) << "step " << i;
        ASSERT_GE(list.getScroll(), 0) << "step " << i;
        ASSERT_LE(list.getScroll(), saved) << "step " << i;
    }
}

} // namespace

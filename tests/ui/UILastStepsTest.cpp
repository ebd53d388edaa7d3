// The area label's own text and the history it opens, and which of the
// interface's commands a player may type.
#include "engine/files/FileSystem.h"
#include "support/TestEntityMirror.h"
#include "support/UITestBench.h"

#include <gtest/gtest.h>

namespace {

TEST(UILastStepsTest, TheAreaLabelGivesTheAreaOfThePlayerAndOpensItsStory)
{
    UITestBench bench;
    bench.ui.registerCommands();
    UIMenu* story = bench.loadMenu("name Story\n");
    UIMenu* status = bench.loadMenu("name Status\nvisible 1\n"
                                    "Widget {\n internalName Area\n position 10 10\n size 100 20\n"
                                    " textSource AreaName\n canClick 1\n}\n"
                                    "Widget {\n internalName Gold\n position 10 40\n size 100 20\n"
                                    " textSource Version\n}\n");
    bench.view.levelNames = {{0, "Town"}, {4, "Meadows"}};
    bench.view.questLevels = {4};
    UIWidget* area = status->findWidget("Area");
    UIWidget* other = status->findWidget("Gold");
    ASSERT_TRUE(area && other);
    TestEntityMirror player;

    struct Case {
        UIWidget* widget;
        bool withPlayer;
        int level;
        const char* text;
    };
    // The label draws a quest colour code before Meadows; its text is the
    // bare name all the same.
    const Case cases[] = {{area, true, 0, "Town"},
                          {area, true, 4, "Meadows"},
                          {area, false, 0, ""},
                          {area, true, -1, ""},
                          {other, true, 0, ""}};
    for (const Case& c : cases) {
        bench.view.localPlayer = c.withPlayer ? &player : nullptr;
        bench.view.currentLevel = c.level;
        std::string text = "stale";
        c.widget->getText(text);
        EXPECT_EQ(text, c.text) << c.widget->getInternalName() << " level " << c.level << " player "
                                << c.withPlayer;
    }

    // The history: the text of the widget under the pointer (a clickable
    // one), else the selected one's story file, else, over no widget, the
    // story of the area the player stands in; only a file the game has
    // opens the story, anything else opens nothing and tells nothing.
    TempDir userDir;
    FileSystem files(gameDataPath(), userDir.path().string(), false);
    bench.view.localPlayer = &player;
    const std::string chronicle = "Text/foundersChronicle.txt";
    const std::string town = "Text/areaTown.txt";
    struct History {
        int level;            // of the area the label names, and the player's
        bool overLabel;       // the pointer on the area label
        std::string selected; // the selected one's story file
        std::string opened;   // empty: nothing opens
    };
    bench.view.levelNames[7] = chronicle;
    bench.view.levelStories[3] = town;
    bench.view.levelStories[4] = "Text/noSuchArea.txt";
    const History histories[] = {{0, true, "", ""},
                                 {0, true, chronicle, chronicle},
                                 {7, true, "", chronicle},
                                 {0, false, chronicle, chronicle},
                                 {0, false, "Text/noSuchStory.txt", ""},
                                 {0, false, "", ""},
                                 {3, false, "", town},
                                 {3, false, chronicle, chronicle},
                                 {3, false, "Text/noSuchStory.txt", town},
                                 {3, true, "", ""},
                                 {4, false, "", ""}};
    for (const History& h : histories) {
        SCOPED_TRACE(std::to_string(h.level) + (h.overLabel ? " on the label, " : " elsewhere, ") +
                     "selected: " + h.selected);
        bench.ui.setStoryFile("");
        bench.ui.removeFromMenuStack(story);
        bench.view.currentLevel = h.level;
        bench.view.storyFile = h.selected;
        bench.input.setMousePosition(h.overLabel ? 20 : 300, h.overLabel ? 15 : 300);
        executeCommandLine("showHistory");
        EXPECT_EQ(bench.ui.getStoryFile(), h.opened);
        EXPECT_EQ(bench.ui.isOnMenuStack(story), !h.opened.empty());
    }
    EXPECT_TRUE(bench.view.errors.empty());
}

TEST(UILastStepsTest, OnlyTheReloadAndTheWholeTopicListMayBeTyped)
{
    UITestBench bench;
    bench.ui.registerCommands();
    const char* typed[] = {"reloadMenus", "readAllHelpTopics", "resetAllHelpTopics"};
    const char* programOnly[] = {"showMenu",
                                 "hideMenu",
                                 "pushMenu",
                                 "popMenu",
                                 "toggleMenu",
                                 "pushPopMenu",
                                 "refreshWidget",
                                 "setCovenantDir",
                                 "widgetCommand",
                                 "sendCommandToMenu",
                                 "setUIMode",
                                 "showHistory",
                                 "sellHighlightedItem",
                                 "clearUseSlot",
                                 "setFocus",
                                 "moveWidgetY",
                                 "calculateUserVar",
                                 "addHelpTopic",
                                 "readHelpTopic",
                                 "hideHelpTopicButton",
                                 "repositionHelpTopics",
                                 "uiBusy"};
    for (const char* name : typed) {
        const CommandRecord* record = bench.commands.findCommand(name);
        ASSERT_NE(record, nullptr) << name;
        EXPECT_FALSE(record->internalOnly) << name;
    }
    for (const char* name : programOnly) {
        const CommandRecord* record = bench.commands.findCommand(name);
        ASSERT_NE(record, nullptr) << name;
        EXPECT_TRUE(record->internalOnly) << name;
    }

    // Typed at the console: uiBusy is refused, readAllHelpTopics runs.
    TestEntityMirror player;
    bench.view.localPlayer = &player;
    const unsigned long long refused = bench.commands.getRefusedCount();
    EXPECT_TRUE(bench.commands.execute("uiBusy", nullptr, false, false));
    EXPECT_EQ(bench.commands.getRefusedCount(), refused + 1);
    EXPECT_TRUE(bench.commands.execute("readAllHelpTopics", nullptr, false, false));
    EXPECT_EQ(bench.commands.getRefusedCount(), refused + 1);
    EXPECT_TRUE(bench.view.allHelpTopicsRead);
}

} // namespace

// The shipped menus and interface layout, measured in the shipped fonts:
// boxes that must not meet, and texts that must stay within their boxes.
#include "support/FakeClientView.h"
#include "support/RecordingUIDrawing.h"
#include "support/RenderScene.h"
#include "support/TestSupport.h"

#include "engine/console/UserVar.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/Clock.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "engine/files/WholeFile.h"
#include "engine/input/Input.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/menus/UIRelationsMenu.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIScrollBar.h"
#include "ui/widgets/UIWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <ostream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

// The recording back end, measuring texts (translated) in the shipped fonts.
class MeasuringDrawing : public RecordingUIDrawing {
public:
    MeasuringDrawing(ResourceSystem& resources, GraphicsSystem& graphics)
        : RecordingUIDrawing(resources), m_graphics(graphics)
    {
    }
    Vec2 layoutText(const ResourceHandle& font, const std::string& text) override
    {
        const Localization* texts = Localization::instance();
        return m_graphics.layoutText(texts ? texts->translateCopy(text) : text,
                                     font.isValid() ? font : m_graphics.getFontHandle(1));
    }

private:
    GraphicsSystem& m_graphics;
};

struct Box {
    float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f;
};

std::ostream& operator<<(std::ostream& out, const Box& b)
{
    return out << "(" << b.x0 << ", " << b.y0 << ") - (" << b.x1 << ", " << b.y1 << ")";
}

bool meet(const Box& a, const Box& b)
{
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

bool within(const Box& inner, const Box& outer)
{
    return inner.x0 >= outer.x0 && inner.y0 >= outer.y0 && inner.x1 <= outer.x1 && inner.y1 <= outer.y1;
}

Box boxAt(Vec2 at, Vec2 size)
{
    return {at.x, at.y, at.x + size.x, at.y + size.y};
}

struct ShippedLayout : ::testing::Test {
    ShippedLayout()
    {
        scene.files.mountGeneratedDirectory(generatedDataPath());
        FrameGameValues values;
        for (const char* name : {"normal", "small", "large", "title"}) {
            values.fontNames.push_back(std::string("fonts/") + name + ".fnt");
        }
        scene.graphics.setGameValues(values);
        database.load(Database::kMasterFile, false);
        texts.load("english");
        keys.declareAction("gameMenu", 1, false, "");
        view.inGame = true;
        view.gameRunning = true;
        ui.setClientView(&view);
        ui.setDrawing(&drawing);
        ui.registerCommands();
        ui.loadMenus(false);
        ui.loadSettings();
    }

    UIWidget* widget(const char* menu, const char* name)
    {
        UIMenu* m = ui.findMenu(menu);
        UIWidget* w = m ? m->findWidget(name) : nullptr;
        EXPECT_NE(w, nullptr) << menu << "::" << name;
        return w;
    }
    Box widgetBox(const char* menu, const char* name)
    {
        UIWidget* w = widget(menu, name);
        return w ? boxAt(w->getScreenPosition(), w->getSize()) : Box{};
    }
    Box menuBox(const char* name)
    {
        UIMenu* m = ui.findMenu(name);
        EXPECT_NE(m, nullptr) << name;
        return m ? boxAt(m->getPosition(), m->getSize()) : Box{};
    }
    // The text calls drawn since the mark.
    std::vector<RecordingUIDrawing::Call> textsSince(size_t mark) const
    {
        std::vector<RecordingUIDrawing::Call> out;
        for (size_t i = mark; i < drawing.calls.size(); ++i) {
            if (drawing.calls[i].kind == RecordingUIDrawing::Call::Text && !drawing.calls[i].text.empty()) {
                out.push_back(drawing.calls[i]);
            }
        }
        return out;
    }

    RenderScene scene;
    Database database;
    Localization texts;
    int64_t nowNs = 0;
    Clock clock{[this] { return nowNs; }};
    VirtualKeys keys;
    Input input;
    MeasuringDrawing drawing{scene.resources, scene.graphics};
    FakeClientView view;
    UISystem ui;
};

TEST_F(ShippedLayout, BoxesThatMustNotMeet)
{
    const UISettings& s = ui.getSettings();
    const ResourceHandle logFont = scene.graphics.getFontHandle(0);
    const ResourceHandle defaultFont = scene.graphics.getFontHandle(1);

    // The message log at its full height, a long line wide.
    const float line = scene.graphics.layoutText("T", logFont).y;
    ASSERT_GT(line, 0.0f);
    const float shown = static_cast<float>(
        scene.vars.getVar("ui_maxTextEventsShown", "10", UserVarSystem::kCreate)->getInt());
    const float logWidth =
        scene.graphics
            .layoutText("Gilded Scale honours its Alliance with Thornveil and declares War", logFont)
            .x;
    const Box log{s.eventsTextPosition.x - 2.0f, s.eventsTextPosition.y + line - line * shown,
                  s.eventsTextPosition.x + 2.0f + logWidth, s.eventsTextPosition.y + line};

    // The row of every help topic that can stand offered at once: all but
    // the steps of the start chain, which come one at a time, and for those
    // the start topic and each step another topic leads to.
    std::set<int> chain;
    const int start = ui.findHelpTopic(ui.getStartHelpTopic());
    for (int t = start; t >= 0 && chain.insert(t).second;) {
        t = ui.findHelpTopic(ui.getNextHelpTopic(t));
    }
    Box helpRow{1e9f, 1e9f, -1e9f, -1e9f};
    int offered = 0;
    for (int t = 0; t < ui.getHelpTopicCount(); ++t) {
        bool ledTo = false;
        for (int from = 0; from < ui.getHelpTopicCount(); ++from) {
            ledTo = ledTo || (!chain.count(from) && ui.findHelpTopic(ui.getNextHelpTopic(from)) == t);
        }
        if (chain.count(t) && t != start && !ledTo) {
            continue;
        }
        ui.addHelpTopicButton(t);
        ++offered;
    }
    const std::vector<std::string> topics =
        database.getStringList(database.findEntry("HelpTopics"), "HelpTopic");
    for (int t = 0; t < static_cast<int>(topics.size()); ++t) {
        const UIMenu* button =
            ui.hasHelpTopicButton(t) ? ui.findMenu(topics[static_cast<size_t>(t)] + "Button") : nullptr;
        if (button && button->isActive()) {
            const Box b =
                boxAt(button->getWidgets()[0]->getScreenPosition(), button->getWidgets()[0]->getSize());
            helpRow = {std::min(helpRow.x0, b.x0), std::min(helpRow.y0, b.y0), std::max(helpRow.x1, b.x1),
                       std::max(helpRow.y1, b.y1)};
        }
    }
    EXPECT_GE(offered, 27);
    EXPECT_GE(helpRow.x0, 0.0f);
    EXPECT_LE(helpRow.x1, 640.0f);
    const Box hotBar = menuBox("HotBar");
    const Box miniMap{s.miniMapMaskPosition.x, s.miniMapMaskPosition.y,
                      s.miniMapMaskPosition.x + s.miniMapMaskSize.x,
                      s.miniMapMaskPosition.y + s.miniMapMaskSize.y};

    // The lowest crest's trait icons, over the covenant counts a game has.
    auto* relations = dynamic_cast<UIRelationsMenu*>(ui.findMenu("CovenantRelations"));
    ASSERT_NE(relations, nullptr);
    UIMenu* entry = relations->getEntry(0).container.get();
    ASSERT_NE(entry, nullptr);
    Box traits{1e9f, 1e9f, -1e9f, -1e9f};
    for (const char* name : {"Trait0", "Trait1"}) {
        const UIWidget* icon = entry->findWidget(name);
        ASSERT_NE(icon, nullptr) << name;
        traits.x0 = std::min(traits.x0, icon->getPosition().x);
        traits.y0 = std::min(traits.y0, icon->getPosition().y);
        traits.x1 = std::max(traits.x1, icon->getPosition().x + icon->getSize().x);
        traits.y1 = std::max(traits.y1, icon->getPosition().y + icon->getSize().y);
    }
    Box lowestTraits;
    float lowest = -1e9f;
    for (int count = 2; count <= 8; ++count) {
        for (int slot = 0; slot < count; ++slot) {
            const float angle = (static_cast<float>(slot) * (-360.0f / static_cast<float>(count)) - 90.0f) *
                                3.14159265f / 180.0f;
            const float x = s.relationsCenter.x + s.relationsRadius * std::cos(angle) - 32.0f;
            const float y = s.relationsCenter.y + s.relationsRadius * std::sin(angle) - 32.0f;
            if (y > lowest) {
                lowest = y;
                lowestTraits = {x + traits.x0, y + traits.y0, x + traits.x1, y + traits.y1};
            }
        }
    }

    // The "Game" drop-down of the HUD and the frame rate at (10, 10).
    const Vec2 fps = scene.graphics.layoutText("999.9 fps", defaultFont);
    const Box frameRate{10.0f, 10.0f, 10.0f + fps.x, 10.0f + fps.y};

    struct Case {
        const char* what;
        Box a, b;
    };
    std::vector<Case> cases = {
        {"message log / help row", log, helpRow},
        {"message log / hot bar", log, hotBar},
        {"help row / hot bar", helpRow, hotBar},
        {"help row / mini-map", helpRow, miniMap},
        {"world map vertical bar / hot bar", widgetBox("WorldMap", "VerticalScrollBar"), hotBar},
        {"world map horizontal bar / hot bar", widgetBox("WorldMap", "HorizontalScrollBar"), hotBar},
        {"world map horizontal bar / help row", widgetBox("WorldMap", "HorizontalScrollBar"), helpRow},
        {"world map vertical bar / help row", widgetBox("WorldMap", "VerticalScrollBar"), helpRow},
        {"world map Close / help row", widgetBox("WorldMap", "Close"), helpRow},
        {"game drop-down / frame rate", widgetBox("Hud", "Game"), frameRate},
    };
    // The texts centred on the screen's middle line: the area entered (at y
    // 100, placed by the client), the centre texts and the relation changes.
    for (const Vec2 at : {Vec2{320.0f, 100.0f}, s.centerTextPosition, s.relationChangeTextPosition}) {
        const Vec2 text =
            scene.graphics.layoutText("Discovered Whispering Barrows of Thornveil", defaultFont);
        cases.push_back(
            {"help row / a centred text", helpRow,
             Box{at.x - text.x / 2.0f, at.y - text.y / 2.0f, at.x + text.x / 2.0f, at.y + text.y / 2.0f}});
    }
    // A rumour's outcome, centred with the relation's change under it, clears
    // the rumour page's widgets and the talked-to covenant's crest and name.
    {
        std::string outcome = texts.translateCopy("$$RumorCompleteBackfire$$");
        for (const auto& [mark, value] : {std::pair<std::string, std::string>{"%1", "Whispering Court"},
                                          {"%2", "22"},
                                          {"%3", "Lantern Hall"}}) {
            const size_t at = outcome.find(mark);
            ASSERT_NE(at, std::string::npos) << outcome;
            outcome.replace(at, mark.size(), value);
        }
        std::vector<Box> said;
        for (const auto& [text, at] : {std::pair<std::string, Vec2>{outcome, s.centerTextPosition},
                                       {"-8.9 relation (Whispering Court)", s.relationChangeTextPosition}}) {
            const Vec2 size = scene.graphics.layoutText(text, defaultFont);
            said.push_back(
                {at.x - size.x / 2.0f, at.y - size.y / 2.0f, at.x + size.x / 2.0f, at.y + size.y / 2.0f});
        }
        std::vector<Box> page = {boxAt(s.relationPicturePos, {64.0f, 64.0f}),
                                 boxAt(s.relationNamePos, {100.0f, 20.0f})};
        UIMenu* rumours = ui.findMenu("RelationsRumor");
        ASSERT_NE(rumours, nullptr);
        for (const auto& w : rumours->getWidgets()) {
            if (w->getDrawOrder() >= 0.0f && w->getSize().x > 0.0f && w->getSize().y > 0.0f) {
                page.push_back(boxAt(w->getScreenPosition(), w->getSize()));
            }
        }
        EXPECT_GE(page.size(), 8u);
        for (const Box& text : said) {
            for (const Box& widget : page) {
                cases.push_back({"a rumour's outcome / the rumour page", text, widget});
            }
        }
    }
    // The world map's open area between its bars, where the level names go.
    const Box vertical = widgetBox("WorldMap", "VerticalScrollBar");
    const Box openArea{0.0f, vertical.y0, vertical.x0,
                       std::min(vertical.y1, widgetBox("WorldMap", "HorizontalScrollBar").y0)};
    cases.push_back({"world map open area / hot bar", openArea, hotBar});
    // The world map's key, a row for the player's covenant and each computer
    // one, over the open area under the help row and above the full log.
    const int covenants = 1 + database.getInt(database.findEntry("GameSystem"), "MaxAiCovenants");
    ASSERT_GT(covenants, 1);
    const Box key{s.worldMapKeyPosition.x,
                  s.worldMapKeyPosition.y - static_cast<float>(covenants) * s.worldMapKeyLineSpace,
                  s.worldMapKeyTextOffset + scene.graphics.layoutText("Whispering Barrows", defaultFont).x,
                  s.worldMapKeyPosition.y};
    cases.push_back({"world map key / message log", key, log});
    cases.push_back({"world map key / help row", key, helpRow});
    EXPECT_TRUE(within(key, openArea)) << key;
    cases.push_back({"world map open area / Close", openArea, widgetBox("WorldMap", "Close")});
    // The help row, the map's bars and its Close button clear every text and
    // bar of the status display, the help row the HUD strip's too (the won
    // game's panel aside, which stands over the world); the open area clears
    // the status texts on the right.
    for (const char* menu : {"Status", "Hud"}) {
        for (const auto& w : ui.findMenu(menu)->getWidgets()) {
            if (w->getSize().x <= 0.0f || w->getSize().y <= 0.0f ||
                w->getInternalName().rfind("WonGame", 0) == 0) {
                continue;
            }
            const Box box = boxAt(w->getScreenPosition(), w->getSize());
            cases.push_back({"help row / a widget of the status or the HUD", helpRow, box});
            if (std::string(menu) == "Status") {
                // The right-hand column: the area name, the notices and the timed quest.
                if (box.x0 >= 470.0f) {
                    cases.push_back({"world map open area / a status text on the right", openArea, box});
                }
                for (const char* name : {"VerticalScrollBar", "HorizontalScrollBar", "Close"}) {
                    cases.push_back(
                        {"world map bar or Close / a status widget", widgetBox("WorldMap", name), box});
                }
            }
        }
    }
    UIMenu* mainPage = ui.findMenu("RelationsMain");
    ASSERT_NE(mainPage, nullptr);
    int tabs = 0;
    for (const auto& tab : mainPage->getWidgets()) {
        if (tab->getInternalName().rfind("Nav", 0) == 0) {
            ++tabs;
            cases.push_back({"lowest crest's traits / relations tab", lowestTraits,
                             boxAt(tab->getScreenPosition(), tab->getSize())});
        }
    }
    EXPECT_GE(tabs, 4);
    for (const Case& c : cases) {
        EXPECT_FALSE(meet(c.a, c.b)) << c.what << ": " << c.a << " and " << c.b;
    }
}

TEST_F(ShippedLayout, TextsStayWithinTheirBoxes)
{
    // The message of the taken key, centred in its widget, within its panel.
    UIMenu* keyMenu = ui.findMenu("KeyAlreadyBound");
    ASSERT_NE(keyMenu, nullptr);
    Box panel;
    Box message;
    for (const auto& w : keyMenu->getWidgets()) {
        const Box box = boxAt(w->getScreenPosition(), w->getSize());
        if (w->getDrawOrder() < 0.0f) {
            panel = box;
        } else if (w->getTextValue().find("KeyAlreadyBound") != std::string::npos) {
            const Vec2 laid = drawing.layoutText(w->getFont(), w->getTextValue());
            const float x = box.x0 + (box.x1 - box.x0 - laid.x) / 2.0f;
            message = {x, box.y0, x + laid.x, box.y0 + laid.y};
        }
    }
    ASSERT_GT(message.x1, message.x0);
    EXPECT_TRUE(within(message, panel)) << message << " in " << panel;

    // A 60-character quest title in the offered-quests list ends at its bar,
    // a long translated one too (cut as shown, never inside its key); a short
    // one is drawn whole.
    struct Row {
        std::string title;
        bool whole;
    };
    const Row rows[] = {
        {std::string(60, 'W'), false},
        {"$$QuestTitleKillMonsters~<50@@Goblin Scouts of the far side of the northern mountains@@>~$$",
         false},
        {"Collect 6 Fangs", true}};
    std::vector<ListEntry> offered;
    for (const Row& row : rows) {
        ListEntry item;
        item.name = row.title;
        item.value = row.title;
        offered.push_back(item);
    }
    scene.commands.registerListFunction("getAvailableQuests",
                                        [&offered](std::vector<ListEntry>& list) { list = offered; });
    ui.showMenu("GetQuest");
    auto* list = dynamic_cast<UIList*>(widget("GetQuest", "Quests"));
    ASSERT_NE(list, nullptr);
    list->update(0.0f);
    ASSERT_EQ(list->getItems().size(), std::size(rows));
    const size_t mark = drawing.calls.size();
    list->draw();
    const std::vector<RecordingUIDrawing::Call> drawn = textsSince(mark);
    ASSERT_EQ(drawn.size(), std::size(rows));
    float rowEnd = list->getScreenPosition().x + list->getSize().x;
    UIMenu* getQuest = ui.findMenu("GetQuest");
    for (const auto& w : getQuest->getWidgets()) {
        if (dynamic_cast<UIScrollBar*>(w.get()) && w->isVisible() &&
            w->getScreenPosition().x > list->getScreenPosition().x) {
            rowEnd = std::min(rowEnd, w->getScreenPosition().x);
        }
    }
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].title);
        EXPECT_LE(drawn[i].x1, rowEnd);
        EXPECT_EQ(drawn[i].text.find('$'), std::string::npos) << drawn[i].text;
        EXPECT_EQ(drawn[i].text.find(rows[i].title) != std::string::npos, rows[i].whole) << drawn[i].text;
        EXPECT_EQ(drawn[i].text.size() >= 3 && drawn[i].text.compare(drawn[i].text.size() - 3, 3, "...") == 0,
                  !rows[i].whole)
            << drawn[i].text;
    }

    // The timed-quest line of the status display as shipped, with a long
    // quest title and the longest time left in place of their sources (which
    // need a quest of the player): the title is cut, the time drawn whole.
    std::string status;
    ASSERT_EQ(readWholeFile(gameDataPath("UI/Status.mnu"), status), WholeFileResult::Read);
    std::string copy = "name TimedLine\nvisible 1\n";
    for (const auto& [name, text] :
         {std::pair<std::string, std::string>{"TimedQuestTitle", std::string(60, 'W')},
          {"TimedQuestTime", "79.9 minutes"}}) {
        const size_t at = status.find("internalName " + name);
        ASSERT_NE(at, std::string::npos) << name;
        const size_t open = status.rfind("Widget {", at);
        const size_t close = status.find("\n}", at);
        std::istringstream block(status.substr(open, close + 2 - open));
        for (std::string line; std::getline(block, line);) {
            const std::string_view word = trimBlanks(line);
            if (word.rfind("textSource", 0) == 0) {
                line = "    text \"" + text + "\"";
            } else if (word.rfind("showCondition", 0) == 0) {
                continue;
            }
            copy += line + "\n";
        }
    }
    UIMenu* timedMenu = ui.addMenu(std::make_unique<UIMenu>());
    TextReader reader(copy, "Status.mnu");
    timedMenu->parse(reader);
    ASSERT_EQ(timedMenu->getWidgets().size(), 2u) << copy;
    std::vector<RecordingUIDrawing::Call> timed;
    std::vector<Box> boxes;
    for (const char* name : {"TimedQuestTitle", "TimedQuestTime"}) {
        UIWidget* w = timedMenu->findWidget(name);
        ASSERT_NE(w, nullptr) << name;
        boxes.push_back(boxAt(w->getScreenPosition(), w->getSize()));
        const size_t before = drawing.calls.size();
        w->draw();
        const std::vector<RecordingUIDrawing::Call> line = textsSince(before);
        ASSERT_EQ(line.size(), 1u) << name;
        timed.push_back(line[0]);
    }
    EXPECT_TRUE(timed[0].text.ends_with("...")) << timed[0].text;
    EXPECT_LE(timed[0].x1, boxes[0].x1) << timed[0].text;
    EXPECT_LE(timed[0].x1, timed[1].x0) << "the title runs into the time";
    EXPECT_EQ(timed[1].text, "79.9 minutes");
    EXPECT_LE(timed[1].x1, boxes[1].x1) << "the time left is cut";
    EXPECT_LE(timed[1].x1, 640.0f);
}

// Help topics speak in words: each has its title and text, and a key one
// speaks of is named as the shipped settings bind it ("M (the world map key)").
TEST_F(ShippedLayout, HelpTopicsNameTheKeysTheySpeakOf)
{
    std::map<std::string, std::string> bound; // action -> its key as printed on it
    {
        std::string settings;
        ASSERT_EQ(readWholeFile(gameDataPath("default.cfg"), settings), WholeFileResult::Read);
        std::istringstream lines(settings);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string command, action, key;
            if (words >> command >> action >> key && command == "VirtualKey" && key.size() == 1) {
                bound[action] =
                    std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(key[0]))));
            }
        }
    }
    const DatabaseEntry* entry = database.findEntry("HelpTopics");
    ASSERT_NE(entry, nullptr);
    const std::vector<std::string> topics = database.getStringList(entry, "HelpTopic");
    ASSERT_FALSE(topics.empty());
    std::map<std::string, std::string> shown;
    for (const std::string& topic : topics) {
        for (const std::string& key : {"HelpTitle" + topic, "HelpText" + topic}) {
            const std::string* text = texts.findTranslation(key);
            ASSERT_NE(text, nullptr) << key;
            shown[key] = *text;
        }
    }
    // The topics and the hot-bar lesson that speak of a screen's or map's key.
    struct Named {
        const char* text;
        std::vector<const char*> actions;
    };
    const Named named[] = {
        {"HelpTextMoving", {"worldMap"}},
        {"HelpTextFighting", {"useSlot1", "useSlot10"}},
        {"HelpTextInventory", {"inventoryScreen"}},
        {"HelpTextCovenants", {"relationsScreen"}},
        {"HelpTextSkills", {"skillsScreen"}},
        {"HelpTextQuests", {"questScreen"}},
        {"HelpTextQuestGivers", {"questScreen"}},
        {"QuestTextTutorialUseSlot", {"inventoryScreen", "skillsScreen", "useSlot1", "useSlot10"}},
    };
    for (const Named& n : named) {
        const std::string* text = texts.findTranslation(n.text);
        ASSERT_NE(text, nullptr) << n.text;
        shown[n.text] = *text;
        for (const char* action : n.actions) {
            ASSERT_EQ(bound.count(action), 1u) << action;
            const std::regex word("(^|[^A-Za-z0-9])" + bound[action] + "([^A-Za-z0-9]|$)");
            EXPECT_TRUE(std::regex_search(*text, word))
                << n.text << " names no " << bound[action] << " for " << action << ": " << *text;
        }
    }
    // "the … key" comes only after the key's own name.
    const std::regex keyWords("the [a-z ]+ key");
    const std::regex namedKey("[A-Z0-9] \\(the [a-z ]+ key\\)");
    for (const auto& [key, text] : shown) {
        const size_t spoken =
            std::distance(std::sregex_iterator(text.begin(), text.end(), keyWords), std::sregex_iterator());
        const size_t named =
            std::distance(std::sregex_iterator(text.begin(), text.end(), namedKey), std::sregex_iterator());
        EXPECT_EQ(spoken, named) << key << ": " << text;
    }
}

// Every shipped menu as drawn (the interface's 640 x 480 points, which every
// window size scales alike): no fixed label runs out of its widget, a
// centred one (a button's or a tab's) keeping a margin from the edges, and
// no two buttons of one menu meet, unless each is shown under conditions of
// its own (two states of one button).
TEST_F(ShippedLayout, LabelsFitTheirWidgetsAndButtonsStandApart)
{
    constexpr float kMargin = 3.0f;
    std::vector<std::string> faults;
    int labels = 0, buttons = 0;
    for (const auto& menu : ui.getMenus()) {
        std::vector<const UIWidget*> pressable;
        for (const auto& w : menu->getWidgets()) {
            const Vec2 size = w->getSize();
            const std::string where =
                menu->getName() +
                "::" + (w->getInternalName().empty() ? w->getTextValue() : w->getInternalName());
            // A fixed text of a plain widget (texts from sources change with the game).
            const UIWidget& widget = *w;
            if (typeid(widget) == typeid(UIWidget) && w->getTextSources().empty() &&
                !w->getTextValue().empty() && size.x > 0.0f && !w->cutsTextToWidth()) {
                ++labels;
                const Vec2 laid = drawing.layoutText(w->getFont(), w->getTextValue());
                const bool centred = w->getTextAlignment() == 1;
                const float room = centred ? size.x - 2.0f * kMargin : size.x - w->getTextOffset().x;
                if (laid.x > room) {
                    std::ostringstream out;
                    out << where << ": the label is " << laid.x << " wide in " << room;
                    faults.push_back(out.str());
                }
            }
            // A scroll bar, and a widget that follows another (a skill slot's
            // arrows), lie on their owner.
            if (w->canClick() && w->hasTexture() && size.x > 0.0f && size.y > 0.0f &&
                !dynamic_cast<const UIScrollBar*>(w.get()) && !w->getParent()) {
                pressable.push_back(w.get());
            }
        }
        buttons += static_cast<int>(pressable.size());
        for (size_t i = 0; i < pressable.size(); ++i) {
            for (size_t j = i + 1; j < pressable.size(); ++j) {
                const UIWidget *a = pressable[i], *b = pressable[j];
                const bool conditional = (a->getShowCondition() || a->getHideCondition()) &&
                                         (b->getShowCondition() || b->getHideCondition());
                const bool sameConditions = a->getShowCondition() == b->getShowCondition() &&
                                            a->getHideCondition() == b->getHideCondition();
                const Box boxA = boxAt(a->getScreenPosition(), a->getSize());
                const Box boxB = boxAt(b->getScreenPosition(), b->getSize());
                // Edge to edge counts: two buttons that touch draw as one bar.
                const bool touch =
                    boxA.x0 <= boxB.x1 && boxB.x0 <= boxA.x1 && boxA.y0 <= boxB.y1 && boxB.y0 <= boxA.y1;
                if (touch && !(conditional && !sameConditions)) {
                    std::ostringstream out;
                    out << menu->getName() << ": " << a->getInternalName() << " " << boxA << " meets "
                        << b->getInternalName() << " " << boxB;
                    faults.push_back(out.str());
                }
            }
        }
    }
    EXPECT_GT(labels, 200);
    EXPECT_GT(buttons, 100);
    std::string all;
    for (const std::string& fault : faults) {
        all += "\n  " + fault;
    }
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults:" << all;
}

} // namespace

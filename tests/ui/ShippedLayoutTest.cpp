// The shipped menus and interface layout, measured in the shipped fonts:
// boxes that must not meet, and texts that must stay within their boxes.
#include "support/FakeClientView.h"
#include "support/RecordingUIDrawing.h"
#include "support/RenderScene.h"
#include "support/TestSupport.h"

#include "engine/console/UserVar.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/Clock.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "engine/files/WholeFile.h"
#include "engine/input/Input.h"
#include "engine/input/KeyCodes.h"
#include "graphics/codecs/TextureFile.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/menus/UIRelationsMenu.h"
#include "ui/widgets/UIDropDownBox.h"
#include "ui/widgets/UIDropDownMenu.h"
#include "ui/widgets/UIHelp.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIScrollBar.h"
#include "ui/widgets/UIWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
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

// The generated images as the game loads them: the colour under a point of
// a drawn rectangle.
class GroundImages {
public:
    // Red, green, blue and alpha (0 to 1) at (u, v) across the image (0 to
    // 1 each, v downward); false when the image is no readable Targa file.
    bool sample(const std::string& path, float u, float v, std::array<float, 4>& rgba)
    {
        auto found = m_images.find(path);
        if (found == m_images.end()) {
            found = m_images.emplace(path, read(path)).first;
        }
        if (!found->second) {
            return false;
        }
        const DecodedTexture& image = *found->second;
        const int bytes = image.format == DecodedTexture::Format::Rgba ? 4 : 3;
        const int x = std::clamp(static_cast<int>(u * static_cast<float>(image.width)), 0, image.width - 1);
        int y = std::clamp(static_cast<int>(v * static_cast<float>(image.height)), 0, image.height - 1);
        if ((image.header.descriptor & 0x20) == 0) {
            y = image.height - 1 - y; // stored bottom row first
        }
        const uint8_t* p =
            &image.data[(static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) *
                        static_cast<size_t>(bytes)];
        rgba = {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, bytes == 4 ? p[3] / 255.0f : 1.0f};
        return true;
    }
    Vec2 size(const std::string& path)
    {
        std::array<float, 4> unused;
        if (!sample(path, 0.0f, 0.0f, unused)) {
            return {};
        }
        const DecodedTexture& image = *m_images.at(path);
        return {static_cast<float>(image.width), static_cast<float>(image.height)};
    }

private:
    static std::optional<DecodedTexture> read(const std::string& path)
    {
        std::vector<uint8_t> bytes;
        if (readWholeFile(generatedDataPath(path), bytes) != WholeFileResult::Read &&
            readWholeFile(gameDataPath(path), bytes) != WholeFileResult::Read) {
            return std::nullopt;
        }
        DecodedTexture image;
        if (!decodeTgaTexture(bytes.data(), bytes.size(), path, image) || image.isCompressed()) {
            return std::nullopt;
        }
        return image;
    }

    std::map<std::string, std::optional<DecodedTexture>> m_images;
};

// The relative luminance of a colour of 0 to 1 a channel.
double luminance(const std::array<float, 3>& c)
{
    auto linear = [](float v) {
        const double s = std::clamp(static_cast<double>(v), 0.0, 1.0);
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c[0]) + 0.7152 * linear(c[1]) + 0.0722 * linear(c[2]);
}

double contrast(const std::array<float, 3>& a, const std::array<float, 3>& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
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
        // As the UI starts: its settings (hover colour, scroll bar images)
        // before the menus that use them.
        ui.loadSettings();
        ui.loadMenus(false);
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
    // A relation's change over the relations screen clears, at every
    // covenant count a game has, each badge of the circle (crest, name,
    // ranks, taxes, bar and traits), the words of every page, the talked-to
    // covenant's crest and name and the charts' names.
    {
        const std::string longName = "Whispering Court";
        const Vec2 name = scene.graphics.layoutText(longName, defaultFont);
        const Vec2 said = scene.graphics.layoutText("-0.125 relation (" + longName + ")", defaultFont);
        const Vec2 at = s.relationChangeTextPositionOverWindow;
        const Box text{at.x - said.x / 2.0f, at.y - said.y / 2.0f, at.x + said.x / 2.0f,
                       at.y + said.y / 2.0f};
        Box badge{1e9f, 1e9f, -1e9f, -1e9f};
        for (const auto& w : relations->getEntry(0).container->getWidgets()) {
            Box b = boxAt(w->getPosition(), w->getSize());
            if (!w->getTextSources().empty() && w->getPosition().y < 0.0f) {
                // The name, centred over the crest, may be wider than it.
                const float middle = (b.x0 + b.x1) / 2.0f;
                b.x0 = std::min(b.x0, middle - name.x / 2.0f);
                b.x1 = std::max(b.x1, middle + name.x / 2.0f);
            }
            badge = {std::min(badge.x0, b.x0), std::min(badge.y0, b.y0), std::max(badge.x1, b.x1),
                     std::max(badge.y1, b.y1)};
        }
        const int most = 1 + database.getInt(database.findEntry("GameSystem"), "MaxAiCovenants");
        ASSERT_GT(most, 1);
        for (int count = 1; count <= most; ++count) {
            for (int slot = 0; slot < count; ++slot) {
                const float angle =
                    (static_cast<float>(slot) * (-360.0f / static_cast<float>(count)) - 90.0f) * 3.14159265f /
                    180.0f;
                const float x = s.relationsCenter.x + s.relationsRadius * std::cos(angle) - 32.0f;
                const float y = s.relationsCenter.y + s.relationsRadius * std::sin(angle) - 32.0f;
                cases.push_back({"a relation's change / a covenant's badge", text,
                                 Box{x + badge.x0, y + badge.y0, x + badge.x1, y + badge.y1}});
            }
            cases.push_back({"a relation's change / a chart's name", text,
                             Box{15.0f, 90.0f + 15.0f * static_cast<float>(count - 1), 15.0f + name.x,
                                 90.0f + 15.0f * static_cast<float>(count - 1) + name.y}});
        }
        cases.push_back(
            {"a relation's change / the talked-to crest", text, boxAt(s.relationPicturePos, {64.0f, 64.0f})});
        cases.push_back(
            {"a relation's change / the talked-to name", text, boxAt(s.relationNamePos, {100.0f, 20.0f})});
        int words = 0;
        for (int page = 0; page < UIRelationsMenu::PageCount; ++page) {
            const UIMenu* shown = relations->getPage(static_cast<UIRelationsMenu::Page>(page));
            ASSERT_NE(shown, nullptr) << page;
            for (const auto& w : shown->getWidgets()) {
                const Vec2 size = w->getSize();
                if (w->getDrawOrder() >= 0.0f && size.x > 0.0f && size.y > 0.0f && size.x < 600.0f) {
                    cases.push_back({"a relation's change / a relations page's widget", text,
                                     boxAt(w->getScreenPosition(), size)});
                    ++words;
                }
            }
        }
        EXPECT_GE(words, 40);
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
    // A window of play over the message log covers its left edge and its
    // foot, or leaves a strip of it a letter wide at least: no sliver of
    // the log's backdrop shows beside the window.
    const float letter = scene.graphics.layoutText("W", logFont).x;
    int over = 0;
    for (const auto& menu : ui.getMenus()) {
        for (const auto& w : menu->getWidgets()) {
            if (!menu->isInGameOnly() || w->getDrawOrder() >= 0.0f || !w->hasTexture()) {
                continue;
            }
            const Box panel = boxAt(w->getScreenPosition(), w->getSize());
            if (meet(panel, log)) {
                ++over;
                for (const float strip : {panel.x0 - log.x0, log.y1 - panel.y1}) {
                    EXPECT_FALSE(strip > 0.0f && strip < letter)
                        << menu->getName() << " " << panel << " leaves " << strip << " of the log " << log;
                }
            }
            break;
        }
    }
    EXPECT_GE(over, 5);
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
// centred one (a button's or a tab's) keeping a margin from the edges; no
// two buttons of one menu meet, unless each is shown under conditions of
// its own (two states of one button); and a button on the panel of a window
// of play lies inside the panel's frame (its image's rim, stretched with it).
TEST_F(ShippedLayout, LabelsFitTheirWidgetsAndButtonsStandApart)
{
    constexpr float kMargin = 3.0f;
    GroundImages images;
    std::vector<std::string> faults;
    int labels = 0, buttons = 0, framed = 0;
    for (const auto& menu : ui.getMenus()) {
        // The window's panel, its frame's width across and down.
        const UIWidget* panel = nullptr;
        Vec2 rim;
        for (const auto& w : menu->getWidgets()) {
            const auto path =
                w->hasTexture() ? drawing.pathOf.find(w->getImage().getIndex()) : drawing.pathOf.end();
            if (panel || w->getDrawOrder() >= 0.0f || path == drawing.pathOf.end() ||
                path->second != "Textures/UI/panel.tga") {
                continue;
            }
            panel = w.get();
            std::array<float, 4> middle{}, at{};
            ASSERT_TRUE(images.sample(path->second, 0.5f, 0.5f, middle)) << path->second;
            const Vec2 side = images.size(path->second);
            for (int axis = 0; axis < 2; ++axis) {
                const float texels = axis == 0 ? side.x : side.y;
                int n = 0;
                for (; n < static_cast<int>(texels) / 2; ++n) {
                    const float t = (static_cast<float>(n) + 0.5f) / texels;
                    images.sample(path->second, axis == 0 ? t : 0.5f, axis == 0 ? 0.5f : t, at);
                    if (at == middle) {
                        break;
                    }
                }
                (axis == 0 ? rim.x : rim.y) =
                    static_cast<float>(n) / texels * (axis == 0 ? w->getSize().x : w->getSize().y);
            }
        }
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
        // The windows of play: their buttons (not their tabs, which stand on
        // the frame's edge, nor their item slots).
        if (panel && menu->isInGameOnly()) {
            const Box frame = boxAt(panel->getScreenPosition(), panel->getSize());
            const Box inside{frame.x0 + rim.x, frame.y0 + rim.y, frame.x1 - rim.x, frame.y1 - rim.y};
            for (const UIWidget* button : pressable) {
                const Box box = boxAt(button->getScreenPosition(), button->getSize());
                if (typeid(*button) != typeid(UIWidget) || button->isSubMenuTab() || !meet(box, frame)) {
                    continue;
                }
                ++framed;
                if (!within(box, inside)) {
                    std::ostringstream out;
                    out << menu->getName() << ": " << button->getInternalName() << " " << box
                        << " on the frame of " << inside;
                    faults.push_back(out.str());
                }
            }
        }
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
    EXPECT_GT(framed, 50);
    std::string all;
    for (const std::string& fault : faults) {
        all += "\n  " + fault;
    }
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults:" << all;
}

// Words stand out from what lies under them, 4.5:1 or more, as every shipped
// menu draws them: each page, with its lists closed and open, its buttons
// hovered and not, words that may show selected in that colour too, and
// every colour a text's codes switch to (money's gold, silver and copper).
// The ground at a point is every image drawn there before the words, read
// from the generated images; words over the world alone are not measured.
TEST_F(ShippedLayout, WordsStandOutFromTheirGrounds)
{
    using Call = RecordingUIDrawing::Call;
    using Rgb = std::array<float, 3>;
    GroundImages images;
    const ResourceHandle* blank = drawing.standardImage(0);
    const ResourceHandle* black = drawing.standardImage(1);
    std::set<std::string> unread;
    // The grounds under a point from the images drawn in [from, to): one,
    // or, under a first image that lets the world through, that image over
    // black and over white. Empty over the world alone.
    auto groundsAt = [&](size_t from, size_t to, Vec2 p) {
        std::vector<Rgb> grounds;
        for (size_t j = from; j < to; ++j) {
            const Call& image = drawing.calls[j];
            if (image.kind != Call::Image || p.x < image.x0 || p.x >= image.x1 || p.y < image.y0 ||
                p.y >= image.y1) {
                continue;
            }
            std::array<float, 4> rgba{0.0f, 0.0f, 0.0f, 1.0f};
            const auto path = drawing.pathOf.find(image.handle);
            if (blank && image.handle == blank->getIndex()) {
                rgba = {1.0f, 1.0f, 1.0f, 1.0f};
            } else if ((black && image.handle == black->getIndex()) ||
                       (path != drawing.pathOf.end() && path->second == "UIBlack")) {
                rgba = {0.0f, 0.0f, 0.0f, 1.0f};
            } else if (path == drawing.pathOf.end()) {
                unread.insert("image " + std::to_string(image.handle));
                return std::vector<Rgb>{};
            } else {
                float u = (p.x - image.x0) / (image.x1 - image.x0);
                float v = (p.y - image.y0) / (image.y1 - image.y0);
                const Vec2 side = images.size(path->second);
                if (image.tiled && side.x > 0.0f && side.y > 0.0f) {
                    u = std::fmod((p.x - image.x0) / side.x, 1.0f);
                    v = std::fmod((p.y - image.y0) / side.y, 1.0f);
                }
                if (!images.sample(path->second, u, v, rgba)) {
                    unread.insert(path->second);
                    return std::vector<Rgb>{};
                }
            }
            const Rgb colour{rgba[0] * image.colour[0], rgba[1] * image.colour[1], rgba[2] * image.colour[2]};
            const float a = rgba[3] * image.alpha;
            auto over = [&](const Rgb& below) {
                return Rgb{colour[0] * a + below[0] * (1.0f - a), colour[1] * a + below[1] * (1.0f - a),
                           colour[2] * a + below[2] * (1.0f - a)};
            };
            if (grounds.empty()) {
                grounds.push_back(over({0.0f, 0.0f, 0.0f}));
                if (a < 0.999f) {
                    grounds.push_back(over({1.0f, 1.0f, 1.0f}));
                }
            } else {
                for (Rgb& g : grounds) {
                    g = over(g);
                }
            }
        }
        return grounds;
    };
    const float lineHeight = drawing.layoutText(scene.graphics.getFontHandle(1), "T").y;
    std::vector<std::string> faults;
    std::set<std::string> faulted;
    int measured = 0;
    // Every text drawn since the mark, each colour of its words on the
    // ground under its first line.
    auto measure = [&](const std::string& where, size_t mark,
                       const std::vector<const UIWidget*>& selectable) {
        for (size_t i = mark; i < drawing.calls.size(); ++i) {
            const Call& text = drawing.calls[i];
            if (text.kind != Call::Text || text.text.empty() || text.alpha < 1.0f) {
                continue;
            }
            std::vector<Rgb> colours{{text.colour[0], text.colour[1], text.colour[2]}};
            for (size_t at = text.text.find("^c"); at != std::string::npos;
                 at = text.text.find("^c", at + 1)) {
                const int code = std::atoi(text.text.substr(at + 2, 3).c_str());
                if (code != 145 && code < kColorCount) {
                    const Color c = ColorSystem::getColor(code);
                    colours.push_back({c.r, c.g, c.b});
                }
            }
            const float y = (text.y0 + std::min(text.y1, text.y0 + lineHeight)) / 2.0f;
            for (const UIWidget* w : selectable) {
                const Vec2 at = w->getScreenPosition();
                if (text.x0 >= at.x - 1.0f && text.x0 <= at.x + w->getSize().x && y >= at.y &&
                    y <= at.y + w->getSize().y) {
                    const Color c = ColorSystem::getColor(1);
                    colours.push_back({c.r, c.g, c.b});
                }
            }
            double worst = 1e9;
            Rgb worstGround{}, worstColour{};
            bool grounded = false;
            for (float share : {0.25f, 0.5f, 0.75f}) {
                const Vec2 p{text.x0 + (text.x1 - text.x0) * share, y};
                for (const Rgb& ground : groundsAt(mark, i, p)) {
                    grounded = true;
                    for (const Rgb& colour : colours) {
                        const double ratio = contrast(colour, ground);
                        if (ratio < worst) {
                            worst = ratio;
                            worstGround = ground;
                            worstColour = colour;
                        }
                    }
                }
            }
            // Under the first mark the texts drawn before belong to
            // another state of the same words; each fault is told once.
            measured += grounded;
            const std::string key = where.substr(0, where.find(' ')) + text.text;
            if (grounded && worst < 4.5 && faulted.insert(key).second) {
                std::ostringstream out;
                out << where << ": \"" << text.text << "\" " << worst << ":1 (words " << worstColour[0] << ","
                    << worstColour[1] << "," << worstColour[2] << " on " << worstGround[0] << ","
                    << worstGround[1] << "," << worstGround[2] << ")";
                faults.push_back(out.str());
            }
        }
    };
    // A menu's widgets and its page's.
    auto widgetsOf = [](UIMenu* menu) {
        std::vector<UIWidget*> out;
        for (UIMenu* m = menu; m; m = m->getSelectedSubMenuMenu()) {
            for (const auto& w : m->getWidgets()) {
                out.push_back(w.get());
            }
            if (m->getSelectedSubMenuMenu() == m) {
                break;
            }
        }
        return out;
    };
    auto drawMenu = [&](UIMenu* menu) {
        menu->update(0.0f);
        menu->draw();
        // An open list is drawn over every menu.
        for (UIWidget* w : widgetsOf(menu)) {
            if (w->drawsOnTop()) {
                w->draw();
            }
        }
    };
    int states = 0;
    for (const auto& owned : ui.getMenus()) {
        UIMenu* menu = owned.get();
        if (menu->isSubMenu()) {
            continue;
        }
        const int pages = std::max(1, menu->getSubMenuCount());
        for (int page = 0; page < pages; ++page) {
            ui.hideAllMenus();
            ui.showMenu(menu);
            if (menu->getSubMenuCount() > 0) {
                menu->selectSubMenu(page);
            }
            const std::string where =
                menu->getName() + (menu->getSubMenuCount() > 0 ? "/" + std::to_string(page) : "");
            std::vector<const UIWidget*> selectable;
            for (UIWidget* w : widgetsOf(menu)) {
                if (w->mayShowSelected()) {
                    selectable.push_back(w);
                }
            }
            input.setMousePosition(-100, -100);
            ui.update(0.0f);
            size_t mark = drawing.calls.size();
            drawMenu(menu);
            measure(where + " closed", mark, selectable);
            ++states;
            // Every list open (one at a time: each closes the others).
            for (UIWidget* w : widgetsOf(menu)) {
                auto* list = dynamic_cast<UIDropDownMenu*>(w);
                auto* box = dynamic_cast<UIDropDownBox*>(w);
                if (!list && !box) {
                    continue;
                }
                const Vec2 at = w->getScreenPosition();
                w->onClick(0, true, static_cast<int>(at.x) + 2, static_cast<int>(at.y) + 2);
                mark = drawing.calls.size();
                drawMenu(menu);
                measure(where + " open " + w->getInternalName(), mark, selectable);
                ++states;
                if (list) {
                    list->closeList();
                } else {
                    w->onClick(0, true, -100, -100);
                }
            }
            // Every button under the pointer.
            for (UIWidget* w : widgetsOf(menu)) {
                if (!w->getHoverImage().isValid() || !w->isVisible()) {
                    continue;
                }
                const Vec2 at = w->getScreenPosition() + w->getSize() * 0.5f;
                input.setMousePosition(static_cast<int>(at.x), static_cast<int>(at.y));
                ui.update(0.0f);
                mark = drawing.calls.size();
                drawMenu(menu);
                measure(where + " hovered " + w->getInternalName(), mark, selectable);
                ++states;
            }
            drawing.calls.clear();
        }
    }
    ui.hideAllMenus();
    EXPECT_GT(states, 250);
    EXPECT_GT(measured, 4000);
    std::string all;
    for (const std::string& fault : faults) {
        all += "\n  " + fault;
    }
    EXPECT_TRUE(faults.empty()) << faults.size() << " words too faint:" << all;
    std::string missing;
    for (const std::string& path : unread) {
        missing += " " + path;
    }
    EXPECT_TRUE(unread.empty()) << "grounds not read:" << missing;
}

// Every tooltip and label box, frame and words, lies on the screen however
// near an edge or corner what it speaks of stands, short or long, one line
// or many: the entity under the pointer, one off the screen (the box at its
// base place), a list row's tooltip with its second box beside it, and the
// labels of things on the ground (Alt held), crowded into a corner.
TEST_F(ShippedLayout, TooltipsStayOnTheScreen)
{
    GroundImages images;
    for (const char* piece :
         {"UpperLeft", "Top", "UpperRight", "Right", "LowerRight", "Bottom", "LowerLeft", "Left"}) {
        const std::string path = std::string("Textures/helpBorder") + piece + ".tga";
        drawing.sizes[path] = images.size(path);
        ASSERT_GT(drawing.sizes[path].x, 0.0f) << path;
    }
    // The help box made afresh, now that its frame's size is known.
    UIMenu* helpMenu = ui.findMenu("Help");
    ASSERT_NE(helpMenu, nullptr);
    auto* help = dynamic_cast<UIHelp*>(helpMenu->findWidget("Help"));
    ASSERT_NE(help, nullptr);
    ui.hideAllMenus();
    const std::string wide = "Lantern Hall's Gilded Scale of the far northern mountains, level 12 Champion";
    std::string tall = "Short Sword";
    for (int line = 0; line < 14; ++line) {
        tall += "\n  +" + std::to_string(line) + " damage against the undead";
    }
    const std::vector<std::string> texts = {"Rat", wide, tall};
    const std::vector<Vec2> points = {{1.0f, 240.0f},   {639.0f, 240.0f}, {320.0f, 1.0f},
                                      {320.0f, 479.0f}, {1.0f, 1.0f},     {639.0f, 1.0f},
                                      {1.0f, 479.0f},   {639.0f, 479.0f}, {320.0f, 240.0f}};
    std::vector<std::string> faults;
    int boxes = 0;
    auto check = [&](const std::string& what) {
        int drawn = 0;
        for (const RecordingUIDrawing::Call& c : drawing.calls) {
            if (c.kind != RecordingUIDrawing::Call::Image && c.kind != RecordingUIDrawing::Call::Text) {
                continue;
            }
            drawn += c.kind == RecordingUIDrawing::Call::Image;
            if (c.x0 < 0.0f || c.y0 < 0.0f || c.x1 > 640.0f || c.y1 > 480.0f) {
                std::ostringstream out;
                out << what << ": " << Box{c.x0, c.y0, c.x1, c.y1};
                faults.push_back(out.str());
            }
        }
        EXPECT_GT(drawn, 0) << what << ": nothing drawn";
        boxes += drawn > 0;
        drawing.calls.clear();
    };
    // The entity under the pointer, on the screen and off it.
    input.setMousePosition(600, 20);
    for (const std::string& text : texts) {
        view.hoverText = text;
        for (const Vec2& p : points) {
            view.hoverOnScreen = true;
            view.hoverScreen = p;
            drawing.calls.clear();
            help->draw();
            check("entity at " + std::to_string(int(p.x)) + "," + std::to_string(int(p.y)) + ": " +
                  text.substr(0, 11));
        }
        view.hoverOnScreen = false;
        help->draw();
        check("entity off the screen: " + text.substr(0, 11));
    }
    view.hoverText.clear();
    // A list row's tooltip and its second box, the list near the right edge.
    scene.commands.registerListFunction("getAvailableQuests", [&](std::vector<ListEntry>& list) {
        list = {{"Stock your hot bar", "1", tall, wide + "\n" + tall, true}};
    });
    ui.showMenu("GetQuest");
    auto* quests = dynamic_cast<UIList*>(widget("GetQuest", "Quests"));
    ASSERT_NE(quests, nullptr);
    quests->update(0.0f);
    for (float x : {0.1f, 0.9f}) {
        const Vec2 at = quests->getScreenPosition() + Vec2{quests->getSize().x * x, 4.0f};
        input.setMousePosition(static_cast<int>(at.x), static_cast<int>(at.y));
        UITooltip tip;
        ASSERT_TRUE(ui.getTooltip(tip));
        ASSERT_FALSE(tip.secondText.empty());
        help->draw();
        check("a list row's two boxes");
    }
    ui.hideAllMenus();
    // Labels crowded near each corner and edge.
    input.queueKey(DIK_LMENU, true, false);
    input.poll();
    for (const Vec2& p : points) {
        view.labels.clear();
        for (int i = 0; i < 12; ++i) {
            view.labels.push_back({i, i % 2 ? wide : "Short Sword", p});
        }
        help->draw();
        check("labels at " + std::to_string(int(p.x)) + "," + std::to_string(int(p.y)));
    }
    input.queueKey(DIK_LMENU, false, false);
    input.poll();
    view.labels.clear();
    EXPECT_GE(boxes, 40);
    std::string all;
    for (const std::string& fault : faults) {
        all += "\n  " + fault;
    }
    EXPECT_TRUE(faults.empty()) << faults.size() << " pieces off the screen:" << all;
}

} // namespace

// The windows of play in a new game, as a user meets them: the whole program
// windowed under Xvfb on the shipped data, driven with the mouse and keys. A
// merchant's windows, buying and selling by the mouse and by the sale key, a
// quest taken from its giver, a bag opened in the covenant's stash, death and
// the way back, a new game after Save and exit, and the message log and the
// target after Continue.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/text/TextEvent.h"
#include "graphics/text/TextEventList.h"
#include "support/ClientWaits.h"
#include "support/PlaySession.h"
#include "support/WindowedGame.h"
#include "ui/ClientView.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIDropDownMenu.h"
#include "ui/widgets/UIHelp.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIScrollBar.h"
#include "ui/widgets/UIText.h"
#include "ui/widgets/UITextInput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <tuple>
#include <vector>

namespace {

std::string widgetText(const char* path)
{
    UIWidget* widget = UISystem::get().findWidget(path);
    if (!widget) {
        return std::string();
    }
    widget->prepareDraw();
    return widget->getTextValue();
}

int playerStat(CharacterStat stat)
{
    return Client::get().getLocalPlayer()->getStat(static_cast<int>(stat));
}

// The items the player carries in its four bags.
int carriedItems()
{
    const PlayerClient* player = Client::get().getLocalPlayer();
    int n = 0;
    for (int group = static_cast<int>(InventoryGroupIndex::Bag1);
         group <= static_cast<int>(InventoryGroupIndex::Bag4); ++group) {
        for (int slot = 0; slot < 64; ++slot) {
            n += player->getItem(group, slot) != nullptr;
        }
    }
    return n;
}

// The window's panel: its first shown textured widget of negative draw order.
const UIWidget* windowPanel(const UIMenu* window)
{
    for (size_t i = 0; window && i < window->getWidgets().size(); ++i) {
        const UIWidget* widget = window->getWidgets()[i].get();
        if (widget->getDrawOrder() < 0.0f && widget->hasTexture() && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

// A point on the window's panel (its textured widget of negative draw
// order) that no other shown widget of any open window covers; x < 0 when
// there is none.
Vec2 bareBackground(const char* name)
{
    const UIMenu* window = UISystem::get().findMenu(name);
    const UIWidget* panel = windowPanel(window);
    if (!panel) {
        return Vec2{-1.0f, -1.0f};
    }
    auto covered = [&](float x, float y) {
        for (const auto& menu : UISystem::get().getMenus()) {
            if (!menu->isActive()) {
                continue;
            }
            for (const auto& widget : menu->getWidgets()) {
                if (widget.get() != panel && widget->isVisible() && widget->getDrawOrder() >= 0.0f &&
                    widget->containsPoint(x, y)) {
                    return true;
                }
            }
        }
        return false;
    };
    const Vec2 at = panel->getScreenPosition(), size = panel->getSize();
    for (float y = at.y + 3.0f; y < at.y + size.y - 2.0f; y += 3.0f) {
        for (float x = at.x + 3.0f; x < at.x + size.x - 2.0f; x += 3.0f) {
            if (!covered(x, y)) {
                return Vec2{x, y};
            }
        }
    }
    return Vec2{-1.0f, -1.0f};
}

// The points of a window's panel, away from its border, where none of its
// own widgets lies and whose colour is not the panel's own (the commonest
// there): what shows through the window. Fails when there are too few
// points to tell.
int throughPanel(const Picture& shot, const char* name)
{
    const UIMenu* window = UISystem::get().findMenu(name);
    const UIWidget* panel = windowPanel(window);
    EXPECT_NE(panel, nullptr) << name;
    if (!panel) {
        return -1;
    }
    std::vector<const uint8_t*> points;
    // Inside the border its image stretches with it.
    const Vec2 at = panel->getScreenPosition(), size = panel->getSize();
    const float mx = std::max(12.0f, size.x * 3.0f / 64.0f), my = std::max(12.0f, size.y * 3.0f / 64.0f);
    for (float y = at.y + my; y < at.y + size.y - my; y += 2.0f) {
        for (float x = at.x + mx; x < at.x + size.x - mx; x += 2.0f) {
            // Its own widgets, with a margin for their edges' pixels.
            const bool own =
                std::any_of(window->getWidgets().begin(), window->getWidgets().end(), [&](const auto& w) {
                    const Vec2 p = w->getScreenPosition(), q = p + w->getSize();
                    return w.get() != panel && w->isVisible() && x >= p.x - 3.0f && x <= q.x + 3.0f &&
                           y >= p.y - 3.0f && y <= q.y + 3.0f;
                });
            if (!own) {
                points.push_back(pixelAt(shot, static_cast<int>(x), static_cast<int>(y)));
            }
        }
    }
    EXPECT_GT(points.size(), 40u) << name;
    int ground[3];
    for (int c = 0; c < 3; ++c) {
        std::vector<int> channel;
        for (const uint8_t* p : points) {
            channel.push_back(p[c]);
        }
        std::nth_element(channel.begin(), channel.begin() + channel.size() / 2, channel.end());
        ground[c] = channel.empty() ? 0 : channel[channel.size() / 2];
    }
    return static_cast<int>(std::count_if(points.begin(), points.end(), [&](const uint8_t* p) {
        return std::abs(p[0] - ground[0]) > 12 || std::abs(p[1] - ground[1]) > 12 ||
               std::abs(p[2] - ground[2]) > 12;
    }));
}

// A still shot with no notice drawn: notices (a quest done, the world's
// news, a relation's change) lie over every window for seconds, and a busy
// machine's slower walk meets more of them.
Picture shotWithoutNotices(WindowedGame& window)
{
    auto noticeShown = [] {
        const auto& events = GraphicsSystem::get().getTextEvents().events();
        return std::any_of(events.begin(), events.end(),
                           [](const TextEvent& e) { return e.kind != TextEventList::kLogKind; });
    };
    Picture shot;
    EXPECT_TRUE(window.frameUntil([&] {
        if (noticeShown()) {
            return false;
        }
        shot = window.stillShot();
        return !noticeShown();
    })) << "a notice stays over the windows";
    return shot;
}

// The relative luminance of a pixel.
double luminance(const uint8_t* c)
{
    auto linear = [](uint8_t v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c[0]) + 0.7152 * linear(c[1]) + 0.0722 * linear(c[2]);
}

double contrast(double a, double b)
{
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// Words over their ground in a box of the interface, looked at every half
// point: the ground is the commonest luminance, the words' pixels those of a
// contrast of 4.5 or more with it.
struct Legibility {
    double ground = 0.0;
    long words = 0;
    long points = 0;
    // The words' strokes take a good share of the box: words of too little
    // contrast leave none, white ones only the thin dark rims of their glyphs.
    bool readable() const { return words * 20 > points; }
};

Legibility legibility(const Picture& shot, float x0, float y0, float x1, float y1)
{
    std::vector<double> shades;
    for (float y = y0; y < y1; y += 0.5f) {
        for (float x = x0; x < x1; x += 0.5f) {
            shades.push_back(luminance(pixelAt(shot, static_cast<int>(x), static_cast<int>(y))));
        }
    }
    Legibility out;
    if (shades.empty()) {
        return out;
    }
    std::vector<double> sorted = shades;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2), sorted.end());
    out.ground = sorted[sorted.size() / 2];
    out.points = static_cast<long>(shades.size());
    out.words = std::count_if(shades.begin(), shades.end(),
                              [&](double shade) { return contrast(shade, out.ground) >= 4.5; });
    return out;
}

// The first widget of a window that shows the text (as translated).
UIWidget* labelOf(const char* window, const std::string& text)
{
    const UIMenu* menu = UISystem::get().findMenu(window);
    const Localization& words = Localization::get();
    for (size_t i = 0; menu && i < menu->getWidgets().size(); ++i) {
        UIWidget* widget = menu->getWidgets()[i].get();
        widget->prepareDraw();
        if (!widget->getTextValue().empty() &&
            words.translateCopy(widget->getTextValue()) == words.translateCopy(text)) {
            return widget;
        }
    }
    return nullptr;
}

// A label's words as drawn, in the box its text is laid out in (centred
// in the widget or from its left edge): their legibility, and the stroke
// that stands out most from their ground, the label's colour.
struct DrawnLabel {
    Legibility words;
    const uint8_t* stroke = nullptr;
};

DrawnLabel drawnLabel(const Picture& shot, UIWidget& label)
{
    label.prepareDraw();
    const Vec2 laid = UISystem::get().getDrawing()->layoutText(label.getFont(), label.getTextValue());
    const Vec2 at = label.getScreenPosition(), size = label.getSize();
    const float x = label.getTextAlignment() == 1 ? at.x + size.x / 2.0f - laid.x / 2.0f : at.x;
    const float y = at.y + size.y / 2.0f - laid.y / 2.0f;
    DrawnLabel out;
    out.words = legibility(shot, x, y, x + laid.x, y + laid.y);
    for (float py = y; py < y + laid.y; py += 0.5f) {
        for (float px = x; px < x + laid.x; px += 0.5f) {
            const uint8_t* c = pixelAt(shot, static_cast<int>(px), static_cast<int>(py));
            if (!out.stroke || contrast(luminance(c), out.words.ground) >
                                   contrast(luminance(out.stroke), out.words.ground)) {
                out.stroke = c;
            }
        }
    }
    return out;
}

// A selected and an unselected label of a button row stand out from their
// grounds, looked at over the box each text is centred in; the selected one
// shows in the reddish colour of selection, the other does not.
void expectLabelsReadable(const Picture& shot, UIWidget* selected, UIWidget* other, const char* what)
{
    SCOPED_TRACE(what);
    ASSERT_NE(selected, nullptr);
    ASSERT_NE(other, nullptr);
    for (UIWidget* label : {selected, other}) {
        const DrawnLabel drawn = drawnLabel(shot, *label);
        const Legibility& words = drawn.words;
        EXPECT_TRUE(words.readable()) << label->getTextValue() << " (ground luminance " << words.ground
                                      << "): " << words.words << " of " << words.points;
        const uint8_t* stroke = drawn.stroke;
        ASSERT_NE(stroke, nullptr);
        EXPECT_EQ(stroke[0] > stroke[1] + 60, label == selected)
            << label->getTextValue() << ": " << int(stroke[0]) << "," << int(stroke[1]) << ","
            << int(stroke[2]);
    }
}

// A text scrolled to its last line three ways, each from its top: clicks on
// its bar's lower arrow, wheel notches over it, and its thumb dragged to the
// bar's end. After each, `lastShown` looks at a still shot.
void scrollToItsLastLine(WindowedGame& window, UIText& text,
                         const std::function<void(const Picture&, const char*)>& lastShown)
{
    UIScrollBar* bar = text.getScrollBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(window.frameUntil([&] { return bar->isVisible(); })) << "no bar beside the text";
    const int last = static_cast<int>(text.getLines().size()) - 1;
    ASSERT_GT(last + 1, text.getVisibleLineCount()) << "the text fits whole";
    const Vec2 at = bar->getScreenPosition(), size = bar->getSize();
    const Vec2 over = text.getScreenPosition() + Vec2{text.getSize().x * 0.4f, text.getSize().y * 0.5f};
    const int x = static_cast<int>(at.x + size.x / 2.0f);
    auto look = [&](const char* how) {
        EXPECT_EQ(bar->getFirstVisible(), last) << how;
        window.moveTo(600, 300);
        lastShown(window.stillShot(), how);
    };
    auto toTop = [&] {
        for (int i = 0; i <= last && bar->getFirstVisible() > 0; ++i) {
            window.wheel(static_cast<int>(over.x), static_cast<int>(over.y), 1);
        }
        ASSERT_EQ(bar->getFirstVisible(), 0) << "the wheel did not bring the text back to its top";
    };
    toTop();
    for (int i = 0; i <= last && bar->getFirstVisible() < last; ++i) {
        window.click(x, static_cast<int>(at.y + size.y - 4.0f));
    }
    look("by the arrow");
    toTop();
    for (int i = 0; i <= last && bar->getFirstVisible() < last; ++i) {
        window.wheel(static_cast<int>(over.x), static_cast<int>(over.y), -1);
    }
    look("by the wheel");
    toTop();
    window.moveTo(x, static_cast<int>(at.y + bar->getThumbStart() + bar->getThumbLength() / 2.0f));
    window.button(x, static_cast<int>(at.y + bar->getThumbStart() + bar->getThumbLength() / 2.0f), true);
    window.moveTo(x, static_cast<int>(at.y + size.y - 1.0f));
    window.frameUntil([&] { return bar->getFirstVisible() == last; });
    window.button(x, static_cast<int>(at.y + size.y - 1.0f), false);
    look("by the thumb");
}

TEST(WindowsOfPlayGameXvfbTest, MerchantQuestStashDeathAndANewGame)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    PlaySession s{window};
    UISystem& ui = UISystem::get();
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Main"); }));
    // The options' video page: its tab and its choices read selected or not.
    s.clickWidget("Main::Options");
    ASSERT_TRUE(window.frameUntil([] { return menuActive("OptionsVideo"); }));
    {
        ASSERT_TRUE(window.waitForLoads(100));
        window.moveTo(600, 460);
        const Picture options = window.stillShot();
        expectLabelsReadable(options, labelOf("Options", "$$OptionsVideo$$"),
                             labelOf("Options", "$$OptionsSound$$"), "tabs");
        ASSERT_EQ(getUserVarString("r_fullscreen"), "0");
        expectLabelsReadable(options, labelOf("OptionsVideo", "$$MenuWindow$$"),
                             labelOf("OptionsVideo", "$$MenuFullScreen$$"), "display");
        ASSERT_EQ(getUserVarString("r_width"), "800");
        expectLabelsReadable(options, labelOf("OptionsVideo", "800"), labelOf("OptionsVideo", "640"),
                             "window width");
    }
    window.key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Main") && !menuActive("Options"); }));
    Random::setState(0, 20261208u);
    window.click(320, 206);
    ASSERT_TRUE(menuActive("NewCharacter"));
    window.click(145, 130);
    // The class chosen and the others.
    {
        window.moveTo(600, 460);
        const Picture classes = window.stillShot();
        expectLabelsReadable(classes, labelOf("NewCharacter", "$$ClassWarrior$$"),
                             labelOf("NewCharacter", "$$ClassRogue$$"), "classes");
    }
    ASSERT_NO_FATAL_FAILURE(s.startNamed("Edda", "Lantern Hall"));
    Player* server = Game::get().getFirstPlayer();
    ASSERT_NE(server, nullptr);

    // A new warrior's attributes are what its class and skills make them:
    // each is drawn in the colour of the unchanged, none raised or lowered.
    ASSERT_NE(server->getCharacterClass(), nullptr);
    ASSERT_EQ(server->getCharacterClass()->name, "Warrior");
    window.key(SDL_SCANCODE_C);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Character"); }));
    {
        ASSERT_TRUE(window.waitForLoads(100));
        window.moveTo(600, 300);
        const Picture sheet = window.stillShot();
        for (const char* attribute : {"Strength", "Dexterity", "Vitality", "Intelligence", "Spirit"}) {
            UIWidget* value = ui.findWidget((std::string("Character::") + attribute).c_str());
            ASSERT_NE(value, nullptr) << attribute;
            const DrawnLabel drawn = drawnLabel(sheet, *value);
            ASSERT_NE(drawn.stroke, nullptr);
            EXPECT_TRUE(drawn.words.readable()) << attribute;
            const uint8_t* c = drawn.stroke;
            EXPECT_TRUE(std::abs(c[0] - c[1]) < 40 && std::abs(c[1] - c[2]) < 40)
                << attribute << " " << value->getTextValue() << " drawn in " << int(c[0]) << "," << int(c[1])
                << "," << int(c[2]);
        }
    }
    window.key(SDL_SCANCODE_C);
    ASSERT_TRUE(window.frameUntil([] { return !menuActive("Character"); }));

    // The skills window's tree tabs: the open tree's and another.
    window.key(SDL_SCANCODE_K);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Skills"); }));
    {
        ASSERT_TRUE(window.waitForLoads(100));
        window.moveTo(600, 300);
        const Picture skills = window.stillShot();
        const int open = ui.findMenu("Skills")->getSelectedSubMenu();
        ASSERT_GE(open, 0);
        const std::string shown = "Skills::TabName" + std::to_string(open);
        const std::string other = "Skills::TabName" + std::to_string((open + 1) % 3);
        expectLabelsReadable(skills, ui.findWidget(shown), ui.findWidget(other), "skill trees");
    }
    window.key(SDL_SCANCODE_K);
    ASSERT_TRUE(window.frameUntil([] { return !menuActive("Skills"); }));

    // The merchant: a talking vendor of the town that has quests.
    int vendor = -1;
    ASSERT_TRUE(window.frameUntil([&] {
        vendor =
            findEntity([](const EntityClient& e) { return e.isVendor() && e.talks() && e.givesQuests(); });
        return vendor >= 0;
    })) << "no talking merchant with quests in the town";
    ASSERT_TRUE(s.talkTo(vendor, "VendorMenuWithQuests"))
        << "action " << Client::get().getLocalPlayer()->action << ", target "
        << Client::get().getLocalPlayer()->getTargetEntityNumber(false) << " (merchant " << vendor << ")\n"
        << window.logTail();
    EXPECT_TRUE(menuActive("NpcChat"));
    {
        const EntityClient* mirror = GameClient::get().getEntity(vendor);
        std::string name;
        mirror->getDisplayName(name, true, false);
        ASSERT_FALSE(name.empty());
        EXPECT_TRUE(window.frameUntil([&] { return !widgetText("NpcChat::Name").empty(); }));
        EXPECT_NE(widgetText("NpcChat::Name").find(name), std::string::npos)
            << widgetText("NpcChat::Name") << " / " << name;
        EXPECT_TRUE(window.frameUntil([] { return !widgetText("NpcChat::Chat").empty(); }))
            << "the merchant says nothing";
    }

    // A click on the window's bare panel stays with the window: the player
    // neither walks nor turns away from the merchant.
    {
        const Vec2 bare = bareBackground("VendorMenuWithQuests");
        ASSERT_GE(bare.x, 0.0f) << "no bare point on the merchant's window";
        const PlayerClient* player = Client::get().getLocalPlayer();
        ASSERT_TRUE(window.frameUntil([&] { return !player->hasDestination(); }));
        const ZonePosition before = Client::get().getPlayerPosition();
        for (uint8_t button : {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT}) {
            window.click(static_cast<int>(bare.x), static_cast<int>(bare.y), button);
            EXPECT_FALSE(player->hasDestination()) << "button " << int(button);
            EXPECT_LT(distance(Client::get().getPlayerPosition(), before), 0.01f) << "button " << int(button);
            EXPECT_TRUE(menuActive("VendorMenuWithQuests")) << "button " << int(button);
            EXPECT_EQ(player->getTargetEntityNumber(false), vendor) << "button " << int(button);
        }
    }

    // The message log lies under the talking windows: its lines, however
    // long, show nowhere on their panels.
    {
        GraphicsSystem::get().clearTextEvents();
        const Vec2 anchor = UISystem::get().getSettings().eventsTextPosition;
        for (int line = 0; line < 10; ++line) {
            Client::get().addTextEvent(std::string(60, 'W'), anchor.x, anchor.y, 30.0f,
                                       Client::kMessageLogKind, false, true);
        }
        window.moveTo(600, 300);
        const Picture logged = shotWithoutNotices(window);
        for (const char* name : {"NpcChat", "VendorMenuWithQuests"}) {
            EXPECT_EQ(throughPanel(logged, name), 0) << "the message log shows through " << name;
        }
    }

    // Buy and sell: the goods beside the inventory; a right click buys the
    // first of them at its shown price.
    s.clickWidget("VendorMenuWithQuests::BuyAndSell");
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Vendor") && menuActive("Inventory"); }));
    // The game's menus lie under the windows, but the HUD's open "Game" list
    // lies over the goods it drops onto, its words standing out from its
    // ground; the rest of the HUD keeps its place under the Status bars.
    {
        auto* game = dynamic_cast<UIDropDownMenu*>(ui.findWidget("Hud::Game"));
        ASSERT_NE(game, nullptr);
        ASSERT_TRUE(ui.findMenu("Vendor")->liesOnPanel(30, 50));
        s.clickWidget("Hud::Game");
        ASSERT_TRUE(game->drawsOnTop()) << "the list did not open";
        window.moveTo(600, 300);
        const Picture open = window.stillShot();
        // Over the rows' first 40 points.
        const Vec2 box = game->getScreenPosition();
        const float row = game->getChoiceSize().y;
        const Legibility list = legibility(open, box.x + 1.0f, box.y + row + 1.0f, box.x + 40.0f,
                                           box.y + row * static_cast<float>(game->getChoices().size() + 1));
        ASSERT_GT(list.points, 0);
        EXPECT_TRUE(list.readable()) << "the list's words do not stand out from its ground (luminance "
                                     << list.ground << "): " << list.words << " of " << list.points;
        // The health and power bars, drawn over the HUD's strip.
        const uint8_t *health = pixelAt(open, 110, 454), *power = pixelAt(open, 110, 463);
        EXPECT_GT(int(health[0]), health[2] + 60) << "the health bar under the open list";
        EXPECT_GT(int(power[2]), power[0] + 60) << "the power bar under the open list";
        const Vec2 at = game->getScreenPosition();
        window.click(static_cast<int>(at.x) + 12, static_cast<int>(at.y) + 8);
        EXPECT_FALSE(game->drawsOnTop());
        EXPECT_TRUE(menuActive("Vendor"));
    }
    auto* stock = dynamic_cast<UIItemSlot*>(ui.findWidget("Vendor::Stock0"));
    ASSERT_NE(stock, nullptr);
    ASSERT_TRUE(window.frameUntil([&] { return stock->getItem() != nullptr; }))
        << "the merchant has no goods";
    const int price = stock->getItem()->getPrice(1);
    ASSERT_GT(price, 0);
    if (playerStat(CharacterStat::Money) < price) {
        server->setStat(static_cast<int>(CharacterStat::Money), price * 2);
        ASSERT_TRUE(window.frameUntil([&] { return playerStat(CharacterStat::Money) >= price; }));
    }
    const int moneyBefore = playerStat(CharacterStat::Money);
    const int carriedBefore = carriedItems();
    s.clickWidget("Vendor::Stock0", SDL_BUTTON_RIGHT);
    ASSERT_TRUE(window.frameUntil([&] { return carriedItems() == carriedBefore + 1; })) << window.logTail();
    EXPECT_TRUE(window.frameUntil([&] { return playerStat(CharacterStat::Money) == moneyBefore - price; }))
        << moneyBefore << " - " << price << " -> " << playerStat(CharacterStat::Money);

    // Sold back: the bought item picked from its bag and dropped on the goods.
    {
        s.clickWidget("Inventory::Bag0", SDL_BUTTON_RIGHT);
        ASSERT_TRUE(window.frameUntil([] { return menuActive("bag0"); }));
        UIItemSlot* bought = nullptr;
        ASSERT_TRUE(window.frameUntil([&] {
            for (const auto& widget : ui.findMenu("bag0")->getWidgets()) {
                auto* slot = dynamic_cast<UIItemSlot*>(widget.get());
                if (slot && slot->getItem()) {
                    bought = slot; // the last filled place: the newest item
                }
            }
            return bought != nullptr;
        }));
        const int moneyBeforeSale = playerStat(CharacterStat::Money);
        const int carried = carriedItems();
        const Vec2 from = bought->getScreenPosition();
        window.click(static_cast<int>(from.x + 16), static_cast<int>(from.y + 16));
        ASSERT_EQ(ui.getDragWidget(), bought);
        s.clickWidget("Vendor::Stock0");
        EXPECT_TRUE(window.frameUntil([&] { return carriedItems() == carried - 1; })) << window.logTail();
        EXPECT_TRUE(window.frameUntil([&] { return playerStat(CharacterStat::Money) > moneyBeforeSale; }));
    }

    // The sale key (S) on the item under the mouse: over the goods it buys,
    // over the player's bag it sells, over a sold item's place it buys back.
    {
        auto pressOver = [&](const UIItemSlot* slot) {
            const Vec2 at = slot->getScreenPosition();
            window.moveTo(static_cast<int>(at.x + 16), static_cast<int>(at.y + 16));
            window.key(SDL_SCANCODE_S);
        };
        // The newest item of the bag: its last filled place.
        auto newest = [&] {
            UIItemSlot* found = nullptr;
            for (const auto& widget : ui.findMenu("bag0")->getWidgets()) {
                auto* slot = dynamic_cast<UIItemSlot*>(widget.get());
                if (slot && slot->getItem()) {
                    found = slot;
                }
            }
            return found;
        };
        const int stockPrice = stock->getItem()->getPrice(1);
        if (playerStat(CharacterStat::Money) < stockPrice * 2) {
            server->setStat(static_cast<int>(CharacterStat::Money), stockPrice * 4);
            ASSERT_TRUE(
                window.frameUntil([&] { return playerStat(CharacterStat::Money) >= stockPrice * 2; }));
        }
        int money = playerStat(CharacterStat::Money);
        int carried = carriedItems();
        pressOver(stock);
        ASSERT_TRUE(window.frameUntil([&] { return carriedItems() == carried + 1; })) << "S did not buy";
        EXPECT_TRUE(
            window.frameUntil([&] { return playerStat(CharacterStat::Money) == money - stockPrice; }));

        UIItemSlot* bought = nullptr;
        ASSERT_TRUE(window.frameUntil([&] { return (bought = newest()) != nullptr; }));
        const DatabaseEntry* kind = bought->getItem()->getItemEntry();
        money = playerStat(CharacterStat::Money);
        carried = carriedItems();
        pressOver(bought);
        ASSERT_TRUE(window.frameUntil([&] { return carriedItems() == carried - 1; })) << "S did not sell";
        EXPECT_TRUE(window.frameUntil([&] { return playerStat(CharacterStat::Money) > money; }));

        // The place of the goods bought back that now holds the item sold.
        UIItemSlot* back = nullptr;
        ASSERT_TRUE(window.frameUntil([&] {
            for (const char* name : {"Vendor::Back22", "Vendor::Back23"}) {
                auto* slot = dynamic_cast<UIItemSlot*>(ui.findWidget(name));
                if (slot && slot->getItem() && slot->getItem()->getItemEntry() == kind) {
                    back = slot;
                }
            }
            return back != nullptr;
        })) << "the sold item is not offered back";
        money = playerStat(CharacterStat::Money);
        carried = carriedItems();
        pressOver(back);
        ASSERT_TRUE(window.frameUntil([&] { return carriedItems() == carried + 1; })) << "S did not buy back";
        EXPECT_TRUE(window.frameUntil([&] { return playerStat(CharacterStat::Money) < money; }));
    }

    // Close takes every merchant window away, the inventory shown beside
    // the goods and the bag opened from it too; a second click on the same
    // merchant talks again.
    ASSERT_TRUE(menuActive("Vendor"));
    ASSERT_TRUE(menuActive("bag0"));
    s.clickWidget("Vendor::Close");
    ASSERT_TRUE(window.frameUntil([] {
        return !menuActive("Vendor") && !menuActive("Buy-sell") && !menuActive("NpcChat") &&
               !menuActive("VendorMenuWithQuests");
    }));
    EXPECT_FALSE(menuActive("Inventory"));
    EXPECT_FALSE(menuActive("bag0"));
    EXPECT_TRUE(s.talkTo(vendor, "VendorMenuWithQuests"));
    s.clickWidget("NpcChat::Close");
    ASSERT_TRUE(window.frameUntil([] { return !menuActive("VendorMenuWithQuests"); }));

    // A quest giver: its chat beside its quests; the first is chosen with its
    // own text, and Accept puts it into a free slot of the player.
    {
        int giver = -1;
        ASSERT_TRUE(window.frameUntil([&] {
            giver = findEntity([](const EntityClient& e) {
                return !e.isVendor() && e.talks() && e.givesQuests() && !e.getOfferedQuests().empty();
            });
            return giver >= 0;
        })) << "no quest giver offers a quest in the town";
        ASSERT_TRUE(s.talkTo(giver, "QuestNpcMenu"))
            << "action " << Client::get().getLocalPlayer()->action << ", target "
            << Client::get().getLocalPlayer()->getTargetEntityNumber(false) << ", giver " << giver << " "
            << GameClient::get().getEntity(giver)->getEntry()->getName() << " mouse action "
            << GameClient::get().getEntity(giver)->getMouseAction(true, true) << " new quest "
            << GameClient::get().getEntity(giver)->hasNewQuestForPlayer() << "\n"
            << window.logTail();
        EXPECT_TRUE(menuActive("NpcChat"));
        ASSERT_TRUE(menuActive("GetQuest"));
        auto* list = dynamic_cast<UIList*>(ui.findWidget("GetQuest::Quests"));
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(
            window.frameUntil([&] { return !list->getItems().empty() && list->getSelectedIndex() >= 0; }));
        std::string value;
        ASSERT_TRUE(list->getSelectedValue(value));
        const int number = std::atoi(value.c_str());
        const std::string title =
            stripColorCodesCopy(list->getItems()[static_cast<size_t>(list->getSelectedIndex())].name);
        ClientView* view = ui.getClientView();
        QuestClient* offered = GameClient::get().getQuest(number);
        ASSERT_NE(offered, nullptr);
        const std::string own = Localization::get().translateCopy(offered->getDescription(
            playerStat(CharacterStat::Level), view->getGameTime(), view->getPlayerName()));
        ASSERT_FALSE(own.empty());
        // The text shown is the chosen quest's: its opening words (the
        // window wraps the lines, and the time left runs on).
        auto words = [](std::string text) {
            text = stripColorCodesCopy(text);
            text.erase(
                std::remove_if(text.begin(), text.end(), [](char c) { return std::isspace(uint8_t(c)); }),
                text.end());
            return text;
        };
        const std::string opening = words(own.substr(0, own.find('\n'))).substr(0, 40);
        ASSERT_TRUE(window.frameUntil([&] {
            return words(widgetText("GetQuest::QuestText")).rfind(opening, 0) == 0;
        })) << widgetText("GetQuest::QuestText")
            << "\n / " << own;
        ASSERT_FALSE(server->hasQuest(number));
        s.clickWidget("GetQuest::Accept");
        ASSERT_TRUE(window.frameUntil([&] { return server->hasQuest(number); })) << window.logTail();
        EXPECT_GE(server->findQuestSlot(number), 0);
        s.clickWidget("GetQuest::Close");
        ASSERT_TRUE(window.frameUntil([] { return !menuActive("QuestNpcMenu") && !menuActive("GetQuest"); }));
        window.key(SDL_SCANCODE_Q);
        ASSERT_TRUE(menuActive("Quests"));
        auto* held = dynamic_cast<UIList*>(ui.findWidget("Quests::QuestList"));
        ASSERT_NE(held, nullptr);
        EXPECT_TRUE(window.frameUntil([&] {
            return std::any_of(held->getItems().begin(), held->getItems().end(), [&](const ListEntry& row) {
                return stripColorCodesCopy(row.name) == title &&
                       row.value == std::to_string(server->findQuestSlot(number));
            });
        })) << title;
        window.key(SDL_SCANCODE_Q);
    }

    // The covenant's own stash: its places beside the inventory; a bag in a
    // bag place opens with a right click, and walking away closes it all.
    {
        const int covenant = Client::get().getPlayerCovenant()->index;
        const int stash = findEntity(
            [&](const EntityClient& e) { return e.isPlayerStash() && e.getCovenantIndex() == covenant; });
        ASSERT_GE(stash, 0) << "no personal stash in the town";
        {
            std::string name;
            GameClient::get().getEntity(stash)->getDisplayName(name, true, false);
            EXPECT_EQ(stripColorCodesCopy(name), "Personal Stash");
        }
        // A spare bag, handed to the player by the server as a find would be.
        {
            const DatabaseEntry* entry = Database::get().findEntry("Backpack");
            ASSERT_NE(entry, nullptr);
            auto* bag = static_cast<Item*>(server->getInventory()->createItem());
            bag->setItemEntry(entry);
            bag->updateStackValue();
            ASSERT_EQ(server->getInventory()->addItem(bag), InventoryBase::kAddPlaced);
            bag->setOwner(server);
        }
        ASSERT_TRUE(s.talkTo(stash, "Stash")) << window.logTail();
        EXPECT_TRUE(menuActive("Loot"));
        EXPECT_TRUE(menuActive("Inventory"));
        // Laid in the stash's first bag place from the player's bag.
        s.clickWidget("Inventory::Bag0", SDL_BUTTON_RIGHT);
        ASSERT_TRUE(window.frameUntil([] { return menuActive("bag0"); }));
        UIItemSlot* spare = nullptr;
        ASSERT_TRUE(window.frameUntil([&] {
            for (const auto& widget : ui.findMenu("bag0")->getWidgets()) {
                auto* slot = dynamic_cast<UIItemSlot*>(widget.get());
                const ItemBase* item = slot ? slot->getItem() : nullptr;
                if (item && item->getItemEntry() && item->getItemEntry()->getName() == "Backpack") {
                    spare = slot;
                }
            }
            return spare != nullptr;
        })) << "the spare bag never reached the player's bag";
        const Vec2 from = spare->getScreenPosition();
        window.click(static_cast<int>(from.x + 16), static_cast<int>(from.y + 16));
        ASSERT_EQ(ui.getDragWidget(), spare);
        s.clickWidget("Loot::Bag0");
        auto* place = dynamic_cast<UIItemSlot*>(ui.findWidget("Loot::Bag0"));
        ASSERT_NE(place, nullptr);
        ASSERT_TRUE(window.frameUntil([&] { return place->getItem() != nullptr; })) << window.logTail();
        s.clickWidget("Inventory::Bag0", SDL_BUTTON_RIGHT);
        ASSERT_TRUE(window.frameUntil([] { return !menuActive("bag0"); }));
        s.clickWidget("Loot::Bag0", SDL_BUTTON_RIGHT);
        ASSERT_TRUE(window.frameUntil([] { return menuActive("stashBag0"); })) << window.logTail();
        // Away on foot: a click on free ground beside the player.
        ASSERT_TRUE(s.clickFreeGround());
        EXPECT_TRUE(window.frameUntil([&] {
            return !menuActive("Stash") && !menuActive("Loot") && !menuActive("stashBag0") &&
                   !menuActive("Inventory");
        })) << "Stash "
            << menuActive("Stash") << " Loot " << menuActive("Loot") << " stashBag0 "
            << menuActive("stashBag0") << " Inventory " << menuActive("Inventory");
        // Its hover box stands on a backdrop that lets a quarter of the
        // ground through, as a widget's does: in the box's margin, where no
        // letter is drawn, a pixel is a quarter of itself without the box.
        ASSERT_TRUE(window.frameUntil([] { return !Client::get().getLocalPlayer()->hasDestination(); }));
        const EntityClient* chest = GameClient::get().getEntity(stash);
        ASSERT_NE(chest, nullptr);
        UITooltip tip;
        for (const auto& [x, y] : {std::pair{2, 477}, {637, 477}, {2, 42}, {637, 42}}) {
            window.moveTo(x, y);
            if (!ui.getTooltip(tip)) {
                break;
            }
        }
        ASSERT_FALSE(ui.getTooltip(tip)) << tip.text;
        const Picture bare = window.stillShot();
        const ScreenRect pick = Client::get().getEntityScreenRect(*chest);
        for (float y = pick.top + 2.0f; y < pick.bottom - 1.0f && Client::get().getHoverEntity() != chest;
             y += 4.0f) {
            for (float x = pick.left + 2.0f; x < pick.right - 1.0f && Client::get().getHoverEntity() != chest;
                 x += 4.0f) {
                window.moveTo(static_cast<int>(x), static_cast<int>(y));
            }
        }
        ASSERT_TRUE(window.frameUntil([&] {
            return ui.getTooltip(tip) && Client::get().getHoverEntity() == chest;
        })) << "the stash is not under the mouse";
        const Picture shown = window.stillShot();
        auto* help = dynamic_cast<UIHelp*>(ui.findWidget("Help::Help"));
        ASSERT_NE(help, nullptr);
        std::string text = tip.text;
        unescapeNewlines(text);
        const ResourceHandle& font = help->getFont().isValid() ? help->getFont() : ui.getDefaultFont();
        const HelpBox box = help->placeBox(ui.getDrawing()->layoutText(font, text), tip.position, tip.size);
        size_t samples = 0;
        const float middle =
            shareShowingThrough(bare, shown, box.position.x, box.position.y, box.size.x, samples);
        ASSERT_GT(samples, 40u) << "the ground under the box is too dark to tell";
        EXPECT_GT(middle, 0.15f) << "the backdrop hides what lies under it";
        EXPECT_LT(middle, 0.4f) << "the hover box has no backdrop";
    }

    // The tutor's first lesson: taken, done with the weapon put on from the
    // first bag (the inventory's key then closes the bag with it), and
    // handed in for one reward, after which its window goes.
    {
        int lesson = -1;
        for (int n = 0; n < Game::get().getQuestTableSize() && lesson < 0; ++n) {
            const Quest* q = Game::get().getQuest(n);
            if (q && q->type == toIndex(QuestType::TutorialEquipWeapon)) {
                lesson = n;
            }
        }
        ASSERT_GE(lesson, 0) << "no tutorial quest in the new world";
        int tutor = -1;
        ASSERT_TRUE(window.frameUntil([&] {
            tutor = findEntity([&](const EntityClient& e) {
                const auto* actor = dynamic_cast<Actor*>(Game::get().getEntity(e.getEntityNumber()));
                if (!actor) {
                    return false;
                }
                const auto offered = Game::get().collectQuestsOfferedBy(const_cast<Actor*>(actor));
                return std::find(offered.begin(), offered.end(), lesson) != offered.end();
            });
            return tutor >= 0;
        })) << "nobody in the town teaches the first lesson";
        if (!server->hasQuest(lesson)) {
            ASSERT_NO_FATAL_FAILURE(s.takeQuest(tutor, lesson, [&] { return server->hasQuest(lesson); }));
        }
        const int kMainHand = 14;
        window.key(SDL_SCANCODE_I);
        ASSERT_TRUE(menuActive("Inventory"));
        s.clickWidget("Inventory::Bag0", SDL_BUTTON_RIGHT);
        ASSERT_TRUE(window.frameUntil([] { return menuActive("bag0"); }));
        UIItemSlot* weapon = nullptr;
        ASSERT_TRUE(window.frameUntil([&] {
            for (const auto& widget : ui.findMenu("bag0")->getWidgets()) {
                auto* slot = dynamic_cast<UIItemSlot*>(widget.get());
                if (slot && slot->getItem() && slot->getItem()->isWeapon()) {
                    weapon = slot;
                }
            }
            return weapon != nullptr;
        })) << "no weapon in the first bag";
        const Vec2 at = weapon->getScreenPosition();
        window.click(static_cast<int>(at.x + 16), static_cast<int>(at.y + 16), SDL_BUTTON_RIGHT);
        ASSERT_TRUE(window.frameUntil([&] { return server->getItem(1, kMainHand) != nullptr; }))
            << "the weapon was not put on";
        window.key(SDL_SCANCODE_I);
        EXPECT_FALSE(menuActive("Inventory"));
        EXPECT_FALSE(menuActive("bag0"));

        ASSERT_TRUE(window.frameUntil([&] { return server->isQuestComplete(lesson); }));
        ASSERT_TRUE(s.talkTo(tutor, "SolveQuest")) << window.logTail();
        // The reward's line names the book the tutor hands over with the pay.
        {
            auto* told = dynamic_cast<UIText*>(ui.findWidget("SolveQuest::QuestText"));
            ASSERT_NE(told, nullptr);
            std::string lines;
            EXPECT_TRUE(window.frameUntil([&] {
                lines.clear();
                // Blanks left out: the line breaks fall where they may.
                for (const std::string& line : told->getLines()) {
                    for (char c : stripColorCodesCopy(line)) {
                        lines += c == ' ' ? "" : std::string(1, c);
                    }
                }
                const size_t reward = lines.find("Reward:");
                return reward != std::string::npos &&
                       lines.find("TheFounders'Chronicle", reward) < reward + 40;
            })) << lines;
        }
        const int before = playerStat(CharacterStat::Money);
        s.clickWidget("SolveQuest::CompleteQuest");
        ASSERT_TRUE(window.frameUntil([&] { return !server->hasQuest(lesson); })) << window.logTail();
        ASSERT_TRUE(window.frameUntil([&] { return playerStat(CharacterStat::Money) > before; }));
        const int paid = playerStat(CharacterStat::Money);
        EXPECT_TRUE(window.frameUntil([] { return !menuActive("SolveQuest"); }))
            << "the paid quest's window stays";
        EXPECT_EQ(playerStat(CharacterStat::Money), paid);
        EXPECT_EQ(server->getStat(static_cast<int>(CharacterStat::Money)), paid);
        if (menuActive("NpcChat")) {
            s.clickWidget("NpcChat::Close");
        }
        ASSERT_TRUE(window.frameUntil([] { return !menuActive("NpcChat") && !menuActive("SolveQuest"); }));

        // The next lesson on offer is longer than its box: scrolled to its
        // end, its last line, the reward with its copper, is drawn.
        ASSERT_TRUE(s.talkTo(tutor, "GetQuest")) << window.logTail();
        auto* text = dynamic_cast<UIText*>(ui.findWidget("GetQuest::QuestText"));
        ASSERT_NE(text, nullptr);
        ASSERT_TRUE(window.frameUntil([&] {
            return !text->getLines().empty() && text->getLines().back().find("Reward") != std::string::npos;
        })) << widgetText("GetQuest::QuestText");
        // Copper's pixels in the text's box: the reward's coins.
        auto copper = [&](const Picture& shot) {
            const Vec2 at = text->getScreenPosition(), size = text->getSize();
            int n = 0;
            for (float y = at.y; y < at.y + size.y; y += 0.5f) {
                for (float x = at.x; x < at.x + size.x; x += 0.5f) {
                    const uint8_t* c = pixelAt(shot, static_cast<int>(x), static_cast<int>(y));
                    n += c[0] > 150 && c[0] - c[2] > 80;
                }
            }
            return n;
        };
        window.moveTo(600, 300);
        EXPECT_EQ(copper(window.stillShot()), 0) << "the reward shows before the text is scrolled";
        scrollToItsLastLine(window, *text, [&](const Picture& shot, const char* how) {
            EXPECT_GT(copper(shot), 5) << how << ": the reward's line is not drawn";
        });
        s.clickWidget("GetQuest::Close");
        ASSERT_TRUE(window.frameUntil([] { return !menuActive("GetQuest") && !menuActive("NpcChat"); }));
    }

    // Death: the server's damage path kills the player; the window's button
    // brings it back at the life stone with its share of health.
    {
        Covenant* covenant = server->getCovenant();
        ASSERT_NE(covenant, nullptr);
        server->takeDamage(server->getHealth() + 1000, nullptr);
        ASSERT_TRUE(server->isDead());
        ASSERT_TRUE(window.frameUntil([] { return menuActive("PlayerDead"); }, 1200)) << window.logTail();
        s.clickWidget("PlayerDead::Resurrect");
        ASSERT_TRUE(window.frameUntil([&] { return server->isAlive(); }, 1200)) << window.logTail();
        // Read in the frame of the resurrection; the once-a-second
        // regeneration may have added its first few points in it.
        const int health = server->getHealth();
        const int share = static_cast<int>(
            std::floor(static_cast<double>(server->getMaxHealth()) * worldRules().resurrectHealthPercent));
        EXPECT_GE(health, share);
        EXPECT_LE(health, share + std::max(2, server->getMaxHealth() / 50))
            << share << " of " << server->getMaxHealth();
        ASSERT_TRUE(window.frameUntil([] { return !menuActive("PlayerDead"); }, 1200)) << window.logTail();
        ASSERT_NE(covenant->getLifestone(), nullptr);
        EXPECT_LT(distance(server->getPosition(), covenant->getLifestone()->getPosition()), 200.0f);
    }

    // The statistics over the character sheet hide it.
    window.key(SDL_SCANCODE_C);
    ASSERT_TRUE(menuActive("Character"));
    // The Warrior's power sources, scrolled to the last: that line alone is
    // drawn, as wide as its words, in the box's first row.
    {
        auto* power = dynamic_cast<UIText*>(ui.findWidget("Character::PowerSources"));
        ASSERT_NE(power, nullptr);
        ASSERT_TRUE(window.frameUntil([&] { return power->getLines().size() > 4; }))
            << power->getLines().size() << " power sources";
        const float row = UISystem::get().getDrawing()->layoutText(power->getFont(), "Test").y;
        const float wide =
            UISystem::get().getDrawing()->layoutText(power->getFont(), power->getLines().back()).x;
        scrollToItsLastLine(window, *power, [&](const Picture& shot, const char* how) {
            const Vec2 at = power->getScreenPosition();
            const float right = power->getScrollBar()->getScreenPosition().x;
            for (int line = 0; line < power->getVisibleLineCount(); ++line) {
                float from = 1e9f, to = -1e9f;
                for (float y = at.y + row * line; y < at.y + row * (line + 1) - 2.0f; y += 0.5f) {
                    for (float x = at.x; x < right - 1.0f; x += 0.5f) {
                        const uint8_t* c = pixelAt(shot, static_cast<int>(x), static_cast<int>(y));
                        if (std::min({c[0], c[1], c[2]}) > 170) {
                            from = std::min(from, x);
                            to = std::max(to, x);
                        }
                    }
                }
                if (line == 0) {
                    // Ink ends short of the laid-out width by the letters' spacing.
                    EXPECT_GT(to - from, wide - 10.0f) << how << ": the last line's words";
                    EXPECT_LE(to - from, wide + 1.0f) << how << ": the last line's words";
                } else {
                    EXPECT_GT(from, to) << how << ": words in row " << line;
                }
            }
        });
    }
    s.clickWidget("Character::Statistics");
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Statistics"); }));
    ASSERT_TRUE(window.waitForLoads(100));
    window.moveTo(600, 300);
    EXPECT_EQ(throughPanel(shotWithoutNotices(window), "Statistics"), 0)
        << "the character sheet shows through";
    window.key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(window.frameUntil([] { return !menuActive("Statistics"); }));
    if (menuActive("Character")) {
        window.key(SDL_SCANCODE_C);
    }
    ASSERT_TRUE(window.frameUntil([] { return !menuActive("Character") && !menuActive("PauseMenu"); }));

    // Save and exit from the game menu, then a new game: drawn, running and
    // without the old world's texts.
    GameClient::get().showErrorMessage("A line of the old world", false);
    auto oldText = [] {
        for (const TextEvent& e : GraphicsSystem::get().getTextEvents().events()) {
            if (e.text.find("A line of the old world") != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    window.frame();
    ASSERT_TRUE(oldText());
    window.key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(menuActive("PauseMenu"));
    // "Paused" stands where it stood when the game menu opened Options,
    // with the mouse over the window or not: the banner's white strokes
    // (about the top centre, where the game view has none) lie on the same
    // pixels in both pictures, and the top right corner holds none.
    {
        auto strokes = [](const Picture& shot, int x0, int y0, int x1, int y1) {
            std::vector<std::pair<int, int>> out;
            for (int y = y0 * shot.height / 480; y < y1 * shot.height / 480; ++y) {
                for (int x = x0 * shot.width / 640; x < x1 * shot.width / 640; ++x) {
                    const uint8_t* c = shot.at(x, y);
                    if (c[0] > 235 && c[1] > 235 && c[2] > 235) {
                        out.emplace_back(x, y);
                    }
                }
            }
            return out;
        };
        ASSERT_TRUE(window.frameUntil([] { return Client::get().isPaused(); }));
        window.moveTo(600, 460);
        const Picture gameMenu = window.stillShot();
        const auto banner = strokes(gameMenu, 250, 36, 390, 56);
        EXPECT_GT(banner.size(), 40u) << "no banner at the top centre";
        s.clickWidget("PauseMenu::Options");
        ASSERT_TRUE(window.frameUntil([] { return menuActive("Options"); }));
        ASSERT_TRUE(window.waitForLoads(100));
        for (const auto& [x, y] : {std::pair{600, 460}, std::pair{320, 250}}) {
            window.moveTo(x, y);
            const Picture options = window.stillShot();
            const auto over = strokes(options, 250, 36, 390, 56);
            const size_t kept =
                static_cast<size_t>(std::count_if(banner.begin(), banner.end(), [&](const auto& p) {
                    return std::find(over.begin(), over.end(), p) != over.end();
                }));
            EXPECT_GE(kept * 10, banner.size() * 9) << "the mouse at " << x << ", " << y << ": " << kept
                                                    << " of " << banner.size() << " of the banner's strokes";
            EXPECT_TRUE(strokes(options, 520, 0, 640, 24).empty()) << "the mouse at " << x << ", " << y;
        }
        // An area's notice that comes while Options covers the screen waits
        // for it to close: nothing is drawn over the tabs, and the notice
        // shows over the game menu afterwards.
        window.moveTo(600, 460);
        const Picture bare = window.stillShot();
        Client::get().addTextEvent("Entering Town", 320.0f, 100.0f, 5.0f, TextEventList::kAreaKind, true,
                                   false);
        const Picture noticed = window.stillShot();
        auto changed = [](const Picture& a, const Picture& b, int x0, int y0, int x1, int y1) {
            int n = 0;
            for (int y = y0 * a.height / 480; y < y1 * a.height / 480; ++y) {
                for (int x = x0 * a.width / 640; x < x1 * a.width / 640; ++x) {
                    const uint8_t *p = a.at(x, y), *q = b.at(x, y);
                    n += std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 60 ? 1 : 0;
                }
            }
            return n;
        };
        EXPECT_LT(changed(bare, noticed, 90, 84, 442, 108), 5) << "a notice over the Options tabs";
        window.key(SDL_SCANCODE_ESCAPE);
        ASSERT_TRUE(window.frameUntil([] { return !menuActive("Options") && menuActive("PauseMenu"); }));
        EXPECT_GT(strokes(window.stillShot(), 270, 92, 370, 108).size(),
                  strokes(gameMenu, 270, 92, 370, 108).size() + 20)
            << "the notice after Options";
    }
    s.clickWidget("PauseMenu::SaveAndExit");
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Main"); }));
    s.clickWidget("Main::NewGame");
    ASSERT_TRUE(menuActive("NewCharacter"));
    // The last game's covenant is not the new character's: its box is empty.
    window.frame();
    {
        auto* covenantBox = dynamic_cast<UITextInput*>(ui.findWidget("NewCharacter::CovenantInput"));
        ASSERT_NE(covenantBox, nullptr);
        EXPECT_EQ(covenantBox->getInputText(), "");
        EXPECT_EQ(getUserVarString("CovenantName"), "");
    }
    ASSERT_NO_FATAL_FAILURE(s.startNamed("Ivo", "Second Hall"));
    EXPECT_FALSE(Client::get().isPaused());
    EXPECT_FALSE(oldText());

    // A won world, saved by its end and resumed by Continue, plays on with
    // nothing over the view: a click beside the player walks it, and the
    // won game's help topic opens with the words drawn for this victory
    // and closes again.
    {
        Game& won = Game::get();
        for (int i = 0; i < won.getCovenantCount(); ++i) {
            if (Covenant* other = won.getCovenant(i); other && !other->isPlayerCovenant()) {
                other->destroyed = true;
            }
        }
        ASSERT_TRUE(window.frameUntil([] { return !GameClient::get().getWonGameText().empty(); }))
            << window.logTail();
        window.key(SDL_SCANCODE_ESCAPE);
        ASSERT_TRUE(menuActive("PauseMenu"));
        s.clickWidget("PauseMenu::SaveAndExit");
        ASSERT_TRUE(window.frameUntil([] { return menuActive("Main"); }));
        s.clickWidget("Main::Continue");
        ASSERT_TRUE(window.waitForGame(1200)) << window.logTail();
        ASSERT_TRUE(window.frameUntil(standsOnBuiltLevel, 2400));
        ASSERT_TRUE(window.frameUntil([] { return !GameClient::get().getWonGameText().empty(); }));
        EXPECT_FALSE(Client::get().isPaused());
        const PlayerClient* player = Client::get().getLocalPlayer();
        ASSERT_TRUE(window.frameUntil([&] { return !player->hasDestination(); }));
        const Vec2 centre = Client::get().worldToScreen(Client::get().getPlayerPosition(), true);
        for (float dy = -90.0f; dy <= 90.0f; dy += 15.0f) {
            for (float dx = -140.0f; dx <= 140.0f; dx += 20.0f) {
                EXPECT_FALSE(underAWindow(centre.x + dx, centre.y + dy)) << dx << ", " << dy;
            }
        }
        // Beside the player, where no one else stands.
        Vec2 beside{-1.0f, -1.0f};
        for (float dx : {60.0f, -60.0f, 0.0f}) {
            for (float dy : {0.0f, 50.0f, -50.0f}) {
                if (beside.x < 0.0f && (dx != 0.0f || dy != 0.0f) &&
                    !Client::get().pickEntity(centre.x + dx, centre.y + dy, nullptr)) {
                    beside = {centre.x + dx, centre.y + dy};
                }
            }
        }
        ASSERT_GE(beside.x, 0.0f) << "people all round the player";
        const ZonePosition before = Client::get().getPlayerPosition();
        window.click(static_cast<int>(beside.x), static_cast<int>(beside.y));
        EXPECT_TRUE(window.frameUntil([&] {
            return distance(Client::get().getPlayerPosition(), before) > 8.0f;
        })) << "the click beside the player did not walk it";

        UIMenu* button = ui.findMenu("WonGameButton");
        ASSERT_NE(button, nullptr) << "the won game's help topic was not offered";
        ASSERT_TRUE(button->isActive());
        ASSERT_FALSE(button->getWidgets().empty());
        const UIWidget& icon = *button->getWidgets().front();
        window.click(static_cast<int>(icon.getScreenPosition().x + icon.getSize().x / 2),
                     static_cast<int>(icon.getScreenPosition().y + icon.getSize().y / 2));
        ASSERT_TRUE(menuActive("helpTopic"));
        const std::string said = Localization::get().translateCopy(GameClient::get().getWonGameText());
        ASSERT_FALSE(said.empty());
        EXPECT_EQ(widgetText("helpTopic::Title"), "$$HelpTitleWonGame$$");
        EXPECT_EQ(Localization::get().translateCopy(widgetText("helpTopic::WonGameText")).rfind(said, 0), 0u)
            << widgetText("helpTopic::WonGameText");
        s.clickWidget("helpTopic::Later");
        EXPECT_TRUE(window.frameUntil([] { return !menuActive("helpTopic"); }));
    }
}

// What a player can read now, translated as it is drawn: the texts of the
// shown widgets of the open windows, the tooltip and the text events.
std::vector<std::string> readableTexts()
{
    std::vector<std::string> out;
    const Localization* texts = Localization::instance();
    auto translated = [&](const std::string& text) {
        std::string shown = texts ? texts->translateCopy(text) : text;
        unescapeNewlines(shown);
        return shown;
    };
    UISystem& ui = UISystem::get();
    for (const auto& menu : ui.getMenus()) {
        if (!menu->isActive()) {
            continue;
        }
        for (const auto& widget : menu->getWidgets()) {
            if (!widget->isVisible()) {
                continue;
            }
            widget->prepareDraw();
            if (!widget->getTextValue().empty()) {
                out.push_back(menu->getName() + ": " + translated(widget->getTextValue()));
            }
        }
    }
    UITooltip tooltip;
    if (ui.getTooltip(tooltip)) {
        out.push_back("tooltip: " + translated(tooltip.text) + translated(tooltip.secondText));
    }
    for (const TextEvent& event : GraphicsSystem::get().getTextEvents().events()) {
        out.push_back("event: " + translated(event.text));
    }
    return out;
}

// Everything shown is translated, from the main menu through the first
// windows of play: no "$" of a text key in a shown text, a tooltip or a text
// event, and no missing translation logged. A sword's tooltip in a bag names
// what it requires and sets the comparison with what is worn apart; the
// covenant stash's hover text gives its description on a line of its own.
TEST(WindowsOfPlayGameXvfbTest, EveryShownTextIsTranslated)
{
    WindowedGame window;
    // The developer level, where a missing translation is logged.
    if (!window.start("compressedTextures 0\ndeveloper 1\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    ASSERT_TRUE(DebugSystem::get().isDeveloper());
    std::vector<std::string> missing;
    const int sink = DebugSystem::get().addSink([&missing](int, const std::string& text) {
        if (text.find("No translation for") != std::string::npos) {
            missing.push_back(text);
        }
    });
    std::vector<std::string> keyed;
    auto until = [&](const std::function<bool()>& done, int frames = 600) {
        return window.frameUntil(
            [&] {
                for (const std::string& text : readableTexts()) {
                    if (text.find('$') != std::string::npos &&
                        std::find(keyed.begin(), keyed.end(), text) == keyed.end()) {
                        keyed.push_back(text);
                    }
                }
                return done();
            },
            frames);
    };
    PlaySession s{window};
    UISystem& ui = UISystem::get();
    ASSERT_TRUE(until([] { return menuActive("Main"); }));
    Random::setState(0, 20261209u);
    s.clickWidget("Main::NewGame");
    ASSERT_TRUE(until([] { return menuActive("NewCharacter"); }));
    window.click(300, 230);
    for (int i = 0; i < 24; ++i) {
        window.key(SDL_SCANCODE_BACKSPACE);
    }
    window.type("Wren");
    window.key(SDL_SCANCODE_TAB);
    window.type("Ash Vigil");
    window.click(490, 408);
    ASSERT_TRUE(window.waitForGame(1200)) << window.logTail();
    ASSERT_TRUE(until(standsOnBuiltLevel, 2400)) << "the town was not built";
    Player* server = Game::get().getFirstPlayer();
    ASSERT_NE(server, nullptr);

    // A short sword in the player's first bag, handed over as a find would be.
    {
        const DatabaseEntry* entry = Database::get().findEntry("ShortSword");
        ASSERT_NE(entry, nullptr);
        auto* sword = static_cast<Item*>(server->getInventory()->createItem());
        sword->setItemEntry(entry);
        sword->updateStackValue();
        ASSERT_EQ(server->getInventory()->addItem(sword), InventoryBase::kAddPlaced);
        sword->setOwner(server);
    }
    window.key(SDL_SCANCODE_I);
    ASSERT_TRUE(until([] { return menuActive("Inventory"); }));
    s.clickWidget("Inventory::Bag0", SDL_BUTTON_RIGHT);
    ASSERT_TRUE(until([] { return menuActive("bag0"); }));
    UIItemSlot* swordSlot = nullptr;
    ASSERT_TRUE(until([&] {
        for (const auto& widget : ui.findMenu("bag0")->getWidgets()) {
            auto* slot = dynamic_cast<UIItemSlot*>(widget.get());
            const ItemBase* item = slot ? slot->getItem() : nullptr;
            if (item && item->getItemEntry() && item->getItemEntry()->getName() == "ShortSword") {
                swordSlot = slot;
            }
        }
        return swordSlot != nullptr;
    })) << "the sword never reached the player's bag";
    {
        const Vec2 at = swordSlot->getScreenPosition();
        window.moveTo(static_cast<int>(at.x + 16), static_cast<int>(at.y + 16));
        UITooltip tooltip;
        ASSERT_TRUE(until([&] { return ui.getTooltip(tooltip) && !tooltip.text.empty(); }));
        std::string text = Localization::get().translateCopy(tooltip.text);
        unescapeNewlines(text);
        text = stripColorCodesCopy(text);
        EXPECT_NE(text.find("Requires Swords"), std::string::npos) << text;
        const size_t compared = text.find("Currently equipped");
        ASSERT_NE(compared, std::string::npos) << text;
        ASSERT_GE(compared, 2u);
        EXPECT_EQ(text.substr(compared - 2, 2), "\n\n") << text;
    }
    window.key(SDL_SCANCODE_I);
    ASSERT_TRUE(until([] { return !menuActive("Inventory"); }));

    // The covenant's own stash, as its hover text reads.
    {
        const int covenant = Client::get().getPlayerCovenant()->index;
        const int stash = findEntity(
            [&](const EntityClient& e) { return e.isPlayerStash() && e.getCovenantIndex() == covenant; });
        ASSERT_GE(stash, 0) << "no personal stash in the town";
        std::string hover;
        GameClient::get().getEntity(stash)->getTooltipText(hover, false, true, true);
        hover = Localization::get().translateCopy(hover);
        unescapeNewlines(hover);
        hover = stripColorCodesCopy(hover);
        const size_t first = hover.find('\n');
        ASSERT_NE(first, std::string::npos) << hover;
        EXPECT_EQ(hover.substr(0, first), "Personal Stash") << hover;
        EXPECT_FALSE(trimBlanks(hover.substr(first + 1, hover.find('\n', first + 1) - first - 1)).empty())
            << hover;
    }

    // The windows of the HUD's buttons, one after the other; each key of
    // them, or Escape for the relations screen over the HUD, closes it again.
    const std::tuple<const char*, const char*, SDL_Scancode> buttons[] = {
        {"Hud::Character", "Character", SDL_SCANCODE_C},
        {"Hud::Quests", "Quests", SDL_SCANCODE_Q},
        {"Hud::Relations", "CovenantRelations", SDL_SCANCODE_ESCAPE}};
    for (const auto& [button, menu, key] : buttons) {
        SCOPED_TRACE(menu);
        s.clickWidget(button);
        ASSERT_TRUE(until([menu = menu] { return menuActive(menu); })) << window.logTail();
        window.key(key);
        ASSERT_TRUE(until([menu = menu] { return !menuActive(menu); })) << window.logTail();
    }

    // A merchant's talk and the game menu.
    int vendor = -1;
    ASSERT_TRUE(until([&] {
        vendor =
            findEntity([](const EntityClient& e) { return e.isVendor() && e.talks() && e.givesQuests(); });
        return vendor >= 0;
    }));
    ASSERT_TRUE(s.talkTo(vendor, "VendorMenuWithQuests")) << window.logTail();
    ASSERT_TRUE(until([] { return !widgetText("NpcChat::Chat").empty(); }));
    s.clickWidget("NpcChat::Close");
    ASSERT_TRUE(until([] { return !menuActive("VendorMenuWithQuests"); }));
    window.key(SDL_SCANCODE_ESCAPE);
    // The game menu over the paused game: "Paused" is said once, by the banner.
    auto pausedSaid = [] {
        int count = 0;
        for (const std::string& text : readableTexts()) {
            count += stripColorCodesCopy(text).find("Paused") != std::string::npos;
        }
        return count;
    };
    EXPECT_TRUE(until([&] {
        return menuActive("PauseMenu") && Client::get().isPaused() && pausedSaid() == 1;
    })) << "\"Paused\" said "
        << pausedSaid() << " times";
    ASSERT_TRUE(menuActive("PauseMenu"));
    window.key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(until([] { return !menuActive("PauseMenu"); }));

    DebugSystem::get().removeSink(sink);
    std::string shown;
    for (size_t i = 0; i < keyed.size() && i < 12; ++i) {
        shown += "\n  " + keyed[i];
    }
    EXPECT_TRUE(keyed.empty()) << keyed.size() << " texts with a key:" << shown;
    std::string lines;
    for (const std::string& line : missing) {
        lines += line;
    }
    EXPECT_TRUE(missing.empty()) << lines;
}

// The message log's backdrop as drawn: for each line it covers (from the
// bottom), the share of its pixels the backdrop darkens and the count of its
// words' near-white pixels. Empty when the log draws no backdrop.
struct LogBoxLine {
    double dark = 0.0;
    int lit = 0;
};
std::vector<LogBoxLine> logBoxLines(const Picture& shot)
{
    GraphicsSystem& graphics = GraphicsSystem::get();
    float box[4];
    std::vector<LogBoxLine> lines;
    if (!graphics.getMessageLogBox(box)) {
        return lines;
    }
    const float h = graphics.layoutText("T", graphics.getFontHandle(0)).y;
    const int count = static_cast<int>(std::lround((box[3] - box[1]) / h));
    const int x0 = static_cast<int>(box[0] * shot.width / 640.0f) + 1;
    const int x1 = static_cast<int>(box[2] * shot.width / 640.0f) - 1;
    for (int line = 0; line < count; ++line) {
        const float bottom = box[3] - h * static_cast<float>(line), top = bottom - h;
        const int y0 = static_cast<int>(top * shot.height / 480.0f) + 1;
        const int y1 = static_cast<int>(bottom * shot.height / 480.0f) - 1;
        LogBoxLine out;
        int dark = 0, all = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x, ++all) {
                const uint8_t* c = shot.at(x, y);
                dark += std::max({c[0], c[1], c[2]}) < 70 ? 1 : 0;
                out.lit += std::min({c[0], c[1], c[2]}) > 170 ? 1 : 0;
            }
        }
        out.dark = all > 0 ? static_cast<double>(dark) / all : 0.0;
        lines.push_back(out);
    }
    return lines;
}

std::vector<std::string> logLines()
{
    std::vector<std::string> out;
    for (const TextEvent& e : GraphicsSystem::get().getTextEvents().events()) {
        if (e.kind == TextEventList::kLogKind) {
            out.push_back(e.text);
        }
    }
    return out;
}

// Continue brings the message log back once, its lines fading, under the
// lines that come with the join: the log's backdrop holds words on every
// line it covers, on the first Continue of a new character and on one
// after a game that still showed a line. Then the target at the top of the
// screen: its name, level and health bar show the player itself after a
// talk window's Close selects it; a right click selects the merchant, and
// one on the player leaves it so.
TEST(WindowsOfPlayGameXvfbTest, ContinueShowsTheLogWithItsWordsAndTheTargetWithItsName)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    PlaySession s{window};
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Main"); }));
    Random::setState(0, 20261208u);
    s.clickWidget("Main::NewGame");
    ASSERT_TRUE(menuActive("NewCharacter"));
    ASSERT_NO_FATAL_FAILURE(s.startNamed("Edda", "Lantern Hall"));
    // A line from the server in the message log.
    Game::get().getFirstPlayer()->sendMessage(0, "Word of the new game");
    // The world's own news may come first: wait for this line itself.
    ASSERT_TRUE(window.frameUntil([] {
        const std::vector<std::string> shown = logLines();
        return std::find(shown.begin(), shown.end(), "Word of the new game") != shown.end();
    })) << "no line came to the message log";

    for (const char* when :
         {"the first Continue of a new character", "a Continue after a game that showed a line"}) {
        SCOPED_TRACE(when);
        window.key(SDL_SCANCODE_ESCAPE);
        ASSERT_TRUE(menuActive("PauseMenu"));
        s.clickWidget("PauseMenu::SaveAndExit");
        ASSERT_TRUE(window.frameUntil([] { return menuActive("Main"); }));
        // The log as saved, the world's news to the last included.
        const std::vector<std::string> saved = Client::get().getMessageLog();
        ASSERT_FALSE(saved.empty());
        s.clickWidget("Main::Continue");
        // A line that comes while the character joins, as the server's do.
        const std::string joining = "Word of the join " + std::to_string(saved.size());
        GameClient::get().showMessage(0, joining);
        // Once the character has joined and the restored lines have faded,
        // the log's backdrop stands for the lines of this game alone.
        auto restoredShown = [&] {
            for (const TextEvent& e : GraphicsSystem::get().getTextEvents().events()) {
                if (e.kind == TextEventList::kLogKind && e.visible &&
                    std::find(saved.begin(), saved.end(), e.text) != saved.end()) {
                    return true;
                }
            }
            return false;
        };
        ASSERT_TRUE(window.frameUntil([&] {
            return GameClient::get().isLoaded() && Client::get().getLocalPlayer() &&
                   Client::get().getLocalPlayer()->getServerMirror() && !restoredShown();
        })) << window.logTail();
        window.moveTo(600, 300);
        std::vector<std::string> expected = saved;
        expected.push_back(joining);
        std::vector<std::string> shown = logLines();
        shown.resize(std::min(shown.size(), expected.size()));
        EXPECT_EQ(shown, expected) << "the saved lines, then the join's";
        const Picture shot = window.shot(false, "continued-log.png");
        const std::vector<LogBoxLine> lines = logBoxLines(shot);
        ASSERT_FALSE(lines.empty()) << "no backdrop under the join's line";
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_GT(lines[i].dark, 0.5) << "the backdrop, line " << i;
            EXPECT_GT(lines[i].lit, 20) << "the backdrop stands without words, line " << i;
        }
        ASSERT_TRUE(window.frameUntil(standsOnBuiltLevel, 2400));
    }

    // A line fading out takes its share of the backdrop with it: the log's
    // clock held in an older line's last tenth of a second and a newer
    // line's full time, the older line's words and its row of the backdrop
    // are both faint, the newer line's both strong. Each row's ground is
    // its middle brightness, against the same row with no log drawn.
    {
        GraphicsSystem& graphics = GraphicsSystem::get();
        graphics.clearTextEvents();
        const Vec2 anchor = UISystem::get().getSettings().eventsTextPosition;
        for (float seconds : {0.0f, 30.0f}) {
            Client::get().addTextEvent("Word of a line that fades", anchor.x, anchor.y, seconds,
                                       Client::kMessageLogKind, false, true);
        }
        const double fading = graphics.getTextEvents().events().front().fadeStart;
        graphics.setTextEventClock([fading] { return fading + 0.9; });
        window.moveTo(600, 300);
        const Picture logged = window.stillShot();
        float box[4];
        ASSERT_TRUE(graphics.getMessageLogBox(box));
        graphics.setTextEventClock(nullptr);
        graphics.clearTextEvents();
        const Picture bare = window.stillShot();
        const float h = graphics.layoutText("T", graphics.getFontHandle(0)).y;
        struct Row {
            int middle = 0;
            int lit = 0;
        };
        auto row = [&](const Picture& shot, int line) {
            std::vector<int> shades;
            Row out;
            const float bottom = box[3] - h * static_cast<float>(line);
            for (float y = bottom - h + 1.0f; y < bottom - 1.0f; y += 0.5f) {
                for (float x = box[0] + 1.0f; x < box[2] - 1.0f; x += 0.5f) {
                    const uint8_t* c = pixelAt(shot, static_cast<int>(x), static_cast<int>(y));
                    shades.push_back(std::max({c[0], c[1], c[2]}));
                    out.lit += std::min({c[0], c[1], c[2]}) > 170 ? 1 : 0;
                }
            }
            std::nth_element(shades.begin(), shades.begin() + static_cast<long>(shades.size() / 2),
                             shades.end());
            out.middle = shades.empty() ? 0 : shades[shades.size() / 2];
            return out;
        };
        const Row faded = row(logged, 0), full = row(logged, 1);
        const Row fadedBare = row(bare, 0), fullBare = row(bare, 1);
        ASSERT_GT(fadedBare.middle, 30) << "the ground under the log is too dark to tell";
        ASSERT_GT(fullBare.middle, 30) << "the ground under the log is too dark to tell";
        EXPECT_LT(full.middle, fullBare.middle / 2) << "the newer line's backdrop";
        EXPECT_GT(full.lit, 20) << "the newer line's words";
        EXPECT_GT(faded.middle, fadedBare.middle * 4 / 5) << "the fading line's backdrop";
        EXPECT_LT(faded.lit, full.lit / 4) << "the fading line's words";
    }

    // The target at the top of the screen: its name, level and bar.
    UISystem& ui = UISystem::get();
    const PlayerClient* player = Client::get().getLocalPlayer();
    const std::string name = player->getGeneratedName();
    ASSERT_FALSE(name.empty());
    auto showsThePlayer = [&](const char* how) {
        SCOPED_TRACE(how);
        const EntityClient* target = Client::get().getTargetEntity();
        EXPECT_TRUE(target && target->isOwnCharacter());
        EXPECT_EQ(widgetText("Status::TargetName"), name);
        EXPECT_EQ(stripColorCodesCopy(widgetText("Status::TargetLevel")),
                  std::to_string(playerStat(CharacterStat::Level)));
        window.moveTo(600, 300);
        const Picture shot = window.shot(false, "target.png");
        // Words in the name's box and the level's, the health bar's red.
        for (const char* path : {"Status::TargetName", "Status::TargetLevel"}) {
            const UIWidget* widget = ui.findWidget(path);
            ASSERT_NE(widget, nullptr) << path;
            const Vec2 at = widget->getScreenPosition(), size = widget->getSize();
            int lit = 0;
            for (int y = static_cast<int>(at.y); y < static_cast<int>(at.y + size.y); ++y) {
                for (int x = static_cast<int>(at.x); x < static_cast<int>(at.x + size.x); ++x) {
                    const uint8_t* c = pixelAt(shot, x, y);
                    lit += std::max({c[0], c[1], c[2]}) > 170 ? 1 : 0;
                }
            }
            EXPECT_GT(lit, 6) << path << " shows no words";
        }
        const UIWidget* bar = ui.findWidget("Status::TargetHealth");
        ASSERT_NE(bar, nullptr);
        const Vec2 at = bar->getScreenPosition(), size = bar->getSize();
        const uint8_t* red = pixelAt(shot, static_cast<int>(at.x + 4), static_cast<int>(at.y + size.y / 2));
        EXPECT_GT(int(red[0]), red[2] + 60) << "the target's health bar";
    };
    int vendor = -1;
    ASSERT_TRUE(window.frameUntil([&] {
        vendor = findEntity([](const EntityClient& e) { return e.isVendor() && e.talks(); });
        return vendor >= 0;
    })) << "no talking merchant in the town";
    ASSERT_TRUE(s.talkTo(vendor, "NpcChat")) << window.logTail();
    s.clickWidget("NpcChat::Close");
    ASSERT_TRUE(window.frameUntil([] { return !menuActive("NpcChat"); }));
    showsThePlayer("the talk window closed");

    // A right click on the merchant selects it only; one on the player then
    // selects the player: beside a person it would not attack the player is
    // among what a click may pick (a foe or itself selected leaves it out).
    const EntityClient* merchant = GameClient::get().getEntity(vendor);
    ASSERT_NE(merchant, nullptr);
    // A right click pressed in the frame that aims it, again until it takes
    // (people walk about).
    auto rightClick = [&](const EntityClient& entity, const std::function<bool()>& taken) {
        return window.frameUntil([&] {
            if (taken()) {
                return true;
            }
            const ScreenRect box = Client::get().getEntityScreenRect(entity);
            const float x = (box.left + box.right) * 0.5f;
            for (float y = (box.top + box.bottom) * 0.5f; y > box.top; y -= 3.0f) {
                const EntityClient* picked = Client::get().pickEntity(x, y, nullptr);
                if (x >= 4 && x <= 636 && y >= 40 && y <= 400 && !underAWindow(x, y) &&
                    (picked == &entity || (picked && entity.isOwnCharacter() && picked->isOwnCharacter()))) {
                    window.clickNow(static_cast<int>(x), static_cast<int>(y), SDL_BUTTON_RIGHT);
                    break;
                }
            }
            return taken();
        });
    };
    ASSERT_TRUE(rightClick(*merchant, [&] { return Client::get().getTargetEntity() == merchant; }))
        << "the merchant was not selected";
    std::string merchantName;
    merchant->getTooltipText(merchantName, true, true, false);
    EXPECT_EQ(widgetText("Status::TargetName"), merchantName);
    const ScreenRect own = Client::get().getEntityScreenRect(*player);
    window.clickNow(static_cast<int>((own.left + own.right) * 0.5f),
                    static_cast<int>((own.top + own.bottom) * 0.5f), SDL_BUTTON_RIGHT);
    const EntityClient* chosen = Client::get().getTargetEntity();
    EXPECT_TRUE(chosen && chosen->isOwnCharacter()) << "a right click on the player chose another";

    // Another character after Save and exit, a new one and then this one
    // loaded again from the list: from the first frame it plays on, none of
    // the character before's log lines is shown.
    auto lastWord = [](const std::string& word) {
        Game::get().getFirstPlayer()->sendMessage(0, word);
        const std::vector<std::string>& log = Client::get().getMessageLog();
        return !log.empty() && log.back() == word;
    };
    auto saveAndExit = [&] {
        window.key(SDL_SCANCODE_ESCAPE);
        ASSERT_TRUE(menuActive("PauseMenu"));
        s.clickWidget("PauseMenu::SaveAndExit");
        ASSERT_TRUE(window.frameUntil([] { return menuActive("Main"); }));
    };
    auto noneShownOf = [&](const std::vector<std::string>& before) {
        ASSERT_TRUE(window.frameUntil([] { return Client::get().isJoined(); })) << window.logTail();
        for (const TextEvent& e : GraphicsSystem::get().getTextEvents().events()) {
            EXPECT_FALSE(e.kind == TextEventList::kLogKind && e.visible &&
                         std::find(before.begin(), before.end(), e.text) != before.end())
                << e.text;
        }
    };
    ASSERT_TRUE(window.frameUntil([&] { return lastWord("Edda's last word"); }));
    const std::vector<std::string> eddas = Client::get().getMessageLog();
    ASSERT_NO_FATAL_FAILURE(saveAndExit());
    s.clickWidget("Main::NewGame");
    ASSERT_TRUE(menuActive("NewCharacter"));
    window.click(300, 230);
    for (int i = 0; i < 24; ++i) {
        window.key(SDL_SCANCODE_BACKSPACE);
    }
    window.type("Ivo");
    window.key(SDL_SCANCODE_TAB);
    window.type("Second Hall");
    window.click(490, 408);
    ASSERT_NO_FATAL_FAILURE(noneShownOf(eddas));
    ASSERT_TRUE(window.frameUntil(standsOnBuiltLevel, 2400));
    ASSERT_TRUE(window.frameUntil([&] { return lastWord("Ivo's last word"); }));
    // The world's news both happened to hear is Edda's as well.
    std::vector<std::string> ivos;
    for (const std::string& line : Client::get().getMessageLog()) {
        if (std::find(eddas.begin(), eddas.end(), line) == eddas.end()) {
            ivos.push_back(line);
        }
    }
    ASSERT_NO_FATAL_FAILURE(saveAndExit());
    s.clickWidget("Main::LoadCharacter");
    ASSERT_TRUE(menuActive("LoadCharacter"));
    auto* characters = dynamic_cast<UIList*>(ui.findWidget("LoadCharacter::Characters"));
    ASSERT_NE(characters, nullptr);
    int row = -1;
    for (size_t i = 0; i < characters->getItems().size(); ++i) {
        row = characters->getItems()[i].value == "Edda" ? static_cast<int>(i) : row;
    }
    ASSERT_GE(row, 0) << "Edda is not listed";
    const Vec2 at = characters->getScreenPosition();
    window.click(static_cast<int>(at.x + 40), static_cast<int>(at.y + 30 * row + 15));
    ASSERT_EQ(getUserVarString("PlayerName"), "Edda");
    s.clickWidget("LoadCharacter::Load");
    ASSERT_NO_FATAL_FAILURE(noneShownOf(ivos));
}

} // namespace

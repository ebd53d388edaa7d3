// The windows of play in a new game, as a user meets them: the whole program
// windowed under Xvfb on the shipped data, driven with the mouse and keys. A
// merchant's windows, buying and selling, a quest taken from its giver,
// death and the way back, the covenant's stash, and a new game after Save
// and exit.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/player/PlayerClient.h"
#include "engine/app/Application.h"
#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/text/TextEvent.h"
#include "graphics/text/TextEventList.h"
#include "support/WindowedGame.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIItemSlot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

bool active(const char* name)
{
    UIMenu* menu = UISystem::get().findMenu(name);
    return menu && menu->isActive();
}

bool standsOnBuiltLevel()
{
    if (!GameClient::instance() || !GameClient::get().isLoaded()) {
        return false;
    }
    const ZonePosition at = Client::get().getPlayerPosition();
    World* world = World::instance();
    return at.zone >= 0 && world && world->isLevelLoaded(at.zone) && !world->hasPendingBuilds() &&
           Client::get().getLocalPlayer()->getServerMirror() != nullptr;
}

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

float distance(const ZonePosition& a, const ZonePosition& b)
{
    const Vec2 p = ZonePosition::getLocal(a, b);
    return std::hypot(p.x - b.x, p.y - b.y);
}

struct Session {
    WindowedGame& window;

    void clickWidget(const char* path, uint8_t which = SDL_BUTTON_LEFT)
    {
        UIWidget* widget = UISystem::get().findWidget(path);
        ASSERT_NE(widget, nullptr) << path;
        const Vec2 at = widget->getScreenPosition();
        window.click(static_cast<int>(at.x + widget->getSize().x / 2),
                     static_cast<int>(at.y + widget->getSize().y / 2), which);
    }

    // A point of the screen where the client picks the entity, searched
    // around its projected feet.
    bool pickPoint(const EntityClient& entity, int& x, int& y)
    {
        const Client& client = Client::get();
        const Vec2 feet = client.worldToScreen(entity.getPosition(), true);
        const EntityClient* self = client.getPlayerEntity();
        for (int dy = -24; dy <= 4; dy += 2) {
            for (int dx = -8; dx <= 8; dx += 2) {
                const float px = feet.x + static_cast<float>(dx), py = feet.y + static_cast<float>(dy);
                if (px < 4 || px > 636 || py < 40 || py > 400) {
                    continue;
                }
                if (client.pickEntity(px, py, self) == &entity) {
                    x = static_cast<int>(px);
                    y = static_cast<int>(py);
                    return true;
                }
            }
        }
        return false;
    }

    // Walks toward the entity by clicks on the ground until it can be
    // clicked itself.
    bool approach(int number)
    {
        int tries = 0;
        return window.frameUntil(
            [&] {
                const EntityClient* entity = GameClient::get().getEntity(number);
                if (!entity) {
                    return false;
                }
                int x = 0, y = 0;
                const ZonePosition at = Client::get().getPlayerPosition();
                if (distance(entity->getPosition(), at) < 120.0f && pickPoint(*entity, x, y)) {
                    return true;
                }
                if (++tries % 30 == 1) {
                    const Vec2 centre = Client::get().worldToScreen(at, true);
                    const Vec2 there = Client::get().worldToScreen(entity->getPosition(), true);
                    float dx = there.x - centre.x, dy = there.y - centre.y;
                    const float length = std::hypot(dx, dy);
                    const float step = std::min(length, 140.0f);
                    if (length > 1.0f) {
                        dx *= step / length;
                        dy *= step / length;
                    }
                    window.click(static_cast<int>(centre.x + dx), static_cast<int>(centre.y + dy));
                }
                return false;
            },
            4000);
    }

    bool clickEntity(int number)
    {
        const EntityClient* entity = GameClient::get().getEntity(number);
        int x = 0, y = 0;
        if (!entity || !pickPoint(*entity, x, y)) {
            return false;
        }
        window.click(x, y);
        return true;
    }
};

// The first entity mirror on the player's level that the test holds.
int findEntity(const std::function<bool(const EntityClient&)>& wanted)
{
    const int zone = Client::get().getPlayerPosition().zone;
    for (int number = 0; number < 1000; ++number) {
        const EntityClient* e = GameClient::get().getEntity(number);
        if (e && e->getPosition().zone == zone && wanted(*e)) {
            return number;
        }
    }
    return -1;
}

TEST(WindowsOfPlayGameXvfbTest, MerchantQuestDeathStashAndANewGame)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    Session s{window};
    UISystem& ui = UISystem::get();
    ASSERT_TRUE(window.frameUntil([] { return active("Main"); }));
    Random::setState(0, 20261208u);
    window.click(320, 206);
    ASSERT_TRUE(active("NewCharacter"));
    window.click(145, 130);
    window.click(300, 230);
    for (int i = 0; i < 24; ++i) {
        window.key(SDL_SCANCODE_BACKSPACE);
    }
    window.type("Edda");
    window.key(SDL_SCANCODE_TAB);
    window.type("Lantern Hall");
    window.click(490, 408);
    ASSERT_TRUE(window.waitForGame(1200)) << window.logTail();
    ASSERT_TRUE(window.frameUntil(standsOnBuiltLevel, 2400)) << "the town was not built";
    Player* server = Game::get().getFirstPlayer();
    ASSERT_NE(server, nullptr);

    // The merchant: a talking vendor of the town that has quests.
    int vendor = -1;
    ASSERT_TRUE(window.frameUntil([&] {
        vendor =
            findEntity([](const EntityClient& e) { return e.isVendor() && e.talks() && e.givesQuests(); });
        return vendor >= 0;
    })) << "no talking merchant with quests in the town";
    ASSERT_TRUE(s.approach(vendor)) << "the merchant was never in reach of a click";
    ASSERT_TRUE(s.clickEntity(vendor));
    ASSERT_TRUE(window.frameUntil([] { return active("VendorMenuWithQuests"); }, 1200))
        << "action " << Client::get().getLocalPlayer()->action << ", target "
        << Client::get().getLocalPlayer()->getTargetEntityNumber(false) << " (merchant " << vendor << ")\n"
        << window.logTail();
    EXPECT_TRUE(active("NpcChat"));
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

    // Buy and sell: the goods beside the inventory; a right click buys the
    // first of them at its shown price.
    s.clickWidget("VendorMenuWithQuests::BuyAndSell");
    ASSERT_TRUE(window.frameUntil([] { return active("Vendor") && active("Inventory"); }));
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
        ASSERT_TRUE(window.frameUntil([] { return active("bag0"); }));
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
        s.clickWidget("Inventory::Bag0", SDL_BUTTON_RIGHT);
    }

    // Close takes every merchant window away; a second click on the same
    // merchant talks again.
    ASSERT_TRUE(active("Vendor"));
    s.clickWidget("Vendor::Close");
    ASSERT_TRUE(window.frameUntil([] {
        return !active("Vendor") && !active("Buy-sell") && !active("NpcChat") &&
               !active("VendorMenuWithQuests");
    }));
    if (active("Inventory")) {
        window.key(SDL_SCANCODE_I);
    }
    ASSERT_TRUE(s.approach(vendor));
    ASSERT_TRUE(s.clickEntity(vendor));
    EXPECT_TRUE(window.frameUntil([] { return active("VendorMenuWithQuests"); }, 1200));
    s.clickWidget("NpcChat::Close");
    ASSERT_TRUE(window.frameUntil([] { return !active("VendorMenuWithQuests"); }));

    // Death: the server's damage path kills the player; the window's button
    // brings it back at the life stone with its share of health.
    {
        Covenant* covenant = server->getCovenant();
        ASSERT_NE(covenant, nullptr);
        server->takeDamage(server->getHealth() + 1000, nullptr);
        ASSERT_TRUE(server->isDead());
        ASSERT_TRUE(window.frameUntil([] { return active("PlayerDead"); }, 1200)) << window.logTail();
        s.clickWidget("PlayerDead::Resurrect");
        ASSERT_TRUE(window.frameUntil([&] { return server->isAlive() && !active("PlayerDead"); }, 1200))
            << window.logTail();
        const float share = worldRules().resurrectHealthPercent;
        EXPECT_EQ(server->getHealth(),
                  static_cast<int>(std::floor(static_cast<double>(server->getMaxHealth()) * share)));
        ASSERT_NE(covenant->getLifestone(), nullptr);
        EXPECT_LT(distance(server->getPosition(), covenant->getLifestone()->getPosition()), 200.0f);
    }

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
    ASSERT_TRUE(active("PauseMenu"));
    s.clickWidget("PauseMenu::SaveAndExit");
    ASSERT_TRUE(window.frameUntil([] { return active("Main"); }));
    s.clickWidget("Main::NewGame");
    ASSERT_TRUE(active("NewCharacter"));
    window.click(300, 230);
    for (int i = 0; i < 24; ++i) {
        window.key(SDL_SCANCODE_BACKSPACE);
    }
    window.type("Ivo");
    window.key(SDL_SCANCODE_TAB);
    window.type("Second Hall");
    window.click(490, 408);
    ASSERT_TRUE(window.waitForGame(1200)) << window.logTail();
    ASSERT_TRUE(window.frameUntil(standsOnBuiltLevel, 2400));
    EXPECT_FALSE(Client::get().isPaused());
    EXPECT_FALSE(oldText());
}

} // namespace

// The whole program windowed under Xvfb on the shipped data: a new priest's
// bag opened from the inventory, an armour piece worn by two clicks, skills
// and a potion put on the hot bar, a skill used with its key, and the hot bar
// found again after the character is saved and resumed.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/SkillClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/ItemBase.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/skills/SkillDefinition.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/text/TextEvent.h"
#include "graphics/text/TextEventList.h"
#include "support/WindowedGame.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UISkillSlot.h"
#include "ui/widgets/UIUseSlot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace {

void expectNear(const uint8_t* c, int r, int g, int b, int tolerance, const char* what)
{
    EXPECT_NEAR(c[0], r, tolerance) << what;
    EXPECT_NEAR(c[1], g, tolerance) << what;
    EXPECT_NEAR(c[2], b, tolerance) << what;
}

// The lines the server runs of a command, as the client queued them.
struct CommandSpy {
    std::vector<std::string> lines;

    void watch(const std::string& name)
    {
        CommandSystem& commands = CommandSystem::get();
        const CommandRecord* record = commands.findCommand(name);
        ASSERT_TRUE(record && record->serverHandler) << name;
        ServerCommandHandler original = record->serverHandler;
        commands.registerServerCommand(
            [this, name, original](const CommandArgs& args, Player* player) {
                std::string line = name;
                for (const std::string& a : args) {
                    line += " " + a;
                }
                lines.push_back(line);
                original(args, player);
            },
            record->argTypes, name, record->argNames, record->help, record->needsPlayer, record->internalOnly,
            record->flags);
    }
    bool saw(const std::string& prefix) const
    {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    }
};

Vec2 centreOf(const UIWidget& widget)
{
    Vec2 at = widget.getScreenPosition();
    return {at.x + widget.getSize().x / 2.0f, at.y + widget.getSize().y / 2.0f};
}

std::string entryName(const ItemBase* item)
{
    return item && item->getItemEntry() ? item->getItemEntry()->getName() : std::string();
}

TEST(UISlotsXvfbTest, BagsEquipmentAndTheHotBarOfANewPriest)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    window.frame();
    UISystem& ui = UISystem::get();
    window.click(320, 206);
    ASSERT_TRUE(ui.findMenu("NewCharacter")->isActive());
    window.click(381, 130);
    ASSERT_EQ(UserVarSystem::get().findVar("PlayerClass")->getString(), "$$ClassPriest$$");
    window.click(300, 270);
    window.type("Ash Wardens");
    window.click(490, 408);
    ASSERT_TRUE(window.waitForGame()) << window.logTail();
    auto player = [] { return Client::get().getLocalPlayer(); };
    const int main = static_cast<int>(InventoryGroupIndex::Main);
    const int bag1 = static_cast<int>(InventoryGroupIndex::Bag1);
    const int equipment = static_cast<int>(InventoryGroupIndex::Equipment);
    ASSERT_TRUE(window.frameUntil([&] {
        return player() && entryName(player()->getItem(main, 0)) == "Backpack";
    })) << window.logTail();
    CommandSpy spy;
    spy.watch("moveItem");
    spy.watch("useSkill");

    // The inventory key: the backpack's icon in the first bag place.
    window.key(SDL_SCANCODE_I);
    UIMenu* inventory = ui.findMenu("Inventory");
    ASSERT_TRUE(inventory->isActive());
    auto* bagPlace = dynamic_cast<UIItemSlot*>(inventory->findWidget("Bag0"));
    ASSERT_NE(bagPlace, nullptr);
    // The pack's flap, above the place's count in the middle, once its image
    // has loaded.
    Vec2 bagAt = bagPlace->getScreenPosition();
    const uint8_t* flap = nullptr;
    Picture withBag;
    window.frameUntil(
        [&] {
            withBag = window.shot();
            flap = pixelAt(withBag, static_cast<int>(bagAt.x) + 21, static_cast<int>(bagAt.y) + 9);
            return std::abs(flap[0] - 100) < 24 && std::abs(flap[1] - 74) < 24 && std::abs(flap[2] - 40) < 24;
        },
        30);
    expectNear(flap, 100, 74, 40, 24, "the backpack's icon");

    // A right click opens its bag beside the screen with the class's items.
    Vec2 bagCentre = centreOf(*bagPlace);
    window.click(static_cast<int>(bagCentre.x), static_cast<int>(bagCentre.y), SDL_BUTTON_RIGHT);
    UIMenu* bag = ui.findMenu("bag0");
    ASSERT_TRUE(bag->isActive());
    ASSERT_TRUE(window.frameUntil([&] { return !bag->getWidgets().empty(); }));
    EXPECT_GE(bag->getPosition().x, 320.0f) << "the bag stands at the side";
    std::vector<std::string> carried;
    UIItemSlot* mantle = nullptr;
    for (const auto& widget : bag->getWidgets()) {
        auto* slot = dynamic_cast<UIItemSlot*>(widget.get());
        if (slot && slot->getItem()) {
            carried.push_back(entryName(slot->getItem()));
            if (carried.back() == "PaddedMantle") {
                mantle = slot;
            }
        }
    }
    for (const char* name :
         {"Mace", "PaddedMantle", "MinorHealthPotion", "TravelBread", "MinorPowerPotion"}) {
        EXPECT_NE(std::find(carried.begin(), carried.end(), name), carried.end()) << name;
    }
    ASSERT_NE(mantle, nullptr);
    const int place = mantle->getEntry();

    // Hovering a filled place says what it holds: the item's name first.
    {
        Vec2 over = centreOf(*mantle);
        window.moveTo(static_cast<int>(over.x), static_cast<int>(over.y));
        UITooltip tip;
        ASSERT_TRUE(ui.getTooltip(tip));
        const std::string firstLine = tip.text.substr(0, tip.text.find('\n'));
        EXPECT_EQ(firstLine, mantle->getItem()->getDisplayName(true)) << tip.text;
        EXPECT_NE(tip.text.find("Padded Mantle"), std::string::npos) << tip.text;
    }

    // A wounded recruit joins the party: the arrow keys step the comparison
    // to its gear and back, and F1 feeds it the bread of the bags.
    {
        Player* server = Game::get().getFirstPlayer();
        Actor* recruit = SpawnSystem::get().spawnPotentialRecruit(server->getPosition().zone, 1);
        ASSERT_NE(recruit, nullptr);
        ZonePosition beside = server->getPosition();
        beside.addOffset(40.0f, 0.0f);
        recruit->setPosition(beside);
        recruit->setSecondaryPosition(beside);
        ASSERT_GE(Game::get().addEntity(recruit), 0);
        server->recruitToCovenant(recruit, true);
        recruit->setHealth(recruit->getMaxHealth() / 2);
        const int number = recruit->getEntityNumber();
        ASSERT_TRUE(window.frameUntil([&] {
            const PlayerCovenantClient* covenant = Client::get().getPlayerCovenant();
            return !player()->partyMembers.empty() && player()->partyMembers[0] == number && covenant &&
                   covenant->findRecruitSlot(number) >= 0;
        })) << window.logTail();
        Vec2 over = centreOf(*mantle);
        window.moveTo(static_cast<int>(over.x), static_cast<int>(over.y));
        const auto tipText = [&] {
            UITooltip tip;
            return ui.getTooltip(tip) ? tip.text : std::string();
        };
        EXPECT_NE(tipText().find("Currently equipped"), std::string::npos) << tipText();
        window.key(SDL_SCANCODE_RIGHT);
        window.moveTo(static_cast<int>(over.x), static_cast<int>(over.y));
        EXPECT_NE(tipText().find("Equipped by "), std::string::npos) << tipText();
        window.key(SDL_SCANCODE_LEFT);
        window.moveTo(static_cast<int>(over.x), static_cast<int>(over.y));
        EXPECT_NE(tipText().find("Currently equipped"), std::string::npos) << tipText();

        spy.watch("forceFood");
        const auto bread = [&] {
            for (int slot = 0; slot < 64; ++slot) {
                if (entryName(player()->getItem(bag1, slot)) == "TravelBread") {
                    return player()->getItem(bag1, slot)->getQuantity();
                }
            }
            return 0;
        };
        const int loaves = bread();
        ASSERT_GT(loaves, 0);
        window.key(SDL_SCANCODE_F1);
        EXPECT_TRUE(window.frameUntil([&] { return spy.saw("forceFood " + std::to_string(number)); }))
            << ::testing::PrintToString(spy.lines);
        EXPECT_TRUE(window.frameUntil([&] { return bread() < loaves; })) << "the bread was not eaten";
        EXPECT_TRUE(window.frameUntil([&] { return recruit->getHealth() > recruit->getMaxHealth() / 2; }))
            << "the recruit was not fed";
    }

    // Two clicks wear the mantle: its icon in the shoulder place, the bag's place empty.
    auto* shoulders = dynamic_cast<UIItemSlot*>(inventory->findWidget("Shoulders"));
    ASSERT_NE(shoulders, nullptr);
    Vec2 from = centreOf(*mantle);
    Vec2 to = centreOf(*shoulders);
    window.click(static_cast<int>(from.x), static_cast<int>(from.y));
    EXPECT_EQ(ui.getDragWidget(), mantle);
    window.click(static_cast<int>(to.x), static_cast<int>(to.y));
    ASSERT_TRUE(window.frameUntil([&] {
        return entryName(player()->getItem(equipment, 2)) == "PaddedMantle";
    })) << window.logTail();
    EXPECT_TRUE(spy.saw("moveItem 2 " + std::to_string(place) + " 1 2"))
        << ::testing::PrintToString(spy.lines);
    EXPECT_EQ(player()->getItem(bag1, place), nullptr);
    window.moveTo(2, 2);
    EXPECT_TRUE(window.waitForLoads()) << "the mantle's icon";
    Picture worn = window.shot();
    Vec2 shoulderAt = shoulders->getScreenPosition();
    expectNear(pixelAt(worn, static_cast<int>(shoulderAt.x) + 16, static_cast<int>(shoulderAt.y) + 10), 176,
               160, 120, 24, "the mantle in the shoulder place");
    Vec2 emptied = mantle->getScreenPosition();
    expectNear(pixelAt(worn, static_cast<int>(emptied.x) + 16, static_cast<int>(emptied.y) + 16), 22, 24, 34,
               12, "the bag's emptied place");

    // A left click on the full bag's place refuses to pick it up: the notice
    // is drawn clear of the open windows, its words in its own box and none
    // over the inventory's or the bag's panel.
    {
        GraphicsSystem& graphics = GraphicsSystem::get();
        graphics.clearTextEvents();
        window.click(static_cast<int>(bagCentre.x), static_cast<int>(bagCentre.y));
        EXPECT_EQ(ui.getDragWidget(), nullptr);
        const std::string said = "Can't pickup bags with items in it!";
        const auto& events = graphics.getTextEvents().events();
        const auto notice =
            std::find_if(events.begin(), events.end(), [&](const TextEvent& e) { return e.text == said; });
        ASSERT_NE(notice, events.end()) << "no notice";
        const Vec2 size = graphics.layoutText(said, graphics.getFontHandle(1));
        const float box[4] = {notice->x, notice->y, notice->x + size.x, notice->y + size.y};
        window.moveTo(2, 2);
        const Picture shown = window.shot();
        graphics.clearTextEvents();
        const Picture bare = window.shot();
        auto changed = [&](float x0, float y0, float x1, float y1) {
            int n = 0;
            for (float y = std::max(y0, 0.0f); y < std::min(y1, 480.0f); y += 0.5f) {
                for (float x = std::max(x0, 0.0f); x < std::min(x1, 640.0f); x += 0.5f) {
                    const uint8_t* a = pixelAt(shown, static_cast<int>(x), static_cast<int>(y));
                    const uint8_t* b = pixelAt(bare, static_cast<int>(x), static_cast<int>(y));
                    n += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 60;
                }
            }
            return n;
        };
        EXPECT_GT(changed(box[0], box[1], box[2], box[3]), 40) << "the notice is not drawn in its box";
        for (const UIMenu* open : {static_cast<const UIMenu*>(inventory), static_cast<const UIMenu*>(bag)}) {
            const Vec2 at = open->getPosition(), extent = open->getSize();
            EXPECT_EQ(changed(at.x, at.y, at.x + extent.x, at.y + extent.y), 0)
                << open->getName() << ": the notice at " << box[0] << ", " << box[1] << " lies over it";
        }
    }

    // The skills key shows the first tree, the one of the plain attack; the
    // priest's healing, learned and needing no enemy, is on the second.
    window.key(SDL_SCANCODE_I);
    window.key(SDL_SCANCODE_K);
    UIMenu* skills = ui.findMenu("Skills");
    ASSERT_TRUE(skills->isActive());
    EXPECT_EQ(skills->getSelectedSubMenu(), 0);
    auto* attack = dynamic_cast<UISkillSlot*>(ui.findWidget("SkillsTree0::S0"));
    ASSERT_NE(attack, nullptr);
    EXPECT_TRUE(window.frameUntil([&] { return attack->isVisible(); }));
    Vec2 tab = centreOf(*ui.findWidget("Skills::Tab1"));
    window.click(static_cast<int>(tab.x), static_cast<int>(tab.y));
    ASSERT_EQ(skills->getSelectedSubMenu(), 1);
    UISkillSlot* heal = nullptr;
    window.frameUntil([&] {
        for (const auto& widget : ui.findMenu("SkillsTree1")->getWidgets()) {
            auto* slot = dynamic_cast<UISkillSlot*>(widget.get());
            const SkillBase* skill = slot ? slot->getSkill() : nullptr;
            if (skill && skill->getDefinition()->name == "PriestHeal" && slot->getLevel() >= 1) {
                heal = slot;
            }
        }
        return heal != nullptr;
    });
    ASSERT_NE(heal, nullptr);
    const int cost = getSkillPowerCost(*heal->getSkill());
    ASSERT_GT(cost, 0);
    auto* first = dynamic_cast<UIUseSlot*>(ui.findWidget("HotBar::Use0"));
    ASSERT_NE(first, nullptr);
    Vec2 skillAt = centreOf(*heal);
    Vec2 placeAt = centreOf(*first);
    window.click(static_cast<int>(skillAt.x), static_cast<int>(skillAt.y));
    ASSERT_EQ(ui.getDragWidget(), heal);
    window.click(static_cast<int>(placeAt.x), static_cast<int>(placeAt.y));
    ASSERT_NE(first->getContent(), nullptr);
    // Another skill of the tree on the fourth place, carried there with the
    // button held and let go over it, the first healing potion of the bag on
    // the sixth by two clicks: each place's record holds its own skill or
    // item, not its place, and nothing stays on the pointer.
    auto dragTo = [&](const UIWidget& from, const char* place, bool held) {
        auto* to = dynamic_cast<UIUseSlot*>(ui.findWidget(place));
        ASSERT_NE(to, nullptr) << place;
        Vec2 a = centreOf(from), b = centreOf(*to);
        if (held) {
            window.moveTo(static_cast<int>(a.x), static_cast<int>(a.y));
            window.button(static_cast<int>(a.x), static_cast<int>(a.y), true);
            window.moveTo(static_cast<int>(b.x), static_cast<int>(b.y));
            window.button(static_cast<int>(b.x), static_cast<int>(b.y), false);
        } else {
            window.click(static_cast<int>(a.x), static_cast<int>(a.y));
            ASSERT_EQ(ui.getDragWidget(), &from);
            window.click(static_cast<int>(b.x), static_cast<int>(b.y));
        }
        ASSERT_NE(to->getContent(), nullptr) << place;
        EXPECT_EQ(ui.getDragWidget(), nullptr) << place;
    };
    for (const auto& widget : ui.findMenu("SkillsTree1")->getWidgets()) {
        auto* slot = dynamic_cast<UISkillSlot*>(widget.get());
        if (slot && slot != heal && slot->getSkill() && slot->isVisible() && slot->getSkillIndex() != 3) {
            dragTo(*slot, "HotBar::Use3", true);
            break;
        }
    }
    window.key(SDL_SCANCODE_K);
    window.key(SDL_SCANCODE_I);
    window.click(static_cast<int>(bagCentre.x), static_cast<int>(bagCentre.y), SDL_BUTTON_RIGHT);
    ASSERT_TRUE(window.frameUntil([&] { return bag->isActive() && !bag->getWidgets().empty(); }));
    for (const auto& widget : bag->getWidgets()) {
        auto* slot = dynamic_cast<UIItemSlot*>(widget.get());
        if (slot && entryName(slot->getItem()) == "MinorHealthPotion") {
            dragTo(*slot, "HotBar::Use5", false);
            break;
        }
    }
    window.key(SDL_SCANCODE_I);
    std::vector<std::array<int, 4>> bar;
    for (int i = 0; i < 10; ++i) {
        const HotkeyRecord r = player()->getHotkey(i);
        bar.push_back({r.values[0], r.values[1], r.values[2], r.values[3]});
    }
    ASSERT_EQ(bar[3][0], 1) << "a skill on the fourth place";
    ASSERT_EQ(bar[5][0], 0) << "an item on the sixth place";

    // Its key uses it: the server hears the line and the power falls by the
    // cost. The key is pressed once the character has stood still for a
    // second: a new character is still set down on its start point over its
    // first moments, and a loaded machine can leave that move for late.
    Player* server = Game::get().getFirstPlayer();
    ASSERT_NE(server, nullptr);
    {
        ZonePosition last = server->getPosition();
        auto since = std::chrono::steady_clock::now();
        ASSERT_TRUE(window.frameUntil([&] {
            const ZonePosition now = server->getPosition();
            if (now.zone != last.zone || now.x != last.x || now.y != last.y) {
                last = now;
                since = std::chrono::steady_clock::now();
            }
            return std::chrono::steady_clock::now() - since > std::chrono::seconds(1);
        })) << "the character never stood still";
    }
    const int powerStat = static_cast<int>(CharacterStat::Power);
    const int before = player()->getStat(powerStat);
    ASSERT_GE(before, cost);
    const std::string used =
        "useSkill " + std::to_string(heal->getTree()) + " " + std::to_string(heal->getSkillIndex()) + " ";
    // The heal takes its power when its cast ends; the rest is the round
    // trip, given room for a slow machine. A cast broken off by a late
    // set-down of the new character takes nothing: the key is pressed again.
    const double castTime = heal->getSkill()->getDefinition()->castTime;
    const auto spent = [&] { return player()->getStat(powerStat) <= before - cost + 1; };
    double pressed = 0.0;
    for (int press = 0; press < 3 && !spent(); ++press) {
        spy.lines.clear();
        pressed = ui.getTimeSeconds();
        window.key(SDL_SCANCODE_1);
        EXPECT_TRUE(window.frameUntil([&] { return spy.saw(used); })) << ::testing::PrintToString(spy.lines);
        window.frameUntil([&] { return spent() || ui.getTimeSeconds() - pressed > castTime + 2.0; });
    }
    EXPECT_TRUE(spent()) << "power " << before << " -> " << player()->getStat(powerStat) << ", cost " << cost
                         << "; on the server " << server->getStat(powerStat) << ", action "
                         << server->getAction() << ", target "
                         << (server->getTarget() ? server->getTarget()->getEntityNumber() : -1) << ", at "
                         << server->getPosition().x << "," << server->getPosition().y << "\n"
                         << window.logTail();
    EXPECT_LE(ui.getTimeSeconds() - pressed, castTime + 2.0) << "the power fell late";
    const std::array<int, 4> record = {1, heal->getTree(), heal->getSkillIndex(), -1};

    // Saved and resumed: the first place holds the skill again, from the file.
    Application::runConsoleLine("saveAndExit");
    window.frame();
    ASSERT_TRUE(ui.findMenu("Main")->isActive());
    window.click(320, 250);
    ASSERT_TRUE(window.frameUntil([&] {
        return GameClient::instance() && GameClient::get().isLoaded() && player();
    })) << window.logTail();
    ASSERT_TRUE(player()->loadedFromFile);
    HotkeyRecord loaded = player()->getHotkey(0);
    EXPECT_EQ((std::array<int, 4>{loaded.values[0], loaded.values[1], loaded.values[2], loaded.values[3]}),
              record);
    ASSERT_TRUE(window.frameUntil([&] { return first->getContent() != nullptr; }));
    int kind = -1, tree = -1, index = -1;
    first->getContent()->getSource(kind, tree, index);
    EXPECT_EQ((std::array<int, 4>{kind, tree, index, -1}), record);
    // The whole bar as it was saved, in the records and on the places.
    for (int i = 0; i < 10; ++i) {
        const HotkeyRecord r = player()->getHotkey(i);
        EXPECT_EQ((std::array<int, 4>{r.values[0], r.values[1], r.values[2], r.values[3]}), bar[i]) << i;
        auto* place = dynamic_cast<UIUseSlot*>(ui.findWidget(("HotBar::Use" + std::to_string(i)).c_str()));
        ASSERT_NE(place, nullptr) << i;
        std::array<int, 4> shown{2, -1, -1, -1};
        if (place->getContent()) {
            place->getContent()->getSource(shown[0], shown[1], shown[2]);
            shown[3] = place->getContent()->getSourceEntryId();
        }
        EXPECT_EQ(shown[0], bar[i][0]) << i;
        if (bar[i][0] != 2) {
            EXPECT_EQ(shown, bar[i]) << i;
        }
    }
}

} // namespace

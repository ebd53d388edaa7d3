#pragma once

// A user's hand on the whole program in a window (WindowedGame): widgets
// clicked by name, entities aimed at and clicked in the world, and walks to
// a person until its window opens. Points are of the 640 x 480 interface.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/player/PlayerClient.h"
#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"
#include "engine/data/DatabaseEntry.h"
#include "support/ClientWaits.h"
#include "support/WindowedGame.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

inline float distance(const ZonePosition& a, const ZonePosition& b)
{
    const Vec2 p = ZonePosition::getLocal(a, b);
    return std::hypot(p.x - b.x, p.y - b.y);
}

// A point under a window's widget (a click there goes to the window);
// whole-screen layers such as the help box are left out.
inline bool underAWindow(float x, float y)
{
    for (const auto& menu : UISystem::get().getMenus()) {
        // Pages of a window count with the window.
        if (!menu->isActive() || menu->isSubMenu()) {
            continue;
        }
        for (const auto& widget : menu->getWidgets()) {
            const Vec2 size = widget->getSize();
            if (widget->isVisible() && !(size.x >= 600.0f && size.y >= 400.0f) &&
                widget->containsPoint(x, y)) {
                return true;
            }
        }
    }
    return false;
}

struct PlaySession {
    WindowedGame& window;

    // On the open New Character page: the character's and the covenant's
    // names typed into their boxes, Start clicked, and the town built.
    void startNamed(const char* name, const char* covenant)
    {
        window.click(300, 230);
        for (int i = 0; i < 24; ++i) {
            window.key(SDL_SCANCODE_BACKSPACE);
        }
        window.type(name);
        window.key(SDL_SCANCODE_TAB);
        window.type(covenant);
        window.click(490, 408);
        ASSERT_TRUE(window.waitForGame(1200)) << window.logTail();
        ASSERT_TRUE(window.frameUntil(standsOnBuiltLevel, 2400)) << "the town was not built";
    }

    void clickWidget(const char* path, uint8_t which = SDL_BUTTON_LEFT)
    {
        UIWidget* widget = UISystem::get().findWidget(path);
        ASSERT_NE(widget, nullptr) << path;
        const Vec2 at = widget->getScreenPosition();
        window.click(static_cast<int>(at.x + widget->getSize().x / 2),
                     static_cast<int>(at.y + widget->getSize().y / 2), which);
    }

    // Aims as a user does: the mouse goes over points of the entity's pick
    // box, its middle first, until the client's own hover names the entity
    // on two frames running (the view follows a walking player); the click
    // (of the button given) goes there. False when no point of the box names
    // it.
    bool aimAndClick(const EntityClient& entity, uint8_t which = SDL_BUTTON_LEFT)
    {
        Client& client = Client::get();
        const ScreenRect box = client.getEntityScreenRect(entity);
        const float cx = (box.left + box.right) * 0.5f, cy = (box.top + box.bottom) * 0.5f;
        std::vector<Vec2> points;
        for (float y = box.top + 2.0f; y < box.bottom - 1.0f; y += 4.0f) {
            for (float x = box.left + 2.0f; x < box.right - 1.0f; x += 4.0f) {
                if (x >= 4 && x <= 636 && y >= 40 && y <= 400 && !underAWindow(x, y)) {
                    points.push_back(Vec2{x, y});
                }
            }
        }
        std::stable_sort(points.begin(), points.end(), [&](const Vec2& a, const Vec2& b) {
            return std::hypot(a.x - cx, a.y - cy) < std::hypot(b.x - cx, b.y - cy);
        });
        // Where another entity wins the pick there is no use trying
        // the points beside it one by one: a handful of tries is enough.
        int tries = 0;
        for (const Vec2& p : points) {
            if (client.pickEntity(p.x, p.y, client.getPlayerEntity()) != &entity &&
                client.pickEntity(p.x, p.y, nullptr) != &entity) {
                continue;
            }
            if (++tries > 8) {
                break;
            }
            const int x = static_cast<int>(p.x), y = static_cast<int>(p.y);
            const ZonePosition before = client.getPlayerPosition();
            window.moveTo(x, y);
            if (client.getHoverEntity() != &entity) {
                continue;
            }
            window.frame();
            if (client.getHoverEntity() != &entity || distance(client.getPlayerPosition(), before) > 0.01f) {
                continue;
            }
            window.button(x, y, true, which);
            window.button(x, y, false, which);
            return true;
        }
        return false;
    }

    // A click on the ground near the player where no window and no entity
    // would take it.
    bool clickFreeGround()
    {
        const Client& client = Client::get();
        const Vec2 centre = client.worldToScreen(client.getPlayerPosition(), true);
        for (float reach : {80.0f, 120.0f, 160.0f}) {
            for (int turn = 0; turn < 16; ++turn) {
                const float angle = static_cast<float>(turn) * 0.3927f;
                const float px = centre.x + std::cos(angle) * reach, py = centre.y + std::sin(angle) * reach;
                if (px < 4 || px > 636 || py < 40 || py > 400 || underAWindow(px, py) ||
                    client.pickEntity(px, py, nullptr) != nullptr) {
                    continue;
                }
                window.click(static_cast<int>(px), static_cast<int>(py));
                return true;
            }
        }
        return false;
    }

    // Clicks the entity (after walks toward it while it cannot be clicked)
    // until its window is open; the player walks into reach by itself.
    bool talkTo(int number, const char* menu)
    {
        int wait = 0, walking = 0, strolling = 0;
        const bool opened = window.frameUntil(
            [&] {
                if (menuActive(menu)) {
                    return true;
                }
                // A help button met by a click on the way: its topic read later.
                if (menuActive("helpTopic")) {
                    clickWidget("helpTopic::Later");
                    return false;
                }
                const PlayerClient* player = Client::get().getLocalPlayer();
                const EntityClient* entity = GameClient::get().getEntity(number);
                // On its way to the entity: given a while before a new click.
                const bool onItsWay = player->action != 0 && player->getTargetEntityNumber(false) == number;
                walking = onItsWay ? walking + 1 : 0;
                if (!entity || --wait > 0 || (onItsWay && walking < 300)) {
                    return false;
                }
                walking = 0;
                // A step on the ground is walked to its end before the next
                // aim: the view stands still then.
                if (player->hasDestination() && !onItsWay && ++strolling < 300) {
                    return false;
                }
                strolling = 0;
                if (aimAndClick(*entity)) {
                    wait = 10;
                    return false;
                }
                // A step toward it, not over another entity: a click there
                // would select that one instead.
                const ZonePosition at = Client::get().getPlayerPosition();
                const Vec2 centre = Client::get().worldToScreen(at, true);
                const Vec2 there = Client::get().worldToScreen(entity->getPosition(), true);
                const float heading = std::atan2(there.y - centre.y, there.x - centre.x);
                const float length = std::hypot(there.x - centre.x, there.y - centre.y);
                for (float turn : {0.0f, 0.4f, -0.4f, 0.8f, -0.8f}) {
                    for (float step : {140.0f, 90.0f, 180.0f}) {
                        const float reach = std::min(step, length);
                        const float px = centre.x + std::cos(heading + turn) * reach;
                        const float py = centre.y + std::sin(heading + turn) * reach;
                        const EntityClient* over =
                            px < 4 || px > 636 || py < 40 || py > 400
                                ? nullptr
                                : Client::get().pickEntity(px, py, Client::get().getPlayerEntity());
                        if (px < 4 || px > 636 || py < 40 || py > 400 || underAWindow(px, py) ||
                            (over && over != entity)) {
                            continue;
                        }
                        window.click(static_cast<int>(px), static_cast<int>(py));
                        wait = 30;
                        return false;
                    }
                }
                // No such point: straight on all the same.
                const float reach = std::min(140.0f, length);
                window.click(static_cast<int>(centre.x + std::cos(heading) * reach),
                             static_cast<int>(centre.y + std::sin(heading) * reach));
                wait = 30;
                return false;
            },
            3000);
        if (!opened) {
            // What stood in the way: the open windows, and the entities
            // near the wanted one with their pick boxes.
            const PlayerClient* player = Client::get().getLocalPlayer();
            std::string windows;
            for (const auto& m : UISystem::get().getMenus()) {
                if (m->isActive() && !m->isSubMenu()) {
                    windows += m->getName() + " ";
                }
            }
            std::string near;
            const EntityClient* wanted = GameClient::get().getEntity(number);
            for (int n = 0; n < 1000 && wanted; ++n) {
                const EntityClient* e = GameClient::get().getEntity(n);
                if (!e || distance(e->getPosition(), wanted->getPosition()) > 150.0f) {
                    continue;
                }
                const ScreenRect r = Client::get().getEntityScreenRect(*e);
                near += "\n  " + std::to_string(n) + " " + (e->getEntry() ? e->getEntry()->getName() : "?") +
                        " box " + std::to_string(int(r.left)) + "," + std::to_string(int(r.top)) + " - " +
                        std::to_string(int(r.right)) + "," + std::to_string(int(r.bottom));
            }
            ADD_FAILURE() << menu << " not open: action " << player->action << ", target "
                          << player->getTargetEntityNumber(false) << " (wanted " << number << "), windows "
                          << windows << near;
        }
        return opened;
    }
    // Takes the quest from the person as a player does: its window, the
    // quest selected on offer, Accept, Close. "held" says when the server
    // has given it.
    void takeQuest(int person, int quest, const std::function<bool()>& held)
    {
        ASSERT_TRUE(talkTo(person, "GetQuest")) << window.logTail();
        auto* list = dynamic_cast<UIList*>(UISystem::get().findWidget("GetQuest::Quests"));
        ASSERT_NE(list, nullptr);
        std::string value;
        ASSERT_TRUE(window.frameUntil([&] { return list->getSelectedValue(value); }));
        ASSERT_EQ(std::atoi(value.c_str()), quest);
        clickWidget("GetQuest::Accept");
        ASSERT_TRUE(window.frameUntil(held)) << window.logTail();
        clickWidget("GetQuest::Close");
        ASSERT_TRUE(window.frameUntil([] { return !menuActive("GetQuest") && !menuActive("NpcChat"); }));
    }
};

// The first entity mirror on the player's level that the test holds.
inline int findEntity(const std::function<bool(const EntityClient&)>& wanted)
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

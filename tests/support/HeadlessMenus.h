#pragma once

// The headless program on the shipped data and menus, in a user directory of
// its own, driven through its windows as a user drives them: widgets found by
// name and clicked at their centre, list rows and drop-down entries clicked
// where they are drawn, keys typed into the focused field.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/app/AppHooks.h"
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "main/ProgramHooks.h"
#include "support/TestSupport.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIDropDownBox.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

class HeadlessMenus : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppHooks hooks;
        installProgramHooks(hooks, true);
        app = std::make_unique<Application>(headlessOptions(user), hooks);
        app->startup();
        ui = UISystem::instance();
        ASSERT_NE(ui, nullptr);
    }
    void TearDown() override
    {
        if (app) {
            Application::runConsoleLine("quit");
            app->shutdown();
        }
    }

    // A frame of the program; the headless program leaves the windows
    // alone, so they take their frame here as a window's frame gives it.
    void step()
    {
        app->frame();
        ui->update(0.05f);
    }
    // Frames until the test holds, at most a minute of them.
    bool frameUntil(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            step();
        }
        return true;
    }

    void clickAt(float x, float y)
    {
        ui->onMouseButton(0, true, static_cast<int>(x), static_cast<int>(y));
        ui->onMouseButton(0, false, static_cast<int>(x), static_cast<int>(y));
    }
    // A click in the middle of the named widget, which must be shown.
    void click(const std::string& fullName)
    {
        UIWidget* widget = ui->findWidget(fullName);
        ASSERT_NE(widget, nullptr) << fullName;
        ASSERT_TRUE(widget->isVisible()) << fullName;
        clickCentre(*widget);
    }
    void clickCentre(const UIWidget& widget)
    {
        const Vec2 at = widget.getScreenPosition();
        clickAt(at.x + widget.getSize().x / 2.0f, at.y + widget.getSize().y / 2.0f);
    }
    bool shown(const std::string& fullName) const
    {
        UIWidget* widget = ui->findWidget(fullName);
        return widget && widget->isVisible();
    }
    bool menuShown(const char* name) const
    {
        UIMenu* menu = ui->findMenu(name);
        return menu && menu->isVisible();
    }
    // A click on the row of the list whose value is the line.
    void clickRow(const std::string& list, const std::string& value)
    {
        auto* widget = dynamic_cast<UIList*>(ui->findWidget(list));
        ASSERT_NE(widget, nullptr) << list;
        ASSERT_TRUE(widget->isVisible()) << list;
        const std::vector<ListEntry>& items = widget->getItems();
        auto found =
            std::find_if(items.begin(), items.end(), [&](const ListEntry& e) { return e.value == value; });
        ASSERT_NE(found, items.end()) << value << " is not listed on " << list;
        const int row = static_cast<int>(found - items.begin());
        const Vec2 at = widget->getScreenPosition();
        for (float y = at.y; y < at.y + widget->getSize().y; y += 1.0f) {
            if (widget->itemAt(at.x + 4.0f, y) == row) {
                clickAt(at.x + 4.0f, y);
                return;
            }
        }
        FAIL() << value << " has no row on screen in " << list;
    }
    // Opens the named drop-down and clicks the row showing the text.
    void choose(const std::string& fullName, const std::string& row)
    {
        auto* box = dynamic_cast<UIDropDownBox*>(ui->findWidget(fullName));
        ASSERT_NE(box, nullptr) << fullName;
        click(fullName);
        ASSERT_TRUE(box->isOpen());
        const Vec2 at = box->getScreenPosition();
        int index = -1;
        for (size_t i = 0; i < box->getEntries().size(); ++i) {
            if (box->getEntries()[i].name == row) {
                index = static_cast<int>(i);
            }
        }
        ASSERT_GE(index, 0) << row;
        for (float y = at.y; y < at.y + box->getSize().y; y += 1.0f) {
            if (box->rowAt(at.x + 4.0f, y) == index) {
                clickAt(at.x + 4.0f, y);
                ASSERT_FALSE(box->isOpen());
                return;
            }
        }
        FAIL() << row << " is not on the open list of " << fullName;
    }
    // A click into the input, then the keys (scan codes) pressed in turn.
    void type(const std::string& input, std::initializer_list<int> keys)
    {
        click(input);
        for (int key : keys) {
            ui->handleKey(key, true, false);
            ui->handleKey(key, false, false);
        }
    }

    // A new character through the main menu's New Game, with the window's
    // own options; frames until the client has joined a world it knows the
    // covenants of.
    void newCharacter()
    {
        step();
        click("Main::NewGame");
        step();
        UserVarSystem::instance()->getVar("PlayerName", "", UserVarSystem::kCreate).setString("Ysolde");
        UserVarSystem::instance()->getVar("CovenantName", "", UserVarSystem::kCreate).setString("Ysolde Kin");
        click("NewCharacter::Start");
        ASSERT_TRUE(frameUntil([] { return joined(1); }));
    }

    // The client has joined with its player, in a world of more than
    // `covenants` covenants it knows.
    static bool joined(uint32_t covenants)
    {
        const Client* client = Client::instance();
        const GameClient* game = GameClient::instance();
        return client && client->isJoined() && client->getLocalPlayer() && game &&
               game->getCovenantCount() > covenants &&
               client->getLocalPlayer()->stats.get(PlayerClient::kStatLevel) > 0;
    }

    TempDir user;
    std::unique_ptr<Application> app;
    UISystem* ui = nullptr;
};

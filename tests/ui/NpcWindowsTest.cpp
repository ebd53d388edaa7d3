// Talking to people in the headless program on the shipped menus with the
// real server: a click on the person opens its windows, their buttons reach
// the server, and the windows go again as a player expects.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/player/PlayerClient.h"
#include "engine/console/UserVarSystem.h"
#include "game/covenants/Covenant.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "support/HeadlessMenus.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIWidget.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class NpcWindows : public HeadlessMenus {
protected:
    // Through the client, as a window's mouse gives it.
    void clickThroughClient(const std::string& fullName)
    {
        UIWidget* widget = ui->findWidget(fullName);
        ASSERT_NE(widget, nullptr) << fullName;
        ASSERT_TRUE(widget->isVisible()) << fullName;
        const Vec2 at = widget->getScreenPosition();
        const int x = static_cast<int>(at.x + widget->getSize().x / 2.0f);
        const int y = static_cast<int>(at.y + widget->getSize().y / 2.0f);
        Client::get().onButtonPress(0, true, x, y);
        Client::get().onButtonPress(0, false, x, y);
    }
    // On the stack or shown: the talking windows have no widgets of their own.
    bool menuActive(const char* name) const
    {
        UIMenu* menu = ui->findMenu(name);
        return menu && menu->isActive();
    }
    std::string stack() const
    {
        std::string names;
        for (const UIMenu* m : ui->getMenuStack()) {
            names += m->getName() + " ";
        }
        return names;
    }

    // A left click on the screen point where the client picks the entity,
    // searched around its projected feet, as the mouse gives it.
    void clickEntity(int number)
    {
        Client& client = Client::get();
        const EntityClient* entity = GameClient::get().getEntity(number);
        ASSERT_NE(entity, nullptr) << "no mirror of " << number;
        const Vec2 feet = client.worldToScreen(entity->getPosition(), true);
        const PlayerClient* player = client.getLocalPlayer();
        for (int dy = -40; dy <= 8; dy += 2) {
            for (int dx = -16; dx <= 16; dx += 2) {
                const float x = feet.x + static_cast<float>(dx), y = feet.y + static_cast<float>(dy);
                if (client.pickEntity(x, y, player->pickExclusion()) == entity) {
                    client.onButtonPress(0, true, static_cast<int>(x), static_cast<int>(y));
                    client.onButtonPress(0, false, static_cast<int>(x), static_cast<int>(y));
                    return;
                }
            }
        }
        FAIL() << "no screen point picks entity " << number;
    }

    void newCharacter()
    {
        step();
        click("Main::NewGame");
        step();
        UserVarSystem::instance()->getVar("PlayerName", "", UserVarSystem::kCreate).setString("Ysolde");
        UserVarSystem::instance()->getVar("CovenantName", "", UserVarSystem::kCreate).setString("Ysolde Kin");
        click("NewCharacter::Start");
        ASSERT_TRUE(frameUntil([] {
            const Client* client = Client::instance();
            const GameClient* game = GameClient::instance();
            return client && client->isJoined() && client->getLocalPlayer() && game &&
                   client->getLocalPlayer()->stats.get(PlayerClient::kStatLevel) > 0;
        }));
        player = Game::instance()->getFirstPlayer();
        ASSERT_NE(player, nullptr);
    }

    // A wandering recruit on free ground a few steps from the player.
    Actor* wanderer()
    {
        Game* game = Game::instance();
        Actor* actor = SpawnSystem::instance()->spawnPotentialRecruit(player->getPosition().zone, 1);
        if (!actor) {
            return nullptr;
        }
        ZonePosition at = player->getPosition();
        at.addOffset(90.0f, 40.0f);
        ZonePosition spot = at;
        for (int ring = 0; ring < 6 && !game->findFreeSpotOnRing(at, ring, spot, actor); ++ring) {
        }
        actor->setPosition(spot);
        actor->setSecondaryPosition(spot);
        if (game->addEntity(actor) < 0) {
            delete actor;
            return nullptr;
        }
        return actor;
    }

    Player* player = nullptr;
};

} // namespace

// One who would join: a click opens its recruit window beside its talk, "to
// the covenant" takes it in on the server, and it stays a member.
TEST_F(NpcWindows, AClickOnAWouldBeRecruitOpensItsWindowAndTakesItIn)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    Covenant* own = player->getCovenant();
    ASSERT_NE(own, nullptr);
    Actor* recruit = wanderer();
    ASSERT_NE(recruit, nullptr);
    const int number = recruit->getEntityNumber();
    ASSERT_TRUE(frameUntil([&] { return GameClient::get().getEntity(number) != nullptr; }));

    ASSERT_NO_FATAL_FAILURE(clickEntity(number));
    ASSERT_TRUE(frameUntil([&] { return menuActive("NpcPotentialRecruitMenu"); })) << stack();
    EXPECT_TRUE(menuActive("Recruit"));
    EXPECT_TRUE(menuActive("NpcChat"));
    EXPECT_EQ(Client::get().getLocalPlayer()->action, 24);

    const int before = own->getRecruitCount();
    clickThroughClient("Recruit::ToCovenant");
    ASSERT_TRUE(frameUntil([&] { return own->isMember(recruit); }));
    EXPECT_EQ(own->getRecruitCount(), before + 1);
}

// Talking to people in the headless program on the shipped menus with the
// real server: a click on the person opens its windows, their buttons reach
// the server, and the windows go again as a player expects.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/data/Database.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillListBase.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "support/HeadlessMenus.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UISkillSlotRecruit.h"
#include "ui/widgets/UIWidget.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
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
        HeadlessMenus::newCharacter();
        player = Game::instance()->getFirstPlayer();
        ASSERT_NE(player, nullptr);
    }

    // A wandering recruit on free ground a few steps from the player: of a
    // random class at level 1, or of the type and level given, made as the
    // server makes one.
    Actor* wanderer(const MonsterType* type = nullptr, int level = 1)
    {
        Game* game = Game::instance();
        SpawnSystem* spawns = SpawnSystem::instance();
        const int zone = player->getPosition().zone;
        Actor* actor = type ? spawns->spawnMonster(type, zone, MonsterRarity::Normal, level)
                            : spawns->spawnPotentialRecruit(zone, 1);
        if (actor && type) {
            actor->addStatusEffect(Database::get().findEntry("EnhancementRecruitBasic"), nullptr, level);
        }
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

    // The first town person the test takes, by its mirror.
    static int person(const std::function<bool(const EntityClient&)>& which)
    {
        for (int number = 0; number < GameClient::kEntityCount; ++number) {
            const EntityClient* e = GameClient::get().getEntity(number);
            if (e && !e->isDead() && e->getCovenantIndex() < 0 && which(*e)) {
                return number;
            }
        }
        return -1;
    }
    // The server puts the player on free ground beside the person, so that
    // the person is on screen to be clicked.
    void standBeside(int number)
    {
        Game* game = Game::instance();
        const Entity* entity = game->getEntity(number);
        ASSERT_NE(entity, nullptr);
        ZonePosition at = entity->getPosition();
        at.addOffset(-60.0f, 60.0f);
        ZonePosition spot = at;
        for (int ring = 0; ring < 6 && !game->findFreeSpotOnRing(at, ring, spot, player); ++ring) {
        }
        player->warp(spot);
        ASSERT_TRUE(frameUntil([&] {
            const ZonePosition seen = Client::get().getPlayerPosition();
            return seen.zone == spot.zone && std::abs(seen.x - spot.x) < 4.0f &&
                   std::abs(seen.y - spot.y) < 4.0f;
        }));
    }
    static void pressEscape()
    {
        Client::get().onKeyPress(kEscape, true, false);
        Client::get().onKeyPress(kEscape, false, false);
    }
    static constexpr int kEscape = 1;

    Player* player = nullptr;
};

} // namespace

// One who would join: a click opens its recruit window beside its talk,
// showing each of its skills at the level the server gives it, for every
// recruit class, new and a few levels on. "To the covenant" takes the last
// in on the server, and it stays a member, with its skill levels, over Save
// and exit and Continue.
TEST_F(NpcWindows, AClickOnAWouldBeRecruitOpensItsWindowAndTakesItIn)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    Covenant* own = player->getCovenant();
    ASSERT_NE(own, nullptr);
    const GameData& data = GameData::get();
    Actor* recruit = nullptr;
    for (const std::string& name : data.rules().recruitMonsterTypes) {
        for (int level : {1, 5}) {
            SCOPED_TRACE(name + " of level " + std::to_string(level));
            if (recruit) {
                pressEscape();
                step();
                ASSERT_FALSE(menuActive("Recruit")) << stack();
                recruit->scheduleDelete(0.0f);
            }
            recruit = wanderer(data.findMonsterType(name), level);
            ASSERT_NE(recruit, nullptr);
            const int number = recruit->getEntityNumber();
            ASSERT_TRUE(frameUntil([&] { return GameClient::get().getEntity(number) != nullptr; }));

            ASSERT_NO_FATAL_FAILURE(clickEntity(number));
            ASSERT_TRUE(frameUntil([&] { return menuActive("NpcPotentialRecruitMenu"); })) << stack();
            EXPECT_TRUE(menuActive("Recruit"));
            EXPECT_TRUE(menuActive("NpcChat"));
            EXPECT_EQ(Client::get().getLocalPlayer()->action, 24);

            // Its required skill and two chosen ones; the places after them
            // stay empty. A level-5 recruit has spent points on one of them.
            const std::vector<SkillBase*>& skills = recruit->getSkillList()->getSkills();
            ASSERT_EQ(skills.size(), 3u);
            int pointsSpent = 0;
            for (size_t n = 0; n <= skills.size(); ++n) {
                auto* slot =
                    dynamic_cast<UISkillSlotRecruit*>(ui->findWidget("Recruit::Skill" + std::to_string(n)));
                ASSERT_NE(slot, nullptr) << n;
                if (n == skills.size()) {
                    EXPECT_EQ(slot->getDefinition(), nullptr);
                    break;
                }
                EXPECT_EQ(slot->getDefinition(), skills[n]->getDefinition()) << n;
                EXPECT_EQ(slot->getLevel(), skills[n]->getLevel()) << n;
                pointsSpent += n > 0 ? skills[n]->getLevel() : 0;
            }
            EXPECT_EQ(pointsSpent > 0, level > 1);
        }
    }

    const int before = own->getRecruitCount();
    clickThroughClient("Recruit::ToCovenant");
    ASSERT_TRUE(frameUntil([&] { return own->isMember(recruit); }));
    EXPECT_EQ(own->getRecruitCount(), before + 1);

    // Save and exit, then Continue: the member comes back with its skills
    // at the levels it had.
    std::vector<std::pair<const SkillDefinition*, int>> kept;
    for (const SkillBase* skill : recruit->getSkillList()->getSkills()) {
        kept.emplace_back(skill->getDefinition(), skill->getLevel());
    }
    int slot = -1;
    for (int i = 0; i < own->getRecruitSlotCount(); ++i) {
        slot = own->getRecruitActor(i) == recruit ? i : slot;
    }
    ASSERT_GE(slot, 0);
    // The client writes the character's files from its mirrors: the member
    // reaches them with the next state message.
    ASSERT_TRUE(frameUntil([&] {
        const PlayerCovenantClient* mirror = Client::get().getPlayerCovenant();
        return mirror && mirror->findRecruitSlot(recruit->getEntityNumber()) == slot;
    }));
    Application::runConsoleLine("saveAndExit");
    ASSERT_TRUE(frameUntil([&] { return menuActive("Main"); }));
    click("Main::Continue");
    ASSERT_TRUE(frameUntil([] { return Client::get().isJoined() && Client::get().getLocalPlayer(); }));
    player = Game::instance()->getFirstPlayer();
    ASSERT_NE(player, nullptr);
    const Actor* back = player->getCovenant() ? player->getCovenant()->getRecruitActor(slot) : nullptr;
    ASSERT_NE(back, nullptr) << "the member did not come back";
    std::vector<std::pair<const SkillDefinition*, int>> restored;
    for (const SkillBase* skill : back->getSkillList()->getSkills()) {
        restored.emplace_back(skill->getDefinition(), skill->getLevel());
    }
    EXPECT_EQ(restored, kept);
}

// Escape over a quest giver's talk and quests ends the talk: the windows go
// and the game is not paused. With no talk open it opens the pause menu.
TEST_F(NpcWindows, EscapeClosesAQuestGiversWindowsInsteadOfPausing)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    const int giver = person([](const EntityClient& e) {
        return e.talks() && e.givesQuests() && !e.isVendor() && e.getMouseAction(true, false) == 24;
    });
    ASSERT_GE(giver, 0) << "no quest giver in the town";
    ASSERT_NO_FATAL_FAILURE(standBeside(giver));
    ASSERT_NO_FATAL_FAILURE(clickEntity(giver));
    ASSERT_TRUE(frameUntil([&] { return menuActive("QuestNpcMenu"); })) << stack();
    EXPECT_TRUE(menuShown("NpcChat"));
    EXPECT_TRUE(menuShown("GetQuest"));
    // The first words are the giver's introduction; "Who are you?" has it
    // again, which a second talk would not.
    const auto introduced = [] { return GameClient::get().getNpcChatText().rfind("$$NpcIntro", 0) == 0; };
    ASSERT_TRUE(frameUntil(introduced)) << GameClient::get().getNpcChatText();
    click("NpcChat::Introduce");
    EXPECT_TRUE(GameClient::get().getNpcChatText().empty());
    EXPECT_TRUE(frameUntil(introduced)) << GameClient::get().getNpcChatText();

    pressEscape();
    step();
    EXPECT_FALSE(menuActive("QuestNpcMenu")) << stack();
    EXPECT_FALSE(menuShown("NpcChat"));
    EXPECT_FALSE(menuShown("GetQuest"));
    EXPECT_FALSE(menuActive("PauseMenu")) << stack();
    EXPECT_EQ(Client::get().getLocalPlayer()->action, 0);

    pressEscape();
    step();
    EXPECT_TRUE(menuActive("PauseMenu")) << stack();
}

// A merchant's goods come with the inventory; its Close, or Escape, takes
// both away again, so nothing is left over the middle of the screen.
TEST_F(NpcWindows, AMerchantsCloseTakesItsGoodsAndTheInventoryAway)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    const int merchant = person([](const EntityClient& e) {
        return e.isVendor() && e.talks() && e.getMouseAction(true, false) == 22;
    });
    ASSERT_GE(merchant, 0) << "no merchant in the town";
    ASSERT_NO_FATAL_FAILURE(standBeside(merchant));
    auto openGoods = [&] {
        ASSERT_NO_FATAL_FAILURE(clickEntity(merchant));
        ASSERT_TRUE(frameUntil([&] {
            return menuActive("VendorMenu") || menuActive("VendorMenuWithQuests");
        })) << stack();
        click(menuActive("VendorMenu") ? "VendorMenu::BuyAndSell" : "VendorMenuWithQuests::BuyAndSell");
        ASSERT_TRUE(frameUntil([&] { return menuActive("Buy-sell"); })) << stack();
        EXPECT_TRUE(menuShown("Vendor"));
        EXPECT_TRUE(menuShown("Inventory"));
    };
    ASSERT_NO_FATAL_FAILURE(openGoods());
    clickThroughClient("Vendor::Close");
    step();
    EXPECT_FALSE(menuActive("Buy-sell")) << stack();
    EXPECT_FALSE(menuShown("Vendor"));
    EXPECT_FALSE(menuShown("Inventory"));

    ASSERT_NO_FATAL_FAILURE(openGoods());
    pressEscape();
    step();
    EXPECT_FALSE(menuActive("Buy-sell")) << stack();
    EXPECT_FALSE(menuShown("Vendor"));
    EXPECT_FALSE(menuShown("Inventory"));
    EXPECT_FALSE(menuActive("PauseMenu")) << stack();
}

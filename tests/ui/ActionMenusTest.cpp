// The windows of the player's actions with the shipped menus: each action
// opens its windows (and the ones they show) and "selectPlayer", the Close
// of every window, takes them all away again.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/data/Localization.h"
#include "engine/input/Input.h"
#include "game/definitions/CharacterClass.h"
#include "server/GameCommandTable.h"
#include "server/PlayerCommands.h"
#include "support/RecordingUIDrawing.h"
#include "support/TestWorld.h"
#include "ui/LiveClientView.h"
#include "ui/UISystem.h"
#include "ui/UiHooks.h"
#include "ui/menus/UIMenu.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct ActionMenusTest : ::testing::Test {
    ActionMenusTest()
    {
        world.files.mountGeneratedDirectory(generatedDataPath());
        keys.declareAction("gameMenu", 1, false, "");
        ui.setClientView(&view);
        ui.setDrawing(&drawing);
        ui.registerCommands();
        ui.loadMenus(false);
        installClientUi(client.getUi(), ui);
        // Game commands go to the server, as in the program.
        attachPlayerCommands();
        registerGameCommands();
        world.commands.setForwarder([this](const std::string& line) { client.queueServerCommand(line); });
        GameClient::registerCommands();
        EXPECT_TRUE(client.startGame(false));
        player = client.getLocalPlayer();
        client.getPlayerCovenant()->index = 0;
        player->setPlayerEntityNumber(0);
        add(0, "ClassWarrior", 0, 100.0f, 100.0f, EntityTypeSection{});
        player->setCovenantIndex(0);
        player->setPosition(ZonePosition(0, 100.0f, 100.0f));
    }
    ~ActionMenusTest() override
    {
        clearClientUi(client.getUi());
        GameClient::destroy();
    }

    EntityClient& add(int number, const char* entry, int covenant, float x, float y,
                      EntityTypeSection section)
    {
        EntityUpdateRecord r;
        r.number = static_cast<uint32_t>(number);
        const DatabaseEntry* found = world.database.findEntry(entry);
        EXPECT_NE(found, nullptr) << entry;
        r.entryId = found ? static_cast<uint32_t>(found->getId()) : kMessageEndMark;
        r.covenant = covenant;
        r.position = ZonePosition(0, x, y);
        r.health = 100;
        r.maxHealth = 100;
        r.solid = 1;
        r.typeSection = std::move(section);
        GameClient::get().readEntityUpdate(r);
        return *GameClient::get().getEntity(number);
    }
    // A merchant who talks, offers quest 5 and shows its whole equipment.
    EntityClient& smith()
    {
        EntityTypeSection s;
        s.kind = EntityTypeSection::Kind::Sentient;
        s.equipped.fill(-1);
        s.interaction = 1;
        s.quests = {5};
        s.level = 5;
        s.sentient = true;
        return add(15, "NpcVendorWeapon", -1, 100.0f, 130.0f, s);
    }
    bool stacked(const char* name) const
    {
        UIMenu* menu = ui.findMenu(name);
        return menu && ui.isOnMenuStack(menu);
    }
    bool shown(const char* name) const
    {
        UIMenu* menu = ui.findMenu(name);
        return menu && (menu->isVisible() || menu->isOnStack());
    }
    bool run(const std::string& line) { return CommandSystem::get().execute(line, nullptr, false, true); }

    TestWorld world{true, false};
    VirtualKeys keys;
    Input input;
    RecordingUIDrawing drawing{world.resources};
    LiveClientView view;
    UISystem ui;
    Client client;
    PlayerClient* player = nullptr;
};

TEST_F(ActionMenusTest, EachActionOpensItsWindowsAndSelectPlayerClosesThem)
{
    struct Row {
        int code;
        const char* stackedMenu;
        std::vector<const char*> alsoShown;
        const char* helpTopic = nullptr;
    };
    const Row rows[] = {
        {1, "PlayerDead", {}},
        {5, "NpcMenu", {"NpcChat"}},
        {6, "NpcUnavailableMenu", {"NpcChat"}},
        {7, "NpcSharedAdventureMenu", {"NpcChat"}},
        {8, "NpcInPartyMenu", {}},
        {9, "NpcInCovenantMenu", {}},
        {10, "Stash", {"Loot", "Inventory"}, "SharedStash"},
        {11, "Bookshelf", {"Inventory"}, "Bookshelf"},
        {12, "NpcList", {}},
        {13, "GateList", {}},
        // The world map is no window: it is drawn while its variable is set.
        {14, nullptr, {}, "CovenantGate"},
        {15, "NpcEquipmentFull", {"Inventory"}},
        {16, "House", {"Inventory"}, "HouseLayout"},
        {17, "HouseEnemy", {}},
        {22, "VendorMenuWithQuests", {"NpcChat"}, "Vendors"},
        {24, "QuestNpcMenu", {"NpcChat", "GetQuest"}},
        {25, "SolveQuest", {"NpcChat"}},
        {26, "NpcRescueMenu", {"NpcChat"}},
        {27, "NpcDeliveryMenu", {"NpcChat"}},
        {28, "NpcEscortMenu", {"NpcChat"}},
    };
    EntityClient& npc = smith();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        const int topic = row.helpTopic ? ui.findHelpTopic(row.helpTopic) : -1;
        if (row.helpTopic) {
            ASSERT_GE(topic, 0) << row.helpTopic;
            EXPECT_FALSE(ui.hasHelpTopicButton(topic));
        }
        player->openNpcMenu(row.code, &npc);
        if (row.stackedMenu) {
            EXPECT_TRUE(stacked(row.stackedMenu)) << row.stackedMenu;
        } else {
            EXPECT_TRUE(ui.getMenuStack().empty());
        }
        EXPECT_EQ(getUserVarInt("drawWorldMap"), row.code == 14 ? 1 : 0);
        if (row.helpTopic) {
            EXPECT_TRUE(ui.hasHelpTopicButton(topic)) << row.helpTopic;
        }
        for (const char* also : row.alsoShown) {
            EXPECT_TRUE(shown(also)) << also;
        }
        if (row.code == 22) {
            // The quests of a merchant come on top and leave with it.
            ASSERT_TRUE(run("pushMenu GetQuest"));
            EXPECT_TRUE(stacked("GetQuest"));
        }
        ASSERT_TRUE(run("selectPlayer"));
        EXPECT_EQ(player->action, 0);
        if (row.stackedMenu) {
            EXPECT_FALSE(shown(row.stackedMenu)) << row.stackedMenu;
        }
        EXPECT_EQ(getUserVarInt("drawWorldMap"), 0);
        for (const char* also : row.alsoShown) {
            EXPECT_FALSE(shown(also)) << also;
        }
        EXPECT_FALSE(shown("GetQuest"));
        EXPECT_TRUE(ui.getMenuStack().empty());
    }

    // Each chat window shown asked the server for what the person says.
    const std::vector<std::string>& lines = client.getQueuedCommands();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "getNpcChat"), 9);

    // The party member's window stays shut while the user turned it off.
    world.vars.setVar("ui_disablePartyMemberDialog", "1");
    player->openNpcMenu(8, &npc);
    EXPECT_FALSE(shown("NpcInPartyMenu"));
}

TEST_F(ActionMenusTest, AResurrectionThatWaitsTakesTheDeathWindowAway)
{
    smith();
    player->openNpcMenu(1, nullptr);
    ASSERT_TRUE(stacked("PlayerDead"));
    // Another entity's wait leaves the window; the player's own takes it.
    ASSERT_TRUE(run("timer 15 3.0 7"));
    EXPECT_TRUE(stacked("PlayerDead"));
    ASSERT_TRUE(run("timer 0 3.0 6"));
    EXPECT_TRUE(stacked("PlayerDead"));
    ASSERT_TRUE(run("timer 0 3.0 7"));
    EXPECT_FALSE(shown("PlayerDead"));
}

// The skill pages' tabs read the trees' own names, translated, for the
// player's class.
TEST_F(ActionMenusTest, TheSkillTabsReadTheTreesNames)
{
    const CharacterClass* warrior = nullptr;
    for (const auto& type : world.data->getCharacterClasses()) {
        if (type->getEntryName() == "ClassWarrior") {
            warrior = type.get();
        }
    }
    ASSERT_NE(warrior, nullptr);
    player->stats.set(PlayerClient::kStatClass, warrior->getIndex());
    Localization texts;
    ASSERT_TRUE(texts.load("english"));
    const char* const names[] = {"Arms", "Defense", "Command"};
    for (int i = 0; i < 3; ++i) {
        UIWidget* tab = ui.findWidget("Skills::TabName" + std::to_string(i));
        ASSERT_NE(tab, nullptr) << i;
        tab->prepareDraw();
        const std::string& text = tab->getTextValue();
        EXPECT_EQ(texts.translateCopy(text), names[i]) << text;
    }
}

} // namespace

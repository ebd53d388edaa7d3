// The world options of New Game and of a saved character's New world, in the
// headless program on the shipped menus: the buttons and the drop-down are
// found by name and clicked through the interface, Start starts the real
// server, and the world made is checked against what was chosen.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/app/AppHooks.h"
#include "engine/app/Application.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "game/covenants/ActorCovenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "main/ProgramHooks.h"
#include "support/HeadlessMenus.h"
#include "support/TestSupport.h"
#include "ui/ClientView.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIDropDownBox.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIWidget.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace {

constexpr int kChampion = 1;
constexpr int kHard = 2;

class NewGameOptions : public HeadlessMenus {
protected:
    void SetUp() override
    {
        HeadlessMenus::SetUp();
        ASSERT_NE(ui->findMenu("NewWorld"), nullptr);
    }
    static std::string var(const char* name) { return getUserVarString(name); }
    static void setVar(const char* name, const std::string& value)
    {
        UserVarSystem::instance()->getVar(name, "", UserVarSystem::kCreate).setString(value);
    }

    // A line as the program issues it (a menu's command).
    static void run(const std::string& line)
    {
        CommandSystem::instance()->execute(line, nullptr, false, true);
    }
    // The main menu's button of that name, which opens the menu.
    void open(const char* button, const char* menu)
    {
        app->frame();
        ASSERT_TRUE(ui->findMenu("Main")->isActive());
        click(std::string("Main::") + button);
        app->frame();
        ASSERT_TRUE(ui->findMenu(menu)->isActive()) << menu;
    }
    // Start on the page, then frames until the client has joined and knows
    // the world's covenants.
    void startFrom(const std::string& page)
    {
        click(page + "::Start");
        ASSERT_TRUE(frameUntil([] { return joined(0); })) << "the game did not start from " << page;
    }
    // A new character through New Game with the given covenant choices.
    void newCharacter(const std::string& name, const char* count, const char* difficulty)
    {
        open("NewGame", "NewCharacter");
        setVar("PlayerName", name);
        setVar("CovenantName", name + " Kin");
        if (count) {
            choose("NewCharacter::CovenantCount", count);
        }
        if (difficulty) {
            click(std::string("NewCharacter::Difficulty") + difficulty);
        }
        startFrom("NewCharacter");
    }
    void saveAndExit()
    {
        run("saveAndExit");
        app->frame();
        ASSERT_FALSE(Client::instance()->isJoined());
    }
    // The saved character picked on the load screen and its New world page opened.
    void newWorldPageFor(const std::string& name)
    {
        open("LoadCharacter", "LoadCharacter");
        auto* list = dynamic_cast<UIList*>(ui->findWidget("LoadCharacter::Characters"));
        ASSERT_NE(list, nullptr);
        int row = -1;
        for (size_t i = 0; i < list->getItems().size(); ++i) {
            if (list->getItems()[i].value == name) {
                row = static_cast<int>(i);
            }
        }
        ASSERT_GE(row, 0) << name << " is not listed";
        list->selectItem(row);
        ASSERT_EQ(var("PlayerName"), name);
        click("LoadCharacter::NewWorld");
        app->frame();
        ASSERT_TRUE(ui->findMenu("NewWorld")->isActive());
    }
    std::vector<ActorCovenant*> computerCovenants() const
    {
        std::vector<ActorCovenant*> out;
        Game& game = *Game::instance();
        for (int i = 0; i < game.getCovenantCount(); ++i) {
            if (auto* covenant = dynamic_cast<ActorCovenant*>(game.getCovenant(i))) {
                out.push_back(covenant);
            }
        }
        return out;
    }
};

} // namespace

// "3 covenants" and "Hard" make exactly three Hard computer covenants, each a
// crest on the relations screen; "Random" makes two to four.
TEST_F(NewGameOptions, TheCovenantCountAndDifficultyMakeTheWorld)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter("Orla", "3 covenants", "Hard"));
    EXPECT_EQ(var("NumAiCovenants"), "3");
    EXPECT_EQ(var("CovenantDifficultyLevel"), "Hard");
    std::vector<ActorCovenant*> made = computerCovenants();
    ASSERT_EQ(made.size(), 3u);
    EXPECT_EQ(Game::instance()->getAiCovenantCount(), 3);
    for (const ActorCovenant* covenant : made) {
        EXPECT_EQ(covenant->getDifficulty(), kHard) << covenant->getName();
    }
    // The relations circle draws a crest for each covenant its view lists:
    // the three computer ones and the player's own.
    ClientView* view = ui->getClientView();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(frameUntil([&] { return view->getCovenantCount() >= 3; }));
    int crests = 0;
    for (int i = 0; i < view->getCovenantCount(); ++i) {
        const CovenantBase* covenant = view->getCovenant(i);
        if (covenant && i != Client::instance()->getPlayerCovenantIndex()) {
            ++crests;
        }
    }
    EXPECT_EQ(crests, 3);
    EXPECT_EQ(view->getCovenantCount(), 4);
    ASSERT_NO_FATAL_FAILURE(saveAndExit());

    ASSERT_NO_FATAL_FAILURE(newCharacter("Wren", "Random", "Easy"));
    EXPECT_EQ(var("NumAiCovenants"), "0");
    made = computerCovenants();
    EXPECT_GE(made.size(), 2u);
    EXPECT_LE(made.size(), 4u);
    for (const ActorCovenant* covenant : made) {
        EXPECT_EQ(covenant->getDifficulty(), 0) << covenant->getName();
    }
}

// A level-30 character's New world offers Champion (not Elite), starts it
// with the character's level kept, the Champion monster levels and one more
// world abandoned; a level-1 character is offered Normal only; and a new
// character after that gets a Normal world at starting level 1.
TEST_F(NewGameOptions, ASavedCharactersNewWorldAndTheNewCharacterAfterIt)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter("Pim", nullptr, nullptr));
    ASSERT_NO_FATAL_FAILURE(saveAndExit());
    ASSERT_NO_FATAL_FAILURE(newCharacter("Aldra", nullptr, nullptr));
    Player* player = Game::instance()->getFirstPlayer();
    ASSERT_NE(player, nullptr);
    while (player->getStat(PlayerClient::kStatLevel) < 30) {
        player->levelUp();
    }
    ASSERT_TRUE(frameUntil(
        [] { return Client::instance()->getLocalPlayer()->stats.get(PlayerClient::kStatLevel) == 30; }));
    ASSERT_NO_FATAL_FAILURE(saveAndExit());

    // The level-1 character: Normal only, starting level 1.
    ASSERT_NO_FATAL_FAILURE(newWorldPageFor("Pim"));
    EXPECT_EQ(var("ParsedCharacterLevel"), "1");
    EXPECT_EQ(var("StartingLevel"), "1");
    EXPECT_TRUE(shown("NewWorld::DifficultyNormal"));
    EXPECT_FALSE(shown("NewWorld::DifficultyChampion"));
    click("NewWorld::Back");
    click("LoadCharacter::Back");

    PlayerCovenantClient before;
    ASSERT_TRUE(before.loadGlobal());
    const int abandoned = before.funStatTotals.get(toIndex(CovenantFunStat::WorldsAbandoned));
    ASSERT_NO_FATAL_FAILURE(newWorldPageFor("Aldra"));
    EXPECT_EQ(var("ParsedCharacterLevel"), "30");
    EXPECT_EQ(var("StartingLevel"), "30");
    EXPECT_EQ(var("WorldDifficultyLevel"), "Normal");
    EXPECT_TRUE(shown("NewWorld::DifficultyChampion"));
    EXPECT_FALSE(shown("NewWorld::DifficultyElite"));
    EXPECT_FALSE(shown("NewWorld::DifficultyLegendary"));
    click("NewWorld::DifficultyChampion");
    EXPECT_EQ(var("WorldDifficultyLevel"), "Champion");
    ASSERT_NO_FATAL_FAILURE(startFrom("NewWorld"));

    const GameData& data = GameData::get();
    const int offset = data.rules().difficultyLevelOffset[kChampion];
    ASSERT_GT(offset, 0);
    EXPECT_EQ(data.getDifficultyLevelOffset(), offset);
    const MonsterType* goblin = nullptr;
    for (const auto& type : data.getMonsterTypes()) {
        if (type->getEntryName() == "GoblinWarrior") {
            goblin = type.get();
        }
    }
    ASSERT_NE(goblin, nullptr);
    EXPECT_EQ(goblin->getMinLevel(), goblin->minLevel + offset);
    EXPECT_EQ(Client::instance()->getLocalPlayer()->stats.get(PlayerClient::kStatLevel), 30);
    ASSERT_NE(Game::instance()->getFirstPlayer(), nullptr);
    EXPECT_EQ(Game::instance()->getFirstPlayer()->getStat(PlayerClient::kStatLevel), 30);
    EXPECT_EQ(
        Client::instance()->getPlayerCovenant()->funStatTotals.get(toIndex(CovenantFunStat::WorldsAbandoned)),
        abandoned + 1);
    ASSERT_NO_FATAL_FAILURE(saveAndExit());

    // New Game after it: the saved options are set back on opening.
    ASSERT_NO_FATAL_FAILURE(newCharacter("Tamsin", nullptr, nullptr));
    EXPECT_EQ(var("WorldDifficultyLevel"), "Normal");
    EXPECT_EQ(var("StartingLevel"), "1");
    EXPECT_EQ(var("ParsedCharacterLevel"), "1");
    EXPECT_EQ(data.getDifficultyLevelOffset(), 0);
    EXPECT_EQ(goblin->getMinLevel(), goblin->minLevel);
    EXPECT_EQ(Client::instance()->getLocalPlayer()->stats.get(PlayerClient::kStatLevel), 1);
}

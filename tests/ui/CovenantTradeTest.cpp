// Trading with another covenant and the end of a game, in the headless
// program on the shipped menus with the real server: the relations pages and
// their choosers are clicked and typed into through the interface, and what
// the client queues for the server and what the windows show is checked.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/app/AppHooks.h"
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "main/ProgramHooks.h"
#include "server/Server.h"
#include "support/HeadlessMenus.h"
#include "support/TestSupport.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/menus/UIRelationsMenu.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace {

// Scan codes of the digits 2, 3 and 4.
constexpr int kKeyTwo = 3;
constexpr int kKeyThree = 4;
constexpr int kKeyFour = 5;

class CovenantTrade : public HeadlessMenus {
protected:
    static bool queued(const std::string& line)
    {
        const std::vector<std::string>& lines = Client::instance()->getQueuedCommands();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    static int answers()
    {
        int count = 0;
        for (int r = 0; r < kCovenantResponseCount; ++r) {
            count += GameClient::get().getDiplomacyResultCount(r);
        }
        return count;
    }
    static long long money()
    {
        return Client::instance()->getLocalPlayer()->getStat(toIndex(CharacterStat::Money));
    }
};

} // namespace

// A gold offer is put together on the trade page, appraised, proposed and
// answered, the answer shown in the covenant's own words.
TEST_F(CovenantTrade, AGoldOfferIsTypedProposedAndAnswered)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    Player* server = Game::instance()->getFirstPlayer();
    ASSERT_NE(server, nullptr);
    server->setStat(static_cast<int>(CharacterStat::Money), 50000);
    ASSERT_TRUE(frameUntil([] { return money() == 50000; }));

    // The HUD's Relations button shows the relations circle: a click on
    // another covenant's crest talks to it, its Trade button opens the trade
    // page.
    click("Hud::Relations");
    step();
    auto* relations = dynamic_cast<UIRelationsMenu*>(ui->findMenu("CovenantRelations"));
    ASSERT_NE(relations, nullptr);
    ASSERT_TRUE(relations->isActive());
    const int own = Client::instance()->getPlayerCovenantIndex();
    const int other = own == 0 ? 1 : 0;
    UIWidget* crest = relations->getEntry(other).picture;
    ASSERT_NE(crest, nullptr);
    clickCentre(*crest);
    step();
    ASSERT_EQ(relations->getCurrentPage(), relations->getPage(UIRelationsMenu::Diplomacy));
    EXPECT_EQ(GameClient::get().getCurrentCovenant(), other);
    click("RelationsDiplomacy::Trade");
    step();
    ASSERT_EQ(relations->getCurrentPage(), relations->getPage(UIRelationsMenu::Trade));

    // The player's money entry opens the gold chooser; 2 gold, 3 silver and
    // 4 copper typed in go into the offer as copper, for appraisal.
    ASSERT_NO_FATAL_FAILURE(clickRow("RelationsTrade::PlayerMoney", "ChooseGoldAmount 0"));
    ASSERT_TRUE(menuShown("ChooseGoldAmount"));
    ASSERT_NO_FATAL_FAILURE(type("ChooseGoldAmount::Gold", {kKeyTwo}));
    ASSERT_NO_FATAL_FAILURE(type("ChooseGoldAmount::Silver", {kKeyThree}));
    ASSERT_NO_FATAL_FAILURE(type("ChooseGoldAmount::Copper", {kKeyFour}));
    click("ChooseGoldAmount::Ok");
    const std::string terms = std::to_string(other) + " 0 6 20304";
    EXPECT_TRUE(queued("offer 4 " + terms)) << "offer 4 " << terms;
    EXPECT_FALSE(menuShown("ChooseGoldAmount"));
    step();
    auto* offered = dynamic_cast<UIList*>(ui->findWidget("RelationsTrade::PlayerOffer"));
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(offered->getItems().size(), 1u);

    // Propose: the answer page shows what the covenant says to the offer.
    GameClient& game = GameClient::get();
    const int answered = answers();
    click("RelationsTrade::Propose");
    EXPECT_TRUE(queued("offer 0 " + terms));
    ASSERT_EQ(relations->getCurrentPage(), relations->getPage(UIRelationsMenu::TradeResponse));
    ASSERT_TRUE(frameUntil([&] { return answers() > answered; }));
    const std::string said = Localization::get().translateCopy(game.getDiplomacyResponseText());
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.find("$$"), std::string::npos) << said;
    bool shownOnPage = false;
    for (const auto& widget : relations->getPage(UIRelationsMenu::TradeResponse)->getWidgets()) {
        widget->prepareDraw();
        shownOnPage = shownOnPage || widget->getTextValue().rfind(said, 0) == 0;
    }
    EXPECT_TRUE(shownOnPage) << said;
    click("RelationsTradeResponse::Done");
    step();
    EXPECT_EQ(relations->getCurrentPage(), relations->getPage(UIRelationsMenu::Trade));
}

// The allies offer to share the victory: Accept answers the server, which
// takes the offer back and ends the world won, and the window goes.
TEST_F(CovenantTrade, AcceptingTheAlliedVictoryWinsTheWorld)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    Game::instance()->setAlliedVictoryOffered(true);
    ASSERT_TRUE(frameUntil([&] { return menuShown("AlliedVictory"); }));
    click("AlliedVictory::Accept");
    EXPECT_TRUE(queued("alliedVictoryAccept"));
    ASSERT_TRUE(frameUntil([&] { return !menuShown("AlliedVictory"); }));
    EXPECT_FALSE(Game::instance()->isAlliedVictoryOffered());
    ASSERT_TRUE(frameUntil([] { return !GameClient::get().getWonGameText().empty(); }));
    EXPECT_FALSE(menuShown("LoseGame"));

    // Nothing stands over the world: the won text comes with the "WonGame"
    // help topic, whose button opens it and whose Later button closes it.
    const std::string won = Localization::get().translateCopy(GameClient::get().getWonGameText());
    ASSERT_FALSE(won.empty());
    ASSERT_TRUE(menuShown("Status"));
    for (const auto& widget : ui->findMenu("Status")->getWidgets()) {
        EXPECT_FALSE(widget->isVisible() && widget->getSize().x >= 200.0f && widget->getSize().y >= 100.0f)
            << "a panel over the world at " << widget->getPosition().x << "," << widget->getPosition().y;
    }
    ASSERT_TRUE(menuShown("WonGameButton"));
    ASSERT_FALSE(ui->findMenu("WonGameButton")->getWidgets().empty());
    clickCentre(*ui->findMenu("WonGameButton")->getWidgets().front());
    step();
    ASSERT_TRUE(ui->findMenu("helpTopic")->isActive());
    UIWidget* text = ui->findWidget("helpTopic::WonGameText");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isVisible());
    text->prepareDraw();
    EXPECT_EQ(Localization::get().translateCopy(text->getTextValue()).rfind(won, 0), 0u)
        << text->getTextValue();
    click("helpTopic::Later");
    EXPECT_FALSE(ui->findMenu("helpTopic")->isActive());
    // Another topic shows no victory text.
    setUserVar("HelpTopic", "LevelUp");
    EXPECT_FALSE(text->isVisible());
}

// The player's covenant destroyed: the lost game's window with its text.
TEST_F(CovenantTrade, ALostCovenantShowsTheLostGameWindow)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    Covenant* covenant = Game::instance()->getFirstPlayer()->getCovenant();
    ASSERT_NE(covenant, nullptr);
    covenant->onDestroyed(nullptr, true, true);
    ASSERT_TRUE(frameUntil([&] { return menuShown("LoseGame"); }));
    GameClient& game = GameClient::get();
    EXPECT_TRUE(game.isGameOver());
    const std::string lost = Localization::get().translateCopy(game.getLostGameText());
    ASSERT_FALSE(lost.empty());
    UIWidget* text = ui->findWidget("LoseGame::Text");
    ASSERT_NE(text, nullptr);
    text->prepareDraw();
    EXPECT_EQ(text->getTextValue().rfind(lost, 0), 0u) << text->getTextValue();
}

// A world that ended, saved by its end's step, then resumed through the main
// menu's Continue in a fresh program: a lost world is still lost (the covenant
// fallen, the server standing still, the lost game's window, the loss counted
// once, no stone warning over it, nothing logged); a won world plays on.
TEST_F(CovenantTrade, AnEndedWorldResumesInAFreshProgramAsItEnded)
{
    const auto restartProgram = [this](const TempDir& folder) {
        Application::runConsoleLine("quit");
        app->shutdown();
        app.reset();
        AppHooks hooks;
        installProgramHooks(hooks, true);
        app = std::make_unique<Application>(headlessOptions(folder), hooks);
        app->startup();
        ui = UISystem::instance();
    };
    const auto worldsLost = [] {
        return Client::instance()->getPlayerCovenant()->funStatTotals.get(
            toIndex(CovenantFunStat::WorldsLost));
    };
    for (bool lost : {true, false}) {
        SCOPED_TRACE(lost ? "lost world" : "won world");
        TempDir folder;
        restartProgram(folder);
        ASSERT_NO_FATAL_FAILURE(newCharacter());
        Game& game = *Game::instance();
        if (lost) {
            // The stone broken, as a lost world's is.
            Covenant* own = game.getFirstPlayer()->getCovenant();
            own->setLifestoneHealth(0);
            own->onDestroyed(nullptr, true, true);
            ASSERT_TRUE(frameUntil([&] { return menuShown("LoseGame"); }));
        } else {
            for (int i = 0; i < game.getCovenantCount(); ++i)
                if (Covenant* other = game.getCovenant(i); other && !other->isPlayerCovenant())
                    other->destroyed = true;
            ASSERT_TRUE(frameUntil([] { return !GameClient::get().getWonGameText().empty(); }));
        }
        ASSERT_TRUE(game.isWorldEnded());
        EXPECT_EQ(worldsLost(), lost ? 1 : 0);

        restartProgram(folder);
        std::vector<std::string> told;
        std::vector<std::string> logged;
        Client::instance()->setTextEventSink(
            [&told](const ClientTextEvent& event) { told.push_back(event.text); });
        const int sink = DebugSystem::get().addSink([&logged](int level, const std::string& text) {
            if (level >= 2)
                logged.push_back(text);
        });
        step();
        click("Main::Continue");
        ASSERT_TRUE(frameUntil([] { return joined(1); }));
        Game& resumed = *Game::instance();
        EXPECT_TRUE(resumed.isWorldEnded());
        const Covenant* own = resumed.getFirstPlayer()->getCovenant();
        ASSERT_NE(own, nullptr);
        EXPECT_EQ(own->destroyed, lost);
        EXPECT_EQ(Server::get().isPaused(), lost);
        if (lost) {
            EXPECT_TRUE(frameUntil([&] { return menuShown("LoseGame"); }));
            EXPECT_TRUE(GameClient::get().isGameOver());
        } else {
            const double before = resumed.getClock().toSeconds();
            EXPECT_TRUE(frameUntil([&] { return resumed.getClock().toSeconds() > before + 1.0; }))
                << "the won world stands still";
            EXPECT_FALSE(menuShown("LoseGame"));
        }
        EXPECT_EQ(worldsLost(), lost ? 1 : 0);
        for (int i = 0; i < 3; ++i)
            step();
        for (const std::string& text : told)
            EXPECT_EQ(text.find("Life stone"), std::string::npos) << text;
        for (const std::string& line : logged)
            ADD_FAILURE() << "logged: " << line;
        DebugSystem::get().removeSink(sink);
        Client::instance()->setTextEventSink(nullptr);
    }
}

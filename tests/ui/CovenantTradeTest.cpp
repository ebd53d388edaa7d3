// Trading with another covenant, raiding it and spreading rumours about it,
// the tutorial's buttons and the end of a game, in the headless program on
// the shipped menus with the real server: the relations pages and their
// choosers are clicked and typed into through the interface, and what the
// client queues for the server and what the windows show is checked.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/app/AppHooks.h"
#include "engine/app/Application.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/TradeTerm.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/InventoryBase.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
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
    UIRelationsMenu& relations() const
    {
        return *dynamic_cast<UIRelationsMenu*>(ui->findMenu("CovenantRelations"));
    }
    // The covenant screen (R's button) on the main page, then a click on
    // the covenant's crest: its talking page, its covenant the current one.
    void talkTo(int covenant)
    {
        UIRelationsMenu& screen = relations();
        if (!screen.isActive()) {
            click("Hud::Relations");
            step();
        }
        UIMenu* page = screen.getCurrentPage();
        if (page && page != screen.getPage(UIRelationsMenu::Main)) {
            click(page->getName() + "::Back");
            step();
        }
        clickCentre(*screen.getEntry(covenant).picture);
        step();
        ASSERT_EQ(screen.getCurrentPage(), screen.getPage(UIRelationsMenu::Diplomacy));
        ASSERT_EQ(GameClient::get().getCurrentCovenant(), covenant);
    }
    // The first message from `from` on holding the text, as shown.
    static std::string said(size_t from, const std::string& part)
    {
        const std::vector<std::string>& log = Client::instance()->getMessageLog();
        for (size_t i = from; i < log.size(); ++i) {
            const std::string line = stripColorCodesCopy(Localization::get().translateCopy(log[i]));
            if (line.find(part) != std::string::npos) {
                return line;
            }
        }
        return std::string();
    }
    static Covenant* otherCovenant(const Covenant* own)
    {
        for (int i = 0; i < Game::instance()->getCovenantCount(); ++i) {
            Covenant* c = Game::instance()->getCovenant(i);
            if (c && c != own && !c->destroyed) {
                return c;
            }
        }
        return nullptr;
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
    // The columns' heads, as read: each side's in the same words and case.
    {
        std::vector<std::string> heads;
        for (const auto& widget : relations->getPage(UIRelationsMenu::Trade)->getWidgets()) {
            widget->prepareDraw();
            heads.push_back(stripColorCodesCopy(Localization::get().translateCopy(widget->getTextValue())));
        }
        const std::string name =
            Localization::get().translateCopy(GameClient::get().getCovenant(other)->getDisplayName());
        for (const std::string& head : {std::string("Your Covenant Has"), std::string("Your Covenant Offers"),
                                        name + " Has", name + " Offers"}) {
            EXPECT_NE(std::find(heads.begin(), heads.end(), head), heads.end()) << head;
        }
    }

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

// A raid started on the raid page with a recruit chosen ends by the page's
// "Stop raid", whether it was declared beside the target's house or never
// taken there: everyone home, the raid gates gone, a declared raid's end
// announced.
TEST_F(CovenantTrade, ARaidEndsByTheStopRaidButton)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    Player* player = Game::instance()->getFirstPlayer();
    Covenant* own = player->getCovenant();
    Covenant* raided = otherCovenant(own);
    ASSERT_TRUE(own && raided);
    Actor* recruit = SpawnSystem::get().spawnPotentialRecruit(player->getPosition().zone, 1);
    ASSERT_NE(recruit, nullptr);
    ZonePosition beside = player->getPosition();
    beside.addOffset(40.0f, 0.0f);
    recruit->setPosition(beside);
    recruit->setSecondaryPosition(beside);
    ASSERT_GE(Game::instance()->addEntity(recruit), 0);
    player->recruitToCovenant(recruit, true);
    ASSERT_NE(own->findRecruitByActor(recruit), nullptr);
    ASSERT_TRUE(frameUntil([] {
        std::vector<PlayerCovenantClient::ListRow> rows;
        Client::instance()->getPlayerCovenant()->listRecruits(rows);
        return !rows.empty();
    }));

    struct Case {
        const char* what;
        bool declared; // taken to the target's house first
    };
    const Case cases[] = {{"started and never declared", false}, {"declared", true}};
    UIRelationsMenu& screen = relations();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(talkTo(raided->index));
        click("RelationsDiplomacy::Raid");
        step();
        ASSERT_EQ(screen.getCurrentPage(), screen.getPage(UIRelationsMenu::Raid));
        EXPECT_FALSE(shown("RelationsRaid::StopRaid")) << "no raid yet";
        // The page keeps the rows chosen for the last raid.
        std::vector<std::string> chosen;
        dynamic_cast<UIList*>(ui->findWidget("RelationsRaid::RaidNpcList"))->getSelectedValues(chosen);
        if (std::find(chosen.begin(), chosen.end(), "0") == chosen.end()) {
            ASSERT_NO_FATAL_FAILURE(clickRow("RelationsRaid::RaidNpcList", "0"));
        }
        click("RelationsRaid::StartRaid");
        ASSERT_TRUE(frameUntil([&] { return own->raidTarget == raided->index; }));
        EXPECT_NE(player->getGate(1, 0), nullptr) << "the raid gate";
        EXPECT_TRUE(recruit->isInPartyOf(player)) << "the chosen recruit goes along";

        if (c.declared) {
            player->warp(raided->housePosition);
            ASSERT_TRUE(frameUntil([&] { return own->isRaiding(); }))
                << "the raid is not declared beside the target's house";
        }
        ASSERT_TRUE(frameUntil([] { return Client::instance()->getPlayerCovenant()->raiding; }));
        EXPECT_EQ(own->isRaiding(), c.declared);
        const size_t logFrom = Client::instance()->getMessageLog().size();
        ASSERT_NO_FATAL_FAILURE(talkTo(raided->index));
        click("RelationsDiplomacy::Raid");
        step();
        click("RelationsRaid::StopRaid");
        // The world is told of the end of a declared raid only: nobody knew
        // of the other.
        const std::string ended = " has stopped raiding ";
        ASSERT_TRUE(frameUntil([&] {
            return own->raidTarget == -1 && !Client::instance()->getPlayerCovenant()->raiding &&
                   (!c.declared || !said(logFrom, ended).empty());
        })) << "the raid did not end";
        const std::string line = said(logFrom, ended);
        if (c.declared) {
            EXPECT_NE(line.find(own->getDisplayName()), std::string::npos) << line;
            EXPECT_NE(line.find(raided->getDisplayName()), std::string::npos) << line;
        } else {
            EXPECT_EQ(line, "");
        }
        EXPECT_EQ(player->getGate(1, 0), nullptr);
        EXPECT_EQ(player->getGate(1, 1), nullptr);
        for (const Entity* back : {static_cast<const Entity*>(player), static_cast<const Entity*>(recruit)}) {
            EXPECT_EQ(back->getPosition().zone, own->housePosition.zone);
            EXPECT_LT(ZonePosition::distanceTo(back->getPosition(), own->housePosition), 400.0f);
        }
        step();
        EXPECT_FALSE(shown("RelationsRaid::StopRaid"));
    }
}

// A rumour from the rumour page costs what its line shows, and a success
// takes influence from the covenant talked to, as its outcome line says.
TEST_F(CovenantTrade, ARumourFromItsPageIsPaidAndTakesInfluence)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    Covenant* own = Game::instance()->getFirstPlayer()->getCovenant();
    Covenant* rival = otherCovenant(own);
    ASSERT_TRUE(own && rival);
    GameData::get().mutableRules().rumorChance[1] = 1.0f;
    for (int i = 0; i < Game::instance()->getCovenantCount(); ++i) {
        Game::instance()->getCovenant(i)->influence.adventure = 400;
    }
    const int crystals = toIndex(CovenantStat::Money);
    own->stats.set(crystals, 500);
    ASSERT_TRUE(
        frameUntil([&] { return Client::instance()->getPlayerCovenant()->stats.get(crystals) == 500; }));

    ASSERT_NO_FATAL_FAILURE(talkTo(rival->index));
    click("RelationsDiplomacy::Rumors");
    step();
    ASSERT_EQ(relations().getCurrentPage(), relations().getPage(UIRelationsMenu::Rumor));
    const int cost = GameData::get().getRumorCost(1, rival->level);
    ASSERT_GT(cost, 0);
    UIWidget* price = ui->findWidget("RelationsRumor::RumorText1");
    ASSERT_NE(price, nullptr);
    price->prepareDraw();
    EXPECT_EQ(stripColorCodesCopy(Localization::get().translateCopy(price->getTextValue())),
              "Tales of betrayal: " + std::to_string(cost) + " crystals");
    const int influence = rival->getInfluence();
    const size_t logFrom = Client::instance()->getMessageLog().size();
    click("RelationsRumor::Rumor1");
    ASSERT_TRUE(frameUntil([&] { return !said(logFrom, "A rumour about").empty(); })) << "no outcome line";
    EXPECT_EQ(own->stats.get(crystals), 500 - cost);
    const int taken = influence - rival->getInfluence();
    EXPECT_GT(taken, 0);
    EXPECT_EQ(said(logFrom, "A rumour about"), "A rumour about " + rival->getDisplayName() +
                                                   " spreads: they lose " + std::to_string(taken) +
                                                   " influence.");
}

// "Suggest trade" asks the covenant what it would buy: its offer for an
// item of the bags fills the items page, and proposed it is carried out.
TEST_F(CovenantTrade, ASuggestedTradeComesWhenAskedFor)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    Player* player = Game::instance()->getFirstPlayer();
    Covenant* rival = otherCovenant(player->getCovenant());
    ASSERT_NE(rival, nullptr);
    rival->getLeader()->setStat(toIndex(CharacterStat::Money), 100000);
    // A blade the covenant would pay well for, beside the starting gear.
    auto* blade = static_cast<Item*>(player->getInventory()->createItem());
    blade->setItemEntry(Database::get().findEntry("Runeblade"));
    blade->updateStackValue();
    ASSERT_EQ(player->getInventory()->addItem(blade), InventoryBase::kAddPlaced);
    blade->setOwner(player);

    ASSERT_NO_FATAL_FAILURE(talkTo(rival->index));
    click("RelationsDiplomacy::Trade");
    step();
    const auto count = [](CovenantResponse response) {
        return GameClient::get().getDiplomacyResultCount(toIndex(response));
    };
    const auto good = [&] { return count(CovenantResponse::OfferGood); };

    // With nothing in the bags it would buy, the covenant says so on the items page.
    std::vector<std::pair<int, ItemBase*>> kept;
    for (int group = toIndex(InventoryGroupIndex::Bag1); group <= toIndex(InventoryGroupIndex::Bag4);
         ++group) {
        InventoryGroup* bag = player->getInventory()->getSlot(group);
        for (int slot = 0; bag && slot < bag->getSize(); ++slot) {
            if (bag->getItem(slot)) {
                kept.emplace_back(group, player->getInventory()->clearEntry(group, slot));
            }
        }
    }
    const int none = count(CovenantResponse::NoTradePossible);
    click("RelationsTrade::SuggestTrade");
    ASSERT_TRUE(frameUntil([&] { return count(CovenantResponse::NoTradePossible) > none; })) << "no word";
    UIWidget* response = ui->findWidget("RelationsTradeItems::Response");
    ASSERT_NE(response, nullptr);
    response->prepareDraw();
    EXPECT_FALSE(Localization::get().translateCopy(response->getTextValue()).empty());
    EXPECT_TRUE(GameClient::get().getCurrentOffer().terms.empty());
    for (const auto& [group, item] : kept) {
        ASSERT_EQ(player->getInventory()->addItem(item), InventoryBase::kAddPlaced);
    }
    click("RelationsTradeItems::Back");
    step();

    const int asked = good();
    click("RelationsTrade::SuggestTrade");
    EXPECT_EQ(relations().getCurrentPage(), relations().getPage(UIRelationsMenu::TradeItems));
    ASSERT_TRUE(frameUntil([&] { return good() > asked; })) << "no suggestion";
    const std::vector<TradeTerm> terms = GameClient::get().getCurrentOffer().terms;
    ASSERT_EQ(terms.size(), 2u);
    EXPECT_TRUE(terms[0].side == 0 && terms[0].is(TradeTermKind::TermItem));
    EXPECT_TRUE(terms[1].side == 1 && terms[1].is(TradeTermKind::TermGold));
    int group = 0, slot = 0;
    TradeTerm::readItemPlace(terms[0].value, group, slot);
    const ItemBase* sold = player->getInventory()->getItem(group, slot);
    ASSERT_NE(sold, nullptr) << "an item of the player's bags";

    const long long before = money();
    click("RelationsTradeItems::Propose");
    ASSERT_TRUE(frameUntil([&] { return money() == before + terms[1].value; })) << "the trade was not made";
    EXPECT_NE(player->getInventory()->getItem(group, slot), sold);
}

// The quest log's tutorial buttons: skipped, the tutorial's quests go;
// begun again, its first quest is back.
TEST_F(CovenantTrade, TheTutorialIsSkippedAndRestartedFromTheQuestLog)
{
    ASSERT_NO_FATAL_FAILURE(newCharacter());
    Player* player = Game::instance()->getFirstPlayer();
    const auto tutorialQuests = [] {
        int n = 0;
        Game::instance()->forEachQuest([&](Quest& quest) {
            n += quest.definition && quest.definition->returnNpcType == NpcType::Tutor;
        });
        return n;
    };
    ASSERT_GT(tutorialQuests(), 0);
    click("Hud::Quests");
    step();
    const size_t logFrom = Client::instance()->getMessageLog().size();
    click("Quests::SkipTutorial");
    ASSERT_TRUE(frameUntil([&] { return !said(logFrom, "Tutorial skipped").empty(); }));
    EXPECT_EQ(tutorialQuests(), 0);
    EXPECT_TRUE(player->getFlags65()[0]) << "the tutorial is over";
    click("Quests::RestartTutorial");
    ASSERT_TRUE(frameUntil([&] { return tutorialQuests() > 0; }));
    EXPECT_FALSE(player->getFlags65()[0]) << "the tutorial runs again";
}

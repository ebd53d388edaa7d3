// What the player is told and how a game ends on the client: messages and
// errors on screen, rankings and leader announcements, won, lost and the
// allied victory.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/core/ColorCodes.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "support/ClientMessageBytes.h"
#include "support/JoinedClient.h"
#include "support/RecordingClientUi.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

class GameClientMessagesTest : public ::testing::Test {
protected:
    GameClientMessagesTest()
    {
        ui.install(client.getUi());
        client.getUi().hideAllMenus = [this] { ui.menus.push_back("hideAll"); };
        client.getUi().showGameMenus = [this] { ui.menus.push_back("showGame"); };
        for (const char* name : {"showMenu", "hideMenu"}) {
            world.commands.registerCommand(
                [this, name](const CommandArgs& args) {
                    menuLines.push_back(std::string(name) + " " + args[0]);
                },
                name, "", "menuName", "s", false, 0);
        }
        client.setTextEventSink([this](const ClientTextEvent& e) { texts.push_back(e); });
        world.vars.setVar("playerName", "Aldric");
        EXPECT_TRUE(client.startGame(false));
        client.join();
        ClientMessageBytes::StateValues s;
        s.game.covenants = 3;
        ByteBuffer bytes = ClientMessageBytes::state(s);
        client.dispatchMessage(bytes, NetAddress());
        game().setServerSaver([this] { ++serverSaves; });
        client.getLocalPlayer()->setName("Aldric");
        covenant().index = 2; // the player's covenant is the last
    }
    static GameClient& game() { return GameClient::get(); }
    PlayerCovenantClient& covenant() { return *client.getPlayerCovenant(); }
    CovenantClient& other(int i) { return *game().getCovenant(i, false); }
    void setInfluence(std::initializer_list<int> values)
    {
        int i = 0;
        for (int value : values) {
            other(i++).stats.set(toIndex(CovenantStat::AbsoluteInfluence), value);
        }
    }
    std::vector<int> influenceOrder() const
    {
        std::vector<int> order;
        for (const auto& [index, value] : game().getInfluenceRanking()) {
            order.push_back(index);
        }
        return order;
    }

    TestWorld world{true, false};
    JoinedClient client;
    RecordingClientUi ui{{"WonGame"}};
    std::vector<ClientTextEvent> texts;
    std::vector<std::string> menuLines;
    int serverSaves = 0;
};

} // namespace

TEST_F(GameClientMessagesTest, MessagesAndErrorsGoToTheirPlaces)
{
    ASSERT_TRUE(game().isLoaded());
    ASSERT_TRUE(world.commands.execute("msg 2 \"x\"", nullptr, false, true));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "x");
    EXPECT_EQ(texts[0].x, 320.0f);
    EXPECT_EQ(texts[0].y, 240.0f);
    EXPECT_EQ(texts[0].lifetime, 1.0f);
    EXPECT_EQ(texts[0].kind, 8);
    EXPECT_TRUE(texts[0].centred);
    EXPECT_FALSE(texts[0].alwaysNew);
    EXPECT_EQ(texts[1].x, 10.0f);
    EXPECT_EQ(texts[1].y, 300.0f);
    EXPECT_EQ(texts[1].lifetime, 30.0f);
    EXPECT_EQ(texts[1].kind, 4);
    EXPECT_TRUE(texts[1].alwaysNew) << "the event list keeps earlier lines";

    // Errors replace each other: same kind, never forced new.
    texts.clear();
    game().showErrorMessage("Not enough money", true);
    game().showErrorMessage("Bag is full!", false);
    ASSERT_EQ(texts.size(), 2u);
    for (const ClientTextEvent& e : texts) {
        EXPECT_EQ(e.kind, 8);
        EXPECT_EQ(e.lifetime, 5.0f);
        EXPECT_FALSE(e.alwaysNew);
    }
    // The interface's positions win over the defaults; type 6 is a relation change.
    client.getUi().relationChangeTextPosition = [] { return Vec2(300.0f, 150.0f); };
    texts.clear();
    game().showMessage(6, "y");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].kind, 7);
    EXPECT_EQ(texts[0].y, 150.0f);
    texts.clear();
    game().showMessage(5, "z");
    EXPECT_EQ(texts.size(), 1u) << "type 5 stays out of the event list";
}

TEST_F(GameClientMessagesTest, RankingsAndCounts)
{
    setInfluence({10, 30, 20});
    game().rankCovenantsByInfluence();
    EXPECT_EQ(influenceOrder(), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(game().getInfluenceRank(0), 2);
    EXPECT_EQ(game().getInfluenceRank(7), -1);
    setInfluence({10, 10, 5});
    game().rankCovenantsByInfluence();
    EXPECT_EQ(influenceOrder(), (std::vector<int>{0, 1, 2})) << "equal values keep the lower index first";
    game().rankCovenantsByPower();
    EXPECT_EQ(game().getPowerRanking().size(), 3u);
    EXPECT_EQ(game().getCovenantAtPowerRank(3), -1);

    other(1).destroyed = true;
    other(0).setRelationState(2, toIndex(CovenantTreaty::Alliance));
    other(2).setRelationState(0, toIndex(CovenantTreaty::Alliance));
    EXPECT_EQ(game().countDestroyedCovenants(-1), 1);
    EXPECT_EQ(game().countDestroyedCovenants(1), 0);
    EXPECT_EQ(game().countRemainingCovenants(2), 1);
    EXPECT_EQ(game().countAllies(2), 1);
    EXPECT_EQ(game().countAllies(-1), 0);
    // Named as everywhere else: the definition's short name before an own name.
    other(0).name = "Ashen Vow";
    EXPECT_EQ(stripColorCodesCopy(game().getColoredCovenantName(0)), other(0).getDisplayName());
    EXPECT_EQ(game().getColoredCovenantName(9), "");
}

TEST_F(GameClientMessagesTest, WinningSavesOnceAndTellsThePlayer)
{
    // A character is saved once the server has named its entity.
    game().setEntity(0, std::make_unique<EntityClient>());
    client.getLocalPlayer()->setPlayerEntityNumber(0);
    other(0).destroyed = true;
    game().update(0.1f);
    EXPECT_EQ(serverSaves, 0) << "covenant 1 still stands";
    other(1).destroyed = true;
    game().update(0.1f);
    game().update(0.1f);
    EXPECT_EQ(serverSaves, 1);
    EXPECT_EQ(world.files.listFiles("chars", "chr", true), (std::vector<std::string>{"Aldric.chr"}));
    EXPECT_EQ(ui.buttons, (std::vector<std::string>{"WonGame"}));
    const auto& won = world.data->rules().wonGameText;
    EXPECT_NE(std::find(won.begin(), won.end(), game().getWonGameText()), won.end());
    EXPECT_FALSE(game().isGameOver()) << "a won game goes on";
}

TEST_F(GameClientMessagesTest, LosingRunsOnceThenTheGameIsOver)
{
    covenant().destroyed = true;
    EXPECT_FALSE(game().isGameOver()) << "not before the lose step";
    game().update(0.1f);
    EXPECT_TRUE(game().isGameOver());
    game().update(0.1f);
    EXPECT_EQ(serverSaves, 1);
    EXPECT_EQ(menuLines, (std::vector<std::string>{"showMenu LoseGame"}));
    EXPECT_EQ(ui.menus, (std::vector<std::string>{"hideAll", "showGame"}));
    EXPECT_FALSE(game().getLostGameText().empty());
}

TEST_F(GameClientMessagesTest, AlliedVictoryFollowsTheFlagOnce)
{
    for (bool allied : {true, true, false}) {
        ClientMessageBytes::StateValues s;
        s.game.covenants = 3;
        s.game.allied = allied;
        ByteBuffer bytes = ClientMessageBytes::state(s);
        client.dispatchMessage(bytes, NetAddress());
    }
    EXPECT_EQ(serverSaves, 1);
    EXPECT_EQ(menuLines, (std::vector<std::string>{"showMenu AlliedVictory", "hideMenu AlliedVictory"}));
}

TEST_F(GameClientMessagesTest, LeadersAreAnnouncedOnChangeAtMostEveryThirtySeconds)
{
    // As a character loaded from its file brings them.
    covenant().lastInfluenceLeader = 2;
    covenant().lastPowerLeader = 2;
    setInfluence({10, 30, 20});
    game().update(1.0f);
    EXPECT_EQ(covenant().lastInfluenceLeader, 1);
    EXPECT_TRUE(texts.empty()) << "the first check only stores the leaders";
    setInfluence({50, 30, 20});
    int seconds = 1;
    while (texts.empty() && seconds < 40) {
        game().update(1.0f);
        ++seconds;
    }
    ASSERT_FALSE(texts.empty());
    EXPECT_LE(seconds, 31);
    EXPECT_EQ(texts[0].text.find("Leading covenant in influence is now "), 0u) << texts[0].text;
    EXPECT_NE(texts[0].text.find(game().getColoredCovenantName(0)), std::string::npos);
    EXPECT_EQ(texts[0].kind, 4);
    EXPECT_EQ(covenant().lastInfluenceLeader, 0);
    // Nothing new for the next 30 s.
    const size_t shown = texts.size();
    for (int i = 0; i < 29; ++i) {
        game().update(1.0f);
    }
    EXPECT_EQ(texts.size(), shown);
}

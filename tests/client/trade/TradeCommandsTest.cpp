// The offer screen as the menus drive it: one transcript of commands with
// the program flag over three covenants of the shipped data (the player's
// last), the lines it queues, the lists it fills and the answers it records.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/Random.h"
#include "game/definitions/GameEnums.h"
#include "support/ClientMessageBytes.h"
#include "support/JoinedClient.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class TradeCommandsTest : public ::testing::Test {
protected:
    TradeCommandsTest()
    {
        for (const char* name : {"showMenu", "hideMenu"}) {
            world.commands.registerCommand(
                [this, name](const CommandArgs& a) { menus.push_back(std::string(name) + " " + a[0]); }, name,
                "", "menuName", "s", false, 0);
        }
        client.setTextEventSink([this](const ClientTextEvent& e) { texts.push_back(e); });
        EXPECT_TRUE(client.startGame(false));
        client.join();
        ClientMessageBytes::StateValues s;
        s.game.covenants = 3;
        ByteBuffer bytes = ClientMessageBytes::state(s);
        client.dispatchMessage(bytes, NetAddress());
        client.getPlayerCovenant()->index = 2;
        GameClient::get().setCurrentCovenant(1);
        other().setDefinitionByName("Ironbound");
    }
    CovenantClient& other() { return *GameClient::get().getCovenant(1, false); }
    bool run(const std::string& line) { return world.commands.execute(line, nullptr, false, true); }
    std::vector<std::string> takeQueued()
    {
        const std::vector<std::string>& all = client.getQueuedCommands();
        std::vector<std::string> lines(all.begin() + static_cast<long>(std::min(seen, all.size())),
                                       all.end());
        seen = all.size();
        return lines;
    }
    std::vector<ListEntry> list(const char* provider)
    {
        std::vector<ListEntry> out;
        world.commands.callListFunction(provider, out);
        return out;
    }
    std::vector<std::string> values(const char* provider)
    {
        std::vector<std::string> out;
        for (const ListEntry& e : list(provider)) {
            out.push_back(e.value);
        }
        return out;
    }
    void gold(const char* g, const char* s = "0", const char* c = "0")
    {
        world.vars.setVar("GoldAmount", g);
        world.vars.setVar("SilverAmount", s);
        world.vars.setVar("CopperAmount", c);
    }

    TestWorld world{true, false};
    JoinedClient client;
    std::vector<ClientTextEvent> texts;
    std::vector<std::string> menus;
    size_t seen = 0;
};

} // namespace

TEST_F(TradeCommandsTest, AmountsAreCheckedAndEachSideKeepsOneOfAKind)
{
    PlayerClient& player = *client.getLocalPlayer();
    player.stats.set(toIndex(CharacterStat::Money), 30000);
    world.vars.setVar("TradeSide", "0");
    gold("2", "3", "4");
    ASSERT_TRUE(run("addGoldToOffer"));
    EXPECT_EQ(takeQueued(), (std::vector<std::string>{"offer 4 1 0 6 20304"}));
    player.stats.set(toIndex(CharacterStat::Money), 20000);
    ASSERT_TRUE(run("addGoldToOffer"));
    EXPECT_TRUE(takeQueued().empty());
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Not enough money");
    EXPECT_EQ(texts[0].kind, 8);
    EXPECT_EQ(texts[0].lifetime, 5.0f);
    EXPECT_EQ(texts[0].x, 320.0f);
    EXPECT_EQ(texts[0].y, 240.0f);
    gold("300000"); // past 32 bits in copper
    ASSERT_TRUE(run("addGoldToOffer"));
    EXPECT_EQ(texts.size(), 2u);
    gold("-1");
    world.log.clear();
    ASSERT_TRUE(run("addGoldToOffer"));
    EXPECT_TRUE(world.log.contains("negative amount", 2));
    EXPECT_TRUE(takeQueued().empty());
    EXPECT_EQ(GameClient::get().getCurrentOffer().terms.size(), 1u);

    // Influence: one entry per side, the later amount.
    client.getPlayerCovenant()->stats.set(toIndex(CovenantStat::AbsoluteInfluence), 100);
    other().stats.set(toIndex(CovenantStat::AbsoluteInfluence), 100);
    for (const char* amount : {"10", "20"}) {
        world.vars.setVar("InfluenceAmount", amount);
        ASSERT_TRUE(run("addInfluenceToOffer"));
    }
    world.vars.setVar("TradeSide", "1");
    ASSERT_TRUE(run("addInfluenceToOffer"));
    EXPECT_EQ(takeQueued().back(), "offer 4 1 0 6 20304 0 1 20 1 1 20");
    EXPECT_EQ(values("getTradePlayerOffer"),
              (std::vector<std::string>{"removeFromOffer 0", "removeFromOffer 1"}));
    EXPECT_EQ(list("getTradeOtherOffer")[0].name, "20 influence");
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(run("removeFromOffer 0"));
    }
    EXPECT_EQ(takeQueued().size(), 2u) << "the last removal sends nothing";
    EXPECT_FALSE(GameClient::get().getDiplomacyResponseText().empty()) << "OfferBlank";

    // Crystal entries.
    client.getPlayerCovenant()->stats.set(toIndex(CovenantStat::Money), 1);
    other().stats.set(toIndex(CovenantStat::Money), 1234);
    std::vector<ListEntry> mine = list("getTradePlayerCrystals");
    std::vector<ListEntry> theirs = list("getTradeOtherCrystals");
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_EQ(mine[0].name, "1 crystal");
    EXPECT_EQ(mine[0].value, "ChooseCrystalsAmount 0");
    EXPECT_EQ(theirs[0].name, "1,234 crystals");
    EXPECT_EQ(theirs[0].value, "ChooseCrystalsAmount 1");
    ASSERT_TRUE(run(theirs[0].value));
    EXPECT_EQ(menus, (std::vector<std::string>{"showMenu ChooseCrystalsAmount"}));
}

TEST_F(TradeCommandsTest, TreatiesFollowTheRelation)
{
    other().setRelationState(2, toIndex(CovenantTreaty::War));
    EXPECT_EQ(values("getTradePlayerTreaties"), (std::vector<std::string>{"addToOffer 2 2"}));

    other().setRelationState(2, toIndex(CovenantTreaty::Peace));
    other().setTradeRoute(2, 2, GameTime());
    other().setRelationState(0, toIndex(CovenantTreaty::War)); // someone to make peace with
    const std::vector<std::string> starting = values("getTradeOtherTreaties");
    const std::vector<std::string> expected = {"addToOffer 2 3",          "addToOffer 2 4",
                                               "addToOffer 2 5",          "addAdventureToOffer",
                                               "chooseOtherCovenant 2 2", "chooseOtherCovenant 3 2",
                                               "chooseOtherCovenant 1 1", "addTradeRouteToOffer 3",
                                               "addTradeRouteToOffer 4",  "addTradeRouteToOffer 5"};
    EXPECT_EQ(starting, expected);
    EXPECT_EQ(list("getTradeOtherTreaties")[3].name, "$$SharedAdventureTitle$$");

    other().setRelationState(2, toIndex(CovenantTreaty::MutualProtectionPact));
    std::vector<std::string> pact = values("getTradeOtherTreaties");
    EXPECT_EQ(pact[0], "addToOffer 2 5");
    EXPECT_NE(pact[1], "addToOffer 2 4");
    EXPECT_EQ(values("getCurrentTreaties"), (std::vector<std::string>{"MainTreaty", "TradeRoute"}));
    world.vars.setVar("TreatyToCancel", "tradeRoute");
    ASSERT_TRUE(run("cancelCurrentTreaty"));
    EXPECT_EQ(takeQueued(), (std::vector<std::string>{"cancelTradeRoute 1"}));
}

TEST_F(TradeCommandsTest, OffersToThePlayerAreRecordedAnsweredAndDropped)
{
    PlayerCovenantClient& own = *client.getPlayerCovenant();
    ASSERT_TRUE(run("offerToPlayer 2 1 1 6 500 0 0"));
    ASSERT_NE(own.getPendingOffer(1), nullptr);
    ASSERT_EQ(own.getPendingOffer(1)->entries.size(), 1u);
    ASSERT_TRUE(run("acceptTrade"));
    EXPECT_EQ(takeQueued(), (std::vector<std::string>{"acceptOffer 2 1 1 6 500"}));
    EXPECT_EQ(list("getIncomingTradePlayerOffer").size(), 1u);

    ASSERT_TRUE(run("offerToPlayer 3 1 0 8 7"));
    ASSERT_EQ(GameClient::get().getCurrentOffer().terms.size(), 1u);
    EXPECT_EQ(GameClient::get().getCurrentOffer().terms[0].value, 7);

    world.log.clear();
    ASSERT_TRUE(run("offerToPlayer 2"));
    ASSERT_TRUE(run("offerToPlayer 2 9 1 6 5"));
    EXPECT_EQ(world.log.lines().size(), 2u);
    EXPECT_TRUE(own.getPendingOffer(1) && own.getPendingOffer(1)->entries.size() == 1u);

    GameClient::get().setCurrentCovenant(-1);
    ASSERT_TRUE(run("ignoreTrade"));
    EXPECT_TRUE(own.ignoredOffers.empty());
    ASSERT_TRUE(run("acceptTrade"));
    EXPECT_TRUE(takeQueued().empty());
    ASSERT_TRUE(run("offerExpired 1"));
    EXPECT_TRUE(own.getPendingOffer(1)->entries.empty());
}

TEST_F(TradeCommandsTest, AResponseIsDrawnFromTheClientsOwnStream)
{
    other().setRelation(2, 10.0f);
    const uint32_t shared = Random::getState(0);
    ASSERT_TRUE(run("dipRes 4 1"));
    const std::string text = GameClient::get().getDiplomacyResponseText();
    EXPECT_EQ(Random::getState(0), shared);
    EXPECT_EQ(text.rfind(formatColorCode(1) + "$$DipIronboundOfferBadHated", 0), 0u) << text;
    ASSERT_TRUE(run("dipRes 21 1"));
    EXPECT_EQ(GameClient::get().getDiplomacyResponseText(), "");

    // Another covenant's page starts clean: the last one's terms and words
    // stay with it.
    ASSERT_TRUE(run("dipRes 4 1"));
    GameClient::get().getCurrentOffer().terms.push_back(TradeTerm{1, 6, 4300});
    GameClient::get().setCurrentCovenant(1);
    EXPECT_EQ(GameClient::get().getCurrentOffer().terms.size(), 1u) << "the same page keeps them";
    GameClient::get().setCurrentCovenant(0);
    EXPECT_TRUE(GameClient::get().getCurrentOffer().terms.empty());
    EXPECT_EQ(GameClient::get().getDiplomacyResponseText(), "");
}

// Covenant sections as message 3 carries them, into the real client's
// covenant mirrors; the relation queries and the growing table.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/covenants/CovenantTrait.h"
#include "support/JoinedClient.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Section {
    bool destroyed = false;
    std::array<int32_t, 4> influence{1, 2, 3, 4};
    std::vector<float> relations;
    std::vector<int32_t> traits;
    int32_t raidTarget = -1;
};

void writeSection(ByteBuffer& out, int index, const Section& s)
{
    out.writeInt(int32_t(0));
    out.writeString("Covenant " + std::to_string(index));
    out.writeZonePosition(ZonePosition(0, 64.0f, 96.0f));
    out.writeInt(uint32_t(s.destroyed ? 1 : 0));
    for (int32_t v : s.influence) {
        out.writeInt(v);
    }
    for (int32_t v : {5, 60, 70, 80, 90, 1000}) { // guard costs, people … money
        out.writeInt(v);
    }
    out.writeInt(int32_t(12));  // level
    out.writeInt(int32_t(300)); // life stone
    out.writeInt(int32_t(400));
    for (float relation : s.relations) {
        out.writeFloat(relation);
        out.writeInt(int32_t(2)); // treaty
        out.writeInt(int32_t(1)); // route
        out.writeGameTime(GameTime(1, 2, 3, 4.0f));
    }
    out.writeInt(int32_t(3)); // quest state
    out.writeInt(static_cast<uint32_t>(s.traits.size()));
    for (int32_t trait : s.traits) {
        out.writeInt(trait);
    }
    out.writeInt(int32_t(77)); // leader's gold
    out.writeInt(uint32_t(1)); // being raided
    out.writeInt(s.raidTarget);
}

ByteBuffer message(const std::vector<Section>& covenants)
{
    ByteBuffer out;
    out.writeInt(uint32_t(3));
    out.writeInt(kMessageEndMark); // no player
    out.writeInt(kMessageEndMark); // no names
    out.writeInt(uint32_t(0));     // no lines
    out.writeInt(kMessageEndMark); // no entities
    out.writeGameTime(GameTime(0, 1, 0, 0.0f));
    out.writeInt(uint32_t(1));
    out.writeInt(static_cast<uint32_t>(covenants.size()));
    for (size_t i = 0; i < covenants.size(); ++i) {
        writeSection(out, static_cast<int>(i), covenants[i]);
    }
    out.writeFloat(12.0f);
    out.writeInt(uint32_t(0)); // named values
    out.writeInt(uint32_t(0)); // quests
    for (int i = 0; i < 5; ++i) {
        out.writeFloat(1.0f);
    }
    out.writeInt(uint32_t(0));
    out.writeInt(uint32_t(0)); // sounds
    return out;
}

class CovenantClientTest : public ::testing::Test {
protected:
    CovenantClientTest() { client.join(); }
    void send(const std::vector<Section>& covenants)
    {
        ByteBuffer bytes = message(covenants);
        client.dispatchMessage(bytes, NetAddress());
    }
    static Section pair(float toFirst, float toSecond)
    {
        Section s;
        s.relations = {toFirst, toSecond};
        return s;
    }

    // The trait definitions load with the game data.
    struct Loaders {
        Loaders() { registerCovenantLoaders(); }
    } loaders;
    TestWorld world{true, false};
    JoinedClient client;
};

} // namespace

TEST_F(CovenantClientTest, SectionsFillTheMirrors)
{
    ASSERT_GE(world.data->getCovenantTraits().size(), 2u);
    Section first = pair(50.0f, 120.0f);
    first.traits = {1, 0};
    Section second = pair(-5.0f, 50.0f);
    second.raidTarget = 0;
    send({first, second});
    ASSERT_EQ(client.getDroppedCount(), 0u);
    GameClient& game = GameClient::get();
    const CovenantClient* a = game.getCovenant(0);
    const CovenantClient* b = game.getCovenant(1);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(game.getLastCovenant(), b);
    EXPECT_EQ(a->name, "Covenant 0");
    EXPECT_EQ(a->getRelation(1), 100.0f);
    EXPECT_EQ(b->getRelation(0), 0.0f);
    EXPECT_EQ(a->getRelationState(1), 2);
    EXPECT_EQ(game.getTreatyState(0, 1), 2);
    EXPECT_EQ(game.getTradeRouteSize(0, 1), 1);
    EXPECT_EQ(a->getTradeRouteTime(1), GameTime(1, 2, 3, 4.0f));
    EXPECT_EQ(a->getInfluence(), 10);
    EXPECT_EQ(a->stats.get(static_cast<int>(CovenantStat::Money)), 1000);
    EXPECT_EQ(a->level, 12);
    EXPECT_EQ(a->getLifestoneMaxHealth(), 400);
    EXPECT_EQ(a->getQuestState(), 3);
    EXPECT_EQ(a->getLeaderGold(), 77);
    EXPECT_TRUE(a->isBeingRaided());
    EXPECT_EQ(b->raidTarget, 0);
    ASSERT_EQ(a->getTraitCount(), 2);
    EXPECT_EQ(a->getTrait(0), world.data->getCovenantTraits()[1].definition);
    EXPECT_EQ(a->getTrait(2), nullptr);
    EXPECT_EQ(a->getTrait(-1), nullptr);

    // A trait count of 0 empties the list.
    send({pair(50.0f, 50.0f), pair(50.0f, 50.0f)});
    EXPECT_EQ(game.getCovenant(0)->getTraitCount(), 0);
}

TEST_F(CovenantClientTest, ABrokenRuleDropsTheWholeMessage)
{
    Section first = pair(50.0f, 80.0f);
    first.traits = {0};
    send({first, pair(40.0f, 50.0f)});
    ASSERT_EQ(client.getDroppedCount(), 0u);
    int traits = static_cast<int>(world.data->getCovenantTraits().size());

    Section badTrait = pair(10.0f, 10.0f);
    badTrait.traits = {traits};
    Section badRaid = pair(10.0f, 10.0f);
    badRaid.raidTarget = 2;
    Section badRelation = pair(10.0f, std::nanf(""));
    for (const Section& bad : {badTrait, badRaid, badRelation}) {
        send({pair(20.0f, 20.0f), bad});
    }
    EXPECT_EQ(client.getDroppedCount(), 3u);
    const CovenantClient* a = GameClient::get().getCovenant(0);
    EXPECT_EQ(a->getRelation(1), 80.0f);
    EXPECT_EQ(a->getTraitCount(), 1);
    EXPECT_EQ(GameClient::get().getCovenant(1)->getRelation(0), 40.0f);
}

TEST_F(CovenantClientTest, RelationQueriesAndTheGrowingTable)
{
    send({pair(50.0f, 80.0f), pair(40.0f, 50.0f)});
    GameClient& game = GameClient::get();
    EXPECT_FLOAT_EQ(game.getRelationValue(0, 1), 60.0f);
    EXPECT_FLOAT_EQ(game.getRelationValue(1, 0), 60.0f);
    // A covenant against itself: its own record, but the player's 0.5.
    EXPECT_FLOAT_EQ(game.getRelationValue(1, 1), 50.0f);
    ASSERT_TRUE(client.startGame(false));
    client.getPlayerCovenant()->index = 1;
    EXPECT_FLOAT_EQ(game.getRelationValue(1, 1), 0.5f);
    EXPECT_FLOAT_EQ(game.getRelationValue(0, 0), 50.0f);
    EXPECT_FLOAT_EQ(game.getRelationValue(0, 1), 80.0f) << "the other side's value toward the player";
    // Beyond the table: no record, the defaults.
    EXPECT_EQ(game.getTreatyState(7, 1), 1);
    EXPECT_EQ(game.getTradeRouteSize(0, 40), 0);

    EXPECT_EQ(game.getCovenant(5, false), nullptr);
    CovenantClient* fifth = game.getCovenant(5, true);
    ASSERT_NE(fifth, nullptr);
    EXPECT_EQ(fifth->index, 5);
    ASSERT_EQ(game.getCovenantTableSize(), 6u);
    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(game.getCovenant(i)->index, i);
    }
    EXPECT_EQ(game.getCovenant(32, true), nullptr);
    EXPECT_EQ(game.getCovenant(-1, true), nullptr);
    EXPECT_EQ(game.getCovenantTableSize(), 6u);
}

// The client game state's command table and the four server lines it runs
// today: damage texts, timed bars and the npc chat text.
#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/object/ClassRecord.h"
#include "support/ClientMessageBytes.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace CMB = ClientMessageBytes;

namespace {

class GameClientCommandsTest : public ::testing::Test {
protected:
    GameClientCommandsTest()
    {
        client.registerCommands();
        GameClient::registerCommands();
        ByteBuffer joined = CMB::joined(0);
        client.dispatchMessage(joined, NetAddress());
    }
    ~GameClientCommandsTest() override
    {
        GameClient::destroy();
        client.shutdown();
    }
    // A state message at that game time naming entities 1 and 4.
    void deliver(double seconds, std::vector<std::string> lines = {})
    {
        CMB::StateValues s;
        s.lines = std::move(lines);
        s.entities = {1, 4};
        s.game.time.addSeconds(seconds);
        ByteBuffer bytes = CMB::state(s);
        client.dispatchMessage(bytes, NetAddress());
        ASSERT_EQ(client.getDroppedCount(), 0u);
    }

    TestWorld world{true, false};
    Client client;
};

} // namespace

TEST(GameClientCommandTable, RowsProvidersAndTheRowsLeftUnbound)
{
    std::vector<GameClient::CommandInfo> rows = GameClient::getCommandTable();
    ASSERT_EQ(rows.size(), 68u);
    EXPECT_EQ(GameClient::getListProviderTable().size(), 26u);
    EXPECT_EQ(rows.front().name, "msg");
    EXPECT_EQ(rows.back().name, "selectLifestone");
    std::set<std::string> unbound;
    std::set<std::string> console;
    std::set<std::string> names;
    for (const auto& row : rows) {
        EXPECT_TRUE(names.insert(row.name).second) << row.name;
        EXPECT_EQ(row.flags, row.name == "offerToPlayer" ? 1u : 0u) << row.name;
        size_t words =
            row.argNames.empty() ? 0 : 1 + std::count(row.argNames.begin(), row.argNames.end(), ' ');
        EXPECT_EQ(row.argTypes.size(), words) << row.name;
        if (!row.bound) {
            unbound.insert(row.name);
        }
        if (!row.internalOnly) {
            console.insert(row.name);
        }
    }
    EXPECT_TRUE(unbound.empty());
    EXPECT_EQ(console, (std::set<std::string>{"calculateSkillLevel", "reloadCollision", "exportHtml",
                                              "exportVbulletin", "emailCharHtml"}));
    // Help texts stand letter for letter.
    auto help = [&](const char* name) {
        for (const auto& row : rows) {
            if (row.name == name) {
                return row.help;
            }
        }
        return std::string();
    };
    EXPECT_EQ(help("calculateSkillLevel"), "Gets the skill level from for the given data");
    EXPECT_EQ(help("PrevItemComparision"), "Goes to the previous item comparision person");
    EXPECT_EQ(help("ClientIncrementAttribute"), "Increments the names attribute");
    EXPECT_EQ(help("npcRecruit"), "Tries to recruit the currently selected npc to join the covenant/party");
    for (const auto& [name, isBound] : GameClient::getListProviderTable()) {
        EXPECT_TRUE(isBound) << name;
    }
}

TEST_F(GameClientCommandsTest, OnlyBoundRowsAreRegisteredOnce)
{
    CommandSystem& commands = world.commands;
    for (const auto& row : GameClient::getCommandTable()) {
        EXPECT_EQ(commands.findCommand(row.name) != nullptr, row.bound) << row.name;
    }
    const CommandRecord* dmg = commands.findCommand("dmg");
    ASSERT_NE(dmg, nullptr);
    EXPECT_EQ(dmg->argTypes, "is");
    EXPECT_TRUE(dmg->internalOnly);
    size_t count = commands.listCommands().size();
    GameClient::registerCommands();
    EXPECT_EQ(commands.listCommands().size(), count);
    EXPECT_TRUE(commands.findCheckFunction("verifyCharName"));
    ClassRecord* entityClass = world.classes.findClass("EntityClient");
    ASSERT_NE(entityClass, nullptr);
    EXPECT_EQ(entityClass->getParent(), world.classes.findClass("Listener"));
}

TEST_F(GameClientCommandsTest, DamageTextsFromTheServerOnly)
{
    deliver(10.0);
    EntityClient* one = GameClient::get().getEntity(1);
    ASSERT_NE(one, nullptr);
    world.commands.execute("dmg 1 5", nullptr, false, false);
    EXPECT_TRUE(one->getFloatingTexts().empty());
    deliver(10.0, {"dmg 1 5", "dmg -1 7", "dmg 77 9"});
    ASSERT_EQ(one->getFloatingTexts().size(), 1u);
    EXPECT_EQ(one->getFloatingTexts()[0].text, "5");
    float lifetime = world.data->rules().floatingTextLifetime;
    deliver(10.0 + lifetime * 0.5);
    one->update(0.0f);
    EXPECT_EQ(one->getFloatingTexts().size(), 1u);
    deliver(10.0 + lifetime);
    one->update(0.0f);
    EXPECT_TRUE(one->getFloatingTexts().empty());
}

TEST_F(GameClientCommandsTest, TimedBarsAndNpcChat)
{
    deliver(1.0, {});
    deliver(1.0, {"timer 4 2.5 1", "npcChat \"Well met\""});
    EntityClient* four = GameClient::get().getEntity(4);
    ASSERT_NE(four, nullptr);
    EXPECT_FLOAT_EQ(four->getProgressLength(), 2.5f);
    EXPECT_EQ(four->getProgressKind(), 1);
    EXPECT_EQ(GameClient::get().getNpcChatText(), "Well met");
    for (int i = 0; i < 4; ++i) {
        four->update(0.5f);
    }
    EXPECT_FLOAT_EQ(four->getProgressTimer(), 2.0f);
    four->update(0.5f);
    EXPECT_EQ(four->getProgressLength(), 0.0f);
    EXPECT_EQ(four->getProgressKind(), 0);
    deliver(1.0, {"clearNpcChat"});
    EXPECT_EQ(GameClient::get().getNpcChatText(), "");
}

#include "server/GameStartup.h"
#include "game/entities/Entity.h"
#include "game/world/CombatSystem.h"
#include "game/world/GameSystem.h"
#include "server/GameCommandTable.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

class GameStartupTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const char* name : {"Raid", "useSkill", "offer"}) {
            attachGameCommandHandler(name, nullptr);
        }
        shutdownGame();
    }

    bool run(const std::string& line) { return world.commands.execute(line, nullptr, true, true); }

    TestWorld world{true, false};
};

class CountingSystem : public GameSystem {
public:
    void onKill(Entity* killer, Entity* victim, int flag) override
    {
        ++kills;
        lastFlag = flag;
    }
    int kills = 0;
    int lastFlag = -1;
};

TEST_F(GameStartupTest, StartingTwiceMakesOneGameAndRegistersNothingTwice)
{
    EXPECT_EQ(Game::instance(), nullptr);
    startGame();
    Game* game = Game::instance();
    ASSERT_NE(game, nullptr);
    CombatSystem* combat = CombatSystem::instance();
    ASSERT_NE(combat, nullptr);
    EXPECT_FLOAT_EQ(combat->getCombatEventTime(), 5.0f);
    size_t commands = world.commands.listCommands().size();
    size_t classes = world.classes.getCount();
    startGame();
    EXPECT_EQ(Game::instance(), game);
    EXPECT_EQ(CombatSystem::instance(), combat);
    EXPECT_EQ(world.commands.listCommands().size(), commands);
    EXPECT_EQ(world.classes.getCount(), classes);
    for (const char* name : {"Entity", "Sentient", "Actor", "Player", "Trap"}) {
        EXPECT_NE(world.classes.findClass(name), nullptr) << name;
    }
    EXPECT_EQ(world.classes.findClass("Actor")->getParent(), world.classes.findClass("Sentient"));
    EXPECT_EQ(world.classes.findClass("Trap")->getParent(), world.classes.findClass("Listener"));
    shutdownGame();
    EXPECT_EQ(Game::instance(), nullptr);
    EXPECT_EQ(CombatSystem::instance(), nullptr);
    EXPECT_EQ(GameSystemRegistry::instance(), nullptr);
}

TEST_F(GameStartupTest, TableHoldsTheFiftyOneRowsInOrder)
{
    const auto& table = gameCommandTable();
    ASSERT_EQ(table.size(), 51u);
    EXPECT_STREQ(table[0].name, "offer");
    EXPECT_EQ(table[0].flags, 1u);
    EXPECT_STREQ(table[44].name, "entityInfo");
    EXPECT_FALSE(table[44].needsPlayer);
    EXPECT_FALSE(table[44].internalOnly);
    EXPECT_STREQ(table[45].argTypes, "iIIIIIIIIII");
    EXPECT_STREQ(table[50].name, "startRumor");
    EXPECT_FALSE(table[50].internalOnly);
    EXPECT_FALSE(attachGameCommandHandler("noSuchCommand", nullptr));
}

TEST_F(GameStartupTest, TypeLettersOfTheRows)
{
    std::vector<std::string> seen;
    auto record = [&seen](const CommandArgs& args, Player*) {
        seen.push_back(args.empty() ? "" : args.front() + "/" + std::to_string(args.size()));
    };
    attachGameCommandHandler("Raid", record);
    attachGameCommandHandler("useSkill", record);
    attachGameCommandHandler("offer", record);
    startGame();
    // Needs a player: these run only with one, so look at the argument check.
    const CommandRecord* raid = world.commands.findCommand("Raid");
    ASSERT_NE(raid, nullptr);
    EXPECT_TRUE(raid->checkArguments({"3"}).empty());
    EXPECT_FALSE(raid->checkArguments({}).empty());
    const CommandRecord* useSkill = world.commands.findCommand("useSkill");
    ASSERT_NE(useSkill, nullptr);
    EXPECT_TRUE(useSkill->checkArguments({"0", "0", "-1", "0", "0.5", "1.5"}).empty());
    const CommandRecord* offer = world.commands.findCommand("offer");
    ASSERT_NE(offer, nullptr);
    EXPECT_TRUE(offer->flags & CommandRecord::kSkipArgumentCheck);
    EXPECT_TRUE(offer->needsPlayer);
    // Without a player nothing runs and nothing is logged as unknown.
    EXPECT_TRUE(run("offer 1 2 3 4 5 6 7 8 9 10"));
    EXPECT_TRUE(seen.empty());
}

TEST_F(GameStartupTest, EntityInfoAndUnhandledRows)
{
    startGame();
    Entity* e = Entity::createEntity(nullptr, "", nullptr, "", 1.0f);
    e->setMaxHealth(30);
    e->setHealth(12);
    world.log.clear();
    world.server->runClientCommands({"entityInfo 1000", "entityInfo -1"}, nullptr);
    EXPECT_FALSE(world.log.contains("Health"));
    world.server->runClientCommands({"entityInfo " + std::to_string(e->getEntityNumber())}, nullptr);
    EXPECT_TRUE(world.log.contains("Health 12/30"));
    // Every row has its handler now: only a name outside the table is unknown.
    world.server->runClientCommands({"rescue", "delivery", "entityInfo 5"}, nullptr);
    EXPECT_FALSE(world.log.contains("Unknown server command"));
    world.server->runClientCommands({"rescueAll"}, nullptr);
    EXPECT_TRUE(world.log.contains("Unknown server command - rescueAll"));
}

TEST_F(GameStartupTest, KillsReachEveryGameSystemInOrder)
{
    startGame();
    CountingSystem a;
    auto b = std::make_unique<CountingSystem>();
    notifyGameSystemsOfKill(nullptr, nullptr);
    EXPECT_EQ(a.kills, 1);
    EXPECT_EQ(b->kills, 1);
    EXPECT_EQ(a.lastFlag, 0);
    b.reset();
    notifyGameSystemsOfKill(nullptr, nullptr);
    EXPECT_EQ(a.kills, 2);
}

} // namespace

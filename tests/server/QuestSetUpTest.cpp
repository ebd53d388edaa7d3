// Every quest type set up on the shipped data in a generated world with all
// its levels built: which set-ups fail and why, and that a failure leaves
// nothing in the world.
#include "engine/core/Random.h"
#include "game/definitions/GameData.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/TestCovenant.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

namespace {

class QuestTypes : public ::testing::Test {
protected:
    void SetUp() override
    {
        Random::setState(0, 4242);
        auto* own = new TestPlayerCovenant();
        own->setDefinitionByName("Human");
        game().addCovenant(std::unique_ptr<Covenant>(own));
        Player* player = addPlayerLeading(game(), *own, GameData::get().getStartPosition());
        player->setName("Aldric");
        ASSERT_TRUE(Server::get().newWorld({"1", "Average", "Normal", "3"}));
        // Every level built: a quest places its people in its target level.
        World& world = *server.world;
        for (int i = 0; i < world.getLevelCount(); ++i)
            world.getLevel(i)->acquire(kKey);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
        while (!allLoaded() && std::chrono::steady_clock::now() < deadline) {
            server.app->getHooks().finishLevels();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_TRUE(allLoaded());
    }
    void TearDown() override
    {
        game().clear();
        for (int i = 0; i < server.world->getLevelCount(); ++i)
            server.world->getLevel(i)->release(kKey);
    }
    bool allLoaded() const
    {
        for (int i = 0; i < server.world->getLevelCount(); ++i)
            if (!server.world->isLevelLoaded(i))
                return false;
        return true;
    }
    Game& game() { return *server.game; }
    std::unique_ptr<Quest> rolled(int type, int level = 10, uint32_t seed = 777)
    {
        auto quest = std::make_unique<Quest>();
        quest->setup(level, game().getClock(), seed, type, 0);
        quest->rollChoices(false);
        return quest;
    }
    // Takes out whatever follow-ups a failure started, with their people.
    void emptyTable()
    {
        for (int i = 0; i < game().getQuestTableSize(); ++i)
            game().deleteQuest(i);
        game().forEachQuest([](Quest&) {}); // the walk's end destroys what was deleted
    }

    static constexpr int kKey = 77;
    HeadlessServer server;
};

TEST_F(QuestTypes, EveryTypeSetsUpAtLevelTenOrFailsForItsReasonLeavingNothing)
{
    // Failures the rules make certain in this world, with the player in town:
    // a quest whose own level lies above the world's levels has no target
    // level; boss areas 2 and 4 have no level in a world of this size.
    const int top = server.world->getMaxMonsterLevel();
    ASSERT_GT(top, 10);
    auto mustFail = [top](int type) {
        const QuestDefinition* d = GameData::get().getQuestDefinition(type);
        if (type == toIndex(QuestType::BossLord) || type == toIndex(QuestType::BossKing)) {
            return true;
        }
        if (d && !d->boss && d->hasWorldLevel && d->defaultLevel > top) {
            return true;
        }
        return type == toIndex(QuestType::RenegadeAttack) // needs the quest it follows
               || type == toIndex(QuestType::Kidnapping); // a player is in town
    };
    // Set-ups that stand on a draw (two sides willing to fight, a type whose
    // class may rise, a plague type the level spawns): either way.
    const std::set<int> byDraw = {toIndex(QuestType::War),
                                  toIndex(QuestType::MonsterQuest),
                                  toIndex(QuestType::Plague),
                                  toIndex(QuestType::Meeting),
                                  toIndex(QuestType::Uprising),
                                  toIndex(QuestType::WarAgainstBarbarians),
                                  toIndex(QuestType::KillMonsterGroup)};
    Random::setState(0, 99);
    for (int type = 0; type < kQuestTypeCount; ++type) {
        emptyTable();
        const int entities = game().getEntityCount();
        auto quest = rolled(type);
        quest->setUp(0, nullptr);
        if (!quest->invalid) {
            EXPECT_FALSE(mustFail(type)) << getQuestTypeName(type) << " set up";
        } else {
            EXPECT_TRUE(mustFail(type) || byDraw.count(type)) << getQuestTypeName(type) << " failed";
        }
        const bool failed = quest->invalid;
        quest->removeFromWorld();
        // A failure's follow-up may stand in the world; the quest itself not.
        if (failed && quest->definition->nextQuest.empty()) {
            EXPECT_EQ(game().getEntityCount(), entities)
                << getQuestTypeName(type) << " left something behind";
        }
    }
}

TEST_F(QuestTypes, AnEscortNeedsADestinationOtherThanItsTarget)
{
    int equal = 0;
    int apart = 0;
    for (uint32_t seed = 1; seed <= 120 && (equal == 0 || apart == 0); ++seed) {
        auto quest = rolled(toIndex(QuestType::Escort), 10, seed);
        quest->setUp(0, nullptr);
        const bool same = quest->getTargetLevel() == quest->getSecondTargetLevel();
        (same ? equal : apart) += 1;
        EXPECT_EQ(quest->invalid, same) << "seed " << seed << " levels " << quest->getTargetLevel() << ' '
                                        << quest->getSecondTargetLevel();
        quest->removeFromWorld();
    }
    EXPECT_GT(apart, 0);
}

// Without the levels built: a quest's NPC still stands in its target level and
// moves onto free ground when that level is built.
TEST(QuestInUnbuiltLevel, APlacedNpcFindsFreeGroundWhenItsLevelIsBuilt)
{
    Random::setState(0, 4242);
    HeadlessServer server;
    Game& game = *server.game;
    auto* own = new TestPlayerCovenant();
    own->setDefinitionByName("Human");
    game.addCovenant(std::unique_ptr<Covenant>(own));
    addPlayerLeading(game, *own, GameData::get().getStartPosition())->setName("Aldric");
    ASSERT_TRUE(Server::get().newWorld({"1", "Average", "Normal", "3"}));
    auto quest = std::make_unique<Quest>();
    quest->setup(10, game.getClock(), 101, toIndex(QuestType::RescueNpc), 0);
    quest->rollChoices(false);
    const int target = quest->getTargetLevel();
    ASSERT_GT(target, 0);
    ASSERT_FALSE(server.world->isLevelLoaded(target));
    quest->setUp(0, nullptr);
    ASSERT_FALSE(quest->invalid);
    auto* npc = dynamic_cast<Actor*>(quest->questNpc.get());
    ASSERT_NE(npc, nullptr);
    EXPECT_EQ(npc->getPosition().zone, target);
    EXPECT_TRUE(npc->relocated);

    constexpr int kKey = 78;
    server.world->getLevel(target)->acquire(kKey);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!server.world->isLevelLoaded(target) && std::chrono::steady_clock::now() < deadline) {
        server.app->getHooks().finishLevels();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(server.world->isLevelLoaded(target));
    EXPECT_EQ(npc->getPosition().zone, target);
    EXPECT_TRUE(game.isPlaceFree(npc->getPosition(), npc, 3));
    game.clear();
    server.world->getLevel(target)->release(kKey);
}

} // namespace

#include "game/world/Game.h"
#include "engine/core/ByteBuffer.h"
#include "game/entities/Actor.h"
#include "game/entities/Entity.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

class GameTest : public ::testing::Test {
protected:
    Entity* add()
    {
        auto* e = new Entity();
        if (world.game->addEntity(e) < 0) {
            delete e;
            return nullptr;
        }
        return e;
    }
    void advanceClock(double seconds)
    {
        GameTime t = world.game->getClock();
        t.addSeconds(seconds);
        world.game->setClock(t);
    }

    TestWorld world;
};

TEST_F(GameTest, NumbersBeforeTheFirstSecondGoInOrder)
{
    EXPECT_EQ(add()->getEntityNumber(), 0);
    EXPECT_EQ(add()->getEntityNumber(), 1);
    Entity* two = add();
    EXPECT_EQ(two->getEntityNumber(), 2);
    // Before 1 s all ages are below 1 s and equal: the earliest free slot wins.
    world.game->deleteEntity(world.game->getEntity(1), true);
    EXPECT_EQ(add()->getEntityNumber(), 1);
}

TEST_F(GameTest, YoungFreedNumberIsPassedOverUntilASecondHasGone)
{
    for (int i = 0; i < 3; ++i) {
        add();
    }
    advanceClock(5.0);
    world.game->deleteEntity(world.game->getEntity(1), true);
    EXPECT_EQ(world.game->getSlot(1).freedAt, world.game->getClock());
    EXPECT_EQ(add()->getEntityNumber(), 3); // slot 1 is younger than 1 s
    advanceClock(0.5);
    EXPECT_EQ(add()->getEntityNumber(), 4);
    advanceClock(0.5);
    EXPECT_EQ(add()->getEntityNumber(), 1);
}

TEST_F(GameTest, WithEveryFreeSlotYoungTheLongestFreedWinsThenTheLowest)
{
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        ASSERT_NE(add(), nullptr);
    }
    advanceClock(10.0);
    world.game->deleteEntity(world.game->getEntity(700), true);
    advanceClock(0.2);
    world.game->deleteEntity(world.game->getEntity(5), true);
    world.game->deleteEntity(world.game->getEntity(9), true);
    advanceClock(0.2);
    EXPECT_EQ(add()->getEntityNumber(), 700);
    EXPECT_EQ(add()->getEntityNumber(), 5);
    EXPECT_EQ(add()->getEntityNumber(), 9);
}

TEST_F(GameTest, FullTableRefusesAndCreateEntityDeletesItsOrphan)
{
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        ASSERT_NE(add(), nullptr);
    }
    Entity extra;
    EXPECT_EQ(world.game->addEntity(&extra), -1);
    EXPECT_EQ(extra.getEntityNumber(), -1);
    EXPECT_EQ(Entity::createEntity(nullptr, "BoxMan/boxman.mdl", nullptr, "", 1.0f), nullptr);
    EXPECT_EQ(world.game->spawnEntity("TrainingDummy", ZonePosition(0, 10.0f, 10.0f), 0.0f), nullptr);
    EXPECT_EQ(world.game->getEntityCount(), Game::kMaxEntities);
}

TEST_F(GameTest, RemovingTwiceLeavesTheSlotsNewOwner)
{
    Entity* a = add();
    advanceClock(2.0);
    int number = a->getEntityNumber();
    world.game->removeEntity(a);
    advanceClock(2.0);
    Entity* b = add();
    ASSERT_EQ(b->getEntityNumber(), number);
    world.game->removeEntity(a); // stale number
    EXPECT_EQ(world.game->getEntity(number), b);
    delete a;
    EXPECT_EQ(world.game->getEntity(number), b);

    // Never added: number -1 touches nothing.
    Entity loose;
    world.game->removeEntity(&loose);
    EXPECT_EQ(world.game->getEntityCount(), 1);
}

TEST_F(GameTest, ClearDestroysParentsAndChildren)
{
    Entity* parent = Entity::createEntity(nullptr, "BoxMan/boxman.mdl", nullptr, "", 1.0f);
    ASSERT_NE(parent, nullptr);
    Entity* child = Entity::createEntity(nullptr, "BoxMan/boxman.mdl", parent, "tag_head", 1.0f);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(world.game->getEntityCount(), 2);
    world.game->clear();
    EXPECT_EQ(world.game->getEntityCount(), 0);
    EXPECT_EQ(world.game->getStartLevel(), -1);
}

TEST_F(GameTest, RulesOnTheShippedData)
{
    const Game& g = *world.game;
    EXPECT_EQ(g.getTotalSkillPoints(1), 0);
    EXPECT_EQ(g.getTotalSkillPoints(2), 1);
    EXPECT_EQ(g.getTotalSkillPoints(10), 10);
    EXPECT_EQ(g.getTotalSkillPoints(12), 14);
    EXPECT_FLOAT_EQ(g.getIdentifyTime(10, 5), 3.0f);
    EXPECT_FLOAT_EQ(g.getIdentifyTime(5, 30), 0.5f);
    EXPECT_FLOAT_EQ(g.getIdentifyTime(7, 7), 2.0f);
    EXPECT_FLOAT_EQ(g.getChestOpenTime(20, 10), 2.5f);
    EXPECT_FLOAT_EQ(g.getChestOpenTime(1, 40), 0.5f);
    EXPECT_EQ(g.settings().deleteOldQuestsTimer.min, 600.0f);
    EXPECT_EQ(g.settings().deleteOldQuestsTimer.max, 600.0f);
    ASSERT_EQ(g.settings().covenantPositions.size(), 4u);
    const GameRules& rules = world.data->rules();
    EXPECT_FLOAT_EQ(g.settings().covenantPositions[1].x, 0.75f * rules.levelWidth);
    EXPECT_FLOAT_EQ(g.settings().covenantPositions[1].y, 0.25f * rules.levelHeight);
}

TEST_F(GameTest, SkillPointsWithoutRaises)
{
    Game::Settings& s = world.game->mutableSettings();
    s.baseSkillPointsPerLevel = 3;
    s.levelsBetweenSkillPointRaises = 0;
    EXPECT_EQ(world.game->getTotalSkillPoints(5), 12);
}

TEST_F(GameTest, StepCountdownsClockAndTimeOfDay)
{
    Game& g = *world.game;
    GameCountdown& c = g.getCountdown(0);
    c.active = true;
    c.left = 0.03f;
    g.update(0.05f);
    EXPECT_EQ(c.left, 0.0f);
    EXPECT_TRUE(c.active);
    EXPECT_FLOAT_EQ(g.getLastStep(), 0.05f);
    EXPECT_FLOAT_EQ(static_cast<float>(g.getClock().toSeconds()), 0.05f);
    // The upkeep timer restarts with the interval.
    EXPECT_TRUE(g.getCountdown(Game::kUpkeepCountdown).active);
    EXPECT_EQ(g.getCountdown(Game::kUpkeepCountdown).left, world.data->rules().upkeepInterval);

    world.data->mutableRules().timeOfDayRate = 1440.0f;
    g.setTimeOfDay(23.99);
    g.update(0.05f); // 1440 * 0.05 / 3600 = 0.02 hours
    EXPECT_NEAR(g.getTimeOfDay(), 0.01, 1e-9);
    // Any rate stays inside a day.
    world.data->mutableRules().timeOfDayRate = 1e9f;
    g.update(0.05f);
    EXPECT_GE(g.getTimeOfDay(), 0.0);
    EXPECT_LT(g.getTimeOfDay(), 24.0);
}

TEST_F(GameTest, ActiveActorsAreCountedOnlyWhenAsked)
{
    Game& g = *world.game;
    std::vector<Actor*> actors;
    for (int i = 0; i < 3; ++i) {
        actors.push_back(new Actor());
        ASSERT_GE(g.addEntity(actors.back()), 0);
    }
    ASSERT_NE(add(), nullptr); // not an actor
    actors[0]->setActiveNow(true);
    actors[2]->setActiveNow(true);

    g.update(0.05f);
    EXPECT_EQ(g.printActiveActors(), -1);
    EXPECT_FALSE(world.log.contains("Active actors"));

    world.vars.setVar("ai_numActive", "1");
    actors[0]->setActiveNow(true);
    actors[2]->setActiveNow(true);
    EXPECT_EQ(g.printActiveActors(), 2);
    EXPECT_TRUE(world.log.contains("Active actors = 2"));
    world.log.clear();
    g.update(0.05f); // the step ends with the count
    EXPECT_TRUE(world.log.contains("Active actors = "));
}

TEST_F(GameTest, EntityWalkSeesEachSlotOnce)
{
    // An entity whose update destroys the next one and makes a new one.
    class Spawner : public Entity {
    public:
        void update(float dt) override
        {
            ++updates;
            if (Entity* victim = Game::get().getEntity(getEntityNumber() + 1)) {
                Game::get().deleteEntity(victim, true);
            }
            if (!made) {
                made = Entity::createEntity(nullptr, "", nullptr, "", 1.0f);
            }
        }
        int updates = 0;
        Entity* made = nullptr;
    };
    auto* s = new Spawner();
    world.game->addEntity(s);
    add();
    world.game->update(0.05f);
    EXPECT_EQ(s->updates, 1);
    ASSERT_NE(s->made, nullptr);
    EXPECT_EQ(s->made->getEntityNumber(), 1);
    EXPECT_EQ(world.game->getEntityCount(), 2);
}

TEST_F(GameTest, LevelsAndActivation)
{
    Game& g = *world.game;
    g.resizeForWorld(6);
    EXPECT_EQ(g.getLevelCount(), 6);
    EXPECT_EQ(g.getLevelFlags(0).size(), 6u);
    EXPECT_EQ(g.getLevelFlags(1).size(), 6u);
    g.onLevelActivated(3);
    g.onLevelActivated(3);
    EXPECT_TRUE(g.isLevelActive(3));
    g.onLevelReleased(3);
    EXPECT_FALSE(g.isLevelActive(3));
    g.clear();
    EXPECT_EQ(g.getLevelCount(), 0);
}

TEST_F(GameTest, PopulatedBlocksAreCountedOncePerBlock)
{
    Game& g = *world.game;
    g.resizeForWorld(2);
    EXPECT_FALSE(g.isBlockPopulated(1, 5));
    g.markBlockPopulated(1, 5);
    g.markBlockPopulated(1, 5);
    EXPECT_TRUE(g.isBlockPopulated(1, 5));
    EXPECT_FALSE(g.isBlockPopulated(0, 5));
    EXPECT_EQ(g.getPopulatedBlockCount(1), 1);
    // 8 x 8 blocks on the shipped data: 64 is past the end.
    g.markBlockPopulated(1, 64);
    g.markBlockPopulated(1, -1);
    g.markBlockPopulated(7, 0);
    EXPECT_FALSE(g.isBlockPopulated(1, 64));
    EXPECT_EQ(g.getPopulatedBlockCount(1), 1);
    EXPECT_EQ(g.getPopulatedBlockCount(7), 0);
}

TEST_F(GameTest, EmptyGameWritesSixtyByteSection)
{
    ByteBuffer out;
    world.game->writeUpdate(out, nullptr);
    ASSERT_EQ(out.size(), 60u);
    GameTime t = out.readGameTime();
    EXPECT_EQ(t, GameTime());
    EXPECT_EQ(out.readInt(), 1); // difficulty
    EXPECT_EQ(out.readInt(), 0); // covenants
    EXPECT_EQ(out.readFloat(), 0.0f);
    EXPECT_EQ(out.readInt(), 0); // town NPCs
    EXPECT_EQ(out.readInt(), 0); // quests
    EXPECT_EQ(out.readFloat(), 1.0f);
    EXPECT_EQ(out.readFloat(), 1.0f);
}

TEST_F(GameTest, ServerGameBaseIsTheGame)
{
    EXPECT_EQ(getServerGameBase(), world.game.get());
    world.game.reset();
    EXPECT_EQ(getServerGameBase(), nullptr);
}

TEST(GameWithoutData, MissingRulesEntryIsLoggedAndChangesNothing)
{
    TestWorld world(false);
    EXPECT_TRUE(world.log.contains("GameSystem database entry not found!", 3));
    EXPECT_EQ(world.game->getTotalSkillPoints(10), 0);
    EXPECT_TRUE(world.game->settings().covenantPositions.empty());
}

} // namespace

namespace {

// A damaged "SpawnSteps" would make every step look at (2n + 1)² points:
// it is cut to 0 … 16 with one line naming the value.
TEST(GameSpawnSteps, AValueOutsideZeroToSixteenIsCutWithALine)
{
    struct Case {
        const char* value;
        int used;
        const char* line;
    };
    const Case cases[] = {
        {"2", 2, nullptr},
        {"16", 16, nullptr},
        {"17", 16, "GameSystem SpawnSteps 17 is outside 0 ... 16; 16 is used"},
        {"2000000000", 16, "GameSystem SpawnSteps 2000000000 is outside 0 ... 16; 16 is used"},
        {"-1", 0, "GameSystem SpawnSteps -1 is outside 0 ... 16; 0 is used"},
    };
    for (const Case& c : cases) {
        TestWorld world(false, false);
        world.database.addSubDatabase("GameSystem", "gamesystem.dbl",
                                      std::string("GameSystem\n{\nSpawnSteps ") + c.value + "\n}\n");
        world.database.resolveBases();
        world.log.clear();
        Game game;
        EXPECT_EQ(game.settings().spawnSteps, c.used) << c.value;
        if (c.line) {
            EXPECT_TRUE(world.log.contains(c.line, 2)) << c.value;
        } else {
            EXPECT_EQ(world.log.count(2), 0u) << c.value;
        }
    }
}

} // namespace
